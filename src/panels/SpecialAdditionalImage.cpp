#include "panels/SpecialAdditionalImage.h"

#include "controls/SpecialAdditionalGenericSelector.h"
#include "controls/ToolBarViewButton.h"
#include "export/NotificationDocumentCenter.h"
#include "panels/EnterNewNameModifier.h"
#include "panels/QRCodeCreatorListView.h"
#include "panels/QrEditorState.h"
#include "panels/SavedListPanel.h"
#include "panels/SpecialAdditionalImageCenter.h"
#include "storage/MainSettingsImageHolder.h"
#include "storage/QRCodeDBModel.h"
#include "ui/Sheets.h"
#include "ui/Tr.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace fen {

SpecialAdditionalImage::SpecialAdditionalImage(const std::optional<Url>& imageUrl,
                                               std::function<void(const std::optional<Url>&)> write,
                                               std::shared_ptr<MainSettingsImageHolder> imageHolder,
                                               std::shared_ptr<NotificationDocumentCenter> channel,
                                               ImagePicker::Chooser importChooser, QWidget* parent)
    : QWidget(parent), dbModel_(std::make_unique<QRCodeDBModel>()),
      // A chosen code is drawn as the list's last read gave it: the window never reads the store
      // on its own thread.
      logic_(std::move(write),
             [model = dbModel_.get()](const std::string& id) {
                 const std::optional<QRCodeStructure> code = model->code(id);
                 return code ? ImageSourceLogic::renderQRCode(*code)
                             : ImageSourceLogic::Rendering();
             }),
      channel_(std::move(channel)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    setFixedHeight(100);

    selector_ = new SpecialAdditionalGenericSelector(ui::tr("Select QR code"), logic_.selection(),
                                                     logic_.options(), {}, this);
    // "Customize List" opens the QR code sheet over this row's own list of codes.
    QRCodeDBModel* model = dbModel_.get();
    selector_->setSheetOpener(
        [model](QWidget* window) { return openQrCodesSheet(window, *model); });
    row->addWidget(selector_, 0, Qt::AlignVCenter);

    center_ = new SpecialAdditionalImageCenter(std::move(imageHolder), channel_,
                                               std::move(importChooser), this);
    row->addWidget(center_, 1);

    auto* buttons = new QWidget(this);
    buttons->setFixedWidth(60);
    auto* column = new QVBoxLayout(buttons);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    clear_ = new SpecialAdditionalButton(
        "paintbrush", true, [this] { logic_.clear(); }, true, buttons);
    // Named apart from the text list's "Clear", "Open" and "Save" above the page.
    clear_->setAccessibleName(ui::tr("Clear image"));
    clear_->setToolTip(ui::tr("Clear image"));
    column->addWidget(clear_, 0, Qt::AlignRight);
    open_ = new SpecialAdditionalButton(
        "list.bullet.rectangle.portrait", false,
        [this] {
            if (!presetsSheet_) {
                presetsSheet_ = SavedListPanel::present(this, channel_, PresetsList::image,
                                                        [this] { presetsSheet_ = nullptr; });
            }
        },
        false, buttons);
    open_->setAccessibleName(ui::tr("Open preset"));
    open_->setToolTip(ui::tr("Open preset"));
    column->addWidget(open_, 0, Qt::AlignRight);
    save_ = new SpecialAdditionalButton(
        "bookmark", false,
        [this] {
            if (!nameAlert_) {
                nameAlert_ = EnterNewNameModifier::present(this, channel_, PresetsList::image,
                                                           [this] { nameAlert_ = nullptr; });
            }
        },
        true, buttons);
    save_->setAccessibleName(ui::tr("Save preset"));
    save_->setToolTip(ui::tr("Save preset"));
    column->addWidget(save_, 0, Qt::AlignRight);
    row->addWidget(buttons);

    logic_.changed = [this] { refresh(); };
    logic_.refused = [this](QRCodeGenerator::Content content) {
        if (refusal_) {
            refusal_->close();
        }
        refusal_ = ui::presentNotice(this, ui::tr("QR Code"), ui::tr(qrContentProblem(content)));
    };
    connect(selector_, &SpecialAdditionalGenericSelector::selectionEdited, this,
            [this](const std::string& id) { logic_.selectionChosen(id); });
    connect(center_, &SpecialAdditionalImageCenter::imageChosen, this,
            [this](const std::optional<Url>& url) { logic_.imageChosen(url); });
    modelConnection_ = dbModel_->objectWillChange.connect(
        [this] { logic_.storeOptionsChanged(dbModel_->options()); });

    logic_.appear(imageUrl, dbModel_->options());
    refresh();
}

SpecialAdditionalImage::~SpecialAdditionalImage() {
    // A sheet still open over the row's list of codes (its window closing) goes first, while that
    // list lives: closing it commits the field being edited. The row no longer follows the list.
    modelConnection_.disconnect();
    delete selector_->sheet();
}

void SpecialAdditionalImage::setImageUrl(const std::optional<Url>& url) {
    logic_.boundChanged(url);
}

void SpecialAdditionalImage::refresh() {
    selector_->setOptions(logic_.options());
    selector_->setSelection(logic_.selection());
    const bool noPicture = !logic_.imageUrl();
    clear_->setIsDisabled(noPicture);
    save_->setIsDisabled(noPicture);
}

} // namespace fen
