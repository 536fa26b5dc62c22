// `cmake --install` puts the program, its desktop entry, MIME types, metainfo and icons into a
// prefix, and the desktop's own validators accept them where they are installed.
#include "support/program_run.h"
#include "support/test_images.h"

#include <QFileInfo>
#include <QImage>
#include <QStandardPaths>
#include <gtest/gtest.h>

TEST(Install, ThePrefixHoldsADesktopProgramThatTheValidatorsAccept) {
    const QString prefix = pixtest::tempDir() + QStringLiteral("/prefix");
    const pixtest::ProgramRun install =
        pixtest::runProgram(QStringLiteral(PIXENDRA_CMAKE),
                            {QStringLiteral("--install"), QStringLiteral(PIXENDRA_BINARY_DIR),
                             QStringLiteral("--prefix"), prefix});
    ASSERT_EQ(install.code, 0) << install.err.toStdString();
    const QString id = QStringLiteral("com.corvane.Pixendra");
    const QString share = prefix + QStringLiteral("/share");
    const QString desktopFile =
        share + QStringLiteral("/applications/") + id + QStringLiteral(".desktop");
    const QString metainfo =
        share + QStringLiteral("/metainfo/") + id + QStringLiteral(".metainfo.xml");
    EXPECT_TRUE(QFileInfo(prefix + QStringLiteral("/bin/pixendra")).isExecutable());
    EXPECT_TRUE(
        QFileInfo::exists(share + QStringLiteral("/mime/packages/") + id + QStringLiteral(".xml")));
    EXPECT_TRUE(QFileInfo::exists(metainfo));

    const QString entry = QString::fromUtf8(pixtest::readBytes(desktopFile));
    for (const char* line :
         {"GenericName=Image Editor", "Categories=Graphics;2DGraphics;RasterGraphics;",
          "Exec=pixendra %F", "Icon=com.corvane.Pixendra"})
        EXPECT_TRUE(entry.contains(QLatin1String(line))) << line;
    // The twelve formats the editor opens.
    const QString types =
        entry.section(QStringLiteral("MimeType="), 1).section(QLatin1Char('\n'), 0, 0);
    EXPECT_EQ(types.split(QLatin1Char(';'), Qt::SkipEmptyParts).size(), 12) << types.toStdString();

    for (int size : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
        const QImage icon(share + QStringLiteral("/icons/hicolor/%1x%1/apps/").arg(size) + id +
                          QStringLiteral(".png"));
        EXPECT_EQ(icon.size(), QSize(size, size));
    }
    const QByteArray svg = pixtest::readBytes(
        share + QStringLiteral("/icons/hicolor/scalable/apps/") + id + QStringLiteral(".svg"));
    EXPECT_TRUE(svg.contains("<svg") && svg.contains("</svg>"));

    struct Validator {
        const char* program;
        QStringList args;
    };
    const Validator validators[] = {
        {"desktop-file-validate", {desktopFile}},
        {"appstreamcli", {QStringLiteral("validate"), QStringLiteral("--no-net"), metainfo}},
    };
    for (const Validator& v : validators) {
        const QString program = QStandardPaths::findExecutable(QString::fromLatin1(v.program));
        if (program.isEmpty()) {
            std::printf("%s is not installed: not run\n", v.program);
            continue;
        }
        const pixtest::ProgramRun run = pixtest::runProgram(program, v.args);
        EXPECT_EQ(run.code, 0) << v.program << ": " << run.out.toStdString()
                               << run.err.toStdString();
    }
}
