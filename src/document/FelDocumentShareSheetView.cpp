#include "document/FelDocumentShareSheetView.h"

#include "platform/foundation/MainQueue.h"
#include "ui/Sheets.h"
#include "ui/Tr.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFrame>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <cerrno>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fen {

namespace {

using Opening = FelDocumentShareSheetView::Opening;

QUrl qurl(const std::filesystem::path& path) {
    return QUrl::fromLocalFile(QString::fromStdString(path.string()));
}

// Collects the reports of several openings, which may come in any order, and tells them in the
// order the openings were asked for: each failed one's name and reason, each reason once. `told`
// runs when the last one is in.
struct Reports {
    int pending = 0;
    std::vector<std::optional<std::pair<QString, QString>>> failures; // name and reason, by place
    std::function<void(const QStringList& failed, const QStringList& reasons)> told;

    // The opening at `place`, of `name`, reported `opening`; `reason` says why a failed one failed.
    void add(size_t place, const QString& name, const Opening& opening,
             const std::function<QString(const Opening&)>& reason) {
        if (opening.result != Opening::Result::opened) {
            failures[place] = std::pair(name, reason(opening));
        }
        if (--pending > 0 || !told) {
            return;
        }
        QStringList failed;
        QStringList reasons;
        for (const auto& failure : failures) {
            if (failure) {
                failed.push_back(failure->first);
                if (!reasons.contains(failure->second)) {
                    reasons.push_back(failure->second);
                }
            }
        }
        std::exchange(told, nullptr)(failed, reasons);
    }
};

// Runs `open` on each of `items` (a name and its address) and tells the failures once all are in.
void openAll(const std::vector<std::pair<QString, QUrl>>& items,
             const FelDocumentShareSheetView::Opener& open,
             std::function<QString(const Opening&)> reason,
             std::function<void(const QStringList&, const QStringList&)> told) {
    auto reports = std::make_shared<Reports>();
    reports->pending = static_cast<int>(items.size());
    reports->failures.resize(items.size());
    reports->told = std::move(told);
    if (items.empty()) {
        std::exchange(reports->told, nullptr)({}, {});
        return;
    }
    for (size_t place = 0; place < items.size(); ++place) {
        open(items[place].second,
             [reports, place, name = items[place].first, reason](Opening opening) {
                 reports->add(place, name, opening, reason);
             });
    }
}

// Runs the desktop's opener `program` on `argument` and waits for its end: its standard input
// and output go nowhere, its complaints to this program's standard error.
Opening runOpener(const std::string& program, const std::string& argument) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::string programArgument = program;
    std::string fileArgument = argument;
    char* argv[] = {programArgument.data(), fileArgument.data(), nullptr};
    pid_t pid = -1;
    const int started = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0) {
        return {Opening::Result::notStarted};
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return {Opening::Result::opened}; // reaped elsewhere: nothing says it failed
        }
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        return {Opening::Result::opened};
    }
    return {Opening::Result::failed, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

std::optional<FelDocumentShareSheetView::Failure> failure(const QStringList& failed,
                                                          const QStringList& reasons,
                                                          const QString& one,
                                                          const QString& several) {
    if (failed.isEmpty()) {
        return std::nullopt;
    }
    return FelDocumentShareSheetView::Failure{
        failed.size() == 1 ? one : several,
        failed.join(QLatin1Char('\n')) + QStringLiteral("\n\n") + reasons.join(QLatin1Char('\n'))};
}

} // namespace

FelDocumentShareSheetView::Opener FelDocumentShareSheetView::desktopOpener(int patience) {
    return [patience](const QUrl& url, std::function<void(Opening)> reported) {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
        if (program.isEmpty()) {
            reported({QDesktopServices::openUrl(url) ? Opening::Result::opened
                                                     : Opening::Result::notStarted});
            return;
        }
        // The opener runs apart from the window: a program it starts in the foreground (a viewer
        // the desktop knows no other way to start) is the user's, and must outlive the window and
        // this program, which a QProcess would kill when destroyed. A thread of its own waits for
        // its end; the report goes out once, on its end, on a failure to start, or when the
        // patience is over (it is then taken for a program the user is looking at).
        auto report = std::make_shared<std::function<void(Opening)>>(std::move(reported));
        auto once = [report](Opening opening) {
            if (auto call = std::exchange(*report, nullptr)) {
                call(opening);
            }
        };
        QTimer::singleShot(patience, qApp, [once] { once({Opening::Result::opened}); });
        const std::string path = program.toStdString();
        const std::string argument =
            (url.isLocalFile() ? url.toLocalFile() : url.toString()).toStdString();
        std::thread([path, argument, once] {
            const Opening opening = runOpener(path, argument);
            MainQueue::post([once, opening] { once(opening); });
        }).detach();
    };
}

