#pragma once

#include <QScrollArea>
#include <QString>

class QVBoxLayout;

namespace fen {

// Wraps a panel's whole content; on the desktop it adds nothing and returns `content` itself.
QWidget* FenNavigationView(QWidget* content);

// The scrolling column of the watermark panels: sections stacked 20 points apart at the full
// width, the style's layout margins around them, on the system background; scrolls vertically
// when the sections are taller than the view.
class FenForm : public QScrollArea {
    Q_OBJECT
public:
    explicit FenForm(QWidget* parent = nullptr);
    // Appends one row (a section) to the column.
    void addRow(QWidget* row);
    QWidget* column() const { return column_; }

protected:
    bool event(QEvent* event) override;

private:
    void applyBackground();
    QWidget* column_;
    QVBoxLayout* rows_;
};

// The same column, used by the QR-code editor.
class FenFormPanel : public FenForm {
    Q_OBJECT
public:
    using FenForm::FenForm;
};

// Makes a section of the rows in `content`: the rows on a plate (padding 8, 16, 8, 16, the
// section background, radius 10) and, when `title` is not empty, over it a header with the title
// translated and in upper case, footnote size, medium weight, at half opacity.
class SectionModifier {
public:
    static QWidget* apply(QWidget* content, const QString& title);
};

// The variant for the position selector: no vertical padding on the plate, and the header title
// is not translated (only upper-cased).
class SectionPositionModifier {
public:
    static QWidget* apply(QWidget* content, const QString& title);
};

} // namespace fen
