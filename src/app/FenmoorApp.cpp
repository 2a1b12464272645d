#include "app/FenmoorApp.h"

#include "app/HandOff.h"
#include "shell/AppDelegate.h"
#include "shell/SceneManager.h"
#include "shell/Shell.h"
#include "ui/LogBridge.h"
#include "ui/QtMainQueue.h"

#include <QApplication>
#include <QFileInfo>

namespace fen {

namespace {

// What a later start sends: an address as it stands, a path made absolute.
QStringList handedFiles(const QStringList& arguments) {
    QStringList files;
    for (const QString& argument : arguments) {
        files << (argument.contains(QStringLiteral("://"))
                      ? argument
                      : QFileInfo(argument).absoluteFilePath());
    }
    return files;
}

std::vector<Url> urls(const QStringList& files) {
    std::vector<Url> result;
    for (const QString& file : files) {
        const std::string text = file.toStdString();
        if (file.startsWith(QLatin1Char('/'))) {
            result.push_back(Url::fileURL(text));
        } else if (std::optional<Url> url = Url::fromString(text)) {
            result.push_back(*url);
        }
    }
    return result;
}

} // namespace

int runFenmoor(QApplication& app, DocumentViewFactory documentView) {
    const QStringList files = handedFiles(app.arguments().mid(1));
    if (HandOff::send(files)) {
        return 0;
    }
    QApplication::setQuitOnLastWindowClosed(false);
    ui::QtMainQueue::install();
    ui::installLogBridge();

    SceneManager manager(std::move(documentView));
    Shell shell(manager);
    shell.appDelegate().launchSetup();
    manager.installTerminationHandler();
    HandOff handOff;
    QObject::connect(
        &handOff, &HandOff::filesArrived, &manager,
        [&manager](const QStringList& handed) { manager.openHandedFiles(urls(handed)); });
    handOff.listen();
    manager.start(urls(files));
    return app.exec();
}

} // namespace fen
