#include "document/FelDocumentShareSheetView.h"

#include "ui/Sheets.h"
#include "ui/Tr.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFrame>
#include <QMimeData>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <functional>
#include <memory>
#include <set>

namespace fen {

namespace {

using Opening = FelDocumentShareSheetView::Opening;

QUrl qurl(const std::filesystem::path& path) {
    return QUrl::fromLocalFile(QString::fromStdString(path.string()));
}

// Collects the reports of several openings: each failed one's name and reason, each reason once.
// `told` runs when the last one is in.
struct Reports {
    int pending = 0;
    QStringList failed;
    QStringList reasons;
    std::function<void(const QStringList& failed, const QStringList& reasons)> told;

    // `name` reported `opening`; `reason` says why a failed one failed.
    void add(const QString& name, const Opening& opening,
             const std::function<QString(const Opening&)>& reason) {
        if (opening.result != Opening::Result::opened) {
            failed.push_back(name);
            const QString why = reason(opening);
            if (!reasons.contains(why)) {
                reasons.push_back(why);
            }
        }
        if (--pending == 0 && told) {
            std::exchange(told, nullptr)(failed, reasons);
        }
    }
};

// Runs `open` on each of `items` (a name and its address) and tells the failures once all are in.
void openAll(const std::vector<std::pair<QString, QUrl>>& items,
             const FelDocumentShareSheetView::Opener& open,
             std::function<QString(const Opening&)> reason,
             std::function<void(const QStringList&, const QStringList&)> told) {
    auto reports = std::make_shared<Reports>();
    reports->pending = static_cast<int>(items.size());
    reports->told = std::move(told);
    if (items.empty()) {
        std::exchange(reports->told, nullptr)({}, {});
        return;
    }
    for (const auto& [name, url] : items) {
        open(url,
             [reports, name, reason](Opening opening) { reports->add(name, opening, reason); });
    }
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
        // The process lives until it ends (or the program does); the report goes out once, on
        // its end, on a failure to start, or when the patience is over.
        auto* process = new QProcess(qApp);
        auto report = std::make_shared<std::function<void(Opening)>>(std::move(reported));
        auto once = [report](Opening opening) {
            if (auto call = std::exchange(*report, nullptr)) {
                call(opening);
            }
        };
        QObject::connect(process, &QProcess::errorOccurred, process,
                         [process, once](QProcess::ProcessError error) {
                             if (error == QProcess::FailedToStart) {
                                 once({Opening::Result::notStarted});
                                 process->deleteLater();
                             }
                         });
        QObject::connect(
            process, &QProcess::finished, process,
            [process, once](int exitCode, QProcess::ExitStatus status) {
                if (status == QProcess::NormalExit && exitCode == 0) {
                    once({Opening::Result::opened});
                } else {
                    once({Opening::Result::failed, status == QProcess::NormalExit ? exitCode : -1});
                }
                process->deleteLater();
            });
        QTimer::singleShot(patience, process, [once] { once({Opening::Result::opened}); });
        // Nothing of it is read: what the opener or the program it starts writes goes nowhere,
        // but its complaints, which reach the program's own standard error.
        process->setStandardInputFile(QProcess::nullDevice());
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(program, {url.isLocalFile() ? url.toLocalFile() : url.toString()});
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
