// GIF through giflib: every frame becomes a page, composed on the logical screen with its
// disposal method as a viewer would show it; writing quantises each page to a palette and
// stores the pages as frames.
#include "all_codecs.h"
#include "codec_progress.h"
#include "lib_support.h"
#include "palette_quantiser.h"

#include "../image_limits.h"
#include "../image_type.h"
#include "../pix_error.h"

#include <algorithm>
#include <cstring>
#include <gif_lib.h>
#include <vector>

namespace pix {

namespace {

const QString kSource = QStringLiteral("GIF");

struct MemoryInput {
    Bytes data;
    size_t pos = 0;
};

int readFromMemory(GifFileType* gif, GifByteType* out, int n) {
    auto* in = static_cast<MemoryInput*>(gif->UserData);
    const size_t count = std::min(size_t(std::max(n, 0)), in->data.size() - in->pos);
    std::memcpy(out, in->data.data() + in->pos, count);
    in->pos += count;
    return int(count);
}

[[noreturn]] void fail(int code, const QString& what) {
    const char* text = GifErrorString(code);
    throw PixError(kErrCorruptImage,
                   text ? QStringLiteral("%1 (%2)").arg(what, QString::fromLatin1(text)) : what,
                   kSource);
}

struct GifOwner {
    GifFileType* gif = nullptr;
    explicit GifOwner(MemoryInput& input) {
        int error = 0;
        gif = DGifOpen(&input, readFromMemory, &error);
        if (!gif) fail(error, QStringLiteral("Not a readable GIF file"));
    }
    ~GifOwner() {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
    GifOwner(const GifOwner&) = delete;
    GifOwner& operator=(const GifOwner&) = delete;
};

// Composition state carried from one frame to the next.
struct Screen {
    QImage canvas;
    QImage beforeFrame; // for "restore to previous"
    GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
};

// Reads one frame's indexes, top to bottom, undoing the four-pass interlace.
std::vector<GifPixelType> readIndexes(GifFileType* gif, int width, int height, bool interlaced) {
    std::vector<GifPixelType> pixels(size_t(width) * size_t(height));
    auto readRow = [&](int y) {
        if (DGifGetLine(gif, pixels.data() + size_t(y) * size_t(width), width) != GIF_OK)
            fail(gif->Error, QStringLiteral("Cannot read a GIF frame"));
    };
    if (!interlaced) {
        for (int y = 0; y < height; ++y) {
            readRow(y);
            reportCodecRows(y + 1, height, 0, 80);
        }
        return pixels;
    }
    constexpr int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
    int done = 0;
    for (int pass = 0; pass < 4; ++pass)
        for (int y = kStart[pass]; y < height; y += kStep[pass]) {
            readRow(y);
            reportCodecRows(++done, height, 0, 80);
        }
    return pixels;
}

void drawFrame(Screen& screen, const GifImageDesc& desc, const ColorMapObject& map,
               const std::vector<GifPixelType>& pixels) {
    QImage& canvas = screen.canvas;
    const int transparent = screen.control.TransparentColor;
    for (int y = 0; y < desc.Height; ++y) {
        reportCodecRows(y, desc.Height, 80, 95);
        const int cy = desc.Top + y;
        if (cy < 0 || cy >= canvas.height()) continue;
        auto* row = reinterpret_cast<QRgb*>(canvas.scanLine(cy));
        const GifPixelType* in = pixels.data() + size_t(y) * size_t(desc.Width);
        for (int x = 0; x < desc.Width; ++x) {
            const int cx = desc.Left + x;
            if (cx < 0 || cx >= canvas.width() || in[x] == transparent) continue;
            // Indexes past the end of the colour map show as black.
            const GifColorType c =
                in[x] < map.ColorCount ? map.Colors[in[x]] : GifColorType{0, 0, 0};
            row[cx] = qRgb(c.Red, c.Green, c.Blue);
        }
    }
}

// Clears what the frame covered, or puts back what was there, as its disposal method asks.
void disposeFrame(Screen& screen, const GifImageDesc& desc) {
    if (screen.control.DisposalMode == DISPOSE_PREVIOUS) {
        screen.canvas = screen.beforeFrame;
    } else if (screen.control.DisposalMode == DISPOSE_BACKGROUND) {
        const QRect area =
            QRect(desc.Left, desc.Top, desc.Width, desc.Height) & screen.canvas.rect();
        for (int y = area.top(); y <= area.bottom(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(screen.canvas.scanLine(y));
            std::fill(row + area.left(), row + area.right() + 1, qRgba(0, 0, 0, 0));
        }
    }
    screen.control = GraphicsControlBlock{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
}

PixPage pageOf(const QImage& canvas) {
    PixPage page;
    // The exact palette pass reads every pixel again: it reports the last stretch of the frame.
    const CodecStage exactPalette(95, 100);
    if (auto indexed = toIndexedExact(canvas, true)) {
        page.image = *indexed;
        page.type = imageTypeFromFormat(page.image);
        return page;
    }
    page.type = kRgba;
    page.image = canvas;
    for (int y = 0; y < canvas.height() && page.type == kRgba; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
        if (std::all_of(row, row + canvas.width(), [](QRgb c) { return qAlpha(c) == 255; }))
            continue;
        return page;
    }
    page.type = kRgb;
    page.image = canvas.convertToFormat(QImage::Format_RGB32);
    return page;
}

void readImage(GifFileType* gif, Screen& screen, DecodedFile& file, int64_t& pixels) {
    if (DGifGetImageDesc(gif) != GIF_OK) fail(gif->Error, QStringLiteral("Bad GIF frame header"));
    const GifImageDesc desc = gif->Image;
    checkImageSize(desc.Width, desc.Height, kSource);
    checkPageCount(file.pages.size() + 1, kSource);
    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
    // A frame without any colour table (the format allows it) gets a grey ramp as wide as its
    // code size, the byte giflib read last in setting up the frame's decompression.
    std::vector<GifColorType> ramp;
    ColorMapObject greys{};
    if (!map) {
        const auto* in = static_cast<const MemoryInput*>(gif->UserData);
        const int bits = in->pos > 0 ? std::clamp(int(in->data[in->pos - 1]), 1, 8) : 8;
        const int n = 1 << bits;
        for (int i = 0; i < n; ++i) {
            const auto level = GifByteType(i * 255 / (n - 1));
            ramp.push_back({level, level, level});
        }
        greys.ColorCount = n;
        greys.BitsPerPixel = bits;
        greys.Colors = ramp.data();
        map = &greys;
    }
    // The frame's data is read before the screen is allocated, so that a damaged file fails
    // before it costs a large canvas.
    const std::vector<GifPixelType> indexes =
        readIndexes(gif, desc.Width, desc.Height, desc.Interlace);
    if (screen.canvas.isNull()) {
        // A screen of 0 x 0 (seen in the wild) takes the first frame's extent.
        const int64_t w = gif->SWidth > 0 ? gif->SWidth : int64_t(desc.Left) + desc.Width;
        const int64_t h = gif->SHeight > 0 ? gif->SHeight : int64_t(desc.Top) + desc.Height;
        screen.canvas = allocateImage(w, h, QImage::Format_ARGB32, kSource);
        screen.canvas.fill(Qt::transparent);
    }
    addPagePixels(pixels, screen.canvas.width(), screen.canvas.height(), kSource);
    if (screen.control.DisposalMode == DISPOSE_PREVIOUS) screen.beforeFrame = screen.canvas.copy();
    drawFrame(screen, desc, *map, indexes);
    file.pages.append(pageOf(screen.canvas));
    disposeFrame(screen, desc);
}

void readExtension(GifFileType* gif, Screen& screen) {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) != GIF_OK)
        fail(gif->Error, QStringLiteral("Bad GIF extension"));
    if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4)
        DGifExtensionToGCB(block[0], block + 1, &screen.control);
    while (block) {
        if (DGifGetExtensionNext(gif, &block) != GIF_OK)
            fail(gif->Error, QStringLiteral("Bad GIF extension"));
    }
}

DecodedFile decode(Bytes data) {
    MemoryInput input{data, 0};
    GifOwner owner(input);
    GifFileType* gif = owner.gif;
    DecodedFile file;
    file.fileType = kFileAuto;
    Screen screen;
    int64_t pixels = 0;
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &record) != GIF_OK) {
            // A file cut short after complete frames still shows them.
            if (!file.pages.isEmpty() && gif->Error == D_GIF_ERR_READ_FAILED) break;
            fail(gif->Error, QStringLiteral("Bad GIF record"));
        }
        if (record == TERMINATE_RECORD_TYPE) break;
        if (record == IMAGE_DESC_RECORD_TYPE)
            readImage(gif, screen, file, pixels);
        else if (record == EXTENSION_RECORD_TYPE)
            readExtension(gif, screen);
    }
    if (file.pages.isEmpty())
        throw PixError(kErrCorruptImage, QStringLiteral("The GIF file holds no image"), kSource);
    return file;
}

