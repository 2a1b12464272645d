#pragma once

#include "model/PageNumberSettings.h"
#include "model/StampSettings.h"
#include "model/TextSettings.h"
#include "storage/CoreDataBase.h"
#include "storage/PersistenceController.h"
#include "support/PdfFixtures.h"
#include "support/TemporaryDirectoryScope.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace fen::test {

// A test with a preset store of its own (a fresh file, made the shared store) and a temporary
// directory of its own (inherited by the command-line runs), so that it sees exactly the files an
// operation leaves behind.
class PresetStoreTest : public ::testing::Test {
protected:
    void SetUp() override { openStore(); }
    void TearDown() override { CoreDataBase::setShared(nullptr); }
    std::filesystem::path storeFile() const { return storeDir_ / "FenmoorData.sqlite"; }
    void openStore() {
        StoreLocation location;
        location.file = storeFile();
        CoreDataBase::setShared(std::make_shared<CoreDataBase>(PersistenceController(location)));
    }
    // Lets go of the store, as a closed window does, so only the file remains.
    void closeStore() { CoreDataBase::setShared(nullptr); }
    std::vector<std::filesystem::path> filesLeft() const { return tmp_.filesLeft(); }
    // Runs fenmoor-cli with its store (unless told otherwise) and temporary directory pointed at
    // this test's.
    CommandResult cli(std::vector<std::string> arguments, bool withStore = true) const {
        if (withStore) {
            arguments.insert(arguments.end(), {"--store", storeFile().string()});
        }
        return runCli(arguments);
    }
    // Made before the temporary directory is pointed into a folder of its own.
    TempDir storeDir_;
    TempDir work_;
    TemporaryDirectoryScope tmp_;
};

// Pages whose own content is one word that no watermark uses.
inline std::string bodyPages(int count) {
    return wordPages(count, 400, 400);
}

// A text look that is easy to find: Helvetica Neue at `size`, black, opaque, at `position`.
inline TextSettings lookAt(Positions position, std::int64_t size = 20) {
    return {position, {"Helvetica Neue", "Regular", size}, {gfx::Color{0, 0, 0, 1}, false}, 100};
}

// A red stamp of `text` at `position`, upright, at a third of its full size, opaque, without a
// date line.
inline StampSettings redStamp(const std::string& text, Positions position) {
    return {StampTextColor{text, gfx::Color{1, 0, 0, 1}}, position, WMAngles::d0, {30, 100}};
}

// Page numbers "#currentPage" at `position`, saved for pages `from` to `to`.
inline PageNumberSettings pageNumbers(Positions position, std::int64_t from, std::int64_t to) {
    return {StampTextColor{"#currentPage", gfx::Color{0, 0, 0, 1}}, position,
            FontSetting{"Helvetica Neue", "Regular", 18},
            PageNumberConfiguration{from, to, from, to}};
}

} // namespace fen::test
