#pragma once

#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <utility>

namespace fen {

// What preparing a document's watermarks tells its user besides what it draws: a text drawn cut
// at maximumWatermarkTextLength, a stamp too long to draw, a picture that cannot be used. A scope
// is one window, however often its preview is rebuilt and however many files its exports write,
// or one run of the command line over all its files: in it each notice is told once, and a notice
// of one kind is told again only for another subject (another picture). The holders of a scope
// share one object. Callable from any thread.
class WatermarkNotices {
public:
    enum class Kind {
        // Drawn cut at the bound.
        stampTextCut,
        stampNameCut,
        textCut,
        pageNumberFormatCut,
        // Left out of the page: drawn one pixel high, the stamp's picture would be larger than a
        // bitmap may be.
        stampTooLong,
        // Left out of the page: the image watermark's file gives no picture; the subject is the
        // file.
        pictureUnusable,
    };

    // Receives each notice told: its kind and one sentence for the user.
    using Sink = std::function<void(Kind kind, const std::string& line)>;

    // Without a sink the lines go to the log as warnings.
    explicit WatermarkNotices(Sink sink = {});

    // Hands `line` to the sink unless a notice of `kind` about `subject` was told in this scope.
    void tell(Kind kind, const std::string& line, const std::string& subject = {});

    // Tells a notice of `kind` that `what` ("The stamp text") is drawn cut, when `text` is longer
    // than maximumWatermarkTextLength characters; nothing otherwise.
    void tellWhenCut(Kind kind, std::string_view what, std::string_view text);

    // Replaces the sink for later notices; what was told stays told.
    void setSink(Sink sink);

    // The scope of whatever is given none: the process's, which for the command line is its run.
    static WatermarkNotices& shared();

private:
    std::mutex mutex_;
    Sink sink_;
    std::set<std::pair<Kind, std::string>> told_;
};

} // namespace fen
