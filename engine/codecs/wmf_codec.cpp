// Windows metafiles: played onto a raster at the picture's own size (placeable header
// honoured); written as one device-independent bitmap record.
#include "all_codecs.h"
#include "byte_reader.h"
#include "dib.h"
#include "gdi_canvas.h"
#include "raster_util.h"

#include <functional>
#include <unordered_map>

namespace pix {

namespace {

const QString kSource = QStringLiteral("wmf");
constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr int kScreenDpi = 96;
constexpr uint32_t kSrcCopy = 0x00CC0020;

enum Function : uint16_t {
    kEof = 0x0000,
    kSetWindowOrg = 0x020B,
    kSetWindowExt = 0x020C,
    kSetViewportOrg = 0x020D,
    kSetViewportExt = 0x020E,
    kMoveTo = 0x0214,
    kLineTo = 0x0213,
    kRectangle = 0x041B,
    kEllipse = 0x0418,
    kPolygon = 0x0324,
    kPolyline = 0x0325,
    kCreatePen = 0x02FA,
    kCreateBrush = 0x02FC,
    kSelectObject = 0x012D,
    kDeleteObject = 0x01F0,
    kStretchDib = 0x0F43,
    kDibStretchBlt = 0x0B41,
    kDibBitBlt = 0x0940,
    kCreateFont = 0x02FB,
    kCreatePalette = 0x00F7,
    kCreatePatternBrush = 0x01F9,
    kCreateRegion = 0x06FF,
    kDibCreatePatternBrush = 0x0142,
};

struct Record {
    uint16_t function;
    Bytes params;
};

// Plays the records of one picture. Each handler reads its parameters from a bounds-checked
// reader over the record.
class WmfPlayer {
public:
    explicit WmfPlayer(GdiCanvas& canvas) : c_(canvas) {}

    void play(const Record& rec) {
        const auto it = handlers().find(rec.function);
        if (it == handlers().end()) return; // records that do not draw (or that we do not know)
        ByteReader r(rec.params, kSource);
        it->second(*this, r, rec.function);
    }

private:
    using Handler = std::function<void(WmfPlayer&, ByteReader&, uint16_t)>;

    static QPolygonF points(ByteReader& r) {
        const int count = r.i16le();
        if (count < 0 || uint64_t(count) * 4 > r.remaining())
            r.fail(QStringLiteral("Invalid point count"));
        QPolygonF poly;
        poly.reserve(count);
        for (int i = 0; i < count; ++i) {
            const int x = r.i16le();
            poly.append(QPointF(x, r.i16le()));
        }
        return poly;
    }

    // Stretched DIB records share one layout after the raster operation (and colour usage).
    void bitmap(ByteReader& r, bool stretch, bool usage) {
        r.u32le(); // raster operation: the bitmap is always copied
        if (usage) r.u16le();
        int srcH = 0, srcW = 0;
        if (stretch) {
            srcH = r.i16le();
            srcW = r.i16le();
        }
        const int ySrc = r.i16le(), xSrc = r.i16le();
        const int destH = r.i16le(), destW = r.i16le();
        const int yDst = r.i16le(), xDst = r.i16le();
        if (r.remaining() < 12) return; // pattern blit without a bitmap
        const PixPage dib = c_.decodeDib(r);
        if (!stretch) {
            srcW = destW;
            srcH = destH;
        }
        c_.drawDib(dib, xDst, yDst, destW, destH, xSrc, ySrc, srcW, srcH);
    }

