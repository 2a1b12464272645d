#include "document/MainToolBarViewMoreButton.h"

#include "controls/KvToggle.h"
#include "controls/SheetButtonModifiers.h"
#include "model/FenWatermarkModel.h"
#include "ui/Sheets.h"
#include "ui/UserDefaults.h"

#include <QFrame>
#include <QVBoxLayout>

namespace fen {

namespace {

const char* const overwriteTitle = "Overwrite Original";
const char* const secureTitle = "Secure Saving";
const char* const passwordTitle = "Password Protected";

} // namespace

MainToolBarViewMoreButton::MainToolBarViewMoreButton(std::shared_ptr<FenWatermarkModel> model,
                                                     HorizontalSizeClass sizeClass, QWidget* parent)
    : ToolBarViewButton(
          false, false, QStringLiteral("ellipsis.circle"), false, QStringLiteral("More"),
          std::nullopt, [this] { togglePresented(); }, parent),
      model_(std::move(model)), sizeClass_(sizeClass) {}

void MainToolBarViewMoreButton::setOverwrite(bool value) {
    ui::UserDefaults defaults;
    defaults.setBool(ui::UserDefaults::overWrite, value);
    defaults.sync();
}

void MainToolBarViewMoreButton::changeOverwrite(bool value) {
    if (value == isOverwrite_) {
        return;
    }
    isOverwrite_ = value;
    model_->isOverwrite = value;
    setOverwrite(value);
}

void MainToolBarViewMoreButton::changeSecure(bool value) {
    if (value == isSecure_) {
        return;
    }
    isSecure_ = value;
    model_->isSecureSaving = value;
}

void MainToolBarViewMoreButton::changePassword(bool value) {
    if (value == isPassword_) {
        return;
    }
    isPassword_ = value;
    model_->isPasswordProtected = value;
}

void MainToolBarViewMoreButton::loadOptions() {
    changeSecure(model_->isSecureSaving);
    changePassword(model_->isPasswordProtected);
    changeOverwrite(ui::UserDefaults().boolValue(ui::UserDefaults::overWrite, false));
}

KvToggle* MainToolBarViewMoreButton::toggle(const QString& title) const {
    if (!popover_) {
        return nullptr;
    }
    for (KvToggle* toggle : popover_->findChildren<KvToggle*>()) {
        if (toggle->toggleSwitch()->accessibleName() == title) {
            return toggle;
        }
    }
    return nullptr;
}

MainToolBarViewMoreButton::~MainToolBarViewMoreButton() {
    delete popover_.data();
}

void MainToolBarViewMoreButton::dismiss() {
    if (popover_) {
        popover_->close();
    }
}

void MainToolBarViewMoreButton::togglePresented() {
    if (isPresented()) {
        dismiss();
        return;
    }
    loadOptions();
    ui::Popover* popover = ui::makePopover(this);
    popover_ = popover;

    auto* content = new QWidget;
    auto* rows = new QVBoxLayout(content);
    rows->setContentsMargins(16, 16, 16, 16);
    struct Row {
        const char* title;
        bool value;
        void (MainToolBarViewMoreButton::*change)(bool);
    };
    for (const Row& row :
         {Row{overwriteTitle, isOverwrite_, &MainToolBarViewMoreButton::changeOverwrite},
          Row{secureTitle, isSecure_, &MainToolBarViewMoreButton::changeSecure},
          Row{passwordTitle, isPassword_, &MainToolBarViewMoreButton::changePassword}}) {
        auto* toggle = new KvToggle(QString::fromUtf8(row.title), row.value, content);
        connect(toggle, &KvToggle::isOnEdited, this,
                [this, change = row.change](bool on) { (this->*change)(on); });
        rows->addWidget(toggle);
    }

    auto* layout = new QVBoxLayout(popover);
    layout->setContentsMargins(0, 0, 0, 0);
    if (sizeClass_ == HorizontalSizeClass::regular) {
        layout->addWidget(content);
    } else {
        rows->addStretch(1);
        layout->addWidget(new SheetSettingCloseButtonModifier(
            content, [this] { dismiss(); }, popover));
    }
    ui::showPopover(popover, this);
}

} // namespace fen
