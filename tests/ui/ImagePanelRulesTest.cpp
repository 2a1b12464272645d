// The image panel's rules without a widget: the source row's handlers (a chosen QR code, "None",
// a change of the list, a file dropped or imported, Clear) and the rendering of a stored code,
// and the panel's local copies (load without write-back, one record per real change).
#include "model/QRCodeStructure.h"
#include "panels/ImageSourceLogic.h"
#include "panels/PanelImageLogic.h"
#include "storage/FenDatabaseManager.h"
#include "support/TestSupport.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>

namespace fen {
namespace {

const Url photo = Url::fileURL("/tmp/photo.png");

// The first pixel of the diagonal from the top left corner that is not the ground: where the
// finder pattern begins, after the quiet zone.
int firstModulePixel(const QImage& picture, const QColor& ground) {
    for (int i = 0; i < picture.width(); ++i) {
        const QColor c = picture.pixelColor(i, i);
        if (c.alpha() == 255 && c != ground) {
            return i;
        }
    }
    return -1;
}

std::vector<SPAOptions> codes() {
    return {SPAOptions::none(), {"A", "Site"}, {"B", "Card"}};
}

// A source row whose codes render to "/qr/<id>.png" (none for "broken"), recording its writes.
struct Source {
    std::vector<std::optional<Url>> writes;
    std::vector<std::string> rendered;
    ImageSourceLogic logic{[this](const std::optional<Url>& url) { writes.push_back(url); },
                           [this](const std::string& id) -> std::optional<Url> {
                               rendered.push_back(id);
                               if (id == "broken") {
                                   return std::nullopt;
                               }
                               return Url::fileURL("/qr/" + id + ".png");
                           }};
    Source(std::optional<Url> bound = std::nullopt) { logic.appear(bound, codes()); }
};

TEST(ImageSourceLogic, AppearingShowsTheListOnNoneAndWritesNothing) {
    for (const std::optional<Url>& bound : {std::optional<Url>(), std::optional<Url>(photo)}) {
        Source source(bound);
        EXPECT_EQ(source.logic.options(), codes());
        EXPECT_EQ(source.logic.selection(), SPAOptions::kNoneID);
        EXPECT_EQ(source.logic.imageUrl(), bound);
        EXPECT_TRUE(source.writes.empty());
        EXPECT_TRUE(source.rendered.empty());
    }
}

TEST(ImageSourceLogic, ChoosingAnEntryWritesItsPictureOrNone) {
    struct Case {
        std::optional<Url> bound;
        std::vector<std::string> choices;
        std::vector<std::optional<Url>> writes;
    };
    const Url a = Url::fileURL("/qr/A.png");
    const Url b = Url::fileURL("/qr/B.png");
    const std::vector<Case> cases = {
        // A code renders its picture; another code replaces it; "None" removes it.
        {std::nullopt, {"A", "B", SPAOptions::kNoneID}, {a, b, std::nullopt}},
        // "None" chosen by the user removes any picture, a dropped photo too.
        {photo, {"A", SPAOptions::kNoneID}, {a, std::nullopt}},
        // Choosing the chosen entry again does nothing; after "None" the code renders anew.
        {std::nullopt, {"A", "A", SPAOptions::kNoneID, "A"}, {a, std::nullopt, a}},
        // An unknown identifier or a failed rendering leaves no picture.
        {photo, {"broken"}, {std::nullopt}},
    };
    for (const Case& c : cases) {
        Source source(c.bound);
        for (const std::string& id : c.choices) {
            source.logic.selectionChosen(id);
        }
        EXPECT_EQ(source.writes, c.writes) << c.choices.size();
        EXPECT_EQ(source.logic.selection(), c.choices.back());
    }
}

TEST(ImageSourceLogic, AChangedListReturnsToNoneAndTakesOnlyTheCodesOwnPicture) {
    const Url a = Url::fileURL("/qr/A.png");
    std::vector<SPAOptions> added = codes();
    added.push_back({"C", "Mail"});
    struct Case {
        const char* what;
        std::function<void(ImageSourceLogic&)> before;
        std::optional<Url> picture; // after the list changed
        std::vector<std::optional<Url>> writes;
    };
    const std::vector<Case> cases = {
        {"a chosen code goes with the picker",
         [](ImageSourceLogic& l) { l.selectionChosen("A"); },
         std::nullopt,
         {a, std::nullopt}},
        {"a photo dropped after choosing a code stays",
         [](ImageSourceLogic& l) {
             l.selectionChosen("A");
             l.imageChosen(photo);
         },
         photo,
         {a, photo}},
        {"a preset's picture loaded after choosing a code stays",
         [](ImageSourceLogic& l) {
             l.selectionChosen("A");
             l.boundChanged(photo);
         },
         photo,
         {a}},
        {"a photo with the picker on none stays",
         [](ImageSourceLogic& l) { l.imageChosen(photo); },
         photo,
         {photo}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Source source;
        c.before(source.logic);
        source.logic.storeOptionsChanged(added);
        EXPECT_EQ(source.logic.options(), added);
        EXPECT_EQ(source.logic.selection(), SPAOptions::kNoneID);
        EXPECT_EQ(source.logic.imageUrl(), c.picture);
        EXPECT_EQ(source.writes, c.writes);
    }
}

TEST(ImageSourceLogic, AnEqualListKeepsThePickerAndThePicture) {
    // Only the colours or the content of the chosen code changed: the names are the same.
    Source source;
    source.logic.selectionChosen("A");
    source.logic.storeOptionsChanged(codes());
    EXPECT_EQ(source.logic.selection(), "A");
    EXPECT_EQ(source.logic.imageUrl(), Url::fileURL("/qr/A.png"));
    EXPECT_EQ(source.writes.size(), 1u);
}

TEST(ImageSourceLogic, ClearRemovesThePictureAndReturnsToNone) {
    Source source;
    source.logic.selectionChosen("B");
    source.logic.clear();
    EXPECT_EQ(source.logic.selection(), SPAOptions::kNoneID);
    EXPECT_EQ(source.logic.imageUrl(), std::nullopt);
    ASSERT_EQ(source.writes.size(), 2u);
    EXPECT_EQ(source.writes[1], std::nullopt);
    // Nothing more to clear: nothing written.
    source.logic.clear();
    EXPECT_EQ(source.writes.size(), 2u);
}

// Adds a code to the store, seeded first as the QR code list finds it.
void storeCode(const QRCodeStructure& code) {
    FenDatabaseManager::loadQRCodes();
    FenDatabaseManager::addQRCode(code);
}

TEST(ImageSourceLogic, AStoredCodeBecomesASquarePngOnItsRoundedGround) {
    QRCodeStructure code;
    code.itemname = "Site";
    code.type = QRCodeTypes::link;
    code.url_url = "harrowcote.example/visit";
    storeCode(code);
    const std::optional<Url> file = ImageSourceLogic::renderQRCode(code.id).url;
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(file->lastPathComponent(), "qrcode.png");
    const QImage picture(QString::fromStdString(file->path().string()));
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.width(), picture.height());
    EXPECT_LE(picture.width(), 800);
    EXPECT_GT(picture.width(), 700);
    const int side = picture.width();
    // Transparent outside the rounded corner, white inside the quiet zone, black in the finder.
    EXPECT_EQ(picture.pixelColor(1, 1).alpha(), 0);
    EXPECT_EQ(picture.pixelColor(side - 2, side - 2).alpha(), 0);
    EXPECT_EQ(picture.pixelColor(side / 2, 4), QColor(Qt::white));
    EXPECT_EQ(picture.pixelColor(4, side / 2), QColor(Qt::white));
    const int finder = firstModulePixel(picture, Qt::white);
    EXPECT_GT(finder, 40); // two modules of quiet zone
    EXPECT_LT(finder, side / 8);
    EXPECT_EQ(picture.pixelColor(finder + 2, finder + 2), QColor(Qt::black));

    // A reader finds the address, with the scheme the payload adds.
    test::TempDir dir;
    QImage flat(picture.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    {
        QPainter painter(&flat);
        painter.drawImage(0, 0, picture);
    }
    ASSERT_TRUE(flat.save(QString::fromStdString((dir / "flat.png").string())));
    const auto read = test::runCommand({"zbarimg", "-q", "--raw", (dir / "flat.png").string()});
    EXPECT_EQ(read.out, "https://harrowcote.example/visit\n");

    // An identifier that is not stored gives nothing.
    EXPECT_EQ(ImageSourceLogic::renderQRCode("no such code").url, std::nullopt);
    FenDatabaseManager::removeQRCode(code.id);
}

TEST(ImageSourceLogic, AForegroundAndBackgroundColourAreDrawn) {
    QRCodeStructure code;
    code.itemname = "Colours";
    code.type = QRCodeTypes::text;
    code.text_text = "Harrowcote";
    struct Case {
        const char* background;
        const char* foreground;
        QColor ground;
        QColor modules;
    };
    for (const Case& c : {
             Case{"FFFF00", "#0000FF", Qt::yellow, Qt::blue}, // read without "#" as well
             // Three digits as CSS reads them; one unreadable colour gives the new record's pair.
             Case{"#FF0", "00f", Qt::yellow, Qt::blue},
             Case{"#12345", "#FFF", Qt::white, Qt::black},
             Case{"#F0F", "#GGGGGG", Qt::white, Qt::black},
         }) {
        code.backgroundColor = c.background;
        code.foregroundColor = c.foreground;
        storeCode(code);
        const std::optional<Url> file = ImageSourceLogic::renderQRCode(code.id).url;
        ASSERT_TRUE(file.has_value());
        const QImage picture(QString::fromStdString(file->path().string()));
        const int side = picture.width();
        EXPECT_EQ(picture.pixelColor(side / 2, 4), c.ground) << c.background;
        const int finder = firstModulePixel(picture, c.ground);
        ASSERT_GT(finder, 0) << c.background;
        EXPECT_EQ(picture.pixelColor(finder + 2, finder + 2), c.modules) << c.foreground;
        FenDatabaseManager::removeQRCode(code.id);
    }
}

TEST(ImageSourceLogic, ACodeWithoutASymbolIsRefusedAndThePictureStays) {
    const Url a = Url::fileURL("/qr/A.png");
    std::vector<QRCodeGenerator::Content> told;
    std::vector<std::optional<Url>> writes;
    ImageSourceLogic logic([&writes](const std::optional<Url>& url) { writes.push_back(url); },
                           [](const std::string& id) -> ImageSourceLogic::Rendering {
                               if (id == "long") {
                                   return QRCodeGenerator::Content::tooLong;
                               }
                               if (id == "empty") {
                                   return QRCodeGenerator::Content::empty;
                               }
                               return std::optional<Url>(Url::fileURL("/qr/" + id + ".png"));
                           });
    logic.refused = [&told](QRCodeGenerator::Content content) { told.push_back(content); };
    logic.appear(photo, {SPAOptions::none(), {"A", "Site"}, {"long", "Long"}, {"empty", "Empty"}});
    logic.selectionChosen("long");
    EXPECT_EQ(logic.imageUrl(), photo);
    EXPECT_EQ(logic.selection(), SPAOptions::kNoneID);
    logic.selectionChosen("A");
    logic.selectionChosen("empty");
    EXPECT_EQ(logic.imageUrl(), a);
    EXPECT_EQ(logic.selection(), "A");
    EXPECT_TRUE(logic.showsQRCode());
    EXPECT_EQ(writes, std::vector<std::optional<Url>>{a});
    EXPECT_EQ(told, (std::vector<QRCodeGenerator::Content>{QRCodeGenerator::Content::tooLong,
                                                           QRCodeGenerator::Content::empty}));

    // From the store: a 5,000-character link and 1,600 × "é" pass a QR code's capacity, a
    // contact without fields is empty.
    QRCodeStructure code;
    code.type = QRCodeTypes::link;
    code.url_url = "https://harrowcote.example/" + std::string(4974, 'a');
    storeCode(code);
    EXPECT_EQ(ImageSourceLogic::renderQRCode(code.id).content, QRCodeGenerator::Content::tooLong);
    code.type = QRCodeTypes::text;
    code.text_text.clear();
    for (int i = 0; i < 1600; ++i) {
        code.text_text += "\u00E9";
    }
    FenDatabaseManager::removeQRCode(code.id);
    storeCode(code);
    EXPECT_EQ(ImageSourceLogic::renderQRCode(code.id).content, QRCodeGenerator::Content::tooLong);
    code.type = QRCodeTypes::people;
    FenDatabaseManager::removeQRCode(code.id);
    storeCode(code);
    EXPECT_EQ(ImageSourceLogic::renderQRCode(code.id).content, QRCodeGenerator::Content::empty);
    EXPECT_EQ(ImageSourceLogic::renderQRCode(code.id).url, std::nullopt);
    FenDatabaseManager::removeQRCode(code.id);
}

// The panel's local copies over a recorded binding.
struct Panel {
    std::vector<ImageSettings> writes;
    PanelImageLogic logic{[this](const ImageSettings& s) { writes.push_back(s); }, WMAngles::d0,
                          true};
};

ImageSettings record() {
    ImageSettings settings;
    settings.imageURL = photo;
    settings.position = Positions::topleft;
    settings.angle = WMAngles::d0;
    settings.sizeopacity = {100, 100};
    settings.distanceToEdge = {0, 0};
    settings.isWatermarkInBackground = true;
    return settings;
}

TEST(PanelImageLogic, LoadingARecordWritesNothingBack) {
    ImageSettings other;
    other.imageURL = Url::fileURL("/tmp/other.pdf");
    other.position = Positions::bottomright;
    other.angle = WMAngles::dp40;
    other.sizeopacity = {150, 30};
    other.distanceToEdge = {-20, 35};
    other.isWatermarkInBackground = false;
    for (const ImageSettings& loaded : {record(), other, record()}) {
        Panel panel;
        panel.logic.load(record());
        panel.logic.load(loaded);
        EXPECT_TRUE(panel.writes.empty());
        EXPECT_EQ(panel.logic.imageUrl(), loaded.imageURL);
        EXPECT_EQ(panel.logic.position(), loaded.position);
        EXPECT_EQ(panel.logic.selectionAngle(), loaded.angle);
        EXPECT_EQ(panel.logic.sizeOpacity(), loaded.sizeopacity);
        EXPECT_EQ(panel.logic.distanceToEdge(), loaded.distanceToEdge);
        EXPECT_EQ(panel.logic.isInBackground(), loaded.isWatermarkInBackground);
    }
}

TEST(PanelImageLogic, AControlWritesAWholeRecordOnlyForAValueTheRecordDoesNotHold) {
    struct Case {
        const char* what;
        std::function<void(PanelImageLogic&)> change;
        std::function<void(ImageSettings&)> expected; // none: nothing written
    };
    const std::vector<Case> cases = {
        {"the position held", [](PanelImageLogic& l) { l.setPosition(Positions::topleft); }, {}},
        {"another position", [](PanelImageLogic& l) { l.setPosition(Positions::middle); },
         [](ImageSettings& s) { s.position = Positions::middle; }},
        {"the angle held", [](PanelImageLogic& l) { l.setSelectionAngle(WMAngles::d0); }, {}},
        {"another angle", [](PanelImageLogic& l) { l.setSelectionAngle(WMAngles::dm60); },
         [](ImageSettings& s) { s.angle = WMAngles::dm60; }},
        {"the size held",
         [](PanelImageLogic& l) {
             l.setSizeOpacity({100, 100});
         },
         {}},
        {"a size of 200",
         [](PanelImageLogic& l) {
             l.setSizeOpacity({200, 100});
         },
         [](ImageSettings& s) {
             s.sizeopacity = {200, 100};
         }},
        {"the distance held",
         [](PanelImageLogic& l) {
             l.setDistanceToEdge({0, 0});
         },
         {}},
        {"another distance",
         [](PanelImageLogic& l) {
             l.setDistanceToEdge({0, -100});
         },
         [](ImageSettings& s) {
             s.distanceToEdge = {0, -100};
         }},
        {"the layer held", [](PanelImageLogic& l) { l.setIsInBackground(true); }, {}},
        {"in front", [](PanelImageLogic& l) { l.setIsInBackground(false); },
         [](ImageSettings& s) { s.isWatermarkInBackground = false; }},
        {"the picture held", [](PanelImageLogic& l) { l.setImageUrl(photo); }, {}},
        {"no picture", [](PanelImageLogic& l) { l.setImageUrl(std::nullopt); },
         [](ImageSettings& s) { s.imageURL.reset(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Panel panel;
        panel.logic.load(record());
        c.change(panel.logic);
        if (!c.expected) {
            EXPECT_TRUE(panel.writes.empty());
            continue;
        }
        ImageSettings expected = record();
        c.expected(expected);
        ASSERT_EQ(panel.writes.size(), 1u);
        EXPECT_EQ(panel.writes[0], expected);
        EXPECT_EQ(panel.logic.bound(), expected);
    }
}

TEST(PanelImageLogic, AnAutoAngleIsKeptUntilTheUserPicksOneOfTheThirteen) {
    const std::vector<WMAngles> angles = PanelImageLogic::angleItems();
    ASSERT_EQ(angles.size(), 13u);
    EXPECT_EQ(std::count(angles.begin(), angles.end(), WMAngles::auto_), 0);
    EXPECT_EQ(angles.front(), WMAngles::dm60);
    EXPECT_EQ(angles[6], WMAngles::d0);
    EXPECT_EQ(angles.back(), WMAngles::dp60);
    Panel panel;
    ImageSettings withAuto = record();
    withAuto.angle = WMAngles::auto_;
    panel.logic.load(withAuto);
    EXPECT_EQ(panel.logic.selectionAngle(), WMAngles::auto_);
    panel.logic.setPosition(Positions::bottomleft);
    ASSERT_EQ(panel.writes.size(), 1u);
    EXPECT_EQ(panel.writes[0].angle, WMAngles::auto_);
    panel.logic.setSelectionAngle(WMAngles::dp10);
    EXPECT_EQ(panel.writes.back().angle, WMAngles::dp10);
}

TEST(PanelImageLogic, OffersTheSevenPositionsWithoutNoneDiagonalOrPageSides) {
    EXPECT_EQ(PanelImageLogic::defaultPositionItems(),
              (std::vector<Positions>{Positions::topleft, Positions::topcenter, Positions::topright,
                                      Positions::middle, Positions::bottomleft,
                                      Positions::bottomcenter, Positions::bottomright}));
}

} // namespace
} // namespace fen
