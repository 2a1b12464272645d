#pragma once

#include "platform/foundation/Dates.h"
#include "platform/foundation/Url.h"

#include <cstdint>
#include <exception>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fen {

// The JSON value of stored records. Members keep the order in which they were written, so a
// record's text lists its fields in declaration order.
using Json = nlohmann::ordered_json;

// A failed read of a stored record: what went wrong, and where. The coding path names the
// members from the outermost record inwards; array elements appear as "[index]". Readers of
// whole blobs catch it and decide what happens to the blob.
class JsonError : public std::exception {
public:
    enum class Kind {
        keyNotFound,   // a required member is missing
        valueNotFound, // a member that needs a value holds null
        typeMismatch,  // a value of the wrong JSON type, or a bad one-key enumeration object
        dataCorrupted, // the right type but an unusable value (12.5 for a whole number), bad text
    };

    JsonError(Kind kind, std::string message, std::vector<std::string> codingPath = {});

    Kind kind() const { return kind_; }
    // The description without the path ("Invalid number of keys found, expected one.").
    const std::string& message() const { return message_; }
    const std::vector<std::string>& codingPath() const { return codingPath_; }
    // The path as one text: "presets[2].preset.position"; empty at the root.
    std::string pathString() const;
    // "path: message", or the message alone at the root.
    const char* what() const noexcept override { return what_.c_str(); }

    // Readers of enclosing records put the member name (or "[index]") in front as the error
    // travels outwards.
    void prependPath(std::string component);

private:
    void rebuildWhat();

    Kind kind_;
    std::string message_;
    std::vector<std::string> codingPath_;
    std::string what_;
};

// Dates inside records: seconds since 2001-01-01 UTC, as a JSON number with fraction.
void to_json(Json& j, const Date& date);
void from_json(const Json& j, Date& date);

namespace json {

// Strict readers of single values. Unlike nlohmann's own get<>(), they never convert between
// types: an integer must be a whole number in the range of int64 (12.5 fails, so does true), a
// double any number, a text a string, a truth value a boolean.
void readValue(const Json& j, std::int64_t& out);
void readValue(const Json& j, double& out);
void readValue(const Json& j, bool& out);
void readValue(const Json& j, std::string& out);
void readValue(const Json& j, Date& out);

// Arrays: each element is read strictly; a failure names its index.
template <typename T> void readValue(const Json& j, std::vector<T>& out);

// Records and enumerations: their from_json overload (found by argument-dependent lookup).
template <typename T> void readValue(const Json& j, T& out) {
    from_json(j, out);
}

template <typename T> T read(const Json& j) {
    T out{};
    readValue(j, out);
    return out;
}

// Fails unless `j` is an object; `typeName` names the record in the message.
void requireObject(const Json& j, std::string_view typeName);

// Fails with the JSON type of `j` against what `expected` describes ("an integer").
[[noreturn]] void throwTypeMismatch(const Json& j, std::string_view expected);

// Runs `readElement` and puts `component` in front of the path of any JsonError it throws.
template <typename F> decltype(auto) atPath(const std::string& component, F&& readElement) {
    try {
        return readElement();
    } catch (JsonError& error) {
        error.prependPath(component);
        throw;
    }
}

// A required member that must hold a value (not null).
template <typename T> T member(const Json& object, const std::string& key) {
    auto it = object.find(key);
    if (it == object.end()) {
        throw JsonError(JsonError::Kind::keyNotFound,
                        "No value associated with key \"" + key + "\".", {key});
    }
    if (it->is_null()) {
        throw JsonError(JsonError::Kind::valueNotFound,
                        "Expected a value for key \"" + key + "\" but found null instead.", {key});
    }
    return atPath(key, [&] { return read<T>(*it); });
}

// An optional member written only when present: missing or null reads as absent.
template <typename T> std::optional<T> optionalMember(const Json& object, const std::string& key) {
    auto it = object.find(key);
    if (it == object.end() || it->is_null()) {
        return std::nullopt;
    }
    return atPath(key, [&] { return read<T>(*it); });
}

// An optional member that is always written (as null when absent): it must be present, and
// null reads as absent.
template <typename T> std::optional<T> nullableMember(const Json& object, const std::string& key) {
    auto it = object.find(key);
    if (it == object.end()) {
        throw JsonError(JsonError::Kind::keyNotFound,
                        "No value associated with key \"" + key + "\".", {key});
    }
    if (it->is_null()) {
        return std::nullopt;
    }
    return atPath(key, [&] { return read<T>(*it); });
}

template <typename T> void readValue(const Json& j, std::vector<T>& out) {
    if (!j.is_array()) {
        throwTypeMismatch(j, "an array");
    }
    out.clear();
    out.reserve(j.size());
    for (size_t i = 0; i < j.size(); ++i) {
        std::string key(1, '[');
        key.append(std::to_string(i)).push_back(']');
        out.push_back(atPath(key, [&] { return read<T>(j[i]); }));
    }
}

// A web or file address written as its absolute text ("file:///a%20b.pdf").
Json urlToJson(const Url& url);
// Reads an address text; a text that is no valid address fails as data-corrupted.
Url urlFromJson(const Json& j);

// The most arrays and objects a parsed text may nest. The deepest stored record nests fewer
// than ten; a deeper text comes from damage or from someone else's hand, and building it would
// recurse without bound (the ordered objects copy a member's whole value when their member list
// grows, and writing a value out recurses too).
inline constexpr int maximumDepth = 64;

// Refuses, as data-corrupted at the root, a text whose arrays and objects nest deeper than
// `maximumDepth`, by one pass over its brackets outside strings: a text read into any JSON value
// is checked so before the value is built.
void refuseTooDeep(std::string_view text);

// Parses a JSON text; malformed text, and text that nests arrays and objects deeper than
// `maximumDepth`, fail as data-corrupted at the root. The depth is checked before anything is
// built.
Json parse(std::string_view text);

} // namespace json

// The compact JSON text of a record (no spaces, members in field order). Bytes that are not
// valid UTF-8 in a text become U+FFFD rather than failing the whole write.
template <typename T> std::string encodeJson(const T& value) {
    return Json(value).dump(-1, ' ', false, Json::error_handler_t::replace);
}

// Reads a record from a JSON text, strictly; fails with JsonError.
template <typename T> T decodeJson(std::string_view text) {
    return json::read<T>(json::parse(text));
}

} // namespace fen
