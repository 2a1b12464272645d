#include "controls/FormatTokensView.h"

#include "controls/FlexibleLayout.h"
#include "controls/FormatWords.h"
#include "ui/Theme.h"

#include <QPainter>
#include <QPainterPath>

namespace fen {

namespace {

// One word: a token with padding on the accent colour, or a plain word.
class FormatWordView : public QWidget {
public:
    FormatWordView(const QString& word, bool token, QWidget* parent)
        : QWidget(parent), word_(word), token_(token) {
        QFont body = font();
        body.setPixelSize(15);
        setFont(body);
        setAccessibleName(word);
    }
    QSize sizeHint() const override {
        const QSize text = fontMetrics().size(Qt::TextSingleLine, word_);
        return token_ ? QSize(text.width() + 16, text.height() + 8) : text;
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        if (token_) {
            QPainterPath shape;
            shape.addRoundedRect(QRectF(rect()), 6, 6);
            painter.fillPath(shape, ui::Theme::accent(palette()));
        }
        painter.setPen(token_ ? QColor(Qt::white) : ui::Theme::primary(palette()));
        painter.drawText(rect(), Qt::AlignCenter, word_);
    }

private:
    QString word_;
    bool token_;
};

} // namespace

FormatTokensView::FormatTokensView(const std::string& text, std::vector<std::string> tags,
                                   QWidget* parent)
    : QWidget(parent), tags_(std::move(tags)), layout_(new FlexibleLayout(this, 5)) {
    setText(text);
}

void FormatTokensView::setText(const std::string& text) {
    words_ = splitFormatWords(text);
    layout_->clear();
    for (const std::string& word : words_) {
        layout_->addWidget(
            new FormatWordView(QString::fromStdString(word), isFormatToken(word, tags_), this));
    }
    updateGeometry();
}

std::vector<QWidget*> FormatTokensView::wordWidgets() const {
    std::vector<QWidget*> widgets;
    for (int i = 0; i < layout_->count(); ++i) {
        widgets.push_back(layout_->itemAt(i)->widget());
    }
    return widgets;
}

FormatTagListView::FormatTagListView(const std::vector<std::string>& tags, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new FlexibleLayout(this, 10);
    for (const std::string& tag : tags) {
        layout->addWidget(new FormatWordView(QString::fromStdString(tag), true, this));
    }
}

} // namespace fen
