#pragma once

#include "platform/foundation/Url.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QFrame;
class QUrl;
class QWidget;

namespace fen {

// The share sheet of the desktop: a popover with "Open" (each file in its default application),
// "Show in File Manager" (the folders that hold them) and "Copy" (the files on the clipboard as
// text/uri-list). Each entry acts and closes the popover; an opening the desktop could not start
// (no program to open PDF files or folders) is told in an alert over the window, with the reason.
class FelDocumentShareSheetView {
public:
    // Hands an address to the desktop; false when no program could be started for it.
    using Opener = std::function<bool(const QUrl& url)>;

    FelDocumentShareSheetView() = delete;

    // Opens the popover at `sourceView`, or at the centre of `window` when there is none;
    // nothing for no files or no window. Returns the popover shown. `open` defaults to the
    // desktop's opener.
    static QFrame* presentShareSheet(const std::vector<Url>& urls, QWidget* sourceView,
                                     QWidget* window, Opener open = {});

    // Each opening returns the alert's title and text when one could not be started, else none.
    struct Failure {
        QString title;
        QString message;
    };
    static std::optional<Failure> openFiles(const std::vector<Url>& urls, const Opener& open);
    static std::optional<Failure> showInFileManager(const std::vector<Url>& urls,
                                                    const Opener& open);
    static void copyFiles(const std::vector<Url>& urls);
};

} // namespace fen
