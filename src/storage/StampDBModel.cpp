#include "storage/StampDBModel.h"

#include "storage/FenDatabaseManager.h"

namespace fen {

StampDBModel::StampDBModel()
    : OptionListModel("stamp texts", [] {
          Read read;
          if (std::optional<std::vector<StampList>> stored = FenDatabaseManager::readStampList()) {
              read.options = named(*stored);
          }
          return read;
      }) {}

} // namespace fen
