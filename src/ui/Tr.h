#pragma once

#include <QString>

#include <string>

namespace fen::ui {

// A user-visible text of the window program looked up by its English key in the application's
// translations; the key itself when there is none.
QString tr(const char* key);
QString tr(const QString& key);
QString tr(const std::string& key);

} // namespace fen::ui
