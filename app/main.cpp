// Start-up: the splash, then the frame.
#include "app/frm_splash.h"
#include "app/mdi_main.h"
#include "settings/cregister.h"

#include <QApplication>
#include <memory>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pixendra"));
    QApplication::setOrganizationName(QStringLiteral("Corvane"));
    CRegister store;
    std::unique_ptr<MDIMain> frame;
    auto* splash = new frmSplash([&] {
        frame = std::make_unique<MDIMain>(store);
        frame->Load();
        frame->show();
    });
    splash->show();
    return app.exec();
}
