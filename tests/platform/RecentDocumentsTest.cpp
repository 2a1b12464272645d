// The desktop's recent files through GLib's bookmark file: this program's entries newest first,
// the other programs' entries left as they were, and a file that cannot be read left alone.
#include "platform/foundation/RecentDocuments.h"

#include "support/TestSupport.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <fstream>

#include <sys/stat.h>

namespace fen {
namespace {

namespace fs = std::filesystem;

// What GLib itself reads back from the file: the URIs and, for each, its applications.
struct GLibView {
    bool parsed = false;
    std::vector<std::pair<std::string, std::vector<std::string>>> items;
};

GLibView readBack(const fs::path& file) {
    GLibView view;
    GBookmarkFile* bookmarks = g_bookmark_file_new();
    view.parsed = g_bookmark_file_load_from_file(bookmarks, file.c_str(), nullptr);
    gsize count = 0;
    gchar** uris = g_bookmark_file_get_uris(bookmarks, &count);
    for (gsize i = 0; i < count; ++i) {
        gsize apps = 0;
        gchar** names = g_bookmark_file_get_applications(bookmarks, uris[i], &apps, nullptr);
        view.items.push_back({uris[i], std::vector<std::string>(names, names + apps)});
        g_strfreev(names);
    }
    g_strfreev(uris);
    g_bookmark_file_free(bookmarks);
    return view;
}

class RecentDocumentsTest : public ::testing::Test {
protected:
    test::TempDir dir;
    fs::path file = dir / "data" / "recently-used.xbel";
    RecentDocuments ours{file, "Fenmoor", "fenmoor %u"};
    RecentDocuments other{file, "Viewer", "viewer %u"};

