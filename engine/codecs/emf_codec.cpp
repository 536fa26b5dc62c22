// Enhanced metafiles: played onto a raster at the picture's bounds; written as one
// EMR_STRETCHDIBITS record holding the page.
#include "all_codecs.h"
#include "byte_reader.h"
#include "dib.h"
#include "gdi_canvas.h"

#include <functional>
#include <unordered_map>

namespace pix {

namespace {

const QString kSource = QStringLiteral("emf");
constexpr uint32_t kSignature = 0x464D4520; // " EMF"
constexpr int kHeaderSize = 88;
constexpr int kStretchDibitsSize = 80;
constexpr uint32_t kSrcCopy = 0x00CC0020;
constexpr uint32_t kMaxHandles = 65535;

enum RecordType : uint32_t {
    kHeader = 1,
    kPolygon = 3,
    kPolyline = 4,
    kEof = 14,
    kSetWindowExt = 9,
    kSetWindowOrg = 10,
    kSetViewportExt = 11,
    kSetViewportOrg = 12,
    kSetMapMode = 17,
    kMoveTo = 27,
    kSelectObject = 37,
    kCreatePen = 38,
    kCreateBrush = 39,
    kDeleteObject = 40,
    kEllipse = 42,
    kRectangle = 43,
    kCreatePalette = 49,
    kLineTo = 54,
    kBitBlt = 76,
    kStretchBlt = 77,
    kStretchDibits = 81,
    kCreateFont = 82,
    kPolygon16 = 86,
    kPolyline16 = 87,
    kCreateMonoBrush = 93,
    kCreateDibPatternBrush = 94,
    kExtCreatePen = 95,
};

constexpr int kMapAnisotropic = 8;
constexpr int kMapIsotropic = 7;

struct Record {
    uint32_t type;
    Bytes body;   // after type and size
    Bytes record; // the whole record; DIB offsets count from its start
};

class EmfPlayer {
public:
    explicit EmfPlayer(GdiCanvas& canvas) : c_(canvas) {}

    void play(const Record& rec) {
        const auto it = handlers().find(rec.type);
        if (it == handlers().end()) return;
        ByteReader r(rec.body, kSource);
        it->second(*this, r, rec);
    }

private:
    using Handler = std::function<void(EmfPlayer&, ByteReader&, const Record&)>;

    static QPolygonF points(ByteReader& r, bool shorts) {
        r.skip(16); // bounds
        const uint32_t count = r.u32le();
        if (uint64_t(count) * (shorts ? 4 : 8) > r.remaining())
            r.fail(QStringLiteral("Invalid point count"));
        QPolygonF poly;
        poly.reserve(qsizetype(count));
        for (uint32_t i = 0; i < count; ++i) {
            const double x = shorts ? r.i16le() : r.i32le();
            poly.append(QPointF(x, shorts ? r.i16le() : r.i32le()));
        }
        return poly;
    }

    // The DIB a bitmap record carries at the given offsets inside the record.
    PixPage dibAt(const Record& rec, uint32_t offBmi, uint32_t cbBmi, uint32_t offBits,
                  uint32_t cbBits) {
        if (uint64_t(offBmi) + cbBmi > rec.record.size() ||
            uint64_t(offBits) + cbBits > rec.record.size())
            throwCorrupt(QStringLiteral("Bitmap record points outside itself"), kSource);
        ByteReader r(rec.record, kSource);
        r.seek(offBmi);
        return c_.decodeDib(r, {.bitsOffset = offBits});
    }

    void stretchDibits(ByteReader& r, const Record& rec) {
        r.skip(16);
        const int xDst = r.i32le(), yDst = r.i32le(), xSrc = r.i32le(), ySrc = r.i32le();
        const int cxSrc = r.i32le(), cySrc = r.i32le();
        const uint32_t offBmi = r.u32le(), cbBmi = r.u32le(), offBits = r.u32le(),
                       cbBits = r.u32le();
        r.u32le();
        r.u32le();
        const int cxDst = r.i32le(), cyDst = r.i32le();
        if (!cbBmi) return;
        c_.drawDib(dibAt(rec, offBmi, cbBmi, offBits, cbBits), xDst, yDst, cxDst, cyDst, xSrc, ySrc,
                   cxSrc, cySrc);
    }

