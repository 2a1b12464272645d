#pragma once

#include "export/FenExportRenderer.h"
#include "platform/foundation/Url.h"

#include <any>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fen {

class TemporaryFolder;

// The folders of a save's written files: while a holder lives, they stay; the last one gone
// removes them.
using RenderFolders = std::vector<std::shared_ptr<TemporaryFolder>>;

// What the saver asks of the window that shows it: the panels and pickers a save goes through.
// The window's saver view answers; tests answer with recorders. Each is called on the main queue.
class FelDocumentSaverPresenter {
public:
    virtual ~FelDocumentSaverPresenter() = default;

    // Asks for the password of the files; the answer comes back through
    // FelDocumentSaverModel::passwordEntered.
    virtual void presentPasswordPanel() = 0;
    // Shows the progress panel or hides it, as FelDocumentSaverProgressModel::isProgressPresented
    // says; once the panel has closed, the presenter calls
    // FelDocumentSaverModel::progressPanelDidClose, which delivers the files of a finished save.
    virtual void syncProgressPresented() = 0;
    // Offers the written files to other programs, pointing at `anchor` (the last anchor the
    // toolbar announced; empty when none did).
    virtual void presentShareSheet(const std::vector<Url>& urls, const std::any& anchor) = 0;
    // Lets the user copy the written files where they choose; `folders` is held until the copies
    // are made or the user declined.
    virtual void presentExportPicker(const std::vector<Url>& urls, RenderFolders folders) = 0;
    // Asks whether the opened file `name` may be replaced by the watermarked copy; `answer` gets
    // the user's word (true for Replace), or is never called when the window goes first.
    virtual void confirmOverwrite(const std::string& name, std::function<void(bool)> answer) = 0;
    // Tells, in an alert over the window, which files of the save were not written and why
    // (each output with its name and its failure). Shown after the delivery of the files that
    // were written, if any, so it lies on top.
    virtual void presentRenderFailures(const std::vector<FenExportRenderer::Output>& failures) = 0;
};

} // namespace fen
