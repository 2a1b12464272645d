#include "model/Json.h"

#include <cmath>
#include <limits>
#include <string>

namespace fen {

JsonError::JsonError(Kind kind, std::string message, std::vector<std::string> codingPath)
    : kind_(kind), message_(std::move(message)), codingPath_(std::move(codingPath)) {
    rebuildWhat();
}

std::string JsonError::pathString() const {
    std::string out;
    for (const auto& component : codingPath_) {
        if (!out.empty() && (component.empty() || component.front() != '[')) {
            out += '.';
        }
        out += component;
    }
    return out;
}

void JsonError::prependPath(std::string component) {
    codingPath_.insert(codingPath_.begin(), std::move(component));
    rebuildWhat();
}

void JsonError::rebuildWhat() {
    std::string path = pathString();
    what_ = path.empty() ? message_ : path + ": " + message_;
}

void to_json(Json& j, const Date& date) {
    j = date.secondsSinceReferenceDate;
}

void from_json(const Json& j, Date& date) {
    json::readValue(j, date);
}

namespace json {
namespace {

std::string describe(const Json& j) {
    switch (j.type()) {
    case Json::value_t::null:
        return "null";
    case Json::value_t::object:
        return "an object";
    case Json::value_t::array:
        return "an array";
    case Json::value_t::string:
        return "a string";
    case Json::value_t::boolean:
        return "a truth value";
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
    case Json::value_t::number_float:
        return "a number";
    default:
        return "an unsupported value";
    }
}

} // namespace

[[noreturn]] void throwTypeMismatch(const Json& j, std::string_view expected) {
    if (j.is_null()) {
        throw JsonError(JsonError::Kind::valueNotFound,
                        "Expected " + std::string(expected) + " but found null instead.");
    }
    throw JsonError(JsonError::Kind::typeMismatch, "Expected " + std::string(expected) +
                                                       " but found " + describe(j) + " instead.");
}

void readValue(const Json& j, std::int64_t& out) {
    if (j.is_number_unsigned()) {
        auto value = j.get<std::uint64_t>();
        if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
            throw JsonError(JsonError::Kind::dataCorrupted,
                            "Number " + j.dump() + " does not fit in a 64-bit integer.");
        }
        out = static_cast<std::int64_t>(value);
        return;
    }
    if (j.is_number_integer()) {
        out = j.get<std::int64_t>();
        return;
    }
    if (j.is_number_float()) {
        // A whole number written with a fraction part (12.0) is still a whole number; 12.5 and
        // values beyond the int64 range are not.
        double value = j.get<double>();
        constexpr double limit = 9223372036854775808.0; // 2^63
        if (std::isfinite(value) && std::trunc(value) == value && value >= -limit &&
            value < limit) {
            out = static_cast<std::int64_t>(value);
            return;
        }
        throw JsonError(JsonError::Kind::dataCorrupted,
                        "Number " + j.dump() + " is not a whole number that fits in 64 bits.");
    }
    throwTypeMismatch(j, "an integer");
}

void readValue(const Json& j, double& out) {
    if (!j.is_number()) {
        throwTypeMismatch(j, "a number");
    }
    out = j.get<double>();
}

void readValue(const Json& j, bool& out) {
    if (!j.is_boolean()) {
        throwTypeMismatch(j, "a truth value");
    }
    out = j.get<bool>();
}

void readValue(const Json& j, std::string& out) {
    if (!j.is_string()) {
        throwTypeMismatch(j, "a string");
    }
    out = j.get<std::string>();
}

void readValue(const Json& j, Date& out) {
    if (!j.is_number()) {
        throwTypeMismatch(j, "a date (a number of seconds)");
    }
    out = Date{j.get<double>()};
}

void requireObject(const Json& j, std::string_view typeName) {
    if (!j.is_object()) {
        throwTypeMismatch(j, std::string(typeName) + " (an object)");
    }
}

Json urlToJson(const Url& url) {
    return url.absoluteString();
}

Url urlFromJson(const Json& j) {
    std::string text;
    readValue(j, text);
    auto url = Url::fromString(text);
    if (!url) {
        throw JsonError(JsonError::Kind::dataCorrupted, "Invalid URL string.");
    }
    return *url;
}

// The bound is checked before the parser runs rather than from its callback: nlohmann's callback
// parser looks through the enclosing array for a discarded value at the end of every object,
// which makes a list of many records quadratic.
void refuseTooDeep(std::string_view text) {
    int depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > maximumDepth) {
                throw JsonError(JsonError::Kind::dataCorrupted,
                                "The given data was not valid JSON: arrays and objects nest deeper "
                                "than " +
                                    std::to_string(maximumDepth) + " levels.");
            }
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
}

Json parse(std::string_view text) {
    refuseTooDeep(text);
    try {
        return Json::parse(text);
    } catch (const Json::parse_error& error) {
        throw JsonError(JsonError::Kind::dataCorrupted,
                        std::string("The given data was not valid JSON: ") + error.what());
    }
}

} // namespace json
} // namespace fen
