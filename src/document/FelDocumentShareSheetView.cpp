#include "document/FelDocumentShareSheetView.h"

#include "ui/Sheets.h"

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
                                                     QWidget* sourceView, QWidget* window) {
    if (urls.empty() || (!sourceView && !window)) {
        return nullptr;
    }
    QWidget* anchor = sourceView ? sourceView : window;
    QFrame* popover = ui::makePopover(anchor);
    popover->setAccessibleName(QStringLiteral("Share"));
    auto* layout = new QVBoxLayout(popover);
    QPointer<QFrame> guard(popover);
    const std::pair<const char*, std::function<void(const std::vector<Url>&)>> entries[] = {
        {"Open", &FelDocumentShareSheetView::openFiles},
        {"Show in File Manager", &FelDocumentShareSheetView::showInFileManager},
        {"Copy", &FelDocumentShareSheetView::copyFiles},
    };
    for (const auto& [title, action] : entries) {
        auto* button = new QPushButton(QString::fromLatin1(title), popover);
        button->setFlat(true);
        layout->addWidget(button);
        QObject::connect(button, &QPushButton::clicked, popover, [guard, urls, action = action] {
            action(urls);
            if (guard) {
                guard->close();
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

void FelDocumentShareSheetView::openFiles(const std::vector<Url>& urls) {
    for (const Url& url : urls) {
        QDesktopServices::openUrl(qurl(url.path()));
    }
}

void FelDocumentShareSheetView::showInFileManager(const std::vector<Url>& urls) {
    std::set<std::filesystem::path> folders;
    for (const Url& url : urls) {
        if (folders.insert(url.path().parent_path()).second) {
            QDesktopServices::openUrl(qurl(url.path().parent_path()));
        }
    }
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
