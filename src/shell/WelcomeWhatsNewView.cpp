#include "shell/WelcomeWhatsNewView.h"

#include "platform/foundation/Uuid.h"
#include "ui/SymbolIcon.h"
#include "ui/Theme.h"
#include "ui/Tr.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace fen {

OnBoardingWhatsNew OnBoardingWhatsNew::forStyle(int presentationStyle,
                                                const nlohmann::json& bundleInfo) {
    OnBoardingWhatsNew page;
    page.isUpdate = presentationStyle == 1;
    if (bundleInfo.is_object() && bundleInfo.contains("CFBundleExecutable") &&
        bundleInfo["CFBundleExecutable"].is_string()) {
        page.appName = bundleInfo["CFBundleExecutable"].get<std::string>();
    }
    page.items = page.isUpdate
                     ? rows("Rebuilt", "For the 10 years of Fenmoor, this new version has been "
                                       "rebuilt from the ground up with the latest Apple "
                                       "technology.")
                     : rows("Welcome", "Thanks for your purchase. Fenmoor has been built for "
                                       "you, to ease all your watermark worflow.");
    return page;
}

std::vector<OnBoardingWhatsNewItem> OnBoardingWhatsNew::rows(const std::string& title,
                                                             const std::string& description) {
    return {{newUuidString(), "theatermasks.fill", title, description},
            {newUuidString(), "square.2.layers.3d.bottom.filled", "Shortcuts",
             "Build amazing shortcuts and automate your workflow."}};
}

namespace {

QFont heavy(double pixels) {
    QFont font;
    font.setPixelSize(std::max(1, static_cast<int>(pixels)));
    font.setWeight(QFont::Black);
    return font;
}

// A symbol drawn at 40 points in the primary colour.
class SymbolView : public QWidget {
public:
    SymbolView(QString name, QWidget* parent) : QWidget(parent), name_(std::move(name)) {
        setFixedSize(100, 48);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        ui::SymbolIcon::paint(painter, QRectF(width() - 48, 4, 40, 40), name_,
                              ui::Theme::primary(palette()));
    }

private:
    QString name_;
};

// "Continue": white semibold text on the accent colour, corners of 15 points.
class ContinueButton : public QPushButton {
public:
    explicit ContinueButton(QWidget* parent) : QPushButton(ui::tr("Continue"), parent) {
        QFont bold = font();
        bold.setPixelSize(17);
        bold.setWeight(QFont::DemiBold);
        setFont(bold);
        setCursor(Qt::PointingHandCursor);
    }
    QSize sizeHint() const override {
        const QSize label = fontMetrics().size(Qt::TextSingleLine, text());
        return {label.width() + 240, label.height() + 30};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()), 15, 15);
        QColor fill = ui::Theme::accent(palette());
        if (isDown()) {
            fill = fill.darker(115);
        }
        painter.fillPath(shape, fill);
        if (hasFocus()) {
            painter.setPen(QPen(ui::Theme::primary(palette()), 2));
            painter.drawPath(shape);
        }
        painter.setPen(Qt::white);
        painter.drawText(rect(), Qt::AlignCenter, text());
    }
};

} // namespace

WelcomeWhatsNewView::WelcomeWhatsNewView(OnBoardingWhatsNew page, std::function<void()> dismiss,
                                         QWidget* parent)
    : QWidget(parent), page_(std::move(page)) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(32, 32, 32, 32);
    auto* header = new QVBoxLayout;
    header->setContentsMargins(40, 8, 0, 0);
    title_ = new QLabel(ui::tr(page_.isUpdate ? "What's New" : "Welcome to"), this);
    header->addWidget(title_);
    if (!page_.isUpdate) {
        subtitle_ = new QLabel(QString::fromStdString(page_.appName), this);
        QPalette accent = subtitle_->palette();
        accent.setColor(QPalette::WindowText, ui::Theme::accent(palette()));
        subtitle_->setPalette(accent);
        header->addWidget(subtitle_);
    }
    outer->addLayout(header);
    for (const OnBoardingWhatsNewItem& item : page_.items) {
        auto* row = new QHBoxLayout;
        row->setSpacing(16);
        row->addWidget(new SymbolView(QString::fromStdString(item.imagename), this), 0,
                       Qt::AlignTop);
        auto* texts = new QVBoxLayout;
        auto* title = new QLabel(ui::tr(item.title), this);
        QFont semibold = title->font();
        semibold.setPixelSize(17);
        semibold.setWeight(QFont::DemiBold);
        title->setFont(semibold);
        auto* description = new QLabel(ui::tr(item.description), this);
        QFont body = description->font();
        body.setPixelSize(15);
        description->setFont(body);
        description->setWordWrap(true);
        texts->addWidget(title);
        texts->addWidget(description);
        row->addLayout(texts, 1);
        outer->addSpacing(12);
        outer->addLayout(row);
    }
    outer->addStretch(1);
    auto* button = new ContinueButton(this);
    connect(button, &QPushButton::clicked, this, [dismiss = std::move(dismiss)] {
        if (dismiss) {
            dismiss();
        }
    });
    outer->addWidget(button, 0, Qt::AlignHCenter);
    button->setFocus();
}

void WelcomeWhatsNewView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const double refSize = std::min(width(), height());
    title_->setFont(heavy(refSize * 0.075));
    if (subtitle_) {
        subtitle_->setFont(heavy(refSize * 0.07));
    }
    if (auto* box = static_cast<QBoxLayout*>(layout())) {
        if (auto* header = box->itemAt(0)->layout()) {
            header->setContentsMargins(40, 8, 0, static_cast<int>(refSize * 0.08));
        }
    }
}

} // namespace fen
