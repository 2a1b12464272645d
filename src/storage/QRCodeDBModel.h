#pragma once

#include "storage/OptionListModel.h"

#include <string>

namespace fen {

// The menu of stored QR codes for the image panel's QR source and the QR code creator: the
// "none" option, then one option per stored code (id, title = its itemname), in stored order.
// Created loaded (seeding the default codes on a fresh store); editors call loadOptions() after
// each change of the stored codes.
class QRCodeDBModel : public OptionListModel {
public:
    QRCodeDBModel();

    // Stores a new, empty contact code with that name (untrimmed; white ground, black code) and
    // reloads, so it becomes the last option. An empty name does nothing.
    void addQRCode(const std::string& name);

    // Stores that new code without reloading any model; answers whether it stored one (never for
    // an empty name).
    static bool storeNewCode(const std::string& name);
};

} // namespace fen
