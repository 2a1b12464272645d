#include "model/WMAngles.h"

#include <algorithm>
#include <cstdlib>
#include <random>

namespace fen {

std::optional<int> angleDegrees(WMAngles angle) {
    switch (angle) {
    case WMAngles::d0:
        return 0;
    case WMAngles::dm60:
        return -60;
    case WMAngles::dm50:
        return -50;
    case WMAngles::dm40:
        return -40;
    case WMAngles::dm30:
        return -30;
    case WMAngles::dm20:
        return -20;
    case WMAngles::dm10:
        return -10;
    case WMAngles::dp60:
        return 60;
    case WMAngles::dp50:
        return 50;
    case WMAngles::dp40:
        return 40;
    case WMAngles::dp30:
        return 30;
    case WMAngles::dp20:
        return 20;
    case WMAngles::dp10:
        return 10;
    case WMAngles::auto_:
        return std::nullopt;
    }
    return std::nullopt;
}

std::string angleLabel(WMAngles angle) {
    auto degrees = angleDegrees(angle);
    if (!degrees) {
        return "Auto";
    }
    return std::to_string(*degrees) + "\u00BA";
}

int autoAngle(Positions position, std::uint32_t random) {
    // Remainders on the unsigned value, sums on a signed int: no result wraps.
    const int mod15 = static_cast<int>(random % 15u);
    const int mod10 = static_cast<int>(random % 10u);
    switch (position) {
    case Positions::topleft:
    case Positions::bottomright:
        return 10 + mod15;
    case Positions::topcenter:
        return mod10 - 10;
    case Positions::topright:
        return mod15 - 10;
    case Positions::middle:
        return 10 + mod10;
    case Positions::bottomleft:
        return -(10 + mod15);
    case Positions::bottomcenter:
        return 10 - mod10;
    default:
        return 0;
    }
}

int steepestAutoAngle(Positions position) {
    // The remainders by 15 and by 10 of 0 to 29 take every pair the random numbers give.
    int steepest = 0;
    for (std::uint32_t random = 0; random < 30; ++random) {
        steepest = std::max(steepest, std::abs(autoAngle(position, random)));
    }
    return steepest;
}

int autoAngle(Positions position) {
    thread_local std::mt19937 engine{std::random_device{}()};
    return autoAngle(position, static_cast<std::uint32_t>(engine()));
}

void to_json(Json& j, WMAngles angle) {
    j = json::oneKeyObject(caseName(angle));
}

void from_json(const Json& j, WMAngles& angle) {
    angle = json::readOneKey<WMAngles>(j);
}

} // namespace fen
