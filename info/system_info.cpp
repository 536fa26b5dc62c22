#include "system_info.h"

#include "platform/desktop.h"
#include "settings/cregister.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace {

// Programs of the common desktops that show the system's hardware and software.
const char* const kDesktopPrograms[] = {"kinfocenter", "gnome-system-monitor",
                                        "hardinfo2",   "hardinfo",
                                        "xfce4-about", "mate-system-monitor"};

// A value no stored text can be, to tell a missing value from an empty one.
const QString kMissing = QStringLiteral("\x01missing");

} // namespace

bool GetKeyValue(const CRegister& store, uint32_t root, const QString& key,
                 const QString& valueName, QString& text) {
    const QString value = store.REGGetSetting(root, key, valueName, kMissing);
    text = value == kMissing ? QString() : value;
    return value != kMissing;
}

void StartSysInfo(const CRegister& store) {
    QString path;
    if (!GetKeyValue(store, HKEY_LOCAL_MACHINE,
                     QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                     QStringLiteral("PATH"), path)) {
        QString folder;
        if (GetKeyValue(store, HKEY_LOCAL_MACHINE,
                        QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                        QStringLiteral("MSINFO"), folder)) {
            // The stored folder with the program's name, in the stored form or this system's.
            for (const QString& candidate : {folder + QStringLiteral("\\MSINFO32.EXE"),
                                             folder + QStringLiteral("/MSINFO32.EXE")})
                if (QFileInfo::exists(candidate)) {
                    path = candidate;
                    break;
                }
        }
    }
    if (path.isEmpty())
        for (const char* program : kDesktopPrograms) {
            path = QStandardPaths::findExecutable(QString::fromLatin1(program));
            if (!path.isEmpty()) break;
        }
    if (path.isEmpty() || !platform::desktop().startProgram(path, {}))
        platform::messageBox(QStringLiteral("System Information Is Unavailable At This Time"));
}
