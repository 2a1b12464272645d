#pragma once

#include "storage/OptionListModel.h"

namespace fen {

// The page-number panel's menu of stored formats: the "none" option, then one option per stored
// format (id, title = the format), in stored order. Created reading (which seeds the defaults on
// a fresh store); the list editor changes the list through change().
class PageNumberDBModel : public OptionListModel {
public:
    PageNumberDBModel();
};

} // namespace fen
