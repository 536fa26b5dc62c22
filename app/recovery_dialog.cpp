#include "recovery_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

RecoveryDialog::RecoveryDialog(const QList<Item>& items, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Recover Documents"));
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(QStringLiteral("Pixendra did not close normally last time. These "
                                            "documents had changes that were not saved:"),
                             this);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    auto* list = new QListWidget(this);
    list->setObjectName(QStringLiteral("lstDocuments"));
    for (const Item& item : items) {
        const QString when = QLocale().toString(item.takenAt.toLocalTime(), QLocale::ShortFormat);
        auto* row = new QListWidgetItem(QStringLiteral("%1 \u2014 %2").arg(item.name, when), list);
        if (!item.filePath.isEmpty()) row->setToolTip(item.filePath);
    }
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* recover =
        buttons->addButton(QStringLiteral("&Recover"), QDialogButtonBox::AcceptRole);
    recover->setObjectName(QStringLiteral("cmdRecover"));
    recover->setDefault(true);
    QPushButton* discard =
        buttons->addButton(QStringLiteral("&Discard"), QDialogButtonBox::DestructiveRole);
    discard->setObjectName(QStringLiteral("cmdDiscard"));
    QPushButton* later =
        buttons->addButton(QStringLiteral("Decide &Later"), QDialogButtonBox::RejectRole);
    later->setObjectName(QStringLiteral("cmdLater"));
    connect(recover, &QPushButton::clicked, this, &QDialog::accept);
    connect(discard, &QPushButton::clicked, this, [this] { done(kDiscard); });
    connect(later, &QPushButton::clicked, this, &QDialog::reject);
    layout->addWidget(buttons);
}
