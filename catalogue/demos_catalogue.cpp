#include "demos_catalogue.h"

#include "engine/demos.h"
#include "engine/pix_error.h"
#include "values.h"

#include <utility>

namespace catalogue {

namespace {

QString t(const char* s) {
    return QString::fromLatin1(s);
}

const QString kScrambleHelp =
    t("Scrambles the pixels with a key so that the picture cannot be seen; the same key restores "
      "it. This is a demonstration, no protection for secrets.");

// The key dialog of Encrypt and Decrypt: an empty key changes nothing.
Catalogue keyed(const char* group, const char* action, const char* title, const char* caption,
                void (*run)(pix::PixImage&, const QString&, const QString&)) {
    return {group,
            action,
            {{.index = -1,
              .title = t(title),
              .rows = {text(t(caption), QString())},
              .call =
                  [run](pix::PixImage& img, const Values& v) {
                      const QString key = v[0].text;
                      if (!key.isEmpty()) run(img, key, QString());
                  },
              .target = Target::Document,
              .help = kScrambleHelp}},
            FailureStyle::NumberAndDescription};
}

Catalogue flipLines(const char* group, const char* action, bool horizontal) {
    return {group,
            action,
            {{.index = -1,
              .title = t("Flip Alternating Lines"),
              .call =
                  [horizontal](pix::PixImage& img, const Values&) {
                      const pix::ProgressFn& progress = img.progressHandler();
                      pix::RawBits bits = pix::GetBits(img, pix::progressSpan(progress, 0, 25));
                      flipAlternateLines(bits, horizontal, pix::progressSpan(progress, 25, 60));
                      pix::SetBits(img, bits, {}, pix::progressSpan(progress, 60, 100));
                  },
              .input = Input::None,
              .target = Target::Document}}};
}

} // namespace

void flipAlternateLines(pix::RawBits& bits, bool horizontal, const pix::ProgressFn& progress) {
    const int across = horizontal ? bits.width : bits.height; // length of a flipped line
    const int lines = horizontal ? bits.height : bits.width;
    for (int line = 0; line < lines; line += 2) {
        if (line % 256 == 0 && !pix::reportProgress(progress, int(int64_t(line) * 100 / lines)))
            throw pix::PixError(pix::kErrCancelled, QStringLiteral("Cancelled"),
                                QStringLiteral("Flip Alternating Lines"));
        for (int a = 0, b = across - 1; a < b; ++a, --b)
            for (int c = 0; c < bits.channels; ++c) {
                if (horizontal)
                    std::swap(bits.at(c, a, line), bits.at(c, b, line));
                else
                    std::swap(bits.at(c, line, a), bits.at(c, line, b));
            }
    }
}

const std::vector<const Catalogue*>& demosCatalogues() {
    static const std::vector<Catalogue> tables = {
        keyed("mnuDemosEncrypt", "DemosEncrypt", "Encryption",
              "Encryption Key:", &pix::Effects::Encrypt),
        keyed("mnuDemosDecrypt", "DemosDecrypt", "Decryption",
              "Decryption Key:", &pix::Effects::Decrypt),
        flipLines("mnuDemosFlipLinesH", "DemosFlipLinesH", true),
        flipLines("mnuDemosFlipLinesV", "DemosFlipLinesV", false),
        {"mnuDemosGrid",
         "DemosGrid",
         {{.index = -1,
           .title = t("Draw Color Grid"),
           .call = [](pix::PixImage& img,
                      const Values&) { pix::Effects::DrawColorGrid(img, t("Draw Color Grid")); },
           .input = Input::None,
           .target = Target::Document,
           .progressText = t("Drawing Color Grid")}}},
    };
    static const std::vector<const Catalogue*> pointers = pointersTo(tables);
    return pointers;
}

} // namespace catalogue
