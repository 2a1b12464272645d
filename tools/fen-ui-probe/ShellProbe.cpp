// fen-ui-probe shell [ACTION...]
//
// Drives the shell's scene machinery on the fake window system and prints its scenes, the
// registry of open documents, each scene's restoration activity and the window system's log as
// one JSON line. Actions, in order: open:FILE[,FILE...] (a new scene for files handed to the
// program), browser (the browser brought forward or requested), pick:FILE[,FILE...] (files picked
// in the browser), hand:FILE[,ADDRESS...] (files a later start hands to the running program),
// close:N (the user closes the N-th window), restore:FILE (a window kept at the
// last quit comes back), tablet (the program runs the tablet manifest from now on), shortcut:N
// (the N-th quick action is chosen). Delayed work runs after every action. The quick actions are
// printed under "shortcuts". Settings go to a temporary folder. The main menu,
// as the windows draw it after the last action, is printed under "menu".
#include "shell/AppDelegate.h"
#include "shell/DocumentBrowser.h"
#include "shell/FakeShellPlatform.h"
#include "shell/KvDocument.h"
#include "shell/KvDocumentController.h"
#include "shell/MenuModel.h"
#include "shell/Shell.h"

#include <QStringList>

#include <cstdio>
#include <string>
#include <vector>

namespace fen {

namespace {

std::vector<Url> files(const QString& list) {
    std::vector<Url> urls;
    for (const QString& file : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const std::optional<Url> address = file.contains(QLatin1String("://"))
                                               ? Url::fromString(file.toStdString())
                                               : std::nullopt;
        urls.push_back(address.value_or(Url::fileURL(file.toStdString())));
    }
    return urls;
}

} // namespace

int probeShell(const QStringList& actions) {
    FakeShellPlatform platform;
    Shell shell(platform);
    shell.appDelegate().launchSetup();
    int restored = 0;
    for (const QString& action : actions) {
        const QString argument = action.section(QLatin1Char(':'), 1);
        if (action.startsWith(QLatin1String("open:"))) {
            platform.activateSceneSession(std::nullopt, std::nullopt, {files(argument), {}});
        } else if (action == QLatin1String("browser")) {
            shell.documentController().showDocumentBrowser();
        } else if (action.startsWith(QLatin1String("hand:"))) {
            platform.openHandedFiles(files(argument));
        } else if (action.startsWith(QLatin1String("pick:"))) {
            shell.documentBrowser().didPick(files(argument));
        } else if (action.startsWith(QLatin1String("close:"))) {
            const std::vector<Scene*> scenes = platform.connectedScenes();
            const size_t index = argument.toUInt();
            if (index < scenes.size()) {
                platform.close(scenes[index]->persistentIdentifier());
            }
        } else if (action == QLatin1String("tablet")) {
            platform.runTabletManifest();
        } else if (action.startsWith(QLatin1String("shortcut:"))) {
            const size_t index = argument.toUInt();
            if (index < platform.shortcutItems().size()) {
                platform.performShortcut(platform.shortcutItems()[index]);
            }
        } else if (action.startsWith(QLatin1String("restore:"))) {
            const std::string path = Url::fileURL(argument.toStdString()).path().string();
            platform.restoreSession(
                "restored-" + std::to_string(++restored),
                {activity::documentURL, {{activity::restorationBookmark, path}}});
        } else {
            std::fprintf(stderr, "fen-ui-probe: unknown shell action \"%s\"\n",
                         action.toUtf8().constData());
            return 2;
        }
        platform.runDelayed();
    }
    nlohmann::json registry = nlohmann::json::array();
    for (const auto& document : shell.documentController().documents()) {
        registry.push_back({{"file", document->fileURL().path().string()},
                            {"scene", document->sceneIdentifier.value_or("")},
                            {"readable", KvDocument::read(document->fileURL()).data != nullptr}});
    }
    nlohmann::json activities = nlohmann::json::array();
    for (Scene* scene : platform.connectedScenes()) {
        nlohmann::json entry = nullptr;
        if (scene->delegate) {
            const UserActivity saved = scene->delegate->stateRestorationActivity(*scene);
            entry = {{"type", saved.type}, {"userInfo", saved.userInfo}};
        }
        activities.push_back(entry);
    }
    nlohmann::json shortcuts = nlohmann::json::array();
    for (const ShortcutItem& item : platform.shortcutItems()) {
        shortcuts.push_back({{"type", item.type},
                             {"title", item.title},
                             {"icon", item.icon},
                             {"userInfo", item.userInfo}});
    }
    const nlohmann::json out = {
        {"scenes", platform.state()}, {"shortcuts", shortcuts},
        {"registry", registry},       {"activities", activities},
        {"log", platform.log},        {"menu", menuJson(shell.mainMenu().menus())}};
    std::printf("%s\n", out.dump().c_str());
    return 0;
}

} // namespace fen
