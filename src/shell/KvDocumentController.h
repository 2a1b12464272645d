#pragma once

#include "platform/foundation/Url.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fen {

class KvDocument;
class Scene;
class Shell;

// One text for every way of naming a file: the canonical path (symbolic links followed, "." and
// ".." gone) of an existing file, the cleaned absolute path of a file that does not exist, and
// any other address as it stands. Two URLs name the same file when their texts are equal.
std::string fileIdentity(const Url& url);

// The tablet build's list of recently opened files.
class KviOSRecentDocument {
public:
    virtual ~KviOSRecentDocument() = default;
    virtual void add(const Url& url) = 0;
};

// The one registry of open documents, in the order they were opened. It owns them: a window's
// view holds its document weakly. It opens files, closes a scene's document, finds the window
// that shows a file, and decides for picked files whether a window comes forward or a new one
// is requested.
class KvDocumentController {
public:
    explicit KvDocumentController(Shell& shell);

    KviOSRecentDocument* iosRecentDocument = nullptr;
    const std::vector<std::shared_ptr<KvDocument>>& documents() const { return documents_; }

    // Closes and forgets the first document of that scene; documents without a scene never
    // match.
    void closeDocument(const std::string& sceneIdentifier);
    void closeDocuments(const std::vector<std::string>& sceneIdentifiers);
    // The connected scene that shows the first registered document of this file (reached by any
    // path to it).
    Scene* windowScene(const std::optional<Url>& url) const;
    // Makes a new registered document of the file; none without a document delegate. Once its
    // window has opened the file (read it as a PDF), the file joins the desktop's recent files and
    // Open Recent is rebuilt 2 s later; a file that fails to open never joins.
    std::shared_ptr<KvDocument> openDocument(const std::optional<Url>& url);
    // The tablet road: the first file shown over the presenting window.
    void presentDocument(Scene* presenter, const std::vector<Url>& urls, bool animated);
    // For each file in order: the window of a registered document of that file, by whatever path
    // it was reached, comes forward, or a new window is requested (and Open Recent is rebuilt
    // 2 s later).
    void openPickedDocuments(const std::vector<Url>& urls);
    // Brings the browser window forward, or requests one; one main-thread turn later.
    void showDocumentBrowser();

private:
    std::shared_ptr<KvDocument> firstDocument(const Url& url) const;
    void refreshRecentMenuLater();

    Shell& shell_;
    std::vector<std::shared_ptr<KvDocument>> documents_;
};

} // namespace fen
