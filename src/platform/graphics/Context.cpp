#include "platform/graphics/Context.h"

#include "platform/graphics/Image.h"
#include "platform/graphics/ImagePlacer.h"

#include <cairo.h>

#include <cmath>
#include <vector>

namespace fen::gfx {

namespace {

cairo_matrix_t toCairo(const AffineTransform& t) {
    cairo_matrix_t m;
    cairo_matrix_init(&m, t.a, t.b, t.c, t.d, t.tx, t.ty);
    return m;
}

bool isUsable(const cairo_matrix_t& m) {
    const double v[] = {m.xx, m.yx, m.xy, m.yy, m.x0, m.y0};
    for (double x : v) {
        if (!std::isfinite(x)) {
            return false;
        }
    }
    cairo_matrix_t copy = m;
    return cairo_matrix_invert(&copy) == CAIRO_STATUS_SUCCESS;
}

cairo_operator_t toOperator(BlendMode mode) {
    switch (mode) {
    case BlendMode::colorBurn:
        return CAIRO_OPERATOR_COLOR_BURN;
    case BlendMode::sourceIn:
        return CAIRO_OPERATOR_IN;
    case BlendMode::normal:
        break;
    }
    return CAIRO_OPERATOR_OVER;
}

cairo_filter_t toFilter(InterpolationQuality q) {
    switch (q) {
    case InterpolationQuality::none:
        return CAIRO_FILTER_NEAREST;
    case InterpolationQuality::high:
        return CAIRO_FILTER_BEST;
    case InterpolationQuality::defaultQuality:
        break;
    }
    return CAIRO_FILTER_GOOD;
}

double clamp01(double v) {
    return std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 0.0;
}

thread_local std::vector<Context*> contextStack;

// Runs `paint` on a path of just `r`, then puts back the path that was being built, so that
// the rectangle operations leave the current path alone.
template <typename Paint> void paintRectKeepingPath(cairo_t* cr, const Rect& r, Paint&& paint) {
    cairo_path_t* path = cairo_copy_path(cr);
    cairo_new_path(cr);
    cairo_rectangle(cr, r.x, r.y, r.width, r.height);
    paint();
    cairo_append_path(cr, path);
    cairo_path_destroy(path);
}

} // namespace

struct Context::Impl {
    // The part of the graphics state that cairo does not keep, or keeps differently.
    struct State {
        double alpha = 1;
        Color fill{0, 0, 0, 1};
        Color stroke{0, 0, 0, 1};
        BlendMode blend = BlendMode::normal;
        InterpolationQuality interpolation = InterpolationQuality::defaultQuality;
        bool antialias = true;
        // Set while the transform is singular: the user-to-device matrix cairo cannot hold.
        bool singular = false;
        cairo_matrix_t singularMatrix{};
        // The entry was pushed by beginTransparencyLayer rather than saveGState.
        bool layer = false;
    };

    cairo_t* cr = nullptr;
    double height = 0;
    cairo_matrix_t baseInverse{}; // device → the y-up base space
    State state;
    std::vector<State> saved;

    cairo_matrix_t userToDevice() const {
        if (state.singular) {
            return state.singularMatrix;
        }
        cairo_matrix_t m;
        cairo_get_matrix(cr, &m);
        return m;
    }

    // Applies `t` to points before the current transform.
    void prepend(const cairo_matrix_t& t) {
        cairo_matrix_t current = userToDevice();
        cairo_matrix_t next;
        cairo_matrix_multiply(&next, &t, &current);
        if (!state.singular && isUsable(next)) {
            cairo_set_matrix(cr, &next);
            return;
        }
        state.singular = true;
        state.singularMatrix = next;
    }

    void setSource(const Color& c) {
        cairo_set_source_rgba(cr, clamp01(c.red), clamp01(c.green), clamp01(c.blue),
                              clamp01(c.alpha) * state.alpha);
    }

    void roundedRect(const Rect& rect, double cw, double ch, bool reversed) {
        if (state.singular) {
            return;
        }
        Rect r = rect.standardized();
        double rw = std::clamp(std::isfinite(cw) ? cw : 0.0, 0.0, r.width / 2);
        double rh = std::clamp(std::isfinite(ch) ? ch : 0.0, 0.0, r.height / 2);
        if (rw <= 0 || rh <= 0) {
            reversed ? reversedRect(r) : cairo_rectangle(cr, r.x, r.y, r.width, r.height);
            return;
        }
        // Corner centres counter-clockwise from the bottom left (y up), with each corner's arc.
        struct Corner {
            double cx, cy, from;
        };
        const Corner corners[4] = {{r.maxX() - rw, r.minY() + rh, -M_PI / 2},
                                   {r.maxX() - rw, r.maxY() - rh, 0},
                                   {r.minX() + rw, r.maxY() - rh, M_PI / 2},
                                   {r.minX() + rw, r.minY() + rh, M_PI}};
        cairo_new_sub_path(cr);
        for (int i = 0; i < 4; ++i) {
            const Corner& k = corners[reversed ? 3 - i : i];
            cairo_save(cr);
            cairo_translate(cr, k.cx, k.cy);
            cairo_scale(cr, rw, rh);
            if (reversed) {
                cairo_arc_negative(cr, 0, 0, 1, k.from + M_PI / 2, k.from);
            } else {
                cairo_arc(cr, 0, 0, 1, k.from, k.from + M_PI / 2);
            }
            cairo_restore(cr);
        }
        cairo_close_path(cr);
    }

