#include "frm_about.h"

#include "engine/codecs/library_versions.h"
#include "info/system_info.h"
#include "platform/artwork.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStringList>

#ifndef PIXENDRA_VERSION
#define PIXENDRA_VERSION "unknown"
#endif

namespace {

QLabel* label(QWidget* parent, const char* name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setWordWrap(true);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

QString librariesText() {
    QStringList parts;
    for (const auto& [name, version] : pix::libraryVersions())
        parts << QStringLiteral("%1 %2").arg(name, version);
    return QStringLiteral("Built with ") + parts.join(QStringLiteral(", ")) + QLatin1Char('.');
}

} // namespace

frmAbout::frmAbout(const CRegister& store, QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Corvane Pixendra"));
    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    const qreal ratio = devicePixelRatioF();
    QPixmap icon = QPixmap::fromImage(artwork::appIcon().scaled(
        QSize(64, 64) * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    icon.setDevicePixelRatio(ratio);
    picIcon->setPixmap(icon);
    SkinLabel2 = label(this, "SkinLabel2", QStringLiteral("Corvane Pixendra"));
    QFont big = SkinLabel2->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    SkinLabel2->setFont(big);
    SkinLabel3 = label(this, "SkinLabel3",
                       QStringLiteral("Version %1").arg(QStringLiteral(PIXENDRA_VERSION)));
    SkinLabel4 = label(this, "SkinLabel4",
                       QStringLiteral("A desktop image editor. Licensed under the GNU General "
                                      "Public License, version 3 or later; it comes with no "
                                      "warranty."));
    SkinLabel5 = label(this, "SkinLabel5", librariesText());
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo, &QPushButton::clicked, this, [&store] { StartSysInfo(store); });

    auto* grid = new QGridLayout(this);
    grid->addWidget(picIcon, 0, 0, 4, 1, Qt::AlignTop);
    grid->addWidget(SkinLabel2, 0, 1);
    grid->addWidget(SkinLabel3, 1, 1);
    grid->addWidget(SkinLabel4, 2, 1);
    grid->addWidget(SkinLabel5, 3, 1);
    grid->addWidget(line, 4, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    grid->addLayout(buttons, 5, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    setMinimumWidth(420);
}
