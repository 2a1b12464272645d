#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace fen::pdf {

// Reads the bytes cairo appended to a recording while it finished one page (its show_page):
// whether that page's content stream paints anything. Much cheaper than reading the page back
// with qpdf, so the merge never opens the many pages a write records but leaves empty.
class RecordingScanner {
public:
    RecordingScanner();
    ~RecordingScanner();
    RecordingScanner(const RecordingScanner&) = delete;
    RecordingScanner& operator=(const RecordingScanner&) = delete;

    // Whether the page written in `pageBytes` paints; none when the bytes are not laid out as
    // cairo lays out a page (the caller then reads the page with qpdf).
    std::optional<bool> pagePaints(std::string_view pageBytes);

private:
    struct Inflater;
    std::unique_ptr<Inflater> inflater_;
    std::string content_;
};

} // namespace fen::pdf
