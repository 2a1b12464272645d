#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace fen::pdf {

// Reads the bytes cairo appended to a recording while it finished one page (its show_page):
// whether that page's content stream paints anything, and which earlier page was recorded alike.
// Much cheaper than reading the pages back with qpdf, so the merge never opens the many pages a
// write records but leaves empty, nor the pages that repeat an earlier one (a watermark drawn
// alike on every page).
class RecordingScanner {
public:
    RecordingScanner();
    ~RecordingScanner();
    RecordingScanner(const RecordingScanner&) = delete;
    RecordingScanner& operator=(const RecordingScanner&) = delete;

    // Whether the page written in `pageBytes` paints; none when the bytes are not laid out as
    // cairo lays out a page (the caller then reads the page with qpdf).
    std::optional<bool> pagePaints(std::string_view pageBytes);

    // Remembers the page `page` that cairo wrote at the end of `recording` from `pageStart` on,
    // and gives the first earlier remembered page that reads alike, or -1. Pages read alike when
    // their bytes are the same objects, token for token (comments aside), once the numbers of the
    // objects each page defines itself are replaced by their order; objects defined elsewhere
    // keep their numbers and so are the very same objects. Two such pages are the same drawing
    // with the same resources. `recording` is the whole recording so far: stream data is
    // compared in it rather than copied. Pages whose bytes are not laid out as cairo lays them
    // out are remembered as alike to none.
    int earlierAlike(std::string_view recording, size_t pageStart, int page);

private:
    // A remembered page: its number and where its stream data lies in the recording.
    struct Remembered {
        int page = -1;
        std::vector<std::pair<size_t, size_t>> data;
    };

    struct Inflater;
    std::unique_ptr<Inflater> inflater_;
    std::string content_;
    std::unordered_map<std::string, std::vector<Remembered>> pages_;
};

} // namespace fen::pdf
