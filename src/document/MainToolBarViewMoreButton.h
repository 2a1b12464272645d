#pragma once

#include "controls/ToolBarViewButton.h"

#include <QPointer>

#include <memory>

#include <QFrame>

namespace fen {

class FenWatermarkModel;
class KvToggle;

// The width class of the space a window offers; the desktop's is regular.
enum class HorizontalSizeClass { regular, compact };

// The toolbar's More button: a popover under it with the three save options of the window's
// model ("Overwrite Original", "Secure Saving", "Password Protected"). Each time the popover
// opens it loads its switches from the model and, for the overwrite choice, from the stored
// "overWrite" setting; a loaded value that differs from the switch runs that switch's change,
// as the user's flip does, so the stored overwrite choice reaches the model here. The overwrite
// choice is stored for every window; the other two stay with this window's model. In the compact
// width class the options sit in a form with the "xmark" close button.
class MainToolBarViewMoreButton : public ToolBarViewButton {
    Q_OBJECT
public:
    MainToolBarViewMoreButton(std::shared_ptr<FenWatermarkModel> model,
                              HorizontalSizeClass sizeClass = HorizontalSizeClass::regular,
                              QWidget* parent = nullptr);
    ~MainToolBarViewMoreButton() override;

    bool isPresented() const { return popover_ && popover_->isVisible(); }
    // Opens the popover when closed, closes it when open (the button's action).
    void togglePresented();
    // Closes the popover (its own dismissal).
    void dismiss();
    QFrame* popover() const { return popover_; }
    KvToggle* toggle(const QString& title) const;

    // Stores the overwrite choice for every window.
    static void setOverwrite(bool value);

private:
    void loadOptions();
    void changeOverwrite(bool value);
    void changeSecure(bool value);
    void changePassword(bool value);

    std::shared_ptr<FenWatermarkModel> model_;
    HorizontalSizeClass sizeClass_;
    QPointer<QFrame> popover_;
    bool isSecure_ = false;
    bool isPassword_ = false;
    bool isOverwrite_ = false;
};

} // namespace fen
