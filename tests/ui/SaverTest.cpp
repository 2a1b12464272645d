// The saver of a document window: Export through the picker, the password panel, the overwrite of
// the opened file, the share popover, Cancel and a closed window during an export, the progress
// sheet, and the menu's export of the active window only.
#include "UiTestSupport.h"

#include "controls/ToolBarViewButton.h"
#include "document/ContentView.h"
#include "document/DocumentView.h"
#include "document/FelDocumentExportPicker.h"
#include "document/FelDocumentSaverProgessPanelView.h"
#include "document/FelDocumentSaverView.h"
#include "document/FelDocumentViewMain.h"
#include "document/FenDocumentView.h"
#include "document/FenPDFView.h"
#include "document/FenPasswordPanel.h"
#include "document/MainToolBarView.h"
#include "document/PDFViewEdit.h"
#include "document/ShareButton.h"
#include "export/FenFilesStorage.h"
#include "export/NotificationDocumentCenter.h"
#include "export/PasswordMatchRule.h"
#include "export/SaverStopper.h"
#include "model/FenWatermarkModel.h"
#include "platform/foundation/FileIdentity.h"
#include "platform/pdf/Document.h"
#include "rendering/FenDocument.h"
#include "rendering/FenObjectHolder.h"
#include "rendering/RenderPdfPageImage.h"
#include "shell/KvDocument.h"
#include "support/PdfFixtures.h"
#include "support/SmallFileSystem.h"
#include "support/TemporaryDirectoryScope.h"
#include "support/TestSupport.h"
#include "support/WatermarkFixtures.h"
#include "ui/FormSheetWrapper.h"
#include "ui/Sheets.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <sstream>

namespace fen {
namespace {

namespace fs = std::filesystem;

using test::freshFolder;
using ReplaceAnswer = FelDocumentExportPicker::ReplaceAnswer;

// The words pdftotext reads on one page (1-based).
std::vector<std::string> wordsOf(const fs::path& pdf, int page,
                                 const std::optional<std::string>& password = {}) {
    std::vector<std::string> words;
    for (const test::WordBox& word : test::wordsOnPage(test::pdftotextBBox(pdf, password), page)) {
        words.push_back(word.text);
    }
    return words;
}

bool shows(const fs::path& pdf, int page, const std::string& word) {
    auto words = wordsOf(pdf, page);
    return std::find(words.begin(), words.end(), word) != words.end();
}

// The longest wait for something that is to happen: far beyond what it takes on a busy machine.
constexpr int patience = 60000;

// Every file named `name` below `root` but `except`, at any depth: whatever the layout of the
// program's folders under the temporary directory. A worker may remove a folder during the walk;
// the walk then starts again.
std::vector<fs::path> filesNamed(const fs::path& root, const std::string& name,
                                 const fs::path& except) {
    while (true) {
        std::vector<fs::path> found;
        std::error_code error;
        for (fs::recursive_directory_iterator entry(root, error), end; !error && entry != end;
             entry.increment(error)) {
            std::error_code gone;
            if (entry->is_regular_file(gone) && entry->path().filename() == name &&
                entry->path() != except) {
                found.push_back(entry->path());
            }
        }
        if (!error || !fs::exists(root)) {
            std::sort(found.begin(), found.end());
            return found;
        }
    }
}

// Rewrites `file` in place with `bytes` of its size and puts its modification time back, as a
// program that hides its change would.
void rewriteUnseen(const fs::path& file, const std::string& bytes) {
    struct stat before {};
    ASSERT_EQ(::stat(file.c_str(), &before), 0);
    ASSERT_EQ(bytes.size(), static_cast<size_t>(before.st_size));
    ASSERT_TRUE(test::awaitLaterChangeTime(file));
    test::writeFile(file, bytes);
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
}

// A document window on a file of `bytes`, shown and loaded, with a text watermark and the
// picker's dialogs answered by the test: a file is saved as `savedAs`, a folder is `folder`, and
// replacing is allowed while `replace` says so (else the files there are kept, as Escape does).
struct Window {
    fs::path file;
    std::shared_ptr<KvDocument> document;
    std::unique_ptr<DocumentView> view;
    FelDocumentViewMain* main = nullptr;
    FelDocumentSaverView* saver = nullptr;
    std::shared_ptr<FenWatermarkModel> model;
    fs::path folder = freshFolder();
    fs::path savedAs = folder / "saved.pdf";
    bool replace = true;
    QStringList asked;
    int pickers = 0;
    int copied = 0;
    std::vector<fs::path> copies;

    // The file and the picker's folder are in `home` when one is given. With `exportAsShown`,
    // Export is pressed as the window shows, before its document has been read.
    explicit Window(const std::string& bytes, const fs::path& home = {},
                    bool exportAsShown = false) {
        file = (home.empty() ? freshFolder() : home) / "document.pdf";
        if (!home.empty()) {
            folder = home / "exported";
            fs::create_directory(folder);
            savedAs = folder / "saved.pdf";
        }
        test::writeFile(file, bytes);
        document = std::make_shared<KvDocument>(Url::fileURL(file));
        view = std::make_unique<DocumentView>(document, HorizontalSizeClass::regular);
        main = view->content()->body()->main();
        saver = main->saverView();
        model = view->content()->body()->model();
        view->resize(1000, 700);
        FelDocumentExportPicker::Dialogs dialogs;
        dialogs.chooseFile = [this](QWidget*, const QString&, const QString& name,
                                    FelDocumentExportPicker::Answer answer) {
            ++pickers;
            asked.push_back(name);
            answer(QString::fromStdString(savedAs.string()));
        };
        dialogs.chooseFolder = [this](QWidget*, const QString&,
                                      FelDocumentExportPicker::Answer answer) {
            ++pickers;
            answer(QString::fromStdString(folder.string()));
        };
        dialogs.confirmReplace = [this](QWidget*, const QStringList& names, const QString&,
                                        std::function<void(ReplaceAnswer)> answer) {
            asked += names;
            answer(replace ? ReplaceAnswer::replace : ReplaceAnswer::keep);
        };
        saver->setPickerDialogs(dialogs);
        saver->setPickerDone([this](const std::vector<fs::path>& made) {
            ++copied;
            copies = made;
        });
        view->show();
        if (exportAsShown) {
            EXPECT_FALSE(main->isLoaded());
            exportNow();
        }
        EXPECT_TRUE(QTest::qWaitFor([this] { return main->isLoaded(); }, patience));
        // The text's look as the loaded window leaves it while an export reads the model.
        if (!exportAsShown) {
            model->textConf = test::textSettings(Positions::middle, 24, {0, 0, 0, 1});
        }
    }

