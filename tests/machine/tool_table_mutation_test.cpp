// Damaged tool tables: the ralla tool set loads a file whole or refuses it with its message and
// keeps the table and positions it had; the tool dialog's reader leaves its table empty.
#include <gtest/gtest.h>

#include "tool_table_exercise.h"

namespace {

TEST(ToolTableMutation, DamagedTablesLoadWholeOrKeepTheTable) {
    const std::string demo = mutation::ReadFile(BRELON_SOURCE_DIR "/demo/UTEN/TOOLS.TXT");
    const std::vector<std::string> seeds = {
        demo,
        "* PUNTA5 1 10 \n3000 1 2\n5 0 0 0 5 0\n40 0 0 10 60 0\n",                   // no "#" line, LF ends
        demo + "* QBLADE 3 60 \r\n12000 0 3.5\r\n400 0 0 120 300\r\n3.5 0 0 80 83.5\r\n\r\n", // a blade record
        "# 60\r\n\r\n* MASCH6 4 0 \r\n300 1.25 -12.5\r\n6.35 0 0 0 5 0\r\n20 0 0 2 60 0\r\n",
    };
    const std::vector<std::string> tokens = {"#", "* ", " ", "\r\n", "-1", "1e9", "1e40", "nan", "inf", "0x10",
                                             "99999999999", "QBLADE", "BLADE", "\t", "ABCDEFGHIJKLMNOP", "."};
    const mutation::Outcome out = mutation::Run(seeds, tokens, 2000, 20261209, machine_fuzz::ToolTableExercise);
    EXPECT_EQ(out.firstProblem, "");
    EXPECT_EQ(out.rounds, 2000);
}

} // namespace
