#include "panels/OtherWatermarksViewPanel.h"

#include "controls/ButtonStyles.h"
#include "controls/FormatTokensView.h"
#include "controls/FormatWords.h"
#include "storage/FenDatabaseManager.h"
#include "storage/OptionListModel.h"
#include "ui/StoreFailureAlerts.h"
#include "ui/Tr.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QVBoxLayout>

namespace fen {

OtherWatermarksViewPanel::OtherWatermarksViewPanel(OptionListModel& dbModel, SPAOptions pagenumber,
                                                   std::function<void()> dismiss, QWidget* parent)
    : QWidget(parent), dbModel_(dbModel), pagenumber_(std::move(pagenumber)),
      dismiss_(std::move(dismiss)), stored_(pagenumber_.title) {
    auto* layout = new QVBoxLayout(this);
    field_ = new QLineEdit(QString::fromStdString(pagenumber_.title), this);
    field_->setPlaceholderText(ui::tr("Enter the text with tags"));
    field_->setAccessibleName(ui::tr("Enter the text with tags"));
    field_->installEventFilter(this);
    layout->addWidget(field_);
    tokens_ = new FormatTokensView(pagenumber_.title, pageNumberFormatTags(), this);
    layout->addWidget(tokens_);
    layout->addStretch(1);
    auto* header = new QLabel(ui::tr("Tags"), this);
    QFont bold = header->font();
    bold.setWeight(QFont::DemiBold);
    header->setFont(bold);
    layout->addWidget(header);
    layout->addWidget(new FormatTagListView(pageNumberFormatTags(), this));
    layout->addStretch(1);
    delete_ = new StyledButton(ButtonStyle::SheetDeleteButtonButtonStyle, false, this);
    delete_->setLabel(ui::tr("Delete"), QColor(Qt::white));
    delete_->setPadding(QMargins(14, 8, 14, 8));
    delete_->setAccessibleName(ui::tr("Delete"));
    layout->addWidget(delete_);

    connect(field_, &QLineEdit::textEdited, this,
            [this](const QString& text) { tokens_->setText(text.toStdString()); });
    connect(field_, &QLineEdit::returnPressed, this, &OtherWatermarksViewPanel::commit);
    connect(delete_, &QAbstractButton::clicked, this, [this] {
        deleted_ = true;
        const ui::StoreFailureAlerts::Origin origin(this);
        dbModel_.change(
            [id = pagenumber_.id] { return FenDatabaseManager::removePageNumberListEntry(id); });
        if (dismiss_) {
            dismiss_();
        }
    });
}

void OtherWatermarksViewPanel::commit() {
    const std::string text = field_->text().toStdString();
    if (deleted_ || text == stored_) {
        return;
    }
    // A format the store refused stays in the field and is tried again at the next commit.
    const ui::StoreFailureAlerts::Origin origin(this);
    dbModel_.change([id = pagenumber_.id,
                     text] { return FenDatabaseManager::updatePageNumberListEntry(id, text); },
                    [panel = QPointer<OtherWatermarksViewPanel>(this), text](bool stored) {
                        if (stored && panel) {
                            panel->stored_ = text;
                        }
                    });
}

bool OtherWatermarksViewPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == field_ && event->type() == QEvent::FocusOut) {
        commit();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace fen