    std::string id() const { return view->content()->channel()->id(); }
    void exportNow() const { QTest::mouseClick(main->toolBar()->exportButton(), Qt::LeftButton); }
    // A request while a panel or sheet blocks the toolbar.
    void requestSave() const {
        NotificationCenter::defaultCenter().post(
            NotificationDocumentCenter::scopedName("RequestToSave", id()));
    }
    bool idle() const { return !saver->saverModel().isBusy() && !saver->showProgress(); }
    // Waits for the alert that asks before the opened file is replaced and presses `button`; its
    // title when it came.
    std::optional<QString> answerOverwrite(const QString& button) const {
        if (!QTest::qWaitFor(
                [this] { return saver->overwriteAlert() && saver->overwriteAlert()->isVisible(); },
                patience)) {
            return std::nullopt;
        }
        QDialog* alert = saver->overwriteAlert();
        const QString title = alert->accessibleName();
        for (auto* b : alert->findChildren<QPushButton*>()) {
            if (b->text() == button) {
                QTest::mouseClick(b, Qt::LeftButton);
            }
        }
        return title;
    }
    // Exports and waits until the picker's copies are made.
    bool exportAndCopy() {
        const int before = copied;
        exportNow();
        return QTest::qWaitFor([&] { return copied > before; }, patience);
    }
};

// Holds the export's worker at the end of chosen pages until the test lets it go, and counts the
// pages and the ends of the writes.
struct WriteHook {
    std::mutex mutex;
    std::condition_variable wake;
    std::function<bool(int index)> holdAt;
    bool holding = false;
    // The workers held now.
    int held = 0;
    int pages = 0;
    int ends = 0;
    ObserverToken pageToken;
    ObserverToken endToken;

    WriteHook() {
        pageToken = NotificationCenter::defaultCenter().addObserver(
            pdfDocumentDidEndPageWriteNotification, [this](const Notification& n) {
                std::unique_lock lock(mutex);
                ++pages;
                const int index = std::any_cast<int>(n.userInfo.at(pdfDocumentPageIndexKey));
                if (holdAt && holdAt(index)) {
                    holding = true;
                    ++held;
                    wake.wait_for(lock, std::chrono::seconds(30), [this] { return !holding; });
                    --held;
                    holding = false;
                }
            });
        endToken = NotificationCenter::defaultCenter().addObserver(
            pdfDocumentDidEndWriteNotification, [this](const Notification&) {
                std::lock_guard lock(mutex);
                ++ends;
            });
    }
    void setHold(std::function<bool(int)> hold) {
        std::lock_guard lock(mutex);
        holdAt = std::move(hold);
    }
    bool isHolding() {
        std::lock_guard lock(mutex);
        return holding;
    }
    void release() {
        std::lock_guard lock(mutex);
        holding = false;
        wake.notify_all();
    }
    int count(int WriteHook::*field) {
        std::lock_guard lock(mutex);
        return this->*field;
    }
};

TEST(Saver, ExportWritesAFilePerTextAndThePickerReplacesAFileOnlyAfterConfirmation) {
    Window window(test::wordPages(3, 400, 500));
    window.model->listOfTextItems = {"A", "B"};
    test::writeFile(window.folder / "document_A.pdf", "kept");

    window.replace = false;
    ASSERT_TRUE(window.exportAndCopy());
    EXPECT_EQ(window.pickers, 1);
    EXPECT_EQ(window.asked, QStringList{"document_A.pdf"});
    EXPECT_EQ(test::readFile(window.folder / "document_A.pdf"), "kept");
    ASSERT_EQ(window.copies, std::vector<fs::path>{window.folder / "document_B.pdf"});
    for (int page = 1; page <= 3; ++page) {
        EXPECT_TRUE(shows(window.folder / "document_B.pdf", page, "B")) << page;
        EXPECT_FALSE(shows(window.folder / "document_B.pdf", page, "A")) << page;
    }

    window.replace = true;
    ASSERT_TRUE(window.exportAndCopy());
    EXPECT_EQ(window.copies.size(), 2u);
    for (int page = 1; page <= 3; ++page) {
        EXPECT_TRUE(shows(window.folder / "document_A.pdf", page, "A")) << page;
        EXPECT_FALSE(shows(window.folder / "document_A.pdf", page, "B")) << page;
    }
    EXPECT_TRUE(window.idle());
}

TEST(Saver, ExportPressedAsTheWindowShowsWritesTheDocumentOnceItIsRead) {
    // A document that is read, and one that is not (a PDF header followed by nothing but zeros):
    // the window says it could not be opened and disables Export; the export pressed before
    // then ends with the read, and no later request (the button, the menu's export, Ctrl+S,
    // Share) saves anything of it.
    for (const bool readable : {true, false}) {
        SCOPED_TRACE(readable ? "read" : "not read");
        Window window(readable ? test::wordPages(40, 400, 500)
                               : "%PDF-1.7\n" + std::string(4 << 20, '\0'),
                      {}, true);
        const auto failureTold = [&] {
            return std::ranges::any_of(window.view->findChildren<QDialog*>(), [](QDialog* dialog) {
                return dialog->isVisible() &&
                       dialog->accessibleName() == "The files could not all be written";
            });
        };
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return window.copied == 1 || failureTold() || (!readable && window.idle()); },
            patience));
        EXPECT_FALSE(failureTold());
        EXPECT_TRUE(window.idle());
        if (readable) {
            ASSERT_EQ(window.copied, 1);
            EXPECT_EQ(window.asked, QStringList{"document.pdf"});
            EXPECT_TRUE(shows(window.savedAs, 40, "Body"));
            continue;
        }
        EXPECT_FALSE(window.main->failureLine()->isHidden());
        EXPECT_FALSE(window.main->toolBar()->exportButton()->isEnabled());
        window.exportNow();
        window.requestSave();
        for (const char* request : {"MenuReuqestExport", "RequestToShare"}) {
            NotificationCenter::defaultCenter().post(
                NotificationDocumentCenter::scopedName(request, window.id()));
        }
        EXPECT_TRUE(window.idle());
        EXPECT_FALSE(window.saver->progressSheet()->isPresented());
        QCoreApplication::processEvents();
        EXPECT_FALSE(failureTold());
        EXPECT_EQ(window.pickers, 0);
    }
}

