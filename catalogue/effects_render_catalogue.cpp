#include "effects_render_catalogue.h"

#include "engine/effects_render.h"
#include "values.h"

#include <cmath>

namespace catalogue {

namespace {

namespace fx = pix::Effects;

QString t(const char* s) {
    return QString::fromLatin1(s);
}

// A preset: an entry without a dialog whose call has its arguments fixed.
Entry preset(int index, const char* title, std::function<void(pix::PixImage&)> call) {
    return {.index = index,
            .title = t(title),
            .call = [call = std::move(call)](pix::PixImage& img, const Values&) { call(img); },
            .input = Input::None};
}

Catalogue dropShadow() {
    using C = std::optional<pix::EngineColor>;
    struct Preset {
        int index;
        int x, y;
        C colour;
        double blur;
        bool grow;
    };
    const Preset presets[] = {
        {2, 10, 10, std::nullopt, 255.0, true},
        {3, 10, 10, std::nullopt, 63.0, true},
        {4, 3, 3, std::nullopt, 255.0, false},
        {5, 20, 30, pix::MakeColor(0x00FFFF, 127), 255.0, true},  // yellow
        {6, -10, 10, pix::MakeColor(0xC080FF, 127), 255.0, true}, // red 255, green 128, blue 192
    };
    std::vector<Entry> e{
        {.index = 0,
         .title = t("Drop Shadow"),
         .rows = {text(t("OffsetX:"), t("10")), text(t("OffsetY:"), t("10")),
                  text(t("Opacity:"), t("125")), colour(t("Shadow Color:"), 0x000000),
                  text(t("BlurLevel:"), t("255")), check(t("Increase Canvas:"), true)},
         .call = [](pix::PixImage& img, const Values& v) {
             fx::DropShadow(img, v.integer(0), v.integer(1), v.colour(3, v.byte(2)), v.real(4),
                            v.check(5));
         }}};
    for (const Preset& p : presets)
        e.push_back(preset(p.index, "Drop Shadow", [p](pix::PixImage& img) {
            fx::DropShadow(img, p.x, p.y, p.colour, p.blur, p.grow);
        }));
    return {"mnuEffectsDropShadow", "EffectsDropShadow", std::move(e)};
}

Catalogue gauzy() {
    const int presets[][5] = {
        {2, 50, 60, 50, 0}, {3, 50, 60, 100, 2}, {4, 50, 60, 50, 1}, {5, 20, 60, 50, 3}};
    std::vector<Entry> e{
        {.index = 0,
         .title = t("Gauzy"),
         .rows = {text(t("Blur [0..100]:"), t("20")), text(t("Sharpen [0..100]:"), t("20")),
                  text(t("Clarity [0..100]:"), t("20")),
                  list(t("Mode:"),
                       {t("Desaturated"), t("Full Color"), t("High Contrast"), t("Max"), t("Min")},
                       -1)},
         .call = [](pix::PixImage& img, const Values& v) {
             fx::Gauzy(img, v.integer(0), v.integer(1), v.integer(2), v.position(3));
         }}};
    for (const auto& p : presets)
        e.push_back(
            preset(p[0], "Gauzy", [b = p[1], s = p[2], c = p[3], m = p[4]](pix::PixImage& img) {
                fx::Gauzy(img, b, s, c, m);
            }));
    return {"mnuEffectsGauzy", "EffectsGauzy", std::move(e)};
}

// Scribble and stipple share their shape: an amount, a filter list and "Filter First".
using Render = void (*)(pix::PixImage&, int, int, bool, const QString&);
struct RenderPreset {
    int index, amount, filter;
    bool first;
};

Catalogue rendering(const char* group, const char* action, const char* title, Render render,
                    const char* amountCaption, const QStringList& filters,
                    std::initializer_list<RenderPreset> presets) {
    std::vector<Entry> e{{.index = 0,
                          .title = t(title),
                          .rows = {text(t(amountCaption), t("20")), list(t("Filter:"), filters, -1),
                                   check(t("Filter First"), false)},
                          .call = [render](pix::PixImage& img, const Values& v) {
                              render(img, v.integer(0), v.position(1), v.check(2), {});
                          }}};
    for (const RenderPreset& p : presets)
        e.push_back(preset(p.index, title, [render, p](pix::PixImage& img) {
            render(img, p.amount, p.filter, p.first, {});
        }));
    return {group, action, std::move(e)};
}

// n quarters of a (a / 4 or 3a / 4) rounded to the nearest integer, halves to even.
int quarter(int a, int n) {
    return int(std::nearbyint(a * n / 4.0));
}

Catalogue perspective() {
    using P = QPointF;
    // The four target points of each example from the working copy's width and height.
    using Targets = std::array<P, 4> (*)(int w, int h);
    const Targets rightToLeft = [](int w, int h) -> std::array<P, 4> {
        return {P(0, h - 1), P(0, 0), P(w - 1, quarter(h, 1)), P(w - 1, h - quarter(h, 1))};
    };
    const Targets bottomToTop = [](int w, int h) -> std::array<P, 4> {
        return {P(quarter(w, 1), h - quarter(h, 1)), P(0, 0), P(w - 1, 0),
                P(w - quarter(w, 1), h - quarter(h, 1))};
    };
    const Targets rightBottomToLeft = [](int w, int h) -> std::array<P, 4> {
        return {P(0, h - 1), P(0, 0), P(w - quarter(h, 1), h - 1),
                P(w - quarter(h, 1), h + quarter(h, 1))};
    };
    const Targets rightBottomToTop = [](int w, int h) -> std::array<P, 4> {
        return {P(quarter(w, 3), h - 1), P(0, 0), P(w - 1, 0), P(w - 1, h - 1)};
    };
    const std::pair<const char*, Targets> examples[] = {{"Right to Left", rightToLeft},
                                                        {"Bottom to Top", bottomToTop},
                                                        {"Right Bottom to Left", rightBottomToLeft},
                                                        {"Right Bottom to Top", rightBottomToTop},
                                                        {"Center to Left", rightToLeft},
                                                        {"Center", bottomToTop}};
    std::vector<Entry> e;
    for (int i = 0; i < 6; ++i)
        e.push_back(
            preset(i, examples[i].first, [i, targets = examples[i].second](pix::PixImage& img) {
                const int w = img.width(), h = img.height();
                const auto p = targets(w, h);
                if (i < 4) {
                    fx::Perspective(img, p[0], p[1], p[2], p[3], 1);
                    return;
                }
                // The image's corners in the order of the targets: bottom left, top left, top
                // right, bottom right.
                fx::PerspectiveEx(img, p[0], p[1], p[2], p[3], pix::MakePoint(0, h - 1),
                                  pix::MakePoint(0, 0), pix::MakePoint(w - 1, 0),
                                  pix::MakePoint(w - 1, h - 1), 0);
            }));
    return {"mnuEffectsPerspectiveExamples", "EffectsPerspectiveExamples", std::move(e)};
}

} // namespace

const std::vector<const Catalogue*>& effectsRenderCatalogues() {
    static const std::vector<Catalogue> tables = {
        dropShadow(),
        gauzy(),
        rendering("mnuEffectsScribble", "EffectsScribble", "Scribble", fx::Scribble,
                  "Line Darkness [0..100]:",
                  {t("Blurred"), t("Filtered"), t("Posterized"), t("Despeckled")},
                  {{2, 100, 0, true}, {3, 50, 1, true}, {4, 50, 2, true}, {5, 30, 3, false}}),
        rendering(
            "mnuEffectsStipple", "EffectsStipple", "Stipple", fx::Stipple, "Size [0..100]:",
            {t("Arithmetic Mean"), t("Minimum"), t("Maximum"), t("Geometric Mean"), t("Yp Mean")},
            {{2, 50, 0, true}, {3, 100, 3, true}, {4, 75, 4, true}, {5, 20, 1, false}}),
        perspective(),
    };
    static const std::vector<const Catalogue*> pointers = pointersTo(tables);
    return pointers;
}

} // namespace catalogue
