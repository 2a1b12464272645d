#pragma once

#include "model/DistanceToEdgeSetting.h"

#include <QWidget>

namespace fen {

class SlidersBlockUnit;

// How far a watermark moves from the page edges its position refers to: the rows "Vertical" and
// "Horizontal", -100 to 100 points, over one DistanceToEdgeSetting. A row's new number that the
// record does not hold writes the whole record once (valueEdited), with the other row's working
// copy; setValue loads a record into both rows and writes nothing back.
class DistanceToEdgeView : public QWidget {
    Q_OBJECT
public:
    explicit DistanceToEdgeView(const DistanceToEdgeSetting& value, QWidget* parent = nullptr);

    const DistanceToEdgeSetting& value() const { return record_; }
    void setValue(const DistanceToEdgeSetting& value);
    SlidersBlockUnit* verticalRow() const { return vertical_; }
    SlidersBlockUnit* horizontalRow() const { return horizontal_; }

Q_SIGNALS:
    void valueEdited(const DistanceToEdgeSetting& value);

private:
    void write(const DistanceToEdgeSetting& value);

    DistanceToEdgeSetting record_;
    std::int64_t value1_;
    std::int64_t value2_;
    SlidersBlockUnit* vertical_;
    SlidersBlockUnit* horizontal_;
};

} // namespace fen
