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

// The plate a section's rows sit on: a group to the accessibility tree, named by the section's
// title, so a screen reader announces the title on entering the section.
class SectionPlate : public QWidget {
    Q_OBJECT
public:
    explicit SectionPlate(const QString& name, QWidget* parent = nullptr);
};

// Makes a section of the rows in `content`: the rows on a plate (padding 8, 16, 8, 16, the
// section background, radius 10) and, when `title` is not empty, over it a header with the title
// translated and in upper case, footnote size, medium weight, at half opacity. The plate is named
// by the translated title.
class SectionModifier {
public:
    static QWidget* apply(QWidget* content, const QString& title);
};

// The variant for the position selector: no vertical padding on the plate, and the header title
// is not translated (only upper-cased). The plate is named by the title, or "Position" when it
// has none.
class SectionPositionModifier {
public:
    static QWidget* apply(QWidget* content, const QString& title);
};

} // namespace fen
