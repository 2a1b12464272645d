#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <utility>
#include <vector>

class QNetworkReply;

namespace fen {

// What a usage ping reports of its moment and machine, gathered by the caller.
struct MatomoEnvironment {
    // Seconds since 1970.
    double now = 0;
    // Drawn uniformly from 0 to 50000.
    int random = 0;
    // The screen in pixels (points times scale).
    double screenWidth = 0;
    double screenHeight = 0;
    int monitors = 0;
    std::string platform;
    std::string osVersion;
};

// Builds the one request of the Matomo HTTP tracking interface that a usage ping sends: the
// event "SW Version" with the program's version, the local time and the UTC time, the visit's
// custom variables (platform, OS version, build number, windows open, name), the site and the
// visitor. The server comes only from the configuration (FENMOOR_ANALYTICS_URL, else the settings
// key "analyticsServerURL"); without one no address and no visitor identifier is ever made.
class MatomoTracker {
public:
    MatomoTracker(const nlohmann::json& bundleInfo, std::optional<std::string> serverURL);

    // The configured server URL; none when neither the variable nor the setting holds one.
    static std::optional<std::string> configuredServerURL();

    // The request's address; none without a server. The first address of a tracker marks a new
    // visit.
    std::optional<std::string> trackingURL(const MatomoEnvironment& environment);
    // The parameters of the last address, in the order they were added.
    const std::vector<std::pair<std::string, std::string>>& params() const { return params_; }

    // A value percent-encoded in UTF-8: only ASCII letters, digits, "-", ".", "_", "~" and ":"
    // stay as they are.
    static std::string percentEncode(const std::string& value);
    // The visitor identifier stored under "reference", made once: 16 lower-case hexadecimal
    // digits of a random UUID.
    static std::string visitorIdentifier();

    const std::optional<std::string>& endPoint() const { return endPoint_; }

private:
    void add(const char* key, std::string value);
    std::string customVariables(const MatomoEnvironment& environment) const;

    std::optional<std::string> endPoint_;
    std::string swVersion_;
    std::string appVersion_;
    std::string appIdentifier_;
    std::string appName_;
    bool sessionStart_ = true;
    std::vector<std::pair<std::string, std::string>> params_;
};

// The environment of this process: the time, a random number, the primary screen, the windows
// open (`monitors`), the machine's product name (or its architecture) and the system's name.
MatomoEnvironment currentMatomoEnvironment(int monitors);
// Starts one GET of `url` with a 5-second transfer time-out and the cache ignored; the reply is
// never read, and deletes itself when it finishes (returned so that a caller can wait for that).
QNetworkReply* sendTrackingRequest(const std::string& url);

} // namespace fen
