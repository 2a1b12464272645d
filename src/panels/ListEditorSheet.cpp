#include "panels/ListEditorSheet.h"

#include "controls/FenGenerticNoDataInList.h"
#include "controls/SheetButtonModifiers.h"
#include "storage/OptionListModel.h"
#include "ui/Sheets.h"
#include "ui/StoreFailureAlerts.h"
#include "ui/Tr.h"

#include <QAction>
#include <QDialog>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <utility>

namespace fen {

ListEditorSheet::ListEditorSheet(OptionListModel& dbModel, Entries entries, QWidget* parent)
    : QWidget(parent), dbModel_(dbModel), entries_(std::move(entries)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    pages_ = new QStackedWidget(this);
    layout->addWidget(pages_);

    listPage_ = new QWidget(pages_);
    listLayout_ = new QVBoxLayout(listPage_);
    placeholder_ = new FenGenerticNoDataInList(entries_.placeholderSymbol, entries_.placeholderText,
                                               listPage_);
    listLayout_->addWidget(placeholder_, 1);
    auto* scroll = new QScrollArea(listPage_);
    scroll_ = scroll;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* rows = new QWidget(scroll);
    rowsLayout_ = new QVBoxLayout(rows);
    rowsLayout_->setContentsMargins(0, 0, 0, 0);
    rowsLayout_->addStretch(1);
    scroll->setWidget(rows);
    listLayout_->addWidget(scroll, 1);
    pages_->addWidget(listPage_);

    editorPage_ = new QWidget(pages_);
    auto* editorLayout = new QVBoxLayout(editorPage_);
    auto* backButton = new QPushButton(ui::tr("Back"), editorPage_);
    backButton->setFlat(true);
    backButton->setAutoDefault(false);
    back_ = backButton;
    editorLayout->addWidget(backButton, 0, Qt::AlignLeft);
    pages_->addWidget(editorPage_);

    connect(backButton, &QPushButton::clicked, this, &ListEditorSheet::back);
    changed_ = dbModel_.objectWillChange.connect([this] { refresh(); });
    refresh();
}

ListEditorSheet::~ListEditorSheet() {
    // A reload while closing rebuilds no rows.
    changed_.disconnect();
    // Closing the sheet keeps what the editor holds.
    if (editor_.widget) {
        editor_.commit();
        dbModel_.loadOptions();
    }
}

void ListEditorSheet::setFooter(QWidget* footer) {
    listLayout_->addWidget(footer);
}

void ListEditorSheet::setRowSpacing(int spacing) {
    rowsLayout_->setSpacing(spacing);
}

std::vector<QAbstractButton*> ListEditorSheet::rows() const {
    std::vector<QAbstractButton*> result;
    for (int i = 0; i < rowsLayout_->count(); ++i) {
        if (auto* row = qobject_cast<QAbstractButton*>(rowsLayout_->itemAt(i)->widget())) {
            result.push_back(row);
        }
    }
    return result;
}

void ListEditorSheet::refresh() {
    for (QAbstractButton* row : rows()) {
        rowsLayout_->removeWidget(row);
        row->hide();
        row->deleteLater();
    }
    int shown = 0;
    for (const SPAOptions& option : dbModel_.options()) {
        if (!entries_.lists(option)) {
            continue;
        }
        auto* row = new QPushButton(rowsLayout_->parentWidget());
        row->setFlat(true);
        row->setAccessibleName(QString::fromStdString(option.title));
        row->setFocusPolicy(Qt::StrongFocus);
        row->setMinimumHeight(36);
        entries_.dressRow(*row, option);
        // The row removes the entry it shows, by its identifier, never by its place; only from its
        // context menu: these lists take no Delete or Backspace key.
        const auto remove = [this, id = option.id] {
            const ui::StoreFailureAlerts::Origin origin(this);
            entries_.remove(id);
        };
        row->setContextMenuPolicy(Qt::ActionsContextMenu);
        auto* action = new QAction(ui::tr("Delete"), row);
        connect(action, &QAction::triggered, this, remove);
        row->addAction(action);
        connect(row, &QPushButton::clicked, this, [this, option] { open(option); });
        rowsLayout_->insertWidget(shown++, row);
    }
    // The first option is always "none". A list not read yet is not an empty one.
    const bool empty = dbModel_.options().size() < 2 && dbModel_.hasRead();
    placeholder_->setVisible(empty);
    scroll_->setVisible(!empty);
}

void ListEditorSheet::open(const SPAOptions& option) {
    closeEditor();
    editor_ = entries_.makeEditor(option, editorPage_, [this] { back(); });
    editorPage_->layout()->addWidget(editor_.widget);
    pages_->setCurrentWidget(editorPage_);
    editor_.focus->setFocus();
}

void ListEditorSheet::closeEditor() {
    if (editor_.widget) {
        Editor closing = std::exchange(editor_, Editor{});
        closing.commit();
        closing.widget->hide();
        closing.widget->deleteLater();
    }
}

void ListEditorSheet::back() {
    closeEditor();
    pages_->setCurrentWidget(listPage_);
    dbModel_.loadOptions();
}

void ListEditorSheet::commit() {
    if (editor_.widget) {
        editor_.commit();
    }
}

QDialog* openListEditorSheet(QWidget* parent, ListEditorSheet* content, const QString& title,
                             QSize size) {
    QDialog* sheet = ui::makeSheet(parent, title);
    auto* bar = new SheetDoneButtonModifier(
        content, title,
        [sheet](bool presented) {
            if (!presented) {
                sheet->close();
            }
        },
        sheet);
    auto* layout = new QVBoxLayout(sheet);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(bar);
    sheet->resize(size);
    sheet->open();
    return sheet;
}

} // namespace fen
