#pragma once

#include "model/ImageSettings.h"
#include "model/PageNumberSettings.h"
#include "model/StampSettings.h"
#include "model/TextListItem.h"
#include "model/TextSettings.h"
#include "platform/foundation/FileIdentity.h"
#include "platform/foundation/Signal.h"
#include "platform/foundation/Url.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fen {

// What one document window (or one windowless watermarking job) knows about the watermarks to
// apply and how to write the result. Shared by reference (std::shared_ptr; the image holder
// keeps a weak one). Fields are plain: writing one has no side effect. Whoever changes what the
// pages show (a settings record, the selected text) emits watermarkModelPublisher once after the
// change; the editor rebuilds its prepared images and redraws on it. A watermark kind that is not
// used is an absent record (for page numbers: a record without a format text).
class FenWatermarkModel {
public:
    FenWatermarkModel();
    FenWatermarkModel(const FenWatermarkModel&) = delete;
    FenWatermarkModel& operator=(const FenWatermarkModel&) = delete;

    // The working copy of the opened file ("tmp.pdf" in a fresh temporary folder); the saver
    // reads the document's bytes from it again at export.
    std::optional<Url> tmpOriginalDataStorage;
    // The opened file the working copy was made from, and what that file was just before it was
    // read: the saver makes the working copy again from it when the copy was removed meanwhile,
    // as long as it is still that file, unchanged.
    struct WorkingCopySource {
        Url file;
        FileIdentity identity;
    };
    std::optional<WorkingCopySource> workingCopySource;
    // The change signal (no value).
    Signal<> watermarkModelPublisher;
    // The name of the opened file, used for the output names.
    std::string fileName;
    // The texts of the text list; at export each one gives an output file.
    std::vector<std::string> listOfTextItems;
    bool isSecureSaving = false;
    bool isPasswordProtected = false;
    bool isOverwrite = false;
    std::optional<std::string> password;
    // The document identifier: every scoped notification name of the document ends in "_" and it.
    std::optional<std::string> processorID;
    // The page count of the document, 1 until a document is shown.
    std::int64_t maxNumberOfPage = 1;
    // The text the text watermark shows.
    std::optional<TextListItem> selectedTextItem;
    std::optional<TextSettings> textConf;
    std::optional<ImageSettings> imageConf;
    std::optional<StampSettings> stampConf;
    std::optional<PageNumberSettings> otherConf;

    // The page-number settings a new model starts with: no format text (so no number is drawn
    // until a panel sets one), top left, the default family and style at 18 points, pages 1 to 2
    // starting at 1, plain numbers, no offsets.
    static PageNumberSettings defaultPageNumberSettings();
};

} // namespace fen
