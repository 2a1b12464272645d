#include "platform/foundation/Dates.h"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <unicode/ucal.h>
#include <unicode/udat.h>
#include <unicode/ustring.h>

namespace fen {
namespace {

std::string toUtf8(const UChar* text, int32_t length) {
    std::string out(static_cast<size_t>(length) * 3 + 4, '\0');
    int32_t written = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8(out.data(), static_cast<int32_t>(out.size()), &written, text, length, &status);
    if (U_FAILURE(status)) {
        return {};
    }
    out.resize(static_cast<size_t>(written));
    return out;
}

std::u16string toUtf16(const std::string& text) {
    std::u16string out(text.size() + 1, u'\0');
    int32_t written = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()), &written,
                  text.data(), static_cast<int32_t>(text.size()), &status);
    if (U_FAILURE(status)) {
        return {};
    }
    out.resize(static_cast<size_t>(written));
    return out;
}

std::string format(UDateFormat* fmt, const Date& date) {
    UChar buffer[256];
    UErrorCode status = U_ZERO_ERROR;
    int32_t n = udat_format(fmt, date.unixSeconds() * 1000.0, buffer, 256, nullptr, &status);
    if (U_FAILURE(status)) {
        return {};
    }
    return toUtf8(buffer, n);
}

struct FormatCloser {
    void operator()(UDateFormat* f) const { udat_close(f); }
};

} // namespace

Date Date::now() {
    auto since = std::chrono::system_clock::now().time_since_epoch();
    return fromUnixSeconds(std::chrono::duration<double>(since).count());
}

std::string userLocale() {
    for (const char* var : {"LC_ALL", "LC_TIME", "LANG"}) {
        const char* v = std::getenv(var);
        if (v && *v && std::string(v) != "C" && std::string(v) != "POSIX") {
            std::string s(v);
            auto dot = s.find_first_of(".@");
            if (dot != std::string::npos) {
                s.resize(dot);
            }
            if (!s.empty()) {
                return s;
            }
        }
    }
    return "en_US";
}

std::string formatLongDate(const Date& date, const std::string& locale) {
    std::string loc = locale.empty() ? userLocale() : locale;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UDateFormat, FormatCloser> fmt(
        udat_open(UDAT_NONE, UDAT_LONG, loc.c_str(), nullptr, -1, nullptr, 0, &status));
    if (U_FAILURE(status)) {
        return {};
    }
    return format(fmt.get(), date);
}

std::string formatDatePattern(const Date& date, const std::string& pattern,
                              const std::string& timeZone) {
    std::u16string zone = toUtf16(timeZone);
    std::u16string pat = toUtf16(pattern);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UDateFormat, FormatCloser> fmt(udat_open(
        UDAT_PATTERN, UDAT_PATTERN, "en_US_POSIX@calendar=gregorian;numbers=latn",
        reinterpret_cast<const UChar*>(zone.c_str()), static_cast<int32_t>(zone.size()),
        reinterpret_cast<const UChar*>(pat.c_str()), static_cast<int32_t>(pat.size()), &status));
    if (U_FAILURE(status)) {
        return {};
    }
    return format(fmt.get(), date);
}

Date startOfDay(const Date& date) {
    auto seconds = static_cast<time_t>(std::floor(date.unixSeconds()));
    std::tm local{};
    if (!localtime_r(&seconds, &local)) {
        return date;
    }
    local.tm_hour = 0;
    local.tm_min = 0;
    local.tm_sec = 0;
    local.tm_isdst = -1;
    time_t midnight = mktime(&local);
    if (midnight == static_cast<time_t>(-1)) {
        return date;
    }
    return Date::fromUnixSeconds(static_cast<double>(midnight));
}

} // namespace fen
