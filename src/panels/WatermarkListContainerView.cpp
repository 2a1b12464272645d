#include "panels/WatermarkListContainerView.h"

#include "controls/BackgroundModifiers.h"
#include "controls/ButtonStyles.h"
#include "controls/TextInputs.h"
#include "controls/ToolBarViewButton.h"
#include "export/NotificationDocumentCenter.h"
#include "panels/EnterNewNameModifier.h"
#include "panels/SavedListPanel.h"
#include "panels/WatermarkListView.h"
#include "platform/foundation/MainQueue.h"
#include "storage/FenDatabaseManager.h"
#include "storage/ListOfTextImporter.h"
#include "ui/Animation.h"
#include "ui/Observe.h"
#include "ui/Sheets.h"
#include "ui/Theme.h"
#include "ui/Tr.h"
#include "ui/WindowKeyModifiers.h"

#include <QEasingCurve>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeDatabase>
#include <QPainter>
#include <QSortFilterProxyModel>
#include <QVBoxLayout>
#include <QVariantAnimation>

namespace fen {

using ui::SymbolIcon;

namespace {

constexpr int kBlockHeight = 250;
constexpr int kHorizontalPadding = 16;

// The import dialog's view of a folder: its sub-folders and its plain-text files.
class PlainTextFiles : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (!files) {
            return true;
        }
        return WatermarkListContainerView::offersForImport(
            files->filePath(files->index(row, 0, parent)));
    }
};

void defaultFilePicker(QWidget* parent, std::function<void(const QString&)> chosen) {
    auto* dialog = new QFileDialog(parent, ui::tr("Import"));
    dialog->setFileMode(QFileDialog::ExistingFile);
    // Plain text is told by type, not by a list of extensions, so the filter lets every name
    // through and the proxy keeps the text files.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setNameFilter(ui::tr("Text Files") + QStringLiteral(" (*)"));
    dialog->setProxyModel(new PlainTextFiles(dialog));
    QObject::connect(dialog, &QFileDialog::fileSelected, dialog,
                     [chosen = std::move(chosen)](const QString& path) { chosen(path); });
    ui::openFileDialog(dialog);
}

QGraphicsOpacityEffect* fadeOf(QWidget* widget) {
    auto* effect = new QGraphicsOpacityEffect(widget);
    effect->setOpacity(1.0);
    effect->setEnabled(false);
    widget->setGraphicsEffect(effect);
    return effect;
}

void setFade(QWidget* widget, double opacity) {
    auto* effect = static_cast<QGraphicsOpacityEffect*>(widget->graphicsEffect());
    effect->setOpacity(opacity);
    // Fully shown, the widget paints directly.
    effect->setEnabled(opacity < 1.0);
}

// The toolbar row's plate: the system background, so the row stays opaque over the shrinking
// block.
class ToolbarRow : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), ui::Theme::systemBackground(palette()));
    }
};

} // namespace

WatermarkListContainerView::WatermarkListContainerView(
    std::shared_ptr<NotificationDocumentCenter> channel, QWidget* parent)
    : QWidget(parent), channel_(std::move(channel)), filePicker_(defaultFilePicker) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    block_ = makeEntryBlock();
    QWidget* toolbar = makeToolbar();
    layout->addWidget(toolbar);
    layout->addWidget(block_);
    toolbar->raise();

    collapse_ = new QVariantAnimation(this);
    collapse_->setEasingCurve(QEasingCurve::InOutQuad);
    connect(collapse_, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { applyCollapseStep(value.toDouble()); });
    connect(collapse_, &QVariantAnimation::finished, this,
            [this] { applyCollapseStep(isCollapsed_ ? 0.0 : 1.0); });

    itemsConnection_ = list_.itemsChanged.connect([this] {
        channel_->post("TextItemsDidChange", list_.texts());
        showList();
    });
    selectionConnection_ = list_.selectionChanged.connect([this] {
        if (!applyingSelection_) {
            Q_EMIT selectedItemEdited(list_.selectedItem());
        }
    });
    ui::observe(this, channel_->scopedName("RequestUpdateWithSavedSettings"),
                [this](const Notification& notification) {
                    if (const auto* preset = std::any_cast<FenDatabaseManager::TextPresetContent>(
                            &notification.object)) {
                        list_.takeOverPreset(preset->first);
                    }
                });
    ui::observe(this, "KeyboardWillShow", [this](const Notification&) {
        if (!isCollapsed_ && !isTextInputFocused_) {
            Q_EMIT isCollapsedEdited(true);
        }
    });
    showList();
}

