// The image panel's widgets: a picture or PDF file dropped on the preview or picked in the
// importer, a QR code chosen in the picker and a photo that outlives a change of the list, the
// page area's drop reaching the panel's record, Clear, an image preset saved and opened again,
// and a loaded record that writes nothing back.
#include "UiTestSupport.h"
#include "storage/StoreQueue.h"

#include "DocumentWindowFixture.h"
#include "controls/BackgroundForegroundView.h"
#include "controls/DistanceToEdgeView.h"
#include "controls/KvStepperTextfieldCombined.h"
#include "controls/PositionSelectorView.h"
#include "controls/SlidersBlock.h"
#include "controls/SpecialAdditionalGenericSelector.h"
#include "controls/TextInputs.h"
#include "controls/ToolBarViewButton.h"
#include "controls/WMAnglesView.h"
#include "document/ContentView.h"
#include "document/DocumentView.h"
#include "document/FelDocumentViewMain.h"
#include "document/FenDocumentView.h"
#include "document/FenPDFView.h"
#include "document/MainSettingsTabView.h"
#include "document/SettingsTabController.h"
#include "export/NotificationDocumentCenter.h"
#include "model/FenWatermarkModel.h"
#include "model/PresetRequests.h"
#include "panels/PanelImage.h"
#include "panels/QRCodeCreatorDetails.h"
#include "panels/QRCodeCreatorListView.h"
#include "panels/SavedListPanelSheet.h"
#include "panels/SpecialAdditionalImage.h"
#include "panels/SpecialAdditionalImageCenter.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Uuid.h"
#include "platform/image/ImageCodec.h"
#include "shell/KvDocument.h"
#include "storage/FenDatabaseManager.h"
#include "storage/MainSettingsImageHolder.h"
#include "storage/QRCodeDBModel.h"
#include "support/PdfFixtures.h"
#include "support/TemporaryDirectoryScope.h"
#include "support/TestSupport.h"
#include "support/WatermarkFixtures.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QStackedWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include <sys/stat.h>

namespace fen {
namespace {

namespace fs = std::filesystem;

using test::freshFolder;

QAbstractButton* buttonOf(QWidget* dialog, const QString& name) {
    for (auto* button : dialog->findChildren<QAbstractButton*>()) {
        if (button->accessibleName() == name || button->text() == name) {
            return button;
        }
    }
    return nullptr;
}

// Triggers the picker's entry titled `title`; false when there is none.
bool choose(SpecialAdditionalImage* source, const QString& title) {
    for (QAction* entry : source->selector()->menu()->actions()) {
        if (entry->text() == title) {
            entry->trigger();
            return true;
        }
    }
    return false;
}

// A document window on a one-page file, shown and loaded, whose "Image" page is at hand.
struct Window : test::DocumentWindow {
    FelDocumentViewMain* main = view->content()->body()->main();

    const ImageSettings& imageConf() const { return tab->controller().imageConf(); }
    PanelImage* panel() const {
        tab->controller().setTabSelection(1);
        return tab->imagePanel();
    }
};

// A panel over a record of its own, counting what it writes back.
struct Panel {
    std::shared_ptr<NotificationDocumentCenter> channel =
        NotificationDocumentCenter::makeDocumentNotificationCenter();
    std::shared_ptr<MainSettingsImageHolder> holder = std::make_shared<MainSettingsImageHolder>();
    ImageSettings record = SettingsTabController::defaultImageSettings();
    int writes = 0;
    // What the injected file dialog answers, and how often it was asked.
    std::optional<QString> answer;
    int asked = 0;
    QWidget host;
    PanelImage* panel;

