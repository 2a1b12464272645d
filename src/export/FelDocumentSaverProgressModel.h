#pragma once

#include "platform/foundation/Signal.h"

#include <optional>
#include <string>

namespace fen {

// What the progress panel of a save shows: the output name of the file being written and how far
// its write has come. Changed on the main queue only; `changed` follows every change of the name
// or the value.
class FelDocumentSaverProgressModel {
public:
    // Whether the panel is (to be) shown; the saver keeps it, the panel's presenter follows it.
    bool isProgressPresented = false;
    // The output name of the file being written; none before the first file.
    std::optional<std::string> filename;
    // From 0 to 100 for the file being written.
    double progessValue = 0;

    Signal<> changed;

    void setFilename(std::optional<std::string> name) {
        if (filename != name) {
            filename = std::move(name);
            changed.emit();
        }
    }
    void setProgessValue(double value) {
        if (progessValue != value) {
            progessValue = value;
            changed.emit();
        }
    }
};

} // namespace fen
