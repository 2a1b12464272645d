#pragma once

#include "document/MainToolBarViewMoreButton.h"

#include <QWidget>

#include <memory>

class QLabel;

namespace fen {

class FenWatermarkModel;
class LockLayer;
class NotificationDocumentCenter;
class ToolBarViewButton;

// The strip along the top of a document window's PDF area: the title at the leading end, then
// the More, Export and Share buttons. Export and Share post "RequestToSave" and "RequestToShare"
// on the window's channel, for the saver. While the document is locked a layer dims the three
// buttons and takes their clicks; the title stays readable. While another window is the key
// window, the bar is drawn at half opacity, and its title at half of that.
class MainToolBarView : public QWidget {
    Q_OBJECT
public:
    MainToolBarView(std::shared_ptr<NotificationDocumentCenter> channel,
                    std::shared_ptr<FenWatermarkModel> model, const QString& title,
                    HorizontalSizeClass sizeClass = HorizontalSizeClass::regular,
                    QWidget* parent = nullptr);

    void setDocumentIsLocked(bool locked);
    bool documentIsLocked() const;

    QLabel* titleLabel() const { return title_; }
    MainToolBarViewMoreButton* moreButton() const { return more_; }
    ToolBarViewButton* exportButton() const { return export_; }
    ToolBarViewButton* shareButton() const { return share_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void elideTitle();

    QString titleText_;
    QLabel* title_;
    MainToolBarViewMoreButton* more_;
    ToolBarViewButton* export_;
    ToolBarViewButton* share_;
    QWidget* buttons_;
    LockLayer* lock_;
};

} // namespace fen