TEST(Saver, ThePasswordPanelGuardsOkAndItsAnswersDecideTheEncryption) {
    const test::TemporaryDirectoryScope temporary;
    Window window(test::wordPages(3, 400, 500));
    window.model->isPasswordProtected = true;

    window.exportNow();
    FenPasswordPanel* panel = window.saver->passwordPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->accessibleName(), "Password");
    EXPECT_EQ(panel->passwordField()->accessibleName(), "Password");
    EXPECT_EQ(panel->verifyField()->accessibleName(), "Verify");
    // Both fields empty, at first and once typed text is taken out again: "Ok" is disabled, no
    // message shows, and Return in either field exports nothing.
    const auto emptyFieldsExportNothing = [&] {
        EXPECT_FALSE(panel->okButton()->isEnabled());
        EXPECT_FALSE(panel->messageLabel()->isVisible());
        const QPointer<FenPasswordPanel> shown(panel);
        for (QLineEdit* field : {panel->passwordField(), panel->verifyField()}) {
            QTest::keyClick(field, Qt::Key_Return);
            ASSERT_TRUE(shown && shown->isVisible());
            EXPECT_EQ(window.saver->passwordPanel(), panel);
            EXPECT_FALSE(window.saver->saverModel().didStartToSave());
        }
    };
    emptyFieldsExportNothing();
    QTest::keyClicks(panel->passwordField(), "x");
    QTest::keyClicks(panel->verifyField(), "x");
    EXPECT_TRUE(panel->okButton()->isEnabled());
    QTest::keyClick(panel->passwordField(), Qt::Key_Backspace);
    QTest::keyClick(panel->verifyField(), Qt::Key_Backspace);
    emptyFieldsExportNothing();
    QTest::keyClicks(panel->passwordField(), "a");
    EXPECT_EQ(panel->messageLabel()->text(), "Passwords do not match");
    EXPECT_TRUE(panel->messageLabel()->isVisible());
    EXPECT_FALSE(panel->okButton()->isEnabled());
    // A further request while the panel is open is ignored.
    window.requestSave();
    EXPECT_EQ(window.saver->passwordPanel(), panel);
    QTest::keyClicks(panel->verifyField(), "a");
    EXPECT_TRUE(panel->okButton()->isEnabled());
    EXPECT_FALSE(panel->messageLabel()->isVisible()) << "no message while they match";
    QTest::keyClicks(panel->passwordField(), "b c");
    QTest::keyClicks(panel->verifyField(), "b c");
    QTest::mouseClick(panel->okButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.copied == 1; }, patience));
    EXPECT_EQ(window.asked, QStringList{"document.pdf"});
    const std::string shown =
        test::runCommand({"qpdf", "--show-encryption", "--password=ab c", window.savedAs.string()})
            .out;
    EXPECT_NE(shown.find("AESv3"), std::string::npos) << shown;
    EXPECT_FALSE(test::qpdfCheck(window.savedAs));
    EXPECT_TRUE(test::qpdfCheck(window.savedAs, "ab c"));
    EXPECT_TRUE(std::ranges::count(wordsOf(window.savedAs, 1, "ab c"), "Body") == 1);

    // Cancel writes nothing and opens no picker.
    const size_t written = filesNamed(temporary.path(), "document.pdf", window.file).size();
    window.exportNow();
    ASSERT_TRUE(window.saver->passwordPanel());
    QTest::mouseClick(window.saver->passwordPanel()->cancelButton(), Qt::LeftButton);
    QTest::qWait(200);
    EXPECT_EQ(window.pickers, 1);
    EXPECT_EQ(filesNamed(temporary.path(), "document.pdf", window.file).size(), written);
    EXPECT_TRUE(window.idle());

    // Return with a password typed in both fields exports, encrypted with it.
    window.exportNow();
    panel = window.saver->passwordPanel();
    ASSERT_TRUE(panel);
    QTest::keyClicks(panel->passwordField(), "pw");
    QTest::keyClicks(panel->verifyField(), "pw");
    QTest::keyClick(panel->verifyField(), Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.copied == 2; }, patience));
    EXPECT_FALSE(test::qpdfCheck(window.savedAs));
    EXPECT_TRUE(test::qpdfCheck(window.savedAs, "pw"));
}

// How many pixels of page 1 the program's own reader (qpdf, then poppler) paints when it opens
// `pdf` with `password`; none when it does not open.
int paintedWithPassword(const fs::path& pdf, const std::string& password) {
    pdf::Document reader;
    if (reader.openData(test::readFile(pdf), password) != pdf::OpenResult::opened) {
        return 0;
    }
    const gfx::Image page = renderPDFPageImage(reader, 1, 100, 125);
    int painted = 0;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            painted += (page.pixel(x, y) >> 24) != 0;
        }
    }
    return painted;
}

TEST(Saver, APasswordIsTakenOnlyWhenItsFileOpensWithExactlyIt) {
    // AES-256 compares the first 127 bytes of the password's UTF-8; qpdf writes a longer one whole
    // and then opens the file with none, and poppler fails on one typed in full. "ő" × 64 is 128
    // bytes: its 127th falls inside a character.
    std::string accented;
    for (int i = 0; i < 64; ++i) {
        accented += "\u0151";
    }
    const struct {
        const char* name;
        std::string password;
        bool taken;
        // Written over the opened document (Overwrite Original), which must never be lost.
        bool overwrite = false;
    } cases[] = {
        {"127 characters", std::string(127, 'k'), true},
        {"126 bytes of accents and a letter", accented.substr(0, 126) + "k", true},
        {"four scripts", "\u0151\u0416\u6F22\U0001F600", true},
        {"128 characters", std::string(128, 'k'), false},
        {"200 characters", std::string(200, 'k'), false},
        {"10,000 characters", std::string(10000, 'k'), false},
        {"\u0151 \u00D7 64", accented, false},
        {"128 characters over the original", std::string(128, 'k'), false, true},
        {"127 characters over the original", std::string(127, 'k'), true, true},
    };
    Window window(test::wordPages(1, 400, 500));
    const std::string original = test::readFile(window.file);
    window.model->isPasswordProtected = true;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(window.savedAs);
        const fs::path written = c.overwrite ? window.file : window.savedAs;
        window.model->isOverwrite = c.overwrite;
        const int copied = window.copied;
        window.exportNow();
        FenPasswordPanel* panel = window.saver->passwordPanel();
        ASSERT_TRUE(panel);
        // Typed, or pasted: the same text in both fields.
        panel->passwordField()->setText(QString::fromStdString(c.password));
        panel->verifyField()->setText(QString::fromStdString(c.password));
        if (!c.taken) {
            EXPECT_FALSE(panel->okButton()->isEnabled());
            EXPECT_TRUE(panel->messageLabel()->isVisible());
            EXPECT_EQ(panel->messageLabel()->text().toStdString(),
                      PasswordMatchRule::tooLongMessage);
            QTest::keyClick(panel->verifyField(), Qt::Key_Return);
            EXPECT_FALSE(window.saver->saverModel().didStartToSave());
            QTest::mouseClick(panel->cancelButton(), Qt::LeftButton);
            ASSERT_TRUE(QTest::qWaitFor([&] { return window.idle(); }, patience));
            EXPECT_FALSE(fs::exists(window.savedAs));
            EXPECT_EQ(test::readFile(window.file), original);
            continue;
        }
        EXPECT_FALSE(panel->messageLabel()->isVisible());
        QTest::mouseClick(panel->okButton(), Qt::LeftButton);
        if (c.overwrite) {
            ASSERT_TRUE(window.answerOverwrite("Replace"));
            ASSERT_TRUE(QTest::qWaitFor(
                [&] { return test::readFile(written) != original && window.idle(); }, patience));
        } else {
            ASSERT_TRUE(QTest::qWaitFor([&] { return window.copied == copied + 1; }, patience));
        }
        EXPECT_TRUE(test::qpdfCheck(written, c.password));
        EXPECT_FALSE(test::qpdfCheck(written, c.password.substr(0, c.password.size() - 1)));
        // poppler's tools read no more than 32 bytes of a password on their command line.
        if (c.password.size() <= 32) {
            EXPECT_EQ(std::ranges::count(wordsOf(written, 1, c.password), "Body"), 1);
        }
        EXPECT_GT(paintedWithPassword(written, c.password), 100);
        // The format compares no more than 127 bytes, so the reader opens it with more typed.
        if (c.password.size() == 127) {
            EXPECT_GT(paintedWithPassword(written, c.password + "more"), 100);
        }
    }
}

