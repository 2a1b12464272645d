#pragma once

#include "platform/foundation/Dates.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fen {

// One value of the earlier version's settings file, a property list (XML or binary) read with
// libplist into a tree of our own. The typed readers follow the rules by which the old records
// are read: a value of another type reads as nothing, and the caller takes its default.
//
// The file is not trusted: it is read only within bounds on its size, its depth and the number of
// values it expands to, and each bound is checked before libplist reads the file, in the form
// libplist will read it. A binary list may refer to one object from many places (and to itself);
// each reference becomes a copy in the tree, so a small file could expand without end: its object
// table is walked first, without recursion, as the tree would expand it (libplist's binary reader
// recurses without a bound). An XML list is followed element by element as libplist's XML reader
// nests them (that reader frees what it built by recursion, so even a list it refuses must not be
// nested too deep). A form the walk or the scan cannot follow is refused, never handed over.
class OldSettingsValue {
public:
    enum class Type { none, boolean, integer, real, text, date, data, array, dictionary };

    // Bounds of a settings file. The earlier version kept tens of presets; these leave room for
    // a hundred thousand entries while keeping the tree of a hostile file to some hundred MB.
    static constexpr int maxDepth = 256;
    static constexpr std::size_t maxValues = 1'000'000;
    static constexpr std::size_t maxBytes = 32u * 1024 * 1024;

    // The property list in `bytes`, or why it is refused ("nested deeper than 256 levels"),
    // expanding to at most `valueLimit` values.
    struct Parsed;
    static Parsed read(std::string_view bytes, std::size_t valueLimit = maxValues);
    // The same, without the reason.
    static std::optional<OldSettingsValue> parse(std::string_view bytes);

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
    // The values of a dictionary beside keys(); empty for other types.
    const std::vector<OldSettingsValue>& values() const {
        return type_ == Type::dictionary ? items_ : empty();
    }
    // The dictionary member of that key; nullptr when there is none or this is no dictionary.
    // Found by binary search, so a dictionary of many keys is read in n log n.
    const OldSettingsValue* member(std::string_view key) const;

    // Typed members of a dictionary: nothing when the key is missing or of another type.
    std::optional<std::string> text(std::string_view key) const;
    std::optional<std::int64_t> integer(std::string_view key) const;
    std::optional<double> real(std::string_view key) const;
    std::optional<bool> truth(std::string_view key) const;
    std::optional<Date> date(std::string_view key) const;

private:
    // Tests reach build() with trees no file within the bounds gives.
    friend struct OldSettingsValueTestAccess;

    static const std::vector<OldSettingsValue>& empty();
    // What build() carries through the tree: the values still allowed, and whether every key is
    // known to be a text without NUL, so that libplist's own key getter may read it.
    struct BuildState {
        std::size_t budget = 0;
        bool plainKeys = false;
    };
    // Copies a libplist node (a plist_t) and everything below it; false when it nests deeper
    // than maxDepth or the budget runs out.
    static bool build(void* node, OldSettingsValue& out, int depth, BuildState& state);
    // Orders the keys for member() and drops repeated keys (the first one counts).
    void indexKeys();

    Type type_ = Type::none;
    bool boolean_ = false;
    std::int64_t integer_ = 0;
    double real_ = 0;
    std::string text_; // text, or the bytes of data
    std::vector<std::string> keys_;
    std::vector<OldSettingsValue> items_; // array items, or dictionary values beside keys_
    std::vector<std::uint32_t> order_;    // indices of keys_ in key order
};

struct OldSettingsValue::Parsed {
    std::optional<OldSettingsValue> value;
    std::string problem; // empty when value holds the list
};

} // namespace fen