QFrame* FelDocumentShareSheetView::presentShareSheet(const std::vector<Url>& urls,
                                                     QWidget* sourceView, QWidget* window,
                                                     Opener open) {
    if (urls.empty() || (!sourceView && !window)) {
        return nullptr;
    }
    if (!open) {
        open = desktopOpener();
    }
    QWidget* anchor = sourceView ? sourceView : window;
    QFrame* popover = ui::makePopover(anchor);
    popover->setAccessibleName(QStringLiteral("Share"));
    auto* layout = new QVBoxLayout(popover);
    QPointer<QFrame> guard(popover);
    QPointer<QWidget> over(anchor->window());
    // A failure is told over the window, while it is there.
    const Told told = [over](const std::optional<Failure>& failure) {
        if (failure && over) {
            ui::presentNotice(over, failure->title, failure->message);
        }
    };
    using Action = std::function<void(const std::vector<Url>&)>;
    const std::pair<const char*, Action> entries[] = {
        {"Open", [open, told](const std::vector<Url>& files) { openFiles(files, open, told); }},
        {"Show in File Manager",
         [open, told](const std::vector<Url>& files) { showInFileManager(files, open, told); }},
        {"Copy", [](const std::vector<Url>& files) { copyFiles(files); }},
    };
    for (const auto& [title, action] : entries) {
        auto* button = new QPushButton(QString::fromLatin1(title), popover);
        button->setFlat(true);
        layout->addWidget(button);
        QObject::connect(button, &QPushButton::clicked, popover, [guard, urls, action = action] {
            if (guard) {
                guard->close();
            }
            action(urls);
        });
    }
    ui::showPopover(popover, anchor);
    if (!sourceView) {
        const QPoint centre = window->mapToGlobal(window->rect().center());
        popover->move(centre - QPoint(popover->width() / 2, popover->height() / 2));
    }
    return popover;
}

void FelDocumentShareSheetView::openFiles(const std::vector<Url>& urls, const Opener& open,
                                          Told told) {
    std::vector<std::pair<QString, QUrl>> items;
    for (const Url& url : urls) {
        items.emplace_back(QString::fromStdString(url.lastPathComponent()), qurl(url.path()));
    }
    openAll(
        items, open,
        [](const Opening& opening) {
            return opening.result == Opening::Result::notStarted
                       ? ui::tr("No program to open PDF files could be started.")
                       : ui::tr("The desktop's opener (xdg-open) ended with status %1: no "
                                "program to open PDF files is set up, or it failed.")
                             .arg(opening.exitCode);
        },
        [told = std::move(told)](const QStringList& failed, const QStringList& reasons) {
            told(failure(failed, reasons, ui::tr("The file could not be opened"),
                         ui::tr("The files could not be opened")));
        });
}

void FelDocumentShareSheetView::showInFileManager(const std::vector<Url>& urls, const Opener& open,
                                                  Told told) {
    std::set<std::filesystem::path> folders;
    std::vector<std::pair<QString, QUrl>> items;
    for (const Url& url : urls) {
        const std::filesystem::path folder = url.path().parent_path();
        if (folders.insert(folder).second) {
            items.emplace_back(QString::fromStdString(folder.string()), qurl(folder));
        }
    }
    openAll(
        items, open,
        [](const Opening& opening) {
            return opening.result == Opening::Result::notStarted
                       ? ui::tr("No file manager could be started.")
                       : ui::tr("The desktop's opener (xdg-open) ended with status %1: no file "
                                "manager is set up, or it failed.")
                             .arg(opening.exitCode);
        },
        [told = std::move(told)](const QStringList& failed, const QStringList& reasons) {
            told(failure(failed, reasons, ui::tr("The folder could not be shown"),
                         ui::tr("The folders could not be shown")));
        });
}

void FelDocumentShareSheetView::copyFiles(const std::vector<Url>& urls) {
    QList<QUrl> list;
    for (const Url& url : urls) {
        list.push_back(qurl(url.path()));
    }
    auto* mime = new QMimeData;
    mime->setUrls(list);
    QApplication::clipboard()->setMimeData(mime);
}

} // namespace fen
