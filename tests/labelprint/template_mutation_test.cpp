// Damaged label templates: every one is filled with the program's keys and sent (no printer
// attached), no key is left behind and nothing grows.
#include <gtest/gtest.h>

#include "template_exercise.h"

namespace {

TEST(LabelTemplateMutation, DamagedTemplatesAreFilledWithoutLeftKeys) {
    const std::vector<std::string> seeds = {mutation::ReadFile(BRELON_SOURCE_DIR "/demo/CONF/PIECE.PRN"),
                                            mutation::ReadFile(BRELON_SOURCE_DIR "/demo/CONF/SCRAP.PRN")};
    const std::vector<std::string> tokens = {"<ROW_1>", "<ROW_", "<BAR_CODE_", "<", ">", "^XA", "^XZ", "^FD",
                                             std::string(1, '\0'), "\r\n"};
    const mutation::Outcome out = mutation::Run(seeds, tokens, 3000, 20261209, label_fuzz::TemplateExercise);
    EXPECT_EQ(out.firstProblem, "");
    EXPECT_EQ(out.rounds, 3000);
}

} // namespace
