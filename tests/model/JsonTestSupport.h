#pragma once

#include "model/Json.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace fen::test {

// Expects `value` to be written exactly as `text`, and `text` to read back as `value`.
template <typename T> void expectJsonForm(const T& value, const std::string& text) {
    EXPECT_EQ(encodeJson(value), text);
    EXPECT_EQ(decodeJson<T>(text), value) << text;
}

// Expects reading `text` as T to fail, and returns the error for further checks.
template <typename T> JsonError decodeFailure(const std::string& text) {
    try {
        decodeJson<T>(text);
    } catch (const JsonError& error) {
        return error;
    }
    ADD_FAILURE() << text << " decoded";
    return JsonError(JsonError::Kind::dataCorrupted, "none");
}

// Expects reading `text` as T to fail with `kind` at the coding path `path` ("a.b[0].c").
template <typename T>
void expectDecodeFailure(const std::string& text, JsonError::Kind kind, const std::string& path) {
    JsonError error = decodeFailure<T>(text);
    EXPECT_EQ(error.kind(), kind) << text << ": " << error.what();
    EXPECT_EQ(error.pathString(), path) << text;
}

inline constexpr const char* kInvalidKeys = "Invalid number of keys found, expected one.";

// Sets the local time zone while it lives.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) {
            previous_ = old;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (previous_) {
            setenv("TZ", previous_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

private:
    std::optional<std::string> previous_;
};

} // namespace fen::test
