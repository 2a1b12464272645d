#pragma once

#include <QString>
#include <QWidget>

class QLabel;

namespace fen {

// The placeholder of an empty list or sheet: a large symbol (140 points) over a short text (32
// points, semibold), centred in all the room it is given, at opacity 0.4. The text is a
// translation key and names the placeholder in the accessibility tree.
class FenGenerticNoDataInList : public QWidget {
    Q_OBJECT
public:
    FenGenerticNoDataInList(const QString& imagename, const QString& text,
                            QWidget* parent = nullptr);

    QString imagename() const { return imagename_; }
    QLabel* textLabel() const { return label_; }

private:
    QString imagename_;
    QLabel* label_;
};

} // namespace fen