    Panel() {
        panel = new PanelImage(
            channel, record,
            [this](const ImageSettings& settings) {
                record = settings;
                ++writes;
            },
            holder, PanelImageLogic::defaultPositionItems(), WMAngles::d0, true,
            [this](QWidget*, std::function<void(std::optional<QString>)> done) {
                ++asked;
                done(answer);
            },
            &host);
        host.resize(420, 760);
        host.show();
    }
    SpecialAdditionalImage* source() const { return panel->source(); }
    SpecialAdditionalImageCenter* center() const { return panel->source()->center(); }
};

TEST(PanelImage, APngOrAOnePagePdfDroppedOnThePreviewBecomesTheWatermark) {
    struct Case {
        const char* name;
        std::function<fs::path(const fs::path&)> make;
        const char* storedAs;
    };
    const std::vector<Case> cases = {
        {"a PNG",
         [](const fs::path& dir) {
             return test::writeSolidPng(dir / "photo.png", 40, 20, {0, 0, 1, 1});
         },
         "image"},
        {"a one-page PDF",
         [](const fs::path& dir) {
             test::writeFile(dir / "logo.pdf", test::wordPages(1, 200, 100, "Logo"));
             return dir / "logo.pdf";
         },
         "image.pdf"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Window window;
        const fs::path file = c.make(freshFolder());
        SpecialAdditionalImageCenter* center = window.panel()->source()->center();
        EXPECT_FALSE(center->image().has_value());
        ASSERT_TRUE(test::dropFiles(center, {file}));
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return window.imageConf().imageURL.has_value(); }, 60000));
        // A copy, in a folder of its own.
        const fs::path copy = window.imageConf().imageURL->path();
        EXPECT_EQ(copy.filename(), c.storedAs);
        EXPECT_NE(copy.parent_path(), file.parent_path());
        EXPECT_EQ(test::readFile(copy), test::readFile(file));
        // The window prepares the picture and the preview shows it.
        ASSERT_TRUE(QTest::qWaitFor([&] { return center->image().has_value(); }, 60000));
        EXPECT_TRUE(window.panel()->source()->clearButton()->isEnabled());
        EXPECT_TRUE(window.panel()->source()->saveButton()->isEnabled());
    }
}

TEST(PanelImage, AClickOpensTheInjectedDialogAndTheFileChosenIsUsedWhereItIs) {
    Panel p;
    const fs::path file = test::writeSolidPng(freshFolder() / "chosen.png", 8, 8, {1, 0, 0, 1});
    // Cancelled: nothing changes.
    QTest::mouseClick(p.center(), Qt::LeftButton);
    EXPECT_EQ(p.asked, 1);
    EXPECT_FALSE(p.center()->isImporting());
    EXPECT_EQ(p.writes, 0);
    // A file that cannot be read keeps the picture as it is.
    p.answer = QString::fromStdString((freshFolder() / "missing.png").string());
    QTest::mouseClick(p.center(), Qt::LeftButton);
    EXPECT_EQ(p.writes, 0);
    // A chosen file becomes the picture itself, no copy made.
    p.answer = QString::fromStdString(file.string());
    QTest::mouseClick(p.center(), Qt::LeftButton);
    EXPECT_EQ(p.asked, 3);
    ASSERT_EQ(p.writes, 1);
    EXPECT_EQ(p.record.imageURL, Url::fileURL(file));
    EXPECT_EQ(p.record.position, Positions::topleft);
    EXPECT_EQ(p.record.sizeopacity, (SizeOpacitySetting{100, 100}));
    EXPECT_EQ(p.source()->logic().imageUrl(), Url::fileURL(file));
}

TEST(PanelImage, APipeOrADeviceChosenInTheDialogIsRefusedInOneLine) {
    Panel p;
    const fs::path pipe = freshFolder() / "picture.png";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const fs::path& file : {pipe, fs::path("/dev/zero")}) {
        SCOPED_TRACE(file.string());
        p.answer = QString::fromStdString(file.string());
        QTest::mouseClick(p.center(), Qt::LeftButton);
        QDialog* alert = p.center()->importAlert();
        ASSERT_NE(alert, nullptr);
        EXPECT_TRUE(alert->isVisible());
        QStringList lines;
        for (QLabel* label : alert->findChildren<QLabel*>()) {
            lines << label->text();
        }
        EXPECT_EQ(lines, (QStringList{"Import Image",
                                      QString::fromUtf8("\u201C%1\u201D is not a regular file.")
                                          .arg(QString::fromStdString(file.filename()))}));
        EXPECT_EQ(p.writes, 0);
        EXPECT_FALSE(p.source()->logic().imageUrl());
        QTest::keyClick(alert, Qt::Key_Escape);
    }
}

