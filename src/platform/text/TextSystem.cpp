#include "platform/text/TextSystem.h"

#include "platform/foundation/DataFolder.h"
#include "platform/foundation/Log.h"
#include "platform/text/AttributedString.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <glib.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace fen::text {

namespace {

std::once_flag configured;
bool loaded = false;

// The largest limit handed to pango, in points: its units are 1/1024 point in an int.
constexpr double largestLimit = 1e6;

std::optional<int> pangoLimit(std::optional<double> points) {
    if (!points || !std::isfinite(*points) || *points <= 0 || *points > largestLimit) {
        return std::nullopt;
    }
    return static_cast<int>(std::lround(*points * PANGO_SCALE));
}

void setUpContext(PangoContext* context) {
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
    pango_context_set_round_glyph_positions(context, FALSE);
}

// Owns one pango context per thread.
struct ThreadContext {
    PangoContext* context = nullptr;
    ~ThreadContext() {
        if (context) {
            g_object_unref(context);
        }
    }
    PangoContext* get() {
        if (!context) {
            context = pango_font_map_create_context(TextSystem::fontMap());
            setUpContext(context);
        }
        return context;
    }
};

thread_local ThreadContext measuring;
thread_local ThreadContext drawing;

} // namespace

std::filesystem::path TextSystem::configurationFile() {
    return dataFolder() / "fontconfig" / "fenmoor.conf";
}

void TextSystem::ensureConfigured() {
    std::call_once(configured, [] {
        const std::string file = configurationFile().string();
        FcConfig* config = FcConfigGetCurrent();
        loaded = config && FcConfigParseAndLoad(
                               config, reinterpret_cast<const FcChar8*>(file.c_str()), FcTrue);
        if (!loaded) {
            log::message(log::Level::warning,
                         "the font configuration " + file + " could not be loaded");
        }
    });
}

bool TextSystem::configurationLoaded() {
    ensureConfigured();
    return loaded;
}

bool TextSystem::sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return g_ascii_tolower(x) == g_ascii_tolower(y);
           });
}

std::optional<std::string> TextSystem::aliasTarget(std::string_view family) {
    // The same mapping as the shipped fontconfig file: fontconfig applies it to lookups, but its
    // family list does not name the alias, so the text layer answers for it.
    if (sameName(family, "Helvetica Neue")) {
        return std::string("Nimbus Sans");
    }
    return std::nullopt;
}

namespace {

// The pango family for a family name or alias, or null.
PangoFontFamily* findFamily(std::string_view family) {
    std::string wanted(family);
    if (auto target = TextSystem::aliasTarget(family)) {
        wanted = *target;
    }
    PangoFontFamily** families = nullptr;
    int count = 0;
    pango_font_map_list_families(TextSystem::fontMap(), &families, &count);
    PangoFontFamily* found = nullptr;
    for (int i = 0; i < count && !found; ++i) {
        if (TextSystem::sameName(pango_font_family_get_name(families[i]), wanted)) {
            found = families[i];
        }
    }
    g_free(families);
    return found;
}

// The faces of `family` that a font file provides, in the system's order.
std::vector<PangoFontFace*> realFaces(PangoFontFamily* family) {
    std::vector<PangoFontFace*> result;
    if (!family) {
        return result;
    }
    PangoFontFace** faces = nullptr;
    int count = 0;
    pango_font_family_list_faces(family, &faces, &count);
    for (int i = 0; i < count; ++i) {
        if (!pango_font_face_is_synthesized(faces[i])) {
            result.push_back(faces[i]);
        }
    }
    g_free(faces);
    return result;
}

bool isRegular(const PangoFontDescription* d) {
    return pango_font_description_get_weight(d) == PANGO_WEIGHT_NORMAL &&
           pango_font_description_get_style(d) == PANGO_STYLE_NORMAL &&
           pango_font_description_get_stretch(d) == PANGO_STRETCH_NORMAL &&
           pango_font_description_get_variant(d) == PANGO_VARIANT_NORMAL;
}

} // namespace

