// The segmented tab row (its bar rule, its bar after resizes), the image drop target, and the
// file dialogs of the pickers.
#include "UiTestSupport.h"

#include "controls/CustomSegmentedPickerView.h"
#include "controls/ImageImporter.h"
#include "controls/ToolBarViewButton.h"
#include "document/FelDocumentExportPicker.h"
#include "document/FelDocumentShareSheetView.h"
#include "export/NotificationDocumentCenter.h"
#include "panels/WatermarkListContainerView.h"
#include "storage/StoreTestSupport.h"
#include "support/PdfFixtures.h"
#include "support/SmallFileSystem.h"
#include "support/TemporaryDirectoryScope.h"
#include "support/TestSupport.h"
#include "ui/Theme.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <set>
#include <thread>

namespace {

using fen::test::TemporaryDirectoryScope;

TEST(SelectionBar, StartsUnderTheSelectedTabMeasuredFromTheFirst) {
    const std::vector<fen::TabFrame> three = {{100, 0, 80, 40}, {188, 0, 80, 40}, {276, 0, 80, 40}};
    const struct {
        std::vector<fen::TabFrame> frames;
        int selection;
        bool rightToLeft;
        double width;
        double padding;
    } cases[] = {
        {three, 2, false, 80, 176},
        {three, 0, false, 80, 0},
        {three, 2, true, 80, -176},
        {{{0, 0, 0, 0}, {0, 0, 0, 0}}, 1, false, 0, 0}, // not measured yet
        {three, 5, false, 0, 0},                        // out of range
    };
    for (const auto& c : cases) {
        const fen::SelectionBar bar = fen::selectionBar(c.frames, c.selection, c.rightToLeft);
        EXPECT_DOUBLE_EQ(bar.width, c.width);
        EXPECT_DOUBLE_EQ(bar.leadingPadding, c.padding);
    }
}

TEST(CustomSegmentedPickerView, BarFollowsTheSelectedTabAcrossResizesAndDirections) {
    for (const Qt::LayoutDirection direction : {Qt::LeftToRight, Qt::RightToLeft}) {
        SCOPED_TRACE(direction);
        QWidget window;
        window.setPalette(fen::ui::Theme::fixedPalette(false));
        window.setLayoutDirection(direction);
        auto* layout = new QVBoxLayout(&window);
        auto* picker =
            new fen::CustomSegmentedPickerView(0, {{"text", "Text", "character.textbox", 0},
                                                   {"image", "Image", "photo", 1},
                                                   {"stamp", "Stamp", "checkmark.rectangle", 2},
                                                   {"other", "Other", "123.rectangle", 3}});
        layout->addWidget(picker);
        window.resize(320, 80);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QSignalSpy edits(picker, &fen::CustomSegmentedPickerView::selectionEdited);

        auto* stamp = picker->button(2);
        QTest::mouseClick(stamp, Qt::LeftButton, {}, stamp->rect().center());
        ASSERT_EQ(edits.count(), 1);
        EXPECT_EQ(picker->selection(), 2);
        QTest::mouseClick(stamp, Qt::LeftButton, {}, stamp->rect().center());
        EXPECT_EQ(edits.count(), 1); // the selected tab again changes nothing

        for (const int width : {320, 600, 260}) {
            window.resize(width, 80);
            auto tabRect = [&] { return QRect(stamp->mapTo(picker, QPoint(0, 0)), stamp->size()); };
            EXPECT_TRUE(
                QTest::qWaitFor([&] { return picker->barGeometry().x() == tabRect().x(); }));
            EXPECT_EQ(picker->barGeometry().width(), stamp->width());
            // Accent under the selected tab, none under the first.
            const QImage grab = picker->grab().toImage();
            const int y = picker->barGeometry().center().y();
            const QColor accent = fen::ui::Theme::accent(window.palette());
            EXPECT_TRUE(fen::test::near(grab.pixelColor(tabRect().center().x(), y), accent));
            const QRect first(picker->button(0)->mapTo(picker, QPoint(0, 0)),
                              picker->button(0)->size());
            EXPECT_FALSE(fen::test::near(grab.pixelColor(first.center().x(), y), accent));
        }
    }
}

// A drop target over a shown view, and the drop of files on it.
struct DropFixture {
    QWidget view;
    fen::DroppableArea* area;
    DropFixture() {
        view.resize(200, 120);
        area = fen::ImageImporterModifier::apply(&view);
        view.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
    }
    bool drop(const std::vector<std::filesystem::path>& files) {
        return fen::test::dropFiles(area->target(), files);
    }
};

std::string pngBytes() {
    QImage picture(12, 8, QImage::Format_ARGB32);
    picture.fill(QColor(10, 200, 30, 128));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    return bytes.toStdString();
}

TEST(ImageDrop, StoresTheFirstDroppedPictureOrPdfInAFreshFileAndNothingElse) {
    TemporaryDirectoryScope tmp;
    fen::test::TempDir sources;
    const std::string png = pngBytes();
    const std::string pdf = fen::test::makeCairoTextPdf(1, 200, 200, 2);
    fen::test::writeFile(sources / "picture.png", png);
    fen::test::writeFile(sources / "page.pdf", pdf);
    fen::test::writeFile(sources / "notes.txt", "just text\n");
    const struct {
        const char* name;
        std::vector<std::filesystem::path> files;
        const char* fileName;
        std::string bytes;
    } cases[] = {
        {"png", {sources / "picture.png"}, "image", png},
        {"pdf", {sources / "page.pdf"}, "image.pdf", pdf},
        {"several, first taken", {sources / "page.pdf", sources / "picture.png"}, "image.pdf", pdf},
    };
    std::set<std::filesystem::path> folders;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DropFixture fixture;
        QSignalSpy edits(fixture.area, &fen::DroppableArea::imageUrlEdited);
        ASSERT_TRUE(fixture.drop(c.files));
        EXPECT_TRUE(QTest::qWaitFor([&] { return edits.count() == 1; }));
        ASSERT_TRUE(fixture.area->imageUrl());
        const std::filesystem::path stored = fixture.area->imageUrl()->path();
        EXPECT_EQ(stored.filename(), c.fileName);
        EXPECT_EQ(stored.parent_path().parent_path(), tmp.path());
        EXPECT_EQ(fen::test::readFile(stored), c.bytes);
        folders.insert(stored.parent_path());
    }
    EXPECT_EQ(folders.size(), std::size(cases)); // a new folder for every drop

