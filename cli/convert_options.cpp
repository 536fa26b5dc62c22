#include "convert_options.h"

#include "engine/codecs/codec.h"
#include "engine/image_type.h"

#include <array>
#include <functional>

namespace pixcli {

namespace {

int parseInt(const QString& text, int low, int high, const QString& option) {
    bool ok = false;
    const qlonglong v = text.toLongLong(&ok, 0);
    if (!ok || v < low || v > high)
        throw UsageError(QStringLiteral("%1 takes a number from %2 to %3, not \"%4\"")
                             .arg(option)
                             .arg(low)
                             .arg(high)
                             .arg(text));
    return int(v);
}

// TIFF compression names, in the order of the save settings' list.
constexpr std::array<const char*, 7> kTiffCompressions = {"none",     "g3",      "g4", "jpeg",
                                                          "packbits", "deflate", "lzw"};

int parseTiffCompression(const QString& text) {
    for (size_t i = 0; i < kTiffCompressions.size(); ++i)
        if (text.compare(QLatin1String(kTiffCompressions[i]), Qt::CaseInsensitive) == 0)
            return int(i);
    return parseInt(text, 0, int(kTiffCompressions.size()) - 1,
                    QStringLiteral("--tiff-compression"));
}

int parseFormat(const QString& text) {
    bool numeric = false;
    text.toInt(&numeric);
    if (numeric) return parseInt(text, 1, 10, QStringLiteral("--format"));
    const pix::Codec* codec = pix::codecForExtension(QStringLiteral("x.") + text);
    if (!codec || codec->fileType() == pix::kFileAuto)
        throw UsageError(QStringLiteral("--format: no writable format \"%1\"").arg(text));
    return codec->fileType();
}

struct Option {
    const char* name;
    const char* value; // nullptr for a switch
    const char* help;
    std::function<void(ConvertRequest&, const QString&)> apply;
};

const std::vector<Option>& optionTable() {
    static const std::vector<Option> table = {
        {"--format", "FORMAT",
         "output format: jpg png tif pcx tga bmp wmf emf psd wbmp, or code 1..10",
         [](ConvertRequest& r, const QString& v) { r.fileType = parseFormat(v); }},
        {"--jpeg-quality", "1..100", "JPEG quality (default 75)",
         [](ConvertRequest& r, const QString& v) {
             r.options.jpegQuality = parseInt(v, 1, 100, QStringLiteral("--jpeg-quality"));
         }},
        {"--jpeg-smoothing", "0..100", "JPEG smoothing (default 0)",
         [](ConvertRequest& r, const QString& v) {
             r.options.jpegSmoothing = parseInt(v, 0, 100, QStringLiteral("--jpeg-smoothing"));
         }},
        {"--jpeg-progressive", nullptr, "write a progressive JPEG",
         [](ConvertRequest& r, const QString&) { r.options.jpegProgressive = true; }},
        {"--tiff-compression", "NAME", "none g3 g4 jpeg packbits deflate lzw (or 0..6)",
         [](ConvertRequest& r, const QString& v) {
             r.options.tiffCompression = parseTiffCompression(v);
         }},
        {"--bmp-rle", nullptr, "run-length compress BMP",
         [](ConvertRequest& r, const QString&) { r.options.bmpRle = true; }},
        {"--wmf-placeable", nullptr, "write a WMF with the placeable header (the default)",
         [](ConvertRequest& r, const QString&) { r.options.wmfPlaceable = true; }},
        {"--no-placeable", nullptr, "write a WMF without the placeable header",
         [](ConvertRequest& r, const QString&) { r.options.wmfPlaceable = false; }},
        {"--markers", "MASK", "JPEG markers to write: bit k writes APP(k+1) (default all)",
         [](ConvertRequest& r, const QString& v) {
             bool ok = false;
             r.options.jpegMarkersToSave = v.toUInt(&ok, 0);
             if (!ok)
                 throw UsageError(QStringLiteral("--markers takes a number, not \"%1\"").arg(v));
         }},
        {"--page", "N", "write only page N (1 = first); default every page the format holds",
         [](ConvertRequest& r, const QString& v) {
             r.page = parseInt(v, 1, 1000, QStringLiteral("--page"));
         }},
        {"--type", "0..6",
         "convert pages to an image type: 0 1-bit ... 5 24-bit RGB, 6 32-bit RGB w/ Alpha",
         [](ConvertRequest& r, const QString& v) {
             r.imageType = parseInt(v, 0, pix::kImageTypeCount - 1, QStringLiteral("--type"));
         }},
        {"--append", nullptr, "add the page as a new page at the end of the existing TIFF OUTPUT",
         [](ConvertRequest& r, const QString&) { r.append = true; }},
        {"--markers-from", "FILE", "write INPUT as a JPEG carrying FILE's APPn markers",
         [](ConvertRequest& r, const QString& v) { r.markersFrom = v; }},
        {"--salvage", nullptr, "write a damaged INPUT whose picture ends early, the rest grey",
         [](ConvertRequest& r, const QString&) { r.salvage = true; }},
        {"--info", nullptr, "list INPUT's pages, EXIF and IPTC tags; no OUTPUT",
         [](ConvertRequest& r, const QString&) { r.info = true; }},
        {"--help", nullptr, "show this text",
         [](ConvertRequest& r, const QString&) { r.help = true; }},
    };
    return table;
}

const Option* findOption(const QString& name) {
    for (const Option& o : optionTable())
        if (name == QLatin1String(o.name)) return &o;
    return nullptr;
}

} // namespace

ConvertRequest parseArguments(const QStringList& args) {
    ConvertRequest r;
    QStringList files;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (!arg.startsWith(QLatin1String("--")) || arg == QLatin1String("--")) {
            files.append(arg == QLatin1String("--") ? args.mid(i + 1) : QStringList{arg});
            if (arg == QLatin1String("--")) break;
            continue;
        }
        QString name = arg, value;
        const qsizetype eq = arg.indexOf(QLatin1Char('='));
        if (eq > 0) name = arg.left(eq), value = arg.mid(eq + 1);
        const Option* option = findOption(name);
        if (!option) throw UsageError(QStringLiteral("Unknown option %1").arg(name));
        if (option->value && eq < 0) {
            if (++i >= args.size()) throw UsageError(QStringLiteral("%1 needs a value").arg(name));
            value = args[i];
        } else if (!option->value && eq > 0) {
            throw UsageError(QStringLiteral("%1 takes no value").arg(name));
        }
        option->apply(r, value);
    }
    if (r.help) return r;
    const int wanted = r.info ? 1 : 2;
    if (files.size() != wanted)
        throw UsageError(r.info ? QStringLiteral("--info takes one INPUT file")
                                : QStringLiteral("Give an INPUT and an OUTPUT file"));
    r.input = files[0];
    if (!r.info) r.output = files[1];
    if (r.append && r.page == 0) r.page = 1;
    return r;
}

QString usageText() {
    QString text = QStringLiteral("Usage: pixendra-convert [options] INPUT OUTPUT\n"
                                  "       pixendra-convert --info INPUT\n\n"
                                  "Reads any image the editor opens and writes it in the format of "
                                  "OUTPUT's extension.\n\nOptions:\n");
    for (const Option& o : optionTable()) {
        const QString left =
            o.value ? QStringLiteral("%1 %2").arg(QLatin1String(o.name), QLatin1String(o.value))
                    : QLatin1String(o.name);
        text += QStringLiteral("  %1%2\n").arg(left.leftJustified(26), QLatin1String(o.help));
    }
    return text;
}

} // namespace pixcli
