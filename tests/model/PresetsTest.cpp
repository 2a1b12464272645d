#include "model/Presets.h"
#include "model/DBLists.h"
#include "model/PresetRequests.h"
#include "platform/foundation/NotificationCenter.h"

#include <gtest/gtest.h>
#include <unordered_set>

using namespace fen;

namespace {

TextSettings sampleText() {
    return {Positions::diagonal, {"Helvetica Neue", "Bold", 48}, {{1, 0, 0, 1}, false}, 30, true};
}

template <typename T> JsonError decodeFailure(const std::string& text) {
    try {
        decodeJson<T>(text);
    } catch (const JsonError& error) {
        return error;
    }
    ADD_FAILURE() << text << " decoded";
    return JsonError(JsonError::Kind::dataCorrupted, "none");
}

} // namespace

TEST(Presets, EmptyContainerRoundTrips) {
    double before = Date::now().unixSeconds();
    Presets<StampPreset> empty;
    EXPECT_GE(empty.lastSaved, before);
    EXPECT_LE(empty.lastSaved, Date::now().unixSeconds());
    empty.lastSaved = 1709652600.25;
    EXPECT_EQ(encodeJson(empty), R"({"lastSaved":1709652600.25,"presets":[]})");
    EXPECT_EQ(decodeJson<Presets<StampPreset>>(encodeJson(empty)), empty);
}

TEST(Presets, TextPresetExactFormAndFreshIds) {
    TextPreset a{.name = "Draft", .textList = {"DRAFT", "COPY"}, .preset = sampleText()};
    TextPreset b{.name = "Draft"};
    EXPECT_TRUE(isUuidString(a.id));
    EXPECT_EQ(a.id, [&] {
        std::string upper = a.id;
        for (char& c : upper) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        return upper;
    }());
    EXPECT_NE(a.id, b.id);

    a.id = "00000000-0000-4000-8000-000000000001";
    Presets<TextPreset> container{1709652600.5, {a}};
    const std::string text =
        R"({"lastSaved":1709652600.5,"presets":[{"id":"00000000-0000-4000-8000-000000000001",)"
        R"("name":"Draft","textList":["DRAFT","COPY"],"preset":{"position":{"diagonal":{}},)"
        R"("font":{"familyname":"Helvetica Neue","style":"Bold","size":48},)"
        R"("colorOutline":{"color":"FF0000","isOutlined":false},"opacity":30,)"
        R"("isWatermarkInBackground":true}}]})";
    EXPECT_EQ(encodeJson(container), text);
    EXPECT_EQ(decodeJson<Presets<TextPreset>>(text), container);

    Json j = Json::parse(text);
    j["presets"][0].erase("textList");
    auto missing = decodeFailure<Presets<TextPreset>>(j.dump());
    EXPECT_EQ(missing.kind(), JsonError::Kind::keyNotFound);
    EXPECT_EQ(missing.pathString(), "presets[0].textList");

    j = Json::parse(text);
    j["presets"][0]["textList"][1] = 7;
    EXPECT_EQ(decodeFailure<Presets<TextPreset>>(j.dump()).pathString(), "presets[0].textList[1]");
}

TEST(Presets, OtherKindsRoundTrip) {
    ImagePreset image{.name = "Logo",
                      .imageID = "IMG-1",
                      .preset = {Url::fileURL("/tmp/logo.pdf"),
                                 Positions::topright,
                                 WMAngles::dp10,
                                 {80, 50},
                                 {5, 5},
                                 true}};
    Presets<ImagePreset> images{0, {image}};
    EXPECT_EQ(decodeJson<Presets<ImagePreset>>(encodeJson(images)), images);
    Json j = images;
    EXPECT_EQ(j["presets"][0]["imageID"], "IMG-1");
    j["presets"][0].erase("imageID");
    EXPECT_EQ(decodeFailure<Presets<ImagePreset>>(j.dump()).pathString(), "presets[0].imageID");

    StampPreset stamp{.name = "Paid"};
    stamp.preset.stampTextColor = StampTextColor{"PAID", {1, 0, 0, 1}};
    PageNumberPreset pages{.name = "Pages"};
    pages.preset.style = OtherStyles::style4;
    EXPECT_EQ(decodeJson<Presets<StampPreset>>(encodeJson(Presets<StampPreset>{1, {stamp}})),
              (Presets<StampPreset>{1, {stamp}}));
    EXPECT_EQ(
        decodeJson<Presets<PageNumberPreset>>(encodeJson(Presets<PageNumberPreset>{2, {pages}})),
        (Presets<PageNumberPreset>{2, {pages}}));
}

TEST(Presets, EmptyPresetsByStoreKind) {
    for (auto kind : {PresetStoreKind::stamp, PresetStoreKind::pageNumber, PresetStoreKind::text,
                      PresetStoreKind::image}) {
        AnyPresets container = emptyPresets(kind);
        EXPECT_EQ(presetStoreKind(container), kind);
        Json j = container;
        EXPECT_TRUE(j["presets"].empty());
        EXPECT_EQ(readPresets(kind, j), container);
    }
    EXPECT_TRUE(std::holds_alternative<Presets<TextPreset>>(emptyPresets(PresetStoreKind::text)));
    // A stamp blob does not read as text presets: the preset records differ.
    Presets<StampPreset> stamps{3, {StampPreset{.name = "S"}}};
    EXPECT_THROW(readPresets(PresetStoreKind::text, Json(stamps)), JsonError);
}