    // A text file is refused as the drag comes in (the pointer says so), first or alone, and
    // stores nothing: the binding keeps its value.
    for (const auto& files : {std::vector<std::filesystem::path>{sources / "notes.txt"},
                              {sources / "notes.txt", sources / "picture.png"}}) {
        DropFixture fixture;
        const auto previous = fen::Url::fileURL("/nowhere/previous.png");
        fixture.area->setImageUrl(previous);
        QSignalSpy edits(fixture.area, &fen::DroppableArea::imageUrlEdited);
        EXPECT_FALSE(fixture.drop(files));
        QTest::qWait(30);
        EXPECT_EQ(edits.count(), 0);
        EXPECT_EQ(fixture.area->imageUrl(), previous);
        EXPECT_EQ(fixture.view.findChild<QDialog*>(), nullptr);
    }
}

TEST(ImageDrop, AWriteThatFailsSetsNoPictureAndSaysWhyInOneLine) {
    fen::test::TempDir sources;
    fen::test::writeFile(sources / "picture.png", pngBytes());
    // A temporary folder below a regular file cannot be made, whoever runs the test.
    fen::test::writeFile(sources / "plain-file", "x");
    // A full one takes the folder but not the picture (root alone may mount one).
    const fen::test::SmallFileSystem full(64 << 10);
    struct Case {
        const char* name;
        std::filesystem::path temporary;
        const char* reason;
    };
    std::vector<Case> cases = {
        {"below a file", sources / "plain-file" / "below", "Not a directory"}};
    if (full.mounted() && full.fill()) {
        cases.push_back({"full", full.path(), "No space left on device"});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryDirectoryScope tmp;
        setenv("TMPDIR", c.temporary.c_str(), 1);
        DropFixture fixture;
        fixture.area->setImageUrl(fen::Url::fileURL("/nowhere/previous.png"));
        QSignalSpy edits(fixture.area, &fen::DroppableArea::imageUrlEdited);
        testing::internal::CaptureStderr();
        EXPECT_TRUE(fixture.drop({sources / "picture.png"}));
        EXPECT_TRUE(QTest::qWaitFor([&] { return edits.count() == 1; }));
        EXPECT_FALSE(testing::internal::GetCapturedStderr().empty()); // the failure is printed
        EXPECT_FALSE(edits.at(0).at(0).value<std::optional<fen::Url>>().has_value());
        EXPECT_FALSE(fixture.area->imageUrl().has_value());
        auto* alert = fixture.view.findChild<QDialog*>();
        ASSERT_NE(alert, nullptr);
        EXPECT_TRUE(alert->isVisible());
        QStringList lines;
        for (QLabel* label : alert->findChildren<QLabel*>()) {
            lines << label->text();
        }
        EXPECT_TRUE(lines.contains("The picture could not be used"))
            << lines.join('|').toStdString();
        // The folder that could not be used is named, with the system's reason.
        const QString expected =
            QString::fromUtf8("The temporary folder \u201C%1\u201D could not be used: %2")
                .arg(QString::fromStdString(c.temporary.string()), c.reason);
        EXPECT_TRUE(lines.contains(expected)) << lines.join('|').toStdString();
        alert->reject();
    }
    if (!full.mounted()) {
        GTEST_SKIP() << "the case of a full temporary folder: " << full.refusal();
    }
}

