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
    if (name.empty()) {
        return;
    }
    QRCodeStructure code;
    code.itemname = name;
    code.type = QRCodeTypes::people;
    code.backgroundColor = "#FFFFFF";
    code.foregroundColor = "#000000";
    FenDatabaseManager::addQRCode(code);
    loadOptions();
}

} // namespace fen
