// fen-ui-probe CONTROL [ACTION...] [--scheme light|dark] [--grab FILE] [--size WxH]
// fen-ui-probe show tabs
// fen-ui-probe window FILE [--text T] [--grab FILE]
// fen-ui-probe list
// fen-ui-probe shell [ACTION...] (ShellProbe.cpp)
//
// Builds one control in a window of its own on the offscreen platform, applies the actions in
// order (QTest input: hover, leave, press, release, click, click:N, key:NAME, resize:WxH, rtl,
// drop:FILE, enable), then prints the control's state as one JSON line and writes the grab.
// "window FILE [--text T] [--grab F]" opens a document window on FILE: with --grab offscreen,
// waits for the first page to be drawn, writes the grab and prints the window's state; without
// it, in a real window that stays open until it is closed (the end-to-end tests).
// "show tabs" opens a real window with the segmented tab row and a toolbar button and keeps it
// open until it is closed; it prints one JSON line per selection change.
#include "controls/BackgroundModifiers.h"
#include "controls/ButtonStyles.h"
#include "controls/CustomSegmentedPickerView.h"
#include "controls/FormContainers.h"
#include "controls/ImageImporter.h"
#include "controls/KvToggle.h"
#include "controls/SheetButtonModifiers.h"
#include "controls/ToolBarViewButton.h"
#include "document/ContentView.h"
#include "document/DocumentView.h"
#include "document/FelDocumentViewMain.h"
#include "document/FenDocumentView.h"
#include "document/FenPDFView.h"
#include "document/MainSettingsTabView.h"
#include "document/MainToolBarView.h"
#include "document/PDFViewEdit.h"
#include "document/SettingsTabController.h"
#include "export/NotificationDocumentCenter.h"
#include "model/FenWatermarkModel.h"
#include "platform/foundation/Uuid.h"
#include "shell/KvDocument.h"
#include "ui/Animation.h"
#include "ui/QtMainQueue.h"
#include "ui/Theme.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace fen {
int probeShell(const QStringList& actions);
}

namespace {

using namespace fen;

const char* const controlNames[] = {
    "toolbar-button",
    "toolbar-button-disabled",
    "special-button",
    "position-cell",
    "sheet-done",
    "sheet-delete",
    "popup-menu",
    "popup-menu-large",
    "toggle",
    "toggle-bare",
    "tabs",
    "form",
    "section",
    "field",
    "list-row",
    "sheet-done-bar",
    "sheet-close-bar",
    "sheet-cancel-open-bar",
    "drop-target",
};

std::vector<MainSettingsTab> settingsTabs() {
    return {{"text", "Text", "character.textbox", 0},
            {"image", "Image", "photo", 1},
            {"stamp", "Stamp", "checkmark.rectangle", 2},
            {"other", "Other", "123.rectangle", 3}};
}

QJsonArray rectJson(const QRect& r) {
    return QJsonArray{r.x(), r.y(), r.width(), r.height()};
}

QString roleName(QAccessible::Role role) {
    static const std::map<QAccessible::Role, QString> names = {
        {QAccessible::Button, "push button"},   {QAccessible::CheckBox, "check box"},
        {QAccessible::PageTab, "page tab"},     {QAccessible::PageTabList, "page tab list"},
        {QAccessible::EditableText, "text"},    {QAccessible::ComboBox, "combo box"},
        {QAccessible::Client, "filler"},        {QAccessible::Grouping, "grouping"},
        {QAccessible::ScrollBar, "scroll bar"}, {QAccessible::Pane, "panel"},
        {QAccessible::StaticText, "label"},     {QAccessible::ButtonMenu, "push button menu"},
    };
    const auto found = names.find(role);
    return found == names.end() ? QString::number(int(role)) : found->second;
}

QJsonObject accessibleJson(QWidget* widget) {
    QJsonObject result;
    if (QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget)) {
        result["role"] = roleName(iface->role());
        result["name"] = iface->text(QAccessible::Name);
        const QAccessible::State state = iface->state();
        if (state.checkable) {
            result["checked"] = bool(state.checked);
        }
        if (state.selectable) {
            result["selected"] = bool(state.selected);
        }
        result["disabled"] = bool(state.disabled);
    }
    return result;
}

