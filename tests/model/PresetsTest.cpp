#include "model/Presets.h"
#include "model/DBLists.h"

#include "JsonTestSupport.h"

#include <gtest/gtest.h>

using namespace fen;
using namespace fen::test;
using K = JsonError::Kind;

TEST(Presets, ExactFormsAndPathsOfBadMembers) {
    TextPreset a{
        .name = "Draft",
        .textList = {"DRAFT", "COPY"},
        .preset = {
            Positions::diagonal, {"Helvetica Neue", "Bold", 48}, {{1, 0, 0, 1}, false}, 30, true}};
    EXPECT_TRUE(isUuidString(a.id));
    EXPECT_NE(a.id, TextPreset{}.id) << "each preset gets an identifier of its own";
    a.id = "00000000-0000-4000-8000-000000000001";
    const std::string text =
        R"({"lastSaved":1709652600.5,"presets":[{"id":"00000000-0000-4000-8000-000000000001",)"
        R"("name":"Draft","textList":["DRAFT","COPY"],"preset":{"position":{"diagonal":{}},)"
        R"("font":{"familyname":"Helvetica Neue","style":"Bold","size":48},)"
        R"("colorOutline":{"color":"FF0000","isOutlined":false},"opacity":30,)"
        R"("isWatermarkInBackground":true}}]})";
    expectJsonForm(Presets<TextPreset>{1709652600.5, {a}}, text);
    expectJsonForm(Presets<StampPreset>{1709652600.25, {}},
                   R"({"lastSaved":1709652600.25,"presets":[]})");
    Json j = Json::parse(text);
    j["presets"][0].erase("textList");
    expectDecodeFailure<Presets<TextPreset>>(j.dump(), K::keyNotFound, "presets[0].textList");
    j = Json::parse(text);
    j["presets"][0]["textList"][1] = 7;
    expectDecodeFailure<Presets<TextPreset>>(j.dump(), K::typeMismatch, "presets[0].textList[1]");
    expectDecodeFailure<Presets<TextPreset>>("{\"lastSaved\":", K::dataCorrupted, "");
}

TEST(Presets, ImagePresetRoundTripsWithItsPictureIdentifier) {
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
    expectDecodeFailure<Presets<ImagePreset>>(j.dump(), K::keyNotFound, "presets[0].imageID");
}

TEST(Presets, EmptyPresetsOfEachKindReadBackUnderTheirKindOnly) {
    for (auto kind : {PresetStoreKind::stamp, PresetStoreKind::pageNumber, PresetStoreKind::text,
                      PresetStoreKind::image}) {
        AnyPresets container = emptyPresets(kind);
        EXPECT_EQ(presetStoreKind(container), kind);
        Json j = container;
        EXPECT_TRUE(j["presets"].empty());
        EXPECT_EQ(readPresets(kind, j), container);
    }
    // A stamp blob does not read as text presets: the preset records differ.
    Presets<StampPreset> stamps{3, {StampPreset{.name = "S"}}};
    EXPECT_THROW(readPresets(PresetStoreKind::text, Json(stamps)), JsonError);
}

TEST(DBLists, ExactFormsAndRequiredMembers) {
    StampList first{.name = "CONFIDENTIAL"};
    EXPECT_TRUE(isUuidString(first.id));
    EXPECT_NE(first.id, StampList{}.id);
    expectJsonForm(DBLists<PageNumberList>{0, {}}, R"({"lastSaved":0.0,"lists":[]})");
    expectJsonForm(DBLists<StampList>{1.5, {{"A", "CONFIDENTIAL"}}},
                   R"({"lastSaved":1.5,"lists":[{"id":"A","name":"CONFIDENTIAL"}]})");
    expectDecodeFailure<DBLists<StampList>>(R"({"lastSaved":1.5,"lists":[{"name":"X"}]})",
                                            K::keyNotFound, "lists[0].id");
    expectDecodeFailure<DBLists<StampList>>(R"({"lists":[]})", K::keyNotFound, "lastSaved");
    // A QR code entry needs its setting, but not the setting's dates.
    QRCodeStructure code;
    code.type = QRCodeTypes::dates;
    code.calendar_fromDate = Date{1000};
    DBLists<ImageList> codes{4, {{code.id, "Meeting", code}}};
    Json j = codes;
    EXPECT_EQ(decodeJson<DBLists<ImageList>>(j.dump()), codes);
    j["lists"][0]["setting"].erase("calendar_fromDate");
    EXPECT_FALSE(decodeJson<DBLists<ImageList>>(j.dump()).lists[0].setting.calendar_fromDate);
    j["lists"][0].erase("setting");
    expectDecodeFailure<DBLists<ImageList>>(j.dump(), K::keyNotFound, "lists[0].setting");
}

// Writing never fails on bytes a user's file brought in.
TEST(DBLists, InvalidUtf8IsReplacedWhenWriting) {
    EXPECT_EQ(encodeJson(StampList{"A", "bad\xFF"}), "{\"id\":\"A\",\"name\":\"bad\xEF\xBF\xBD\"}");
}

// Nesting deeper than any record is refused as the text is read, before the deep value is built:
// building it (an ordered object copies a member's whole value as its member list grows) would
// overflow the stack.
TEST(Presets, NestingDeeperThanAnyRecordIsRefusedAsUnreadable) {
    auto nested = [](int depth) { return std::string(depth, '[') + std::string(depth, ']'); };
    auto stamp = [](const std::string& position) {
        return R"({"lastSaved":0,"presets":[{"id":"A","name":"S","preset":{"position":{"middle":)" +
               position + R"(},"angle":{"d0":{}}}}]})";
    };
    const std::pair<std::string, bool> cases[] = {
        {stamp(nested(300000)), false},
        {nested(json::maximumDepth + 1), false},
        {nested(json::maximumDepth), true},
    };
    for (const auto& [text, parses] : cases) {
        if (parses) {
            EXPECT_NO_THROW(json::parse(text));
            continue;
        }
        JsonError error = decodeFailure<Presets<StampPreset>>(text);
        EXPECT_EQ(error.kind(), K::dataCorrupted) << error.what();
        EXPECT_EQ(error.pathString(), "");
    }
}
