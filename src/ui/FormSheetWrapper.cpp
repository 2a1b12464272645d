#include "ui/FormSheetWrapper.h"

#include "ui/Sheets.h"

#include <QVBoxLayout>

namespace fen::ui {

FormSheetWrapper::FormSheetWrapper(QWidget* parent, std::function<QWidget*(QWidget*)> content,
                                   QString accessibleName)
    : QObject(parent), parent_(parent), content_(std::move(content)),
      accessibleName_(std::move(accessibleName)) {}

FormSheetWrapper::~FormSheetWrapper() {
    if (sheet_) {
        sheet_->finish();
        delete sheet_;
    }
}

void FormSheetWrapper::update(bool show) {
    if (show) {
        this->show();
    } else {
        dismissSheet();
    }
}

void FormSheetWrapper::show() {
    if (sheet_) {
        return;
    }
    auto* sheet = new FormSheet(parent_);
    sheet->setEscapeAction([guard = QPointer<FormSheetWrapper>(this)] {
        if (guard && guard->onEscape) {
            guard->onEscape();
        }
    });
    sheet->setAccessibleName(accessibleName_);
    sheet->setWindowTitle(accessibleName_);
    auto* layout = new QVBoxLayout(sheet);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content_(sheet));
    sheet->adjustSize();
    sheet->setFixedSize(sheet->sizeHint());
    sheet_ = sheet;
    sheet->open();
}

void FormSheetWrapper::dismissSheet() {
    if (!sheet_ || dismissing_) {
        return;
    }
    dismissing_ = true;
    QPointer<FormSheetWrapper> guard(this);
    FormSheet* sheet = sheet_;
    sheet->finish();
    sheet_ = nullptr;
    sheet->deleteLater();
    if (onDismiss) {
        onDismiss();
    }
    if (guard && actionOnClose) {
        actionOnClose();
    }
    if (guard) {
        dismissing_ = false;
    }
}

} // namespace fen::ui
