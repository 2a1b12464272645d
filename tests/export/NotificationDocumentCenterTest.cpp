#include "export/NotificationDocumentCenter.h"

#include "platform/foundation/Uuid.h"

#include <gtest/gtest.h>

#include <any>
#include <string>
#include <vector>

namespace fen {
namespace {

// Bases kept with their "_" give the same scoped name.
TEST(NotificationDocumentCenter, EachChannelScopesNamesUnderAnUpperCaseUuidOfItsOwn) {
    auto first = NotificationDocumentCenter::makeDocumentNotificationCenter();
    auto second = NotificationDocumentCenter::makeDocumentNotificationCenter();
    EXPECT_TRUE(isUuidString(first->id()));
    EXPECT_EQ(first->id().find_first_of("abcdef"), std::string::npos);
    EXPECT_NE(first->id(), second->id());
    NotificationDocumentCenter channel("1234");
    EXPECT_EQ(channel.scopedName("RequestToSave"), "RequestToSave_1234");
    EXPECT_EQ(channel.scopedName("ExternalImageURL_"), "ExternalImageURL_1234");
    EXPECT_EQ(NotificationDocumentCenter::scopedName("OtherImage", "1234"), "OtherImage_1234");
}

TEST(NotificationDocumentCenter, TwoDocumentsNeverHearEachOther) {
    NotificationDocumentCenter a;
    NotificationDocumentCenter b;
    std::vector<std::string> heardByA, heardByB;
    auto tokenA = a.addObserver("RequestToSave", [&](const Notification& n) {
        heardByA.push_back(n.name + (n.object.has_value() ? "+object" : ""));
    });
    auto tokenB =
        b.addObserver("RequestToSave", [&](const Notification& n) { heardByB.push_back(n.name); });
    a.post("RequestToSave");
    EXPECT_EQ(heardByA, std::vector<std::string>{"RequestToSave_" + a.id()});
    EXPECT_TRUE(heardByB.empty());
    // Observers that build the scoped name themselves hear the channel's posts.
    std::string fileName;
    auto direct = NotificationCenter::defaultCenter().addObserver(
        "ProcessingForSaveNotification_" + b.id(),
        [&](const Notification& n) { fileName = std::any_cast<std::string>(n.object); });
    b.post("ProcessingForSaveNotification", std::string("Report_Draft"));
    EXPECT_EQ(fileName, "Report_Draft");
    // Delivery is synchronous and ends with the token.
    tokenA.reset();
    a.post("RequestToSave", 1);
    EXPECT_EQ(heardByA.size(), 1u);
}

} // namespace
} // namespace fen