TEST(Saver, OverwriteReplacesTheOpenedFileUnlessTheListGivesTwoFiles) {
    Window window(test::wordPages(3, 400, 500));
    ::chmod(window.file.c_str(), 0640);
    window.model->isOverwrite = true;
    window.model->otherConf = test::pageNumberSettings("#currentPage", Positions::topleft, 1, 3, 1);
    const std::string original = test::readFile(window.file);

    // The alert over the window names the file; Cancel writes nothing.
    window.exportNow();
    EXPECT_EQ(window.answerOverwrite("Cancel"),
              QString::fromUtf8("Replace \u201Cdocument.pdf\u201D with the watermarked copy?"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.saver->overwriteAlert(); }, patience));
    QTest::qWait(100);
    EXPECT_EQ(test::readFile(window.file), original);

    window.exportNow();
    ASSERT_TRUE(window.answerOverwrite("Replace"));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return shows(window.file, 1, "1") && window.idle(); }, patience));
    EXPECT_TRUE(shows(window.file, 2, "2"));
    struct stat info {};
    ASSERT_EQ(::stat(window.file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(window.pickers, 0);

    // The window goes on working: two texts open the picker instead.
    window.model->listOfTextItems = {"A", "B"};
    ASSERT_TRUE(window.exportAndCopy());
    EXPECT_EQ(window.pickers, 1);
    EXPECT_EQ(window.copies.size(), 2u);
}

// The texts of the visible alert over the window titled `title`, title first; none while there is
// no such alert.
QStringList alertLines(const Window& window, const QString& title) {
    for (QDialog* dialog : window.view->findChildren<QDialog*>()) {
        if (dialog->isVisible() && dialog->accessibleName() == title) {
            QStringList lines;
            for (QLabel* label : dialog->findChildren<QLabel*>()) {
                lines << label->text();
            }
            return lines;
        }
    }
    return {};
}

// Presses `button` of the visible alert over the window titled `title`; false without one.
bool press(const Window& window, const QString& title, const QString& button) {
    for (QDialog* dialog : window.view->findChildren<QDialog*>()) {
        if (dialog->isVisible() && dialog->accessibleName() == title) {
            for (auto* b : dialog->findChildren<QPushButton*>()) {
                if (b->text() == button) {
                    QTest::mouseClick(b, Qt::LeftButton);
                    return true;
                }
            }
        }
    }
    return false;
}

TEST(Saver, AnOverwriteWithItsCopyOrItsOriginalGoneSaysWhyAndWritesNothing) {
    const QString failed = "The original file could not be replaced";
    const struct {
        const char* name;
        bool removeOriginal;
        QString reason;
    } cases[] = {
        // A temporary-folder cleaner empties the export's folder while the question is open.
        {"copy removed", false,
         "The watermarked copy could not be read: No such file or directory"},
        {"original removed", true,
         QString::fromUtf8("\u201Cdocument.pdf\u201D was moved or deleted since it was opened.")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Window window(test::wordPages(1, 400, 500));
        window.model->isOverwrite = true;
        const std::string original = test::readFile(window.file);
        test::TemporaryDirectoryScope renders;
        window.exportNow();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return window.saver->overwriteAlert() &&
                       window.saver->overwriteAlert()->isVisible();
            },
            60000));
        if (c.removeOriginal) {
            fs::remove(window.file);
        } else {
            ASSERT_FALSE(renders.filesLeft().empty());
            for (const fs::path& entry : renders.entries()) {
                fs::remove_all(entry);
            }
        }
        ASSERT_TRUE(window.answerOverwrite("Replace"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !alertLines(window, failed).isEmpty(); }, 10000));
        EXPECT_EQ(alertLines(window, failed), (QStringList{failed, c.reason}));
        if (c.removeOriginal) {
            EXPECT_FALSE(fs::exists(window.file));
        } else {
            EXPECT_EQ(test::readFile(window.file), original);
        }
        EXPECT_TRUE(press(window, failed, "OK"));
    }
}

TEST(Saver, AnOverwriteAsksAgainBeforeReplacingAFileAnotherProgramChanged) {
    const std::string newer = test::wordPages(1, 400, 500, "Newer");
    const QString asking = "Replace it anyway with the watermarked copy of the document as it was "
                           "opened?";
    const struct {
        const char* name;
        std::function<void(const fs::path&)> meanwhile;
        QString title;
    } cases[] = {
        {"written in place", [&](const fs::path& file) { test::writeFile(file, newer); },
         QString::fromUtf8(
             "\u201Cdocument.pdf\u201D was changed by another program since it was opened.")},
        // An editor's save: a new file renamed over the opened one.
        {"replaced",
         [&](const fs::path& file) {
             test::writeFile(file.string() + ".new", newer);
             fs::rename(file.string() + ".new", file);
         },
         QString::fromUtf8(
             "\u201Cdocument.pdf\u201D was replaced by another file since it was opened.")},
        {"written in place with its size and modification time kept",
         [&](const fs::path& file) { rewriteUnseen(file, test::wordPages(1, 400, 500, "Bolt")); },
         QString::fromUtf8(
             "\u201Cdocument.pdf\u201D was changed by another program since it was opened.")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Window window(test::wordPages(1, 400, 500));
        window.model->isOverwrite = true;
        c.meanwhile(window.file);
        const std::string changed = test::readFile(window.file);

        // Return answers Cancel: the newer file stays.
        window.exportNow();
        ASSERT_TRUE(window.answerOverwrite("Replace"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !alertLines(window, c.title).isEmpty(); }, 10000));
        EXPECT_EQ(alertLines(window, c.title), (QStringList{c.title, asking}));
        QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Return);
        ASSERT_TRUE(QTest::qWaitFor([&] { return alertLines(window, c.title).isEmpty(); }, 5000));
        // A save runs within the answer, so none can follow it.
        EXPECT_EQ(test::readFile(window.file), changed);

        // Replace, asked twice, writes the copy of the document as it was opened.
        window.exportNow();
        ASSERT_TRUE(window.answerOverwrite("Replace"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !alertLines(window, c.title).isEmpty(); }, 10000));
        ASSERT_TRUE(press(window, c.title, "Replace"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return shows(window.file, 1, "Body"); }, 10000));
        EXPECT_FALSE(shows(window.file, 1, "Newer"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return window.idle(); }, 10000));

        // Written by the window, the file is its own again: the next Replace asks once.
        const std::optional<FileIdentity> written = FileIdentity::of(window.file);
        window.exportNow();
        ASSERT_TRUE(window.answerOverwrite("Replace"));
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return FileIdentity::of(window.file) != written && window.idle(); }, 10000));
        EXPECT_TRUE(alertLines(window, c.title).isEmpty());
    }
}

