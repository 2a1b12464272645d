#pragma once

#include "controls/PositionSelectorModel.h"

#include <QAbstractButton>
#include <QWidget>

#include <memory>
#include <vector>

class QKeyEvent;
class QPainter;
class QStackedWidget;

namespace fen {

// The picture of a cell: a small white page, 60 by 90 points, marked where a watermark at
// `position` goes (the page-parity placements show an even and an odd page). Drawn by code for
// each placement key.
void drawPositionPicture(QPainter& painter, const QRectF& page, Positions position);

// One cell of the position grid: the position's picture (white, a faint border, corners of 6)
// inside 4 points of padding, tinted black at 0.1 while pressed, and framed in the accent colour
// with corners of 9 while it is the model's selection. A click selects its position in the
// model. A push button to the accessibility tree, named by the position's translated key, with
// its selected state.
class PositionSelector_Item_View : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(bool selected READ isSelected)
public:
    PositionSelector_Item_View(PositionSelectorModel& model, Positions item,
                               QWidget* parent = nullptr);
    Positions item() const { return item_; }
    bool isSelected() const { return selected_; }
    void refresh();
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PositionSelectorModel& model_;
    Positions item_;
    bool selected_ = false;
};

// One page of the grid: its cells side by side from the leading edge, 8 points below the top.
class PositionSelector_Page_View : public QWidget {
    Q_OBJECT
public:
    PositionSelector_Page_View(PositionSelectorModel& model, const std::vector<Positions>& items,
                               QWidget* parent = nullptr);
    const std::vector<PositionSelector_Item_View*>& cells() const { return cells_; }

private:
    std::vector<PositionSelector_Item_View*> cells_;
};

// The position grid of a watermark panel over one Positions value: the offered positions four to
// a page, 144 points high, with page dots (on their background) to turn the pages. The grid does
// not turn to the page of the selection. setPosition never emits and moves the frame; a click on
// another cell emits positionEdited once; loading the offered positions writes nothing.
// To the keyboard the cells are one stop, entered at the cell last focused on the page shown:
// the arrow keys move between the cells and on across the edge of a page (which is then shown),
// Page Up and Page Down turn the pages, Space or Return chooses the focused cell. Each page dot is
// a stop of its own whose Space or Return shows its page. The grid's accessible description names
// the page shown ("Page 1 of 3").
class PositionSelectorView : public QWidget {
    Q_OBJECT
public:
    PositionSelectorView(Positions position, std::vector<Positions> items,
                         QWidget* parent = nullptr);
    ~PositionSelectorView() override;

    Positions position() const { return position_; }
    void setPosition(Positions position);
    const PositionSelectorModel& model() const { return *model_; }

    int pageCount() const;
    int currentPage() const;
    // Shows the page; the cells' keyboard stop moves onto it.
    void setCurrentPage(int page);
    // The cell that is the grid's keyboard stop.
    PositionGridPlace focusPlace() const { return focusPlace_; }
    PositionSelector_Page_View* page(int index) const;
    QAbstractButton* pageDot(int index) const;
    // The cell of `position` on any page, or none.
    PositionSelector_Item_View* cell(Positions position) const;

Q_SIGNALS:
    void positionEdited(Positions position);

protected:
    // A sideways swipe (a horizontal scroll) turns one page.
    void wheelEvent(QWheelEvent* event) override;
    // The keys of the cells and of the page dots, and the cell that takes the focus.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();
    void rebuildPages();
    void showPage(int index);
    // Makes the cell at `place` the keyboard stop, showing its page, and gives it the focus.
    void moveFocus(PositionGridPlace place);
    // Only the cell at the focus place is reached with Tab; the others take a click's focus.
    void updateTabStops();
    PositionSelector_Item_View* cellAt(PositionGridPlace place) const;
    bool cellKey(PositionSelector_Item_View* cell, const QKeyEvent& key);
    bool dotKey(QAbstractButton* dot, const QKeyEvent& key);

    std::shared_ptr<PositionSelectorModel> model_;
    Positions position_;
    std::vector<Positions> items_;
    bool loading_ = false;
    PositionPages shownPages_;
    QStackedWidget* pages_;
    QWidget* dots_;
    std::vector<QAbstractButton*> dotButtons_;
    int swipe_ = 0;
    PositionGridPlace focusPlace_;
    Connection changed_;
};

} // namespace fen
