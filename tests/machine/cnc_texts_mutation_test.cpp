// Damaged controller texts: the operator-tag map ("MSVtag.par") and the alarm and message texts
// ("CNC.MSG") stay within their fields; a damaged alarm history ("ALARM.LOG") loads what it can
// and saves it so that it reads back the same.
#include <gtest/gtest.h>

#include "cnc_texts_exercise.h"

namespace {

const std::vector<std::string> kTokens = {"(", ")", "TAG:", "VAR:", "R100=1", ";", "=", "[BRELON]", "%.", "*.",
                                          "\"", "/", ":", "\r\n", "99999999999999999999999", std::string(250, 'T')};

TEST(CncTextsMutation, DamagedTagMapsAndMessageTextsStayInTheirFields) {
    const std::vector<std::string> seeds = {
        mutation::ReadFile(BRELON_SOURCE_DIR "/demo/MSG/CNC.MSG"),
        mutation::ReadFile(BRELON_SOURCE_DIR "/tests/fixtures/fuzz/MSVtag.par"),
    };
    const mutation::Outcome out = mutation::Run(seeds, kTokens, 1500, 20261209, machine_fuzz::CncTextsExercise);
    EXPECT_EQ(out.firstProblem, "");
    EXPECT_EQ(out.rounds, 1500);
}

TEST(CncTextsMutation, DamagedAlarmHistoryReadsBackTheSame) {
    const std::vector<std::string> seeds = {
        mutation::ReadFile(BRELON_SOURCE_DIR "/tests/fixtures/fuzz/ALARM.LOG"),
        "1  \"\"   1/1/2000   00:00:00\n2 no quotes 1/1/2000 00:00:00\n",
    };
    const mutation::Outcome out = mutation::Run(seeds, kTokens, 3000, 20261209, machine_fuzz::AlarmLogExercise);
    EXPECT_EQ(out.firstProblem, "");
    EXPECT_EQ(out.rounds, 3000);
}

} // namespace

namespace {

// A condition whose "=" comes first ("VAR:=1") has no variable: it does not hold, and the
// next group gives the tag (it used to end the program with an exception).
TEST(CncTextsMutation, ConditionWithoutAVariableDoesNotHold) {
    CStatoCncOn& cnc = *machine_fuzz::OnlineState();
    machine_fuzz::Env& env = machine_fuzz::Fresh();
    for (const char* c : {"=1", "=", "R=1", "R100"}) EXPECT_EQ(cnc.TestRCondition(c), 0) << c;
    EXPECT_EQ(cnc.TestRCondition("R100=1"), 1);
    mutation::WriteFile(env.Conf("MSVtag.par"), "[BRELON]\r\nODD.BRE=(TAG:A VAR:=1)(TAG:B)\r\n");
    char text[] = "ODD.BRE";
    char result[200];
    cnc.MapOperatorText(text, result);
    EXPECT_STREQ(result, "B");
}

} // namespace
