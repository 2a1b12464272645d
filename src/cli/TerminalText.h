#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

namespace fen::cli {

// A name as it may be shown on a terminal: every control character (C0, DEL and the C1 range),
// every bidirectional embedding, override and isolate (U+202A-U+202E, U+2066-U+2069), and every
// byte that is not part of valid UTF-8, written byte by byte as "\xHH" with two lower-case hex
// digits, so a stored name can never move the cursor, recolour or retitle the terminal, nor
// reorder the line; a backslash is written "\\", so that an escape read on the terminal is never
// one the name itself spells. Anything else stays as it is. Output to a pipe or a file is
// written exact, without this.
std::string escapedForTerminal(std::string_view text);

// Whether `stream` is the program's standard output or standard error, and that is a terminal.
bool isTerminal(const std::ostream& stream);

// `text` (a name, or a line that holds one) as it is written to `stream`: escaped on a terminal,
// exact on a pipe or in a file, so that scripts and `-0` pipelines get the real bytes.
std::string shownOn(const std::ostream& stream, std::string_view text);

} // namespace fen::cli
