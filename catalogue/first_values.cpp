#include "first_values.h"

#include "asks.h"
#include "channels_catalogue.h"

namespace catalogue {

FirstValues::FirstValues(const pix::PixImage& image, QString palette)
    : image_(image), palette_(std::move(palette)) {}

bool FirstValues::fill(const Entry& entry, Values& values) {
    const QString mask = alphaMaskFolder() + QStringLiteral("/Radial.png");
    if (entry.input == Input::File) values[0].text = palette_;
    for (int k = 0; k < values.size(); ++k)
        if (entry.rows[size_t(k)].kind == RowKind::File) values[k].text = mask;
    return walkAsks(entry, image_, values, [&](const Ask& a, const Row&, RowValue& v) {
        if (a.kind == AskKind::File) v.text = mask;
        if (a.kind == AskKind::YesNo) v.ticked = true;
        if (a.kind == AskKind::Prompt && v.text.isEmpty()) v.text = QStringLiteral("2");
        return true;
    });
}

} // namespace catalogue
