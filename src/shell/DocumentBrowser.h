#pragma once

#include "platform/foundation/Url.h"

#include <vector>

namespace fen {

class Scene;
class Shell;

// What the shared document browser decides, apart from the file dialog that draws it: the
// welcome flag once per build, and, when files are picked, its own window closed before the
// files are handed to the registry (so a picked file already open only comes forward).
class DocumentBrowser {
public:
    explicit DocumentBrowser(Shell& shell) : shell_(shell) {}

    // Set each time the browser becomes a window's content.
    bool allowsMultipleSelection = false;
    bool allowsDocumentCreation = true;
    bool hasWelcomeWhatsNewClass = false;

    // The window shows the browser: the welcome check runs one turn later, when the browser is
    // still shown then. A window restored at start shows the browser only until its document
    // takes its place in the same turn; the user never saw it, so the welcome waits for a
    // browser that stays.
    void didAppear();
    void showWelcomeOnce();
    void closeOwnScene();
    void didPick(const std::vector<Url>& urls);
    // The scene whose window shows the browser.
    Scene* scene() const;

private:
    Shell& shell_;
};

} // namespace fen
