#pragma once

#include <QWidget>

namespace fen {

// The placeholder of an empty text list: "Add Text Watermarks" over "Fenmoor will generate a PDF
// for each text watermark", centred and wrapped to the width, semibold, at opacity 0.4.
class WatermarkListViewEmpty : public QWidget {
    Q_OBJECT
public:
    explicit WatermarkListViewEmpty(QWidget* parent = nullptr);
};

} // namespace fen
