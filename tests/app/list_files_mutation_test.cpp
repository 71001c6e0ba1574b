// Damaged "TestList.txt" and ".tmx" files: the test run finds exactly the lists the file has,
// and the total appended to a time log keeps the log and is a well-formed time.
#include <gtest/gtest.h>

#include "list_files_exercise.h"

namespace {

const std::vector<std::string> kTokens = {"\r\n", "\n", "\r", "'", "\"", " ", "999", "9999999999", std::string(1, '\0'),
                                          std::string(300, 'L')};

TEST(ListFilesMutation, DamagedTestListsGiveTheirLines) {
    const std::vector<std::string> seeds = {
        mutation::ReadFile(BRELON_SOURCE_DIR "/tests/fixtures/fuzz/TestList.txt"), "ONE.lda", "\n\nA.lda\n"};
    const mutation::Outcome out = mutation::Run(seeds, kTokens, 3000, 20261209, app_fuzz::TestListExercise);
    EXPECT_EQ(out.firstProblem, "");
    EXPECT_EQ(out.rounds, 3000);
}

TEST(ListFilesMutation, DamagedTimeLogsGetAWellFormedTotal) {
    const std::vector<std::string> seeds = {
        mutation::ReadFile(BRELON_SOURCE_DIR "/tests/fixtures/fuzz/LIST.tmx"),
        std::string(app::kTimeLogHeader) + "  A  B  C  1' \r\n  A  B  C  999' 59\"\r\n"};
    const mutation::Outcome out = mutation::Run(seeds, kTokens, 3000, 20261209, app_fuzz::TimeLogExercise);
    EXPECT_EQ(out.firstProblem, "");
    EXPECT_EQ(out.rounds, 3000);
}

TEST(ListFilesMutation, ElapsedCheckKnowsTheForms) {
    for (const char* good : {"0\"", "59\"", "1'", "3' 12\"", "1234' 1\""}) EXPECT_TRUE(app_fuzz::WellFormedElapsed(good)) << good;
    for (const char* bad : {"", "60\"", "0'", "3' 0\"", "3'12\"", "-1'", "3' 60\""}) EXPECT_FALSE(app_fuzz::WellFormedElapsed(bad)) << bad;
}

} // namespace