    fs::path document(const std::string& name) const {
        const fs::path path = dir / name;
        std::ofstream(path) << "%PDF-1.4";
        return path;
    }
};

TEST_F(RecentDocumentsTest, AddedFilesAreListedNewestFirstForThisProgramOnly) {
    EXPECT_TRUE(ours.paths().empty());
    ASSERT_TRUE(ours.add(document("a.pdf")));
    ASSERT_TRUE(other.add(document("theirs.pdf")));
    ASSERT_TRUE(ours.add(document("b file.pdf")));
    ASSERT_TRUE(ours.add(document("c.pdf")));
    EXPECT_EQ(ours.paths(),
              (std::vector<fs::path>{dir / "c.pdf", dir / "b file.pdf", dir / "a.pdf"}));
    EXPECT_EQ(ours.paths(2), (std::vector<fs::path>{dir / "c.pdf", dir / "b file.pdf"}));
    // Opening a file again makes it the newest.
    ASSERT_TRUE(ours.add(dir / "a.pdf"));
    EXPECT_EQ(ours.paths().front(), dir / "a.pdf");
    EXPECT_EQ(other.paths(), (std::vector<fs::path>{dir / "theirs.pdf"}));

    const GLibView view = readBack(file);
    ASSERT_TRUE(view.parsed);
    ASSERT_EQ(view.items.size(), 4u);
    gchar* uri = g_filename_to_uri((dir / "b file.pdf").c_str(), nullptr, nullptr);
    EXPECT_NE(std::find(view.items.begin(), view.items.end(),
                        std::pair<std::string, std::vector<std::string>>{uri, {"Fenmoor"}}),
              view.items.end());
    g_free(uri);
}

TEST_F(RecentDocumentsTest, ClearingRemovesOnlyThisProgramsPart) {
    ours.add(document("a.pdf"));
    other.add(document("theirs.pdf"));
    ours.add(document("shared.pdf"));
    other.add(dir / "shared.pdf");
    ASSERT_TRUE(ours.clear());
    EXPECT_TRUE(ours.paths().empty());
    EXPECT_EQ(other.paths(), (std::vector<fs::path>{dir / "shared.pdf", dir / "theirs.pdf"}));
    const GLibView view = readBack(file);
    ASSERT_TRUE(view.parsed);
    ASSERT_EQ(view.items.size(), 2u);
    for (const auto& [uri, applications] : view.items) {
        EXPECT_EQ(applications, std::vector<std::string>{"Viewer"}) << uri;
    }
}

TEST_F(RecentDocumentsTest, AFileThatCannotBeReadIsLeftAlone) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "<xbel version=\"1.0\"><bookmark href=";
    EXPECT_FALSE(ours.add(document("a.pdf")));
    EXPECT_FALSE(ours.clear());
    EXPECT_TRUE(ours.paths().empty());
    EXPECT_EQ(test::readFile(file), "<xbel version=\"1.0\"><bookmark href=");
}

TEST_F(RecentDocumentsTest, AddingToALargeFileChangesItInPlaceAndKeepsEveryOtherEntry) {
    // The desktop's list of another program, past the size from which it is not written anew.
    GBookmarkFile* theirs = g_bookmark_file_new();
    const int count = 4000;
    for (int i = 0; i < count; ++i) {
        const std::string uri = "file:///x/other-" + std::to_string(i) + ".pdf";
        g_bookmark_file_add_application(theirs, uri.c_str(), "Viewer", "viewer %u");
    }
    fs::create_directories(file.parent_path());
    ASSERT_TRUE(g_bookmark_file_to_file(theirs, file.c_str(), nullptr));
    g_bookmark_file_free(theirs);
    const std::string before = test::readFile(file);
    ASSERT_GE(before.size(), RecentDocuments::inPlaceFrom);
    const auto inode = [this] {
        struct stat status = {};
        EXPECT_EQ(::stat(file.c_str(), &status), 0);
        return status.st_ino;
    };
    const ino_t original = inode();

    // A new file of ours: the file is the same file, its entries untouched, ours at the end.
    ASSERT_TRUE(ours.add(document("a.pdf")));
    ASSERT_TRUE(ours.add(document("b & c.pdf")));
    EXPECT_EQ(inode(), original) << "the file was written anew";
    const std::string grown = test::readFile(file);
    const size_t close = before.rfind("</xbel>");
    EXPECT_EQ(grown.substr(0, close), before.substr(0, close));
    EXPECT_EQ(ours.paths(), (std::vector<fs::path>{dir / "b & c.pdf", dir / "a.pdf"}));

    // Opened again, a file of ours becomes the newest without the file growing.
    ASSERT_TRUE(ours.add(dir / "a.pdf"));
    EXPECT_EQ(inode(), original);
    EXPECT_EQ(test::readFile(file).size(), grown.size());
    EXPECT_EQ(ours.paths(), (std::vector<fs::path>{dir / "a.pdf", dir / "b & c.pdf"}));

    const GLibView view = readBack(file);
    ASSERT_TRUE(view.parsed);
    ASSERT_EQ(view.items.size(), static_cast<size_t>(count) + 2);
    EXPECT_EQ(other.paths().size(), static_cast<size_t>(count));
    EXPECT_EQ(view.items.front().second, std::vector<std::string>{"Viewer"});
}

TEST_F(RecentDocumentsTest, TheDefaultFileFollowsTheDataFolder) {
    const char* saved = std::getenv("XDG_DATA_HOME");
    const std::string restore = saved ? saved : "";
    setenv("XDG_DATA_HOME", (dir / "elsewhere").c_str(), 1);
    EXPECT_EQ(RecentDocuments::defaultFile(), dir / "elsewhere" / "recently-used.xbel");
    setenv("XDG_DATA_HOME", "relative", 1);
    EXPECT_EQ(RecentDocuments::defaultFile().filename(), "recently-used.xbel");
    EXPECT_EQ(RecentDocuments::defaultFile().parent_path().filename(), "share");
    if (saved) {
        setenv("XDG_DATA_HOME", restore.c_str(), 1);
    } else {
        unsetenv("XDG_DATA_HOME");
    }
}

} // namespace
} // namespace fen
