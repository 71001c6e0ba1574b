// Damaged configuration files ("CONFIG.PAR", "PARAM.PAR", ".CP"): every load either succeeds
// or stops with its message, and no text field loses its end.
#include <gtest/gtest.h>

#include "config_files_exercise.h"

namespace {

TEST(ConfigFilesMutation, DamagedConfigurationLoadsOrStopsWithAMessage) {
    const std::vector<std::string> seeds = {
        mutation::ReadFile(BRELON_SOURCE_DIR "/demo/CONF/CONFIG.PAR"),
        mutation::ReadFile(BRELON_SOURCE_DIR "/demo/CONF-V0/CONFIG.PAR"),
        mutation::ReadFile(BRELON_SOURCE_DIR "/demo/CONF-V2/CONFIG.PAR"),
        mutation::ReadFile(BRELON_SOURCE_DIR "/demo/CONF/PARAM.PAR"),
        "[ALU60-01]\r\nFLAG=1\r\nOFFY=1.5\r\nOFFZ=-2\r\nHEAD_SCRAP=-1\r\nTIPO_TAGLIO=3\r\nNR_LABEL=2\r\n",
        "[GENERAL]\r\nLOG_SUPERVISOR=1\r\n[PARAM]\r\nPORT_MSV=3\r\n[LABEL]\r\nLEN_ROW=99\r\nSTR_HEAD=" +
            std::string(60, 'H') + "\r\n",
    };
    const std::vector<std::string> tokens = {"[", "]", "=", "\r\n", "\"", "-", "0x", "1e308", "-2147483648",
                                             "99999999999", "nan", "[GENERAL]", "[LABEL]", "PORT_PC_PRINT=", std::string(300, 'A')};
    const mutation::Outcome out = mutation::Run(seeds, tokens, 600, 20261209, machine_fuzz::ConfigFilesExercise);
    EXPECT_EQ(out.firstProblem, "");
    EXPECT_EQ(out.rounds, 600);
}

} // namespace
