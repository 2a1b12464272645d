#pragma once

#include "storage/OptionListModel.h"

namespace fen {

// The page-number panel's menu of stored formats: the "none" option, then one option per stored
// format (id, title = the format), in stored order. Created loaded (seeding the defaults on a
// fresh store); the list editor calls loadOptions() after each change of the stored list.
class PageNumberDBModel : public OptionListModel {
public:
    PageNumberDBModel();
};

} // namespace fen
