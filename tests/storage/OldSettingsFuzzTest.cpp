#include "storage/OldVersionConverter.h"

#include "storage/OldSettingsTestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace fen {
namespace {

using namespace fen::test;

// Settings lists that reach every conversion: the full one, and one with values of unexpected
// types and ranges mixed in.
std::vector<std::string> seeds() {
    const char* odd = R"({
        "text_watermark_list": [{"Name": "T", "theList": [{"WaterMarkText": "A",
            "Orientation": -2, "ColorType": 4, "ColorR": 2.5, "FontSize": 1e300}]}],
        "stamp_watermark_list": ["x", "y"],
        "stamp_presets": {"s": {"Date": {"$date": -5}, "isDateCurrent": 1, "Size": -7.9}},
        "qrcode_watermark_list": [{"type": 4, "color_pixel": "0.1 nan inf 1"}],
        "other_watermark_list": ["[currentPage]/[lastPage]"],
        "other_presets": {"p": {"toPage": -1, "Style": 2.0, "OtherTitle": {"$data": "raw"}}},
        "image_presets": {"i": {"OriginalImage": "a.png", "Angle": true}}
    })";
    return {xml(pl(odd)), binary(pl(odd)), xml(fullSettings()), binary(fullSettings())};
}

// Converts one input as the launch would, without a store: every blob that comes out must be
// readable by the strict readers of the stored records.
size_t convertWithoutStore(const std::string& bytes) {
    auto root = OldSettingsValue::parse(bytes);
    if (!root || root->type() != OldSettingsValue::Type::dictionary) {
        return 0;
    }
    OldSettingsMapping::Environment environment;
    environment.startOfToday = Date{0};
    environment.imagesFolder = Url::fileURL("/nonexistent/Images");
    environment.saveImage = [](const Url&) { return std::optional<std::string>("IMAGE"); };
    auto kinds = OldVersionConverter::convertSettings(*root, environment);
    for (const auto& converted : kinds) {
        EXPECT_TRUE(converted.blob) << converted.key;
        if (!converted.blob) {
            continue;
        }
        EXPECT_NO_THROW({
            if (auto* kind = std::get_if<PresetStoreKind>(&converted.kind)) {
                readPresets(*kind, json::parse(*converted.blob));
            } else if (std::get<ListStoreKind>(converted.kind) == ListStoreKind::qrCode) {
                decodeJson<DBLists<ImageList>>(*converted.blob);
            } else {
                decodeJson<DBLists<StampList>>(*converted.blob);
            }
        }) << converted.key;
    }
    return kinds.size();
}

std::string mutate(std::string bytes, std::mt19937& random) {
    int edits = 1 + static_cast<int>(random() % 6);
    for (int e = 0; e < edits && !bytes.empty(); ++e) {
        size_t at = random() % bytes.size();
        switch (random() % 4) {
        case 0:
            bytes[at] = static_cast<char>(random());
            break;
        case 1:
            bytes[at] ^= static_cast<char>(1 << (random() % 8));
            break;
        case 2:
            bytes.insert(at, 1, static_cast<char>(random()));
            break;
        default:
            bytes.erase(at, 1 + random() % 3);
            break;
        }
    }
    return bytes;
}

TEST(OldSettingsFuzzTest, CutAndMutatedListsConvertWithoutCrashing) {
    std::mt19937 random(1123);
    size_t converted = 0;
    for (const std::string& seed : seeds()) {
        ASSERT_EQ(convertWithoutStore(seed), 7u);
        for (size_t length = 0; length < seed.size(); ++length) {
            converted += convertWithoutStore(seed.substr(0, length));
        }
        for (int round = 0; round < 2000; ++round) {
            converted += convertWithoutStore(mutate(seed, random));
        }
    }
    for (int round = 0; round < 2000; ++round) {
        std::string noise(random() % 200, '\0');
        for (char& c : noise) {
            c = static_cast<char>(random());
        }
        noise.insert(0, round % 2 ? "bplist00" : "<?xml version=\"1.0\"?><plist><dict>");
        converted += convertWithoutStore(noise);
    }
    // Many of the mutated lists still hold kinds to convert.
    EXPECT_GT(converted, 1000u);
}

} // namespace
} // namespace fen
