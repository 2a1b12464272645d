#pragma once

#include "model/TextListItem.h"
#include "panels/TextListLogic.h"
#include "platform/foundation/Signal.h"
#include "storage/ListOfTextImporter.h"

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QLineEdit;
class QVariantAnimation;

namespace fen {

class FenViewInputNew;
class NotificationDocumentCenter;
class StyledButton;
class ToolBarViewButton;
class WatermarkListView;

// The text list panel at the top of a window's settings side: a title row ("Text List", which
// collapses and expands the panel) with the buttons Clear, Import, Open and Save, and under it the
// entry block: the editable list, the field "Enter a text watermark" and the count of texts. The
// panel owns the list. It announces every change of the list to its window ("TextItemsDidChange"
// with the texts), takes over the texts of a loaded text preset, collapses when the keyboard
// shows while its own field has no focus, and opens the saved text presets and the preset-name
// alert. The collapse flag and the selected text are bindings owned by the settings tab: the
// set…() calls never emit, the …Edited signals carry the user's changes.
class WatermarkListContainerView : public QWidget {
    Q_OBJECT
public:
    // Offers the user one file to import and hands its path to `chosen` (not called when the
    // user cancels). Replaced by tests; the default is a file dialog opened with open().
    using FilePicker =
        std::function<void(QWidget* parent, std::function<void(const QString& path)> chosen)>;

    explicit WatermarkListContainerView(std::shared_ptr<NotificationDocumentCenter> channel,
                                        QWidget* parent = nullptr);

    void setIsCollapsed(bool isCollapsed);
    bool isCollapsed() const { return isCollapsed_; }
    void setSelectedItem(const std::optional<TextListItem>& item);
    const std::optional<TextListItem>& selectedItem() const { return list_.selectedItem(); }
    void setFilePicker(FilePicker picker) { filePicker_ = std::move(picker); }

    TextListLogic& list() { return list_; }
    bool isTextInputFocused() const { return isTextInputFocused_; }

    StyledButton* titleButton() const { return title_; }
    ToolBarViewButton* clearButton() const { return clear_; }
    ToolBarViewButton* importButton() const { return import_; }
    ToolBarViewButton* openButton() const { return open_; }
    ToolBarViewButton* saveButton() const { return save_; }
    QWidget* toolbarButtons() const { return buttons_; }
    QWidget* entryBlock() const { return block_; }
    WatermarkListView* listView() const { return listView_; }
    FenViewInputNew* entryInput() const { return input_; }
    QLineEdit* entryField() const;
    QLabel* countLabel() const { return count_; }
    // The open preset-name alert and saved-presets sheet, if any.
    QDialog* nameAlert() const { return nameAlert_; }
    QDialog* presetsSheet() const { return presetsSheet_; }

    // Imports the texts of the file at `path` (the picker's answer). The file is read on a
    // worker thread and the list replaced when it is done; a later import supersedes one still
    // reading. A file over the importer's size limit or its count of texts, anything but a
    // regular file (a pipe, a device), a file that cannot be read, a damaged RTF document and a
    // file without text are refused with a one-line alert saying so, the list kept.
    void importFile(const QString& path);
    // Whether the file dialog of the import offers `path`: a folder, or a file of any plain-text
    // type (by its name or, without a telling name, its content), whatever its extension.
    static bool offersForImport(const QString& path);
    // Whether an import is still reading its file.
    bool isImporting() const { return pendingImport_ != 0; }
    // The open alert refusing a file, if any.
    QDialog* importAlert() const { return importAlert_; }

Q_SIGNALS:
    void isCollapsedEdited(bool isCollapsed);
    void selectedItemEdited(const std::optional<fen::TextListItem>& item);

private:
    QWidget* makeToolbar();
    QWidget* makeEntryBlock();
    void addEnteredText();
    void showList();
    void showImported(const ListOfTextImporter::Imported& imported, const QString& name);
    void animateCollapse(bool animated);
    void applyCollapseStep(double expanded);

    std::shared_ptr<NotificationDocumentCenter> channel_;
    TextListLogic list_;
    bool isCollapsed_ = false;
    bool isTextInputFocused_ = false;
    bool applyingSelection_ = false;
    FilePicker filePicker_;

    StyledButton* title_ = nullptr;
    ToolBarViewButton* clear_ = nullptr;
    ToolBarViewButton* import_ = nullptr;
    ToolBarViewButton* open_ = nullptr;
    ToolBarViewButton* save_ = nullptr;
    QWidget* buttons_ = nullptr;
    QWidget* block_ = nullptr;
    WatermarkListView* listView_ = nullptr;
    FenViewInputNew* input_ = nullptr;
    QLabel* count_ = nullptr;
    QVariantAnimation* collapse_ = nullptr;
    QPointer<QDialog> nameAlert_;
    QPointer<QDialog> presetsSheet_;
    QPointer<QDialog> importAlert_;
    // The number of the import whose result is awaited (0 for none); results of older ones are
    // dropped.
    std::uint64_t pendingImport_ = 0;
    std::uint64_t lastImport_ = 0;
    Connection itemsConnection_;
    Connection selectionConnection_;
};

} // namespace fen