// What qpdf tells of a file's encryption when opened with `password`, but for the line that says
// which password that was.
std::string encryptionOf(const fs::path& pdf, const std::string& password) {
    const std::string shown =
        test::runCommand({"qpdf", "--show-encryption", "--password=" + password, pdf.string()}).out;
    std::string kept;
    std::istringstream lines(shown);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("Supplied password", 0) != 0) {
            kept += line + "\n";
        }
    }
    return kept;
}

TEST(Saver, AnOverwrittenEncryptedOriginalKeepsItsEncryptionUnlessAPasswordIsSet) {
    // Each unlocked in the window with its user password as typed; the older schemes' passwords
    // stored in PDFDocEncoding, as qpdf writes them ("é" as 0xE9, "€" as 0xA0), which the tools
    // below are given.
    const struct {
        const char* what;
        test::Encryption encryption;
        std::string typed, user, owner;
    } cases[] = {
        {"AES-256", test::Encryption::r6, "user", "user", "owner"},
        {"AES-128", test::Encryption::r4aes, "user", "user", "owner"},
        {"RC4-128 in PDFDocEncoding", test::Encryption::r3, "été", "\xe9t\xe9", "\xa0owner"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Window window(
            test::encryptPdf(test::wordPages(2, 400, 500), c.user, c.owner, c.encryption));
        const std::string byUser = encryptionOf(window.file, c.user);
        const std::string byOwner = encryptionOf(window.file, c.owner);
        const std::string original = test::readFile(window.file);
        ASSERT_NE(byUser.find("R = "), std::string::npos) << byUser;
        QLineEdit* password = window.main->pdfArea()->pdfView()->passwordField();
        // Key by key with its text, as a keyboard types "é" (keyClicks takes ASCII only).
        for (const QChar typed : QString::fromStdString(c.typed)) {
            QTest::sendKeyEvent(QTest::Click, password, Qt::Key_unknown, QString(typed),
                                Qt::NoModifier);
        }
        QTest::keyClick(password, Qt::Key_Return);
        // Kept in the form that opened the file, for the export to open it with.
        ASSERT_EQ(window.main->unlockPassword(), c.user);
        window.model->isOverwrite = true;
        window.model->otherConf =
            test::pageNumberSettings("#currentPage", Positions::topleft, 1, 2, 1);

        window.exportNow();
        ASSERT_TRUE(window.answerOverwrite("Replace"));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return test::readFile(window.file) != original && window.idle(); }, patience));
        EXPECT_TRUE(std::ranges::count(wordsOf(window.file, 2, c.user), "2") == 1);
        EXPECT_EQ(encryptionOf(window.file, c.user), byUser);
        EXPECT_EQ(encryptionOf(window.file, c.owner), byOwner);
        EXPECT_FALSE(test::qpdfCheck(window.file));
        EXPECT_TRUE(test::qpdfCheck(window.file, c.owner));

        // A password the save sets replaces it.
        window.model->isPasswordProtected = true;
        window.exportNow();
        ASSERT_TRUE(window.saver->passwordPanel());
        QTest::keyClicks(window.saver->passwordPanel()->passwordField(), "new");
        QTest::keyClicks(window.saver->passwordPanel()->verifyField(), "new");
        QTest::mouseClick(window.saver->passwordPanel()->okButton(), Qt::LeftButton);
        ASSERT_TRUE(window.answerOverwrite("Replace"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return test::qpdfCheck(window.file, "new"); }, patience));
        EXPECT_FALSE(test::qpdfCheck(window.file, c.user));
    }
}

// Catches what the share popover's "Open" hands to the desktop.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened.push_back(url); }
};

TEST(Saver, ShareOpensThePopoverAtTheShareButtonAndItsEntriesReachTheDesktop) {
    Window window(test::wordPages(1, 400, 500));
    window.model->isOverwrite = true;
    QWidget* shareButton = window.main->toolBar()->shareButton();
    auto* anchor = shareButton->findChild<ShareButton*>();
    ASSERT_NE(anchor, nullptr);
    EXPECT_EQ(anchor->size(), QSize(0, 0));
    const std::string original = test::readFile(window.file);

    QTest::mouseClick(shareButton, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.saver->sharePopover(); }, patience));
    QFrame* popover = window.saver->sharePopover();
    const QPoint at = anchor->mapToGlobal(QPoint(0, 0));
    EXPECT_LE(std::abs(popover->geometry().center().x() - at.x()), popover->width());
    EXPECT_LE(std::abs(popover->geometry().top() - at.y()), 60);
    EXPECT_EQ(test::readFile(window.file), original);
    auto button = [](QFrame* frame, const QString& title) {
        for (auto* b : frame->findChildren<QPushButton*>()) {
            if (b->text() == title) {
                return b;
            }
        }
        return static_cast<QPushButton*>(nullptr);
    };
    ASSERT_NE(button(popover, "Show in File Manager"), nullptr);
    QTest::mouseClick(button(popover, "Copy"), Qt::LeftButton);
    const QMimeData* copied = QApplication::clipboard()->mimeData();
    ASSERT_NE(copied, nullptr);
    ASSERT_TRUE(copied->hasFormat("text/uri-list"));
    ASSERT_EQ(copied->urls().size(), 1);
    const fs::path shared = copied->urls().front().toLocalFile().toStdString();
    EXPECT_EQ(shared.filename(), "document.pdf");
    EXPECT_TRUE(test::qpdfCheck(shared));

    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.saver->sharePopover(); }, patience));
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "open");
    QTest::mouseClick(shareButton, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.saver->sharePopover(); }, patience));
    QTest::mouseClick(button(window.saver->sharePopover(), "Open"), Qt::LeftButton);
    QDesktopServices::unsetUrlHandler("file");
    ASSERT_EQ(catcher.opened.size(), 1);
    EXPECT_EQ(fs::path(catcher.opened.front().toLocalFile().toStdString()).filename(),
              "document.pdf");
}

