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
// text/uri-list). Each entry acts and closes the popover. An opening that fails is told in an
// alert over the window, with the reason: the desktop could start no opener, or its opener
// (xdg-open) ended with a failure of its own, as when no program for PDF files or no file manager
// is set up.
class FelDocumentShareSheetView {
public:
    // What became of one opening; `exitCode` is the opener's status when it failed.
    struct Opening {
        enum class Result { opened, notStarted, failed };
        Result result = Result::opened;
        int exitCode = 0;
    };
    // Hands an address to the desktop and reports once, later or at once, what became of it.
    using Opener = std::function<void(const QUrl& url, std::function<void(Opening)> reported)>;

    // The alert's title and text for openings that failed.
    struct Failure {
        QString title;
        QString message;
    };
    // Told once every opening of an entry is reported: the failure, or none.
    using Told = std::function<void(const std::optional<Failure>& failure)>;

    FelDocumentShareSheetView() = delete;

    // The desktop's opener: xdg-open run on the address, found on the PATH, its end awaited off
    // the event loop's way. An opener still running after `patience` milliseconds has started a
    // program of its own in the foreground, and counts as opened. Without xdg-open, Qt's own
    // desktop services, which tell only whether a program started.
    static Opener desktopOpener(int patience = 10000);

    // Opens the popover at `sourceView`, or at the centre of `window` when there is none;
    // nothing for no files or no window. Returns the popover shown. `open` defaults to the
    // desktop's opener.
    static QFrame* presentShareSheet(const std::vector<Url>& urls, QWidget* sourceView,
                                     QWidget* window, Opener open = {});

    static void openFiles(const std::vector<Url>& urls, const Opener& open, Told told);
    static void showInFileManager(const std::vector<Url>& urls, const Opener& open, Told told);
    static void copyFiles(const std::vector<Url>& urls);
};

} // namespace fen