TEST(PanelImage, ADropWhoseCopyFailsLeavesNoPictureAndSaysWhy) {
    test::TemporaryDirectoryScope tmp;
    const fs::path chosen = test::writeSolidPng(freshFolder() / "chosen.png", 8, 8, {1, 0, 0, 1});
    const fs::path dropped = test::writeSolidPng(freshFolder() / "dropped.png", 8, 8, {0, 1, 0, 1});
    test::TempDir sources;
    test::writeFile(sources / "plain-file", "x");
    // On the preview: the picture chosen before goes.
    {
        Panel p;
        p.answer = QString::fromStdString(chosen.string());
        QTest::mouseClick(p.center(), Qt::LeftButton);
        ASSERT_EQ(p.record.imageURL, Url::fileURL(chosen));
        // A temporary folder below a regular file cannot be made.
        setenv("TMPDIR", (sources / "plain-file" / "below").c_str(), 1);
        testing::internal::CaptureStderr();
        ASSERT_TRUE(test::dropFiles(p.center(), {dropped}));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !p.record.imageURL.has_value(); }, 60000));
        testing::internal::GetCapturedStderr();
        EXPECT_FALSE(p.source()->logic().imageUrl().has_value());
        auto* alert = p.host.findChild<QDialog*>();
        ASSERT_NE(alert, nullptr);
        EXPECT_TRUE(alert->isVisible());
        alert->reject();
        setenv("TMPDIR", tmp.path().c_str(), 1);
    }
    // On the page area: the picture dropped before goes.
    Window window;
    ASSERT_TRUE(test::dropFiles(window.main->pdfArea()->dropArea()->target(), {chosen}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.imageConf().imageURL.has_value(); }, 60000));
    setenv("TMPDIR", (sources / "plain-file" / "below").c_str(), 1);
    testing::internal::CaptureStderr();
    ASSERT_TRUE(test::dropFiles(window.main->pdfArea()->dropArea()->target(), {dropped}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.imageConf().imageURL.has_value(); }, 60000));
    testing::internal::GetCapturedStderr();
    setenv("TMPDIR", tmp.path().c_str(), 1);
    auto* alert = window.main->window()->findChild<QDialog*>();
    ASSERT_NE(alert, nullptr);
    alert->reject();
}

TEST(PanelImage, AChosenCodeIsDrawnAndAPhotoDroppedAfterItOutlivesANewCode) {
    Panel p;
    // A code's picture goes with a change of the list.
    ASSERT_TRUE(choose(p.source(), "Harrowcote Website"));
    ASSERT_TRUE(p.record.imageURL.has_value());
    EXPECT_EQ(p.record.imageURL->lastPathComponent(), "qrcode.png");
    EXPECT_TRUE(fs::is_regular_file(p.record.imageURL->path()));
    p.source()->dbModel().addQRCode("Menu " + newUuidString());
    EXPECT_EQ(p.source()->logic().selection(), SPAOptions::kNoneID);
    EXPECT_FALSE(p.record.imageURL.has_value());
    EXPECT_FALSE(p.source()->clearButton()->isEnabled());
    EXPECT_FALSE(p.source()->saveButton()->isEnabled());
    EXPECT_TRUE(p.source()->openButton()->isEnabled());

    // A photo dropped after choosing a code stays when another code is added.
    ASSERT_TRUE(choose(p.source(), "Harrowcote Website"));
    const Url code = p.record.imageURL.value();
    const fs::path photo = test::writeSolidPng(freshFolder() / "photo.png", 12, 12, {0, 1, 0, 1});
    ASSERT_TRUE(test::dropFiles(p.center(), {photo}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.record.imageURL != code; }, 60000));
    const std::optional<Url> dropped = p.record.imageURL;
    ASSERT_TRUE(dropped.has_value());
    EXPECT_EQ(test::readFile(dropped->path()), test::readFile(photo));
    const int writes = p.writes;
    p.source()->dbModel().addQRCode("Card " + newUuidString());
    EXPECT_EQ(p.source()->logic().selection(), SPAOptions::kNoneID);
    EXPECT_EQ(p.record.imageURL, dropped);
    EXPECT_EQ(p.writes, writes);

    // "None" chosen by the user removes it.
    ASSERT_TRUE(choose(p.source(), "Harrowcote Website"));
    ASSERT_TRUE(choose(p.source(), "None"));
    EXPECT_FALSE(p.record.imageURL.has_value());
}

