#include "storage/QRCodeDBModel.h"

#include "storage/FenDatabaseManager.h"

namespace fen {

QRCodeDBModel::QRCodeDBModel()
    : OptionListModel([] {
          std::vector<SPAOptions> options;
          for (const QRCodeStructure& code : FenDatabaseManager::loadQRCodes()) {
              options.push_back(SPAOptions{code.id, code.itemname});
          }
          return options;
      }) {}

void QRCodeDBModel::addQRCode(const std::string& name) {
    if (storeNewCode(name)) {
        loadOptions();
    }
}

bool QRCodeDBModel::storeNewCode(const std::string& name) {
    if (name.empty()) {
        return false;
    }
    // A new structure is an empty contact code, white with a black code.
    FenDatabaseManager::addQRCode(QRCodeStructure{.itemname = name});
    return true;
}

} // namespace fen
