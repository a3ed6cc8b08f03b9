#include <gtest/gtest.h>

#include "youtube/QualityPreference.h"

namespace mw {
namespace {

std::vector<int> Order(const QualityPreference& order) {
    return AttemptOrder(order);
}

TEST(QualityTest, AttemptPositionsOfTheDefaultOrder) {
    const std::vector<int> order = Order(kDefaultQualityOrder);
    const struct {
        int Position;
        const char* Tag;
        const char* Extension;
        const char* Description;
    } cases[] = {
        {0, "[Default Quality - HQ5]", ".flv", "[Default Quality - HQ5]"},
        {1, "[HQ18]", ".mp4", "[HQ18] - Format: MP4; Video: 480x360; Audio: Sterro"},
        {2, "[HQ35]", ".flv", "[HQ35] - Format: FLV; Video: 640x360; Audio: Mono"},
        {3, "[HQ22]", ".mp4", "[HQ22] - Format: MP4; Video: 1280x720; Audio: Sterro"},
        {4, "[HQ6]", ".flv", "[HQ6] - Format: FLV; Video: 480x270; Audio: Mono"},
        {5, "[HQ13]", ".3gp", "[HQ13] - Format: 3GP; Video: 176x144; Audio: Mono"},
        {6, "[HQ17]", ".3gp", "[HQ17] - Format: 3GP; Video: 176x144; Audio: Sterro"},
        {7, "[HQ34]", ".flv", "[HQ34] - Format: FLV; Video: 320x240; Audio: Mono"},
        {8, "[HQ37]", ".mp4", "[HQ37] - Format: MP4; Video: 1920x1080; Audio: Sterro"},
        {9, "[Default Quality - HQ5]", ".flv", "[Default Quality - HQ5]"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QualityTag(order, c.Position), c.Tag) << c.Position;
        EXPECT_EQ(QualityExtension(order, c.Position), c.Extension) << c.Position;
        EXPECT_EQ(QualityDescription(QualityTag(order, c.Position)), c.Description) << c.Position;
    }
    EXPECT_EQ(QualityDescription("[HQ99]"), "[Default Quality - HQ5]");
}

TEST(QualityTest, FormatCodesAndTagsMapBothWays) {
    const int codes[] = {6, 18, 35, 22, 13, 17, 34, 37};
    for (int type = 0; type < kQualityTypeCount; ++type) {
        const std::string code = std::to_string(codes[type]);
        EXPECT_EQ(FmtParameter(type), "&fmt=" + code);
        EXPECT_EQ(QualityTypeOfTag("[HQ" + code + "]"), type);
        EXPECT_EQ(QualityTypeOfFmt(codes[type]), type);
    }
    EXPECT_EQ(FmtParameter(8), "");
    EXPECT_EQ(FmtParameter(-1), "");
    EXPECT_EQ(QualityTypeOfTag("[HQ5]"), 0);
    EXPECT_EQ(QualityTypeOfFmt(5), std::nullopt);
}

TEST(QualityTest, LabelFollowsTheCheckBoxAndTheOrder) {
    EXPECT_EQ(PreferenceLabel(kDefaultQualityOrder, false), "[Defatult Quality - HQ5]");
    EXPECT_EQ(PreferenceLabel(kDefaultQualityOrder, true),
              "Prefer: [HQ18] > [HQ35] > [HQ22] > [HQ6] > [HQ13] > [HQ17] > [HQ34] > [HQ37]");
    EXPECT_EQ(PreferenceLabel(kBestAvailableQualityOrder, true),
              "Prefer: [HQ37] > [HQ22] > [HQ35] > [HQ18] > [HQ6] > [HQ34] > [HQ13] > [HQ17]");
}

TEST(QualityTest, StoredValuesOutsideTheTableStandForTheDefaultEncoding) {
    const QualityPreference edited = {1, 200, 3, 0, 4, 5, 6, 7};
    const std::vector<int> order = Order(edited);
    EXPECT_EQ(PreferenceLabel(edited, true), "[Defatult Quality - HQ5]");
    EXPECT_EQ(QualityTag(order, 2), "[Default Quality - HQ5]");
    EXPECT_EQ(QualityExtension(order, 2), ".flv");
    EXPECT_EQ(FmtParameter(order[1]), "");
    EXPECT_EQ(QualityTag(order, 1), "[HQ18]");
}

}  // namespace
}  // namespace mw
