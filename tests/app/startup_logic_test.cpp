// Option words, variant tables, titles and the status period, without any window.
#include <gtest/gtest.h>

#include "app/startup_logic.h"
#include "ui/OwnControls.h"

TEST(OptionWords, CommandLineFirstWordFoundActsAloneAnyCaseAndInsideWords) {
    OptionWords w;
    ApplyCommandLineWords("ruvizorur xxofficexx", w); // OFFICE is searched first
    EXPECT_EQ(w.machineConnected, 0);
    EXPECT_EQ(w.machineOption, 1);

    OptionWords k;
    ApplyCommandLineWords("decentr K7310", k);
    EXPECT_EQ(k.machineOption, 2);
    EXPECT_EQ(k.decentredRalla, 0);

    OptionWords none;
    ApplyCommandLineWords("", none);
    EXPECT_EQ(none.machineConnected, 1);
    EXPECT_EQ(none.machineOption, 1);
}

TEST(OptionWords, MachineKeyWholeWordsEveryOneActs) {
    OptionWords w;
    ApplyMachineWords("ruvizorur  decentr", w);
    EXPECT_EQ(w.machineOption, 3);
    EXPECT_EQ(w.decentredRalla, 1);
    EXPECT_EQ(w.machineConnected, 1);

    OptionWords prefix;
    ApplyMachineWords("OFFICEX XOFFICE K7310X", prefix);
    EXPECT_EQ(prefix.machineConnected, 1);
    EXPECT_EQ(prefix.machineOption, 1);

    // The configuration adds to what the command line set.
    OptionWords both;
    ApplyCommandLineWords("k7310", both);
    ApplyMachineWords("office", both);
    EXPECT_EQ(both.machineOption, 2);
    EXPECT_EQ(both.machineConnected, 0);
}

TEST(OptionWords, MachineKeyReadsAtMostEightWords) {
    OptionWords w;
    ApplyMachineWords("a b c d e f g h DECENTR", w);
    EXPECT_EQ(w.decentredRalla, 0);
    OptionWords eighth;
    ApplyMachineWords("a b c d e f g DECENTR", eighth);
    EXPECT_EQ(eighth.decentredRalla, 1);
}

TEST(VariantTables, ControllerAndConfMacColumns) {
    EXPECT_EQ(VariantFromController(1, 0, 0), 0);
    EXPECT_EQ(VariantFromController(1, 1, 1), 1);
    EXPECT_EQ(VariantFromController(0, 1, 1), 2);
    EXPECT_EQ(VariantFromController(0, 0, 0), -1);
    EXPECT_EQ(VariantFromController(1, 1, 0), -1);
    EXPECT_EQ(VariantFromConfMac(1, 0, 0), 0);
    EXPECT_EQ(VariantFromConfMac(1, 1, 1), 1);
    EXPECT_EQ(VariantFromConfMac(0, 1, 1), 2);
    EXPECT_EQ(VariantFromConfMac(1, 1, 0), -1);
}

TEST(Titles, VariantOptionLettersAndOfficeMark) {
    EXPECT_EQ(ComposeBaseTitle(0, "3.0", 0, 1, 1), "Velmo (v3.0) for Brelon2 FE");
    EXPECT_EQ(ComposeBaseTitle(1, "3.0", 1, 2, 1), "Velmo (v3.0) for Brelon3 L1 DCE");
    EXPECT_EQ(ComposeBaseTitle(2, "", 0, 3, 0), "Velmo (v) for Brelon V1 ME - OFFICE -");
    // With a list: no empty part between the office mark and the list.
    EXPECT_EQ(ComposeListTitle("Velmo (v) for Brelon V1 ME - OFFICE -", "C:\\LDA\\A.LDA"),
              "Velmo (v) for Brelon V1 ME - OFFICE - C:\\LDA\\A.LDA");
    EXPECT_EQ(ComposeListTitle("Velmo (v3.0) for Brelon2 FE", "C:\\LDA\\A.LDA"),
              "Velmo (v3.0) for Brelon2 FE - C:\\LDA\\A.LDA");
}

TEST(StatusTimer, NonPositivePeriodBecomesSmallPositive) {
    EXPECT_EQ(StatusTimerPeriod(250), 250);
    EXPECT_EQ(StatusTimerPeriod(1), 1);
    EXPECT_EQ(StatusTimerPeriod(0), kMinStatusPeriod);
    EXPECT_EQ(StatusTimerPeriod(-40), kMinStatusPeriod);
    EXPECT_GT(kMinStatusPeriod, 0);
}

TEST(PaneColours, FollowTextOnlineAndStayPlainOffline) {
    EXPECT_EQ(PaneBackground(292, "X: 1.00", false), ui::kNoColor);
    EXPECT_NE(PaneBackground(292, "X: 1.00", true), ui::kNoColor);
    EXPECT_EQ(PaneBackground(317, "Alarms", true), 0x0000FFu);
    EXPECT_NE(PaneBackground(317, "", true), 0x0000FFu);
}
