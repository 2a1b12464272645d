// fen-ui-probe CONTROL [ACTION...] [--scheme light|dark] [--grab FILE] [--size WxH]
// fen-ui-probe show NAME
// fen-ui-probe window FILE [--text T] [--grab FILE]
// fen-ui-probe list
// fen-ui-probe shell [ACTION...] (ShellProbe.cpp)
//
// Builds one control (from the table the files under controls/ fill) in a window of its own on
// the offscreen platform, applies the actions in order, then prints the control's state as one
// JSON line and writes the grab. Common actions (QTest input): hover, leave, press, release,
// click, key:NAME (Escape, Return, Space, Tab, Backtab, Up, Down, Left, Right, Delete,
// Backspace), type:TEXT, resize:WxH, rtl, drop:FILE; a control may understand more (click:N on
// a tab row). "show NAME" opens a real window registered under that name and keeps it open
// until it is closed (the end-to-end tests).
#include "Probe.h"

#include "ui/Animation.h"
#include "ui/QtMainQueue.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QJsonDocument>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <QVBoxLayout>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

namespace fen {
int probeShell(const QStringList& actions);
}

namespace fen::probe {

int window(const QStringList& args);

int usage() {
    std::fprintf(stderr, "usage: fen-ui-probe CONTROL [ACTION...] [--scheme light|dark] "
                         "[--grab FILE] [--size WxH]\n       fen-ui-probe show NAME\n"
                         "       fen-ui-probe window FILE [--text T] [--grab FILE]\n"
                         "       fen-ui-probe list\n       fen-ui-probe shell [ACTION...]\n");
    return 2;
}

namespace {

Qt::Key keyNamed(const QString& name) {
    static const std::map<QString, Qt::Key> keys = {
        {"Escape", Qt::Key_Escape}, {"Return", Qt::Key_Return},       {"Space", Qt::Key_Space},
        {"Tab", Qt::Key_Tab},       {"Backtab", Qt::Key_Backtab},     {"Up", Qt::Key_Up},
        {"Down", Qt::Key_Down},     {"Left", Qt::Key_Left},           {"Right", Qt::Key_Right},
        {"Delete", Qt::Key_Delete}, {"Backspace", Qt::Key_Backspace},
    };
    const auto found = keys.find(name);
    return found == keys.end() ? Qt::Key_unknown : found->second;
}

// The input goes to the widget with the keyboard focus when there is one, else to the target.
QWidget* keyTarget(QWidget* target) {
    QWidget* focused = QApplication::focusWidget();
    return focused ? focused : target;
}

bool applyCommon(Probe& probe, QWidget* window, const QString& action) {
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
    } else if (action.startsWith("key:")) {
        const Qt::Key code = keyNamed(action.mid(4));
        if (code == Qt::Key_unknown) {
            return false;
        }
        QTest::keyClick(keyTarget(t), code);
    } else if (action.startsWith("type:")) {
        QTest::keyClicks(keyTarget(t), action.mid(5));
    } else if (action.startsWith("resize:")) {
        const QStringList parts = action.mid(7).split('x');
        window->resize(parts.value(0).toInt(),
                       parts.size() > 1 ? parts[1].toInt() : window->height());
    } else if (action == "rtl") {
        window->setLayoutDirection(Qt::RightToLeft);
    } else if (action.startsWith("drop:")) {
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(action.mid(5))});
        QDragEnterEvent enter(centre, Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(t, &enter);
        if (enter.isAccepted()) {
            QDropEvent drop(QPointF(centre), Qt::CopyAction, &mime, Qt::LeftButton, {});
            QApplication::sendEvent(t, &drop);
        }
    } else {
        return false;
    }
    return true;
}

bool apply(Probe& probe, QWidget* window, const QString& action) {
    if (!(probe.act && probe.act(action)) && !applyCommon(probe, window, action)) {
        return false;
    }
    // Let queued work (layout, the main queue, repaints) settle.
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
    }
    QTest::qWait(10);
    return true;
}

int runControl(const QStringList& args) {
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
    const auto builder = controls().find(args.front().toStdString());
    if (scheme != "light" && scheme != "dark") {
        return usage();
    }
    if (builder == controls().end()) {
        std::fprintf(stderr, "fen-ui-probe: unknown control \"%s\"\n",
                     args.front().toUtf8().constData());
        return usage();
    }
    QApplication::setPalette(ui::Theme::fixedPalette(scheme == "dark"));

    QWidget window;
    window.setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(8, 8, 8, 8);
    auto probe = std::make_unique<Probe>();
    builder->second(*probe, &window);
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
    printLine(out);
    return 0;
}

} // namespace

} // namespace fen::probe

int main(int argc, char** argv) {
    using namespace fen;
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
    // Work that a worker hands back (the recent list) lands on this thread, as in the window.
    ui::QtMainQueue::install();
    if (shellMode) {
        const int result = probeShell(QApplication::arguments().mid(2));
        std::error_code ec;
        std::filesystem::remove_all(shellHome, ec);
        return result;
    }
    ui::setAnimationDuration(0);
    const QStringList args = QApplication::arguments().mid(1);
    if (args.isEmpty()) {
        return probe::usage();
    }
    if (showMode) {
        const auto show = probe::shows().find(args.value(1).toStdString());
        if (show == probe::shows().end()) {
            return probe::usage();
        }
        ui::setAnimationDuration(250);
        return show->second();
    }
    if (args.front() == "window") {
        return probe::window(args);
    }
    if (args.front() == "list") {
        for (const auto& entry : probe::controls()) {
            std::printf("%s\n", entry.first.c_str());
        }
        return 0;
    }
    return probe::runControl(args);
}
