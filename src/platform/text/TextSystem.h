#pragma once

#include "platform/graphics/Context.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

typedef struct _PangoContext PangoContext;
typedef struct _PangoFontMap PangoFontMap;
typedef struct _PangoLayout PangoLayout;
typedef struct _PangoFontDescription PangoFontDescription;

namespace fen::text {

struct AttributedString;

// The shared machinery of the text layer (used by its own sources only): the fontconfig file,
// the per-thread font map and pango contexts set up so that measured and drawn text agree on
// every target, layouts, and painting with fill, stroke and alpha.
class TextSystem {
public:
    // Loads data/fontconfig/fenmoor.conf into fontconfig once per process, before any font is
    // looked up. The data folder is dataFolder(): $FENMOOR_DATA_DIR when set, else the installed
    // one or, run from the build tree, the source tree's. A file that cannot be loaded is logged
    // once.
    static void ensureConfigured();
    static std::filesystem::path configurationFile();
    static bool configurationLoaded();

    // Font, family and face names compare without regard to ASCII case.
    static bool sameName(std::string_view a, std::string_view b);

    // The family whose faces stand in for `family` (the shipped alias), if it is one.
    static std::optional<std::string> aliasTarget(std::string_view family);

    // The families that have faces of their own (generic names such as "Sans" have none), with
    // the aliases whose target is present, sorted by name.
    static std::vector<std::string> familyNames();
    // The family's name as the system spells it, for a family or an alias that exists.
    static std::optional<std::string> canonicalFamily(std::string_view family);
    // The names of the family's own faces (no synthesized ones), in the system's order.
    static std::vector<std::string> faceNames(std::string_view family);
    // The description of a face (size unset), or null; the caller frees it. An empty face name
    // picks the family's regular face (or its first). `faceName` receives the face's own spelling.
    static PangoFontDescription* faceDescription(std::string_view family, std::string_view face,
                                                 std::string* faceName = nullptr);

    // This thread's font map.
    static PangoFontMap* fontMap();
    // This thread's context for measuring: unhinted metrics, unrounded glyph positions, one unit
    // per point, no target.
    static PangoContext* measuringContext();
    // This thread's context for drawing, set to the current transform and target of `cr`.
    static PangoContext* drawingContext(cairo_t* cr);

    // A new layout of `text` in `font`, for a width limit (wrapping by word, then character) and
    // a height limit with the last line truncated by an ellipsis; a limit that is not finite or not
    // above 0 is none. No hyphens are inserted at breaks. The caller unrefs it.
    static PangoLayout* newLayout(PangoContext* context, const AttributedString& string,
                                  std::optional<double> width, std::optional<double> height,
                                  bool singleParagraph = false);

    // True when the ink boxes of two glyphs of `layout` meet (kerned pairs such as "AV", lines
    // set close together); with `acrossRunsOnly`, only glyphs of different runs count. Glyphs
    // that do not meet can be painted one by one at a translucent colour without darkening
    // anywhere. A bitmap composites the glyphs of one run (one glyph-showing call) through one
    // mask, where overlaps never add up; a PDF paints each glyph on its own.
    static bool glyphsMayOverlap(PangoLayout* layout, bool acrossRunsOnly = false);

    // Paints `string` laid out as `layout` with its fill, stroke and alpha rules at the current
    // point of the context's cairo state. `render(cr, asPath)` shows the glyphs or, with
    // `asPath`, adds their outlines to the path. A translucent paint is composited as one unit:
    // glyphs that overlap do not darken where they meet. Nothing is painted while the transform
    // cannot be inverted.
    static void paint(gfx::Context& context, const AttributedString& string, PangoLayout* layout,
                      const std::function<void(cairo_t*, bool)>& render);
};

} // namespace fen::text
