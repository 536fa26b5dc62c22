#include "frm_jpeg_markers.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kMarkers = 14; // APP1 .. APP14
}

frmJPEGMarkers::frmJPEGMarkers(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmJPEGMarkers"));
    setWindowTitle(QStringLiteral("JPEG Markers to Save"));
    lstJPEGMarkers = new QListWidget(this);
    lstJPEGMarkers->setObjectName(QStringLiteral("lstJPEGMarkers"));
    lstJPEGMarkers->setSelectionMode(QAbstractItemView::MultiSelection);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lstJPEGMarkers);
    layout->addLayout(buttons);
    connect(lstJPEGMarkers, &QListWidget::itemSelectionChanged, this,
            &frmJPEGMarkers::lstJPEGMarkers_Click);
    // OK hides the dialog (the caller reads Mask); Cancel marks it cancelled first.
    connect(cmdOK, &QPushButton::clicked, this, [this] { done(QDialog::Accepted); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] {
        Cancelled = true;
        done(QDialog::Rejected);
    });
}

void frmJPEGMarkers::LoadList() {
    Loading = true;
    lstJPEGMarkers->clear();
    for (int i = 1; i <= kMarkers; ++i) {
        auto* item = new QListWidgetItem(QStringLiteral("JPEG_APP%1").arg(i), lstJPEGMarkers);
        item->setSelected((Mask >> (i - 1)) & 1u);
    }
    Loading = false;
}

void frmJPEGMarkers::lstJPEGMarkers_Click() {
    if (Loading) return;
    Mask = 0;
    for (int k = 0; k < lstJPEGMarkers->count(); ++k)
        if (lstJPEGMarkers->item(k)->isSelected()) Mask |= 1u << k;
}

void frmJPEGMarkers::closeEvent(QCloseEvent* event) {
    // The close button cancels: the close itself is refused and the dialog hidden.
    Cancelled = true;
    event->ignore();
    done(QDialog::Rejected);
}

void frmJPEGMarkers::reject() {
    Cancelled = true;
    QDialog::reject();
}
