#pragma once

#include "controls/MainSettingsTab.h"
#include "controls/SegmentedPickerGeometry.h"

#include <QAbstractButton>
#include <QWidget>

#include <vector>

class QVariantAnimation;

namespace fen {

// One symbol button of the segmented tab row: the tab's symbol at 17 points, medium weight, in
// the accent colour when selected and the primary colour otherwise; shaded with the primary
// colour at 0.04 while hovered and again while pressed, inside rounded corners of 6. A page tab
// to the accessibility tree, named by the tab's title, with its selected state.
class CustomSegmentedPickerButton : public QAbstractButton {
    Q_OBJECT
public:
    CustomSegmentedPickerButton(const MainSettingsTab& tab, QWidget* parent = nullptr);
    void setSelectedTab(bool selected);
    bool isSelectedTab() const { return selected_; }
    bool isHover() const { return isHover_; }
    QSize sizeHint() const override { return QSize(40, 40); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    QString imagename_;
    bool selected_ = false;
    bool isHover_ = false;
};

// The row of symbol tabs at the top of the settings tab, 40 points high over a divider, with an
// accent bar 4 points high under the selected tab; the bar slides to a newly selected tab and
// follows the tabs' geometry whenever the row is laid out (in either layout direction). A click
// on a tab that is not selected emits selectionEdited; setSelection never emits.
class CustomSegmentedPickerView : public QWidget {
    Q_OBJECT
public:
    CustomSegmentedPickerView(int selection, std::vector<MainSettingsTab> tabs,
                              QWidget* parent = nullptr);

    int selection() const { return selection_; }
    void setSelection(int selection);
    const std::vector<MainSettingsTab>& tabs() const { return tabs_; }
    // The position of the first tab equal to `tab`, or 0.
    int position(const MainSettingsTab& tab) const;
    CustomSegmentedPickerButton* button(int position) const;
    // The bar's rectangle in this widget's coordinates.
    QRect barGeometry() const;

Q_SIGNALS:
    void selectionEdited(int selection);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QRect targetBarGeometry() const;
    void placeBar(bool animated);

    std::vector<MainSettingsTab> tabs_;
    int selection_;
    QWidget* row_;
    QWidget* bar_;
    std::vector<CustomSegmentedPickerButton*> buttons_;
    QVariantAnimation* slide_;
};

} // namespace fen
