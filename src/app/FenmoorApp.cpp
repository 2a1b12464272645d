#include "app/FenmoorApp.h"

#include "export/FenFilesStorage.h"
#include "shell/AppDelegate.h"
#include "shell/SceneManager.h"
#include "shell/Shell.h"
#include "storage/SPAOptions.h"
#include "storage/StoreQueue.h"
#include "ui/LogBridge.h"
#include "ui/QtMainQueue.h"
#include "ui/StoreFailureAlerts.h"
#include "ui/Tr.h"

#include <QApplication>

#include <chrono>

namespace fen {

int runFenmoor(const std::vector<std::string>& arguments, DocumentViewFactory documentView,
               HandOff::PeerUid peerUid) {
    const std::vector<std::string> files = HandOff::handedFiles(arguments);
    HandOff handOff(std::move(peerUid));
    if (handOff.start(files) == HandOff::Role::handedOff) {
        return 0;
    }
    QApplication::setQuitOnLastWindowClosed(false);
    ui::QtMainQueue::install();
    ui::installLogBridge();
    ui::StoreFailureAlerts::install();
    // The "None" of the source pickers' option lists in the user's language.
    SPAOptions::setTranslator([](const std::string& key) { return ui::tr(key).toStdString(); });

    // The window's temporary files live in a folder of this run's own, gone when the run ends;
    // what runs that were killed left behind goes now.
    FenFilesStorage::ProcessFolderScope temporaryFiles;
    SceneManager manager(std::move(documentView));
    Shell shell(manager);
    shell.appDelegate().launchSetup();
    manager.installTerminationHandler();
    handOff.receiver = [&manager](const std::vector<std::string>& handed) {
        return manager.takeHandedFiles(HandOff::handedUrls(handed));
    };
    manager.start(HandOff::handedUrls(files));
    const int result = QApplication::exec();
    ui::QtMainQueue::finishBackgroundWork();
    handOff.receiver = nullptr;
    // Saves still waiting for the store are finished while the application object still lives
    // (each may wait out another process's lock once).
    StoreQueue::shared().waitUntilIdle(std::chrono::seconds(20));
    return result;
}

} // namespace fen
