#include "platform/text/TextLine.h"

#include "platform/text/TextSystem.h"

#include <cairo.h>
#include <pango/pangocairo.h>

namespace fen::text {

TextLine::TextLine(AttributedString string) : string_(std::move(string)) {
    if (string_.text.empty()) {
        return;
    }
    PangoLayout* layout = TextSystem::newLayout(TextSystem::measuringContext(), string_,
                                                std::nullopt, std::nullopt, true);
    PangoLayoutLine* line = pango_layout_get_line_readonly(layout, 0);
    PangoRectangle ink, logical;
    pango_layout_line_get_extents(line, &ink, &logical);
    const double s = PANGO_SCALE;
    // Pango measures y down from the baseline; the line's bounds are y up.
    ink_ = {ink.x / s, -(ink.y + ink.height) / s, ink.width / s, ink.height / s};
    width_ = logical.width / s;
    ascent_ = -logical.y / s;
    descent_ = (logical.y + logical.height) / s;
    g_object_unref(layout);
}

gfx::Rect TextLine::imageBounds() const {
    return ink_;
}

double TextLine::typographicWidth() const {
    return width_;
}

double TextLine::ascent() const {
    return ascent_;
}

double TextLine::descent() const {
    return descent_;
}

void TextLine::draw(gfx::Context& context, const gfx::Point& textPosition) const {
    if (!context.isTransformInvertible() || string_.text.empty()) {
        return;
    }
    cairo_t* cr = context.cairo();
    cairo_save(cr);
    cairo_translate(cr, textPosition.x, textPosition.y);
    cairo_scale(cr, 1, -1);
    PangoLayout* layout = TextSystem::newLayout(TextSystem::drawingContext(cr), string_,
                                                std::nullopt, std::nullopt, true);
    PangoLayoutLine* line = pango_layout_get_line_readonly(layout, 0);
    TextSystem::paint(context, string_, layout, [line](cairo_t* target, bool asPath) {
        cairo_move_to(target, 0, 0);
        if (asPath) {
            pango_cairo_layout_line_path(target, line);
        } else {
            pango_cairo_show_layout_line(target, line);
        }
    });
    g_object_unref(layout);
    cairo_restore(cr);
}

} // namespace fen::text
