// The saver's rules without a window: the delivery a save ends in, the password answers, the
// requests ignored while a save is under way, Cancel and a closed window, and the progress that
// the write notifications give.
#include "export/FelDocumentSaverModel.h"

#include "export/FelDocumentSaverPresenter.h"
#include "export/FenFilesStorage.h"
#include "export/NotificationDocumentCenter.h"
#include "export/PasswordMatchRule.h"
#include "export/SaverStopper.h"
#include "model/FenWatermarkModel.h"
#include "rendering/FenDocument.h"
#include "rendering/FenObjectHolder.h"
#include "support/TemporaryDirectoryScope.h"
#include "support/WatermarkFixtures.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace fen {
namespace {

// Shows nothing: records what the saver asks for, and closes the progress panel at once.
struct Recorder : FelDocumentSaverPresenter {
    FelDocumentSaverModel* saver = nullptr;
    int passwordPanels = 0;
    int panelsShown = 0;
    std::vector<std::vector<Url>> shared;
    std::vector<std::vector<Url>> picked;
    std::vector<std::vector<FenExportRenderer::Output>> failures;
    // What was presented, in order ("share", "picker", "failures").
    std::vector<std::string> order;
    std::any anchor;

    void presentPasswordPanel() override { ++passwordPanels; }
    void syncProgressPresented() override {
        if (saver->progressModel().isProgressPresented) {
            ++panelsShown;
        } else {
            saver->progressPanelDidClose();
        }
    }
    void presentShareSheet(const std::vector<Url>& urls, const std::any& button) override {
        shared.push_back(urls);
        anchor = button;
        order.push_back("share");
    }
    void presentRenderFailures(const std::vector<FenExportRenderer::Output>& failed) override {
        failures.push_back(failed);
        order.push_back("failures");
    }
    void presentExportPicker(const std::vector<Url>& urls, RenderFolders) override {
        picked.push_back(urls);
        order.push_back("picker");
    }
    // Answers as `replace` says, and records the names asked about.
    bool replace = true;
    std::vector<std::string> replaceAsked;
    void confirmOverwrite(const std::string& name, std::function<void(bool)> answer) override {
        replaceAsked.push_back(name);
        order.push_back("overwrite");
        answer(replace);
    }
};

// A window's saver whose render writes nothing: it answers one made-up file per text (or what
// `outputs` gives), and runs on the calling thread unless `deferred`, when the test runs the
// queued renders itself.
struct Saver {
    test::TemporaryDirectoryScope tmp;
    std::shared_ptr<NotificationDocumentCenter> channel =
        NotificationDocumentCenter::makeDocumentNotificationCenter();
    std::shared_ptr<FenWatermarkModel> model = std::make_shared<FenWatermarkModel>();
    std::vector<FenExportRenderer::Request> requests;
    std::vector<std::function<void()>> queued;
    std::function<void(const FenExportRenderer::Request&)> duringRender;
    std::function<std::vector<FenExportRenderer::Output>(const FenExportRenderer::Request&)>
        outputs;
    // Runs where the saver gives the render's memory back.
    std::function<void()> released;
    Recorder recorder;
    std::shared_ptr<FelDocumentSaverModel> saver;
    int overwrites = 0;
    ObserverToken overwriteToken;

    explicit Saver(bool deferred = false) {
        model->fileName = "Report.pdf";
        model->tmpOriginalDataStorage =
            FenFilesStorage::writeData(std::string("%PDF-1.4 bytes"), "tmp.pdf");
        FelDocumentSaverModel::Environment environment;
        if (deferred) {
            environment.runInBackground = [this](std::function<void()> task) {
                queued.push_back(std::move(task));
            };
        } else {
            environment.runInBackground = [](std::function<void()> task) { task(); };
        }
        environment.render = [this](const FenExportRenderer::Request& request) {
            requests.push_back(request);
            if (duringRender) {
                duringRender(request);
            }
            if (outputs) {
                return outputs(request);
            }
            std::vector<FenExportRenderer::Output> written;
            for (size_t i = 0; i < std::max<size_t>(request.textItems.size(), 1); ++i) {
                const std::string name = std::to_string(i) + ".pdf";
                written.push_back({name, Url::fileURL("/written/" + name)});
            }
            return written;
        };
        environment.releaseMemory = [this] {
            if (released) {
                released();
            }
        };
        saver = FelDocumentSaverModel::create(channel, model, std::move(environment));
        recorder.saver = saver.get();
        saver->setPresenter(&recorder);
        overwriteToken = channel->addObserver("RequestToOverwrite",
                                              [this](const Notification&) { ++overwrites; });
    }