TEST(ImageDrop, ANamedPipeOrDeviceIsNeverRead) {
    fen::test::TempDir sources;
    const std::filesystem::path pipe = sources / "picture.pdf";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    // A writer that would hand a reader of the pipe the start of a PDF file.
    std::signal(SIGPIPE, SIG_IGN);
    std::thread writer([&] {
        const int fd = ::open(pipe.c_str(), O_WRONLY);
        if (fd >= 0) {
            [[maybe_unused]] const ssize_t written = ::write(fd, "%PDF-1.4\n", 9);
            ::close(fd);
        }
    });
    for (const std::filesystem::path& file : {pipe, std::filesystem::path("/dev/zero")}) {
        SCOPED_TRACE(file.string());
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(file.string()))});
        // Refused as the drag comes in, without a byte read (the test would block otherwise).
        EXPECT_FALSE(fen::ImageDropDelegate::validateDrop(mime));
        EXPECT_FALSE(fen::ImageDropDelegate::firstItem(mime));
    }
    // Lets a writer still waiting for a reader finish.
    const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    writer.join();
    ::close(reader);
}

TEST(ImagePicker, APipeOrADeviceIsRefusedInOneLineBeforeItIsOpenedAndALinkToAPictureIsTaken) {
    TemporaryDirectoryScope tmp;
    fen::test::TempDir sources;
    // A pipe with no writer: opening it to read would wait for ever.
    const std::filesystem::path pipe = sources / "picture.png";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    // A picture chosen through a symbolic link is the picture it names.
    QImage red(4, 4, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(QString::fromStdString((sources / "red.png").string())));
    std::filesystem::create_symlink(sources / "red.png", sources / "link.png");
    QWidget window;
    window.show();
    const struct {
        std::filesystem::path file;
        bool refused;
    } cases[] = {{pipe, true}, {"/dev/zero", true}, {sources / "link.png", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file.string());
        const QString path = QString::fromStdString(c.file.string());
        fen::ImagePicker picker(nullptr, [path](QWidget*, auto done) { done(path); });
        QSignalSpy edits(&picker, &fen::ImagePicker::imageEdited);
        picker.present(&window);
        QDialog* alert = window.findChild<QDialog*>();
        if (!c.refused) {
            EXPECT_EQ(alert, nullptr);
            ASSERT_TRUE(QTest::qWaitFor([&] { return edits.count() == 1; }));
            EXPECT_TRUE(edits.first().first().value<std::optional<fen::Url>>().has_value());
            continue;
        }
        ASSERT_NE(alert, nullptr);
        QStringList lines;
        for (QLabel* label : alert->findChildren<QLabel*>()) {
            lines << label->text();
        }
        EXPECT_EQ(lines, (QStringList{"Choose a Picture",
                                      QString::fromUtf8("\u201C%1\u201D is not a regular file.")
                                          .arg(QString::fromStdString(c.file.filename()))}));
        QCoreApplication::processEvents();
        EXPECT_EQ(edits.count(), 0);
        delete alert;
    }
}

