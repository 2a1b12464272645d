#include "rendering/PagenumberStringConverter.h"

#include "model/PageNumerals.h"

#include <string_view>

namespace fen {

namespace {

void replaceAll(std::string& text, std::string_view tag, const std::string& value) {
    std::string out;
    out.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t at = text.find(tag); at != std::string::npos; at = text.find(tag, from)) {
        out.append(text, from, at - from);
        out += value;
        from = at + tag.size();
    }
    out.append(text, from, std::string::npos);
    text = std::move(out);
}

} // namespace

std::string PagenumberStringConverter::formatPageNumberText(std::int64_t current,
                                                            std::int64_t total, std::int64_t last,
                                                            const std::string& format,
                                                            OtherStyles style) {
    const auto width = static_cast<std::int64_t>(std::to_string(total).size());
    std::string text = format;
    replaceAll(text, "#currentPage", formattedPageNumber(current, width, style));
    replaceAll(text, "#totalPages", formattedPageNumber(total, width, style));
    replaceAll(text, "#lastPage", formattedPageNumber(last, width, style));
    return text;
}

} // namespace fen
