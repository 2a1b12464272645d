#include "panels/TextListModel.h"

#include "panels/TextListLogic.h"

namespace fen {

TextListModel::TextListModel(const TextListLogic& list, QObject* parent)
    : QAbstractListModel(parent), list_(list) {}

int TextListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(list_.items().size());
}

QVariant TextListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole || role == Qt::ToolTipRole) {
        return QString::fromStdString(list_.items()[static_cast<std::size_t>(index.row())].text);
    }
    return {};
}

void TextListModel::reload() {
    beginResetModel();
    endResetModel();
}

} // namespace fen
