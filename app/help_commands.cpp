// The Help menu: the about box, the program's help pages and the updater.
#include "info/frm_about.h"
#include "mdi_main.h"
#include "platform/desktop.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

QString besideProgram(const QString& relative) {
    return QDir(QCoreApplication::applicationDirPath()).filePath(relative);
}

} // namespace

void MDIMain::cmdAbout(int) {
    frmAbout about(store_, this);
    platform::desktop().showModal(about);
}

void MDIMain::cmdHelpIndex(int) {
    const QString index = besideProgram(QStringLiteral("help/index.html"));
    if (!QFileInfo::exists(index)) {
        platform::messageBox(QStringLiteral("The help pages are not installed (%1 is missing).")
                                 .arg(QDir::toNativeSeparators(index)),
                             platform::Buttons::Ok, platform::Icon::Information);
        return;
    }
    if (!platform::desktop().openUrl(QUrl::fromLocalFile(index)))
        platform::messageBox(QStringLiteral("No program to show the help pages was found. "
                                            "Open %1 in a web browser.")
                                 .arg(QDir::toNativeSeparators(index)),
                             platform::Buttons::Ok, platform::Icon::Information);
}

void MDIMain::cmdCheckUpdate(int) {
    const QString updater = besideProgram(QStringLiteral("Update/Update"));
    const QFileInfo info(updater);
    if (!info.isFile() || !info.isExecutable()) {
        platform::messageBox(
            QStringLiteral("No updater is installed with this copy of Pixendra. Updates come "
                           "from the package manager of your system."),
            platform::Buttons::Ok, platform::Icon::Information);
        return;
    }
    if (!platform::desktop().startProgram(updater, {}))
        platform::messageBox(QStringLiteral("The updater %1 could not be started.")
                                 .arg(QDir::toNativeSeparators(updater)),
                             platform::Buttons::Ok, platform::Icon::Warning);
}
