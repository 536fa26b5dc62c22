#include "convert_stream.h"

#include "engine/codecs/atomic_write.h"
#include "engine/codecs/input_file.h"
#include "engine/codecs/parallel_bands.h"
#include "engine/codecs/tiff_direct.h"
#include "engine/codecs/tiff_write.h"
#include "engine/image_type.h"
#include "engine/metadata.h"
#include "engine/pix_error.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

namespace pixcli {

namespace {

const QString kNoUndo = QStringLiteral("no undo");

// Raised when a band comes out unlike the first (another type or size): the whole-image path
// then runs.
struct NotStreamable {};

bool writesTiff(const ConvertRequest& r) {
    const pix::Codec* codec =
        r.fileType ? pix::codecForFileType(r.fileType) : pix::codecForExtension(r.output);
    return codec && codec->fileType() == pix::kFileTiff;
}

bool plainRequest(const ConvertRequest& r) {
    return !r.info && !r.append && r.markersFrom.isEmpty() && r.imageType < 0 && r.page <= 1 &&
           writesTiff(r);
}

// The steps' order this path takes: one Rows step at most, first; Bands steps after it.
bool streamableChain(const std::vector<PreparedStep>& steps) {
    for (size_t i = 0; i < steps.size(); ++i) {
        const catalogue::Streams s = steps[i].entry->streams;
        const bool rowsFirst = i == 0 && s == catalogue::Streams::Rows && steps[i].entry->rowPlan;
        if (s != catalogue::Streams::Bands && !rowsFirst) return false;
    }
    return true;
}

// The rows of the result, made a band at a time: source rows read by the plan, then the Bands
// steps run on them as on a page of their own. A band is shared out among the pool's threads,
// each with a reader and an image of its own (a libtiff handle serves one thread).
class BandMaker {
public:
    BandMaker(const QByteArray& file, const catalogue::RowPlan& plan,
              const std::vector<PreparedStep>& steps)
        : plan_(plan), steps_(steps) {
        for (int i = 0; i < pix::poolThreads(); ++i) {
            auto share = std::make_unique<Share>();
            share->reader = pix::tiff::TiffRowReader::open(file);
            if (!share->reader) throw NotStreamable{};
            share->image.setSingleUse(true);
            shares_.push_back(std::move(share));
        }
    }

    // Rows [y0, y0 + n) of the source part's stored samples, as they are.
    const std::vector<const uchar*>& copy(int y0, int n) {
        pix::tiff::TiffRowReader& reader = *shares_[0]->reader;
        const size_t pixel = size_t(reader.samplesPerPixel());
        const size_t line = size_t(plan_.source.width()) * pixel;
        copied_.resize(line * size_t(n));
        rows_.resize(size_t(n));
        for (int r = 0; r < n; ++r) {
            const uint8_t* row = reader.storedRow(sourceRow(y0 + r));
            uint8_t* out = copied_.data() + size_t(r) * line;
            std::memcpy(out, row + size_t(plan_.source.left()) * pixel, line);
            rows_[size_t(r)] = out;
        }
        return rows_;
    }

    // Rows [y0, y0 + n) of the result; throws NotStreamable when they are not of `type`.
    const std::vector<const uchar*>& make(int y0, int n, std::optional<int> type) {
        const int parts = std::clamp(n / 8, 1, int(shares_.size()));
        pix::forEachBand(parts, [&](int b) {
            const int first = pix::bandStart(n, parts, b);
            makePart(*shares_[size_t(b)], y0 + first, pix::bandStart(n, parts, b + 1) - first,
                     type);
        });
        rows_.clear();
        for (int b = 0; b < parts; ++b) {
            const Share& share = *shares_[size_t(b)];
            if (share.unlike) throw NotStreamable{};
            for (int r = 0; r < share.held.height(); ++r)
                rows_.push_back(share.held.constScanLine(r));
        }
        return rows_;
    }

    // The type of the result, from its first row.
    int firstType() {
        make(0, 1, std::nullopt);
        return shares_[0]->type;
    }

private:
    struct Share {
        std::unique_ptr<pix::tiff::TiffRowReader> reader;
        pix::PixImage image;
        QImage held;         // the rows made last
        int type = 0;        // and their page type
        bool unlike = false; // they came out unlike the first band
    };

    // The source row of result row y.
    int sourceRow(int y) const {
        return plan_.bottomUp ? plan_.source.bottom() - y : plan_.source.top() + y;
    }

