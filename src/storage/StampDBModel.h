#pragma once

#include "storage/OptionListModel.h"

namespace fen {

// The stamp panel's menu of stored stamp texts: the "none" option, then one option per stored
// text (id, title = the text), in stored order. Created reading (which seeds the default texts on
// a fresh store); the list editor changes the list through change().
class StampDBModel : public OptionListModel {
public:
    StampDBModel();
};

} // namespace fen
