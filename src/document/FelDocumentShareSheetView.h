#pragma once

#include "platform/foundation/Url.h"

#include <vector>

class QFrame;
class QWidget;

namespace fen {

// The share sheet of the desktop: a popover with "Open" (each file in its default application),
// "Show in File Manager" (the folders that hold them) and "Copy" (the files on the clipboard as
// text/uri-list). Each entry acts and closes the popover.
class FelDocumentShareSheetView {
public:
    FelDocumentShareSheetView() = delete;

    // Opens the popover at `sourceView`, or at the centre of `window` when there is none;
    // nothing for no files or no window. Returns the popover shown.
    static QFrame* presentShareSheet(const std::vector<Url>& urls, QWidget* sourceView,
                                     QWidget* window);

    static void openFiles(const std::vector<Url>& urls);
    static void showInFileManager(const std::vector<Url>& urls);
    static void copyFiles(const std::vector<Url>& urls);
};

} // namespace fen