std::vector<std::string> TextSystem::familyNames() {
    PangoFontFamily** families = nullptr;
    int count = 0;
    pango_font_map_list_families(fontMap(), &families, &count);
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        if (!realFaces(families[i]).empty()) {
            names.emplace_back(pango_font_family_get_name(families[i]));
        }
    }
    g_free(families);
    for (const char* alias : {"Helvetica Neue"}) {
        if (!realFaces(findFamily(alias)).empty()) {
            names.emplace_back(alias);
        }
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        int order = g_ascii_strcasecmp(a.c_str(), b.c_str());
        return order != 0 ? order < 0 : a < b;
    });
    return names;
}

std::optional<std::string> TextSystem::canonicalFamily(std::string_view family) {
    PangoFontFamily* found = findFamily(family);
    if (realFaces(found).empty()) {
        return std::nullopt;
    }
    if (aliasTarget(family)) {
        return std::string("Helvetica Neue");
    }
    return std::string(pango_font_family_get_name(found));
}

std::vector<std::string> TextSystem::faceNames(std::string_view family) {
    std::vector<std::string> names;
    for (PangoFontFace* face : realFaces(findFamily(family))) {
        names.emplace_back(pango_font_face_get_face_name(face));
    }
    return names;
}

PangoFontDescription* TextSystem::faceDescription(std::string_view family, std::string_view face,
                                                  std::string* faceName) {
    std::vector<PangoFontFace*> faces = realFaces(findFamily(family));
    PangoFontFace* chosen = nullptr;
    if (face.empty()) {
        for (PangoFontFace* candidate : faces) {
            PangoFontDescription* d = pango_font_face_describe(candidate);
            bool regular = isRegular(d);
            pango_font_description_free(d);
            if (regular) {
                chosen = candidate;
                break;
            }
        }
        if (!chosen && !faces.empty()) {
            chosen = faces.front();
        }
    } else {
        for (PangoFontFace* candidate : faces) {
            if (sameName(pango_font_face_get_face_name(candidate), face)) {
                chosen = candidate;
                break;
            }
        }
    }
    if (!chosen) {
        return nullptr;
    }
    if (faceName) {
        *faceName = pango_font_face_get_face_name(chosen);
    }
    return pango_font_face_describe(chosen);
}

PangoFontMap* TextSystem::fontMap() {
    ensureConfigured();
    return pango_cairo_font_map_get_default();
}

PangoContext* TextSystem::measuringContext() {
    return measuring.get();
}

PangoContext* TextSystem::drawingContext(cairo_t* cr) {
    PangoContext* context = drawing.get();
    pango_cairo_update_context(cr, context);
    return context;
}

PangoLayout* TextSystem::newLayout(PangoContext* context, const AttributedString& string,
                                   std::optional<double> width, std::optional<double> height,
                                   bool singleParagraph) {
    PangoLayout* layout = pango_layout_new(context);
    gchar* valid = g_utf8_make_valid(string.text.data(), static_cast<gssize>(string.text.size()));
    pango_layout_set_text(layout, valid, -1);
    g_free(valid);
    pango_layout_set_font_description(layout, string.font.pangoDescription());
    PangoAttrList* attributes = pango_attr_list_new();
    pango_attr_list_insert(attributes, pango_attr_insert_hyphens_new(FALSE));
    pango_layout_set_attributes(layout, attributes);
    pango_attr_list_unref(attributes);
    pango_layout_set_single_paragraph_mode(layout, singleParagraph);
    if (auto w = pangoLimit(width)) {
        pango_layout_set_width(layout, *w);
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    }
    if (auto h = pangoLimit(height)) {
        pango_layout_set_height(layout, *h);
        pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
    }
    return layout;
}

