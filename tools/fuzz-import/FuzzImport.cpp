// libFuzzer entry: every input goes through the RTF reader and through the property-list reading
// of the earlier version's settings, with every typed reader applied to every value.
#include "storage/OldSettingsValue.h"
#include "storage/RtfReader.h"
#include "storage/TextListImportDecoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void walk(const fen::OldSettingsValue& value) {
    if (auto text = value.text()) {
        check(fen::TextListImportDecoder::isValidUtf8(*text));
    }
    (void)value.integer();
    (void)value.real();
    (void)value.truth();
    (void)value.date();
    if (const auto* items = value.array()) {
        for (const auto& item : *items) {
            walk(item);
        }
    }
    for (const std::string& key : value.keys()) {
        check(fen::TextListImportDecoder::isValidUtf8(key));
        const fen::OldSettingsValue* member = value.member(key);
        check(member != nullptr);
        walk(*member);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (auto text = fen::RtfReader::plainText(bytes)) {
        check(fen::TextListImportDecoder::isValidUtf8(*text));
    }
    if (auto root = fen::OldSettingsValue::parse(bytes)) {
        walk(*root);
    }
    return 0;
}