    void reversedRect(const Rect& r) {
        cairo_move_to(cr, r.x, r.y);
        cairo_line_to(cr, r.x, r.y + r.height);
        cairo_line_to(cr, r.x + r.width, r.y + r.height);
        cairo_line_to(cr, r.x + r.width, r.y);
        cairo_close_path(cr);
    }
};

Context::Context(cairo_t* cr, double height) : d_(std::make_unique<Impl>()) {
    d_->cr = cairo_reference(cr);
    d_->height = height;
    cairo_save(cr);
    cairo_translate(cr, 0, height);
    cairo_scale(cr, 1, -1);
    cairo_get_matrix(cr, &d_->baseInverse);
    cairo_matrix_invert(&d_->baseInverse);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    cairo_new_path(cr);
}

Context::~Context() {
    while (!d_->saved.empty()) {
        if (d_->saved.back().layer) {
            endTransparencyLayer();
        } else {
            restoreGState();
        }
    }
    cairo_restore(d_->cr);
    cairo_destroy(d_->cr);
}

void Context::saveGState() {
    d_->saved.push_back(d_->state);
    d_->saved.back().layer = false;
    cairo_save(d_->cr);
}

void Context::restoreGState() {
    // A restore without a matching save (or across an open transparency layer) is ignored.
    if (d_->saved.empty() || d_->saved.back().layer) {
        return;
    }
    d_->state = d_->saved.back();
    d_->saved.pop_back();
    cairo_restore(d_->cr);
}

void Context::translateBy(double x, double y) {
    cairo_matrix_t m;
    cairo_matrix_init_translate(&m, x, y);
    d_->prepend(m);
}

void Context::rotateBy(double radians) {
    cairo_matrix_t m;
    cairo_matrix_init_rotate(&m, radians);
    d_->prepend(m);
}

void Context::scaleBy(double sx, double sy) {
    cairo_matrix_t m;
    cairo_matrix_init_scale(&m, sx, sy);
    d_->prepend(m);
}

void Context::concatCTM(const AffineTransform& t) {
    d_->prepend(toCairo(t));
}

AffineTransform Context::getCTM() const {
    cairo_matrix_t m = d_->userToDevice();
    cairo_matrix_t t;
    cairo_matrix_multiply(&t, &m, &d_->baseInverse);
    return {t.xx, t.yx, t.xy, t.yy, t.x0, t.y0};
}

bool Context::isTransformInvertible() const {
    return !d_->state.singular;
}

void Context::setAlpha(double alpha) {
    d_->state.alpha = clamp01(alpha);
}

double Context::alpha() const {
    return d_->state.alpha;
}

void Context::setBlendMode(BlendMode mode) {
    d_->state.blend = mode;
    cairo_set_operator(d_->cr, toOperator(mode));
}

void Context::setInterpolationQuality(InterpolationQuality q) {
    d_->state.interpolation = q;
}

void Context::setShouldAntialias(bool on) {
    d_->state.antialias = on;
    cairo_set_antialias(d_->cr, on ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
}

BlendMode Context::blendMode() const {
    return d_->state.blend;
}

InterpolationQuality Context::interpolationQuality() const {
    return d_->state.interpolation;
}

bool Context::shouldAntialias() const {
    return d_->state.antialias;
}

void Context::setFillColor(const Color& c) {
    d_->state.fill = c;
}

void Context::setStrokeColor(const Color& c) {
    d_->state.stroke = c;
}

void Context::setLineWidth(double w) {
    if (std::isfinite(w) && w >= 0) {
        cairo_set_line_width(d_->cr, w);
    }
}

void Context::beginPath() {
    cairo_new_path(d_->cr);
}

void Context::addRect(const Rect& r) {
    if (!d_->state.singular) {
        cairo_rectangle(d_->cr, r.x, r.y, r.width, r.height);
    }
}

void Context::addRoundedRect(const Rect& r, double cornerWidth, double cornerHeight) {
    d_->roundedRect(r, cornerWidth, cornerHeight, false);
}

void Context::addReversedRoundedRect(const Rect& r, double cornerWidth, double cornerHeight) {
    d_->roundedRect(r, cornerWidth, cornerHeight, true);
}

void Context::addReversedRect(const Rect& r) {
    if (!d_->state.singular) {
        d_->reversedRect(r);
    }
}

void Context::fillPath() {
    d_->setSource(d_->state.fill);
    cairo_set_fill_rule(d_->cr, CAIRO_FILL_RULE_WINDING);
    cairo_fill(d_->cr);
}

void Context::strokePath() {
    if (d_->state.singular) {
        cairo_new_path(d_->cr);
        return;
    }
    d_->setSource(d_->state.stroke);
    cairo_stroke(d_->cr);
}

void Context::clip() {
    if (d_->state.singular) {
        cairo_new_path(d_->cr);
        cairo_rectangle(d_->cr, 0, 0, 0, 0);
    }
    cairo_set_fill_rule(d_->cr, CAIRO_FILL_RULE_WINDING);
    cairo_clip(d_->cr);
}

void Context::clipToRect(const Rect& r) {
    cairo_new_path(d_->cr);
    addRect(r);
    clip();
}

void Context::fillRect(const Rect& r) {
    if (d_->state.singular) {
        return;
    }
    paintRectKeepingPath(d_->cr, r, [&] { fillPath(); });
}

void Context::strokeRect(const Rect& r) {
    if (d_->state.singular) {
        return;
    }
    paintRectKeepingPath(d_->cr, r, [&] { strokePath(); });
}

void Context::drawImage(const Image& image, const Rect& rect) {
    const int iw = image.width(), ih = image.height();
    if (image.isNull() || iw <= 0 || ih <= 0 || d_->state.singular) {
        return;
    }
    if (!std::isfinite(rect.x) || !std::isfinite(rect.y) || !std::isfinite(rect.width) ||
        !std::isfinite(rect.height) || rect.width == 0 || rect.height == 0) {
        return;
    }
    cairo_t* cr = d_->cr;
    cairo_save(cr);
    // Row 0 of the image is its top: map it to the rectangle's top edge in y-up space.
    cairo_matrix_t place;
    cairo_matrix_init(&place, rect.width / iw, 0, 0, -rect.height / ih, rect.x,
                      rect.y + rect.height);
    cairo_matrix_t current;
    cairo_get_matrix(cr, &current);
    cairo_matrix_t next;
    cairo_matrix_multiply(&next, &place, &current);
    if (!isUsable(next)) {
        cairo_restore(cr);
        return;
    }
    cairo_set_matrix(cr, &next);
    // A write's recording places the image itself, its pixels compressed once.
    if (ImagePlacer* placer = ImagePlacer::of(cr);
        placer && d_->state.blend == BlendMode::normal &&
        placer->placeImage(image, cr, d_->state.alpha, d_->state.interpolation)) {
        cairo_restore(cr);
        return;
    }
    cairo_new_path(cr);
    cairo_rectangle(cr, 0, 0, iw, ih);
    cairo_clip(cr);
    cairo_set_source_surface(cr, image.cairoSurface(), 0, 0);
    cairo_pattern_t* pattern = cairo_get_source(cr);
    cairo_pattern_set_filter(pattern, toFilter(d_->state.interpolation));
    // PAD keeps scaled edges crisp on bitmaps; on vector targets it would make cairo rasterise a
    // padded copy of the image per use, so the image is embedded as it is.
    cairo_pattern_set_extend(pattern, isVectorTarget() ? CAIRO_EXTEND_NONE : CAIRO_EXTEND_PAD);
    cairo_paint_with_alpha(cr, d_->state.alpha);
    cairo_restore(cr);
}

void Context::beginTransparencyLayer() {
    d_->saved.push_back(d_->state);
    d_->saved.back().layer = true;
    d_->state.alpha = 1;
    d_->state.blend = BlendMode::normal;
    cairo_push_group(d_->cr);
    cairo_set_operator(d_->cr, CAIRO_OPERATOR_OVER);
}

void Context::endTransparencyLayer() {
    auto& saved = d_->saved;
    bool open = false;
    for (const auto& s : saved) {
        open = open || s.layer;
    }
    if (!open) {
        return;
    }
    while (!saved.back().layer) {
        restoreGState();
    }
    d_->state = saved.back();
    d_->state.layer = false;
    saved.pop_back();
    cairo_pop_group_to_source(d_->cr);
    cairo_set_operator(d_->cr, toOperator(d_->state.blend));
    if (!d_->state.singular) {
        cairo_paint_with_alpha(d_->cr, d_->state.alpha);
    }
}

cairo_t* Context::cairo() const {
    return d_->cr;
}

double Context::height() const {
    return d_->height;
}

bool Context::isVectorTarget() const {
    cairo_surface_type_t type = cairo_surface_get_type(cairo_get_target(d_->cr));
    return type != CAIRO_SURFACE_TYPE_IMAGE;
}

void pushContext(Context& ctx) {
    contextStack.push_back(&ctx);
}

void popContext() {
    if (!contextStack.empty()) {
        contextStack.pop_back();
    }
}

Context* currentContext() {
    return contextStack.empty() ? nullptr : contextStack.back();
}

} // namespace fen::gfx
