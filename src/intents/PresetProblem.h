#pragma once

#include <functional>
#include <string>

namespace fen {

// Why the stored preset an action names is left out of the files it writes.
enum class PresetProblem {
    // No stored preset of the kind has the name.
    notFound,
    // The stored presets of the kind cannot be read; the detail says why.
    unreadable,
    // An image preset whose stored picture is gone from the store.
    pictureMissing,
    // An image preset whose stored picture is neither a picture nor a PDF file.
    notAPicture,
    // An image preset whose stored picture is too large to draw; the detail is its size.
    pictureTooLarge,
};

// Told, once per run, that the preset named `name` is left out, why, and the reason's detail (the
// read error of an unreadable kind, the size of a picture too large; empty otherwise).
using PresetProblemReporter =
    std::function<void(PresetProblem problem, const std::string& name, const std::string& detail)>;

} // namespace fen
