// Damaged INI files: every section and key reads without overrunning a buffer, and a write
// after the read changes only its own line (ANSI, UTF-8 and UTF-16 files).
#include <gtest/gtest.h>

#include "profile_exercise.h"

namespace {

std::string Utf16(const std::string& ascii) {
    std::string out = "\xFF\xFE";
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

TEST(ProfileMutation, DamagedFilesReadAndRewriteOnlyTheChangedLine) {
    const std::vector<std::string> seeds = {
        mutation::ReadFile(BRELON_SOURCE_DIR "/demo/CONF/CONFIG.PAR").substr(0, 1500),
        mutation::ReadFile(BRELON_SOURCE_DIR "/demo/CONF/PARAM.PAR"),
        mutation::ReadFile(BRELON_SOURCE_DIR "/tests/fixtures/fuzz/UTF8BOM.INI"),
        mutation::ReadFile(BRELON_SOURCE_DIR "/tests/fixtures/fuzz/UNICODE.INI"),
        mutation::ReadFile(BRELON_SOURCE_DIR "/tests/fixtures/fuzz/MSVtag.par"),
    };
    const std::vector<std::string> tokens = {"[", "]", "=", "\"", "'", ";", " ", "\t", "[GENERAL]", "\xFF\xFE",
                                             "\xEF\xBB\xBF", "0x", "-", "\xE9", std::string(1, '\0')};
    const mutation::Outcome out = mutation::Run(seeds, tokens, 1500, 20261209, profile_fuzz::Exercise);
    EXPECT_EQ(out.firstProblem, "");
    EXPECT_EQ(out.rounds, 1500);
}

// The check itself: a write that dropped a neighbouring line is caught.
TEST(ProfileMutation, LineCheckCatchesALostNeighbour) {
    EXPECT_TRUE(profile_fuzz::OnlyOneLineChanged("[A]\r\nK=1\r\nL=2\r\n", "[A]\r\nK=fz\r\nL=2\r\n"));
    EXPECT_TRUE(profile_fuzz::OnlyOneLineChanged("[A]\r\nL=2", "[A]\r\nL=2\r\nK=fz\r\n"));
    EXPECT_FALSE(profile_fuzz::OnlyOneLineChanged("[A]\r\nK=1\r\nL=2\r\n", "[A]\r\nK=fz\r\n"));
    EXPECT_FALSE(profile_fuzz::OnlyOneLineChanged(Utf16("[A]\r\nK=1\r\nL=2\r\n"), Utf16("[A]\r\nK=fz\r\n")));
    EXPECT_TRUE(profile_fuzz::OnlyOneLineChanged(Utf16("[A]\r\nK=1\r\nL=2\r\n"), Utf16("[A]\r\nK=fz\r\nL=2\r\n")));
}

} // namespace
