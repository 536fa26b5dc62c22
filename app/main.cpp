// Start-up: the splash, then the frame with the files named on the command line.
#include "app/crash_recovery.h"
#include "app/frm_splash.h"
#include "app/mdi_main.h"
#include "app/program_start.h"
#include "settings/cregister.h"

#include <QApplication>
#include <QDir>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pixendra"));
    QApplication::setOrganizationName(QStringLiteral("Corvane"));
    QGuiApplication::setDesktopFileName(QStringLiteral("com.corvane.Pixendra"));
    CRegister store;
    Program program;
    const QStringList files = app.arguments().mid(1);
    const QString cwd = QDir::currentPath();
    auto* splash = new frmSplash([&] { startProgram(program, store, files, cwd); });
    splash->show();
    return app.exec();
}
