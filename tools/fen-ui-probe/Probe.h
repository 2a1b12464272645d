// The probe's table of controls. Each family of controls lives in a file of its own under
// controls/ and adds named builders to one table at start-up (a `Registration` at namespace
// scope); `main` only parses the arguments and looks the name up. A builder fills a `Probe`: the
// widget that receives the input, the widget shown and grabbed, and the state printed as JSON.
// Windows shown for the end-to-end tests ("fen-ui-probe show NAME") register the same way.
#pragma once

#include "controls/MainSettingsTab.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QMainWindow>
#include <QRect>
#include <QString>

#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#include <vector>

class QComboBox;
class QMenu;
class QVBoxLayout;
class QWidget;

namespace fen {
class ListEditorSheet;
}

namespace fen::probe {

// One probed control: the widget that receives input, the widget shown, and its state.
struct Probe {
    QWidget* target = nullptr;
    QWidget* shown = nullptr;
    std::function<QJsonObject()> state;
    // Actions that only this control understands ("click:N" on a tab row, "enable" on a sheet):
    // tried before the common ones; answers false for an action it does not know.
    std::function<bool(const QString& action)> act;
    // Counters a builder's callbacks may use for the state it prints.
    int actions = 0;
    bool presented = true;
    int validated = 0;
};

using Builder = std::function<void(Probe& probe, QWidget* host)>;
// A window kept open until it is closed; returns the exit code of the event loop.
using Show = std::function<int()>;

// Adds its controls (or shown windows) to the table when the program starts.
struct Registration {
    Registration(std::initializer_list<std::pair<const char*, Builder>> controls);
};
struct ShowRegistration {
    ShowRegistration(std::initializer_list<std::pair<const char*, Show>> windows);
};

// Every registered control and window by name, in name order.
const std::map<std::string, Builder>& controls();
const std::map<std::string, Show>& shows();

// The real window of "show NAME": a main window titled "Fenmoor UI Probe" (a frame to the
// accessibility tree, as the program's scenes are) whose controls go into `layout`.
struct ShownWindow {
    ShownWindow();
    // Shows the window at `size`, prints the "shown" event and runs the event loop.
    int exec(QSize size);

    QMainWindow window;
    QWidget* central;
    QVBoxLayout* layout;
};

// The actions of a panel's pickers: "choose:TITLE" triggers the entry TITLE of `menu`; PREFIX
// followed by ":N" picks entry N of `picker` as a choice in its menu does. Each answers false for
// another action or an entry that is not there.
bool chooseMenuEntry(QMenu* menu, const QString& action);
bool pickComboEntry(QComboBox* picker, const QString& prefix, const QString& action);

// The JSON of a rectangle as [x, y, width, height].
QJsonArray rectJson(const QRect& r);
// The accessible role, name and states (checked, selected, disabled) of a widget.
QJsonObject accessibleJson(QWidget* widget);
// The settings tabs of a document window, for the controls that show them.
std::vector<MainSettingsTab> settingsTabs();
// Probes a list sheet named `name`: its state is the rows' names and whether an editor is open.
void probeListSheet(Probe& probe, ListEditorSheet* sheet, const QString& name);
// Prints one compact JSON line on standard output and flushes it (the end-to-end tests read it
// as it comes).
void printLine(const QJsonObject& object);

} // namespace fen::probe
