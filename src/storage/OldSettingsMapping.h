#pragma once

#include "model/DBLists.h"
#include "model/FontSetting.h"
#include "model/OtherStyles.h"
#include "model/Positions.h"
#include "model/Presets.h"
#include "model/StampSettings.h"
#include "model/StampTextColor.h"
#include "model/WMAngles.h"
#include "platform/foundation/Dates.h"
#include "platform/foundation/Url.h"
#include "platform/graphics/Geometry.h"
#include "storage/OldSettingsValue.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace fen {

// How each record of the earlier version's settings file becomes a record of this version. Every
// key of an old record is optional: a missing key, or a value of another type, takes the default
// of its field, and no entry is ever dropped.
class OldSettingsMapping {
public:
    // The family and style name of an installed font.
    struct FontFace {
        std::string family;
        std::string style;
    };
    // Looks up an installed font by its name; nothing when there is none.
    using FontLookup = std::function<std::optional<FontFace>(const std::string& fontName)>;
    // Stores the picture file at a URL and gives its new image identifier; nothing when the file
    // could not be read or stored.
    using ImageSaver = std::function<std::optional<std::string>(const Url& file)>;

    // What the mapping needs from outside: the font lookup, today's midnight (the default date of
    // stamps and QR codes), the old images folder (absent when it cannot be had) and the image
    // store.
    struct Environment {
        FontLookup fontLookup;
        Date startOfToday;
        std::optional<Url> imagesFolder;
        ImageSaver saveImage;
    };

    // The colour of "ColorR", "ColorG" and "ColorB" (reals) with opacity 1; grey (0.5, 0.5, 0.5)
    // when the dictionary is absent or any of the three is missing.
    static gfx::Color colorFromOld(const OldSettingsValue* dictionary);

    // Size "FontSize" (real, default 30) truncated; the family and style of the installed font
    // named "FontName" (default "Helvetica Neue"), or "Helvetica Neue" and "Regular" when there
    // is no such font.
    static FontSetting fontSettingFromOld(const OldSettingsValue* dictionary,
                                          const FontLookup& lookup);

    // An old colour text "r g b a" (blank-separated decimal numbers) as six hex digits. Fewer than
    // four pieces give black; a piece that is not entirely a number counts as 0.
    static std::string hexColorFromOldColorString(const std::string& text);

    // Old placement and angle numbers (nothing: the value was missing or no whole number).
    static Positions textPositionFromOld(std::optional<std::int64_t> value);
    static Positions stampPositionFromOld(std::optional<std::int64_t> value);
    static Positions pageNumberPositionFromOld(std::optional<std::int64_t> value);
    static WMAngles stampAngleFromOld(std::optional<std::int64_t> value);
    static WMAngles imageAngleFromOld(std::optional<std::int64_t> value);
    static OtherStyles pageNumberStyleFromOld(std::optional<std::int64_t> value);

    // Rewrites the old page-number tags "[currentPage]", "[totalPages]", "[lastPage]" and
    // "[shortFileName]" into "#currentPage", "#totalPages", "#lastPage" and "#shortFileName".
    static std::string pageNumberTagsFromOld(std::string format);

    // A text preset from an old dictionary with "Name" and "theList" (an array of dictionaries,
    // one per text). The texts are the "WaterMarkText" of every dictionary, or none at all when
    // one of them lacks it; the settings come from the first dictionary only.
    static TextPreset textPresetFromOld(const OldSettingsValue& entry, const FontLookup& lookup);

    // The settings of a stamp preset from its old dictionary.
    static StampSettings stampSettingsFromOld(const OldSettingsValue& entry, Date startOfToday);

    // A QR code list entry; one new identifier serves the entry and its code.
    static ImageList qrCodeEntryFromOld(const OldSettingsValue& entry, Date startOfToday);

    // A page-number preset; its format text gets the new tags.
    static PageNumberPreset pageNumberPresetFromOld(const OldSettingsValue& entry,
                                                    const FontLookup& lookup);

    // An image preset. Its picture, "OriginalImage" in the images folder, is stored through the
    // environment's image saver; the identifier is empty when there is no picture or it could
    // not be stored, and the old file's URL stays in the settings. A name that is no plain file
    // name (empty, ".", "..", or with a "/") names no picture.
    static ImagePreset imagePresetFromOld(const OldSettingsValue& entry,
                                          const Environment& environment);

    // The items of an array whose every item is a dictionary; nullptr for anything else (the
    // earlier version read such a value as missing).
    static const std::vector<OldSettingsValue>* dictionaries(const OldSettingsValue* value);

    // A real truncated toward zero to a whole number; the default when it is missing, not finite
    // or out of range.
    static std::int64_t truncated(std::optional<double> value, std::int64_t fallback);
};

} // namespace fen