// Opens a file dialog over `window` through `open`, presses Return on a name that does not exist
// and, while the dialog's "not found" message runs, presses the dialog's own Cancel, then closes
// the message. True when the message came and the dialog was deleted only afterwards.
bool cancelUnderNotFoundMessage(QWidget& window, const std::function<void()>& open) {
    open();
    QPointer<QFileDialog> dialog = window.findChild<QFileDialog*>();
    if (!dialog) {
        return false;
    }
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    auto* buttons = dialog->findChild<QDialogButtonBox*>("buttonBox");
    if (!name || !buttons) {
        return false;
    }
    name->setText(QStringLiteral("no-such-name"));
    bool messageCame = false;
    bool survivedCancel = false;
    // Runs inside the message's own loop, which Return starts.
    QTimer::singleShot(0, [&] {
        QMessageBox* message = dialog ? dialog->findChild<QMessageBox*>() : nullptr;
        if (!message) {
            return;
        }
        messageCame = true;
        buttons->button(QDialogButtonBox::Cancel)->click();
        // The message's loop runs on a while before it is answered.
        QTimer::singleShot(200, [&, message = QPointer<QMessageBox>(message)] {
            survivedCancel = dialog != nullptr;
            if (message) {
                message->done(QMessageBox::Ok);
            }
        });
    });
    QTest::keyClick(name, Qt::Key_Return);
    return messageCame && survivedCancel && QTest::qWaitFor([&] { return dialog.isNull(); });
}

TEST(FileDialogs, CancelWhileTheirNotFoundMessageRunsDeletesThemOnlyAfterTheMessage) {
    TemporaryDirectoryScope tmp;
    QWidget window;
    window.resize(400, 300);
    window.show();

    // The picture pickers' dialog ("Import Image", "Choose a Picture").
    int answers = 0;
    std::optional<QString> answered = QStringLiteral("unset");
    const fen::ImagePicker::Chooser chooser =
        fen::ImagePicker::fileDialog(QStringLiteral("Import Image"), {QStringLiteral("*.png")});
    EXPECT_TRUE(cancelUnderNotFoundMessage(window, [&] {
        chooser(&window, [&](std::optional<QString> path) {
            ++answers;
            answered = path;
        });
    }));
    EXPECT_EQ(answers, 1);
    EXPECT_FALSE(answered);

    // The export picker's folder dialog.
    bool copied = false;
    EXPECT_TRUE(cancelUnderNotFoundMessage(window, [&] {
        fen::FelDocumentExportPicker::present(
            &window,
            {fen::Url::fileURL(tmp.path() / "a.pdf"), fen::Url::fileURL(tmp.path() / "b.pdf")},
            fen::FelDocumentExportPicker::systemDialogs(),
            [&](const std::vector<std::filesystem::path>&) { copied = true; }, tmp.path());
    }));
    QTest::qWait(50);
    EXPECT_FALSE(copied);

    // The text list's Import.
    auto* list = new fen::WatermarkListContainerView(
        fen::NotificationDocumentCenter::makeDocumentNotificationCenter(), &window);
    list->resize(380, 300);
    list->show();
    EXPECT_TRUE(cancelUnderNotFoundMessage(
        window, [&] { QTest::mouseClick(list->importButton(), Qt::LeftButton); }));
    EXPECT_TRUE(list->list().items().empty());
}

