#pragma once

#include "platform/foundation/Url.h"

#include <QString>
#include <QStringList>

#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

class QWidget;

namespace fen {

// The export picker: lets the user keep copies of the written files. One file: a save dialog
// titled "Export" that suggests the file's name, its stem selected; several: a folder dialog
// titled "Export" that takes them all. Both open in the opened document's folder while it exists,
// else in the home folder. A file that is already there is replaced only after the user confirms,
// and the question says when a destination is the document open in the window. Its default
// answer, Cancel, brings the dialog back where the user left it (the name chosen, selected), so a
// user who only presses Return is asked for another name instead of getting nothing; Escape keeps
// the files that are there and ends the export (the others of several are still copied). Copies
// run off the main thread, each through a temporary file and a rename; copies that fail (a
// folder gone, a full disk) are reported. The dialogs are functions, so tests answer them
// without a window.
class FelDocumentExportPicker {
public:
    using Answer = std::function<void(std::optional<QString>)>;
    // The answers to "Replace the existing file?": replace the files; choose another name or
    // folder in the dialog brought back (Cancel); keep the files there and end (Escape).
    enum class ReplaceAnswer { replace, chooseAnother, keep };
    struct Dialogs {
        // Asks where to save one file, in `folder`, suggesting `name`; answers the path, or none.
        std::function<void(QWidget* parent, const QString& folder, const QString& name,
                           Answer answer)>
            chooseFile;
        // Asks for a folder, starting in `folder`; answers its path, or none.
        std::function<void(QWidget* parent, const QString& folder, Answer answer)> chooseFolder;
        // Asks whether the files of these names may be replaced; `opened` is the name among them
        // that is the document open in the window, or empty.
        std::function<void(QWidget* parent, const QStringList& names, const QString& opened,
                           std::function<void(ReplaceAnswer)> answer)>
            confirmReplace;
        // Tells that copies could not be made: one line per file, its name and the reason.
        std::function<void(QWidget* parent, const QStringList& failures)> reportFailures;
    };
    // What was done: the copies made, in order.
    using Done = std::function<void(const std::vector<std::filesystem::path>& copies)>;

    FelDocumentExportPicker() = delete;

    // The program's dialogs: non-native file dialogs and an alert, window-modal over `parent`.
    static Dialogs systemDialogs();

    // Runs the picker over `parent` for `urls`, starting in `folder` when that is a folder;
    // `done` (if any) runs on the main queue once the copies are made, not when the user cancels.
    // `opened` is the file of the document open in the window, told apart in the question when a
    // destination is that very file.
    static void present(QWidget* parent, const std::vector<Url>& urls, const Dialogs& dialogs,
                        Done done = {},
                        const std::optional<std::filesystem::path>& folder = std::nullopt,
                        const std::optional<std::filesystem::path>& opened = std::nullopt);
    // The folder the dialogs open in: `folder` when it is one, else the home folder.
    static QString startFolder(const std::optional<std::filesystem::path>& folder);
    // The question asked before `count` existing files are replaced, in the singular for one.
    static QString replaceQuestion(qsizetype count);
    // The text under the question: the names, and the sentence that tells which of them is the
    // opened document (`opened`, when not empty).
    static QString replaceDetails(const QStringList& names, const QString& opened);
};

} // namespace fen
