#include "convert_stream.h"

#include "engine/codecs/atomic_write.h"
#include "engine/codecs/input_file.h"
#include "engine/codecs/tiff_direct.h"
#include "engine/codecs/tiff_write.h"
#include "engine/image_type.h"
#include "engine/metadata.h"
#include "engine/pix_error.h"

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
// steps run on them as on a page of their own.
class BandMaker {
public:
    BandMaker(pix::tiff::TiffRowReader& reader, const catalogue::RowPlan& plan,
              const std::vector<PreparedStep>& steps)
        : reader_(reader), plan_(plan), steps_(steps) {
        image_.setSingleUse(true);
    }

    // Rows [y0, y0 + n) of the result; throws NotStreamable when they are not of `type`.
    const QImage& make(int y0, int n, std::optional<int> type) {
        const int w = plan_.source.width();
        QImage band(w, n,
                    reader_.type() == pix::kRgba ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        if (band.isNull())
            throw pix::PixError(pix::kErrTooLarge, QStringLiteral("Not enough memory"),
                                QStringLiteral("pixendra-convert"));
        for (int r = 0; r < n; ++r) {
            const int y =
                plan_.bottomUp ? plan_.source.bottom() - (y0 + r) : plan_.source.top() + y0 + r;
            reader_.readRow(y, plan_.source.left(), w, reinterpret_cast<QRgb*>(band.scanLine(r)));
        }
        pix::PixPage page;
        page.image = std::move(band);
        page.type = reader_.type();
        image_.setPage(page, kNoUndo);
        page = {}; // the image's page alone holds the pixels: the steps may change them in place
        for (const PreparedStep& step : steps_)
            if (step.entry->streams == catalogue::Streams::Bands) step.run(image_);
        const pix::PixPage& result = image_.page(0);
        const bool kept = result.image.width() == w && result.image.height() == n;
        if (!kept || (type && result.type != *type) ||
            (result.type != pix::kRgb && result.type != pix::kRgba))
            throw NotStreamable{};
        held_ = result.image;
        return held_;
    }

    int firstType() {
        make(0, 1, std::nullopt);
        return image_.page(0).type;
    }

private:
    pix::tiff::TiffRowReader& reader_;
    catalogue::RowPlan plan_;
    const std::vector<PreparedStep>& steps_;
    pix::PixImage image_;
    QImage held_;
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

    BandMaker maker(*reader, plan, steps);
    const int type = maker.firstType();
    if (!pix::tiffWritesRows(type, r.options)) return false;
    pix::RowFeed feed{
        .width = plan.source.width(),
        .height = plan.source.height(),
        .type = type,
        .stripsPerRound = stripsPerRound,
        .rows = [&](int y0, int n) { return std::pair(&maker.make(y0, n, type), 0); }};
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
