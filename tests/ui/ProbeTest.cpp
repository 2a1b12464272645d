// The probe shows every control: one JSON line with the control's accessible role and name, and a
// grab in each scheme. And the desktop entry passes the validator.
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <filesystem>

namespace {

TEST(FenUiProbe, PrintsEveryControlAsJsonAndGrabsItInBothSchemes) {
    const std::string probe = std::string(FENMOOR_BINARY_DIR) + "/tools/fen-ui-probe/fen-ui-probe";
    const auto list = fen::test::runCommand({probe, "list"});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    const auto names = fen::test::splitLines(list.out);
    ASSERT_GE(names.size(), size_t(19));
    fen::test::TempDir grabs;
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        QImage images[2];
        for (const int dark : {0, 1}) {
            const auto file = grabs / (name + (dark ? "-dark.png" : "-light.png"));
            const auto run = fen::test::runCommand(
                {probe, name, "--scheme", dark ? "dark" : "light", "--grab", file.string()});
            ASSERT_EQ(run.exitCode, 0) << run.err;
            const QJsonObject out =
                QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
            EXPECT_EQ(out["control"].toString().toStdString(), name);
            const QJsonObject accessible = out["accessible"].toObject();
            const QString role = accessible["role"].toString();
            if (role != "filler" && role != "label") { // containers and plain text
                EXPECT_FALSE(accessible["name"].toString().isEmpty()) << role.toStdString();
            }
            images[dark] = QImage(QString::fromStdString(file.string()));
            ASSERT_FALSE(images[dark].isNull());
            EXPECT_EQ(images[dark].width(), out["size"].toArray()[0].toInt());
        }
        EXPECT_NE(images[0], images[1]); // the dark scheme changes every control
    }
}

QJsonObject probeState(const std::vector<std::string>& args) {
    const std::string probe = std::string(FENMOOR_BINARY_DIR) + "/tools/fen-ui-probe/fen-ui-probe";
    std::vector<std::string> command{probe};
    command.insert(command.end(), args.begin(), args.end());
    const auto run = fen::test::runCommand(command);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object()["state"].toObject();
}

TEST(FenUiProbe, EveryPositionOfTheGridIsChosenWithArrowsAndSpaceOrReturnAlone) {
    // The grid starts at Diagonal, with the keyboard focus on its first cell.
    const char* const names[] = {"topleft",      "topcenter",   "topright", "middle", "bottomleft",
                                 "bottomcenter", "bottomright", "diagonal", "triple"};
    for (int n = 0; n < 9; ++n) {
        SCOPED_TRACE(names[n]);
        std::vector<std::string> args{"positions"};
        args.insert(args.end(), size_t(n), "key:Right");
        args.push_back(n % 2 ? "key:Return" : "key:Space");
        const QJsonObject state = probeState(args);
        EXPECT_EQ(state["position"].toString().toStdString(), names[n]);
        EXPECT_EQ(state["page"].toInt(), n / 4);
        EXPECT_EQ(state["description"].toString(), QString("Page %1 of 3").arg(n / 4 + 1));
        EXPECT_EQ(state["writes"].toInt(), n == 7 ? 0 : 1);
    }
    // Tab leaves the cells for the page dots; Return on the third shows its page.
    const QJsonObject dots =
        probeState({"positions", "key:Tab", "key:Right", "key:Right", "key:Return"});
    EXPECT_EQ(dots["focused"].toString(), "Positions, page 3 of 3");
    EXPECT_EQ(dots["page"].toInt(), 2);
}

TEST(FenUiProbe, ADateMovedWithRightIsStoredWhenTheCalendarClosesButByEscape) {
    const QJsonObject tabbed = probeState({"date", "open", "key:Right", "key:Tab"});
    EXPECT_EQ(tabbed["date"].toString(), "2026-03-15");
    EXPECT_FALSE(tabbed["presented"].toBool());
    EXPECT_EQ(tabbed["focused"].toString(), "After");
    const QJsonObject pressed = probeState({"date", "open", "key:Right", "outside"});
    EXPECT_EQ(pressed["date"].toString(), "2026-03-15");
    EXPECT_FALSE(pressed["presented"].toBool());
    const QJsonObject escaped = probeState({"date", "open", "key:Right", "key:Escape"});
    EXPECT_EQ(escaped["date"].toString(), "2026-03-14");
    EXPECT_EQ(escaped["writes"].toInt(), 0);
}

TEST(FenUiProbe, AFocusedColourSwatchChangesTheGrab) {
    const std::string probe = std::string(FENMOOR_BINARY_DIR) + "/tools/fen-ui-probe/fen-ui-probe";
    fen::test::TempDir grabs;
    QImage images[2];
    for (const int focused : {0, 1}) {
        const auto file = grabs / (focused ? "focused.png" : "plain.png");
        std::vector<std::string> args = {probe, "colour", "--grab", file.string()};
        if (focused) {
            args.push_back("key:Tab");
        }
        const auto run = fen::test::runCommand(args);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        images[focused] = QImage(QString::fromStdString(file.string()));
        ASSERT_FALSE(images[focused].isNull());
    }
    EXPECT_NE(images[0], images[1]);
}

TEST(FenUiProbe, ShellBringsTheWindowOfAHandedFileForwardByWhateverPath) {
    const std::string probe = std::string(FENMOOR_BINARY_DIR) + "/tools/fen-ui-probe/fen-ui-probe";
    fen::test::TempDir dir;
    fen::test::writeFile(dir / "a.pdf", "%PDF-1.4");
    std::filesystem::create_symlink(dir / "a.pdf", dir / "link.pdf");
    const auto run = fen::test::runCommand(
        {probe, "shell", "open:" + (dir / "a.pdf").string(), "hand:" + (dir / "link.pdf").string(),
         "hand:harrowcotefenm://file://" + (dir / "a.pdf").string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const QJsonObject out = QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
    EXPECT_EQ(out["scenes"].toArray().size(), 1);
    EXPECT_EQ(out["registry"].toArray().size(), 1);
    const QJsonArray log = out["log"].toArray();
    ASSERT_EQ(log.size(), 3);
    EXPECT_TRUE(log[1].toString().startsWith("activate "));
    EXPECT_EQ(log[2], log[1]);
}

TEST(DesktopEntry, PassesTheValidator) {
    const auto run = fen::test::runCommand(
        {"desktop-file-validate", std::string(FENMOOR_SOURCE_DIR) + "/data/fenmoor.desktop"});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_EQ(run.out, "");
}

} // namespace
