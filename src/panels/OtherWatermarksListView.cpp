#include "panels/OtherWatermarksListView.h"

#include "controls/ButtonStyles.h"
#include "controls/FenGenerticNoDataInList.h"
#include "controls/FormatTokensView.h"
#include "controls/FormatWords.h"
#include "controls/SheetButtonModifiers.h"
#include "panels/OtherWatermarksViewPanel.h"
#include "platform/foundation/Uuid.h"
#include "storage/FenDatabaseManager.h"
#include "storage/OptionListModel.h"
#include "ui/Sheets.h"
#include "ui/Tr.h"

#include <QAction>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace fen {

namespace {

// One format of the list: a flat push button named by the format's text, its face the text with
// its tags as tokens.
class FormatRow : public QPushButton {
public:
    FormatRow(const std::string& id, const std::string& title, QWidget* parent)
        : QPushButton(parent), id_(id) {
        setFlat(true);
        setAccessibleName(QString::fromStdString(title));
        setFocusPolicy(Qt::StrongFocus);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(10, 6, 10, 6);
        auto* tokens = new FormatTokensView(title, pageNumberFormatTags(), this);
        tokens->setAttribute(Qt::WA_TransparentForMouseEvents);
        layout->addWidget(tokens);
        setMinimumHeight(36);
    }
    const std::string& id() const { return id_; }

private:
    std::string id_;
};

} // namespace

OtherWatermarksListView::OtherWatermarksListView(OptionListModel& dbModel, QWidget* parent)
    : QWidget(parent), dbModel_(dbModel) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    pages_ = new QStackedWidget(this);
    layout->addWidget(pages_);

    listPage_ = new QWidget(pages_);
    auto* listLayout = new QVBoxLayout(listPage_);
    placeholder_ =
        new FenGenerticNoDataInList("123.rectangle", "Add you first Page Number", listPage_);
    listLayout->addWidget(placeholder_, 1);
    auto* scroll = new QScrollArea(listPage_);
    scroll_ = scroll;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* rows = new QWidget(scroll);
    rowsLayout_ = new QVBoxLayout(rows);
    rowsLayout_->setContentsMargins(0, 0, 0, 0);
    rowsLayout_->addStretch(1);
    scroll->setWidget(rows);
    listLayout->addWidget(scroll, 1);
    add_ = new StyledButton(ButtonStyle::SheetDoneButtonButtonStyle, false, listPage_);
    add_->setLabel(ui::tr("Add"), QColor(Qt::white));
    add_->setPadding(QMargins(14, 8, 14, 8));
    add_->setAccessibleName(ui::tr("Add"));
    listLayout->addWidget(add_);
    pages_->addWidget(listPage_);

    editorPage_ = new QWidget(pages_);
    auto* editorLayout = new QVBoxLayout(editorPage_);
    auto* backButton = new QPushButton(ui::tr("Back"), editorPage_);
    backButton->setFlat(true);
    backButton->setAutoDefault(false);
    editorLayout->addWidget(backButton, 0, Qt::AlignLeft);
    pages_->addWidget(editorPage_);

    connect(add_, &QAbstractButton::clicked, this, [this] {
        FenDatabaseManager::addPageNumberListEntry(newUuidString(), "#currentPage");
        dbModel_.loadOptions();
    });
    connect(backButton, &QPushButton::clicked, this, &OtherWatermarksListView::back);
    changed_ = dbModel_.objectWillChange.connect([this] { rebuild(); });
    rebuild();
}

OtherWatermarksListView::~OtherWatermarksListView() {
    // Closing the sheet keeps what the editor holds.
    if (editor_) {
        editor_->commit();
    }
}

std::vector<QAbstractButton*> OtherWatermarksListView::rows() const {
    std::vector<QAbstractButton*> result;
    for (int i = 0; i < rowsLayout_->count(); ++i) {
        if (auto* row = qobject_cast<QAbstractButton*>(rowsLayout_->itemAt(i)->widget())) {
            result.push_back(row);
        }
    }
    return result;
}

void OtherWatermarksListView::rebuild() {
    for (QAbstractButton* row : rows()) {
        rowsLayout_->removeWidget(row);
        row->deleteLater();
    }
    int shown = 0;
    for (const SPAOptions& option : dbModel_.options()) {
        if (option == SPAOptions::none()) {
            continue;
        }
        auto* row = new FormatRow(option.id, option.title, rowsLayout_->parentWidget());
        row->installEventFilter(this);
        row->setContextMenuPolicy(Qt::ActionsContextMenu);
        auto* remove = new QAction(ui::tr("Delete"), row);
        connect(remove, &QAction::triggered, this, [this, id = option.id] { this->remove(id); });
        row->addAction(remove);
        connect(row, &QPushButton::clicked, this,
                [this, id = option.id, title = option.title] { open(id, title); });
        rowsLayout_->insertWidget(shown++, row);
    }
    placeholder_->setVisible(shown == 0);
    scroll_->setVisible(shown > 0);
}

void OtherWatermarksListView::open(const std::string& id, const std::string& title) {
    if (editor_) {
        editor_->commit();
        editor_->deleteLater();
    }
    editor_ = new OtherWatermarksViewPanel(
        dbModel_, {id, title}, [this] { back(); }, editorPage_);
    editorPage_->layout()->addWidget(editor_);
    pages_->setCurrentWidget(editorPage_);
    editor_->field()->setFocus();
}

void OtherWatermarksListView::back() {
    if (editor_) {
        editor_->commit();
        editor_->hide();
        editor_->deleteLater();
        editor_ = nullptr;
    }
    pages_->setCurrentWidget(listPage_);
}

void OtherWatermarksListView::remove(const std::string& id) {
    FenDatabaseManager::removePageNumberListEntry(id);
    dbModel_.loadOptions();
}

bool OtherWatermarksListView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Delete || key == Qt::Key_Backspace) {
            if (auto* row = dynamic_cast<FormatRow*>(watched)) {
                remove(row->id());
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

QDialog* openPageNumberFormatsSheet(QWidget* parent, OptionListModel& dbModel) {
    QDialog* sheet = ui::makeSheet(parent, ui::tr("Page Number Watermarks"));
    auto* content = new OtherWatermarksListView(dbModel);
    auto* bar = new SheetDoneButtonModifier(
        content, ui::tr("Page Number Watermarks"),
        [sheet](bool presented) {
            if (!presented) {
                sheet->close();
            }
        },
        sheet);
    auto* layout = new QVBoxLayout(sheet);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(bar);
    sheet->resize(480, 520);
    sheet->open();
    return sheet;
}

} // namespace fen
