// The controller library binding, the off-line CNC state and the R-variable access.
#include "cnc_fixture.h"

TEST_F(CncTest, BindingNamesAMissingEntryPointAndGoesOn) {
    UvenlibBinding lib;
    ASSERT_TRUE(lib.Bind(SimLibraryPath("/missing").c_str(), nullptr));
    EXPECT_EQ(lib.MissingCount(), 1);
    EXPECT_EQ(lib.lquote, nullptr);
    EXPECT_NE(lib.TstCmdCnc, nullptr); // fetched after the missing one
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].title, "Velmo-Errore");
    EXPECT_FALSE(ui.boxes[0].titleIsKey);
    EXPECT_EQ(ui.boxes[0].text, "Funzione lquote non trovata");
    EXPECT_EQ(lib.RunDirnav(), UVEN_DIRNAV_INIT_OK);
    EXPECT_EQ(ui.boxes.size(), 1u);
    lib.Unbind();
    EXPECT_EQ(lib.dirnav, nullptr);
}

TEST_F(CncTest, LibraryThatFailsToLoadMeansOfficeMode) {
    UvenlibBinding lib;
    const std::string broken = SimLibraryPath("/broken");
    EXPECT_FALSE(lib.Bind(broken.c_str(), broken.c_str()));
    EXPECT_FALSE(lib.IsLoaded());
    EXPECT_EQ(lib.GetDatiCncEx, nullptr);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "Caricamento UvenlibVB.dll fallito");
    EXPECT_EQ(lib.RunDirnav(), -1); // never called without the entry point
}

TEST_F(CncTest, DirnavWithoutInitBitIsReported) {
    sim.SimSetDirnavResult(0);
    EXPECT_EQ(g_uvenlib.RunDirnav(), 0);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "Error Init DIZEZIZ");
    EXPECT_EQ(ui.boxes[0].icon, BoxIcon::Warning);
}

TEST_F(CncTest, OfflineStateAnswersNeutralValues) {
    g_machineConnected = 0;
    cnc = std::make_unique<CStatoCnc>();
    ASSERT_NE(g_pSpecialPrograms, nullptr);
    cnc->StartProgram(&window, nullptr, nullptr);
    EXPECT_EQ(window.posted, (std::vector<PostedMessage>{{UM_CNC_CMD_RESULT, 0, 0}}));
    EXPECT_EQ(cnc->IsCncOn(), 0);
    EXPECT_EQ(cnc->GetPlcVersion(), 1.0f);
    EXPECT_EQ(cnc->GetCncVersion(), 1.0f);
    EXPECT_EQ(cnc->GetCncOsVersion(), 1.0f);
    EXPECT_EQ(cnc->GetStateField98(), 1);
    EXPECT_EQ(cnc->IsStateBit200(), 1);
    EXPECT_EQ(cnc->ReadRVar(599), 0.0f);
    char text[kTimeCounterTextSize] = "x";
    EXPECT_STREQ(cnc->GetTimeCounterText(text), "");
    cnc->LogLogon(1, "BRELON");
    cnc->LogJob("D:\\LISTE\\ORD12.lda", 1, 1);
    EXPECT_EQ(cnc->LogEndPiece("L", "P", 1000), 0);
    EXPECT_TRUE(fs::is_empty(prog + "LOG"));
    // Office mode stores no special programs.
    Write(work + "SPECIAL/A.ISO", "x");
    EXPECT_EQ(g_pSpecialPrograms->AddSpecialProgram("A.ISO"), 0);
    EXPECT_EQ(g_pSpecialPrograms->Count(), 0);
    cnc.reset();
    EXPECT_EQ(g_pSpecialPrograms, nullptr);
}

