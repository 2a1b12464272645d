#pragma once

#include "platform/foundation/Signal.h"
#include "storage/SPAOptions.h"

#include <string>
#include <vector>

namespace fen {

// The menu of stored QR codes for the image panel's QR source and the QR code creator: the
// "none" option, then one option per stored code (id, title = its itemname), in stored order.
// Created loaded (seeding the default codes on a fresh store); editors call loadOptions() after
// each change of the stored codes. Main thread only.
class QRCodeDBModel {
public:
    QRCodeDBModel();

    // Rebuilds the options from the store; replaces them and announces once only when they
    // differ.
    void loadOptions();

    // Stores a new, empty contact code with that name (untrimmed; white ground, black code) and
    // reloads, so it becomes the last option. An empty name does nothing.
    void addQRCode(const std::string& name);

    const std::vector<SPAOptions>& options() const { return options_; }
    // Sets the options without announcing.
    void setOptions(std::vector<SPAOptions> options) { options_ = std::move(options); }

    // Sent after the options were replaced by loadOptions().
    Signal<> objectWillChange;

private:
    std::vector<SPAOptions> options_;
};

} // namespace fen
