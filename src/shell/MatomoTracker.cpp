#include "shell/MatomoTracker.h"

#include "platform/foundation/Uuid.h"
#include "ui/UserDefaults.h"

#include <QGuiApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRandomGenerator>
#include <QScreen>
#include <QUrl>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>

#include <sys/utsname.h>

namespace fen {

namespace {

std::string infoText(const nlohmann::json& info, std::initializer_list<const char*> keys,
                     const char* fallback) {
    for (const char* key : keys) {
        if (info.is_object() && info.contains(key) && info[key].is_string()) {
            return info[key].get<std::string>();
        }
    }
    return fallback;
}

std::string firstLine(const char* path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) {
        line.pop_back();
    }
    return line;
}

std::string prettyName() {
    std::ifstream in("/etc/os-release");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("PRETTY_NAME=", 0) == 0) {
            std::string value = line.substr(12);
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')) {
                value = value.substr(1, value.size() - 2);
            }
            return value;
        }
    }
    return {};
}

} // namespace

MatomoTracker::MatomoTracker(const nlohmann::json& bundleInfo, std::optional<std::string> serverURL)
    : swVersion_(infoText(bundleInfo, {"CFBundleShortVersionString"}, "0")),
      appVersion_(infoText(bundleInfo, {"CFBundleVersion"}, "0")),
      appIdentifier_(infoText(bundleInfo, {"CFBundleIdentifier"}, "com.")),
      appName_(infoText(bundleInfo, {"CFBundleDisplayName", "CFBundleName"}, "com.")) {
    if (serverURL && !serverURL->empty()) {
        endPoint_ = *serverURL + "piwik.php";
    }
}

std::optional<std::string> MatomoTracker::configuredServerURL() {
    if (const char* variable = std::getenv("FENMOOR_ANALYTICS_URL"); variable && *variable) {
        return std::string(variable);
    }
    const QString stored = ui::UserDefaults().stringValue(ui::UserDefaults::analyticsServerURL);
    if (!stored.isEmpty()) {
        return stored.toStdString();
    }
    return std::nullopt;
}

std::string MatomoTracker::percentEncode(const std::string& value) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : value) {
        if (std::isalnum(c) && c < 0x80) {
            out += static_cast<char>(c);
        } else if (c == '-' || c == '.' || c == '_' || c == '~' || c == ':') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string MatomoTracker::visitorIdentifier() {
    ui::UserDefaults defaults;
    const QString stored = defaults.stringValue(ui::UserDefaults::reference);
    if (!stored.isEmpty()) {
        return stored.toStdString();
    }
    std::string uuid = newUuidString();
    uuid.erase(std::remove(uuid.begin(), uuid.end(), '-'), uuid.end());
    uuid = uuid.substr(0, 16);
    std::transform(uuid.begin(), uuid.end(), uuid.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    defaults.setString(ui::UserDefaults::reference, QString::fromStdString(uuid));
    return uuid;
}

void MatomoTracker::add(const char* key, std::string value) {
    params_.emplace_back(key, std::move(value));
}

std::string MatomoTracker::customVariables(const MatomoEnvironment& environment) const {
    const nlohmann::json variables = {
        {"1", {"Platform", environment.platform}},
        {"2", {"OS version", environment.osVersion}},
        {"3", {"App version", appVersion_}},
        {"4", {"Monitors", std::to_string(environment.monitors)}},
        {"5", {"App version", appName_}},
    };
    // The encoder of the reporting interface writes a slash as "\/".
    std::string text = variables.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    std::string escaped;
    for (const char c : text) {
        if (c == '/') {
            escaped += '\\';
        }
        escaped += c;
    }
    return escaped;
}

std::optional<std::string> MatomoTracker::trackingURL(const MatomoEnvironment& environment) {
    params_.clear();
    if (!endPoint_) {
        return std::nullopt;
    }
    add("e_c", appIdentifier_);
    add("e_a", "SW Version");
    add("e_n", swVersion_);
    add("e_v", "1");
    add("url", "http://" + appName_);

    const std::time_t seconds = static_cast<std::time_t>(environment.now);
    std::tm local{};
    std::tm utc{};
    localtime_r(&seconds, &local);
    gmtime_r(&seconds, &utc);
    char cdt[96];
    std::snprintf(cdt, sizeof cdt, "%04d-%02d-%02d %02d:%02d:%02d", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
    add("r", std::to_string(environment.random));
    add("h", std::to_string(local.tm_hour));
    add("m", std::to_string(local.tm_min));
    add("s", std::to_string(local.tm_sec));
    add("cdt", cdt);

    if (sessionStart_) {
        add("new_visit", "1");
        add("_idvc", "1");
        sessionStart_ = false;
    }
    add("_viewts", "0");
    add("_cvar", customVariables(environment));

    char resolution[64];
    std::snprintf(resolution, sizeof resolution, "%.0fx%.0f", environment.screenWidth,
                  environment.screenHeight);
    add("idsite", "2");
    add("rec", "1");
    add("apiv", "1");
    add("res", resolution);
    add("_id", visitorIdentifier());
    add("_idts", "0");

    std::string address = *endPoint_ + "?";
    for (size_t i = 0; i < params_.size(); ++i) {
        address += (i ? "&" : "") + params_[i].first + "=" + percentEncode(params_[i].second);
    }
    if (!QUrl(QString::fromStdString(address), QUrl::StrictMode).isValid()) {
        return std::nullopt;
    }
    return address;
}

MatomoEnvironment currentMatomoEnvironment(int monitors) {
    MatomoEnvironment environment;
    environment.now = static_cast<double>(std::time(nullptr));
    environment.random = static_cast<int>(QRandomGenerator::global()->bounded(50001));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        environment.screenWidth = screen->size().width() * screen->devicePixelRatio();
        environment.screenHeight = screen->size().height() * screen->devicePixelRatio();
    }
    environment.monitors = monitors;
    environment.platform = firstLine("/sys/class/dmi/id/product_name");
    if (environment.platform.empty()) {
        utsname name{};
        if (uname(&name) == 0) {
            environment.platform = name.machine;
        }
    }
    environment.osVersion = prettyName();
    return environment;
}

QNetworkReply* sendTrackingRequest(const std::string& url) {
    static QNetworkAccessManager* network = new QNetworkAccessManager(qApp);
    QNetworkRequest request(QUrl(QString::fromStdString(url)));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setTransferTimeout(5000);
    QNetworkReply* reply = network->get(request);
    QObject::connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
    return reply;
}

} // namespace fen