TEST(PresetRequests, PostedUnderTheScopedNamesWithTheirObjects) {
    const std::string documentID = newUuidString();
    std::vector<std::string> seen;
    auto& center = NotificationCenter::defaultCenter();
    auto save = center.addObserver("RequestToSavePreset_" + documentID, [&](const Notification& n) {
        auto object = std::any_cast<PresetSaveNotificationObject>(n.object);
        EXPECT_EQ(object, (PresetSaveNotificationObject{PresetsList::stamp, "Mine"}));
        seen.push_back("save");
    });
    auto load = center.addObserver("RequestToLoadPreset_" + documentID, [&](const Notification& n) {
        EXPECT_EQ(std::any_cast<PresetLoadNotificationObject>(n.object),
                  (PresetLoadNotificationObject{PresetsList::text, "ID-1"}));
        seen.push_back("load");
    });
    auto remove =
        center.addObserver("RequestToDeletePreset_" + documentID, [&](const Notification& n) {
            EXPECT_EQ(std::any_cast<PresetLoadNotificationObject>(n.object),
                      (PresetLoadNotificationObject{PresetsList::pagenumber, "ID-2"}));
            seen.push_back("delete");
        });
    postSavePresetRequest(PresetsList::stamp, "Mine", documentID);
    postLoadPresetRequest(PresetsList::text, "ID-1", documentID);
    postDeletePresetRequest(PresetsList::pagenumber, "ID-2", documentID);
    postSavePresetRequest(PresetsList::stamp, "Mine", "other-document");
    EXPECT_EQ(seen, (std::vector<std::string>{"save", "load", "delete"}));
}

TEST(PresetItem, EqualityAndHashingIncludeThePicture) {
    PresetItem plain{"1", "Logo", std::nullopt};
    PresetItem withPicture{"1", "Logo", Url::fileURL("/tmp/a.png")};
    EXPECT_NE(plain, withPicture);
    EXPECT_EQ(withPicture, (PresetItem{"1", "Logo", Url::fileURL("/tmp/a.png")}));
    std::unordered_set<PresetItem> items{plain, withPicture, PresetItem{"1", "Logo", std::nullopt}};
    EXPECT_EQ(items.size(), 2u);
    std::unordered_set<PresetLoadNotificationObject> objects{
        {PresetsList::text, "A"}, {PresetsList::image, "A"}, {PresetsList::text, "A"}};
    EXPECT_EQ(objects.size(), 2u);
}

TEST(DBLists, EntriesAndContainers) {
    StampList first{.name = "CONFIDENTIAL"};
    StampList second{.name = "CONFIDENTIAL"};
    EXPECT_TRUE(isUuidString(first.id));
    EXPECT_NE(first.id, second.id);

    DBLists<PageNumberList> empty{0, {}};
    EXPECT_EQ(encodeJson(empty), R"({"lastSaved":0.0,"lists":[]})");
    auto back = decodeJson<DBLists<PageNumberList>>(R"({"lastSaved":12.5,"lists":[]})");
    EXPECT_EQ(back.lastSaved, 12.5);
    EXPECT_TRUE(back.lists.empty());

    first.id = "A";
    DBLists<StampList> stamps{1.5, {first}};
    const std::string text = R"({"lastSaved":1.5,"lists":[{"id":"A","name":"CONFIDENTIAL"}]})";
    EXPECT_EQ(encodeJson(stamps), text);
    EXPECT_EQ(decodeJson<DBLists<StampList>>(text), stamps);
    EXPECT_EQ(decodeFailure<DBLists<StampList>>(R"({"lastSaved":1.5,"lists":[{"name":"X"}]})")
                  .pathString(),
              "lists[0].id");
    EXPECT_EQ(decodeFailure<DBLists<StampList>>(R"({"lists":[]})").kind(),
              JsonError::Kind::keyNotFound);
}

TEST(DBLists, QRCodeEntriesNeedTheirSettingButNotTheDates) {
    QRCodeStructure code;
    code.type = QRCodeTypes::dates;
    code.calendar_fromDate = Date{1000};
    ImageList entry{code.id, "Meeting", code};
    DBLists<ImageList> list{4, {entry}};
    Json j = list;
    EXPECT_EQ(decodeJson<DBLists<ImageList>>(j.dump()), list);
    j["lists"][0]["setting"].erase("calendar_fromDate");
    auto read = decodeJson<DBLists<ImageList>>(j.dump());
    EXPECT_FALSE(read.lists[0].setting.calendar_fromDate.has_value());
    j["lists"][0].erase("setting");
    EXPECT_EQ(decodeFailure<DBLists<ImageList>>(j.dump()).pathString(), "lists[0].setting");
}

TEST(JsonText, InvalidUtf8IsReplacedWhenWriting) {
    StampList entry{"A", "bad\xFF"};
    EXPECT_EQ(encodeJson(entry), "{\"id\":\"A\",\"name\":\"bad\xEF\xBF\xBD\"}");
}

TEST(JsonText, MalformedTextIsDataCorrupted) {
    auto error = decodeFailure<Presets<TextPreset>>("{\"lastSaved\":");
    EXPECT_EQ(error.kind(), JsonError::Kind::dataCorrupted);
    EXPECT_TRUE(error.codingPath().empty());
}
