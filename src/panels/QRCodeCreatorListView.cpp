#include "panels/QRCodeCreatorListView.h"

#include "controls/BackgroundModifiers.h"
#include "controls/TextInputs.h"
#include "panels/QRCodeCreatorDetails.h"
#include "panels/QrEditorState.h"
#include "ui/StoreFailureAlerts.h"
#include "ui/Tr.h"

#include <QAbstractScrollArea>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace fen {

namespace {

// A row shows the code's name as plain text, on the section background.
void dressCodeRow(QPushButton& row, const SPAOptions& option) {
    row.setAutoDefault(false);
    auto* layout = new QVBoxLayout(&row);
    layout->setContentsMargins(12, 8, 12, 8);
    auto* label = new QLabel(QString::fromStdString(option.title), &row);
    label->setTextFormat(Qt::PlainText);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    layout->addWidget(label);
    FenSectionBackgroundColorNoBorderModifier::apply(&row);
}

ListEditorSheet::Entries codes(OptionListModel& dbModel) {
    return {
        QStringLiteral("qrcode"),
        QStringLiteral("Add you first QR Code"),
        qrlist::showsRow,
        dressCodeRow,
        [&dbModel](const std::string& id) { qrlist::remove(dbModel, id); },
        [&dbModel](const SPAOptions& option, QWidget* page,
                   std::function<void()> back) -> ListEditorSheet::Editor {
            auto* editor = new QRCodeCreatorDetails(dbModel, qrlist::load(dbModel, option.id),
                                                    std::move(back), page);
            return {editor, editor->nameField(), [editor] { editor->commit(); }};
        },
    };
}

} // namespace

QRCodeCreatorListView::QRCodeCreatorListView(OptionListModel& dbModel, QWidget* parent)
    : ListEditorSheet(dbModel, codes(dbModel), parent) {
    setRowSpacing(2);
    // The scrolling list of the rows is a Tab stop of its own: named by what it holds.
    if (auto* list =
            listPage()->findChild<QAbstractScrollArea*>(QString(), Qt::FindDirectChildrenOnly)) {
        list->setAccessibleName(ui::tr("QR Code List"));
    }
    field_ = new FenViewInputNew(
        QStringLiteral("Enter a new name"), QString(),
        [this] {
            const std::string name = field_->text().toStdString();
            field_->setText(QString());
            const ui::StoreFailureAlerts::Origin origin(this);
            qrlist::add(this->dbModel(), name);
        },
        listPage());
    setFooter(field_);
}

QRCodeCreatorDetails* QRCodeCreatorListView::editor() const {
    return static_cast<QRCodeCreatorDetails*>(shownEditor());
}

QDialog* openQrCodesSheet(QWidget* parent, OptionListModel& dbModel) {
    return openListEditorSheet(parent, new QRCodeCreatorListView(dbModel),
                               QStringLiteral("QR Codes"), QSize(760, 600));
}

} // namespace fen