TEST(Saver, CancelFromTheFirstPageStopsTheRenderDeliversNothingAndTheNextExportRuns) {
    // Cancel clicked, Return on Cancel, or Escape anywhere in the sheet (as in an alert).
    const std::pair<const char*, std::function<void(FelDocumentSaverProgessPanelView*)>> cancels[] =
        {
            {"click",
             [](auto* panel) { QTest::mouseClick(panel->cancelButton(), Qt::LeftButton); }},
            {"Return", [](auto* panel) { QTest::keyClick(panel->cancelButton(), Qt::Key_Return); }},
            {"Escape on Cancel",
             [](auto* panel) { QTest::keyClick(panel->cancelButton(), Qt::Key_Escape); }},
            {"Escape on the sheet",
             [](auto* panel) { QTest::keyClick(panel->window(), Qt::Key_Escape); }},
        };
    for (const auto& [how, cancel] : cancels) {
        SCOPED_TRACE(how);
        const test::TemporaryDirectoryScope temporary;
        Window window(test::wordPages(200, 300, 300));
        const auto renders = [&] {
            return filesNamed(temporary.path(), "document.pdf", window.file);
        };
        const std::vector<fs::path> before = renders();
        WriteHook hook;
        hook.setHold([](int index) { return index == 0; });
        window.exportNow();
        ASSERT_TRUE(QTest::qWaitFor([&] { return hook.isHolding(); }, patience));
        ui::FormSheetWrapper* sheet = window.saver->progressSheet();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return window.saver->saverModel().progressModel().progessValue > 0; }, patience));
        ASSERT_TRUE(sheet->isPresented());
        auto* panel = sheet->sheet()->findChild<FelDocumentSaverProgessPanelView*>();
        cancel(panel);
        EXPECT_FALSE(sheet->isPresented());
        EXPECT_FALSE(window.saver->showProgress());
        hook.setHold(nullptr);
        hook.release();
        ASSERT_TRUE(QTest::qWaitFor([&] { return hook.count(&WriteHook::ends) == 1; }, patience));
        // The stopped render's file goes once the worker has ended.
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return renders() == before && window.idle(); }, patience));
        const int written = hook.count(&WriteHook::pages);
        EXPECT_LT(written, 200);
        EXPECT_EQ(window.pickers, 0);

        ASSERT_TRUE(window.exportAndCopy());
        EXPECT_EQ(hook.count(&WriteHook::pages), written + 200);
        EXPECT_EQ(test::runCommand({"qpdf", "--show-npages", window.savedAs.string()}).out,
                  "200\n");
    }
}

TEST(Saver, TheProgressSheetShowsTheFileAndAnAdvancingBarAndOnlyItsFlagClosesIt) {
    Window window(test::wordPages(20, 300, 300));
    window.model->listOfTextItems = {"A", "B"};
    WriteHook hook;
    hook.setHold([](int index) { return index == 4 || index == 14; });
    window.exportNow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return hook.isHolding(); }, patience));
    auto& progress = window.saver->saverModel().progressModel();
    ASSERT_TRUE(QTest::qWaitFor([&] { return progress.progessValue == 25; }, patience));
    ui::FormSheet* sheet = window.saver->progressSheet()->sheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->accessibleName(), "Processing the PDFs");
    auto* panel = sheet->findChild<FelDocumentSaverProgessPanelView*>();
    EXPECT_EQ(panel->titleLabel()->text(), "Processing the PDFs");
    EXPECT_EQ(panel->fileLabel()->text(), "document_A");
    EXPECT_EQ(panel->cancelButton()->text(), "Cancel");

    // The bar's filled part, in the highlight colour, grows from one grab to the next.
    auto filled = [&] {
        const QImage picture = panel->bar()->grab().toImage();
        const QColor highlight = panel->bar()->palette().color(QPalette::Highlight);
        int count = 0;
        for (int x = 0; x < picture.width(); ++x) {
            count += test::near(picture.pixelColor(x, picture.height() / 2), highlight, 24);
        }
        return count;
    };
    const int early = filled();
    EXPECT_TRUE(panel->grab().width() == 400);

    // A close request leaves it open (Escape is its Cancel).
    sheet->close();
    QCoreApplication::processEvents();
    EXPECT_TRUE(sheet->isVisible());
    // A further request while the render runs is ignored.
    window.requestSave();
    EXPECT_EQ(window.saver->progressSheet()->sheet(), sheet);

    hook.release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return progress.progessValue == 75; }, patience));
    EXPECT_GT(filled(), early);
    hook.setHold(nullptr);
    hook.release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.copied == 1; }, patience));
    EXPECT_FALSE(window.saver->progressSheet()->isPresented());
}

TEST(Saver, ClosingTheWindowDuringAnExportStopsItAndItsCompletionDoesNothing) {
    const test::TemporaryDirectoryScope temporary;
    auto window = std::make_unique<Window>(test::wordPages(200, 300, 300));
    const auto renders = [&] { return filesNamed(temporary.path(), "document.pdf", window->file); };
    const std::vector<fs::path> before = renders();
    WriteHook hook;
    hook.setHold([](int index) { return index == 0; });
    window->exportNow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return hook.isHolding(); }, patience));
    hook.setHold(nullptr);
    // The closing window waits for its stopped export, serving the main queue meanwhile: the
    // worker is let go from there, after the stopper was set.
    QMetaObject::invokeMethod(
        qApp, [&hook] { hook.release(); }, Qt::QueuedConnection);
    window->view.reset();
    EXPECT_EQ(hook.count(&WriteHook::ends), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return renders() == before; }, patience));
    EXPECT_LT(hook.count(&WriteHook::pages), 200);
    EXPECT_EQ(window->pickers, 0);
}

TEST(Saver, QuitStopsTheExportOfEveryWindowAtOnce) {
    const test::TemporaryDirectoryScope temporary;
    Window first(test::wordPages(200, 300, 300));
    Window second(test::wordPages(200, 300, 300));
    const auto renders = [&] {
        std::vector<fs::path> found = filesNamed(temporary.path(), "document.pdf", first.file);
        std::erase(found, second.file);
        return found;
    };
    const std::vector<fs::path> before = renders();
    WriteHook hook;
    hook.setHold([](int index) { return index == 0; });
    first.exportNow();
    second.exportNow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return hook.count(&WriteHook::held) == 2; }, patience));
    const std::shared_ptr<SaverStopper> stoppers[] = {first.saver->saverModel().saverStopper(),
                                                      second.saver->saverModel().saverStopper()};
    // The program's event loop ends, as Quit ends it: both exports are stopped before either
    // window goes, so neither waits for the other's.
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QApplication::exec();
    for (const auto& stopper : stoppers) {
        ASSERT_TRUE(stopper);
        EXPECT_TRUE(stopper->isStopRunning);
    }
    hook.setHold(nullptr);
    hook.release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return hook.count(&WriteHook::ends) == 2; }, patience));
    EXPECT_TRUE(QTest::qWaitFor([&] { return renders() == before; }, patience));
    EXPECT_LT(hook.count(&WriteHook::pages), 400);
    EXPECT_EQ(first.pickers + second.pickers, 0);
}

TEST(Saver, RendersGoOnceDeliveredAndThoseSharedWhenTheWindowCloses) {
    // A temporary directory of its own: what other tests of this process left under the shared one
    // is none of this window's renders.
    const test::TemporaryDirectoryScope temporary;
    auto window = std::make_unique<Window>(test::wordPages(1, 400, 500));
    const auto renders = [&] { return filesNamed(temporary.path(), "document.pdf", window->file); };
    ASSERT_TRUE(renders().empty());

    // Copied by the picker.
    ASSERT_TRUE(window->exportAndCopy());
    EXPECT_TRUE(fs::exists(window->savedAs));
    EXPECT_TRUE(QTest::qWaitFor([&] { return renders().empty(); }, patience));

    // The picker declined.
    FelDocumentExportPicker::Dialogs declining;
    declining.chooseFile = [&](QWidget*, const QString&, const QString&,
                               FelDocumentExportPicker::Answer answer) {
        ++window->pickers;
        answer(std::nullopt);
    };
    window->saver->setPickerDialogs(declining);
    window->exportNow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->pickers == 2 && window->idle(); }, patience));
    EXPECT_TRUE(QTest::qWaitFor([&] { return renders().empty(); }, patience));

    // The overwrite answered.
    window->model->isOverwrite = true;
    window->exportNow();
    ASSERT_TRUE(window->answerOverwrite("Cancel"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return renders().empty(); }, patience));

    // Shared: offered until the window closes.
    std::vector<Url> shared;
    window->saver->setShare([&](const std::vector<Url>& urls, QWidget*, QWidget*) {
        shared.insert(shared.end(), urls.begin(), urls.end());
    });
    QTest::mouseClick(window->main->toolBar()->shareButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !shared.empty(); }, patience));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return renders() == std::vector<fs::path>{shared.front().path()}; }, patience))
        << renders().size();
    window->view.reset();
    EXPECT_FALSE(fs::exists(shared.front().path().parent_path()));
    EXPECT_TRUE(fs::exists(window->savedAs));
}