    void makePart(Share& share, int y0, int n, std::optional<int> type) {
        const int w = plan_.source.width();
        pix::tiff::TiffRowReader& reader = *share.reader;
        const QImage::Format format =
            reader.type() == pix::kRgba ? QImage::Format_ARGB32 : QImage::Format_RGB32;
        // The last band's pixels, which nothing else holds now, take the new rows.
        QImage band = std::move(share.held);
        share.held = QImage();
        if (band.width() != w || band.height() != n || band.format() != format ||
            !band.isDetached())
            band = QImage(w, n, format);
        if (band.isNull())
            throw pix::PixError(pix::kErrTooLarge, QStringLiteral("Not enough memory"),
                                QStringLiteral("pixendra-convert"));
        for (int r = 0; r < n; ++r)
            reader.readRow(sourceRow(y0 + r), plan_.source.left(), w,
                           reinterpret_cast<QRgb*>(band.scanLine(r)));
        pix::PixPage page;
        page.image = std::move(band);
        page.type = reader.type();
        share.image.setPage(page, kNoUndo);
        page = {}; // the image's page alone holds the pixels: the steps may change them in place
        for (const PreparedStep& step : steps_)
            if (step.entry->streams == catalogue::Streams::Bands) step.run(share.image);
        const pix::PixPage& result = share.image.page(0);
        const bool kept = result.image.width() == w && result.image.height() == n;
        share.unlike = !kept || (type && result.type != *type) ||
                       result.image.format() != pix::tiffRowFormat(result.type);
        share.held = result.image;
        share.type = result.type;
        share.image.setPage(pix::PixPage{}, kNoUndo); // leaves share.held the pixels' only holder
    }

    catalogue::RowPlan plan_;
    const std::vector<PreparedStep>& steps_;
    std::vector<std::unique_ptr<Share>> shares_;
    std::vector<const uchar*> rows_;
    std::vector<uint8_t> copied_; // copy()'s rows
};

bool stream(const ConvertRequest& r, const std::vector<PreparedStep>& steps, int stripsPerRound) {
    const pix::InputFile file(r.input, QStringLiteral("pixendra-convert"));
    const pix::Codec* codec = pix::codecForData(file.bytes());
    if (!codec || codec->fileType() != pix::kFileTiff) return false;
    // A file with metadata is written with it, whole.
    const pix::ImageMetadata meta = pix::readMetadata(file.bytes());
    if (!meta.exifBlob.isEmpty() || !meta.iptcBlob.isEmpty() || !meta.xmpPacket.isEmpty())
        return false;
    const std::unique_ptr<pix::tiff::TiffRowReader> reader =
        pix::tiff::TiffRowReader::open(file.byteArray());
    if (!reader) return false;
    const QRect whole(0, 0, reader->width(), reader->height());
    catalogue::RowPlan plan{whole};
    if (!steps.empty() && steps.front().entry->streams == catalogue::Streams::Rows)
        plan = steps.front().entry->rowPlan(whole.size());
    if (plan.source.isEmpty() || !whole.contains(plan.source)) return false;

    BandMaker maker(file.byteArray(), plan, steps);
    // Without a step that changes pixels, rows stored as the writer stores them are copied.
    const bool copied = reader->storesAsWritten() &&
                        std::none_of(steps.begin(), steps.end(), [](const PreparedStep& s) {
                            return s.entry->streams == catalogue::Streams::Bands;
                        });
    const int type = copied ? reader->type() : maker.firstType();
    if (!pix::tiffWritesRows(type, r.options)) return false;
    pix::RowFeed feed{.width = plan.source.width(),
                      .height = plan.source.height(),
                      .type = type,
                      .stripsPerRound = stripsPerRound,
                      .stored = copied,
                      .rows = [&](int y0, int n) -> const std::vector<const uchar*>& {
                          return copied ? maker.copy(y0, n) : maker.make(y0, n, type);
                      }};
    pix::AtomicFile out(r.output);
    pix::writeTiffRows(out, feed, r.options);
    file.checkUnchanged();
    out.commit();
    return true;
}

} // namespace

bool convertStreamed(const ConvertRequest& request, const std::vector<PreparedStep>& steps,
                     int stripsPerRound) {
    if (!plainRequest(request) || !streamableChain(steps)) return false;
    try {
        return stream(request, steps, stripsPerRound);
    } catch (const NotStreamable&) {
    } catch (const pix::PixError&) {
    } catch (const std::exception&) {
    }
    return false;
}

} // namespace pixcli
