#include "app/FenmoorApp.h"

#include "export/FenFilesStorage.h"
#include "platform/foundation/Log.h"
#include "shell/AppDelegate.h"
#include "shell/NoFileAddresses.h"
#include "shell/QuitWhileSaving.h"
#include "shell/SceneManager.h"
#include "shell/Shell.h"
#include "storage/CoreDataBase.h"
#include "storage/SPAOptions.h"
#include "storage/StoreQueue.h"
#include "storage/StoreWork.h"
#include "ui/DisplayLoss.h"
#include "ui/LogBridge.h"
#include "ui/QtMainQueue.h"
#include "ui/StoreFailureAlerts.h"
#include "ui/Tr.h"

#include <QApplication>

#include <cstdio>
#include <memory>

namespace fen {

namespace {

// Tells on standard error the addresses of the command line that name no file: each of the first
// few on a line of its own, and the rest counted.
void tellNamingNoFile(const std::vector<std::string>& addresses) {
    const NoFileAddresses told = NoFileAddresses::of(addresses);
    for (const QString& address : told.listed) {
        std::fprintf(stderr, "fenmoor: %s: the address names no file\n",
                     address.toStdString().c_str());
    }
    if (told.more > 0) {
        std::fprintf(stderr, "fenmoor: %lld more addresses name no file\n",
                     static_cast<long long>(told.more));
    }
}

} // namespace

int runFenmoor(const std::vector<std::string>& arguments, DocumentViewFactory documentView,
               HandOff::PeerUid peerUid, HandOffBounds bounds) {
    const std::vector<std::string> files = HandOff::handedFiles(arguments);
    // An address that names no file is told here, and not handed over: the running program
    // would have nothing to open for it.
    std::vector<std::string> handed;
    std::vector<std::string> namingNoFile;
    for (const std::string& file : files) {
        (HandOff::namesFile(file) ? handed : namingNoFile).push_back(file);
    }
    tellNamingNoFile(namingNoFile);
    const bool refused = !namingNoFile.empty();
    auto handOff = std::make_unique<HandOff>(std::move(peerUid), bounds);
    const HandOff::Role role = handOff->start(handed, !refused || !handed.empty());
    if (role == HandOff::Role::handedOff) {
        return refused ? 1 : 0;
    }
    QApplication::setQuitOnLastWindowClosed(false);
    ui::QtMainQueue::install();
    ui::installLogBridge();
    ui::StoreFailureAlerts::install();
    // The window's reads and changes of the store wait on the store's own thread, never on the
    // GUI thread.
    StoreWork::useStoreThread(true);
    // The "None" of the source pickers' option lists in the user's language.
    SPAOptions::setTranslator([](const std::string& key) { return ui::tr(key).toStdString(); });

    // The window's temporary files live in a folder of this run's own, gone when the run ends;
    // what runs that were killed left behind goes now.
    FenFilesStorage::ProcessFolderScope temporaryFiles;
    SceneManager manager(std::move(documentView));
    if (role == HandOff::Role::beside) {
        manager.openOnlyGivenFiles();
    }
    Shell shell(manager);
    shell.appDelegate().launchSetup();
    manager.installTerminationHandler();
    handOff->receiver = [&manager](const std::vector<std::string>& handed) {
        return manager.takeHandedFiles(HandOff::handedUrls(handed));
    };
    // The store's work ends while the application object still lives, within the store's
    // patience for one write; a preset left unstored is named.
    const auto finishStoring = [] {
        const std::vector<std::string> notStored =
            StoreQueue::shared().finish(CoreDataBase::shared()->writePatience());
        if (!notStored.empty()) {
            log::message(log::Level::error, QuitWhileSaving::notStoredLine(notStored));
        }
    };
    // The display gone ends the process once this returns, with no event loop: the program quits
    // as Quit does, every export stopped and every worker ended before anything is freed.
    const ui::DisplayLoss displayLoss([&] {
        manager.quitAtDisplayLoss();
        handOff.reset();
        ui::QtMainQueue::finishBackgroundWorkServingOnlyTheQueue();
        finishStoring();
    });
    manager.start(HandOff::handedUrls(files));
    const int result = QApplication::exec();
    // Quitting is final (the windows kept, no save waits unless the user quit without it): a
    // later start becomes the running program at once rather than wait for this one's last writes.
    handOff.reset();
    ui::QtMainQueue::finishBackgroundWork();
    finishStoring();
    return result;
}

} // namespace fen