TEST(PanelImage, ACodeWithoutContentIsRefusedWithAnAlertAndThePictureStays) {
    Panel p;
    // A code added by name is a contact without fields: it makes no symbol.
    const std::string empty = "Empty " + newUuidString();
    p.source()->dbModel().addQRCode(empty);
    ASSERT_TRUE(choose(p.source(), "Harrowcote Website"));
    const std::optional<Url> picture = p.record.imageURL;
    ASSERT_TRUE(picture.has_value());
    const std::string chosen = p.source()->logic().selection();
    const int writes = p.writes;
    ASSERT_TRUE(choose(p.source(), QString::fromStdString(empty)));
    EXPECT_EQ(p.record.imageURL, picture);
    EXPECT_EQ(p.writes, writes);
    EXPECT_EQ(p.source()->logic().selection(), chosen);
    ASSERT_NE(p.source()->refusal(), nullptr);
    QStringList lines;
    for (QLabel* label : p.source()->refusal()->findChildren<QLabel*>()) {
        lines << label->text();
    }
    EXPECT_TRUE(lines.contains("This QR code has no content.")) << lines.join('|').toStdString();
    buttonOf(p.source()->refusal(), "OK")->click();
    EXPECT_TRUE(QTest::qWaitFor([&p] { return p.source()->refusal() == nullptr; }, 60000));
}

TEST(PanelImage, CustomizeListOpensTheQrCodesSheetOverTheRowsOwnCodes) {
    Panel p;
    ASSERT_TRUE(choose(p.source(), "Harrowcote Website"));
    ASSERT_TRUE(p.record.imageURL.has_value());
    ASSERT_TRUE(choose(p.source(), "Customize List"));
    SpecialAdditionalGenericSelector* selector = p.source()->selector();
    ASSERT_TRUE(selector->isPresented());
    QDialog* sheet = selector->sheet();
    EXPECT_EQ(sheet->windowTitle(), "QR Codes");
    EXPECT_TRUE(sheet->isVisible());
    // A code added there reaches the picker, which returns to "None" with the code's picture.
    auto* list = sheet->findChild<QRCodeCreatorListView*>();
    ASSERT_NE(list, nullptr);
    const QString name = QStringLiteral("Site ") + QString::fromStdString(newUuidString());
    QTest::keyClicks(list->field()->lineEdit(), name);
    QTest::keyClick(list->field()->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(p.source()->logic().options().back().title, name.toStdString());
    EXPECT_EQ(p.source()->logic().selection(), SPAOptions::kNoneID);
    EXPECT_FALSE(p.record.imageURL.has_value());
    // "Done" closes it, and it opens again.
    buttonOf(sheet, "Done")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !selector->isPresented(); }, 60000));
    ASSERT_TRUE(choose(p.source(), "Customize List"));
    EXPECT_TRUE(selector->isPresented());
}

TEST(PanelImage, AnImageDroppedOnThePageAreaReachesTheRecordAndClearRemovesIt) {
    Window window;
    // Dropped before the image panel was ever shown: the panel is built with it.
    ASSERT_EQ(window.tab->imagePanel(), nullptr);
    const fs::path png = test::writeSolidPng(freshFolder() / "page.png", 30, 30, {1, 0, 0, 1});
    ASSERT_TRUE(test::dropFiles(window.main->pdfArea()->dropArea()->target(), {png}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.imageConf().imageURL.has_value(); }, 60000));
    EXPECT_EQ(test::readFile(window.imageConf().imageURL->path()), test::readFile(png));
    PanelImage* panel = window.tab->imagePanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(window.tab->panels()->currentIndex(), 1);
    EXPECT_EQ(panel->logic().imageUrl(), window.imageConf().imageURL);
    EXPECT_EQ(panel->source()->logic().imageUrl(), window.imageConf().imageURL);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return panel->source()->center()->image().has_value(); }, 60000));

    // A second drop on the page, the panel built: it takes it itself.
    const fs::path other = test::writeSolidPng(freshFolder() / "other.png", 20, 10, {0, 0, 1, 1});
    const std::optional<Url> first = window.imageConf().imageURL;
    ASSERT_TRUE(test::dropFiles(window.main->pdfArea()->dropArea()->target(), {other}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.imageConf().imageURL != first; }, 60000));
    EXPECT_EQ(test::readFile(window.imageConf().imageURL->path()), test::readFile(other));

    // "Clear" removes the watermark and the preview returns to its text.
    QTest::mouseClick(panel->source()->clearButton(), Qt::LeftButton);
    EXPECT_FALSE(window.imageConf().imageURL.has_value());
    EXPECT_FALSE(panel->source()->clearButton()->isEnabled());
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !panel->source()->center()->image().has_value(); }, 60000));
}

TEST(PanelImage, TheMessageOfAnotherWindowChangesNothingAndOneWithoutAFileClears) {
    Panel p;
    const Url file = Url::fileURL("/tmp/external.png");
    auto post = [](const std::string& id, std::any object) {
        NotificationCenter::defaultCenter().post(
            NotificationDocumentCenter::scopedName("ExternalImageURL_", id), std::move(object));
    };
    post(newUuidString(), file);
    EXPECT_EQ(p.writes, 0);
    post(p.channel->id(), file);
    ASSERT_EQ(p.writes, 1);
    EXPECT_EQ(p.record.imageURL, file);
    post(p.channel->id(), std::string("not an address"));
    EXPECT_EQ(p.writes, 2);
    EXPECT_FALSE(p.record.imageURL.has_value());
}

