#include "panels/OtherWatermarksListView.h"

#include "controls/ButtonStyles.h"
#include "controls/FormatTokensView.h"
#include "controls/FormatWords.h"
#include "controls/SheetButtonModifiers.h"
#include "panels/OtherWatermarksViewPanel.h"
#include "platform/foundation/Uuid.h"
#include "storage/FenDatabaseManager.h"
#include "storage/OptionListModel.h"
#include "ui/StoreFailureAlerts.h"
#include "ui/Tr.h"

#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace fen {

namespace {

// A row draws the format's text with its tags as tokens.
void dressFormatRow(QPushButton& row, const SPAOptions& option) {
    auto* layout = new QVBoxLayout(&row);
    layout->setContentsMargins(10, 6, 10, 6);
    auto* tokens = new FormatTokensView(option.title, pageNumberFormatTags(), &row);
    tokens->setAttribute(Qt::WA_TransparentForMouseEvents);
    layout->addWidget(tokens);
}

ListEditorSheet::Entries formats(OptionListModel& dbModel) {
    return {
        QStringLiteral("123.rectangle"),
        QStringLiteral("Add you first Page Number"),
        [](const SPAOptions& option) { return !(option == SPAOptions::none()); },
        dressFormatRow,
        [&dbModel](const std::string& id) {
            dbModel.change([id] { return FenDatabaseManager::removePageNumberListEntry(id); });
        },
        [&dbModel](const SPAOptions& option, QWidget* page,
                   std::function<void()> back) -> ListEditorSheet::Editor {
            auto* editor = new OtherWatermarksViewPanel(dbModel, option, std::move(back), page);
            return {editor, editor->field(), [editor] { editor->commit(); }};
        },
    };
}

} // namespace

OtherWatermarksListView::OtherWatermarksListView(OptionListModel& dbModel, QWidget* parent)
    : ListEditorSheet(dbModel, formats(dbModel), parent) {
    add_ = new StyledButton(ButtonStyle::SheetDoneButtonButtonStyle, false, listPage());
    add_->setLabel(ui::tr("Add"), QColor(Qt::white));
    add_->setPadding(QMargins(14, 8, 14, 8));
    add_->setAccessibleName(ui::tr("Add"));
    setFooter(add_);
    connect(add_, &QAbstractButton::clicked, this, [this] {
        const ui::StoreFailureAlerts::Origin origin(this);
        this->dbModel().change([id = newUuidString()] {
            return FenDatabaseManager::addPageNumberListEntry(id, "#currentPage");
        });
    });
}

OtherWatermarksViewPanel* OtherWatermarksListView::editor() const {
    return static_cast<OtherWatermarksViewPanel*>(shownEditor());
}

QWidget* pageNumberFormatsSheetContent(OptionListModel& dbModel,
                                       std::function<void(bool)> isPresented) {
    auto* content =
        new SheetDoneButtonModifier(new OtherWatermarksListView(dbModel),
                                    ui::tr("Page Number Watermarks"), std::move(isPresented));
    content->setAccessibleName(ui::tr("Page Number Watermarks"));
    content->setMinimumSize(420, 480);
    return content;
}

QDialog* openPageNumberFormatsSheet(QWidget* parent, OptionListModel& dbModel) {
    return openListEditorSheet(parent, new OtherWatermarksListView(dbModel),
                               ui::tr("Page Number Watermarks"), QSize(480, 520));
}

} // namespace fen
