#include "controls/FontSelectorView.h"

#include "controls/KvStepperTextfieldCombined.h"
#include "controls/PopupPicker.h"
#include "controls/ToolBarViewButton.h"
#include "model/FontSetting.h"
#include "ui/Separator.h"
#include "ui/Tr.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace fen {

namespace {

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

// A row of a title, at least 8 points of space and a pop-up list, the title naming the list.
QComboBox* pickerRow(QWidget* row, const char* title) {
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(ui::tr(title), row);
    auto* picker = new PopupPicker(row);
    label->setBuddy(picker);
    layout->addWidget(label);
    layout->addSpacing(8);
    layout->addStretch(1);
    layout->addWidget(picker, 1);
    PopupMenuButtonLargeModifier::apply(picker, false);
    return picker;
}

// The entries are drawn at the body text size.
QFont entryFont(const std::string& family, const std::optional<std::string>& style) {
    QFont font(qt(family));
    font.setPixelSize(static_cast<int>(FontSetting::defaultSize()));
    if (style) {
        font.setStyleName(qt(*style));
    }
    return font;
}

} // namespace

FontSelector_FontSelector_View::FontSelector_FontSelector_View(FontSelectorLogic& logic,
                                                               QWidget* parent)
    : QWidget(parent), logic_(logic), picker_(pickerRow(this, "Font")) {
    for (const std::string& family : familyMenuNames(logic_.model().catalog())) {
        const int row = picker_->count();
        picker_->addItem(qt(family));
        picker_->setItemData(row, entryFont(family, std::nullopt), Qt::FontRole);
        // The list cuts a long name to its width; the tooltip and the screen reader have it all.
        picker_->setItemData(row, qt(family), Qt::ToolTipRole);
        picker_->setItemData(row, qt(family), Qt::AccessibleTextRole);
    }
    connect(picker_, &QComboBox::activated, this,
            [this](int index) { logic_.chooseFamily(picker_->itemText(index).toStdString()); });
    refresh();
}

void FontSelector_FontSelector_View::refresh() {
    const QSignalBlocker blocker(picker_);
    picker_->setCurrentIndex(picker_->findText(qt(logic_.model().selectedFont()),
                                               Qt::MatchExactly | Qt::MatchCaseSensitive));
}

FontSelector_BoldItalic_View::FontSelector_BoldItalic_View(FontSelectorLogic& logic,
                                                           QWidget* parent)
    : QWidget(parent), logic_(logic), picker_(pickerRow(this, "Style")) {
    connect(picker_, &QComboBox::activated, this,
            [this](int index) { logic_.chooseStyle(picker_->itemText(index).toStdString()); });
    refresh();
}

void FontSelector_BoldItalic_View::refresh() {
    const QSignalBlocker blocker(picker_);
    const FontSelectorModel& model = logic_.model();
    picker_->clear();
    for (const FontsInFamily& face : model.fontStylesToDisplay()) {
        picker_->addItem(qt(styleName(model.catalog(), face.fontname)));
        picker_->setItemData(
            picker_->count() - 1,
            entryFont(model.selectedFont(), model.catalog().subFamilyName(face.fontname, 17)),
            Qt::FontRole);
    }
    picker_->setCurrentIndex(
        picker_->findText(qt(model.selectedStyle()), Qt::MatchExactly | Qt::MatchCaseSensitive));
}

FontSelector_Size_View::FontSelector_Size_View(FontSelectorLogic& logic, QWidget* parent)
    : QWidget(parent), logic_(logic) {
    const FontSelectorModel& model = logic_.model();
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(ui::tr("Size"), this));
    layout->addStretch(1);
    control_ = new KvStepperTextfieldCombined(model.fontSizeValue(), QStringLiteral("pt"),
                                              model.minFontSize(), model.maxFontSize(), 1, false,
                                              true, true, this);
    control_->setAccessibleTitle(ui::tr("Size"));
    layout->addWidget(control_);
    connect(control_, &KvStepperTextfieldCombined::valueEdited, this,
            [this](std::int64_t size) { logic_.chooseSize(size); });
}

void FontSelector_Size_View::refresh() {
    control_->setValue(logic_.model().fontSizeValue());
}

FontSelectorView::FontSelectorView(const FontSetting& font, const FontSelectorCatalog& catalog,
                                   QWidget* parent)
    : QWidget(parent), logic_(catalog), shownFont_(font),
      family_(new FontSelector_FontSelector_View(logic_, this)),
      style_(new FontSelector_BoldItalic_View(logic_, this)),
      size_(new FontSelector_Size_View(logic_, this)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(family_);
    column->addWidget(new ui::Separator(Qt::Horizontal, this));
    column->addWidget(style_);
    column->addWidget(new ui::Separator(Qt::Horizontal, this));
    column->addWidget(size_);
    edited_ = logic_.fontEdited.connect([this](const FontSetting& edited) {
        shownFont_ = edited;
        Q_EMIT valueEdited(edited);
    });
    changed_ = logic_.model().changed.connect([this] { refresh(); });
}

void FontSelectorView::setValue(const FontSetting& font) {
    shownFont_ = font;
    logic_.loadFontSetting(font);
}

void FontSelectorView::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        setValue(shownFont_);
    }
    QWidget::showEvent(event);
}

void FontSelectorView::refresh() {
    family_->refresh();
    style_->refresh();
    size_->refresh();
}

} // namespace fen
