#include "panels/QRCodeCreatorDetails.h"

#include "controls/ButtonStyles.h"
#include "controls/CustomSegmentedPickerView.h"
#include "controls/DFColorWell.h"
#include "controls/FormContainers.h"
#include "controls/TextInputs.h"
#include "model/ColorHex.h"
#include "panels/QRCodeCreatorDetailsForm.h"
#include "rendering/QRCodeGenerator.h"
#include "ui/ImageCopy.h"
#include "ui/Separator.h"
#include "ui/StoreFailureAlerts.h"
#include "ui/Tr.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QVBoxLayout>

namespace fen {

namespace {

std::vector<MainSettingsTab> typeTabs() {
    std::vector<MainSettingsTab> tabs;
    int idx = 0;
    for (const QrTypeTab& tab : qrTypeTabs()) {
        tabs.push_back({tab.title, ui::tr(QString::fromStdString(tab.title)).toStdString(),
                        tab.imagename, idx++});
    }
    return tabs;
}

int typePosition(QRCodeTypes type) {
    const auto& tabs = qrTypeTabs();
    for (size_t i = 0; i < tabs.size(); ++i) {
        if (tabs[i].type == type) {
            return static_cast<int>(i);
        }
    }
    return 0;
}

// The name field: a rounded plate outlined in the primary colour at 0.1, filled with it at 0.06
// while the field has the focus and 0.02 otherwise.
class QRCodeNameField : public QLineEdit {
public:
    explicit QRCodeNameField(const QString& text, QWidget* parent) : QLineEdit(text, parent) {
        setFrame(false);
        setTextMargins(10, 8, 10, 8);
        setAttribute(Qt::WA_MacShowFocusRect, false);
        QPalette clear = palette();
        clear.setColor(QPalette::Base, Qt::transparent);
        setPalette(clear);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        {
            QPainter painter(this);
            painter.setRenderHint(QPainter::Antialiasing);
            QColor primary = palette().color(QPalette::WindowText);
            const QRectF plate = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
            QColor fill = primary;
            fill.setAlphaF(hasFocus() ? 0.06f : 0.02f);
            painter.setBrush(palette().color(QPalette::Window));
            painter.setPen(Qt::NoPen);
            painter.drawRoundedRect(plate, 8, 8);
            painter.setBrush(fill);
            primary.setAlphaF(0.1f);
            painter.setPen(QPen(primary, 1));
            painter.drawRoundedRect(plate, 8, 8);
        }
        QLineEdit::paintEvent(event);
    }
    void focusInEvent(QFocusEvent* event) override {
        QLineEdit::focusInEvent(event);
        update();
    }
    void focusOutEvent(QFocusEvent* event) override {
        QLineEdit::focusOutEvent(event);
        update();
    }
};

// A row of a text and a colour well.
QWidget* wellRow(const QString& text, DFColorWell* well, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(text, row));
    layout->addStretch(1);
    layout->addWidget(well);
    return row;
}

} // namespace

QRCodeCreatorDetailsPreview::QRCodeCreatorDetailsPreview(QWidget* parent) : QWidget(parent) {
    setFixedSize(280, 280);
    setAccessibleName(ui::tr("Preview"));
}

void QRCodeCreatorDetailsPreview::setImage(QImage mask) {
    mask_ = std::move(mask);
    tint();
    update();
}

void QRCodeCreatorDetailsPreview::setColours(const QColor& background, const QColor& foreground) {
    background_ = background;
    if (foreground != foreground_) {
        foreground_ = foreground;
        tint();
    }
    update();
}

void QRCodeCreatorDetailsPreview::tint() {
    if (mask_.isNull()) {
        tinted_ = {};
        return;
    }
    // The picture's coverage in the foreground colour.
    tinted_ = QImage(mask_.size(), QImage::Format_ARGB32_Premultiplied);
    tinted_.fill(foreground_);
    QPainter painter(&tinted_);
    painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    painter.drawImage(0, 0, mask_);
}

void QRCodeCreatorDetailsPreview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF square = QRectF(rect());
    QPainterPath clip;
    clip.addRoundedRect(square, 8, 8);
    painter.setClipPath(clip);
    painter.fillRect(square, background_);
    if (!tinted_.isNull()) {
        painter.drawImage(square, tinted_);
    }
}

