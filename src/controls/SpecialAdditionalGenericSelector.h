#pragma once

#include "storage/SPAOptions.h"

#include <QDialog>
#include <QPointer>
#include <QToolButton>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QAction;
class QMenu;

namespace fen {

// The chevron of a generic option selector: a tool button whose menu is its accessible child, so
// assistive tools reach the options while the menu (a popup, which Qt keeps out of the tree) is
// closed; each option is a menu item whose press chooses it.
class SpecialAdditionalSelectorChevron : public QToolButton {
    Q_OBJECT
public:
    explicit SpecialAdditionalSelectorChevron(QWidget* parent = nullptr);
};

// The small pop-up button beside a source list: the "chevron.up.chevron.down" symbol in a 28 × 24
// point frame, named by what it picks and the option chosen now ("Select stamp: Draft"; "None"
// while no option is chosen), its tooltip and menu by what it picks. Its menu holds the options'
// titles as checkable items (the chosen one checked), a divider and "Customize List", which opens
// a sheet whose content the caller builds; the content closes the sheet through the flag it is
// given, and can then be opened again. setSelection and setOptions never emit; choosing an option
// emits selectionEdited with its identifier (also when it is the chosen one already, as a menu
// does).
class SpecialAdditionalGenericSelector : public QWidget {
    Q_OBJECT
public:
    // Builds the sheet's content; `isPresented(false)` closes the sheet.
    using Content = std::function<QWidget*(std::function<void(bool)> isPresented)>;

    // `title` says what the selector picks ("Select stamp").
    SpecialAdditionalGenericSelector(QString title, std::string selection,
                                     std::vector<SPAOptions> options, Content content,
                                     QWidget* parent = nullptr);

    // Opens a sheet that the caller makes whole (title, buttons and all) over `window`, in place
    // of a content in a plain sheet; the selector holds it while it is open.
    using SheetOpener = std::function<QDialog*(QWidget* window)>;
    void setSheetOpener(SheetOpener opener) { opener_ = std::move(opener); }

    const std::string& selection() const { return selection_; }
    void setSelection(const std::string& selection);
    const std::vector<SPAOptions>& options() const { return options_; }
    void setOptions(std::vector<SPAOptions> options);

    bool isPresented() const { return sheet_ != nullptr; }
    void setIsPresented(bool presented);

    QToolButton* chevron() const { return chevron_; }
    QMenu* menu() const { return menu_; }
    QDialog* sheet() const { return sheet_; }

Q_SIGNALS:
    void selectionEdited(const std::string& id);

private:
    void fillMenu();
    void markSelection();

    QString title_;
    std::string selection_;
    std::vector<SPAOptions> options_;
    Content content_;
    SheetOpener opener_;
    SpecialAdditionalSelectorChevron* chevron_;
    QMenu* menu_;
    std::vector<QAction*> optionActions_;
    QPointer<QDialog> sheet_;
};

} // namespace fen
