#pragma once
// CONFIG.PAR refusing every write, as a full drive does, for the tests of a set-up that cannot
// be recorded, and the check of the box the operator then reads.
#include <gtest/gtest.h>

#include <string>

#include "machine/settings_support.h"
#include "platform/paths.h"

// The file fault hook: CONFIG.PAR, however its path is spelt, refuses every write.
inline int RefuseConfigWrites(const char* nativePath, plat::FileOp op) {
    const std::string p = nativePath;
    return op == plat::FileOp::Write && p.size() >= 10 && p.compare(p.size() - 10, 10, "CONFIG.PAR") == 0 ? ENOSPC
                                                                                                        : 0;
}

// A box that tells of the refused write, naming its reason and the file.
inline void ExpectConfigWriteRefused(const std::string& text) {
    EXPECT_EQ(text.rfind(std::string(MsgError("ERR_FILE_WRITE")) + " (" + MsgError("ERR_NO_SPACE") + "):\n", 0), 0u)
        << text;
    EXPECT_NE(text.find("CONFIG.PAR"), std::string::npos) << text;
}
