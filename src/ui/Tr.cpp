#include "ui/Tr.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTranslator>

#include <map>

namespace fen::ui {

namespace {

// The English texts of the keys that are not English themselves: the placement keys, which the
// drawers compare and the position grid names its cells with. The page-parity cells carry the
// titles the page-number action gives the same placements.
class EnglishTable : public QTranslator {
public:
    using QTranslator::QTranslator;

    QString translate(const char*, const char* sourceText, const char*, int) const override {
        static const std::map<std::string_view, const char*> texts = {
            {"placement_top_left", "Top Left"},
            {"placement_top_center", "Top Center"},
            {"placement_top_right", "Top Right"},
            {"placement_middle", "Middle"},
            {"placement_bottom_left", "Bottom Left"},
            {"placement_bottom_center", "Bottom Center"},
            {"placement_bottom_right", "Bottom Right"},
            {"placement_diagonal", "Diagonal"},
            {"placement_tripple", "Triple"},
            {"placement_oddTopRight", "Even Number Top Left"},
            {"placement_oddTopLeft", "Even Number Top Right"},
            {"placement_oddBottomRight", "Even Number Bottom Left"},
            {"placement_oddBottomLeft", "Even Number Bottom Right"},
        };
        const auto found = sourceText ? texts.find(sourceText) : texts.end();
        return found == texts.end() ? QString() : QString::fromUtf8(found->second);
    }
    bool isEmpty() const override { return false; }
};

// The table is installed into the running application on the first lookup, so the window
// program, the probe and the tests all see it.
void installEnglishTable() {
    static QPointer<QTranslator> installed;
    QCoreApplication* app = QCoreApplication::instance();
    if (!installed && app) {
        installed = new EnglishTable(app);
        QCoreApplication::installTranslator(installed);
    }
}

} // namespace

QString tr(const char* key) {
    installEnglishTable();
    return QCoreApplication::translate("fenmoor", key);
}

QString tr(const QString& key) {
    return tr(key.toUtf8().constData());
}

QString tr(const std::string& key) {
    return tr(key.c_str());
}

} // namespace fen::ui
