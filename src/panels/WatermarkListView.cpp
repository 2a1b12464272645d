#include "panels/WatermarkListView.h"

#include "controls/ListFocusStateModifier.h"
#include "controls/ListItemDeleteModifier.h"
#include "controls/PressReturnFakeDOM.h"
#include "panels/TextListLogic.h"
#include "panels/TextListModel.h"
#include "panels/WatermarkListRowModifier.h"
#include "panels/WatermarkListViewEmpty.h"
#include "panels/WatermarkListViewItemEditModifier.h"
#include "ui/Tr.h"

#include <QEvent>
#include <QListView>
#include <QMenu>
#include <QStackedLayout>

namespace fen {

WatermarkListView::WatermarkListView(TextListLogic& list, QWidget* parent)
    : QWidget(parent), list_(list) {
    stack_ = new QStackedLayout(this);
    stack_->setContentsMargins(0, 0, 0, 0);
    empty_ = new WatermarkListViewEmpty(this);
    stack_->addWidget(empty_);

    view_ = new QListView(this);
    view_->setAccessibleName(ui::tr("Text List"));
    view_->setFrameShape(QFrame::NoFrame);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setUniformItemSizes(true);
    view_->viewport()->setAutoFillBackground(false);
    view_->setContextMenuPolicy(Qt::CustomContextMenu);
    model_ = new TextListModel(list_, view_);
    view_->setModel(model_);
    view_->setItemDelegate(new WatermarkListRowModifier(list_, view_));
    view_->installEventFilter(this);
    stack_->addWidget(view_);

    connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { followViewSelection(); });
    connect(view_, &QListView::doubleClicked, this, [this] { presentRenameAlert(); });
    connect(view_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const QModelIndex index = view_->indexAt(at);
        if (index.isValid()) {
            makeRowMenu(index.row())->popup(view_->viewport()->mapToGlobal(at));
        }
    });
    PressReturnFakeDOM::apply(view_, [this] { presentRenameAlert(); });
    ListItemDeleteModifier::apply(view_, [this] { list_.deleteSelected(); });
    ListFocusStateModifier::apply(view_);

    itemsConnection_ = list_.itemsChanged.connect([this] { showItems(); });
    selectionConnection_ = list_.selectionChanged.connect([this] { showSelection(); });
    showItems();
}

bool WatermarkListView::showsPlaceholder() const {
    return stack_->currentWidget() == empty_;
}

void WatermarkListView::showItems() {
    {
        const QSignalBlocker blocker(view_->selectionModel());
        syncing_ = true;
        model_->reload();
        syncing_ = false;
    }
    stack_->setCurrentWidget(list_.hasItems() ? static_cast<QWidget*>(view_) : empty_);
    showSelection();
}

void WatermarkListView::showSelection() {
    syncing_ = true;
    QItemSelectionModel* selection = view_->selectionModel();
    int row = -1;
    if (const auto& selected = list_.selectedItem()) {
        for (std::size_t i = 0; i < list_.items().size(); ++i) {
            if (list_.items()[i] == *selected) {
                row = static_cast<int>(i);
                break;
            }
        }
    }
    if (row < 0) {
        selection->clearSelection();
    } else {
        const QModelIndex index = model_->index(row);
        selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        view_->scrollTo(index);
    }
    syncing_ = false;
    view_->viewport()->update();
}

void WatermarkListView::followViewSelection() {
    if (syncing_) {
        return;
    }
    const QModelIndexList rows = view_->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        list_.select(std::nullopt);
    } else {
        list_.select(list_.items()[static_cast<std::size_t>(rows.front().row())]);
    }
    view_->viewport()->update();
}

void WatermarkListView::presentRenameAlert() {
    if (renameAlert_) {
        return;
    }
    std::optional<std::string> input;
    if (list_.selectedItem()) {
        input = list_.selectedItem()->text;
    }
    renameAlert_ = WatermarkListViewItemEditModifier::present(
        this, input, [this](const std::string& name) { list_.rename(name); },
        [this] { renameAlert_ = nullptr; });
}

QMenu* WatermarkListView::makeRowMenu(int row) {
    auto* menu = new QMenu(view_);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* remove = menu->addAction(ui::tr("Delete"));
    connect(remove, &QAction::triggered, this,
            [this, row] { list_.deleteAt({static_cast<std::size_t>(row)}); });
    return menu;
}

bool WatermarkListView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_ &&
        (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        // The selected row's colour follows the focus.
        view_->viewport()->update();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace fen
