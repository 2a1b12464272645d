#include "platform/qr/QRSymbol.h"

#include <qrencode.h>

#include <algorithm>
#include <memory>

namespace fen::qr {

namespace {

struct InputDeleter {
    void operator()(QRinput* input) const { QRinput_free(input); }
};
struct CodeDeleter {
    void operator()(QRcode* code) const { QRcode_free(code); }
};

// The ECI designator of UTF-8.
constexpr unsigned int kEciUtf8 = 26;

} // namespace

QRSymbol::QRSymbol(int size, std::vector<bool> modules)
    : size_(size), modules_(std::move(modules)) {}

bool QRSymbol::isDark(int x, int y) const {
    if (x < 0 || y < 0 || x >= size_ || y >= size_) {
        return false;
    }
    return modules_[static_cast<size_t>(y) * static_cast<size_t>(size_) + static_cast<size_t>(x)];
}

std::optional<QRSymbol> QRSymbol::encode(std::string_view bytes) {
    if (bytes.empty() || bytes.size() > static_cast<size_t>(INT32_MAX)) {
        return std::nullopt;
    }
    std::unique_ptr<QRinput, InputDeleter> input(QRinput_new2(0, QR_ECLEVEL_M));
    if (!input) {
        return std::nullopt;
    }
    const bool beyondAscii = std::any_of(
        bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) > 0x7F; });
    if (beyondAscii && QRinput_appendECIheader(input.get(), kEciUtf8) != 0) {
        return std::nullopt;
    }
    if (QRinput_append(input.get(), QR_MODE_8, static_cast<int>(bytes.size()),
                       reinterpret_cast<const unsigned char*>(bytes.data())) != 0) {
        return std::nullopt;
    }
    std::unique_ptr<QRcode, CodeDeleter> code(QRcode_encodeInput(input.get()));
    if (!code || code->width <= 0) {
        return std::nullopt;
    }
    const int size = code->width;
    std::vector<bool> modules(static_cast<size_t>(size) * static_cast<size_t>(size));
    for (size_t i = 0; i < modules.size(); ++i) {
        // Bit 0 of each byte is the module's colour; the other bits say what the module is for.
        modules[i] = (code->data[i] & 1) != 0;
    }
    return QRSymbol(size, std::move(modules));
}

} // namespace fen::qr
