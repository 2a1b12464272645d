#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace fen::qr {

// The module grid of a QR code symbol, without a quiet zone: `size()` × `size()` modules, each
// dark or light. Made by libqrencode at error-correction level M (about 15 % of the code words
// recoverable), the version chosen by the payload's length.
class QRSymbol {
public:
    // The symbol for `bytes`, encoded as 8-bit data. A payload with a byte above 0x7F (UTF-8
    // text beyond ASCII) starts with an ECI 26 header, which tells readers that the bytes are
    // UTF-8; without it readers guess a character set and may show other characters. None for an
    // empty payload or one too long for any symbol version.
    static std::optional<QRSymbol> encode(std::string_view bytes);

    int size() const { return size_; }
    // True for a dark module; false outside the grid.
    bool isDark(int x, int y) const;

private:
    QRSymbol(int size, std::vector<bool> modules);

    int size_ = 0;
    std::vector<bool> modules_;
};

} // namespace fen::qr