TEST(Saver, ThePickerOpensInTheDocumentsFolderWithTheOutputsName) {
    Window window(test::wordPages(1, 400, 500));
    // The program's own dialog: Return writes beside the document.
    window.saver->setPickerDialogs(FelDocumentExportPicker::systemDialogs());
    fs::rename(window.file, window.file.parent_path() / "Report.pdf");
    window.model->fileName = "Report.pdf";
    window.model->listOfTextItems = {"Draft"};
    window.exportNow();
    QFileDialog* dialog = nullptr;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return (dialog = window.view->findChild<QFileDialog*>()) != nullptr; }, patience));
    EXPECT_EQ(fs::path(dialog->directory().absolutePath().toStdString()),
              window.file.parent_path());
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), "Report_Draft.pdf");
    QTest::keyClick(name, Qt::Key_Return);
    const fs::path beside = window.file.parent_path() / "Report_Draft.pdf";
    // The copy's completion reaches the window once the file is in place.
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.copied == 1; }, patience));
    EXPECT_TRUE(test::qpdfCheck(beside));

    // A folder that is gone gives the home folder.
    EXPECT_EQ(FelDocumentExportPicker::startFolder(window.folder / "gone"), QDir::homePath());
    EXPECT_EQ(FelDocumentExportPicker::startFolder(std::nullopt), QDir::homePath());
}

TEST(Saver, TheMenusExportReachesOnlyTheActiveWindow) {
    Window first(test::wordPages(1, 400, 500));
    Window second(test::wordPages(1, 400, 500));
    ASSERT_TRUE(test::showActive(*second.view));
    // The window system's activation is told to the windows a turn later: the menu reaches a
    // window once it knows itself the key window, and the one before it knows it no longer is.
    const auto isKey = [](const Window& window) {
        return window.view->content()->body()->isKeyDocument();
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return isKey(second) && !isKey(first); }, patience));
    NotificationCenter::defaultCenter().post("MenuReuqestExport");
    // The request starts the export of the key window at once and of no other.
    EXPECT_FALSE(second.idle());
    EXPECT_TRUE(first.idle());
    ASSERT_TRUE(QTest::qWaitFor([&] { return second.copied == 1; }, patience));
    EXPECT_EQ(first.pickers, 0);
}

TEST(FormSheetWrapper, TheFlagShowsOneSheetAndItsDismissalRunsTheHandlersOnceInOrder) {
    QWidget host;
    host.resize(300, 200);
    host.show();
    int built = 0;
    std::vector<std::string> calls;
    ui::FormSheetWrapper wrapper(
        &host,
        [&](QWidget* sheet) {
            ++built;
            return new QLabel("content", sheet);
        },
        "Sheet");
    wrapper.onDismiss = [&] { calls.push_back("dismiss"); };
    wrapper.actionOnClose = [&] {
        calls.push_back("close");
        wrapper.update(false);
    };
    wrapper.update(false);
    EXPECT_TRUE(calls.empty());
    wrapper.update(true);
    wrapper.update(true);
    EXPECT_EQ(built, 1);
    ASSERT_TRUE(wrapper.isPresented());
    EXPECT_TRUE(wrapper.sheet()->isVisible());
    EXPECT_EQ(wrapper.sheet()->windowTitle(), "Sheet");
    QPointer<ui::FormSheet> sheet = wrapper.sheet();
    wrapper.update(false);
    wrapper.update(false);
    EXPECT_EQ(calls, (std::vector<std::string>{"dismiss", "close"}));
    EXPECT_FALSE(wrapper.isPresented());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(sheet.isNull());
}

TEST(Saver, FilesThatCouldNotBeWrittenAreToldInAnAlertOverTheWindow) {
    // A temporary directory that takes no folder.
    const fs::path blocker = freshFolder() / "not-a-folder";
    test::writeFile(blocker, "x");
    // One that takes the folders but not the files: a file system of its own, filled once the
    // window has its working copy there (root alone may mount one).
    const test::SmallFileSystem full(1 << 20);
    struct Case {
        const char* name;
        fs::path temporary;
        // The window runs with its own folder in it; otherwise it is set for the export only.
        bool runInIt;
        bool secureSaving;
        const char* reason;
    };
    std::vector<Case> cases = {
        {"a temporary directory that takes no folder", blocker, false, false, "Not a directory"}};
    if (full.mounted()) {
        cases.push_back(
            {"a full temporary folder", full.path(), true, false, "No space left on device"});
        cases.push_back({"a full temporary folder, secure saving", full.path(), true, true,
                         "No space left on device"});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray previous = qgetenv("TMPDIR");
        std::optional<FenFilesStorage::ProcessFolderScope> run;
        if (c.runInIt) {
            qputenv("TMPDIR", QByteArray::fromStdString(c.temporary.string()));
            run.emplace();
        }
        Window window(test::wordPages(1, 400, 500));
        window.model->listOfTextItems = {"A", "B"};
        window.model->isSecureSaving = c.secureSaving;
        if (c.runInIt) {
            ASSERT_TRUE(full.fill());
        } else {
            qputenv("TMPDIR", QByteArray::fromStdString(c.temporary.string()));
        }
        window.exportNow();
        auto findAlert = [&]() -> QDialog* {
            for (QDialog* dialog : window.view->findChildren<QDialog*>()) {
                if (dialog->isVisible() &&
                    dialog->accessibleName() == "The files could not all be written") {
                    return dialog;
                }
            }
            return nullptr;
        };
        QDialog* alert = nullptr;
        const bool shown =
            QTest::qWaitFor([&] { return (alert = findAlert()) != nullptr; }, patience);
        qputenv("TMPDIR", previous);
        ASSERT_TRUE(shown);
        QStringList texts;
        for (QLabel* label : alert->findChildren<QLabel*>()) {
            texts += label->text().split(QLatin1Char('\n'));
        }
        ASSERT_EQ(texts.size(), 3) << texts.join(" | ").toStdString();
        // The folder is named, not the file's, which sends the user to another disk.
        for (int i : {1, 2}) {
            EXPECT_EQ(texts[i], QString::fromUtf8("document_%1.pdf: The temporary folder "
                                                  "\u201C%2\u201D could not be used: %3")
                                    .arg(i == 1 ? "A" : "B",
                                         QString::fromStdString(c.temporary.string()), c.reason));
        }
        EXPECT_EQ(window.pickers, 0);
        QPushButton* ok = alert->findChild<QPushButton*>();
        ASSERT_TRUE(ok);
        EXPECT_EQ(ok->text(), "OK");
        QPointer<QDialog> guard(alert);
        QTest::mouseClick(ok, Qt::LeftButton);
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return guard.isNull() || !guard->isVisible(); }, patience));
        EXPECT_TRUE(window.idle());
    }
    if (!full.mounted()) {
        GTEST_SKIP() << "the cases of a full temporary folder: " << full.refusal();
    }
}

