#pragma once

#include "platform/foundation/Signal.h"
#include "storage/SPAOptions.h"

#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QAbstractButton;
class QDialog;
class QPushButton;
class QStackedWidget;
class QVBoxLayout;

namespace fen {

class FenGenerticNoDataInList;
class OptionListModel;

// The content of a sheet that keeps a stored list and edits its entries one at a time: the list
// (one flat push button per listed option of the model, named by its title; a placeholder while
// the model holds no more than "none") over the sheet's own way of adding, and, as a second page
// behind "Back", the editor of the row pressed. A row's context menu "Delete" removes that very
// row's entry by its identifier, whatever else changed in the store meanwhile; no key deletes.
// Every change of the model rebuilds the rows. Going back and closing keep what the editor holds
// and reload the options, so that its edits reach the list. A sheet derives from it, hands over its
// model's own steps and adds its footer.
class ListEditorSheet : public QWidget {
    Q_OBJECT
public:
    ~ListEditorSheet() override;

    // The row buttons in list order.
    std::vector<QAbstractButton*> rows() const;
    FenGenerticNoDataInList* placeholder() const { return placeholder_; }
    QAbstractButton* backButton() const { return back_; }
    // The editor while it is shown, else none.
    QWidget* shownEditor() const { return editor_.widget; }

    // Keeps what the editor holds and returns to the list.
    void back();
    // Keeps what the editor holds (the sheet closes).
    void commit();
    // Builds the rows anew from the model's options.
    void refresh();

    // The editor page of one entry: the editor, the control that takes the keyboard focus when it
    // opens, and the step that keeps what it holds.
    struct Editor {
        QWidget* widget = nullptr;
        QWidget* focus = nullptr;
        std::function<void()> commit;
    };

    // What a sheet lists, and its steps on the store.
    struct Entries {
        // The placeholder's symbol and text.
        QString placeholderSymbol;
        QString placeholderText;
        // Whether an option of the model makes a row.
        std::function<bool(const SPAOptions& option)> lists;
        // Lays the face of an option's row on it, a flat button already named by the title.
        std::function<void(QPushButton& row, const SPAOptions& option)> dressRow;
        // Removes the stored entry with that identifier and reloads the options.
        std::function<void(const std::string& id)> remove;
        // Builds the editor of an option on the editor page; `back` returns to the list (the
        // editor's own "Delete").
        std::function<Editor(const SPAOptions& option, QWidget* page, std::function<void()> back)>
            makeEditor;
    };

protected:
    ListEditorSheet(OptionListModel& dbModel, Entries entries, QWidget* parent);

    OptionListModel& dbModel() const { return dbModel_; }
    // The list page, the parent of the footer.
    QWidget* listPage() const { return listPage_; }
    // Puts the sheet's way of adding below the list.
    void setFooter(QWidget* footer);
    // The room between two rows, in points.
    void setRowSpacing(int spacing);

private:
    void open(const SPAOptions& option);
    void closeEditor();

    OptionListModel& dbModel_;
    Entries entries_;
    Connection changed_;
    QStackedWidget* pages_;
    QWidget* listPage_;
    QVBoxLayout* listLayout_;
    QVBoxLayout* rowsLayout_;
    FenGenerticNoDataInList* placeholder_;
    QWidget* scroll_;
    QWidget* editorPage_;
    QAbstractButton* back_;
    Editor editor_;
};

// Opens the sheet titled `title` over `parent`'s window, with `content` under the title bar and
// its "Done", which closes the sheet.
QDialog* openListEditorSheet(QWidget* parent, ListEditorSheet* content, const QString& title,
                             QSize size);

} // namespace fen
