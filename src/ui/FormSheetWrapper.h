#pragma once

#include "ui/Sheets.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QWidget;

namespace fen::ui {

// Presents content in a form sheet over the window of `parent`, driven by a flag: update(true)
// shows the sheet, update(false) dismisses it. The sheet sizes itself to its content and only the
// flag closes it: the window's close request does not, nor Escape, which runs onEscape (a sheet's
// Cancel) when there is one. Repeated updates are harmless: showing a shown sheet, or dismissing a
// hidden or leaving one, changes nothing. When a sheet has gone, onDismiss runs (the owner's flag
// turns false) and then actionOnClose, once each.
class FormSheetWrapper : public QObject {
    Q_OBJECT
public:
    // `content` builds the sheet's content inside the given sheet each time it is shown;
    // `accessibleName` names the sheet for the accessibility tree and its window title.
    FormSheetWrapper(QWidget* parent, std::function<QWidget*(QWidget* sheet)> content,
                     QString accessibleName);
    ~FormSheetWrapper() override;

    std::function<void()> onDismiss;
    std::function<void()> actionOnClose;
    // What Escape in the sheet does (its Cancel); without one, Escape leaves the sheet open.
    std::function<void()> onEscape;

    // Shows the sheet while `show`, dismisses it otherwise.
    void update(bool show);
    void show();
    void dismissSheet();

    bool isPresented() const { return !sheet_.isNull(); }
    FormSheet* sheet() const { return sheet_; }

private:
    QWidget* parent_;
    std::function<QWidget*(QWidget*)> content_;
    QString accessibleName_;
    QPointer<FormSheet> sheet_;
    bool dismissing_ = false;
};

} // namespace fen::ui