    void blt(ByteReader& r, const Record& rec, bool stretch) {
        r.skip(16);
        const int xDst = r.i32le(), yDst = r.i32le(), cxDst = r.i32le(), cyDst = r.i32le();
        r.u32le(); // raster operation
        const int xSrc = r.i32le(), ySrc = r.i32le();
        r.skip(24 + 4 + 4); // source transform, background colour, colour usage
        const uint32_t offBmi = r.u32le(), cbBmi = r.u32le(), offBits = r.u32le(),
                       cbBits = r.u32le();
        int cxSrc = cxDst, cySrc = cyDst;
        if (stretch) {
            cxSrc = r.i32le();
            cySrc = r.i32le();
        }
        if (!cbBmi) {
            c_.fillRect(xDst, yDst, cxDst, cyDst); // pattern blit with the current brush
            return;
        }
        c_.drawDib(dibAt(rec, offBmi, cbBmi, offBits, cbBits), xDst, yDst, cxDst, cyDst, xSrc, ySrc,
                   cxSrc, cySrc);
    }

    static const std::unordered_map<uint32_t, Handler>& handlers() {
        using R = ByteReader;
        static const std::unordered_map<uint32_t, Handler> table = [] {
            std::unordered_map<uint32_t, Handler> t = {
                {kSetWindowExt,
                 [](EmfPlayer& p, R& r, const Record&) {
                     const int w = r.i32le();
                     p.c_.setWindowExt(w, r.i32le());
                 }},
                {kSetWindowOrg,
                 [](EmfPlayer& p, R& r, const Record&) {
                     const int x = r.i32le();
                     p.c_.setWindowOrg(x, r.i32le());
                 }},
                {kSetViewportExt,
                 [](EmfPlayer& p, R& r, const Record&) {
                     const int w = r.i32le();
                     p.c_.setViewportExt(w, r.i32le());
                 }},
                {kSetViewportOrg,
                 [](EmfPlayer& p, R& r, const Record&) {
                     const int x = r.i32le();
                     p.c_.setViewportOrg(x, r.i32le());
                 }},
                {kSetMapMode,
                 [](EmfPlayer& p, R& r, const Record&) {
                     const int mode = r.i32le();
                     p.c_.setScaling(mode == kMapAnisotropic || mode == kMapIsotropic);
                 }},
                {kMoveTo,
                 [](EmfPlayer& p, R& r, const Record&) {
                     const int x = r.i32le();
                     p.c_.moveTo(x, r.i32le());
                 }},
                {kLineTo,
                 [](EmfPlayer& p, R& r, const Record&) {
                     const int x = r.i32le();
                     p.c_.lineTo(x, r.i32le());
                 }},
                {kRectangle,
                 [](EmfPlayer& p, R& r, const Record& rec) {
                     const int l = r.i32le(), t = r.i32le(), rt = r.i32le(), b = r.i32le();
                     if (rec.type == kRectangle)
                         p.c_.rectangle(l, t, rt, b);
                     else
                         p.c_.ellipse(l, t, rt, b);
                 }},
                {kPolygon,
                 [](EmfPlayer& p, R& r, const Record& rec) {
                     const bool shorts = rec.type == kPolygon16 || rec.type == kPolyline16;
                     p.c_.polygon(points(r, shorts),
                                  rec.type == kPolygon || rec.type == kPolygon16);
                 }},
                {kCreatePen,
                 [](EmfPlayer& p, R& r, const Record&) {
                     const uint32_t slot = r.u32le(), style = r.u32le();
                     const int width = r.i32le();
                     r.i32le();
                     p.c_.createPen(int(style), width, r.u32le(), slot);
                 }},
                {kExtCreatePen,
                 [](EmfPlayer& p, R& r, const Record&) {
                     const uint32_t slot = r.u32le();
                     r.skip(16);
                     const uint32_t style = r.u32le(), width = r.u32le();
                     r.u32le();
                     p.c_.createPen(int(style), int(std::min<uint32_t>(width, 1000)), r.u32le(),
                                    slot);
                 }},
                {kCreateBrush,
                 [](EmfPlayer& p, R& r, const Record&) {
                     const uint32_t slot = r.u32le(), style = r.u32le(), color = r.u32le();
                     p.c_.createBrush(int(style), color, int(r.u32le() & 0xFF), slot);
                 }},
                {kCreateFont,
                 [](EmfPlayer& p, R& r, const Record&) { p.c_.createOther(r.u32le()); }},
                {kSelectObject,
                 [](EmfPlayer& p, R& r, const Record&) { p.c_.selectObject(r.u32le()); }},
                {kDeleteObject,
                 [](EmfPlayer& p, R& r, const Record&) { p.c_.deleteObject(r.u32le()); }},
                {kStretchDibits,
                 [](EmfPlayer& p, R& r, const Record& rec) { p.stretchDibits(r, rec); }},
                {kBitBlt, [](EmfPlayer& p, R& r,
                             const Record& rec) { p.blt(r, rec, rec.type == kStretchBlt); }},
            };
            t[kEllipse] = t[kRectangle];
            for (uint32_t f : {kPolyline, kPolygon16, kPolyline16}) t[f] = t[kPolygon];
            for (uint32_t f : {kCreatePalette, kCreateMonoBrush, kCreateDibPatternBrush})
                t[f] = t[kCreateFont];
            t[kStretchBlt] = t[kBitBlt];
            return t;
        }();
        return table;
    }

