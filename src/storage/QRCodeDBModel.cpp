#include "storage/QRCodeDBModel.h"

#include "storage/FenDatabaseManager.h"

namespace fen {

QRCodeDBModel::QRCodeDBModel() {
    loadOptions();
}

void QRCodeDBModel::loadOptions() {
    std::vector<SPAOptions> options{SPAOptions::none()};
    for (const QRCodeStructure& code : FenDatabaseManager::loadQRCodes()) {
        options.push_back(SPAOptions{code.id, code.itemname});
    }
    if (options == options_) {
        return;
    }
    options_ = std::move(options);
    objectWillChange.emit();
}

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