TEST(PanelImage, ThePreviewFollowsTheImageMessageAndKeepsTheLastPictureInTheHolder) {
    Panel p;
    EXPECT_FALSE(p.center()->image().has_value());
    EXPECT_EQ(p.center()->accessibleName(), "Import Image");
    const QPoint middle = p.center()->rect().center();
    const fs::path png = test::writeSolidPng(freshFolder() / "red.png", 50, 50, {1, 0, 0, 1});
    const std::optional<gfx::Image> red = gfx::ImageCodec::decodeFile(png);
    ASSERT_TRUE(red.has_value());
    const std::string name = p.channel->scopedName("ImageImage_");

    // Another window's picture is not shown.
    NotificationCenter::defaultCenter().post(
        NotificationDocumentCenter::scopedName("ImageImage_", newUuidString()), *red);
    EXPECT_FALSE(p.center()->image().has_value());

    NotificationCenter::defaultCenter().post(name, *red);
    ASSERT_TRUE(p.center()->image().has_value());
    ASSERT_TRUE(p.holder->imageImage.has_value());
    EXPECT_TRUE(test::near(test::pixel(*p.center(), middle), Qt::red));
    // A section built later starts from the holder's picture.
    SpecialAdditionalImageCenter later(p.holder, p.channel);
    EXPECT_TRUE(later.image().has_value());

    // Without a picture: the placeholder again, and the holder emptied.
    NotificationCenter::defaultCenter().post(name);
    EXPECT_FALSE(p.center()->image().has_value());
    EXPECT_FALSE(p.holder->imageImage.has_value());
    EXPECT_FALSE(later.image().has_value());
    EXPECT_FALSE(test::near(test::pixel(*p.center(), middle), Qt::red, 60));
}

TEST(PanelImage, LoadingARecordThatDiffersInEveryFieldWritesNothingBack) {
    Panel p;
    ImageSettings other;
    other.imageURL = Url::fileURL("/tmp/loaded.pdf");
    other.position = Positions::bottomright;
    other.angle = WMAngles::dp40;
    other.sizeopacity = {180, 25};
    other.distanceToEdge = {-30, 45};
    other.isWatermarkInBackground = false;
    p.panel->setImageConf(other);
    EXPECT_EQ(p.writes, 0);
    EXPECT_EQ(p.panel->position()->position(), Positions::bottomright);
    EXPECT_EQ(p.panel->angles()->picker()->currentText(), QStringLiteral("40º"));
    EXPECT_EQ(p.panel->sizeOpacity()->value(), other.sizeopacity);
    EXPECT_EQ(p.panel->distanceToEdge()->value(), other.distanceToEdge);
    EXPECT_FALSE(p.panel->layer()->isInBackground());
    EXPECT_EQ(p.source()->logic().imageUrl(), other.imageURL);
    EXPECT_TRUE(p.source()->clearButton()->isEnabled());
    // The angle picker offers the thirteen angles; the size row runs to 200.
    EXPECT_EQ(p.panel->angles()->picker()->count(), 13);
    EXPECT_EQ(p.panel->angles()->picker()->findText("Auto"), -1);
    EXPECT_EQ(p.panel->sizeOpacity()->sizeRow()->control()->maxValue(), 200);
}