    static const std::unordered_map<uint16_t, Handler>& handlers() {
        static const std::unordered_map<uint16_t, Handler> table = {
            {kSetWindowOrg,
             [](WmfPlayer& p, ByteReader& r, uint16_t) {
                 const int y = r.i16le();
                 p.c_.setWindowOrg(r.i16le(), y);
             }},
            {kSetWindowExt,
             [](WmfPlayer& p, ByteReader& r, uint16_t) {
                 const int h = r.i16le();
                 p.c_.setWindowExt(r.i16le(), h);
             }},
            {kSetViewportOrg,
             [](WmfPlayer& p, ByteReader& r, uint16_t) {
                 const int y = r.i16le();
                 p.c_.setViewportOrg(r.i16le(), y);
             }},
            {kSetViewportExt,
             [](WmfPlayer& p, ByteReader& r, uint16_t) {
                 const int h = r.i16le();
                 p.c_.setViewportExt(r.i16le(), h);
             }},
            {kMoveTo,
             [](WmfPlayer& p, ByteReader& r, uint16_t) {
                 const int y = r.i16le();
                 p.c_.moveTo(r.i16le(), y);
             }},
            {kLineTo,
             [](WmfPlayer& p, ByteReader& r, uint16_t) {
                 const int y = r.i16le();
                 p.c_.lineTo(r.i16le(), y);
             }},
            {kRectangle,
             [](WmfPlayer& p, ByteReader& r, uint16_t f) {
                 const int b = r.i16le(), rt = r.i16le(), t = r.i16le(), l = r.i16le();
                 if (f == kRectangle)
                     p.c_.rectangle(l, t, rt, b);
                 else
                     p.c_.ellipse(l, t, rt, b);
             }},
            {kPolygon, [](WmfPlayer& p, ByteReader& r,
                          uint16_t f) { p.c_.polygon(points(r), f == kPolygon); }},
            {kCreatePen,
             [](WmfPlayer& p, ByteReader& r, uint16_t) {
                 const int style = r.u16le(), width = r.i16le();
                 r.i16le();
                 p.c_.createPen(style, width, r.u32le());
             }},
            {kCreateBrush,
             [](WmfPlayer& p, ByteReader& r, uint16_t) {
                 const int style = r.u16le();
                 const uint32_t color = r.u32le();
                 p.c_.createBrush(style, color, r.u16le());
             }},
            {kCreateFont, [](WmfPlayer& p, ByteReader&, uint16_t) { p.c_.createOther(); }},
            {kSelectObject,
             [](WmfPlayer& p, ByteReader& r, uint16_t) { p.c_.selectObject(r.u16le()); }},
            {kDeleteObject,
             [](WmfPlayer& p, ByteReader& r, uint16_t) { p.c_.deleteObject(r.u16le()); }},
            {kStretchDib, [](WmfPlayer& p, ByteReader& r, uint16_t) { p.bitmap(r, true, true); }},
            {kDibStretchBlt,
             [](WmfPlayer& p, ByteReader& r, uint16_t) { p.bitmap(r, true, false); }},
            {kDibBitBlt, [](WmfPlayer& p, ByteReader& r, uint16_t) { p.bitmap(r, false, false); }},
        };
        static const auto withAliases = [] {
            auto t = table;
            t[kEllipse] = t[kRectangle];
            t[kPolyline] = t[kPolygon];
            for (uint16_t f :
                 {kCreatePalette, kCreatePatternBrush, kCreateRegion, kDibCreatePatternBrush})
                t[f] = t[kCreateFont];
            return t;
        }();
        return withAliases;
    }

    GdiCanvas& c_;
};

struct Picture {
    int64_t width = 0, height = 0;
    bool placeable = false;
    QRectF window; // logical rectangle the picture covers
    uint32_t objects = 0;
    std::vector<Record> records;
};

Picture parse(Bytes data) {
    ByteReader r(data, kSource);
    Picture pic;
    if (r.u32le() == kPlaceableKey) {
        pic.placeable = true;
        r.u16le();
        const int l = r.i16le(), t = r.i16le(), rt = r.i16le(), b = r.i16le();
        int inch = r.u16le();
        if (inch == 0) inch = kScreenDpi;
        r.skip(6);
        pic.window = QRectF(QPointF(l, t), QPointF(rt, b));
        pic.width = (int64_t(std::abs(rt - l)) * kScreenDpi + inch / 2) / inch;
        pic.height = (int64_t(std::abs(b - t)) * kScreenDpi + inch / 2) / inch;
    } else {
        r.seek(0);
    }
    const int type = r.u16le(), headerWords = r.u16le();
    if ((type != 1 && type != 2) || headerWords != 9) r.fail(QStringLiteral("Not a WMF file"));
    r.skip(6);
    pic.objects = r.u16le();
    r.skip(6);
    for (;;) {
        const uint32_t words = r.u32le();
        const uint16_t function = r.u16le();
        if (words < 3 || uint64_t(words) * 2 - 6 > r.remaining())
            r.fail(QStringLiteral("Invalid record size at offset %1").arg(r.pos() - 6));
        pic.records.push_back({function, r.take(uint64_t(words) * 2 - 6)});
        if (function == kEof) break;
    }
    return pic;
}

class WmfCodec final : public Codec {
public:
    QString name() const override { return kSource; }
    int fileType() const override { return kFileWmf; }
    QStringList extensions() const override { return {QStringLiteral("wmf")}; }
    bool probe(Bytes d) const override {
        if (d.size() < 18) return false;
        const uint32_t key = d[0] | d[1] << 8 | d[2] << 16 | uint32_t(d[3]) << 24;
        if (key == kPlaceableKey) return true;
        return (d[0] == 1 || d[0] == 2) && d[1] == 0 && d[2] == 9 && d[3] == 0 && d[5] == 3;
    }