bool TextSystem::glyphsMayOverlap(PangoLayout* layout, bool acrossRunsOnly) {
    // Each drawn glyph's ink box in layout units (y down), with its run.
    struct Box {
        long x0, y0, x1, y1;
        int run;
    };
    int runIndex = 0;
    std::vector<Box> boxes;
    PangoLayoutIter* iter = pango_layout_get_iter(layout);
    do {
        PangoLayoutRun* run = pango_layout_iter_get_run_readonly(iter);
        if (!run || !run->glyphs) {
            continue; // the end of a line
        }
        PangoRectangle logical;
        pango_layout_iter_get_run_extents(iter, nullptr, &logical);
        const long baseline = pango_layout_iter_get_baseline(iter);
        long x = logical.x;
        for (int i = 0; i < run->glyphs->num_glyphs; ++i) {
            const PangoGlyphInfo& glyph = run->glyphs->glyphs[i];
            PangoRectangle ink;
            pango_font_get_glyph_extents(run->item->analysis.font, glyph.glyph, &ink, nullptr);
            if (ink.width > 0 && ink.height > 0) {
                const long left = x + glyph.geometry.x_offset + ink.x;
                const long top = baseline + glyph.geometry.y_offset + ink.y;
                boxes.push_back({left, top, left + ink.width, top + ink.height, runIndex});
            }
            x += glyph.geometry.width;
        }
        ++runIndex;
    } while (pango_layout_iter_next_run(iter));
    pango_layout_iter_free(iter);

    std::sort(boxes.begin(), boxes.end(), [](const Box& a, const Box& b) { return a.x0 < b.x0; });
    for (size_t i = 0; i < boxes.size(); ++i) {
        for (size_t j = i + 1; j < boxes.size() && boxes[j].x0 < boxes[i].x1; ++j) {
            if (boxes[j].y0 < boxes[i].y1 && boxes[i].y0 < boxes[j].y1 &&
                !(acrossRunsOnly && boxes[i].run == boxes[j].run)) {
                return true;
            }
        }
    }
    return false;
}

void TextSystem::paint(gfx::Context& context, const AttributedString& string, PangoLayout* layout,
                       const std::function<void(cairo_t*, bool)>& render) {
    if (!context.isTransformInvertible()) {
        return;
    }
    const gfx::Color fill = string.foregroundColor.value_or(gfx::Color{0, 0, 0, 1});
    const gfx::Color stroke = string.strokeColor.value_or(fill);
    const double width = std::isfinite(string.strokeWidth) ? string.strokeWidth : 0;
    const bool fills = width <= 0;
    const bool strokes = width != 0;
    const bool single = fills != strokes;
    auto clamp = [](double v) { return std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 0.0; };
    // A translucent paint must cover each point once. One stroke of all outlines does that by
    // itself, and so does one fill of glyphs that do not meet (on a bitmap: glyphs of different
    // runs, as each run is composited through one mask): those take the alpha into their colour.
    // Overlapping glyphs, or a fill and a stroke together, are drawn opaque into a group that is
    // composited once (fill and stroke keep their own alphas inside it). A group costs a form and a
    // graphics state per drawing on a PDF, so it is made only where it is needed.
    const double paintAlpha = single ? clamp(fills ? fill.alpha : stroke.alpha) : 1.0;
    const double groupAlpha = context.alpha() * paintAlpha;
    const bool group =
        groupAlpha < 1 && !(single && context.blendMode() == gfx::BlendMode::normal &&
                            (strokes || !glyphsMayOverlap(layout, !context.isVectorTarget())));
    const double singleAlpha = group ? 1.0 : groupAlpha;

    cairo_t* cr = context.cairo();
    cairo_save(cr);
    if (group) {
        cairo_push_group(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    }
    if (fills) {
        cairo_set_source_rgba(cr, clamp(fill.red), clamp(fill.green), clamp(fill.blue),
                              single ? singleAlpha : clamp(fill.alpha));
        render(cr, false);
    }
    if (strokes) {
        cairo_set_source_rgba(cr, clamp(stroke.red), clamp(stroke.green), clamp(stroke.blue),
                              single ? singleAlpha : clamp(stroke.alpha));
        cairo_new_path(cr);
        render(cr, true);
        cairo_set_line_width(cr, std::abs(width) * string.font.pointSize() / 100);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
        cairo_stroke(cr);
    }
    if (group) {
        cairo_pop_group_to_source(cr);
        cairo_paint_with_alpha(cr, groupAlpha);
    }
    cairo_restore(cr);
}

} // namespace fen::text
