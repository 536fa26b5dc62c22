#include "frm_spooling.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

frmSpooling::frmSpooling(QWidget* owner) : QWidget(owner, Qt::Dialog) {
    setObjectName(QStringLiteral("frmSpooling"));
    setWindowTitle(QStringLiteral("Spooling..."));
    setWindowModality(Qt::NonModal);
    Label1 = new QLabel(QStringLiteral("Spooling Print Job ..."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdCancel, &QPushButton::clicked, this, [this] { Cancelled = true; });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(cmdCancel, 0, Qt::AlignHCenter);
}
