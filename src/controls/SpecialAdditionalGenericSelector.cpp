#include "controls/SpecialAdditionalGenericSelector.h"

#include "controls/ToolBarViewButton.h"
#include "ui/Sheets.h"
#include "ui/Tr.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QDialog>
#include <QHBoxLayout>
#include <QMenu>
#include <QVBoxLayout>

namespace fen {

namespace {

// The chevron to assistive tools: a menu button whose one child is its menu.
class ChevronAccessible : public QAccessibleWidget {
public:
    explicit ChevronAccessible(QWidget* widget)
        : QAccessibleWidget(widget, QAccessible::ButtonMenu) {}

    int childCount() const override { return menu() ? 1 : 0; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 && menu() ? QAccessible::queryAccessibleInterface(menu()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && menu() && child->object() == menu() ? 0 : -1;
    }
    QStringList actionNames() const override { return {showMenuAction()}; }
    void doAction(const QString& actionName) override {
        if (actionName == showMenuAction() || actionName == pressAction()) {
            // Opening the menu runs its own event loop: not inside the assistive tool's call.
            QMetaObject::invokeMethod(button(), &QToolButton::showMenu, Qt::QueuedConnection);
        }
    }

private:
    QToolButton* button() const { return static_cast<QToolButton*>(widget()); }
    QMenu* menu() const { return button()->menu(); }
};

QAccessibleInterface* chevronAccessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("fen::SpecialAdditionalSelectorChevron") && object &&
        object->isWidgetType()) {
        return new ChevronAccessible(static_cast<QWidget*>(object));
    }
    return nullptr;
}

} // namespace

SpecialAdditionalSelectorChevron::SpecialAdditionalSelectorChevron(QWidget* parent)
    : QToolButton(parent) {
    static const bool installed = [] {
        QAccessible::installFactory(chevronAccessibleFactory);
        return true;
    }();
    (void)installed;
}

SpecialAdditionalGenericSelector::SpecialAdditionalGenericSelector(QString title,
                                                                   std::string selection,
                                                                   std::vector<SPAOptions> options,
                                                                   Content content, QWidget* parent)
    : QWidget(parent), title_(std::move(title)), selection_(std::move(selection)),
      options_(std::move(options)), content_(std::move(content)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    chevron_ = new SpecialAdditionalSelectorChevron(this);
    chevron_->setProperty("symbol", QStringLiteral("chevron.up.chevron.down"));
    chevron_->setFixedSize(28, 24);
    chevron_->setToolTip(title_);
    menu_ = new QMenu(chevron_);
    menu_->setAccessibleName(title_);
    chevron_->setMenu(menu_);
    PopupMenuButtonModifier::apply(chevron_, false);
    row->addWidget(chevron_);
    fillMenu();
}

void SpecialAdditionalGenericSelector::fillMenu() {
    for (QAction* action : menu_->actions()) {
        menu_->removeAction(action);
        action->deleteLater();
    }
    optionActions_.clear();
    for (const SPAOptions& option : options_) {
        QAction* action = menu_->addAction(QString::fromStdString(option.title));
        action->setCheckable(true);
        action->setData(QString::fromStdString(option.id));
        optionActions_.push_back(action);
        const std::string id = option.id;
        connect(action, &QAction::triggered, this, [this, id] {
            selection_ = id;
            markSelection();
            Q_EMIT selectionEdited(id);
        });
    }
    menu_->addSeparator();
    QAction* customize = menu_->addAction(ui::tr("Customize List"));
    connect(customize, &QAction::triggered, this, [this] { setIsPresented(true); });
    markSelection();
}

void SpecialAdditionalGenericSelector::markSelection() {
    // The first option of the chosen identifier is checked; none when no option has it.
    QString chosen;
    for (QAction* action : optionActions_) {
        const bool mark = chosen.isNull() && action->data().toString().toStdString() == selection_;
        if (mark) {
            chosen = action->text();
        }
        action->setChecked(mark);
    }
    // A screen reader hears what is chosen now with the name, as a sighted user sees it beside.
    chevron_->setAccessibleName(
        ui::tr("%1: %2").arg(title_, chosen.isNull() ? ui::tr("None") : chosen));
}

void SpecialAdditionalGenericSelector::setSelection(const std::string& selection) {
    selection_ = selection;
    markSelection();
}

void SpecialAdditionalGenericSelector::setOptions(std::vector<SPAOptions> options) {
    if (options == options_) {
        return;
    }
    options_ = std::move(options);
    fillMenu();
}

void SpecialAdditionalGenericSelector::setIsPresented(bool presented) {
    if (presented == isPresented()) {
        return;
    }
    if (!presented) {
        sheet_->close();
        sheet_ = nullptr;
        return;
    }
    if (opener_) {
        QDialog* opened = opener_(window());
        sheet_ = opened;
        if (opened) {
            connect(opened, &QDialog::finished, this, [this] { sheet_ = nullptr; });
        }
        return;
    }
    QDialog* sheet = ui::makeSheet(window());
    sheet_ = sheet;
    auto* layout = new QVBoxLayout(sheet);
    layout->setContentsMargins(0, 0, 0, 0);
    if (content_) {
        QWidget* content = content_([this](bool shown) { setIsPresented(shown); });
        layout->addWidget(content);
        // The sheet is named and titled as its content.
        sheet->setAccessibleName(content->accessibleName());
        sheet->setWindowTitle(content->accessibleName());
    }
    sheet->open();
}

} // namespace fen
