#include "platform/text/AttributedString.h"

#include "platform/text/TextSystem.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <cmath>

namespace fen::text {

namespace {

// Room added to a drawing box so that text measured to exactly that size neither wraps nor
// ends in an ellipsis. A drawing context whose two scales differ a little (a page drawn into
// whole pixels: 1.3775 by 1.378) lays glyphs out wider than the measuring context, by up to the
// difference of the scales, so the room grows with the size.
double slack(double length) {
    return 0.01 + length * 0.01;
}

gfx::Size logicalSize(PangoLayout* layout) {
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    return {static_cast<double>(logical.width) / PANGO_SCALE,
            static_cast<double>(logical.height) / PANGO_SCALE};
}

std::optional<double> limit(double value) {
    if (!std::isfinite(value) || value <= 0) {
        return std::nullopt;
    }
    return value;
}

void drawLayout(gfx::Context& context, const AttributedString& string, double x, double y,
                std::optional<double> width, std::optional<double> height) {
    if (!context.isTransformInvertible() || string.text.empty()) {
        return;
    }
    cairo_t* cr = context.cairo();
    cairo_save(cr);
    cairo_translate(cr, x, y);
    PangoLayout* layout =
        TextSystem::newLayout(TextSystem::drawingContext(cr), string, width, height);
    TextSystem::paint(context, string, layout, [layout](cairo_t* target, bool asPath) {
        cairo_move_to(target, 0, 0);
        if (asPath) {
            pango_cairo_layout_path(target, layout);
        } else {
            pango_cairo_show_layout(target, layout);
        }
    });
    g_object_unref(layout);
    cairo_restore(cr);
}

} // namespace

gfx::Size AttributedString::boundingSize(const gfx::Size& maximum) const {
    if (text.empty()) {
        return {0, 0};
    }
    PangoLayout* layout = TextSystem::newLayout(TextSystem::measuringContext(), *this,
                                                limit(maximum.width), limit(maximum.height));
    gfx::Size size = logicalSize(layout);
    g_object_unref(layout);
    return size;
}

gfx::Size AttributedString::size() const {
    if (text.empty()) {
        return {0, 0};
    }
    PangoLayout* layout =
        TextSystem::newLayout(TextSystem::measuringContext(), *this, std::nullopt, std::nullopt);
    gfx::Size size = logicalSize(layout);
    g_object_unref(layout);
    return size;
}

void AttributedString::draw(gfx::Context& context, const gfx::Rect& rect) const {
    gfx::Rect box = rect.standardized();
    std::optional<double> width = limit(box.width);
    if (width) {
        *width += slack(*width);
    }
    std::optional<double> height = limit(box.height);
    if (height) {
        *height += slack(*height);
    }
    drawLayout(context, *this, box.x, box.y, width, height);
}

void AttributedString::draw(const gfx::Rect& rect) const {
    if (gfx::Context* context = gfx::currentContext()) {
        draw(*context, rect);
    }
}

void AttributedString::draw(gfx::Context& context, const gfx::Point& point) const {
    drawLayout(context, *this, point.x, point.y, std::nullopt, std::nullopt);
}

void AttributedString::draw(const gfx::Point& point) const {
    if (gfx::Context* context = gfx::currentContext()) {
        draw(*context, point);
    }
}

} // namespace fen::text