TEST(FileDialogs, TheReplaceQuestionKeepsTheFilesOnReturnAndNamesTheOpenedDocument) {
    const TemporaryDirectoryScope tmp;
    const std::filesystem::path sources = tmp.path() / "renders";
    const std::filesystem::path folder = tmp.path() / "documents";
    std::filesystem::create_directories(sources);
    std::filesystem::create_directories(folder);
    for (const char* name : {"report.pdf", "notes.pdf"}) {
        fen::test::writeFile(sources / name, "watermarked");
        fen::test::writeFile(folder / name, "original");
    }
    const std::filesystem::path opened = folder / "report.pdf";
    const QString openedLine = QStringLiteral("\u201Creport.pdf\u201D is the document open in "
                                              "this window.");
    QWidget window;
    window.resize(400, 300);
    window.show();
    // Return answers Cancel, which brings the dialog back where the user left it (there the test
    // chooses an empty folder); Escape keeps the files and ends the export.
    const struct Case {
        const char* name;
        std::vector<const char*> files;
        Qt::Key key;
        QString question;
        QString details;
        bool broughtBack;
    } cases[] = {
        {"the opened document, Return",
         {"report.pdf"},
         Qt::Key_Return,
         "Replace the existing file?",
         openedLine,
         true},
        {"another file, Return",
         {"notes.pdf"},
         Qt::Key_Return,
         "Replace the existing file?",
         "notes.pdf",
         true},
        {"the opened document, Escape",
         {"report.pdf"},
         Qt::Key_Escape,
         "Replace the existing file?",
         openedLine,
         false},
        {"several with the opened document, Return",
         {"notes.pdf", "report.pdf"},
         Qt::Key_Return,
         "Replace the existing files?",
         "notes.pdf\nreport.pdf\n\n" + openedLine,
         true},
        {"several with the opened document, Escape",
         {"notes.pdf", "report.pdf"},
         Qt::Key_Escape,
         "Replace the existing files?",
         "notes.pdf\nreport.pdf\n\n" + openedLine,
         false},
    };
    int round = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path elsewhere =
            tmp.path() / ("elsewhere" + std::to_string(++round));
        std::filesystem::create_directories(elsewhere);
        // Each opening of the dialog: the folder it starts in and the name it suggests.
        std::vector<std::pair<QString, QString>> opens;
        const auto chosen = [&] { return opens.size() == 1 ? folder : elsewhere; };
        fen::FelDocumentExportPicker::Dialogs dialogs =
            fen::FelDocumentExportPicker::systemDialogs();
        dialogs.chooseFile = [&](QWidget*, const QString& at, const QString& name,
                                 const fen::FelDocumentExportPicker::Answer& answer) {
            opens.emplace_back(at, name);
            answer(QString::fromStdString((chosen() / name.toStdString()).string()));
        };
        dialogs.chooseFolder = [&](QWidget*, const QString& at,
                                   const fen::FelDocumentExportPicker::Answer& answer) {
            opens.emplace_back(at, QString());
            answer(QString::fromStdString(chosen().string()));
        };
        std::vector<fen::Url> urls;
        std::vector<std::filesystem::path> expected;
        for (const char* file : c.files) {
            urls.push_back(fen::Url::fileURL(sources / file));
            if (c.broughtBack) {
                expected.push_back(elsewhere / file);
            }
        }
        std::optional<std::vector<std::filesystem::path>> made;
        fen::FelDocumentExportPicker::present(
            &window, urls, dialogs,
            [&](const std::vector<std::filesystem::path>& copies) { made = copies; }, folder,
            opened);
        // Closed, the alert deletes itself.
        QPointer<QDialog> alert = window.findChild<QDialog*>();
        ASSERT_TRUE(alert);
        const auto labels = alert->findChildren<QLabel*>();
        ASSERT_EQ(labels.size(), 2);
        EXPECT_EQ(labels[0]->text(), c.question);
        EXPECT_EQ(labels[1]->text(), c.details);
        QTest::keyClick(alert.data(), c.key);
        ASSERT_TRUE(QTest::qWaitFor([&] { return made.has_value(); }, 10000));
        EXPECT_EQ(*made, expected);
        const QString name = c.files.size() == 1 ? QString(c.files.front()) : QString();
        const QString start = QString::fromStdString(folder.string());
        const std::vector<std::pair<QString, QString>> expectedOpens(c.broughtBack ? 2 : 1,
                                                                     {start, name});
        EXPECT_EQ(opens, expectedOpens);
        for (const char* file : c.files) {
            EXPECT_EQ(fen::test::readFile(folder / file), "original") << file;
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return !alert; }));
    }
}