// One probed control: the widget that receives input, the widget shown, and its state.
struct Probe {
    QWidget* target = nullptr;
    QWidget* shown = nullptr;
    std::function<QJsonObject()> state;
    int actions = 0;
    bool presented = true;
    int validated = 0;
};

std::unique_ptr<Probe> build(const QString& name, QWidget* host) {
    auto probe = std::make_unique<Probe>();
    Probe* p = probe.get();
    auto styled = [p](StyledButton* button) {
        p->target = p->shown = button;
        p->state = [p, button] {
            return QJsonObject{{"isHover", button->isHover()},
                               {"isDown", button->isDown()},
                               {"enabled", button->isEnabled()},
                               {"actions", p->actions}};
        };
    };
    if (name == "toolbar-button" || name == "toolbar-button-disabled") {
        auto* button = new ToolBarViewButton(
            false, name.endsWith("disabled"), "ellipsis.circle", false, "Export", std::nullopt,
            [p] { ++p->actions; }, host);
        button->setAccessibleName("More");
        styled(button);
        auto base = p->state;
        p->state = [base, button] {
            QJsonObject o = base();
            o["showsChevron"] = button->showsChevron();
            return o;
        };
    } else if (name == "special-button") {
        auto* button = new SpecialAdditionalButton(
            "bookmark", false, [p] { ++p->actions; }, false, host);
        button->setAccessibleName("Save");
        styled(button);
    } else if (name == "position-cell") {
        auto* button = new StyledButton(ButtonStyle::PositionSelectorButtonStyle, false, host);
        button->setLabelFrame(QSize(40, 30));
        button->setAccessibleName("Top Left");
        QObject::connect(button, &QAbstractButton::clicked, host, [p] { ++p->actions; });
        styled(button);
    } else if (name == "sheet-done" || name == "sheet-delete") {
        const bool done = name == "sheet-done";
        auto* button = new StyledButton(done ? ButtonStyle::SheetDoneButtonButtonStyle
                                             : ButtonStyle::SheetDeleteButtonButtonStyle,
                                        false, host);
        button->setLabel(done ? "Done" : "Delete", QColor(Qt::white));
        button->setPadding(QMargins(14, 8, 14, 8));
        QObject::connect(button, &QAbstractButton::clicked, host, [p] { ++p->actions; });
        styled(button);
    } else if (name == "popup-menu") {
        auto* button = new QToolButton(host);
        button->setProperty("symbol", "chevron.up.chevron.down");
        button->setAccessibleName("Select");
        button->setFixedSize(30, 30);
        auto* modifier = PopupMenuButtonModifier::apply(button, false);
        p->target = p->shown = button;
        p->state = [modifier] { return QJsonObject{{"isHover", modifier->isHover()}}; };
    } else if (name == "popup-menu-large") {
        auto* picker = new QComboBox(host);
        picker->addItems({"Auto", "-60°", "-50°"});
        picker->setAccessibleName("Angle");
        auto* modifier = PopupMenuButtonLargeModifier::apply(picker, false);
        p->target = p->shown = picker;
        p->state = [modifier, picker] {
            return QJsonObject{{"isHover", modifier->isHover()},
                               {"height", picker->height()},
                               {"current", picker->currentText()}};
        };
    } else if (name == "toggle" || name == "toggle-bare") {
        auto* toggle = new KvToggle(name == "toggle" ? "Overwrite Original" : "", false, host);
        if (name == "toggle-bare") {
            // A bare switch is named by the selector it stands in front of.
            toggle->toggleSwitch()->setAccessibleName("Include Date");
        }
        QObject::connect(toggle, &KvToggle::isOnEdited, host, [p](bool) { ++p->actions; });
        p->target = toggle->toggleSwitch();
        p->shown = toggle;
        p->state = [p, toggle] {
            return QJsonObject{{"isOn", toggle->isOn()},
                               {"edits", p->actions},
                               {"switch", rectJson(toggle->toggleSwitch()->drawnRect().toRect())}};
        };
    } else if (name == "tabs") {
        auto* tabs = new CustomSegmentedPickerView(0, settingsTabs(), host);
        tabs->setMinimumWidth(320);
        QObject::connect(tabs, &CustomSegmentedPickerView::selectionEdited, host,
                         [p](int) { ++p->actions; });
        p->target = p->shown = tabs;
        p->state = [p, tabs] {
            const int s = tabs->selection();
            return QJsonObject{
                {"selection", s},
                {"edits", p->actions},
                {"bar", rectJson(tabs->barGeometry())},
                {"selectedTab", rectJson(QRect(tabs->button(s)->mapTo(tabs, QPoint(0, 0)),
                                               tabs->button(s)->size()))},
                {"tabs", [tabs] {
                     QJsonArray list;
                     for (int i = 0; i < int(tabs->tabs().size()); ++i) {
                         list.push_back(accessibleJson(tabs->button(i)));
                     }
                     return list;
                 }()}};
        };
    } else if (name == "form" || name == "section") {
        auto* form = new FenForm(host);
        for (int i = 0; i < (name == "form" ? 5 : 1); ++i) {
            auto* rows = new QWidget;
            auto* layout = new QVBoxLayout(rows);
            layout->addWidget(new QLabel(QString("Row %1").arg(i + 1)));
            layout->addWidget(new QLabel("Second row"));
            form->addRow(SectionModifier::apply(rows, i == 0 ? "Position" : ""));
        }
        form->setMinimumSize(260, name == "form" ? 200 : 140);
        p->target = p->shown = form;
        p->state = [form] {
            return QJsonObject{{"scrollMaximum", form->verticalScrollBar()->maximum()},
                               {"scrollValue", form->verticalScrollBar()->value()}};
        };
    } else if (name == "field") {
        auto* edit = new QLineEdit("12", host);
        edit->setAccessibleName("Size");
        QWidget* frame = FenBackgroundModifier::apply(edit);
        frame->setParent(host);
        p->target = edit;
        p->shown = frame;
        p->state = [edit, frame] {
            return QJsonObject{{"field", rectJson(edit->geometry())},
                               {"frame", QJsonArray{frame->width(), frame->height()}}};
        };
    } else if (name == "list-row") {
        auto* row = new QLabel("Confidential", host);
        row->setMinimumSize(200, 28);
        auto* modifier = FenListRowBackgroundModifier::apply(row, true, true);
        p->target = p->shown = row;
        p->state = [] { return QJsonObject{}; };
        QObject::connect(qApp, &QApplication::focusChanged, host,
                         [modifier](QWidget*, QWidget*) { modifier->setState(true, false); });
    } else if (name == "sheet-done-bar" || name == "sheet-close-bar" ||
               name == "sheet-cancel-open-bar") {
        auto* content = new QLabel("Sheet content");
        content->setMinimumSize(260, 80);
        content->setAlignment(Qt::AlignCenter);
        auto setPresented = [p](bool v) { p->presented = v; };
        QWidget* sheet = nullptr;
        if (name == "sheet-done-bar") {
            sheet = new SheetDoneButtonModifier(content, "Stamp List", setPresented, host);
        } else if (name == "sheet-close-bar") {
            sheet = new SheetSettingCloseButtonModifier(
                content, [p] { p->presented = false; }, host);
        } else {
            auto* cancelOpen = new SheetCancelOpenButtonModifier(
                content, "Saved Presets", setPresented, false, [p] { ++p->validated; }, host);
            sheet = cancelOpen;
            sheet->setProperty("enable", QVariant::fromValue<void*>(cancelOpen));
        }
        p->target = p->shown = sheet;
        p->state = [p] {
            return QJsonObject{{"isPresented", p->presented}, {"validated", p->validated}};
        };
    } else if (name == "drop-target") {
        auto* content = new QLabel("Drop Image Here\nor\nClick to import", host);
        content->setMinimumSize(240, 120);
        content->setAlignment(Qt::AlignCenter);
        DroppableArea* area = ImageImporterModifier::apply(content);
        QObject::connect(area, &DroppableArea::imageUrlEdited, host,
                         [p](const std::optional<Url>&) { ++p->actions; });
        p->target = content;
        p->shown = content;
        p->state = [p, area] {
            return QJsonObject{{"imageUrl", area->imageUrl()
                                                ? QString::fromStdString(area->imageUrl()->path())
                                                : QJsonValue()},
                               {"edits", p->actions}};
        };
    } else {
        return nullptr;
    }
    return probe;
}