// ---- Writing

int writeToMemory(GifFileType* gif, const GifByteType* data, int n) {
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(data), n);
    return n;
}

[[noreturn]] void failWrite(int code) {
    const char* text = GifErrorString(code);
    throw PixError(kErrIo,
                   QStringLiteral("Cannot write the GIF file (%1)")
                       .arg(text ? QString::fromLatin1(text) : QString::number(code)),
                   kSource);
}

struct GifWriter {
    GifFileType* gif = nullptr;
    explicit GifWriter(QByteArray& out) {
        int error = 0;
        gif = EGifOpen(&out, writeToMemory, &error);
        if (!gif) failWrite(error);
        EGifSetGifVersion(gif, true);
    }
    ~GifWriter() {
        int error = 0;
        if (gif) EGifCloseFile(gif, &error);
    }
    void check(int status) const {
        if (status != GIF_OK) failWrite(gif->Error);
    }
    // Writes the trailer and frees the encoder.
    void finish() {
        int error = 0;
        const int status = EGifCloseFile(gif, &error);
        gif = nullptr;
        if (status != GIF_OK) failWrite(error);
    }
    GifWriter(const GifWriter&) = delete;
    GifWriter& operator=(const GifWriter&) = delete;
};

struct MapOwner {
    ColorMapObject* map = nullptr;
    ~MapOwner() { GifFreeMapObject(map); }
};

