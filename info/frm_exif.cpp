#include "frm_exif.h"

#include <QPlainTextEdit>

frmEXIF& frmEXIF::instance() {
    static frmEXIF* window = new frmEXIF();
    return *window;
}

frmEXIF::frmEXIF() : QWidget(nullptr, Qt::Window) {
    setObjectName(QStringLiteral("frmEXIF"));
    setWindowTitle(QStringLiteral("Metadata"));
    txtExif = new QPlainTextEdit(this);
    txtExif->setObjectName(QStringLiteral("txtExif"));
    txtExif->setReadOnly(true);
    txtExif->setLineWrapMode(QPlainTextEdit::NoWrap);
    resize(480, 360);
}

void frmEXIF::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    txtExif->setGeometry(0, 0, width(), height());
}