    GdiCanvas& c_;
};

class EmfCodec final : public Codec {
public:
    QString name() const override { return kSource; }
    int fileType() const override { return kFileEmf; }
    QStringList extensions() const override { return {QStringLiteral("emf")}; }
    bool probe(Bytes d) const override {
        return d.size() >= kHeaderSize && d[0] == 1 && d[1] == 0 && d[2] == 0 && d[3] == 0 &&
               d[40] == 0x20 && d[41] == 'E' && d[42] == 'M' && d[43] == 'F';
    }

    DecodedFile read(Bytes data) const override {
        ByteReader r(data, kSource);
        if (r.u32le() != kHeader) r.fail(QStringLiteral("Not an EMF file"));
        const uint32_t headerSize = r.u32le();
        const int64_t left = r.i32le(), top = r.i32le(), right = r.i32le(), bottom = r.i32le();
        r.skip(16);
        if (r.u32le() != kSignature || headerSize < kHeaderSize || headerSize > data.size())
            r.fail(QStringLiteral("Not an EMF file"));
        r.skip(12);
        r.u16le(); // handle count: often understated, so slots are checked against the limit
        GdiCanvas canvas(right - left + 1, bottom - top + 1, kMaxHandles, kSource);
        canvas.setViewportOrg(double(-left), double(-top));
        EmfPlayer player(canvas);
        r.seek(headerSize);
        for (;;) {
            const size_t start = r.pos();
            const uint32_t type = r.u32le(), size = r.u32le();
            if (size < 8 || size % 4 || size - 8 > r.remaining())
                r.fail(QStringLiteral("Invalid record size at offset %1").arg(start));
            const Bytes body = r.take(size - 8);
            if (type == kEof) break;
            player.play({type, body, data.subspan(start, size)});
        }
        DecodedFile out;
        out.fileType = kFileEmf;
        out.pages.append(canvas.result());
        return out;
    }

    bool canWrite() const override { return true; }
    QByteArray write(const QList<PixPage>& pages, const SaveOptions&) const override {
        const PixPage page = pages.value(0);
        const DibData dib = [&] {
            const CodecStage rows(0, 85); // copying the bits into the file reports the rest
            return writeDib(page, {});
        }();
        const int w = page.image.width(), h = page.image.height();
        constexpr int kDeviceDpi = 96, kDevicePixels = 1024;
        const int mmPerDevice = int(kDevicePixels * 25.4 / kDeviceDpi);
        ByteWriter out;
        // Header: bounds in pixels (inclusive), frame in 0.01 mm at 96 dpi.
        out.u32le(kHeader);
        out.u32le(kHeaderSize);
        for (int v : {0, 0, w - 1, h - 1}) out.u32le(uint32_t(v));
        for (int v : {0, 0, w * 2540 / kDeviceDpi, h * 2540 / kDeviceDpi}) out.u32le(uint32_t(v));
        out.u32le(kSignature);
        out.u32le(0x10000);
        out.u32le(0); // total bytes, patched below
        out.u32le(3);
        out.u16le(1);
        out.u16le(0);
        out.u32le(0);
        out.u32le(0);
        out.u32le(0);
        for (int v : {kDevicePixels, kDevicePixels, mmPerDevice, mmPerDevice})
            out.u32le(uint32_t(v));

        const uint32_t bmiSize = uint32_t(dib.header.size()), bitsSize = uint32_t(dib.bits.size());
        out.u32le(kStretchDibits);
        out.u32le(kStretchDibitsSize + bmiSize + bitsSize);
        for (int v : {0, 0, w - 1, h - 1, 0, 0, 0, 0, w, h}) out.u32le(uint32_t(v));
        for (uint32_t v : {uint32_t(kStretchDibitsSize), bmiSize, kStretchDibitsSize + bmiSize,
                           bitsSize, 0u, kSrcCopy})
            out.u32le(v);
        out.u32le(uint32_t(w));
        out.u32le(uint32_t(h));
        out.raw(dib.header);
        out.rawReported(dib.bits, 85, 100);

        for (uint32_t v : {uint32_t(kEof), 20u, 0u, 16u, 20u}) out.u32le(v);
        out.patch32le(48, uint32_t(out.size()));
        return out.bytes();
    }
};

} // namespace

std::unique_ptr<Codec> makeEmfCodec() {
    return std::make_unique<EmfCodec>();
}

} // namespace pix
