#include "storage/StampDBModel.h"

#include "storage/FenDatabaseManager.h"

namespace fen {

StampDBModel::StampDBModel()
    : OptionListModel([] { return named(FenDatabaseManager::loadStampList()); }) {}

} // namespace fen