bool apply(Probe& probe, QWidget* window, const QString& action) {
    QWidget* t = probe.target;
    const QPoint centre = t->rect().center();
    if (action == "hover") {
        QTest::mouseMove(t, centre);
    } else if (action == "leave") {
        QTest::mouseMove(window, QPoint(1, 1));
    } else if (action == "press") {
        QTest::mouseMove(t, centre);
        QTest::mousePress(t, Qt::LeftButton, {}, centre);
    } else if (action == "release") {
        QTest::mouseRelease(t, Qt::LeftButton, {}, centre);
    } else if (action == "click") {
        QTest::mouseClick(t, Qt::LeftButton, {}, centre);
    } else if (action.startsWith("click:")) {
        auto* tabs = qobject_cast<CustomSegmentedPickerView*>(t);
        if (!tabs || !tabs->button(action.mid(6).toInt())) {
            return false;
        }
        QWidget* tab = tabs->button(action.mid(6).toInt());
        QTest::mouseClick(tab, Qt::LeftButton, {}, tab->rect().center());
    } else if (action.startsWith("key:")) {
        const QString key = action.mid(4);
        const Qt::Key code = key == "Escape"   ? Qt::Key_Escape
                             : key == "Return" ? Qt::Key_Return
                             : key == "Space"  ? Qt::Key_Space
                                               : Qt::Key_unknown;
        if (code == Qt::Key_unknown) {
            return false;
        }
        QTest::keyClick(t, code);
    } else if (action.startsWith("resize:")) {
        const QStringList parts = action.mid(7).split('x');
        window->resize(parts.value(0).toInt(),
                       parts.size() > 1 ? parts[1].toInt() : window->height());
    } else if (action == "rtl") {
        window->setLayoutDirection(Qt::RightToLeft);
    } else if (action == "enable") {
        auto* sheet =
            static_cast<SheetCancelOpenButtonModifier*>(t->property("enable").value<void*>());
        if (!sheet) {
            return false;
        }
        sheet->setOpenButtonEnabled(true);
    } else if (action.startsWith("drop:")) {
        auto* mime = new QMimeData;
        mime->setUrls({QUrl::fromLocalFile(action.mid(5))});
        QDragEnterEvent enter(centre, Qt::CopyAction, mime, Qt::LeftButton, {});
        QApplication::sendEvent(t, &enter);
        if (!enter.isAccepted()) {
            delete mime;
            return true;
        }
        QDropEvent drop(QPointF(centre), Qt::CopyAction, mime, Qt::LeftButton, {});
        QApplication::sendEvent(t, &drop);
        delete mime;
    } else if (action == "scroll") {
        if (auto* form = qobject_cast<FenForm*>(t)) {
            form->verticalScrollBar()->setValue(form->verticalScrollBar()->maximum());
        }
    } else {
        return false;
    }
    // Let queued work (layout, the main queue, repaints) settle.
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
    }
    QTest::qWait(10);
    return true;
}

