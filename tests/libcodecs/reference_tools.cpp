#include "reference_tools.h"

#include <QStandardPaths>

#include "support/test_images.h"

#include "engine/image_type.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

namespace pixtest {

namespace {
// The real ImageMagick, never a stand-in earlier on the PATH.
const QString kMagick = QStringLiteral("/usr/bin/convert");
const QString kIdentify = QStringLiteral("/usr/bin/identify");
} // namespace

QByteArray runTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << " " << args.join(' ').toStdString()
                      << " failed: " << p.readAllStandardError().toStdString()
                      << p.errorString().toStdString();
        return {};
    }
    return p.readAllStandardOutput();
}

QByteArray toPam(const QImage& image) {
    // Images without alpha go out as plain RGB, so that the reference tool sees no alpha either.
    const bool alpha = image.hasAlphaChannel();
    const QImage src = image.convertToFormat(QImage::Format_ARGB32);
    QByteArray out = QStringLiteral("P7\nWIDTH %1\nHEIGHT %2\nDEPTH %3\nMAXVAL 255\n"
                                    "TUPLTYPE %4\nENDHDR\n")
                         .arg(src.width())
                         .arg(src.height())
                         .arg(alpha ? 4 : 3)
                         .arg(alpha ? QStringLiteral("RGB_ALPHA") : QStringLiteral("RGB"))
                         .toLatin1();
    for (int y = 0; y < src.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        for (int x = 0; x < src.width(); ++x) {
            const char px[4] = {char(qRed(row[x])), char(qGreen(row[x])), char(qBlue(row[x])),
                                char(qAlpha(row[x]))};
            out.append(px, alpha ? 4 : 3);
        }
    }
    return out;
}

QImage fromPam(const QByteArray& pam) {
    const qsizetype end = pam.indexOf("ENDHDR\n");
    if (!pam.startsWith("P7\n") || end < 0) {
        ADD_FAILURE() << "not a PAM file";
        return {};
    }
    int width = 0, height = 0, depth = 0;
    for (const QByteArray& line : pam.left(end).split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        if (f.size() < 2) continue;
        if (f[0] == "WIDTH") width = f[1].toInt();
        if (f[0] == "HEIGHT") height = f[1].toInt();
        if (f[0] == "DEPTH") depth = f[1].toInt();
    }
    const char* data = pam.constData() + end + 7;
    if (depth < 1 || depth > 4 || pam.size() - (end + 7) < qsizetype(width) * height * depth) {
        ADD_FAILURE() << "short or odd PAM file";
        return {};
    }
    QImage img(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const auto* s = reinterpret_cast<const uchar*>(data) + (size_t(y) * width + x) * depth;
            const bool grey = depth <= 2;
            const int a = depth == 2 ? s[1] : depth == 4 ? s[3] : 255;
            row[x] = grey ? qRgba(s[0], s[0], s[0], a) : qRgba(s[0], s[1], s[2], a);
        }
    }
    return img;
}

bool haveTool(const QString& program) {
    return !QStandardPaths::findExecutable(program).isEmpty();
}

QByteArray magick(const QStringList& args) {
    return runTool(kMagick, args);
}

QImage magickDecode(const QString& path, int frame) {
    // ImageMagick un-blends PSD alpha from white unless told not to (our files store plain alpha),
    // and leaves a bottom-up TGA's rows to its orientation tag unless told to apply it.
    const QByteArray pam =
        magick({QStringLiteral("-define"), QStringLiteral("psd:alpha-unblend=off"),
                QStringLiteral("%1[%2]").arg(path).arg(frame), QStringLiteral("-auto-orient"),
                QStringLiteral("-depth"), QStringLiteral("8"), QStringLiteral("-type"),
                QStringLiteral("TrueColorAlpha"), QStringLiteral("pam:-")});
    return pam.isEmpty() ? QImage() : fromPam(pam);
}

void magickEncodeFrames(const QList<QImage>& frames, const QString& path,
                        const QStringList& options) {
    QStringList args;
    for (int i = 0; i < frames.size(); ++i) {
        const QString pam = path + QStringLiteral(".%1.pam").arg(i);
        writeBytes(pam, toPam(frames[i]));
        args << pam;
    }
    runTool(kMagick, args + options + QStringList{path});
}

void magickEncode(const QImage& image, const QString& path, const QStringList& options) {
    magickEncodeFrames({image}, path, options);
}

QString magickFormat(const QString& path, const QString& format) {
    return QString::fromUtf8(runTool(kIdentify, {QStringLiteral("-format"), format, path}))
        .trimmed();
}

int visibleDiff(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return -1;
    QImage x = a.convertToFormat(QImage::Format_ARGB32),
           y = b.convertToFormat(QImage::Format_ARGB32);
    for (int r = 0; r < x.height(); ++r) {
        auto* p = reinterpret_cast<QRgb*>(x.scanLine(r));
        auto* q = reinterpret_cast<QRgb*>(y.scanLine(r));
        for (int c = 0; c < x.width(); ++c)
            if (qAlpha(p[c]) == 0 && qAlpha(q[c]) == 0) p[c] = q[c] = 0;
    }
    return maxChannelDiff(x, y);
}

pix::Bytes view(const QByteArray& bytes) {
    return pix::Bytes(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
}

const pix::Codec& codec(int fileType) {
    const pix::Codec* c = pix::codecForFileType(fileType);
    if (!c) throw std::runtime_error("no codec for the file type");
    return *c;
}

const pix::Codec& gifCodec() {
    const pix::Codec* c = pix::codecForExtension(QStringLiteral("x.gif"));
    if (!c) throw std::runtime_error("no GIF codec");
    return *c;
}

const pix::Codec& codec(const QString& name) {
    for (const auto& c : pix::allCodecs())
        if (c->name() == name) return *c;
    throw std::runtime_error("no codec " + name.toStdString());
}

pix::PixPage readFirst(const QString& codecName, const QByteArray& bytes) {
    const pix::DecodedFile f = codec(codecName).read(view(bytes));
    if (f.pages.isEmpty()) throw std::runtime_error("no pages");
    return f.pages.first();
}

QImage sampleOfType(int type, int width, int height) {
    QImage img = gradientImage(width, height, pix::typeHasAlpha(type));
    if (pix::typeHasAlpha(type))
        for (int y = 0; y < height; y += 5) {
            auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < width; x += 3) row[x] &= 0x00FFFFFFu;
        }
    return pix::convertToType(img, type);
}

pix::PixPage pageOfType(int type, int width, int height) {
    return {imageOfType(type, width, height), type, {}};
}

pix::PixPage decodeOnly(const QString& path, int fileType) {
    const pix::DecodedFile file = pix::decodeFile(path);
    EXPECT_EQ(file.fileType, fileType);
    EXPECT_EQ(file.pages.size(), 1);
    return file.pages.value(0);
}

} // namespace pixtest
