#pragma once

#include "platform/foundation/Signal.h"

#include <QPushButton>
#include <QWidget>

#include <functional>

class QLabel;
class QProgressBar;

namespace fen {

class FelDocumentSaverProgressModel;

// The Cancel button of the progress panel: its label over a rounded rectangle of the primary
// colour at 0.08, 0.1 while the pointer hovers over it, with a further 0.11 while it is pressed.
class FelDocumentSaverProgessButton : public QPushButton {
    Q_OBJECT
public:
    FelDocumentSaverProgessButton(const QString& title, QWidget* parent = nullptr);
    bool isHover() const { return isHover_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool isHover_ = false;
};

// The panel shown while a save renders: the title "Processing the PDFs", a bar labelled with the
// name of the file being written and filled to its progress, and Cancel. Cancel calls the saver's
// cancel action and then turns the presentation flag off, which closes the panel at once, while
// the render stops on its worker. 400 points wide, on the system background, rounded.
class FelDocumentSaverProgessPanelView : public QWidget {
    Q_OBJECT
public:
    FelDocumentSaverProgessPanelView(FelDocumentSaverProgressModel& progressModel,
                                     std::function<void(bool)> setShowProgress,
                                     std::function<void()> actionCancel, QWidget* parent = nullptr);

    // Shows the model's file name and progress.
    void refresh();

    QLabel* titleLabel() const { return title_; }
    QLabel* fileLabel() const { return file_; }
    QProgressBar* bar() const { return bar_; }
    QPushButton* cancelButton() const { return cancel_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    FelDocumentSaverProgressModel& progressModel_;
    std::function<void(bool)> setShowProgress_;
    std::function<void()> actionCancel_;
    QLabel* title_;
    QLabel* file_;
    QProgressBar* bar_;
    FelDocumentSaverProgessButton* cancel_;
    Connection changed_;
};

} // namespace fen