// The palette padded with black to the power of two GIF colour tables need (at least 2).
void makeColourMap(MapOwner& owner, const QList<QRgb>& table) {
    int size = 2;
    while (size < table.size()) size *= 2;
    std::vector<GifColorType> colours(size_t(size), GifColorType{0, 0, 0});
    for (qsizetype i = 0; i < table.size(); ++i)
        colours[size_t(i)] = {GifByteType(qRed(table[i])), GifByteType(qGreen(table[i])),
                              GifByteType(qBlue(table[i]))};
    owner.map = GifMakeMapObject(size, colours.data());
    if (!owner.map)
        throw PixError(kErrTooLarge, QStringLiteral("Not enough memory for a GIF palette"),
                       kSource);
}

// The NETSCAPE2.0 block that makes viewers loop over the frames for ever.
void putLoopExtension(GifWriter& w) {
    static const GifByteType kName[] = "NETSCAPE2.0";
    static const GifByteType kLoopForever[] = {1, 0, 0};
    w.check(EGifPutExtensionLeader(w.gif, APPLICATION_EXT_FUNC_CODE));
    w.check(EGifPutExtensionBlock(w.gif, 11, kName));
    w.check(EGifPutExtensionBlock(w.gif, 3, kLoopForever));
    w.check(EGifPutExtensionTrailer(w.gif));
}

