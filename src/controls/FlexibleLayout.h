#pragma once

#include <QLayout>
#include <QList>

namespace fen {

// The wrapping layout: its items left to right at their size hints, wrapped onto as many rows as
// the width needs (computeRows), rows `spacing` apart and aligned to the leading edge (rows fill
// from the right under a right-to-left layout direction, the first item rightmost). An empty
// row takes no height. The height follows the width (heightForWidth).
class FlexibleLayout : public QLayout {
    Q_OBJECT
public:
    explicit FlexibleLayout(QWidget* parent = nullptr, int spacing = 5);
    ~FlexibleLayout() override;

    void addItem(QLayoutItem* item) override;
    int count() const override { return static_cast<int>(items_.size()); }
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    void setGeometry(const QRect& rect) override;
    Qt::Orientations expandingDirections() const override { return {}; }

    // The item positions of each row for a width, as the layout places them.
    std::vector<std::vector<std::size_t>> rows(int width) const;
    // Removes and deletes every item and its widget.
    void clear();

private:
    int place(const QRect& rect, bool apply) const;

    QList<QLayoutItem*> items_;
};

} // namespace fen
