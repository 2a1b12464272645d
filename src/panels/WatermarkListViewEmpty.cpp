#include "panels/WatermarkListViewEmpty.h"

#include "ui/Tr.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QVBoxLayout>

namespace fen {

namespace {

QLabel* line(const char* key, int pixelSize, QWidget* parent) {
    auto* label = new QLabel(ui::tr(key), parent);
    QFont font = label->font();
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::DemiBold);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    return label;
}

} // namespace

WatermarkListViewEmpty::WatermarkListViewEmpty(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 0, 16, 0);
    layout->addStretch(1);
    layout->addWidget(line("Add Text Watermarks", 22, this));
    layout->addSpacing(8);
    layout->addWidget(line("Fenmoor will generate a PDF for each text watermark", 17, this));
    layout->addStretch(1);
    auto* opacity = new QGraphicsOpacityEffect(this);
    opacity->setOpacity(0.4);
    setGraphicsEffect(opacity);
}

} // namespace fen
