#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

class QSettings;

namespace fen::ui {

// The small state the window program keeps between runs (the platform's standard user defaults),
// over QSettings("fenmoor", "fenmoor"): the INI file under $XDG_CONFIG_HOME/fenmoor/. Values are
// typed: the text that INI keeps is turned back into the type asked for, and a key that is absent,
// or whose value is not of that type, reads as the default given.
class UserDefaults {
public:
    // The keys, spelt as the system spells them.
    static constexpr const char* overWrite = "overWrite";
    static constexpr const char* currentReleaseVersion = "currentReleaseVersion";
    static constexpr const char* welcomeWhatsNewPresentationStyle =
        "welcomeWhatsNewPresentationStyle";
    static constexpr const char* kvWelcomeWhatsNew = "KvWelcomeWhatsNew";
    static constexpr const char* reviewDate = "reviewDate";
    static constexpr const char* reviewNumberRequestKey = "reviewNumberRequestKey";
    static constexpr const char* lastUsedDate = "lastUsedDate";
    static constexpr const char* reference = "reference";
    static constexpr const char* recents = "recents";
    // The usage analytics server (scheme, host, port, path ending in "/"); none = no pings.
    static constexpr const char* analyticsServerURL = "analyticsServerURL";

    UserDefaults();
    ~UserDefaults();
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    bool contains(const QString& key) const;
    void remove(const QString& key);

    bool boolValue(const QString& key, bool fallback = false) const;
    int intValue(const QString& key, int fallback = 0) const;
    double doubleValue(const QString& key, double fallback = 0) const;
    QString stringValue(const QString& key, const QString& fallback = {}) const;
    // A list of byte values; absent = empty. A value that is not such a list (a lone text, a list
    // holding a text) reads as `fallback`.
    QList<QByteArray> dataListValue(const QString& key,
                                    const QList<QByteArray>& fallback = {}) const;

    void setBool(const QString& key, bool value);
    void setInt(const QString& key, int value);
    void setDouble(const QString& key, double value);
    void setString(const QString& key, const QString& value);
    void setDataList(const QString& key, const QList<QByteArray>& value);

    // Writes pending changes to the file now (they are written on destruction anyway).
    void sync();

private:
    std::unique_ptr<QSettings> settings_;
};

} // namespace fen::ui
