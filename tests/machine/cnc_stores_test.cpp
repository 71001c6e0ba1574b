// The special sub-program list and the bar progress file.
#include "cnc_fixture.h"
#include "machine/bar_progress.h"

TEST_F(CncTest, SpecialProgramListHoldsAThousandNames) {
    g_machineConnected = 1;
    cnc = std::make_unique<CStatoCnc>();
    SpecialProgramList& list = *g_pSpecialPrograms;
    char text[SpecialProgramList::kNameSize] = "untouched";
    EXPECT_EQ(list.FirstSpecialProgram(text), 0);
    Write(work + "SPECIAL/S.ISO", "x");
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(list.AddSpecialProgram("S.ISO"), 0) << i;
    EXPECT_EQ(list.AddSpecialProgram("S.ISO"), 1);
    list.ClearSpecialList();
    Write(work + "SPECIAL/T.ISO", "x");
    EXPECT_EQ(list.AddSpecialProgram("s.iso"), 0); // found ignoring case, stored as given
    EXPECT_EQ(list.AddSpecialProgram("T.ISO"), 0);
    EXPECT_EQ(list.AddSpecialProgram("U.ISO"), 2);
    EXPECT_EQ(list.FirstSpecialProgram(text), 1);
    EXPECT_STREQ(text, "s.iso");
    EXPECT_EQ(list.NextSpecialProgram(text), 1);
    EXPECT_STREQ(text, "T.ISO");
    EXPECT_EQ(list.NextSpecialProgram(text), 0);
    EXPECT_STREQ(text, "T.ISO");
}

TEST_F(CncTest, BarProgressRoundTrip) {
    ApplyMachineVariant(1); // "C:\BRELON3\VELMO\STATBAR.TXT"
    const char* list = "C:\\BRELON3\\VELMO\\LDA\\ORD12.lda";
    EXPECT_EQ(ReadBarProgress(17, list), 0); // no file
    ASSERT_EQ(WriteBarProgress(17, list, 3), 0);
    EXPECT_EQ(ReadBarProgress(17, list), 3);
    EXPECT_EQ(ReadBarProgress(18, list), 0);
    EXPECT_EQ(ReadBarProgress(17, "C:\\BRELON3\\VELMO\\LDA\\ORD13.lda"), 0);
    EXPECT_EQ(ReadBarProgress(17, "c:\\brelon3\\velmo\\lda\\ORD12.lda"), 0); // exact comparison
    EXPECT_EQ(Read(prog + "STATBAR.TXT"),
              "[STATBAR]\r\nNOMELDA=C:\\BRELON3\\VELMO\\LDA\\ORD12.lda\r\nIDBARRA=17\r\nPEZZIFATTI=3\r\n");
    // A progress file that cannot be written leaves nothing half-done.
    ApplyMachineVariant(2); // "C:\BREPVCV1\VELMO\" does not exist
    EXPECT_EQ(WriteBarProgress(17, list, 4), 1);
    ApplyMachineVariant(1);
    EXPECT_EQ(ReadBarProgress(17, list), 3);
}
