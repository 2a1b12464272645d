#include "storage/PageNumberDBModel.h"

#include "storage/FenDatabaseManager.h"

namespace fen {

PageNumberDBModel::PageNumberDBModel()
    : OptionListModel("page number formats", [] {
          Read read;
          if (std::optional<std::vector<PageNumberList>> stored =
                  FenDatabaseManager::readPageNumberList()) {
              read.options = named(*stored);
          }
          return read;
      }) {}

} // namespace fen
