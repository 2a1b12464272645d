#pragma once

#include "platform/foundation/Url.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace fen {

// Reads the list of texts of a text watermark from a file the user picked: one text per line.
// It touches neither the store nor the document model; the text panel turns the texts into list
// items.
class ListOfTextImporter {
public:
    // The largest list file that is read (16 MiB): a larger one would hold the program's memory
    // many times over in texts and list rows, and no one types that many watermarks.
    static constexpr std::uintmax_t maximumFileSize = 16u * 1024 * 1024;
    // The most texts a list takes from a file: each text becomes an output file of the export,
    // and a file within `maximumFileSize` may hold millions of short lines.
    static constexpr std::size_t maximumTextCount = 10000;

    // What an import gave: the texts, or why the file was refused (each refusal gives no texts).
    struct Imported {
        std::vector<std::string> texts;
        // Over `maximumFileSize`, not read.
        bool tooLarge = false;
        // More than `maximumTextCount` texts.
        bool tooManyTexts = false;
        // A folder, a device, a pipe or a socket, refused before a byte is read.
        bool notRegularFile = false;
        // No encoding reads the file as text: each candidate page puts a control character or a
        // sign between the letters of a word. Refused rather than imported with such texts.
        bool unreadable = false;
        // Why the file could not be read (no permission, gone, an input-output error).
        std::error_code readError;
        // Called RTF, or beginning as RTF, but no RTF document the reader follows.
        bool damaged = false;
        // Read, but not one line holds a character that shows (an empty file or RTF document,
        // only line breaks or blank lines): nothing to import.
        bool noText = false;
    };

    // The texts of the file as importTexts() reads them, with each refusal told apart from an
    // empty result. Never blocks on a pipe. Callable from any thread.
    static Imported read(const Url& url);

    // The non-empty lines of the file, in file order and untrimmed. Lines end at LF, VT, FF, CR,
    // NEL, U+2028 and U+2029 (so CR LF leaves an empty piece, which is dropped). A blank line
    // (white space, control and format characters only) is a text among others, but a file of blank
    // lines alone holds no text. An RTF file (".rtf", or any file that begins with "{\rtf") is read
    // as its plain characters; any other file as text in the encoding its byte-order mark names or
    // that detection finds. Never fails: a folder, a device, a pipe, an unreadable or binary file,
    // an undetectable encoding, a broken RTF file, a file without text, one over
    // `maximumFileSize` or one of more than `maximumTextCount` texts give an empty list.
    static std::vector<std::string> importTexts(const Url& url);

    // The plain characters of an RTF file as UTF-8 (the attributed text without its attributes);
    // nothing when the file cannot be read or is no RTF document.
    static std::optional<std::string> attributedText(const Url& url);
};

} // namespace fen
