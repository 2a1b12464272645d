#include "panels/SavedListPanelSheet.h"

#include "controls/BackgroundModifiers.h"
#include "controls/FenGenerticNoDataInList.h"
#include "controls/ListFocusStateModifier.h"
#include "controls/ListItemDeleteModifier.h"
#include "controls/SheetButtonModifiers.h"
#include "ui/Theme.h"
#include "ui/Tr.h"

#include <QEvent>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QStackedLayout>
#include <QStyledItemDelegate>

namespace fen {

namespace {

// Rows on the list-row background, their text over it; the view's own selection paint unused.
class PresetRowDelegate : public QStyledItemDelegate {
public:
    explicit PresetRowDelegate(QListWidget* list) : QStyledItemDelegate(list), list_(list) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        painter->save();
        const bool selected = list_->selectionModel()->isSelected(index);
        const bool focused = list_->hasFocus();
        painter->fillRect(
            option.rect, FenListRowBackgroundModifier::colour(list_->palette(), selected, focused));
        painter->setPen(selected && focused ? list_->palette().color(QPalette::HighlightedText)
                                            : ui::Theme::primary(list_->palette()));
        painter->setFont(option.font);
        const QRect text = option.rect.adjusted(12, 0, -12, 0);
        painter->drawText(
            text, Qt::AlignLeft | Qt::AlignVCenter,
            option.fontMetrics.elidedText(index.data().toString(), Qt::ElideRight, text.width()));
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        return QSize(option.rect.width(), option.fontMetrics.height() + 14);
    }

private:
    QListWidget* list_;
};

// Repaints the rows when the list gains or loses the focus (the selected row's colour follows).
class FocusRepaint : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
            static_cast<QListWidget*>(watched)->viewport()->update();
        }
        return false;
    }
};

} // namespace

SavedListPanelSheet::SavedListPanelSheet(const QString& title, PresetSheetLogic logic,
                                         std::function<void(bool)> isPresented, QWidget* parent)
    : QWidget(parent), logic_(std::move(logic)), isPresented_(std::move(isPresented)) {
    auto* root = new QWidget(this);
    stack_ = new QStackedLayout(root);
    empty_ = new FenGenerticNoDataInList(QStringLiteral("list.bullet.rectangle.portrait"),
                                         QStringLiteral("No Presets Available"), root);
    stack_->addWidget(empty_);
    reading_ = new FenGenerticNoDataInList(QStringLiteral("list.bullet.rectangle.portrait"),
                                           QStringLiteral("Reading the Stored Presets"), root);
    stack_->addWidget(reading_);
    list_ = new QListWidget(root);
    list_->setAccessibleName(ui::tr(title));
    list_->setFrameShape(QFrame::NoFrame);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setUniformItemSizes(true);
    list_->viewport()->setAutoFillBackground(false);
    list_->setItemDelegate(new PresetRowDelegate(list_));
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    list_->installEventFilter(new FocusRepaint(list_));
    ListFocusStateModifier::apply(list_);
    stack_->addWidget(list_);

    bar_ = new SheetCancelOpenButtonModifier(
        root, title, [this](bool shown) { isPresented_(shown); }, false,
        [this] { logic_.openSelected(); }, this);
    auto* layout = new QStackedLayout(this);
    layout->addWidget(bar_);

    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { followSelection(); });
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { openAndClose(); });
    connect(list_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const QModelIndex index = list_->indexAt(at);
        if (index.isValid()) {
            makeRowMenu(index.row())->popup(list_->viewport()->mapToGlobal(at));
        }
    });
    ListItemDeleteModifier::apply(list_, [this] {
        if (logic_.deleteSelected()) {
            showItems();
        }
    });
    showItems();
}

void SavedListPanelSheet::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), ui::Theme::systemBackground(palette()));
}

bool SavedListPanelSheet::showsPlaceholder() const {
    return stack_->currentWidget() == empty_;
}

bool SavedListPanelSheet::showsReading() const {
    return stack_->currentWidget() == reading_;
}

void SavedListPanelSheet::showStored(FenDatabaseManager::StoredPresetItems stored) {
    logic_.setStored(std::move(stored));
    showItems();
}

void SavedListPanelSheet::showItems() {
    syncing_ = true;
    list_->clear();
    for (const PresetItem& item : logic_.items()) {
        auto* row = new QListWidgetItem(QString::fromStdString(item.title), list_);
        row->setData(Qt::UserRole, QString::fromStdString(item.id));
    }
    syncing_ = false;
    QWidget* shown = list_;
    if (logic_.isReading()) {
        shown = reading_;
    } else if (logic_.items().empty()) {
        shown = empty_;
    }
    stack_->setCurrentWidget(shown);
    followSelection();
}

void SavedListPanelSheet::followSelection() {
    if (syncing_) {
        return;
    }
    const QModelIndexList rows = list_->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        logic_.select(std::nullopt);
    } else {
        logic_.select(rows.front().data(Qt::UserRole).toString().toStdString());
    }
    bar_->setOpenButtonEnabled(logic_.isOpenEnabled());
    list_->viewport()->update();
}

void SavedListPanelSheet::openAndClose() {
    logic_.openSelected();
    isPresented_(false);
}

QMenu* SavedListPanelSheet::makeRowMenu(int row) {
    auto* menu = new QMenu(list_);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* remove = menu->addAction(ui::tr("Delete"));
    connect(remove, &QAction::triggered, this, [this, row] {
        if (logic_.deleteRow(static_cast<std::size_t>(row))) {
            showItems();
        }
    });
    return menu;
}

} // namespace fen
