// Damaged report templates: a full computation always writes its reports, in proportion to the
// template.
#include "report_template_exercise.h"

namespace enginetest {
namespace {

TEST_F(EngineTest, DamagedReportTemplatesStillGiveTheReports) {
    const std::vector<std::string> seeds = {ReadFile(BRELON_SOURCE_DIR "/demo/MSG/DEBTG.MSG"),
                                            "HEAD\nmore head\n#lav\nBETWEEN\n#GRP\nNEVER\n"};
    const std::vector<std::string> tokens = {"#LAV", "#GRP", "#lav", "\r\n", "\n", "\r", std::string(1, '\0'),
                                             std::string(250, 'T'), "%s", "%n"};
    const mutation::Outcome out = mutation::Run(seeds, tokens, 1000, 20261209, [this](const std::string& b) {
        return ReportTemplateExercise(b, dir_);
    });
    EXPECT_EQ(out.firstProblem, "");
    EXPECT_EQ(out.rounds, 1000);
}

} // namespace
} // namespace enginetest
