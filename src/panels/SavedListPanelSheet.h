#pragma once

#include "panels/PresetSheetLogic.h"

#include <QWidget>

#include <functional>

class QListWidget;
class QMenu;
class QStackedLayout;

namespace fen {

class FenGenerticNoDataInList;
class SheetCancelOpenButtonModifier;

// The content of the saved-presets sheet: its title with "Cancel" and "Open" over the presets of
// one kind (rows named by the presets' names), or "No Presets Available" when there are none, or
// "Reading the Stored Presets" until they have been read.
// A row is selected through the view's selection model; Open, Return or a double click open the
// selected preset and close the sheet; Delete and Backspace (while the list has the focus) and a
// row's context menu "Delete" delete a preset and keep the sheet open. `isPresented(false)`
// closes it.
class SavedListPanelSheet : public QWidget {
    Q_OBJECT
public:
    SavedListPanelSheet(const QString& title, PresetSheetLogic logic,
                        std::function<void(bool)> isPresented, QWidget* parent = nullptr);

    const PresetSheetLogic& logic() const { return logic_; }
    QListWidget* list() const { return list_; }
    FenGenerticNoDataInList* placeholder() const { return empty_; }
    bool showsPlaceholder() const;
    // Whether it says that the presets are being read.
    bool showsReading() const;
    // Shows the presets read (see PresetSheetLogic::read).
    void showStored(FenDatabaseManager::StoredPresetItems stored);
    SheetCancelOpenButtonModifier* bar() const { return bar_; }
    QMenu* makeRowMenu(int row);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void showItems();
    void followSelection();
    void openAndClose();

    PresetSheetLogic logic_;
    std::function<void(bool)> isPresented_;
    QListWidget* list_;
    FenGenerticNoDataInList* empty_;
    FenGenerticNoDataInList* reading_;
    QStackedLayout* stack_;
    SheetCancelOpenButtonModifier* bar_;
    bool syncing_ = false;
};

} // namespace fen
