#include "controls/BackgroundForegroundView.h"

#include "controls/SelectedStateAccessible.h"
#include "ui/Tr.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace fen {

BackgroundForeground_Selector_Button::BackgroundForeground_Selector_Button(
    BackgroundForegroundModel& model, std::int64_t idx, const QString& imagename,
    const QString& name, QWidget* parent)
    : StyledButton(ButtonStyle::BackgroundForeground_SelectorStyle, false, parent), model_(model),
      idx_(idx) {
    SelectedStateAccessible::install();
    setSymbol(imagename, 17, ui::SymbolIcon::Weight::Regular);
    setAccessibleName(ui::tr(name));
    setToolTip(ui::tr(name));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(32);
    connect(this, &QAbstractButton::clicked, this, [this] { model_.setSelectionIdx(idx_); });
    refresh();
}

void BackgroundForeground_Selector_Button::refresh() {
    const bool selected = model_.selectionIdx() == idx_;
    if (selected != isSelectedLook()) {
        setSelectedLook(selected);
        SelectedStateAccessible::selectedStateChanged(this);
    }
}

BackgroundForeground_Selector_View::BackgroundForeground_Selector_View(
    BackgroundForegroundModel& model, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 4);
    behind_ = new BackgroundForeground_Selector_Button(model, 0, "square.2.layers.3d.bottom.filled",
                                                       "Behind", this);
    front_ = new BackgroundForeground_Selector_Button(model, 1, "square.2.layers.3d.top.filled",
                                                      "In Front", this);
    layout->addWidget(behind_);
    layout->addWidget(front_);
    changed_ = model.changed.connect([this] {
        behind_->refresh();
        front_->refresh();
    });
}

BackgroundForegroundView::BackgroundForegroundView(bool isInBackground, QWidget* parent)
    : QWidget(parent), model_(std::make_unique<BackgroundForegroundModel>()),
      isInBackground_(isInBackground) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    selector_ = new BackgroundForeground_Selector_View(*model_, this);
    layout->addWidget(selector_);
    changed_ = model_->changed.connect([this] {
        const std::optional<bool> flag = BackgroundForegroundModel::flagFor(model_->selectionIdx());
        if (flag && *flag != isInBackground_) {
            isInBackground_ = *flag;
            Q_EMIT isInBackgroundEdited(isInBackground_);
        }
    });
    model_->setSelectionIdx(BackgroundForegroundModel::indexFor(isInBackground_));
}

BackgroundForegroundView::~BackgroundForegroundView() {
    // The buttons hear the model until they go, with the children, after this body.
    changed_.disconnect();
}

void BackgroundForegroundView::setIsInBackground(bool isInBackground) {
    isInBackground_ = isInBackground;
    model_->setSelectionIdx(BackgroundForegroundModel::indexFor(isInBackground));
}

} // namespace fen
