#include "storage/PageNumberDBModel.h"

#include "storage/FenDatabaseManager.h"

namespace fen {

PageNumberDBModel::PageNumberDBModel()
    : OptionListModel([] { return named(FenDatabaseManager::loadPageNumberList()); }) {}

} // namespace fen
