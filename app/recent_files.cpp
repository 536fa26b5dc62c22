#include "recent_files.h"

#include "platform/desktop.h"
#include "settings/cregister.h"
#include "settings/mod_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>

namespace {

// "Recent File 1" .. "Recent File 10", beside the frame's eleven settings.
QString keyOf(int i) {
    return QStringLiteral("Recent File %1").arg(i + 1);
}

} // namespace

RecentFiles::RecentFiles(CRegister& store, QMenu* menu, QObject* parent)
    : QObject(parent), store_(store), menu_(menu) {
    for (int i = 0; i < kMax; ++i) {
        const QString f =
            store_.REGGetSetting(HKEY_LOCAL_MACHINE, modSettings::kSettingsKey, keyOf(i));
        if (!f.isEmpty() && !files_.contains(f)) files_ << f;
    }
    rebuildMenu();
}

void RecentFiles::add(const QString& path) {
    if (path.isEmpty()) return;
    const QString full = QFileInfo(path).absoluteFilePath();
    files_.removeAll(full);
    files_.prepend(full);
    while (files_.size() > kMax) files_.removeLast();
    save();
}

void RecentFiles::remove(const QString& path) {
    if (files_.removeAll(path) > 0) save();
}

void RecentFiles::choose(const QString& path) {
    if (!QFileInfo(path).isFile()) {
        remove(path);
        platform::messageBox(
            QStringLiteral("The file '%1' no longer exists; it is removed from the recent files.")
                .arg(QDir::toNativeSeparators(path)),
            platform::Buttons::Ok, platform::Icon::Warning);
        return;
    }
    emit openRequested(path);
}

void RecentFiles::save() {
    for (int i = 0; i < kMax; ++i) {
        if (i < files_.size())
            store_.REGSaveSetting(HKEY_LOCAL_MACHINE, modSettings::kSettingsKey, keyOf(i),
                                  files_[i]);
        else
            store_.REGDeleteSetting(HKEY_LOCAL_MACHINE, modSettings::kSettingsKey, keyOf(i));
    }
    rebuildMenu();
}

void RecentFiles::rebuildMenu() {
    if (!menu_) return;
    // The entries go later: this may run inside the handler of one of them.
    for (QAction* a : menu_->actions()) {
        menu_->removeAction(a);
        a->deleteLater();
    }
    for (int i = 0; i < files_.size(); ++i) {
        // "&1 name" .. "1&0 name": the number is the access key.
        const QString number = i < 9 ? QStringLiteral("&%1").arg(i + 1) : QStringLiteral("1&0");
        QAction* a = menu_->addAction(number + QLatin1Char(' ') + QFileInfo(files_[i]).fileName());
        a->setObjectName(QStringLiteral("mnuRecentFile(%1)").arg(i));
        a->setToolTip(files_[i]);
        connect(a, &QAction::triggered, this, [this, f = files_[i]] { choose(f); });
    }
    menu_->setEnabled(!files_.isEmpty());
}
