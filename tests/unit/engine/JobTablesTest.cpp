#include <gtest/gtest.h>

#include "engine/JobTables.h"

TEST(JobTablesTest, NamesFollowTheLanguageAndTranslateBothWays) {
    EXPECT_STREQ(JobKindName(kJobKindSceneExtract, true), "シーン抽出");
    EXPECT_STREQ(JobKindName(kJobKindSceneExtract, false), "Scene Extract");
    EXPECT_STREQ(JobKindName(kJobKindVideoAnalysis, false), "Video Analysis");
    EXPECT_STREQ(JobStateName(kJobStateWaiting, true), "完了待ち");
    EXPECT_STREQ(JobStateName(kJobStateStopped, false), "Stopped");
    EXPECT_STREQ(JobKindName(99, true), "");
    EXPECT_STREQ(JobStateName(-1, false), "");
    for (int k = 1; k < kJobKindCount; ++k) {
        EXPECT_EQ(FindJobKind(JobKindName(k, true)), k);
        EXPECT_EQ(FindJobKind(JobKindName(k, false)), k);
    }
    for (int s = 1; s < kJobStateCount; ++s) EXPECT_EQ(FindJobState(JobStateName(s, false)), s);
    EXPECT_EQ(FindJobKind(""), 0);
    EXPECT_EQ(FindJobState("Unknown"), 0);
}

TEST(JobTablesTest, ProgressAndPreviewSets) {
    for (int id : {1053, 1006, 1052, 1057, 1101}) EXPECT_TRUE(IsProgressJobId(id)) << id;
    for (int id : {0, 1027, 1028, 1029, 1056}) EXPECT_FALSE(IsProgressJobId(id)) << id;
    for (int id : {1027, 1028, 1029}) EXPECT_TRUE(IsPreviewJobId(id)) << id;
    EXPECT_FALSE(IsPreviewJobId(1053));
}
