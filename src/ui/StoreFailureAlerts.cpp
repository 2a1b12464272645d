#include "ui/StoreFailureAlerts.h"

#include "model/PresetRequests.h"
#include "storage/CoreDataBase.h"
#include "storage/FenDatabaseManager.h"
#include "storage/OptionListModel.h"
#include "ui/Sheets.h"
#include "ui/Tr.h"

#include <QApplication>
#include <QWidget>

#include <chrono>

namespace fen::ui {

namespace {

// How long a write made on the GUI thread goes on trying while another process holds the store.
constexpr std::chrono::milliseconds kGuiWritePatience{30};

QPointer<QDialog> lastAlert;
// The widget whose action changes a list right now (GUI thread only).
QPointer<QWidget> currentOrigin;

} // namespace

StoreFailureAlerts::Origin::Origin(QWidget* requester) : previous_(currentOrigin) {
    currentOrigin = requester;
}

StoreFailureAlerts::Origin::~Origin() {
    currentOrigin = previous_;
}

void StoreFailureAlerts::install() {
    CoreDataBase::setThreadWritePatience(kGuiWritePatience);
    // Noted when the change is asked for, on the GUI thread; told once the store has answered.
    OptionListModel::setTellerMaker([]() -> OptionListModel::Teller {
        // Over the sheet or window the change came from; the active window only for a change
        // that named none.
        QPointer<QWidget> over(currentOrigin ? currentOrigin->window()
                                             : QApplication::activeWindow());
        // A sheet that closes with the change (a format committed on Done) leaves the alert to
        // the window it was shown over.
        QPointer<QWidget> beneath(over && over->parentWidget() ? over->parentWidget()->window()
                                                               : nullptr);
        return [over, beneath](const std::string& reason) {
            const QString message = QString::fromStdString(presetNotSavedMessage(reason));
            // Shown once the user's action is over: the Return that added the entry, still on its
            // way up to the sheet, would otherwise answer the alert's default button and close it
            // at once.
            QMetaObject::invokeMethod(
                qApp,
                [over, beneath, message] {
                    QWidget* parent = over && over->isVisible() ? over.data() : beneath.data();
                    lastAlert = presentNotice(parent ? parent : QApplication::activeWindow(),
                                              message, QString());
                },
                Qt::QueuedConnection);
        };
    });
    // A list that could not be read within the store's patience is told once while its alert
    // shows, over the active window.
    static Connection unread = OptionListModel::readRefused().connect(
        [](const std::string& list, const std::string& reason) {
            const QString message =
                QString::fromStdString("The stored " + list + " could not be read: " + reason);
            if (lastAlert && lastAlert->isVisible() && lastAlert->accessibleName() == message) {
                return;
            }
            lastAlert = presentNotice(QApplication::activeWindow(), message, QString());
        });
}

QDialog* StoreFailureAlerts::shown() {
    return lastAlert;
}

} // namespace fen::ui
