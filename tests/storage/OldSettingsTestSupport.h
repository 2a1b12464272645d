#pragma once

#include "model/Json.h"

#include <plist/plist.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace fen::test {

// A property list written as JSON, for the tests of the earlier version's settings: objects
// become dictionaries (in their order), arrays arrays, whole numbers integers, other numbers
// reals; {"$date": seconds since 2001} gives a date and {"$data": "bytes"} data. The caller owns
// the node; xml() and binary() free the root they are given.
inline plist_t pl(const Json& j) {
    if (j.is_object() && j.size() == 1 && j.contains("$date")) {
        return plist_new_date(j["$date"].get<int32_t>(), 0);
    }
    if (j.is_object() && j.size() == 1 && j.contains("$data")) {
        const std::string& bytes = j["$data"].get_ref<const std::string&>();
        return plist_new_data(bytes.data(), bytes.size());
    }
    if (j.is_object()) {
        plist_t dict = plist_new_dict();
        for (const auto& [key, member] : j.items()) {
            plist_dict_set_item(dict, key.c_str(), pl(member));
        }
        return dict;
    }
    if (j.is_array()) {
        plist_t array = plist_new_array();
        for (const Json& item : j) {
            plist_array_append_item(array, pl(item));
        }
        return array;
    }
    if (j.is_boolean()) {
        return plist_new_bool(j.get<bool>() ? 1 : 0);
    }
    if (j.is_number_integer()) {
        return plist_new_uint(static_cast<uint64_t>(j.get<std::int64_t>()));
    }
    if (j.is_number()) {
        return plist_new_real(j.get<double>());
    }
    return plist_new_string(j.get_ref<const std::string&>().c_str());
}
inline plist_t pl(const char* json) {
    return pl(Json::parse(json));
}

inline std::string xml(plist_t root) {
    char* text = nullptr;
    uint32_t length = 0;
    plist_to_xml(root, &text, &length);
    std::string result(text, length);
    std::free(text);
    plist_free(root);
    return result;
}

inline std::string binary(plist_t root) {
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &bytes, &length);
    std::string result(bytes, length);
    std::free(bytes);
    plist_free(root);
    return result;
}

// A settings file of the earlier version holding each of the seven keys, plus one it never had.
inline plist_t fullSettings() {
    return pl(R"({
        "text_watermark_list": [{"Name": "Draft set", "theList": [
            {"WaterMarkText": "DRAFT", "Orientation": 0, "ColorType": 2},
            {"WaterMarkText": "COPY"}]}],
        "stamp_watermark_list": ["Approved", ""],
        "stamp_presets": {"Approved stamp": {"StampTitle": "APPROVED", "Angle": 7}},
        "qrcode_watermark_list": [{"profile_name": "Web", "type": 1, "url": "example.com",
                                   "color_background": "1 0 0 1"}],
        "other_watermark_list": ["[currentPage] of [totalPages]"],
        "other_presets": {"p1": {"PresetName": "Footer", "OtherTitle": "Page [currentPage]",
                                 "Position": 6}},
        "image_presets": {"i1": {"PresetName": "Logo", "OriginalImage": "logo.png", "Angle": 7},
                          "i2": {"PresetName": "Lost", "OriginalImage": "gone.png"}},
        "someOtherKey": "ignored"
    })");
}

// A binary property list written byte by byte, for graphs that libplist does not write: objects
// referred to from many places, or nested deeper than its writer recurses. Each object is an
// array of references to other objects or, without any, the text "x"; the first one is the top.
// References and offsets take `refWidth` and `offsetWidth` bytes (the format allows 1 to 8).
inline std::string binaryGraph(const std::vector<std::vector<std::uint32_t>>& objects,
                               int refWidth = 4, int offsetWidth = 4) {
    std::string out = "bplist00";
    auto bigEndian = [&](std::uint64_t value, int width) {
        for (int i = width - 1; i >= 0; --i) {
            out.push_back(static_cast<char>(i < 8 ? (value >> (8 * i)) & 0xFF : 0));
        }
    };
    std::vector<std::uint64_t> offsets;
    for (const auto& refs : objects) {
        offsets.push_back(out.size());
        if (refs.empty()) {
            out += "\x51x";
            continue;
        }
        if (refs.size() < 15) {
            out.push_back(static_cast<char>(0xA0 | refs.size()));
        } else {
            out += "\xAF\x12"; // the count follows as a four-byte integer
            bigEndian(refs.size(), 4);
        }
        for (std::uint32_t ref : refs) {
            bigEndian(ref, refWidth);
        }
    }
    const std::uint64_t table = out.size();
    for (std::uint64_t offset : offsets) {
        bigEndian(offset, offsetWidth);
    }
    out.append(6, '\0');
    out.push_back(static_cast<char>(offsetWidth));
    out.push_back(static_cast<char>(refWidth));
    bigEndian(objects.size(), 8);
    bigEndian(0, 8);
    bigEndian(table, 8);
    return out;
}

// Each object refers to the next, `depth` times, down to a text.
inline std::string binaryChain(std::uint32_t depth) {
    std::vector<std::vector<std::uint32_t>> objects(depth + 1);
    for (std::uint32_t i = 0; i < depth; ++i) {
        objects[i] = {i + 1};
    }
    return binaryGraph(objects);
}

// `levels` arrays, each of `width` references to the next one, the last to a text: a small file
// that expands to width^levels texts.
inline std::string binaryFan(std::uint32_t width, std::uint32_t levels, int refWidth = 4,
                             int offsetWidth = 4) {
    std::vector<std::vector<std::uint32_t>> objects(levels + 1);
    for (std::uint32_t i = 0; i < levels; ++i) {
        objects[i].assign(width, i + 1);
    }
    return binaryGraph(objects, refWidth, offsetWidth);
}

// An XML list of `depth` elements `open`, each holding the next, down to a text, and closed by
// `close`: "<array>" for arrays, "<dict><key>k</key>" for dictionaries. Within a dictionary at
// the top, as the settings file holds its lists.
inline std::string xmlNest(const std::string& open, const std::string& close, std::uint32_t depth) {
    std::string out = "<plist><dict><key>stamp_watermark_list</key>";
    out.reserve(out.size() + depth * (open.size() + close.size()) + 64);
    for (std::uint32_t i = 0; i < depth; ++i) {
        out += open;
    }
    out += "<string>x</string>";
    for (std::uint32_t i = 0; i < depth; ++i) {
        out += close;
    }
    return out + "</dict></plist>";
}

} // namespace fen::test
