#include "model/FenWatermarkModel.h"
#include "model/StartOfToday.h"

#include <ctime>
#include <gtest/gtest.h>
#include <memory>
#include <unordered_set>

using namespace fen;

TEST(FenWatermarkModel, StartsEmptyWithDefaultPageNumbers) {
    auto model = std::make_shared<FenWatermarkModel>();
    EXPECT_FALSE(model->tmpOriginalDataStorage.has_value());
    EXPECT_EQ(model->fileName, "");
    EXPECT_TRUE(model->listOfTextItems.empty());
    EXPECT_FALSE(model->isSecureSaving || model->isPasswordProtected || model->isOverwrite);
    EXPECT_FALSE(model->password.has_value());
    EXPECT_FALSE(model->processorID.has_value());
    EXPECT_EQ(model->maxNumberOfPage, 1);
    EXPECT_FALSE(model->selectedTextItem.has_value());
    EXPECT_FALSE(model->textConf || model->imageConf || model->stampConf);

    ASSERT_TRUE(model->otherConf.has_value());
    const PageNumberSettings& pages = *model->otherConf;
    EXPECT_FALSE(pages.numberTextColor.has_value());
    EXPECT_EQ(pages.position, Positions::topleft);
    EXPECT_EQ(pages.font, (FontSetting{"Helvetica Neue", "Regular", 18}));
    EXPECT_EQ(pages.pagenumberConf, (PageNumberConfiguration{1, 2, 1, 2}));
    EXPECT_EQ(pages.style, OtherStyles::style1);
    EXPECT_EQ(pages.distanceToEdge, (DistanceToEdgeSetting{0, 0}));
}

TEST(FenWatermarkModel, WritesDoNotSignalOnlySendsDo) {
    FenWatermarkModel model;
    int sends = 0;
    auto connection = model.watermarkModelPublisher.connect([&] { ++sends; });
    model.textConf = TextSettings{};
    model.selectedTextItem = TextListItem{"1", "DRAFT"};
    EXPECT_EQ(sends, 0);
    model.watermarkModelPublisher.emit();
    EXPECT_EQ(sends, 1);
    connection.disconnect();
    model.watermarkModelPublisher.emit();
    EXPECT_EQ(sends, 1);
}

TEST(TextListItem, EqualityAndHashingOverBothFields) {
    TextListItem a{"1", "DRAFT"};
    EXPECT_EQ(a, (TextListItem{"1", "DRAFT"}));
    EXPECT_NE(a, (TextListItem{"2", "DRAFT"}));
    EXPECT_NE(a, (TextListItem{"1", "COPY"}));
    std::unordered_set<TextListItem> set{a, {"1", "DRAFT"}, {"1", "COPY"}};
    EXPECT_EQ(set.size(), 2u);
}

TEST(StartOfToday, IsLocalMidnightOfToday) {
    Date before = Date::now();
    Date today = startOfToday();
    EXPECT_LE(today, before);
    EXPECT_GT(today.secondsSinceReferenceDate, before.secondsSinceReferenceDate - 25 * 3600);
    auto seconds = static_cast<time_t>(today.unixSeconds());
    std::tm local{};
    ASSERT_NE(localtime_r(&seconds, &local), nullptr);
    EXPECT_EQ(local.tm_hour, 0);
    EXPECT_EQ(local.tm_min, 0);
    EXPECT_EQ(local.tm_sec, 0);
}
