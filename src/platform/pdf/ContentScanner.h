#pragma once

#include <string_view>

namespace fen::pdf {

// What a page's content stream leaves behind and whether it paints anything, found by a fast
// scan of its tokens (strings, comments, names and inline image data are skipped, so a "q" inside
// them does not count).
struct ContentScan {
    // q minus Q over the whole stream.
    int netDepth = 0;
    // The lowest depth reached: below 0 when the stream restores states it never saved.
    int minDepth = 0;
    // True when an operator that paints (fills, strokes, text, images, shadings, XObjects) occurs.
    bool paints = false;

    // How many q must precede the stream so that none of its Q pops a state saved before it.
    int leadingSaves() const { return -minDepth; }
};

// Scans decoded content-stream bytes. Linear in their length; qpdf's tokenizer gives the same
// counts but costs far more per page.
class ContentScanner {
public:
    static ContentScan scan(std::string_view content);
};

} // namespace fen::pdf
