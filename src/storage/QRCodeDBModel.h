#pragma once

#include "storage/OptionListModel.h"

#include "model/QRCodeStructure.h"

#include <optional>
#include <string>

namespace fen {

// The menu of stored QR codes for the image panel's QR source and the QR code creator: the
// "none" option, then one option per stored code (id, title = its itemname), in stored order.
// Created reading (which seeds the default codes on a fresh store); editors change the codes
// through change(). The codes of the last read are kept, so a code is drawn or edited as read,
// without reading the store again.
class QRCodeDBModel : public OptionListModel {
public:
    QRCodeDBModel();

    // Stores a new, empty contact code with that name (untrimmed; white ground, black code), then
    // reads the options again, so it becomes the last option. An empty name does nothing.
    void addQRCode(const std::string& name);

    // The code `id` as the last read gave it; nothing for an identifier it did not give.
    std::optional<QRCodeStructure> code(const std::string& id) const;

    // Stores that new code without reading any model; answers whether it stored one (never for
    // an empty name).
    static bool storeNewCode(const std::string& name);
};

} // namespace fen