TEST(Saver, AWorkingCopyRemovedWithTheTemporaryFolderIsMadeAgainWhileTheOpenedFileIsUnchanged) {
    test::TemporaryDirectoryScope tmp;
    const fs::path home = tmp.path() / "home";
    fs::create_directory(home);
    FenFilesStorage::ProcessFolderScope run;
    Window window(test::wordPages(1, 400, 500), home);
    window.model->listOfTextItems = {"Mark"};
    // A careless clean-up of the temporary directory takes the run's folder, working copy and all.
    const auto cleanUp = [&] {
        fs::remove_all(tmp.path() / ("fenmoor-" + std::to_string(::geteuid())));
    };
    cleanUp();
    ASSERT_TRUE(window.exportAndCopy());
    ASSERT_EQ(window.copies.size(), 1u);
    EXPECT_TRUE(shows(window.copies[0], 1, "Mark"));
    EXPECT_TRUE(shows(window.copies[0], 1, "Body"));
    // The copy made again is the document as opened: a later change of the file is not exported.
    const std::optional<Url> copy = window.model->tmpOriginalDataStorage;
    ASSERT_TRUE(copy && fs::exists(copy->path()));
    test::writeFile(window.file, test::wordPages(1, 400, 500, "Newer"));
    ASSERT_TRUE(window.exportAndCopy());
    EXPECT_TRUE(shows(window.copies[0], 1, "Body"));
    EXPECT_FALSE(shows(window.copies[0], 1, "Newer"));

    // Removed again, it cannot be made from a file that is no longer the one opened.
    cleanUp();
    const QString title = "The files could not all be written";
    window.exportNow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !alertLines(window, title).isEmpty(); }, patience));
    EXPECT_EQ(
        alertLines(window, title),
        (QStringList{title, QString::fromUtf8("document.pdf: The temporary copy \u201C%1\u201D "
                                              "of the document was removed, and the opened "
                                              "file is no longer the one it was made from.")
                                .arg(QString::fromStdString(copy->path().string()))}));
    EXPECT_TRUE(press(window, title, "OK"));

    // Nor from one rewritten with its own size and its modification time put back.
    fs::create_directory(tmp.path() / "second home");
    Window unseen(test::wordPages(1, 400, 500), tmp.path() / "second home");
    const std::optional<Url> unseenCopy = unseen.model->tmpOriginalDataStorage;
    ASSERT_TRUE(unseenCopy);
    rewriteUnseen(unseen.file, test::wordPages(1, 400, 500, "Bolt"));
    cleanUp();
    unseen.exportNow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !alertLines(unseen, title).isEmpty(); }, patience));
    EXPECT_EQ(
        alertLines(unseen, title),
        (QStringList{title, QString::fromUtf8("document.pdf: The temporary copy \u201C%1\u201D "
                                              "of the document was removed, and the opened "
                                              "file is no longer the one it was made from.")
                                .arg(QString::fromStdString(unseenCopy->path().string()))}));
    EXPECT_TRUE(press(unseen, title, "OK"));
}

TEST(Saver, APictureDeletedAfterItWasPickedIsStillOnTheExportedPageAsThePreviewShowsIt) {
    Window window(test::wordPages(1, 400, 500));
    window.model->textConf.reset();
    const fs::path picture = test::writeSolidPng(freshFolder() / "logo.png", 60, 60, {0, 0, 1, 1});
    // What Import Image writes: the picked file where it is.
    window.model->imageConf =
        ImageSettings{.imageURL = Url::fileURL(picture), .position = Positions::topleft};
    window.model->watermarkModelPublisher.emit();
    const std::shared_ptr<FenObjectHolder> preview = window.main->pdfDocument()->wmObjectHolder;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !preview->imageImage.isNull(); }, patience));
    fs::remove(picture);
    ASSERT_TRUE(window.exportAndCopy());
    test::Raster page = test::renderCropBox(window.savedAs, 1);
    test::Ink blue =
        test::inkOf(page, [](const test::Rgb& c) { return c.b > 200 && c.r < 60 && c.g < 60; });
    EXPECT_GT(blue.count, 100);
    EXPECT_LT(blue.maxX, page.width / 2);
}

TEST(FelDocumentExportPicker, CopiesThatFailAreReportedAndTheOthersAreStillMade) {
    const fs::path written = freshFolder();
    test::writeFile(written / "document_A.pdf", "A");
    test::writeFile(written / "document_B.pdf", "B");
    const std::vector<Url> urls = {Url::fileURL(written / "document_A.pdf"),
                                   Url::fileURL(written / "document_B.pdf")};
    const struct {
        const char* name;
        // Prepares the chosen folder just before the copies start.
        std::function<void(const fs::path& folder)> spoil;
        QStringList reported;
        size_t made;
    } cases[] = {
        {"the folder is gone",
         [](const fs::path& folder) { fs::remove_all(folder); },
         {"document_A.pdf: No such file or directory", "document_B.pdf: No such file or directory"},
         0},
        {"a folder has the name of one file",
         [](const fs::path& folder) { fs::create_directory(folder / "document_B.pdf"); },
         {"document_B.pdf: Is a directory"},
         1},
        {"nothing fails", [](const fs::path&) {}, {}, 2},
    };
    QWidget window;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path folder = freshFolder();
        FelDocumentExportPicker::Dialogs dialogs;
        dialogs.chooseFolder = [&](QWidget*, const QString&,
                                   FelDocumentExportPicker::Answer answer) {
            c.spoil(folder);
            answer(QString::fromStdString(folder.string()));
        };
        dialogs.confirmReplace = [](QWidget*, const QStringList&, const QString&,
                                    std::function<void(ReplaceAnswer)> answer) {
            answer(ReplaceAnswer::replace);
        };
        QStringList reported;
        int reports = 0;
        dialogs.reportFailures = [&](QWidget* parent, const QStringList& failures) {
            EXPECT_EQ(parent, &window);
            reported = failures;
            ++reports;
        };
        std::optional<std::vector<fs::path>> made;
        FelDocumentExportPicker::present(
            &window, urls, dialogs, [&](const std::vector<fs::path>& copies) { made = copies; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return made.has_value(); }, patience));
        EXPECT_EQ(made->size(), c.made);
        EXPECT_EQ(reports, c.reported.isEmpty() ? 0 : 1);
        EXPECT_EQ(reported, c.reported);
    }
}

} // namespace
} // namespace fen

#include "SaverTest.moc"
