#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <string>

namespace fen {

// Lets a window's notification channel learn the window that hosts its views, which the saver
// presents its pickers and the share sheet from. The modifier watches the root of the window's
// view tree: each time that root enters or leaves a window (or is shown) it records the window it
// is in at that moment under the channel's identifier, held weakly. Qt-side, since the channel
// itself knows no widget.
class NotificationDocumentCenterModifier : public QObject {
    Q_OBJECT
public:
    static NotificationDocumentCenterModifier* apply(QWidget* content, const std::string& id);
    ~NotificationDocumentCenterModifier() override;

    // The window that hosts the views of the channel `id`; null when none is known or it is gone.
    static QWidget* viewController(const std::string& id);
    // The top-level window `widget` lies in, or null for none.
    static QWidget* findViewController(QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    NotificationDocumentCenterModifier(QWidget* content, std::string id);
    void record();

    QWidget* content_;
    std::string id_;
};

} // namespace fen
