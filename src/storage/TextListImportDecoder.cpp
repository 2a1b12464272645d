#include "storage/TextListImportDecoder.h"

#include <uchardet.h>

#include <cerrno>
#include <iconv.h>
#include <memory>

namespace fen {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// An iconv descriptor that closes itself.
class Converter {
public:
    explicit Converter(const std::string& from) : cd_(iconv_open("UTF-8", from.c_str())) {}
    ~Converter() {
        if (valid()) {
            iconv_close(cd_);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts everything; a bad sequence either ends the conversion (strict) or becomes U+FFFD.
    std::optional<std::string> run(std::string_view bytes, bool lenient) {
        std::string out;
        out.reserve(bytes.size() + bytes.size() / 2 + 16);
        char buffer[4096];
        char* in = const_cast<char*>(bytes.data());
        size_t inLeft = bytes.size();
        while (inLeft > 0) {
            char* dst = buffer;
            size_t dstLeft = sizeof buffer;
            size_t rc = iconv(cd_, &in, &inLeft, &dst, &dstLeft);
            out.append(buffer, dst);
            if (rc != static_cast<size_t>(-1)) {
                continue;
            }
            if (errno == E2BIG) {
                continue;
            }
            if (!lenient) {
                return std::nullopt;
            }
            out.append(kReplacement);
            if (errno == EINVAL) {
                break; // an incomplete sequence at the end
            }
            ++in;
            --inLeft;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        // Flush any shift state.
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        if (iconv(cd_, nullptr, nullptr, &dst, &dstLeft) == static_cast<size_t>(-1) && !lenient) {
            return std::nullopt;
        }
        out.append(buffer, dst);
        return out;
    }

private:
    iconv_t cd_;
};

bool startsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

// True when control characters other than the line and tab characters make up more than one in
// twenty characters: a binary file that happened to convert.
bool looksBinary(std::string_view utf8) {
    size_t controls = 0;
    size_t characters = 0;
    for (unsigned char c : utf8) {
        if ((c & 0xC0) == 0x80) {
            continue;
        }
        ++characters;
        if ((c < 0x20 && !(c >= 0x09 && c <= 0x0D)) || c == 0x7F) {
            ++controls;
        }
    }
    return controls * 20 > characters;
}

std::optional<std::string> checked(std::optional<std::string> text) {
    if (text && looksBinary(*text)) {
        return std::nullopt;
    }
    return text;
}

struct DetectorDeleter {
    void operator()(uchardet* detector) const { uchardet_delete(detector); }
};

std::string detectCharset(std::string_view bytes) {
    std::unique_ptr<uchardet, DetectorDeleter> detector(uchardet_new());
    if (!detector || uchardet_handle_data(detector.get(), bytes.data(), bytes.size()) != 0) {
        return {};
    }
    uchardet_data_end(detector.get());
    const char* name = uchardet_get_charset(detector.get());
    return name ? std::string(name) : std::string();
}

// The length of the well-formed UTF-8 sequence at `i` (no overlong forms, surrogates or values
// above U+10FFFF); 0 when the bytes there are none.
size_t validSequenceLength(std::string_view bytes, size_t i) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
        return 1;
    }
    size_t length;
    char32_t value;
    char32_t minimum;
    if ((c & 0xE0) == 0xC0) {
        length = 2;
        value = c & 0x1F;
        minimum = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        length = 3;
        value = c & 0x0F;
        minimum = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        length = 4;
        value = c & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (bytes.size() - i < length) {
        return 0;
    }
    for (size_t k = 1; k < length; ++k) {
        unsigned char next = static_cast<unsigned char>(bytes[i + k]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return 0;
    }
    return length;
}

} // namespace

std::optional<std::string> TextListImportDecoder::decodeText(std::string_view bytes) {
    if (bytes.empty()) {
        return std::string();
    }
    struct Bom {
        std::string_view mark;
        const char* charset;
    };
    // UTF-32 LE before UTF-16 LE: its mark begins with the UTF-16 one.
    static const Bom boms[] = {
        {std::string_view("\xEF\xBB\xBF", 3), "UTF-8"},
        {std::string_view("\xFF\xFE\x00\x00", 4), "UTF-32LE"},
        {std::string_view("\x00\x00\xFE\xFF", 4), "UTF-32BE"},
        {std::string_view("\xFF\xFE", 2), "UTF-16LE"},
        {std::string_view("\xFE\xFF", 2), "UTF-16BE"},
    };
    for (const Bom& bom : boms) {
        if (startsWith(bytes, bom.mark)) {
            return checked(convert(bytes.substr(bom.mark.size()), bom.charset));
        }
    }
    if (bytes.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    if (isValidUtf8(bytes)) {
        return checked(std::string(bytes));
    }
    std::string charset = detectCharset(bytes);
    if (charset.empty()) {
        return std::nullopt;
    }
    return checked(convert(bytes, charset));
}

std::optional<std::string> TextListImportDecoder::convert(std::string_view bytes,
                                                          const std::string& charset) {
    Converter converter(charset);
    if (!converter.valid()) {
        return std::nullopt;
    }
    auto text = converter.run(bytes, false);
    if (text && !isValidUtf8(*text)) {
        return std::nullopt;
    }
    return text;
}

std::optional<std::string> TextListImportDecoder::convertLenient(std::string_view bytes,
                                                                 const std::string& charset) {
    Converter converter(charset);
    if (!converter.valid()) {
        return std::nullopt;
    }
    return converter.run(bytes, true);
}

bool TextListImportDecoder::isValidUtf8(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size();) {
        size_t length = validSequenceLength(bytes, i);
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

std::string TextListImportDecoder::validUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        size_t length = validSequenceLength(bytes, i);
        if (length == 0) {
            out.append(kReplacement);
            ++i;
        } else {
            out.append(bytes.substr(i, length));
            i += length;
        }
    }
    return out;
}

void TextListImportDecoder::appendUtf8(std::string& out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        out.append(kReplacement);
    } else if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

} // namespace fen