QRCodeCreatorDetails::QRCodeCreatorDetails(OptionListModel& dbModel, QRCodeStructure qrcode,
                                           std::function<void()> dismiss, QWidget* parent)
    : QWidget(parent), state_(std::make_unique<QrEditorState>(dbModel, std::move(qrcode))),
      dismiss_(std::move(dismiss)) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(this);
    // A Tab stop of its own: named by what it holds.
    scroll->setAccessibleName(ui::tr("QR Code Details"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    outer->addWidget(scroll);
    auto* page = new QWidget(scroll);
    auto* column = new QVBoxLayout(page);
    scroll->setWidget(page);

    auto* columns = new QHBoxLayout;
    columns->setSpacing(0);
    column->addLayout(columns);

    // The name column: the name, the type tabs and the form of the type.
    auto* nameColumn = new QWidget(page);
    auto* nameLayout = new QVBoxLayout(nameColumn);
    nameLayout->setContentsMargins(0, 0, 10, 0);
    name_ = new QRCodeNameField(QString::fromStdString(state_->qrcode().itemname), nameColumn);
    name_->setPlaceholderText(ui::tr("QR Code Name"));
    name_->setAccessibleName(ui::tr("QR Code Name"));
    TextFieldOnValidate::apply(name_, [this] { commitName(); });
    nameLayout->addWidget(name_);
    selector_ =
        new CustomSegmentedPickerView(typePosition(state_->qrcode().type), typeTabs(), nameColumn);
    selector_->setAccessibleName(ui::tr("QR Code Type"));
    connect(selector_, &CustomSegmentedPickerView::selectionEdited, this,
            &QRCodeCreatorDetails::selectType);
    nameLayout->addWidget(selector_);
    form_ = new QRCodeCreatorDetailsFormFields(*state_, nameColumn);
    nameLayout->addWidget(form_);
    nameLayout->addStretch(1);
    columns->addWidget(nameColumn, 1);

    // The preview column: the code and its two colours.
    auto* previewColumn = new QWidget(page);
    auto* previewLayout = new QVBoxLayout(previewColumn);
    previewLayout->setContentsMargins(10, 0, 0, 0);
    preview_ = new QRCodeCreatorDetailsPreview(previewColumn);
    previewLayout->addWidget(preview_, 0, Qt::AlignHCenter);
    contentNote_ = new QLabel(previewColumn);
    contentNote_->setAlignment(Qt::AlignCenter);
    contentNote_->setWordWrap(true);
    contentNote_->hide();
    previewLayout->addWidget(contentNote_);
    const auto [background, foreground] = [this] {
        const ui::StoreFailureAlerts::Origin origin(this);
        return state_->openColours();
    }();
    auto* wells = new QWidget;
    auto* wellsLayout = new QVBoxLayout(wells);
    wellsLayout->setContentsMargins(0, 0, 0, 0);
    backgroundWell_ = new DFColorWell(50, background, wells);
    backgroundWell_->setAccessibleTitle(ui::tr("Background"));
    wellsLayout->addWidget(wellRow(ui::tr("Background"), backgroundWell_, wells));
    wellsLayout->addWidget(new ui::Separator(Qt::Horizontal, wells));
    foregroundWell_ = new DFColorWell(50, foreground, wells);
    foregroundWell_->setAccessibleTitle(ui::tr("Foreground"));
    wellsLayout->addWidget(wellRow(ui::tr("Foreground"), foregroundWell_, wells));
    previewLayout->addWidget(SectionModifier::apply(wells, QString()));
    previewLayout->addStretch(1);
    columns->addWidget(previewColumn, 1);
    connect(backgroundWell_, &DFColorWell::colorValueEdited, this, [this](const gfx::Color& color) {
        const ui::StoreFailureAlerts::Origin origin(this);
        state_->setBackgroundColor(opaqueColor(toQColor(color)));
        refreshPreview();
    });
    connect(foregroundWell_, &DFColorWell::colorValueEdited, this, [this](const gfx::Color& color) {
        const ui::StoreFailureAlerts::Origin origin(this);
        state_->setForegroundColor(opaqueColor(toQColor(color)));
        refreshPreview();
    });

    column->addStretch(1);
    auto* remove = new StyledButton(ButtonStyle::SheetDeleteButtonButtonStyle, false, page);
    remove->setLabel(ui::tr("Delete"), QColor(Qt::white));
    remove->setPadding(QMargins(14, 8, 14, 8));
    remove->setAccessibleName(ui::tr("Delete"));
    remove->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    delete_ = remove;
    column->addWidget(remove);
    connect(remove, &QAbstractButton::clicked, this, [this] {
        const ui::StoreFailureAlerts::Origin origin(this);
        state_->remove();
        dismiss_();
    });

    changed_ = state_->changed.connect([this] {
        selector_->setSelection(typePosition(state_->qrcode().type));
        refreshPreview();
    });
    refreshPreview();
}

QRCodeCreatorDetails::~QRCodeCreatorDetails() {
    // The fields commit into the state when they lose the focus: they go first.
    qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
}

void QRCodeCreatorDetails::commit() {
    commitName();
    form_->commit();
}

void QRCodeCreatorDetails::commitName() {
    const ui::StoreFailureAlerts::Origin origin(this);
    const QString shown = QString::fromStdString(state_->commitName(name_->text().toStdString()));
    if (shown != name_->text()) {
        name_->setText(shown);
    }
}

void QRCodeCreatorDetails::selectType(int position) {
    const auto& tabs = qrTypeTabs();
    if (position < 0 || position >= static_cast<int>(tabs.size())) {
        return;
    }
    // The field being edited keeps what was typed before its form goes.
    form_->commit();
    selector_->setSelection(position);
    const ui::StoreFailureAlerts::Origin origin(this);
    state_->setType(tabs[position].type);
    if (form_->type() != tabs[position].type) {
        form_->showType(tabs[position].type);
    }
}

void QRCodeCreatorDetails::refreshPreview() {
    const QRCodeStructure& code = state_->qrcode();
    preview_->setColours(toQColor(code.background()), toQColor(code.foreground()));
    const std::string payload = state_->payload();
    if (payload != previewPayload_ ||
        (!preview_->hasImage() && previewContent_ == QRCodeGenerator::Content::fits)) {
        previewPayload_ = payload;
        previewContent_ = QRCodeGenerator::Content::empty;
        if (payload.empty()) {
            preview_->setImage({});
        } else {
            ++renders_;
            const gfx::Image image = QRCodeGenerator::generateQRCodeImage(payload, 800, 800);
            preview_->setImage(ui::toQImage(image));
            previewContent_ = image.isNull() ? QRCodeGenerator::judgeContent(payload)
                                             : QRCodeGenerator::Content::fits;
        }
    }
    const std::string problem = qrContentProblem(previewContent_);
    contentNote_->setText(ui::tr(problem));
    contentNote_->setVisible(!problem.empty());
}

} // namespace fen
