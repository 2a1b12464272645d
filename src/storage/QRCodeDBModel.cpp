#include "storage/QRCodeDBModel.h"

#include "storage/FenDatabaseManager.h"

namespace fen {

QRCodeDBModel::QRCodeDBModel()
    : OptionListModel("QR codes", [] {
          Read read;
          if (std::optional<std::vector<QRCodeStructure>> codes =
                  FenDatabaseManager::readQRCodes()) {
              std::vector<SPAOptions> options;
              for (const QRCodeStructure& code : *codes) {
                  options.push_back(SPAOptions{code.id, code.itemname});
              }
              read.options = std::move(options);
              read.entries = std::move(*codes);
          }
          return read;
      }) {}

void QRCodeDBModel::addQRCode(const std::string& name) {
    if (!name.empty()) {
        change([name] { return storeNewCode(name); });
    }
}

std::optional<QRCodeStructure> QRCodeDBModel::code(const std::string& id) const {
    if (const auto* codes = std::any_cast<std::vector<QRCodeStructure>>(&entries())) {
        for (const QRCodeStructure& code : *codes) {
            if (code.id == id) {
                return code;
            }
        }
    }
    return std::nullopt;
}

bool QRCodeDBModel::storeNewCode(const std::string& name) {
    if (name.empty()) {
        return false;
    }
    // A new structure is an empty contact code, white with a black code.
    return FenDatabaseManager::addQRCode(QRCodeStructure{.itemname = name});
}

} // namespace fen
