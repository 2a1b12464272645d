#pragma once

#include <QAbstractListModel>

namespace fen {

class TextListLogic;

// The rows of a text list view: one row per item of the list's logic, showing (and named by) the
// item's text. The owner calls reload() after every change of the items.
class TextListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit TextListModel(const TextListLogic& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    void reload();

private:
    const TextListLogic& list_;
};

} // namespace fen