int usage() {
    std::fprintf(stderr, "usage: fen-ui-probe CONTROL [ACTION...] [--scheme light|dark] "
                         "[--grab FILE] [--size WxH]\n       fen-ui-probe show tabs\n"
                         "       fen-ui-probe window FILE [--text T] [--grab FILE]\n"
                         "       fen-ui-probe list\n");
    return 2;
}

int show(const QString& what) {
    if (what != "tabs") {
        return usage();
    }
    // A main window, as the program's scenes are: a frame to the accessibility tree.
    QMainWindow window;
    window.setWindowTitle("Fenmoor UI Probe");
    window.setAccessibleName("Fenmoor UI Probe");
    auto* central = new QWidget(&window);
    window.setCentralWidget(central);
    auto* layout = new QVBoxLayout(central);
    auto* toolbar = new QHBoxLayout;
    toolbar->addStretch(1);
    auto* more = new ToolBarViewButton(
        false, false, "ellipsis.circle", false, "Export", std::nullopt,
        [] {
            std::printf("{\"event\":\"more\"}\n");
            std::fflush(stdout);
        },
        &window);
    more->setAccessibleName("More");
    toolbar->addWidget(more);
    layout->addLayout(toolbar);
    auto* tabs = new CustomSegmentedPickerView(0, settingsTabs(), &window);
    QObject::connect(tabs, &CustomSegmentedPickerView::selectionEdited, &window, [](int s) {
        std::printf("{\"event\":\"selection\",\"selection\":%d}\n", s);
        std::fflush(stdout);
    });
    QObject::connect(tabs, &CustomSegmentedPickerView::selectionEdited, tabs,
                     [tabs](int s) { tabs->setSelection(s); });
    layout->addWidget(tabs);
    layout->addStretch(1);
    window.resize(420, 160);
    window.show();
    std::printf("{\"event\":\"shown\"}\n");
    std::fflush(stdout);
    return QApplication::exec();
}

