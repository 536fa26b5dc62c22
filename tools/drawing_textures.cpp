#include "drawing_textures.h"

#include "document/document_host.h"
#include "document/file_formats.h"
#include "document/frm_main.h"
#include "engine/codecs/codec.h"
#include "engine/pix_error.h"
#include "platform/desktop.h"
#include "platform/vb.h"

#include <QApplication>
#include <QFileInfo>
#include <QPainter>
#include <cmath>

namespace drawingtextures {

namespace {

void applyToAll(DocumentHost& host, const QImage& texture) {
    for (frmMain* doc : host.openDocuments()) doc->applyTexture(texture);
}

// The page of a GIF the user picks; -1 when the answer is cancelled or invalid.
int askImageNumber(int count) {
    const std::optional<QString> answer = platform::desktop().input(
        QStringLiteral("This file contains %1 images.  Please select the image number. [1..%1]")
            .arg(count),
        QStringLiteral("Pixendra"), QStringLiteral("1"));
    if (!answer) return -1;
    const double n = vb::leadingNumber(*answer);
    if (!(n >= 1 && n <= count) || n != std::floor(n)) {
        platform::messageBox(QStringLiteral("You entered an invalid image number."));
        return -1;
    }
    return int(n) - 1;
}

} // namespace

QString textureFilter() {
    // The open filter's formats, with icons added to the images and as a format of their own.
    const QString open = fileformats::kOpenFilter;
    const int first = open.indexOf(QLatin1Char('|'), open.indexOf(QLatin1Char('|')) + 1) + 1;
    const int allFiles = open.lastIndexOf(QLatin1String("All Files|"));
    return QStringLiteral(
               "All Images|*.jpg;*.gif;*.bmp;*.png;*.psd;*.tif;*.pcx;*.tga;*.wbmp;*.wmf;*.emf;"
               "*.ico|") +
           open.mid(first, allFiles - first) + QStringLiteral("Windows Icon  <ICO>|*.ico|") +
           QStringLiteral("All Files|*.*");
}

void selectTexture(DocumentHost& host) {
    platform::FileRequest request;
    request.title = QStringLiteral("Select Texture");
    request.filter = textureFilter();
    const platform::FileAnswer file = platform::desktop().openFile(request);
    if (!file.accepted || file.fileName.isEmpty()) return;
    const QString ext = QFileInfo(file.fileName).suffix().toUpper();
    std::optional<QColor> iconBack;
    if (ext == QLatin1String("ICO")) {
        platform::messageBox(
            QStringLiteral("Please select a color to use for the icon's transparent areas."));
        iconBack = platform::desktop().chooseColor(Qt::white);
        if (!iconBack) return;
    }
    pix::DecodedFile decoded;
    try {
        decoded = pix::decodeFile(file.fileName);
    } catch (const pix::PixError& e) {
        platform::messageBox(QStringLiteral("Error: ") + e.description() +
                                 QStringLiteral("\nSource: ") + e.source(),
                             platform::Buttons::Ok, platform::Icon::Critical);
        return;
    }
    if (decoded.pages.isEmpty()) return;
    int page = 0;
    if (ext == QLatin1String("GIF") && decoded.pages.size() > 1) {
        page = askImageNumber(int(decoded.pages.size()));
        if (page < 0) return;
    }
    QImage texture = decoded.pages[page].image.convertToFormat(QImage::Format_ARGB32);
    if (iconBack) {
        // The icon's transparent areas take the chosen colour.
        QImage filled(texture.size(), QImage::Format_RGB32);
        filled.fill(*iconBack);
        QPainter p(&filled);
        p.drawImage(0, 0, texture);
        p.end();
        texture = filled;
    }
    applyToAll(host, texture);
}

QImage gradientPicture(const QColor& from, const QColor& to, int direction) {
    QImage picture(256, 256, QImage::Format_RGB32);
    for (int y = 0; y < 256; ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < 256; ++x) {
            const int t = direction == 0 ? x : y;
            auto mix = [t](int a, int b) { return int(std::lround(a + (b - a) * t / 255.0)); };
            row[x] = qRgb(mix(from.red(), to.red()), mix(from.green(), to.green()),
                          mix(from.blue(), to.blue()));
        }
    }
    return picture;
}

void gradientTexture(DocumentHost& host, int direction) {
    if (direction != 0 && direction != 1) return;
    const std::optional<QColor> from = platform::desktop().chooseColor(Qt::white);
    if (!from) return;
    const std::optional<QColor> to = platform::desktop().chooseColor(Qt::black);
    if (!to) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    applyToAll(host, gradientPicture(*from, *to, direction));
    QApplication::restoreOverrideCursor();
}

} // namespace drawingtextures
