#pragma once

#include "controls/BackgroundForegroundModel.h"
#include "controls/ButtonStyles.h"

#include <QWidget>

#include <cstdint>
#include <memory>

namespace fen {

// One button of the layer selector: its symbol in a row-wide rectangle 32 points high that takes
// clicks everywhere, in the selector style (the chosen one on the accent colour, symbol white).
// A click chooses its index in the model. A push button to the accessibility tree, with its
// selected state.
class BackgroundForeground_Selector_Button : public StyledButton {
    Q_OBJECT
    Q_PROPERTY(bool selected READ isSelected)
public:
    BackgroundForeground_Selector_Button(BackgroundForegroundModel& model, std::int64_t idx,
                                         const QString& imagename, const QString& name,
                                         QWidget* parent = nullptr);
    bool isSelected() const { return isSelectedLook(); }
    void refresh();
    QSize sizeHint() const override { return QSize(40, 32); }

private:
    BackgroundForegroundModel& model_;
    std::int64_t idx_;
};

// The row of the two layer buttons, inset by 4 points above and below: "Behind" (bottom layer
// filled) then "In Front" (top layer filled).
class BackgroundForeground_Selector_View : public QWidget {
    Q_OBJECT
public:
    explicit BackgroundForeground_Selector_View(BackgroundForegroundModel& model,
                                                QWidget* parent = nullptr);
    BackgroundForeground_Selector_Button* button(std::int64_t idx) const {
        return idx == 0 ? behind_ : front_;
    }

private:
    BackgroundForeground_Selector_Button* behind_;
    BackgroundForeground_Selector_Button* front_;
    Connection changed_;
};

// The layer selector of a watermark panel over its in-background flag: index 0 is the flag true,
// index 1 false. setIsInBackground never emits; a click on the other button emits
// isInBackgroundEdited with the new flag, a click on the chosen one nothing.
class BackgroundForegroundView : public QWidget {
    Q_OBJECT
public:
    explicit BackgroundForegroundView(bool isInBackground, QWidget* parent = nullptr);
    ~BackgroundForegroundView() override;

    bool isInBackground() const { return isInBackground_; }
    void setIsInBackground(bool isInBackground);
    const BackgroundForegroundModel& model() const { return *model_; }
    BackgroundForeground_Selector_View* selector() const { return selector_; }

Q_SIGNALS:
    void isInBackgroundEdited(bool isInBackground);

private:
    std::unique_ptr<BackgroundForegroundModel> model_;
    bool isInBackground_;
    BackgroundForeground_Selector_View* selector_;
    Connection changed_;
};

} // namespace fen
