#include "ui/Tr.h"

#include <QCoreApplication>

namespace fen::ui {

QString tr(const char* key) {
    return QCoreApplication::translate("fenmoor", key);
}

QString tr(const QString& key) {
    return tr(key.toUtf8().constData());
}

QString tr(const std::string& key) {
    return tr(key.c_str());
}

} // namespace fen::ui