TEST(FileDialogs, CancelAtTheReplaceQuestionBringsTheExportDialogBackWithTheNameSelected) {
    const TemporaryDirectoryScope tmp;
    const std::filesystem::path folder = tmp.path() / "documents";
    std::filesystem::create_directories(folder);
    fen::test::writeFile(tmp.path() / "report.pdf", "watermarked");
    fen::test::writeFile(folder / "report.pdf", "original");
    QWidget window;
    window.resize(600, 400);
    ASSERT_TRUE(fen::test::showActive(window));
    std::optional<std::vector<std::filesystem::path>> made;
    fen::FelDocumentExportPicker::present(
        &window, {fen::Url::fileURL(tmp.path() / "report.pdf")},
        fen::FelDocumentExportPicker::systemDialogs(),
        [&](const std::vector<std::filesystem::path>& copies) { made = copies; }, folder);
    // Return, Return, then a name typed over the selection and Return.
    QPointer<QFileDialog> first;
    for (const auto& [step, keys] : std::vector<std::pair<const char*, QString>>{
             {"suggested", QString()}, {"brought back", QStringLiteral("copy")}}) {
        SCOPED_TRACE(step);
        QPointer<QFileDialog> dialog;
        ASSERT_TRUE(QTest::qWaitFor([&] {
            dialog = window.findChild<QFileDialog*>();
            return dialog && dialog != first && dialog->isVisible();
        }));
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(dialog->directory().absolutePath().toStdString(), folder.string());
        EXPECT_EQ(name->text(), "report.pdf");
        EXPECT_EQ(name->selectedText(), "report");
        EXPECT_TRUE(QTest::qWaitFor([&] { return name->hasFocus(); }));
        if (!keys.isEmpty()) {
            QTest::keyClicks(name, keys);
            QTest::keyClick(name, Qt::Key_Return);
            break;
        }
        QTest::keyClick(name, Qt::Key_Return);
        first = dialog;
        QPointer<QDialog> alert;
        ASSERT_TRUE(QTest::qWaitFor([&] {
            const auto dialogs = window.findChildren<QDialog*>();
            for (QDialog* d : dialogs) {
                if (d->accessibleName() == "Replace the existing file?" && d->isVisible()) {
                    alert = d;
                }
            }
            return alert != nullptr;
        }));
        QTest::keyClick(alert.data(), Qt::Key_Return);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return made.has_value(); }, 10000));
    EXPECT_EQ(*made, std::vector<std::filesystem::path>{folder / "copy.pdf"});
    EXPECT_EQ(fen::test::readFile(folder / "copy.pdf"), "watermarked");
    EXPECT_EQ(fen::test::readFile(folder / "report.pdf"), "original");
}

TEST(ShareSheet, AnOpeningTheDesktopCannotStartIsToldOverTheWindowWithTheReason) {
    QWidget window;
    window.resize(400, 300);
    window.show();
    const std::vector<fen::Url> urls = {fen::Url::fileURL("/renders/report_A.pdf"),
                                        fen::Url::fileURL("/renders/report_B.pdf")};
    const struct {
        const char* entry;
        bool opens;
        QStringList told;
    } cases[] = {
        {"Open",
         false,
         {"The files could not be opened",
          "report_A.pdf\nreport_B.pdf\n\nNo program to open PDF files could be started."}},
        {"Show in File Manager",
         false,
         {"The folder could not be shown", "/renders\n\nNo file manager could be started."}},
        {"Open", true, {}},
        {"Show in File Manager", true, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.entry) + (c.opens ? ", opened" : ", failed"));
        QStringList asked;
        using Opening = fen::FelDocumentShareSheetView::Opening;
        QPointer<QFrame> sheet = fen::FelDocumentShareSheetView::presentShareSheet(
            urls, nullptr, &window,
            [&](const QUrl& url, const std::function<void(Opening)>& reported) {
                asked << url.toLocalFile();
                reported({c.opens ? Opening::Result::opened : Opening::Result::notStarted});
            });
        ASSERT_TRUE(sheet);
        QPushButton* entry = nullptr;
        for (QPushButton* button : sheet->findChildren<QPushButton*>()) {
            if (button->text() == c.entry) {
                entry = button;
            }
        }
        ASSERT_NE(entry, nullptr);
        entry->click();
        EXPECT_FALSE(asked.isEmpty());
        QStringList told;
        if (auto* alert = window.findChild<QDialog*>()) {
            for (QLabel* label : alert->findChildren<QLabel*>()) {
                told << label->text();
            }
            delete alert;
        }
        EXPECT_EQ(told, c.told);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !sheet; }));
    }
}