    DecodedFile read(Bytes data) const override {
        Picture pic = parse(data);
        if (!pic.placeable) {
            // Without the placeable header the picture's size is its window extent.
            for (const Record& rec : pic.records)
                if (rec.function == kSetWindowExt && rec.params.size() >= 4) {
                    ByteReader r(rec.params, kSource);
                    const int h = r.i16le(), w = r.i16le();
                    pic.window = QRectF(pic.window.topLeft(), QSizeF(w, h));
                    pic.width = std::abs(w);
                    pic.height = std::abs(h);
                    break;
                }
            if (!pic.width)
                throwCorrupt(QStringLiteral("The metafile does not state its size"), kSource);
        }
        GdiCanvas canvas(pic.width, pic.height, std::max<uint32_t>(pic.objects, 1), kSource);
        canvas.setScaling(true);
        canvas.setWindowOrg(pic.window.left(), pic.window.top());
        canvas.setWindowExt(pic.window.width(), pic.window.height());
        canvas.setViewportExt(double(pic.width), double(pic.height));
        WmfPlayer player(canvas);
        for (const Record& rec : pic.records) player.play(rec);
        DecodedFile out;
        out.fileType = kFileWmf;
        out.pages.append(canvas.result());
        return out;
    }

    bool canWrite() const override { return true; }
    QByteArray write(const QList<PixPage>& pages, const SaveOptions& options) const override {
        const PixPage page = pages.value(0);
        const DibData dib = [&] {
            const CodecStage rows(0, 85); // copying the bits into the file reports the rest
            return writeDib(page, {});
        }();
        const int w = page.image.width(), h = page.image.height();
        if (w > 0x7FFF || h > 0x7FFF)
            throw PixError(kErrTooLarge,
                           QStringLiteral("WMF pictures are limited to 32767 pixels a side"),
                           kSource);
        ByteWriter out;
        if (options.wmfPlaceable) {
            const uint16_t words[] = {0xCDD7,      0x9AC6,      0,          0, 0,
                                      uint16_t(w), uint16_t(h), kScreenDpi, 0, 0};
            uint16_t checksum = 0;
            for (uint16_t v : words) {
                out.u16le(v);
                checksum ^= v;
            }
            out.u16le(checksum);
        }
        const qsizetype start = out.size();
        const uint32_t dibWords = uint32_t((dib.header.size() + dib.bits.size()) / 2);
        const uint32_t stretchWords = 3 + 2 + 1 + 8 + dibWords;
        out.u16le(1);
        out.u16le(9);
        out.u16le(0x0300);
        out.u32le(0); // size in words, patched below
        out.u16le(0);
        out.u32le(stretchWords);
        out.u16le(0);
        auto record = [&out](uint16_t function, std::initializer_list<int> params) {
            out.u32le(uint32_t(3 + params.size()));
            out.u16le(function);
            for (int v : params) out.u16le(uint32_t(v));
        };
        record(kSetWindowOrg, {0, 0});
        record(kSetWindowExt, {h, w});
        out.u32le(stretchWords);
        out.u16le(kStretchDib);
        out.u32le(kSrcCopy);
        out.u16le(0); // DIB_RGB_COLORS
        for (int v : {h, w, 0, 0, h, w, 0, 0}) out.u16le(uint32_t(v));
        out.raw(dib.header);
        out.rawReported(dib.bits, 85, 100);
        record(kEof, {});
        out.patch32le(start + 6, uint32_t((out.size() - start) / 2));
        return out.bytes();
    }
};

} // namespace

std::unique_ptr<Codec> makeWmfCodec() {
    return std::make_unique<WmfCodec>();
}

} // namespace pix
