#pragma once

#include "model/OneKeyEnum.h"
#include "model/Positions.h"

#include <cstdint>
#include <optional>
#include <string>

namespace fen {

// The angle at which an image or a stamp is drawn. Every case but auto_ stands for the whole
// number of degrees in its name (dm = minus, dp = plus). auto_ ("auto" in stored JSON; the
// trailing underscore only avoids the C++ keyword) leaves the angle to the one who draws: the
// stamp picks a random angle by placement (autoAngle), the image drawer uses 0.
enum class WMAngles {
    d0,
    dm60,
    dm50,
    dm40,
    dm30,
    dm20,
    dm10,
    dp60,
    dp50,
    dp40,
    dp30,
    dp20,
    dp10,
    auto_,
};

template <> struct EnumCases<WMAngles> {
    static constexpr std::string_view typeName = "WMAngles";
    static constexpr std::array<std::string_view, 14> names = {
        "d0",   "dm60", "dm50", "dm40", "dm30", "dm20", "dm10",
        "dp60", "dp50", "dp40", "dp30", "dp20", "dp10", "auto"};
};

// The signed degrees of an angle; none for auto_.
std::optional<int> angleDegrees(WMAngles angle);

// The text of the angle picker: "-60º" with U+00BA after the digits ("0º" without a sign), and
// for auto_ the key "Auto", which the user interface translates.
std::string angleLabel(WMAngles angle);

// A random angle for a stamp whose angle is auto_, drawn afresh at every call so the stamp turns
// to a new angle each time its image is rebuilt.
int autoAngle(Positions position);
// The same with the random number given (tests and reproducible callers).
int autoAngle(Positions position, std::uint32_t random);
// The steepest angle autoAngle gives for `position`, in degrees from the horizontal (0 to 90): what
// is judged by the room a turned stamp takes must hold at every angle it may turn to.
int steepestAutoAngle(Positions position);

void to_json(Json& j, WMAngles angle);
void from_json(const Json& j, WMAngles& angle);

} // namespace fen
