#pragma once

#include <QString>
#include <QWidget>

#include <functional>

class QLabel;

namespace fen {

class StyledButton;

// The title bar and closing buttons of the program's sheets. Each modifier wraps the sheet's root
// view in a widget with a title row over it; `isPresented` is the presenter's flag, set to false
// to close the sheet. Keyboard equivalents act in the whole sheet window.

// "Done" at the trailing end (also Escape); the title shown as given.
class SheetDoneButtonModifier : public QWidget {
    Q_OBJECT
public:
    SheetDoneButtonModifier(QWidget* content, const QString& title,
                            std::function<void(bool)> isPresented, QWidget* parent = nullptr);
    StyledButton* doneButton() const { return done_; }

private:
    StyledButton* done_;
};

// A round close button with the "xmark" symbol at the trailing end (also Escape); no title. It
// calls `dismiss`, whatever presentation that belongs to.
class SheetSettingCloseButtonModifier : public QWidget {
    Q_OBJECT
public:
    SheetSettingCloseButtonModifier(QWidget* content, std::function<void()> dismiss,
                                    QWidget* parent = nullptr);
    QWidget* closeButton() const { return close_; }

private:
    QWidget* close_;
};

// "Cancel" at the leading end (also Escape) and "Open" at the trailing end (also Return); the
// title translated. "Open" runs `actionValidate` and then closes; while not enabled it is drawn at
// half opacity and ignores clicks and Return.
class SheetCancelOpenButtonModifier : public QWidget {
    Q_OBJECT
public:
    SheetCancelOpenButtonModifier(QWidget* content, const QString& title,
                                  std::function<void(bool)> isPresented, bool isOpenButtonEnabled,
                                  std::function<void()> actionValidate, QWidget* parent = nullptr);
    void setOpenButtonEnabled(bool enabled);
    QWidget* cancelButton() const { return cancel_; }
    StyledButton* openButton() const { return open_; }

private:
    QWidget* cancel_;
    StyledButton* open_;
    bool isOpenButtonEnabled_;
};

} // namespace fen
