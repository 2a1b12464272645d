#include "ui/StoreFailureAlerts.h"

#include "model/PresetRequests.h"
#include "storage/CoreDataBase.h"
#include "storage/FenDatabaseManager.h"
#include "ui/Sheets.h"
#include "ui/Tr.h"

#include <QApplication>
#include <QThread>

#include <chrono>

namespace fen::ui {

namespace {

// How long a write made on the GUI thread goes on trying while another process holds the store.
constexpr std::chrono::milliseconds kGuiWritePatience{30};

QPointer<QDialog> lastAlert;

} // namespace

void StoreFailureAlerts::install() {
    CoreDataBase::setThreadWritePatience(kGuiWritePatience);
    static Connection told =
        FenDatabaseManager::listEntryNotStored().connect([](const std::string& reason) {
            if (QThread::currentThread() != qApp->thread()) {
                return; // a change made off the GUI thread has its own way of telling
            }
            lastAlert =
                presentNotice(QApplication::activeWindow(),
                              QString::fromStdString(presetNotSavedMessage(reason)), QString());
        });
}

QDialog* StoreFailureAlerts::shown() {
    return lastAlert;
}

} // namespace fen::ui
