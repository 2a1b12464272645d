#include "ui/UserDefaults.h"

#include <QSettings>
#include <QVariant>

namespace fen::ui {

UserDefaults::UserDefaults() : settings_(std::make_unique<QSettings>("fenmoor", "fenmoor")) {}

UserDefaults::~UserDefaults() = default;

bool UserDefaults::contains(const QString& key) const {
    return settings_->contains(key);
}

void UserDefaults::remove(const QString& key) {
    settings_->remove(key);
}

bool UserDefaults::boolValue(const QString& key, bool fallback) const {
    const QVariant value = settings_->value(key);
    if (value.typeId() == QMetaType::Bool) {
        return value.toBool();
    }
    const QString text = value.toString().trimmed().toLower();
    if (text == "true" || text == "1") {
        return true;
    }
    if (text == "false" || text == "0") {
        return false;
    }
    return fallback;
}

int UserDefaults::intValue(const QString& key, int fallback) const {
    bool ok = false;
    const int result = settings_->value(key).toInt(&ok);
    return ok ? result : fallback;
}

double UserDefaults::doubleValue(const QString& key, double fallback) const {
    bool ok = false;
    const double result = settings_->value(key).toDouble(&ok);
    return ok ? result : fallback;
}

QString UserDefaults::stringValue(const QString& key, const QString& fallback) const {
    const QVariant value = settings_->value(key);
    if (!value.isValid() || value.typeId() == QMetaType::QByteArray ||
        value.typeId() == QMetaType::QVariantList || value.typeId() == QMetaType::QStringList) {
        return fallback;
    }
    return value.toString();
}

QList<QByteArray> UserDefaults::dataListValue(const QString& key,
                                              const QList<QByteArray>& fallback) const {
    if (!settings_->contains(key)) {
        return fallback;
    }
    const QVariant value = settings_->value(key);
    // INI keeps an empty list as an invalid value and a list of one as its only element.
    if (!value.isValid()) {
        return {};
    }
    if (value.typeId() == QMetaType::QByteArray) {
        return {value.toByteArray()};
    }
    if (value.typeId() != QMetaType::QVariantList) {
        return fallback;
    }
    QList<QByteArray> result;
    for (const QVariant& entry : value.toList()) {
        if (entry.typeId() != QMetaType::QByteArray) {
            return fallback;
        }
        result.push_back(entry.toByteArray());
    }
    return result;
}

void UserDefaults::setBool(const QString& key, bool value) {
    settings_->setValue(key, value);
}

void UserDefaults::setInt(const QString& key, int value) {
    settings_->setValue(key, value);
}

void UserDefaults::setDouble(const QString& key, double value) {
    settings_->setValue(key, value);
}

void UserDefaults::setString(const QString& key, const QString& value) {
    settings_->setValue(key, value);
}

void UserDefaults::setDataList(const QString& key, const QList<QByteArray>& value) {
    QVariantList list;
    for (const QByteArray& entry : value) {
        list.push_back(entry);
    }
    settings_->setValue(key, list);
}

void UserDefaults::sync() {
    settings_->sync();
}

} // namespace fen::ui