void putFrame(GifWriter& w, const PalettedImage& frame, const ColorMapObject* localMap,
              bool severalFrames) {
    // With several frames each one is cleared after it is shown, so that the transparent pixels
    // of the next page do not let the previous page show through.
    if (frame.transparentIndex >= 0 || severalFrames) {
        GraphicsControlBlock control{
            severalFrames ? DISPOSE_BACKGROUND : DISPOSAL_UNSPECIFIED, false, 0,
            frame.transparentIndex >= 0 ? frame.transparentIndex : NO_TRANSPARENT_COLOR};
        GifByteType block[4];
        const size_t length = EGifGCBToExtension(&control, block);
        w.check(EGifPutExtension(w.gif, GRAPHICS_EXT_FUNC_CODE, int(length), block));
    }
    const QImage& pixels = frame.indexes;
    w.check(EGifPutImageDesc(w.gif, 0, 0, pixels.width(), pixels.height(), false, localMap));
    std::vector<GifPixelType> row(size_t(pixels.width()));
    for (int y = 0; y < pixels.height(); ++y) {
        std::memcpy(row.data(), pixels.constScanLine(y), row.size());
        w.check(EGifPutLine(w.gif, row.data(), pixels.width()));
        reportCodecRows(y + 1, pixels.height(), 70, 100);
    }
}

QByteArray encode(const QList<PixPage>& pages) {
    if (pages.isEmpty()) throw PixError(kErrNoImage, QStringLiteral("No image to write"), kSource);
    checkPageCount(pages.size(), kSource);
    int screenWidth = 0, screenHeight = 0;
    for (const PixPage& page : pages) {
        if (page.image.isNull())
            throw PixError(kErrNoImage, QStringLiteral("An empty page cannot be written"), kSource);
        checkImageSize(page.image.width(), page.image.height(), kSource);
        screenWidth = std::max(screenWidth, page.image.width());
        screenHeight = std::max(screenHeight, page.image.height());
    }
    QByteArray out;
    GifWriter w(out);
    const bool severalFrames = pages.size() > 1;
    for (qsizetype i = 0; i < pages.size(); ++i) {
        const PixPage& page = pages[i];
        const CodecStage pageStage(int(i * 100 / pages.size()), int((i + 1) * 100 / pages.size()));
        const PalettedImage frame = [&] {
            const CodecStage quantising(0, 70);
            return quantiseToPalette(page.image, typeHasAlpha(page.type));
        }();
        MapOwner map;
        makeColourMap(map, frame.indexes.colorTable());
        if (i == 0) {
            // The first page's palette is the global one; later pages carry their own.
            w.check(EGifPutScreenDesc(w.gif, screenWidth, screenHeight, map.map->BitsPerPixel, 0,
                                      map.map));
            if (severalFrames) putLoopExtension(w);
        }
        putFrame(w, frame, i == 0 ? nullptr : map.map, severalFrames);
    }
    w.finish();
    return out;
}

class GifCodec final : public Codec {
public:
    QString name() const override { return QStringLiteral("gif"); }
    int fileType() const override { return kFileAuto; }
    QStringList extensions() const override { return {QStringLiteral("gif")}; }
    bool probe(Bytes data) const override {
        return data.size() >= 6 && std::memcmp(data.data(), "GIF8", 4) == 0 &&
               (data[4] == '7' || data[4] == '9') && data[5] == 'a';
    }
    DecodedFile read(Bytes data) const override { return decode(data); }
    bool canWrite() const override { return true; }
    bool writesPages() const override { return true; }
    // GIF has no save options: the palette comes from each page's own colours.
    QByteArray write(const QList<PixPage>& pages, const SaveOptions&) const override {
        return encode(pages);
    }
};

} // namespace

std::unique_ptr<Codec> makeGifCodec() {
    return std::make_unique<GifCodec>();
}

} // namespace pix
