#include "panels/QRCodeCreatorListView.h"

#include "controls/BackgroundModifiers.h"
#include "controls/FenGenerticNoDataInList.h"
#include "controls/SheetButtonModifiers.h"
#include "controls/TextInputs.h"
#include "panels/QRCodeCreatorDetails.h"
#include "panels/QrEditorState.h"
#include "storage/OptionListModel.h"
#include "ui/Sheets.h"
#include "ui/Tr.h"

#include <QAction>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace fen {

namespace {

// One stored code of the list: a flat push button named by the code's name, which it shows.
class QRCodeRow : public QPushButton {
public:
    QRCodeRow(const std::string& id, const std::string& title, QWidget* parent)
        : QPushButton(parent), id_(id) {
        setFlat(true);
        setAutoDefault(false);
        setAccessibleName(QString::fromStdString(title));
        setFocusPolicy(Qt::StrongFocus);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(12, 8, 12, 8);
        auto* label = new QLabel(QString::fromStdString(title), this);
        label->setTextFormat(Qt::PlainText);
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        layout->addWidget(label);
        setMinimumHeight(36);
        FenSectionBackgroundColorNoBorderModifier::apply(this);
    }
    const std::string& id() const { return id_; }

private:
    std::string id_;
};

} // namespace

QRCodeCreatorListView::QRCodeCreatorListView(OptionListModel& dbModel, QWidget* parent)
    : QWidget(parent), dbModel_(dbModel) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    pages_ = new QStackedWidget(this);
    layout->addWidget(pages_);

    listPage_ = new QWidget(pages_);
    auto* listLayout = new QVBoxLayout(listPage_);
    placeholder_ = new FenGenerticNoDataInList(QStringLiteral("qrcode"),
                                               QStringLiteral("Add you first QR Code"), listPage_);
    listLayout->addWidget(placeholder_, 1);
    auto* scroll = new QScrollArea(listPage_);
    scroll_ = scroll;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* rows = new QWidget(scroll);
    rowsLayout_ = new QVBoxLayout(rows);
    rowsLayout_->setContentsMargins(0, 0, 0, 0);
    rowsLayout_->setSpacing(2);
    rowsLayout_->addStretch(1);
    scroll->setWidget(rows);
    listLayout->addWidget(scroll, 1);
    field_ = new FenViewInputNew(
        QStringLiteral("Enter a new name"), QString(),
        [this] {
            const std::string name = field_->text().toStdString();
            field_->setText(QString());
            qrlist::add(dbModel_, name);
        },
        listPage_);
    listLayout->addWidget(field_);
    pages_->addWidget(listPage_);

    editorPage_ = new QWidget(pages_);
    auto* editorLayout = new QVBoxLayout(editorPage_);
    auto* backButton = new QPushButton(ui::tr("Back"), editorPage_);
    backButton->setFlat(true);
    backButton->setAutoDefault(false);
    back_ = backButton;
    editorLayout->addWidget(backButton, 0, Qt::AlignLeft);
    pages_->addWidget(editorPage_);

    connect(backButton, &QPushButton::clicked, this, &QRCodeCreatorListView::back);
    changed_ = dbModel_.objectWillChange.connect([this] { rebuild(); });
    rebuild();
}

QRCodeCreatorListView::~QRCodeCreatorListView() {
    // Closing the sheet keeps the field being edited.
    if (editor_) {
        editor_->commit();
        dbModel_.loadOptions();
    }
}

std::vector<QAbstractButton*> QRCodeCreatorListView::rows() const {
    std::vector<QAbstractButton*> result;
    for (int i = 0; i < rowsLayout_->count(); ++i) {
        if (auto* row = qobject_cast<QAbstractButton*>(rowsLayout_->itemAt(i)->widget())) {
            result.push_back(row);
        }
    }
    return result;
}

void QRCodeCreatorListView::rebuild() {
    for (QAbstractButton* row : rows()) {
        rowsLayout_->removeWidget(row);
        row->hide();
        row->deleteLater();
    }
    int shown = 0;
    for (const SPAOptions& option : dbModel_.options()) {
        if (!qrlist::showsRow(option)) {
            continue;
        }
        auto* row = new QRCodeRow(option.id, option.title, rowsLayout_->parentWidget());
        row->installEventFilter(this);
        row->setContextMenuPolicy(Qt::ActionsContextMenu);
        auto* remove = new QAction(ui::tr("Delete"), row);
        connect(remove, &QAction::triggered, this, [this, id = option.id] { this->remove(id); });
        row->addAction(remove);
        connect(row, &QPushButton::clicked, this, [this, id = option.id] { open(id); });
        rowsLayout_->insertWidget(shown++, row);
    }
    placeholder_->setVisible(dbModel_.options().size() < 2);
    scroll_->setVisible(dbModel_.options().size() >= 2);
}

void QRCodeCreatorListView::open(const std::string& id) {
    closeEditor();
    editor_ = new QRCodeCreatorDetails(
        dbModel_, qrlist::load(id), [this] { back(); }, editorPage_);
    editorPage_->layout()->addWidget(editor_);
    pages_->setCurrentWidget(editorPage_);
    editor_->nameField()->setFocus();
}

void QRCodeCreatorListView::closeEditor() {
    if (editor_) {
        editor_->commit();
        editor_->hide();
        editor_->deleteLater();
        editor_ = nullptr;
    }
}

void QRCodeCreatorListView::back() {
    closeEditor();
    pages_->setCurrentWidget(listPage_);
    dbModel_.loadOptions();
}

void QRCodeCreatorListView::commit() {
    if (editor_) {
        editor_->commit();
    }
}

void QRCodeCreatorListView::remove(const std::string& id) {
    qrlist::remove(dbModel_, id);
}

bool QRCodeCreatorListView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Delete || key->key() == Qt::Key_Backspace) &&
            key->modifiers() == Qt::NoModifier) {
            if (auto* row = dynamic_cast<QRCodeRow*>(watched)) {
                remove(row->id());
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

QDialog* openQrCodesSheet(QWidget* parent, OptionListModel& dbModel) {
    QDialog* sheet = ui::makeSheet(parent, QStringLiteral("QR Codes"));
    auto* content = new QRCodeCreatorListView(dbModel);
    auto* bar = new SheetDoneButtonModifier(
        content, QStringLiteral("QR Codes"),
        [sheet](bool presented) {
            if (!presented) {
                sheet->close();
            }
        },
        sheet);
    auto* layout = new QVBoxLayout(sheet);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(bar);
    sheet->resize(760, 600);
    sheet->open();
    return sheet;
}

} // namespace fen
