#include "panels/StampWatermarksListView.h"

#include "controls/FenGenerticNoDataInList.h"
#include "controls/ListFocusStateModifier.h"
#include "controls/ListItemDeleteModifier.h"
#include "controls/SheetButtonModifiers.h"
#include "controls/TextInputs.h"
#include "storage/StampDBModel.h"
#include "ui/StoreFailureAlerts.h"
#include "ui/Tr.h"

#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace fen {

namespace {

constexpr int idRole = Qt::UserRole;

} // namespace

StampWatermarksListView::StampWatermarksListView(StampDBModel& dbModel,
                                                 std::function<void(bool)> isPresented,
                                                 QWidget* parent)
    : QWidget(parent), dbModel_(dbModel), logic_(dbModel) {
    auto* body = new QWidget;
    auto* column = new QVBoxLayout(body);
    area_ = new QStackedWidget(body);
    placeholder_ = new FenGenerticNoDataInList(QStringLiteral("checkmark.rectangle"),
                                               QStringLiteral("Add you first text stamp"), area_);
    area_->addWidget(placeholder_);
    list_ = new QListWidget(area_);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    list_->setAccessibleName(ui::tr("Stamp Watermarks"));
    ListItemDeleteModifier::apply(list_, [this] { deleteSelected(); });
    ListFocusStateModifier::apply(list_);
    area_->addWidget(list_);
    column->addWidget(area_, 1);
    field_ = new FenViewInputNew(
        QStringLiteral("Enter a new name"), QString(), [this] { add(); }, body);
    column->addWidget(field_);

    frame_ =
        new SheetDoneButtonModifier(body, ui::tr("Stamp Watermarks"), std::move(isPresented), this);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame_);
    setAccessibleName(ui::tr("Stamp Watermarks"));
    setMinimumSize(360, 420);

    connect(list_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QListWidgetItem* item = list_->itemAt(at);
        if (!item) {
            return;
        }
        const std::string id = item->data(idRole).toString().toStdString();
        QMenu menu(list_);
        QAction* remove = menu.addAction(ui::tr("Delete"));
        if (menu.exec(list_->viewport()->mapToGlobal(at)) == remove) {
            const ui::StoreFailureAlerts::Origin origin(this);
            logic_.remove(id);
        }
    });
    modelConnection_ = dbModel_.objectWillChange.connect([this] { refresh(); });
    refresh();
}

StampWatermarksListView::~StampWatermarksListView() = default;

void StampWatermarksListView::refresh() {
    const std::vector<SPAOptions>& options = dbModel_.options();
    const QList<QListWidgetItem*> chosen = list_->selectedItems();
    const QString selected = chosen.isEmpty() ? QString() : chosen.first()->data(idRole).toString();
    list_->clear();
    for (const SPAOptions& option : options) {
        if (!StampListLogic::showsRow(option)) {
            continue;
        }
        auto* item = new QListWidgetItem(QString::fromStdString(option.title), list_);
        item->setData(idRole, QString::fromStdString(option.id));
        if (item->data(idRole).toString() == selected) {
            list_->setCurrentItem(item);
        }
    }
    // A list not read yet is not an empty one.
    const bool empty = options.size() < 2 && dbModel_.hasRead();
    area_->setCurrentWidget(empty ? static_cast<QWidget*>(placeholder_) : list_);
}

void StampWatermarksListView::add() {
    const std::string text = field_->text().toStdString();
    field_->setText(QString());
    const ui::StoreFailureAlerts::Origin origin(this);
    logic_.add(text, [field = QPointer<FenViewInputNew>(field_), text](bool stored) {
        // Given back for another try, unless the user has typed since.
        if (!stored && field && field->text().isEmpty()) {
            field->setText(QString::fromStdString(text));
        }
    });
}

void StampWatermarksListView::deleteSelected() {
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty()) {
        return;
    }
    const ui::StoreFailureAlerts::Origin origin(this);
    logic_.remove(selected.first()->data(idRole).toString().toStdString());
}

} // namespace fen