QWidget* WatermarkListContainerView::makeToolbar() {
    auto* row = new ToolbarRow(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(kHorizontalPadding, 6, kHorizontalPadding, 8);
    layout->setSpacing(0);

    title_ = new StyledButton(ButtonStyle::Toolbar_ButtonStyle, false, row);
    title_->setSymbol(QStringLiteral("chevron.down"), 14, SymbolIcon::Weight::Semibold);
    title_->setSymbolBox(32, 8);
    title_->setLabel(ui::tr("Text List"));
    title_->setPadding(QMargins(0, 3, 0, 3));
    title_->setAccessibleName(ui::tr("Text List"));
    connect(title_, &QAbstractButton::clicked, this,
            [this] { Q_EMIT isCollapsedEdited(!isCollapsed_); });
    layout->addWidget(title_);
    layout->addStretch(1);

    buttons_ = new QWidget(row);
    auto* buttonRow = new QHBoxLayout(buttons_);
    buttonRow->setContentsMargins(0, 0, 0, 0);
    buttonRow->setSpacing(0);
    clear_ = new ToolBarViewButton(
        false, true, QStringLiteral("paintbrush"), true, ui::tr("Clear"), std::nullopt,
        [this] { list_.clear(); }, buttons_);
    import_ = new ToolBarViewButton(
        false, false, QStringLiteral("square.and.arrow.down"), false, ui::tr("Import"),
        std::nullopt,
        [this] {
            QPointer<WatermarkListContainerView> guard(this);
            filePicker_(this, [guard](const QString& path) {
                if (guard) {
                    guard->importFile(path);
                }
            });
        },
        buttons_);
    open_ = new ToolBarViewButton(
        false, false, QStringLiteral("list.bullet.rectangle.portrait"), false, ui::tr("Open"),
        std::nullopt,
        [this] {
            if (!presetsSheet_) {
                presetsSheet_ = SavedListPanel::present(this, channel_, PresetsList::text,
                                                        [this] { presetsSheet_ = nullptr; });
            }
        },
        buttons_);
    save_ = new ToolBarViewButton(
        false, true, QStringLiteral("bookmark"), false, ui::tr("Save"), std::nullopt,
        [this] {
            if (!nameAlert_) {
                nameAlert_ = EnterNewNameModifier::present(this, channel_, PresetsList::text,
                                                           [this] { nameAlert_ = nullptr; });
            }
        },
        buttons_);
    for (ToolBarViewButton* button : {clear_, import_, open_, save_}) {
        buttonRow->addWidget(button);
    }
    QSizePolicy keepRoom = buttons_->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    buttons_->setSizePolicy(keepRoom);
    fadeOf(buttons_);
    layout->addWidget(buttons_);
    // The row dims while another window is the key window.
    new KvWindowKeyResignToolbarButtonModifier(row);
    return row;
}

QWidget* WatermarkListContainerView::makeEntryBlock() {
    auto* block = new QWidget(this);
    block->setFixedHeight(kBlockHeight);
    auto* layout = new QVBoxLayout(block);
    layout->setContentsMargins(kHorizontalPadding, 8, kHorizontalPadding, 8);
    layout->setSpacing(0);

    auto* section = new QWidget(block);
    FenSectionBackgroundColorModifier::apply(section);
    auto* sectionLayout = new QVBoxLayout(section);
    sectionLayout->setContentsMargins(0, 0, 0, 0);
    sectionLayout->setSpacing(6);
    listView_ = new WatermarkListView(list_, section);
    sectionLayout->addWidget(listView_, 1);

    input_ = new FenViewInputNew(
        QStringLiteral("Enter a text watermark"), QString(), [this] { addEnteredText(); }, section);
    connect(input_, &FenViewInputNew::isTextInputFocusedEdited, this,
            [this](bool focused) { isTextInputFocused_ = focused; });
    sectionLayout->addWidget(input_);
    layout->addWidget(section, 1);

    count_ = new QLabel(block);
    QFont footnote = count_->font();
    footnote.setPixelSize(13);
    count_->setFont(footnote);
    count_->setAlignment(Qt::AlignCenter);
    count_->setContentsMargins(0, 4, 0, 0);
    auto* countFade = new QGraphicsOpacityEffect(count_);
    countFade->setOpacity(0.7);
    count_->setGraphicsEffect(countFade);
    layout->addWidget(count_);
    fadeOf(block);
    return block;
}

QLineEdit* WatermarkListContainerView::entryField() const {
    return input_->lineEdit();
}

void WatermarkListContainerView::addEnteredText() {
    if (list_.add(input_->text().toStdString())) {
        input_->setText(QString());
    }
}

void WatermarkListContainerView::showList() {
    const std::size_t count = list_.items().size();
    count_->setText(
        QStringLiteral("%1 %2").arg(count).arg(ui::tr(TextListLogic::countWord(count))));
    clear_->setIsDisabled(!list_.hasItems());
    save_->setIsDisabled(!list_.hasItems());
}

void WatermarkListContainerView::importFile(const QString& path) {
    const Url url = Url::fileURL(path.toStdString());
    const std::uint64_t number = ++lastImport_;
    pendingImport_ = number;
    QPointer<WatermarkListContainerView> guard(this);
    Background::run([guard, url, number] {
        auto imported =
            std::make_shared<ListOfTextImporter::Imported>(ListOfTextImporter::read(url));
        MainQueue::post([guard, number, imported, name = url.lastPathComponent()] {
            if (!guard || guard->pendingImport_ != number) {
                return;
            }
            guard->pendingImport_ = 0;
            guard->showImported(*imported, QString::fromStdString(name));
        });
    });
}

void WatermarkListContainerView::showImported(const ListOfTextImporter::Imported& imported,
                                              const QString& name) {
    QString refusal;
    if (imported.tooLarge) {
        refusal = ui::tr("The file is larger than %1 MB and was not imported.")
                      .arg(ListOfTextImporter::maximumFileSize / (1024 * 1024));
    } else if (imported.tooManyTexts) {
        refusal = ui::tr("The file holds more than %1 texts and was not imported.")
                      .arg(ListOfTextImporter::maximumTextCount);
    } else if (imported.notRegularFile) {
        refusal = ui::tr("\u201C%1\u201D is not a regular file.").arg(name);
    } else if (imported.unreadable) {
        refusal = ui::tr("\u201C%1\u201D was not imported: no character encoding reads it as "
                         "text without control characters.")
                      .arg(name);
    } else if (imported.readError) {
        refusal = ui::tr("\u201C%1\u201D could not be read: %2.")
                      .arg(name, QString::fromStdString(imported.readError.message()));
    } else if (imported.damaged) {
        refusal =
            ui::tr("\u201C%1\u201D was not imported: it is no RTF document, or it is damaged.")
                .arg(name);
    } else if (imported.noText) {
        refusal = ui::tr("\u201C%1\u201D holds no text and was not imported.").arg(name);
    } else {
        list_.replaceWithImported(imported.texts);
        return;
    }
    if (importAlert_) {
        importAlert_->close();
    }
    importAlert_ = ui::presentNotice(this, ui::tr("Import"), refusal);
}

bool WatermarkListContainerView::offersForImport(const QString& path) {
    const QFileInfo info(path);
    if (info.isDir()) {
        return true;
    }
    static const QMimeDatabase types;
    return types.mimeTypeForFile(info).inherits(QStringLiteral("text/plain"));
}

void WatermarkListContainerView::setSelectedItem(const std::optional<TextListItem>& item) {
    applyingSelection_ = true;
    list_.select(item);
    applyingSelection_ = false;
}

void WatermarkListContainerView::setIsCollapsed(bool isCollapsed) {
    if (isCollapsed == isCollapsed_) {
        return;
    }
    isCollapsed_ = isCollapsed;
    // The chevron is symmetric: its mirror across the diagonal is its quarter turn to the right.
    title_->setSymbol(QStringLiteral("chevron.down"), 14, SymbolIcon::Weight::Semibold,
                      isCollapsed);
    animateCollapse(isVisible());
}

void WatermarkListContainerView::animateCollapse(bool animated) {
    collapse_->stop();
    const double target = isCollapsed_ ? 0.0 : 1.0;
    if (!isCollapsed_) {
        block_->show();
        buttons_->show();
    }
    if (!animated || ui::animationDuration() == 0) {
        applyCollapseStep(target);
        return;
    }
    collapse_->setDuration(ui::animationDuration());
    collapse_->setStartValue(static_cast<double>(block_->height()) / kBlockHeight);
    collapse_->setEndValue(target);
    collapse_->start();
}

void WatermarkListContainerView::applyCollapseStep(double expanded) {
    block_->setFixedHeight(qRound(kBlockHeight * expanded));
    setFade(block_, expanded);
    setFade(buttons_, expanded);
    const bool gone = isCollapsed_ && expanded <= 0.0;
    // Once collapsed, the block and the buttons leave the focus chain and the accessibility
    // tree; the list keeps its content.
    block_->setVisible(!gone);
    buttons_->setVisible(!gone);
}

} // namespace fen