TEST_F(CncTest, RVariablesReadAndWriteThroughTheLibrary) {
    Config("ALARM_LOG=0\r\n");
    CStatoCncOn& on = MakeOnline();
    sim.SimSetR(590, 7.0);
    EXPECT_EQ(on.GetR590(), 7.0f);
    EXPECT_EQ(on.GetCncVersion(), 5.4f);
    EXPECT_EQ(on.IsCncOn(), 1);
    sim.SimClearLogs();
    on.SetR470R472(5);
    ASSERT_EQ(sim.SimRWriteLogCount(), 2);
    int n = 0;
    double v = 0;
    sim.SimRWriteLogEntry(0, &n, &v);
    EXPECT_EQ(n, 470);
    EXPECT_EQ(v, 5.0);
    sim.SimRWriteLogEntry(1, &n, &v);
    EXPECT_EQ(n, 472);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(CncTest, FailedReadsReturnZeroAndShowOneBoxUntilTheLinkRecovers) {
    Config("ALARM_LOG=0\r\n");
    CStatoCncOn& on = MakeOnline();
    sim.SimSetR(100, 42.0);
    sim.SimSetFailNextRead(UVEN_RW_NOT_READY, 3);
    float v = -1.0f;
    EXPECT_FALSE(on.ReadRVarChecked(100, v));
    EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(on.ReadRVar(100), 0.0f);
    EXPECT_EQ(on.ReadRVar(100), 0.0f);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "GetDatiCncEx ha ritornato 0");
    EXPECT_EQ(on.ReadRVar(100), 42.0f); // recovered
    // Each result class has its text; 65535 (-1) reads as 0, a result of 2 is silent.
    const struct { int result; const char* text; } cases[] = {
        {-1, "GetDatiCncEx ha ritornato 0"}, {1, "GetDatiCncEx ha ritornato 1"},
        {-5, "GetDatiCncEx ha ritornato < 0"}, {2, nullptr}};
    for (const auto& c : cases) {
        ui.boxes.clear();
        sim.SimSetFailNextRead(c.result, 1);
        on.ReadRVar(100);
        if (c.text == nullptr) EXPECT_TRUE(ui.boxes.empty());
        else {
            ASSERT_EQ(ui.boxes.size(), 1u) << c.result;
            EXPECT_EQ(ui.boxes[0].text, c.text);
        }
        on.ReadRVar(100);
    }
    ui.boxes.clear();
    sim.SimSetFailNextWrite(-3, 2);
    EXPECT_FALSE(on.WriteRVar(100, 1.0f));
    EXPECT_FALSE(on.WriteRVar(100, 1.0f));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "SetDatiCncEx ha ritornato < 0");
    EXPECT_TRUE(on.WriteRVar(100, 1.0f));
}

TEST_F(CncTest, TimeCounterTextAndRunningTotal) {
    Config("ALARM_LOG=0\r\n");
    CStatoCncOn& on = MakeOnline();
    g_machiningTimeTotal = 0.0;
    char text[kTimeCounterTextSize];
    const struct { double minutes; const char* text; } cases[] = {
        {1.5, "1' 30\""}, {0.5, "30\""}, {2.0, "2'"}, {0.0, ""}};
    for (const auto& c : cases) {
        sim.SimSetR(485, c.minutes);
        EXPECT_STREQ(on.GetTimeCounterText(text), c.text) << c.minutes;
    }
    EXPECT_DOUBLE_EQ(g_machiningTimeTotal, 4.0);
    on.ResetTimeCounter();
    EXPECT_EQ(sim.SimGetR(485), 0.0);
}

TEST_F(CncTest, StateQueriesFollowTheStatusWords) {
    Config("ALARM_LOG=0\r\n");
    CStatoCncOn& on = MakeOnline();
    EXPECT_EQ(on.GetStateField98(), 0); // before the first poll
    int alarms[10] = {9, 9, 9, 9, 9, 9, 9, 9, 9, 9};
    EXPECT_EQ(on.GetActiveAlarms(alarms), 0);
    EXPECT_EQ(alarms[0], 9);
    sim.SimSetStatusWords(0, 0, UVEN_STACN_W3_END);
    EXPECT_EQ(on.GetStateBit100(), 1);
    EXPECT_EQ(on.GetStateBit99(), 1); // not in automatic mode
    sim.SimSetStatusWords(0, 0, UVEN_STACN_W3_END | UVEN_STACN_W3_ACTIVE);
    EXPECT_EQ(on.GetStateBit100(), 0);
    sim.SimRaiseAlarm(21);
    on.PollStatus(5);
    EXPECT_EQ(on.GetActiveAlarms(alarms), 1);
    EXPECT_EQ(alarms[0], 21);
}

TEST(CncSplit, LabelTextSplitsIntoLines) {
    std::vector<std::string> lines;
    std::string extra;
    SplitMessageLines("AB\nCD", lines, &extra);
    EXPECT_EQ(lines, std::vector<std::string>{"AB"});
    std::string twenty;
    for (int i = 0; i < 20; ++i) twenty += "L" + std::to_string(i) + "\n";
    SplitMessageLines(twenty.c_str(), lines, &extra);
    EXPECT_EQ(lines.size(), 18u);
    SplitMessageLines(("A\x01\tB\n\n" + std::string(70, 'x') + "\nC\x0f" "123X Y\nD\n").c_str(), lines, &extra);
    EXPECT_EQ(lines, (std::vector<std::string>{"AB", std::string(63, 'x'), "C", "D"}));
    EXPECT_EQ(extra, "XY");
}