// A document window on `file`; see the header comment.
int window(const QStringList& args) {
    QString file;
    QString text;
    QString grab;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--text" && i + 1 < args.size()) {
            text = args[++i];
        } else if (args[i] == "--grab" && i + 1 < args.size()) {
            grab = args[++i];
        } else if (file.isEmpty()) {
            file = args[i];
        } else {
            return usage();
        }
    }
    if (file.isEmpty()) {
        return usage();
    }
    auto document =
        std::make_shared<KvDocument>(Url::fileURL(std::filesystem::absolute(file.toStdString())));
    // A main window, as the program's scenes are: a frame to the accessibility tree.
    QMainWindow frame;
    auto* view = new DocumentView(document, &frame);
    frame.setCentralWidget(view);
    frame.setWindowTitle(QString::fromStdString(
        document->info && document->info->name ? *document->info->name : std::string("Unknown")));
    frame.resize(1000, 700);
    FenDocumentView* body = view->content()->body();
    FelDocumentViewMain* main = body->main();
    if (!text.isEmpty()) {
        QObject::connect(main, &FelDocumentViewMain::loadFinished, &frame, [body, text] {
            body->settingsTab()->controller().setSelectedTextItem(
                TextListItem{newUuidString(), text.toStdString()});
        });
    }
    frame.show();
    if (grab.isEmpty()) {
        std::printf("{\"event\":\"shown\"}\n");
        std::fflush(stdout);
        return QApplication::exec();
    }
    if (!QTest::qWaitForWindowExposed(&frame) ||
        !QTest::qWaitFor([main] { return main->isLoaded(); }, 10000)) {
        std::fprintf(stderr, "fen-ui-probe: the document was not loaded\n");
        return 1;
    }
    PDFViewEdit* pdf = main->pdfArea()->pdfView();
    bool drawn = false;
    QObject::connect(pdf, &PDFViewEdit::pageDrawn, &frame, [&drawn] { drawn = true; });
    pdf->viewport()->update();
    (void)QTest::qWaitFor([&drawn] { return drawn; }, 10000);
    const QImage picture = frame.grab().toImage();
    MainToolBarView* toolBar = main->toolBar();
    QJsonArray buttons;
    for (QWidget* button : {static_cast<QWidget*>(toolBar->moreButton()),
                            static_cast<QWidget*>(toolBar->exportButton()),
                            static_cast<QWidget*>(toolBar->shareButton())}) {
        buttons.push_back(accessibleJson(button));
    }
    const std::shared_ptr<FenWatermarkModel>& model = body->model();
    QJsonObject out{
        {"title", toolBar->titleLabel()->text()},
        {"size", QJsonArray{frame.width(), frame.height()}},
        {"pages", pdf->pageCount()},
        {"scale", pdf->scaleFactor()},
        {"locked", body->documentIsLocked()},
        {"maxNumberOfPage", static_cast<qint64>(model->maxNumberOfPage)},
        {"processorID", QString::fromStdString(model->processorID.value_or(""))},
        {"text", QString::fromStdString(model->selectedTextItem ? model->selectedTextItem->text
                                                                : std::string())},
        {"buttons", buttons},
        {"drawn", drawn},
    };
    if (!picture.save(grab)) {
        std::fprintf(stderr, "fen-ui-probe: cannot write %s\n", grab.toUtf8().constData());
        return 1;
    }
    out["grab"] = grab;
    std::printf("%s\n", QJsonDocument(out).toJson(QJsonDocument::Compact).constData());
    return drawn ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const bool showMode = argc >= 2 && std::strcmp(argv[1], "show") == 0;
    bool realWindow = showMode;
    if (argc >= 2 && std::strcmp(argv[1], "window") == 0) {
        realWindow = true;
        for (int i = 2; i < argc; ++i) {
            realWindow = realWindow && std::strcmp(argv[i], "--grab") != 0;
        }
    }
    if (!realWindow) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }
    const bool shellMode = argc >= 2 && std::strcmp(argv[1], "shell") == 0;
    std::string shellHome;
    if (shellMode) {
        // The shell's settings, store and kept windows go to a folder of their own, removed at
        // the end, so the launch it runs never converts or opens the user's own.
        char pattern[] = "/tmp/fen-ui-probe-XXXXXX";
        if (const char* folder = mkdtemp(pattern)) {
            shellHome = folder;
            setenv("XDG_CONFIG_HOME", (shellHome + "/config").c_str(), 1);
            setenv("XDG_STATE_HOME", (shellHome + "/state").c_str(), 1);
            setenv("XDG_DATA_HOME", (shellHome + "/data").c_str(), 1);
        }
    }
    QApplication app(argc, argv);
    if (shellMode) {
        const int result = fen::probeShell(QApplication::arguments().mid(2));
        std::error_code ec;
        std::filesystem::remove_all(shellHome, ec);
        return result;
    }
    ui::QtMainQueue::install();
    ui::setAnimationDuration(0);
    const QStringList args = QApplication::arguments().mid(1);
    if (args.isEmpty()) {
        return usage();
    }
    if (showMode) {
        ui::setAnimationDuration(250);
        return show(args.value(1));
    }
    if (args.front() == "window") {
        return window(args);
    }
    if (args.front() == "list") {
        for (const char* name : controlNames) {
            std::printf("%s\n", name);
        }
        return 0;
    }
    QString grab;
    QString scheme = "light";
    QSize size;
    QStringList actions;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--grab" && i + 1 < args.size()) {
            grab = args[++i];
        } else if (args[i] == "--scheme" && i + 1 < args.size()) {
            scheme = args[++i];
        } else if (args[i] == "--size" && i + 1 < args.size()) {
            const QStringList parts = args[++i].split('x');
            size = QSize(parts.value(0).toInt(), parts.value(1).toInt());
        } else {
            actions.push_back(args[i]);
        }
    }
    if (scheme != "light" && scheme != "dark") {
        return usage();
    }
    QApplication::setPalette(ui::Theme::fixedPalette(scheme == "dark"));

    QWidget window;
    window.setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(8, 8, 8, 8);
    std::unique_ptr<Probe> probe = build(args.front(), &window);
    if (!probe) {
        std::fprintf(stderr, "fen-ui-probe: unknown control \"%s\"\n",
                     args.front().toUtf8().constData());
        return usage();
    }
    layout->addWidget(probe->shown);
    if (size.isValid()) {
        window.resize(size);
    }
    window.show();
    window.activateWindow();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "fen-ui-probe: the window was not shown\n");
        return 1;
    }
    // The pointer starts in the window's corner, outside the control. Shown under the
    // platform's pointer, the control may believe it is hovered until the pointer has been over
    // it and left.
    QTest::mouseMove(probe->target, probe->target->rect().center());
    QTest::mouseMove(&window, QPoint(1, 1));
    QTest::qWait(20);
    for (const QString& action : actions) {
        if (!apply(*probe, &window, action)) {
            std::fprintf(stderr, "fen-ui-probe: cannot apply \"%s\" to %s\n",
                         action.toUtf8().constData(), args.front().toUtf8().constData());
            return 2;
        }
    }
    QJsonObject out{{"control", args.front()},
                    {"scheme", scheme},
                    {"size", QJsonArray{probe->shown->width(), probe->shown->height()}},
                    {"accessible", accessibleJson(probe->target)},
                    {"state", probe->state()}};
    if (!grab.isEmpty()) {
        if (!probe->shown->grab().save(grab)) {
            std::fprintf(stderr, "fen-ui-probe: cannot write %s\n", grab.toUtf8().constData());
            return 1;
        }
        out["grab"] = grab;
    }
    std::printf("%s\n", QJsonDocument(out).toJson(QJsonDocument::Compact).constData());
    return 0;
}