    void runQueued() {
        auto tasks = std::exchange(queued, {});
        for (auto& task : tasks) {
            task();
        }
    }
};

TEST(FelDocumentSaverModel, TheSaveEndsInTheShareSheetTheOverwriteOrThePicker) {
    struct Case {
        bool share;
        bool overwrite;
        std::vector<std::string> texts;
        int shared, overwrites, picked;
    };
    for (const Case& c : std::vector<Case>{
             {false, false, {}, 0, 0, 1},
             {false, false, {"A", "B"}, 0, 0, 1},
             {false, true, {}, 0, 1, 0},
             {false, true, {"A"}, 0, 1, 0},
             {false, true, {"A", "B"}, 0, 0, 1},
             {true, true, {}, 1, 0, 0},
             {true, false, {"A", "B"}, 1, 0, 0},
         }) {
        Saver s;
        s.model->isOverwrite = c.overwrite;
        s.model->listOfTextItems = c.texts;
        EXPECT_TRUE(s.saver->handleSaveRequest(c.share));
        SCOPED_TRACE(testing::Message() << c.share << c.overwrite << c.texts.size());
        EXPECT_EQ(s.recorder.panelsShown, 1);
        EXPECT_EQ(s.recorder.shared.size(), size_t(c.shared));
        EXPECT_EQ(s.overwrites, c.overwrites);
        EXPECT_EQ(s.recorder.picked.size(), size_t(c.picked));
        EXPECT_FALSE(s.saver->isBusy());
        EXPECT_FALSE(s.saver->didStartToSave());
        ASSERT_EQ(s.requests.size(), 1u);
        EXPECT_EQ(s.requests[0].textItems, c.texts);
        EXPECT_EQ(s.requests[0].fileName, "Report.pdf");
        ASSERT_TRUE(s.requests[0].data);
        EXPECT_EQ(*s.requests[0].data, "%PDF-1.4 bytes");
        EXPECT_EQ(s.requests[0].center, s.channel);
    }
}

TEST(FelDocumentSaverModel, TheOverwriteChoiceIsTakenWhenTheSaveStarts) {
    Saver s;
    s.model->isOverwrite = true;
    s.duringRender = [&](const FenExportRenderer::Request&) { s.model->isOverwrite = false; };
    s.saver->handleSaveRequest(false);
    EXPECT_EQ(s.overwrites, 1);
    EXPECT_TRUE(s.recorder.picked.empty());
}

TEST(FelDocumentSaverModel, AnOverwriteIsAskedNamingTheFileAndOnlyItKeepsTheSourcesEncryption) {
    Saver s;
    s.model->isOverwrite = true;
    s.recorder.replace = false;
    s.saver->handleSaveRequest(false);
    EXPECT_EQ(s.recorder.replaceAsked, std::vector<std::string>{"Report.pdf"});
    EXPECT_EQ(s.overwrites, 0);
    s.recorder.replace = true;
    s.saver->handleSaveRequest(false);
    EXPECT_EQ(s.overwrites, 1);
    EXPECT_EQ(s.recorder.replaceAsked.size(), 2u);

    // Files that replace nothing keep no encryption of the source's.
    s.saver->handleSaveRequest(true);
    s.model->listOfTextItems = {"A", "B"};
    s.saver->handleSaveRequest(false);
    s.model->listOfTextItems = {};
    s.model->isPasswordProtected = true;
    s.saver->handleSaveRequest(false);
    s.saver->passwordEntered({false, "new"});
    ASSERT_EQ(s.requests.size(), 5u);
    std::vector<bool> keeps;
    for (const FenExportRenderer::Request& request : s.requests) {
        keeps.push_back(request.keepsSourceEncryption);
    }
    EXPECT_EQ(keeps, (std::vector<bool>{true, true, false, false, false}));
    EXPECT_EQ(s.overwrites, 2);
    EXPECT_EQ(s.recorder.replaceAsked.size(), 3u);
}

TEST(FelDocumentSaverModel, ThePasswordPanelsAnswersDecideWhatIsWritten) {
    struct Case {
        FelDocumentSaverModel::PasswordAnswer answer;
        bool renders;
        std::optional<std::string> password;
    };
    for (const Case& c : std::vector<Case>{
             {{true, std::nullopt}, false, std::nullopt},
             {{false, std::string("s3cret")}, true, std::string("s3cret")},
             {{false, std::string(" spaced ")}, true, std::string(" spaced ")},
             // Protection asked for and no password given: nothing is written unencrypted.
             {{false, std::nullopt}, false, std::nullopt},
             {{false, std::string()}, false, std::nullopt},
             // As long as a written file takes, and longer: no password would open the file.
             {{false, std::string(127, 'p')}, true, std::string(127, 'p')},
             {{false, std::string(128, 'p')}, false, std::nullopt},
         }) {
        Saver s;
        s.model->isPasswordProtected = true;
        s.model->password = "earlier";
        EXPECT_TRUE(s.saver->handleSaveRequest(false));
        EXPECT_EQ(s.recorder.passwordPanels, 1);
        EXPECT_TRUE(s.saver->isBusy());
        EXPECT_TRUE(s.requests.empty());
        s.saver->passwordEntered(c.answer);
        EXPECT_EQ(s.requests.size(), c.renders ? 1u : 0u);
        EXPECT_EQ(s.recorder.picked.size(), c.renders ? 1u : 0u);
        EXPECT_EQ(s.recorder.panelsShown, c.renders ? 1 : 0);
        EXPECT_FALSE(s.saver->isBusy());
        if (c.renders) {
            EXPECT_EQ(s.requests[0].password, c.password);
        }
    }
    // Without protection a stored password is not used.
    Saver s;
    s.model->password = "earlier";
    s.saver->handleSaveRequest(false);
    EXPECT_EQ(s.recorder.passwordPanels, 0);
    ASSERT_EQ(s.requests.size(), 1u);
    EXPECT_EQ(s.requests[0].password, std::nullopt);
}

TEST(FelDocumentSaverModel, RequestsWhileThePasswordPanelIsOpenOrARenderRunsAreIgnored) {
    Saver s(true);
    s.model->isPasswordProtected = true;
    EXPECT_TRUE(s.saver->handleSaveRequest(false));
    EXPECT_FALSE(s.saver->handleSaveRequest(true));
    EXPECT_FALSE(s.saver->handleSaveRequest(false));
    EXPECT_EQ(s.recorder.passwordPanels, 1);
    s.saver->passwordEntered({false, std::string("pw")});
    const std::shared_ptr<SaverStopper> stopper = s.saver->saverStopper();
    ASSERT_TRUE(stopper);
    EXPECT_TRUE(s.saver->didStartToSave());
    EXPECT_FALSE(s.saver->handleSaveRequest(true));
    EXPECT_EQ(s.saver->saverStopper(), stopper);
    EXPECT_EQ(s.recorder.passwordPanels, 1);
    s.runQueued();
    EXPECT_FALSE(s.saver->isSavingAsShare());
    EXPECT_EQ(s.recorder.picked.size(), 1u);
    EXPECT_TRUE(s.recorder.shared.empty());
    EXPECT_TRUE(s.saver->handleSaveRequest(true));
}

TEST(FelDocumentSaverModel, CancelStopsTheRenderDeliversNothingAndTheNextSaveWaitsForItsEnd) {
    Saver s(true);
    s.model->listOfTextItems = {"A", "B"};
    s.saver->handleSaveRequest(false);
    ASSERT_EQ(s.queued.size(), 1u);
    const std::shared_ptr<SaverStopper> first = s.saver->saverStopper();
    s.saver->cancelSaving();
    EXPECT_TRUE(first->isStopRunning);
    EXPECT_FALSE(s.saver->progressModel().isProgressPresented);
    EXPECT_FALSE(s.saver->didStartToSave());
    EXPECT_FALSE(s.saver->isBusy());

    // A save requested while the cancelled render winds down shows its panel and waits.
    EXPECT_TRUE(s.saver->handleSaveRequest(false));
    EXPECT_TRUE(s.saver->progressModel().isProgressPresented);
    EXPECT_TRUE(s.queued.size() == 1u);
    s.runQueued();
    EXPECT_TRUE(s.recorder.picked.empty());
    EXPECT_TRUE(s.saver->progressModel().isProgressPresented);
    ASSERT_EQ(s.queued.size(), 1u);
    EXPECT_NE(s.saver->saverStopper(), first);
    s.runQueued();
    ASSERT_EQ(s.recorder.picked.size(), 1u);
    EXPECT_EQ(s.recorder.picked[0].size(), 2u);
    EXPECT_EQ(s.requests.size(), 2u);
    EXPECT_FALSE(s.requests[1].stopper->isStopRunning);
}

TEST(FelDocumentSaverModel, ASaveAskedForBeforeTheDocumentIsReadRendersOnceItIs) {
    struct Case {
        const char* name;
        bool asked;
        bool cancelled;
        bool readable;
        bool renders;
    };
    for (const Case& c :
         std::vector<Case>{{"read", true, false, true, true},
                           {"not a document", true, false, false, false},
                           {"cancelled meanwhile", true, true, true, false},
                           {"read, nothing asked", false, false, true, false},
                           {"not a document, nothing asked", false, false, false, false}}) {
        SCOPED_TRACE(c.name);
        Saver s;
        s.model->tmpOriginalDataStorage.reset();
        s.saver->documentLoading();
        if (c.asked) {
            EXPECT_TRUE(s.saver->handleSaveRequest(false));
            EXPECT_TRUE(s.saver->progressModel().isProgressPresented);
        }
        EXPECT_TRUE(s.requests.empty()) << "no render before the document is read";
        if (c.cancelled) {
            s.saver->cancelSaving();
        }
        s.model->tmpOriginalDataStorage =
            FenFilesStorage::writeData(std::string("%PDF-1.4 bytes"), "tmp.pdf");
        s.saver->documentRead(c.readable);
        EXPECT_EQ(s.recorder.picked.size(), c.renders ? 1u : 0u);
        EXPECT_TRUE(s.recorder.failures.empty());
        EXPECT_FALSE(s.saver->isBusy() || s.saver->progressModel().isProgressPresented);
        // Later requests (Export, the menu's export, Share) save a document that was read, and
        // nothing of one that could not be: no render, no panel, nothing told.
        const size_t before = s.requests.size();
        EXPECT_EQ(s.saver->handleSaveRequest(false), c.readable);
        EXPECT_EQ(s.saver->handleSaveRequest(true), c.readable);
        EXPECT_EQ(s.requests.size(), before + (c.readable ? 2u : 0u));
        EXPECT_TRUE(s.recorder.failures.empty());
        EXPECT_FALSE(s.saver->isBusy() || s.saver->progressModel().isProgressPresented);
    }
}

TEST(FelDocumentSaverModel, ASaverGoneDuringTheRenderStopsItAndItsCompletionDoesNothing) {
    Saver s(true);
    s.saver->handleSaveRequest(false);
    const std::shared_ptr<SaverStopper> stopper = s.saver->saverStopper();
    std::weak_ptr<FelDocumentSaverModel> weak = s.saver;
    s.saver.reset();
    EXPECT_TRUE(weak.expired());
    EXPECT_TRUE(stopper->isStopRunning);
    s.runQueued();
    ASSERT_EQ(s.requests.size(), 1u);
    EXPECT_EQ(s.requests[0].model, s.model);
    EXPECT_TRUE(s.recorder.picked.empty());
    EXPECT_EQ(s.overwrites, 0);
}

TEST(FelDocumentSaverModel, AClosedSaverStopsItsRenderStartsNothingAndShowsNothing) {
    Saver s(true);
    s.saver->handleSaveRequest(false);
    EXPECT_TRUE(s.saver->isRenderRunning());
    const std::shared_ptr<SaverStopper> stopper = s.saver->saverStopper();
    s.saver->close();
    EXPECT_TRUE(stopper->isStopRunning);
    s.runQueued();
    EXPECT_FALSE(s.saver->isRenderRunning());
    EXPECT_TRUE(s.recorder.picked.empty());
    EXPECT_FALSE(s.saver->handleSaveRequest(true));
    EXPECT_TRUE(s.queued.empty());
}

TEST(FelDocumentSaverModel, AMissingWorkingCopyEndsTheSaveWithNothingDeliveredAndSaysSo) {
    for (bool gone : {false, true}) {
        Saver s;
        if (gone) {
            std::filesystem::remove(s.model->tmpOriginalDataStorage->path());
        } else {
            s.model->tmpOriginalDataStorage.reset();
        }
        s.saver->handleSaveRequest(false);
        EXPECT_TRUE(s.requests.empty());
        EXPECT_TRUE(s.recorder.picked.empty());
        EXPECT_FALSE(s.saver->progressModel().isProgressPresented);
        EXPECT_FALSE(s.saver->isBusy());
        ASSERT_EQ(s.recorder.failures.size(), 1u);
        ASSERT_EQ(s.recorder.failures[0].size(), 1u);
        EXPECT_EQ(s.recorder.failures[0][0].fileName, "Report.pdf");
        EXPECT_EQ(s.recorder.failures[0][0].failure, FenExportRenderer::Failure::unreadable);
        EXPECT_EQ(s.recorder.failures[0][0].writeFailure.error,
                  std::make_error_code(std::errc::no_such_file_or_directory));
    }
    // No working copy because the temporary directory cannot be used (then as now): that folder
    // is blamed, with the system's reason, not the document.
    for (bool missing : {false, true}) {
        Saver s;
        s.model->tmpOriginalDataStorage.reset();
        const std::filesystem::path directory = s.tmp.path() / "temporary";
        if (!missing) {
            test::writeFile(directory, "x");
        }
        ::setenv("TMPDIR", directory.c_str(), 1);
        s.saver->handleSaveRequest(false);
        ::setenv("TMPDIR", s.tmp.path().c_str(), 1);
        ASSERT_EQ(s.recorder.failures.size(), 1u);
        const FenExportRenderer::Output& failure = s.recorder.failures[0].at(0);
        EXPECT_EQ(failure.fileName, "Report.pdf");
        EXPECT_EQ(failure.failure, FenExportRenderer::Failure::notWritten);
        EXPECT_TRUE(failure.writeFailure.noFolder);
        EXPECT_EQ(failure.writeFailure.folder, directory);
        EXPECT_EQ(failure.writeFailure.error,
                  std::make_error_code(missing ? std::errc::no_such_file_or_directory
                                               : std::errc::not_a_directory));
    }
    // A usable one: the probe leaves nothing behind.
    Saver s;
    s.model->tmpOriginalDataStorage.reset();
    const size_t before = s.tmp.entries().size();
    s.saver->handleSaveRequest(false);
    EXPECT_EQ(s.tmp.entries().size(), before);
}

TEST(FelDocumentSaverModel, AnEndedRenderGivesItsMemoryBackOnceWhatItHeldIsGone) {
    // A render that writes, one whose working copy is gone, and one cancelled while it runs.
    for (const std::string c : {"written", "unreadable", "cancelled"}) {
        SCOPED_TRACE(c);
        Saver s(true);
        std::weak_ptr<FenObjectHolder> preview;
        s.saver->setPreview([&preview] {
            auto holder = std::make_shared<FenObjectHolder>();
            preview = holder;
            return holder;
        });
        // The test keeps no copy of the request.
        s.duringRender = [&s](const FenExportRenderer::Request&) { s.requests.clear(); };
        std::vector<bool> heldAtRelease;
        s.released = [&] { heldAtRelease.push_back(!preview.expired()); };
        if (c == "unreadable") {
            std::filesystem::remove(s.model->tmpOriginalDataStorage->path());
        }
        ASSERT_TRUE(s.saver->handleSaveRequest(false));
        if (c == "cancelled") {
            s.saver->cancelSaving();
        }
        EXPECT_TRUE(heldAtRelease.empty());
        s.runQueued();
        EXPECT_EQ(heldAtRelease, std::vector<bool>{false});
    }
}

TEST(FelDocumentSaverModel, FilesNotWrittenAreToldAfterTheDeliveryOfTheOthers) {
    using Failure = FenExportRenderer::Failure;
    const FenExportRenderer::Output full{
        "Report_B.pdf",
        std::nullopt,
        Failure::notWritten,
        {false, std::make_error_code(std::errc::no_space_on_device)}};
    const FenExportRenderer::Output written{"Report_A.pdf", Url::fileURL("/w/Report_A.pdf")};
    struct Case {
        const char* name;
        bool share;
        bool overwrite;
        std::vector<FenExportRenderer::Output> outputs;
        std::vector<std::string> order;
        int overwrites;
    };
    for (const Case& c : std::vector<Case>{
             {"nothing written", false, false, {full}, {"failures"}, 0},
             {"nothing written, overwrite", false, true, {full}, {"failures"}, 0},
             {"one of two", false, false, {written, full}, {"picker", "failures"}, 0},
             {"one of two, overwrite", false, true, {written, full}, {"picker", "failures"}, 0},
             {"one of two, share", true, false, {written, full}, {"share", "failures"}, 0},
             {"all written", false, false, {written}, {"picker"}, 0},
         }) {
        SCOPED_TRACE(c.name);
        Saver s;
        s.model->isOverwrite = c.overwrite;
        s.outputs = [&](const FenExportRenderer::Request&) { return c.outputs; };
        s.saver->handleSaveRequest(c.share);
        EXPECT_EQ(s.recorder.order, c.order);
        EXPECT_EQ(s.overwrites, c.overwrites);
        if (c.order.back() == "failures") {
            ASSERT_EQ(s.recorder.failures.size(), 1u);
            ASSERT_EQ(s.recorder.failures[0].size(), 1u);
            EXPECT_EQ(s.recorder.failures[0][0].fileName, "Report_B.pdf");
            EXPECT_EQ(s.recorder.failures[0][0].writeFailure.error,
                      std::make_error_code(std::errc::no_space_on_device));
        }
        EXPECT_FALSE(s.saver->isBusy());
    }
    // A cancelled save tells nothing, whatever its render gave.
    Saver s(true);
    s.outputs = [&](const FenExportRenderer::Request&) {
        return std::vector<FenExportRenderer::Output>{full};
    };
    s.saver->handleSaveRequest(false);
    s.saver->cancelSaving();
    s.runQueued();
    EXPECT_TRUE(s.recorder.order.empty());
}

TEST(FelDocumentSaverModel, WriteNotificationsOfThisWindowsExportSetTheProgress) {
    Saver s(true);
    std::unique_ptr<FenDocument> document = FenDocument::fromData(test::blankPages(4));
    ASSERT_TRUE(document);
    document->processorID = s.channel->id();
    std::unique_ptr<FenDocument> other = FenDocument::fromData(test::blankPages(4));
    other->processorID = "ANOTHER-WINDOW";
    std::unique_ptr<FenDocument> unmarked = FenDocument::fromData(test::blankPages(4));
    auto post = [](const std::string& name, FenDocument* doc, std::optional<int> index = {}) {
        std::map<std::string, std::any> info;
        if (index) {
            info[pdfDocumentPageIndexKey] = *index;
        }
        NotificationCenter::defaultCenter().post(name, static_cast<pdf::Document*>(doc), info);
    };
    auto& progress = s.saver->progressModel();

    // Before a save starts nothing counts.
    post(pdfDocumentDidEndWriteNotification, document.get());
    EXPECT_EQ(progress.progessValue, 0);

    s.saver->handleSaveRequest(false);
    struct Case {
        std::string name;
        FenDocument* doc;
        std::optional<int> index;
        double expected;
    };
    for (const Case& c : std::vector<Case>{
             {pdfDocumentDidEndPageWriteNotification, document.get(), 1, 50},
             {pdfDocumentDidEndPageWriteNotification, other.get(), 3, 50},
             {pdfDocumentDidEndPageWriteNotification, unmarked.get(), 3, 50},
             {pdfDocumentDidEndWriteNotification, document.get(), {}, 100},
             {pdfDocumentDidBeginWriteNotification, document.get(), {}, 0},
             {pdfDocumentDidEndPageWriteNotification, document.get(), {}, 25},
             {pdfDocumentDidEndPageWriteNotification, document.get(), 3, 100},
         }) {
        post(c.name, c.doc, c.index);
        EXPECT_EQ(progress.progessValue, c.expected) << c.name << " " << c.index.value_or(-1);
    }
    // A document whose object is not a document at all.
    NotificationCenter::defaultCenter().post(pdfDocumentDidBeginWriteNotification,
                                             std::string("x"));
    EXPECT_EQ(progress.progessValue, 100);
}

TEST(FelDocumentSaverModel, TheFileNameAndTheShareAnchorArriveThroughTheChannel) {
    Saver s(true);
    int published = 0;
    Connection connection = s.saver->saverModelPublisher.connect([&] { ++published; });
    s.channel->post(processingForSaveNotification, std::string("Report_A"));
    EXPECT_EQ(s.saver->progressModel().filename, "Report_A");
    EXPECT_EQ(published, 1);
    s.channel->post(processingForSaveNotification, 42);
    EXPECT_EQ(s.saver->progressModel().filename, "Report_A");

    // Another window's channel does not reach this saver.
    NotificationDocumentCenter("OTHER").post("ShareButtonUpdate", 7);
    EXPECT_FALSE(s.saver->shareUIButton().has_value());
    s.channel->post("ShareButtonUpdate", 1);
    s.channel->post("ShareButtonUpdate", 2);
    ASSERT_TRUE(s.saver->shareUIButton().has_value());
    EXPECT_EQ(std::any_cast<int>(s.saver->shareUIButton()), 2);

    s.saver->handleSaveRequest(true);
    s.runQueued();
    ASSERT_EQ(s.recorder.shared.size(), 1u);
    EXPECT_EQ(std::any_cast<int>(s.recorder.anchor), 2);
}

TEST(PasswordMatchRule, OkIsEnabledOnlyWhileBothFieldsHoldTheSameNonEmptyTextThatAFileTakes) {
    struct Case {
        std::optional<std::string> password, verify;
        bool matches, confirms;
    };
    const std::string k127(127, 'k'), k128(128, 'k');
    for (const Case& c : std::vector<Case>{{std::nullopt, std::nullopt, true, false},
                                           {"", std::nullopt, true, false},
                                           {"", "", true, false},
                                           {"a", "", false, false},
                                           {"", "a", false, false},
                                           {"a", "a", true, true},
                                           {" ", " ", true, true},
                                           {"a ", "a", false, false},
                                           {"Ä", "Ä", true, true},
                                           {k127, k127, true, true},
                                           {k128, k128, true, false}}) {
        SCOPED_TRACE(c.password.value_or("<none>") + "|" + c.verify.value_or("<none>"));
        EXPECT_EQ(PasswordMatchRule::matches(c.password, c.verify), c.matches);
        EXPECT_EQ(PasswordMatchRule::confirms(c.password, c.verify), c.confirms);
    }
    // Too long is told whatever the second field holds.
    EXPECT_EQ(PasswordMatchRule::message(k128, ""), PasswordMatchRule::tooLongMessage);
    EXPECT_EQ(PasswordMatchRule::message("a", ""), PasswordMatchRule::mismatchMessage);
    EXPECT_EQ(PasswordMatchRule::message(k127, k127), std::nullopt);
    EXPECT_EQ(PasswordMatchRule::handedOver(""), std::nullopt);
    EXPECT_EQ(PasswordMatchRule::handedOver(" pw "), " pw ");
}

} // namespace
} // namespace fen
