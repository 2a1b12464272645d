#pragma once

#include "controls/PositionSelectorModel.h"

#include <QAbstractButton>
#include <QWidget>

#include <memory>
#include <vector>

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
    void setCurrentPage(int page);
    PositionSelector_Page_View* page(int index) const;
    QAbstractButton* pageDot(int index) const;
    // The cell of `position` on any page, or none.
    PositionSelector_Item_View* cell(Positions position) const;

Q_SIGNALS:
    void positionEdited(Positions position);

protected:
    // A sideways swipe (a horizontal scroll) turns one page.
    void wheelEvent(QWheelEvent* event) override;

private:
    void refresh();
    void rebuildPages();

    std::shared_ptr<PositionSelectorModel> model_;
    Positions position_;
    std::vector<Positions> items_;
    bool loading_ = false;
    PositionPages shownPages_;
    QStackedWidget* pages_;
    QWidget* dots_;
    std::vector<QAbstractButton*> dotButtons_;
    int swipe_ = 0;
    Connection changed_;
};

} // namespace fen
