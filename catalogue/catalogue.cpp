#include "catalogue.h"

#include "channels_catalogue.h"
#include "colour_adjust_catalogue.h"
#include "demos_catalogue.h"
#include "effects_catalogue.h"
#include "effects_image_catalogue.h"
#include "effects_render_catalogue.h"
#include "filters_catalogue.h"
#include "transforms_catalogue.h"

namespace catalogue {

Row text(const QString& caption, const QString& initial) {
    Row r;
    r.caption = caption;
    r.kind = RowKind::Text;
    r.text = initial;
    return r;
}

Row text(const QString& caption, Start start) {
    Row r = text(caption, QString());
    r.start = start;
    return r;
}

Row colour(const QString& caption, uint32_t bgr) {
    Row r;
    r.caption = caption;
    r.kind = RowKind::Colour;
    r.colour = bgr;
    return r;
}

Row list(const QString& caption, const QStringList& items, int selected) {
    Row r;
    r.caption = caption;
    r.kind = RowKind::List;
    r.items = items;
    r.selected = selected;
    return r;
}

Row check(const QString& caption, bool ticked) {
    Row r;
    r.caption = caption;
    r.kind = RowKind::Check;
    r.ticked = ticked;
    return r;
}

Row scroll(const QString& caption, int minimum, int maximum, int initial, int largeChange) {
    Row r = text(caption, QString::number(initial));
    r.kind = RowKind::Scroll;
    r.minimum = minimum;
    r.maximum = maximum;
    r.largeChange = largeChange;
    return r;
}

Row prompt(const QString& caption, const QString& initial, int minimum, int maximum) {
    Row r = text(caption, initial);
    r.minimum = minimum;
    r.maximum = maximum;
    r.ranged = true;
    return r;
}

Row file(const QString& caption) {
    Row r = text(caption, QString());
    r.kind = RowKind::File;
    return r;
}

const Entry* Catalogue::find(int index) const {
    for (const Entry& e : entries)
        if (e.index == index || (e.coversFollowing && index > e.index)) return &e;
    return nullptr;
}

std::vector<const Catalogue*> pointersTo(const std::vector<Catalogue>& tables) {
    std::vector<const Catalogue*> p;
    for (const Catalogue& c : tables) p.push_back(&c);
    return p;
}

const std::vector<const Catalogue*>& allCatalogues() {
    static const std::vector<const Catalogue*> registry = [] {
        std::vector<const Catalogue*> all{&effectsCatalogue()};
        for (const Catalogue* c : filtersCatalogues()) all.push_back(c);
        for (const Catalogue* c : channelsCatalogues()) all.push_back(c);
        for (const Catalogue* c : colourAdjustCatalogues()) all.push_back(c);
        for (const Catalogue* c : effectsRenderCatalogues()) all.push_back(c);
        for (const Catalogue* c : effectsImageCatalogues()) all.push_back(c);
        all.push_back(&transformsCatalogue());
        for (const Catalogue* c : demosCatalogues()) all.push_back(c);
        return all;
    }();
    return registry;
}

const Catalogue* catalogueOfAction(const QString& actionName) {
    for (const Catalogue* c : allCatalogues())
        if (actionName == QLatin1String(c->actionName)) return c;
    return nullptr;
}

} // namespace catalogue
