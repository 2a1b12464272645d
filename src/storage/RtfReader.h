#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace fen {

// A small reader of RTF documents that keeps only their characters, for importing a list of
// texts from an RTF file. It follows groups and the document's code page (\ansicpg, \mac, \pc,
// \pca, and the font table's \fcharset and \cpg for \fN), reads \'hh bytes in that code page and
// \uN with its \ucN fallback characters, and skips destinations that hold no document text (font,
// colour and style tables, document information, pictures, objects, headers, footers, field
// instructions and every \* group). Formatting is dropped.
class RtfReader {
public:
    // The plain characters of an RTF document as UTF-8: paragraph ends, line breaks, page and
    // section breaks and table rows become "\n", tabs and table cells "\t". Nothing when the bytes
    // do not begin with "{\rtf" or nest groups deeper than maxGroupDepth; a document cut short
    // gives what was read until then.
    static std::optional<std::string> plainText(std::string_view rtf);

    // Groups nest no deeper than this in any document a program writes; deeper input is rejected
    // rather than followed.
    static constexpr size_t maxGroupDepth = 1000;
};

} // namespace fen
