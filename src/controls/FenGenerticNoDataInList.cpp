#include "controls/FenGenerticNoDataInList.h"

#include "ui/SymbolIcon.h"
#include "ui/Theme.h"
#include "ui/Tr.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace fen {

namespace {

constexpr int kSymbolPoints = 140;
constexpr int kPadding = 16;

// The symbol, painted in the primary colour of the moment.
class Symbol : public QWidget {
public:
    Symbol(const QString& name, QWidget* parent) : QWidget(parent), name_(name) {
        setFixedSize(kSymbolPoints + 2 * kPadding, kSymbolPoints + 2 * kPadding);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        ui::SymbolIcon::paint(painter, QRectF(kPadding, kPadding, kSymbolPoints, kSymbolPoints),
                              name_, ui::Theme::primary(palette()));
    }

private:
    QString name_;
};

} // namespace

FenGenerticNoDataInList::FenGenerticNoDataInList(const QString& imagename, const QString& text,
                                                 QWidget* parent)
    : QWidget(parent), imagename_(imagename) {
    auto* layout = new QVBoxLayout(this);
    layout->setAlignment(Qt::AlignCenter);
    layout->addStretch(1);
    layout->addWidget(new Symbol(imagename, this), 0, Qt::AlignHCenter);
    label_ = new QLabel(ui::tr(text), this);
    QFont font = label_->font();
    font.setPixelSize(32);
    font.setWeight(QFont::DemiBold);
    label_->setFont(font);
    label_->setAlignment(Qt::AlignCenter);
    label_->setWordWrap(true);
    label_->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    layout->addWidget(label_);
    layout->addStretch(1);
    setAccessibleName(label_->text());
    auto* opacity = new QGraphicsOpacityEffect(this);
    opacity->setOpacity(0.4);
    setGraphicsEffect(opacity);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

} // namespace fen
