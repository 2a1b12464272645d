#include "document/FelDocumentShareSheetView.h"

#include "ui/Sheets.h"
#include "ui/Tr.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFrame>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include <functional>
#include <set>

namespace fen {

namespace {

QUrl qurl(const std::filesystem::path& path) {
    return QUrl::fromLocalFile(QString::fromStdString(path.string()));
}

} // namespace

QFrame* FelDocumentShareSheetView::presentShareSheet(const std::vector<Url>& urls,
                                                     QWidget* sourceView, QWidget* window,
                                                     Opener open) {
    if (urls.empty() || (!sourceView && !window)) {
        return nullptr;
    }
    if (!open) {
        open = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    }
    QWidget* anchor = sourceView ? sourceView : window;
    QFrame* popover = ui::makePopover(anchor);
    popover->setAccessibleName(QStringLiteral("Share"));
    auto* layout = new QVBoxLayout(popover);
    QPointer<QFrame> guard(popover);
    QPointer<QWidget> over(anchor->window());
    using Action = std::function<std::optional<Failure>(const std::vector<Url>&)>;
    const std::pair<const char*, Action> entries[] = {
        {"Open", [open](const std::vector<Url>& files) { return openFiles(files, open); }},
        {"Show in File Manager",
         [open](const std::vector<Url>& files) { return showInFileManager(files, open); }},
        {"Copy",
         [](const std::vector<Url>& files) -> std::optional<Failure> {
             copyFiles(files);
             return std::nullopt;
         }},
    };
    for (const auto& [title, action] : entries) {
        auto* button = new QPushButton(QString::fromLatin1(title), popover);
        button->setFlat(true);
        layout->addWidget(button);
        QObject::connect(button, &QPushButton::clicked, popover,
                         [guard, over, urls, action = action] {
                             const std::optional<Failure> failure = action(urls);
                             if (guard) {
                                 guard->close();
                             }
                             if (failure && over) {
                                 ui::presentNotice(over, failure->title, failure->message);
                             }
                         });
    }
    ui::showPopover(popover, anchor);
    if (!sourceView) {
        const QPoint centre = window->mapToGlobal(window->rect().center());
        popover->move(centre - QPoint(popover->width() / 2, popover->height() / 2));
    }
    return popover;
}

std::optional<FelDocumentShareSheetView::Failure>
FelDocumentShareSheetView::openFiles(const std::vector<Url>& urls, const Opener& open) {
    QStringList failed;
    for (const Url& url : urls) {
        if (!open(qurl(url.path()))) {
            failed.push_back(QString::fromStdString(url.lastPathComponent()));
        }
    }
    if (failed.isEmpty()) {
        return std::nullopt;
    }
    return Failure{failed.size() == 1 ? ui::tr("The file could not be opened")
                                      : ui::tr("The files could not be opened"),
                   failed.join(QLatin1Char('\n')) + QStringLiteral("\n\n") +
                       ui::tr("No program to open PDF files could be started.")};
}

std::optional<FelDocumentShareSheetView::Failure>
FelDocumentShareSheetView::showInFileManager(const std::vector<Url>& urls, const Opener& open) {
    std::set<std::filesystem::path> folders;
    QStringList failed;
    for (const Url& url : urls) {
        const std::filesystem::path folder = url.path().parent_path();
        if (folders.insert(folder).second && !open(qurl(folder))) {
            failed.push_back(QString::fromStdString(folder.string()));
        }
    }
    if (failed.isEmpty()) {
        return std::nullopt;
    }
    return Failure{failed.size() == 1 ? ui::tr("The folder could not be shown")
                                      : ui::tr("The folders could not be shown"),
                   failed.join(QLatin1Char('\n')) + QStringLiteral("\n\n") +
                       ui::tr("No file manager could be started.")};
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