TEST(ShareSheet, ADesktopOpenerThatEndsInFailureIsToldWithItsStatus) {
    const TemporaryDirectoryScope tmp;
    const std::filesystem::path calls = tmp.path() / "calls";
    const fen::test::ScopedEnv path("PATH", tmp.path().string() + ":" + std::getenv("PATH"));
    const std::vector<fen::Url> urls = {fen::Url::fileURL("/renders/report_A.pdf"),
                                        fen::Url::fileURL("/renders/report_B.pdf")};
    using Share = fen::FelDocumentShareSheetView;
    // A fake xdg-open on the PATH records what it was given and ends with `status`.
    const struct {
        decltype(&Share::openFiles) entry;
        int status;
        QString given;
        QStringList told;
    } cases[] = {
        {&Share::openFiles,
         3,
         "/renders/report_A.pdf /renders/report_B.pdf",
         {"The files could not be opened",
          "report_A.pdf\nreport_B.pdf\n\nThe desktop's opener (xdg-open) ended with status 3: no "
          "program to open PDF files is set up, or it failed."}},
        {&Share::showInFileManager,
         4,
         "/renders",
         {"The folder could not be shown",
          "/renders\n\nThe desktop's opener (xdg-open) ended with status 4: no file manager is set "
          "up, or it failed."}},
        {&Share::openFiles, 0, "/renders/report_A.pdf /renders/report_B.pdf", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        std::filesystem::remove(calls);
        fen::test::writeFile(tmp.path() / "xdg-open", "#!/bin/sh\necho \"$1\" >> '" +
                                                          calls.string() + "'\nexit " +
                                                          std::to_string(c.status) + "\n");
        std::filesystem::permissions(tmp.path() / "xdg-open", std::filesystem::perms::owner_all);
        std::optional<QStringList> told;
        // The first opening's report is held back until every other one is in, so the reports
        // come in another order than the openings were asked for, at every run. Patience enough
        // that a busy machine never counts a slow failure as an opening.
        struct Held {
            int asked = 0;
            int reported = 0;
            std::function<void()> first;
        };
        auto held = std::make_shared<Held>();
        const Share::Opener firstEndsLast = [held, desktop = Share::desktopOpener(600000)](
                                                const QUrl& url,
                                                std::function<void(Share::Opening)> reported) {
            const bool first = held->asked++ == 0;
            desktop(url, [held, first, reported](Share::Opening opening) {
                if (first) {
                    held->first = [reported, opening] { reported(opening); };
                } else {
                    reported(opening);
                }
                if (++held->reported == held->asked && held->first) {
                    std::exchange(held->first, nullptr)();
                }
            });
        };
        c.entry(urls, firstEndsLast, [&](const std::optional<Share::Failure>& failure) {
            told = failure ? QStringList{failure->title, failure->message} : QStringList{};
        });
        ASSERT_TRUE(QTest::qWaitFor([&] { return told.has_value(); }, 60000));
        EXPECT_EQ(*told, c.told);
        // The openings run side by side, in no set order.
        QStringList given = QString::fromStdString(fen::test::readFile(calls)).split('\n');
        given.removeAll(QString());
        given.sort();
        EXPECT_EQ(given.join(' '), c.given);
    }
}

} // namespace