TEST(PanelImage, AnImagePresetSavedAndOpenedAgainBringsBackItsPicture) {
    auto channel = NotificationDocumentCenter::makeDocumentNotificationCenter();
    MainSettingsTabView tab(channel, std::make_shared<FenWatermarkModel>());
    tab.show();
    tab.controller().setTabSelection(1);
    PanelImage* panel = tab.imagePanel();
    ASSERT_NE(panel, nullptr);
    const fs::path png = test::writeSolidPng(freshFolder() / "logo.png", 24, 16, {0, 0.5, 1, 1});
    ASSERT_TRUE(test::dropFiles(panel->source()->center(), {png}));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return tab.controller().imageConf().imageURL.has_value(); }, 60000));
    panel->angles()->picker()->setCurrentIndex(2);
    Q_EMIT panel->angles()->picker()->activated(2);
    const ImageSettings saved = tab.controller().imageConf();

    // "Save", a name, OK.
    const std::string name = "Logo " + newUuidString();
    QTest::mouseClick(panel->source()->saveButton(), Qt::LeftButton);
    QDialog* alert = panel->source()->nameAlert();
    ASSERT_NE(alert, nullptr);
    QTest::keyClicks(alert->findChild<QLineEdit*>(), QString::fromStdString(name));
    buttonOf(alert, "OK")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel->source()->nameAlert() == nullptr; }, 60000));
    ASSERT_TRUE(StoreQueue::shared().waitUntilIdle(std::chrono::seconds(10)));

    // Another picture, then the preset opened from "Open".
    QTest::mouseClick(panel->source()->clearButton(), Qt::LeftButton);
    ASSERT_FALSE(tab.controller().imageConf().imageURL.has_value());
    QTest::mouseClick(panel->source()->openButton(), Qt::LeftButton);
    QDialog* sheet = panel->source()->presetsSheet();
    ASSERT_NE(sheet, nullptr);
    QListWidget* rows = sheet->findChild<SavedListPanelSheet*>()->list();
    const auto found = rows->findItems(QString::fromStdString(name), Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    rows->setCurrentItem(found.front());
    buttonOf(sheet, "Open")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel->source()->presetsSheet() == nullptr; }, 60000));

    const ImageSettings opened = tab.controller().imageConf();
    ASSERT_TRUE(opened.imageURL.has_value());
    const QImage back(QString::fromStdString(opened.imageURL->path().string()));
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.size(), QSize(24, 16));
    EXPECT_EQ(back.pixelColor(5, 5), QImage(QString::fromStdString(png.string())).pixelColor(5, 5));
    EXPECT_EQ(opened.angle, saved.angle);
    EXPECT_EQ(opened.position, saved.position);
    EXPECT_EQ(opened.sizeopacity, saved.sizeopacity);
    // The panel shows it.
    EXPECT_EQ(panel->logic().imageUrl(), opened.imageURL);
    EXPECT_EQ(panel->source()->logic().imageUrl(), opened.imageURL);
    EXPECT_EQ(panel->angles()->picker()->currentText(), QStringLiteral("-40º"));
    EXPECT_TRUE(panel->source()->saveButton()->isEnabled());
    for (const PresetItem& item : FenDatabaseManager::listImagePresetItems()) {
        if (item.title == name) {
            postDeletePresetRequest(PresetsList::image, item.id, channel->id());
        }
    }
    ASSERT_TRUE(StoreQueue::shared().waitUntilIdle(std::chrono::seconds(10)));
}

TEST(PanelImage, ClosingTheWindowWithTheQrCodesSheetOpenKeepsTheNameBeingTyped) {
    auto* window = new QWidget;
    auto* source = new SpecialAdditionalImage(
        std::nullopt, [](const std::optional<Url>&) {}, std::make_shared<MainSettingsImageHolder>(),
        NotificationDocumentCenter::makeDocumentNotificationCenter(), {}, window);
    window->resize(420, 200);
    window->show();
    ASSERT_TRUE(choose(source, "Customize List"));
    QDialog* sheet = source->selector()->sheet();
    ASSERT_NE(sheet, nullptr);
    auto* list = sheet->findChild<QRCodeCreatorListView*>();
    ASSERT_NE(list, nullptr);
    const QString name = QStringLiteral("Closing ") + QString::fromStdString(newUuidString());
    QTest::keyClicks(list->field()->lineEdit(), name);
    QTest::keyClick(list->field()->lineEdit(), Qt::Key_Return);
    for (QAbstractButton* row : list->rows()) {
        if (row->accessibleName() == name) {
            row->click();
        }
    }
    ASSERT_NE(list->editor(), nullptr);
    const std::string id = list->editor()->state().qrcode().id;
    list->editor()->nameField()->setText(name + QStringLiteral(" renamed"));
    // The window goes with the row, its list of codes and the sheet over it.
    delete window;
    const std::vector<QRCodeStructure> codes = FenDatabaseManager::loadQRCodes();
    const auto stored = std::find_if(codes.begin(), codes.end(),
                                     [&](const QRCodeStructure& entry) { return entry.id == id; });
    ASSERT_NE(stored, codes.end());
    EXPECT_EQ(stored->itemname, (name + QStringLiteral(" renamed")).toStdString());
    FenDatabaseManager::removeQRCode(id);
}

} // namespace
} // namespace fen
