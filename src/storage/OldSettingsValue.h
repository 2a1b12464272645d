#pragma once

#include "platform/foundation/Dates.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fen {

// One value of the earlier version's settings file, a property list (XML or binary) read with
// libplist into a tree of our own. The typed readers follow the rules by which the old records
// are read: a value of another type reads as nothing, and the caller takes its default.
class OldSettingsValue {
public:
    enum class Type { none, boolean, integer, real, text, date, data, array, dictionary };

    // The property list in `bytes`, XML or binary; nothing when the bytes are no property list or
    // nest deeper than maxDepth.
    static std::optional<OldSettingsValue> parse(std::string_view bytes);

    static constexpr int maxDepth = 256;

    Type type() const { return type_; }

    // A string.
    std::optional<std::string> text() const;
    // A number that is a whole number: an integer, or a real without fraction within the range
    // of a 64-bit integer.
    std::optional<std::int64_t> integer() const;
    // Any number.
    std::optional<double> real() const;
    // A boolean, or a number that is 0 or 1.
    std::optional<bool> truth() const;
    std::optional<Date> date() const;

    // The items of an array; nothing for other types.
    const std::vector<OldSettingsValue>* array() const;
    // The keys of a dictionary in the file's order (each once); empty for other types.
    const std::vector<std::string>& keys() const { return keys_; }
    // The dictionary member of that key; nullptr when there is none or this is no dictionary.
    const OldSettingsValue* member(std::string_view key) const;

    // Typed members of a dictionary: nothing when the key is missing or of another type.
    std::optional<std::string> text(std::string_view key) const;
    std::optional<std::int64_t> integer(std::string_view key) const;
    std::optional<double> real(std::string_view key) const;
    std::optional<bool> truth(std::string_view key) const;
    std::optional<Date> date(std::string_view key) const;

private:
    // Copies a libplist node (a plist_t) and everything below it; false when it nests deeper
    // than maxDepth.
    static bool build(void* node, OldSettingsValue& out, int depth);

    Type type_ = Type::none;
    bool boolean_ = false;
    std::int64_t integer_ = 0;
    double real_ = 0;
    std::string text_; // text, or the bytes of data
    std::vector<std::string> keys_;
    std::vector<OldSettingsValue> items_; // array items, or dictionary values beside keys_
};

} // namespace fen
