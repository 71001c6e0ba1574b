// Damaged message files: each one loads or is refused with its code, a refused one leaves the
// table as it was, and look-ups never read past a text.
#include <gtest/gtest.h>

#include "message_table_exercise.h"

namespace {

TEST(MessageTableMutation, DamagedFilesLoadOrKeepTheTable) {
    const std::vector<std::string> seeds = {
        mutation::ReadFile(BRELON_SOURCE_DIR "/demo/MSG/STRING.MSG").substr(0, 4000),
        mutation::ReadFile(BRELON_SOURCE_DIR "/demo/MSG/ERR.MSG").substr(0, 4000),
        mutation::ReadFile(BRELON_SOURCE_DIR "/demo/MSG/TAGRIX.msg"),
        "T_A  text \\n two\\tx \\x41\\xa9 \\x0 \\x\r\n12 twelve\r\n\r\nB_OK \\x00cut\r\nLAST no line end",
    };
    const std::vector<std::string> tokens = {"\\n", "\\t", "\\x", "\\x4", "\\x00", "\\xFF", "\\", " ", "\t",
                                             "\r\n", std::string(1, '\0'), "T_", "ERR_"};
    const mutation::Outcome out = mutation::Run(seeds, tokens, 3000, 20261209, msgtable_fuzz::Exercise);
    EXPECT_EQ(out.firstProblem, "");
    EXPECT_EQ(out.rounds, 3000);
}

// Files refused at their first bytes (nothing, a mark and nothing after it, another text's mark)
// are refused as such, and the exercise goes on past them.
TEST(MessageTableMutation, EmptyAndMarkedFilesAreRefusedAndKeepTheTable) {
    const std::string cases[] = {"", "\xEF\xBB\xBF", "\xEF\xBB\xBFKEY text\r\n", "\xFF\xFEK\0E\0", std::string(1, '\0')};
    for (const std::string& bytes : cases) EXPECT_EQ(msgtable_fuzz::Exercise(bytes), "") << bytes.size();
}

} // namespace
