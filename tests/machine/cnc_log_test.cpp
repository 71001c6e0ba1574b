// The event log, the alarm history, the piece file and the operator-text map.
#include <sys/stat.h>
#include <unistd.h>

#include "../platform/test_dir.h"
#include "cnc_fixture.h"
#include "machine/barlist.h"

TEST(CncEventLog, FileNamesByDayAndMonth) {
    const plat::LocalTime fifthOfMarch{2026, 3, 5, 10, 0, 0, 0, 4};
    EXPECT_EQ(EventLogFileName("C:\\LOG\\", 1, fifthOfMarch), "C:\\LOG\\20260305.LGC");
    EXPECT_EQ(EventLogFileName("C:\\LOG\\", 7, fifthOfMarch), "C:\\LOG\\20260305.LGC");
    EXPECT_EQ(EventLogFileName("C:\\LOG\\", 2, fifthOfMarch), "C:\\LOG\\2026-03.LGC");
    EXPECT_EQ(EventLogFileName("C:\\LOG\\", 0, fifthOfMarch), "");
}

TEST_F(CncTest, EveryRecordFormat) {
    Config("LOG_SUPERVISOR=1\r\nDIR_LOG=C:\\BRELON3\\VELMO\\LOG\\\r\nNOME_MACCHINA_LOG=LINE4\r\nALARM_LOG=0\r\n");
    CStatoCncOn& on = MakeOnline();
    const std::string s = Stamp();
    const std::time_t t = clock.Time() - 3600;
    plat::LocalTime lt{};
    LocalTimeOf(t, lt);
    char ps[40];
    std::snprintf(ps, sizeof ps, "%02d/%02d/%d;%02d:%02d:%02d;", lt.day, lt.month, lt.year, lt.hour, lt.minute,
                  lt.second);
    on.LogJob("D:\\LISTE\\ORD12.lda", 4, 4);
    on.LogJob("D:\\LISTE\\ORD12.lda", -1, -1);
    on.LogJob("D:\\LISTE\\ORD12.lda", 0, 0);
    on.LogJob(nullptr, -1, -1);
    on.LogJob(nullptr, -1, -1); // no job stored: nothing
    on.LogAlarm(10);
    on.LogAlarm(999); // no text in CNC.MSG
    on.LogAlarm(0);
    on.LogAutomatic(1);
    on.LogAutomatic(0);
    on.LogCycle(1);
    on.LogCycle(0);
    on.LogPiece(t, "LIST", "P1", "S1", 1234500, 2, 3, "X");
    on.LogMulti(t, "A", "B", 250);
    EXPECT_EQ(on.LogEndPiece("LIST", "P1", 1000000), 0);
    on.LogLogon(0, "LINE4");
    EXPECT_EQ(Read(LogFile()), s + "LOGON;LINE4\r\n" + s + "JOB-BEGIN;ORD12;4;4\r\n" + s + "JOB-ON;ORD12\r\n" + s +
                                   "JOB-END;ORD12\r\n" + s + "JOB-OFF;ORD12\r\n" + s +
                                   "ALARM-ON;10;Spindle overload\r\n" + s + "ALARM-ON;999;?????\r\n" + s +
                                   "ALARM-OFF\r\n" + s + "AUTOM-ON\r\n" + s + "AUTOM-OFF\r\n" + s + "CYCLE-ON\r\n" + s +
                                   "CYCLE-OFF\r\n" + ps + "PIECE;LIST;P1;S1;1234.5;2;3;X\r\n" + ps +
                                   "MULTI;A;B;0.25\r\n" + s + "OPER-ON;END-PIECE;LIST;P1;1000\r\n" + s +
                                   "SHUTDOWN;LINE4\r\n");
    EXPECT_STREQ(on.CurrentJobName(), "");
    // A record that would be longer than a line keeps its start and its line end.
    on.LogJob(("C:\\" + std::string(300, 'J') + ".lda").c_str(), -1, 0);
    const std::string all = Read(LogFile());
    const std::string last = all.substr(all.rfind(s));
    EXPECT_EQ(last.size(), kEventLineMax + 1); // CR LF in the file
    EXPECT_EQ(last.substr(last.size() - 2), "\r\n");
}

TEST_F(CncTest, MonthlyFileAndNoLogWhenOff) {
    Config("LOG_SUPERVISOR=2\r\nDIR_LOG=C:\\BRELON3\\VELMO\\LOG\\\r\nALARM_LOG=0\r\n");
    MakeOnline();
    EXPECT_EQ(Read(prog + "LOG/2026-03.LGC"), Stamp() + "LOGON;BRELON\r\n");
    cnc.reset();
    fs::remove(prog + "LOG/2026-03.LGC");
    Config("LOG_SUPERVISOR=0\r\nDIR_LOG=C:\\BRELON3\\VELMO\\LOG\\\r\n");
    CStatoCncOn& on = MakeOnline();
    on.LogCycle(1);
    EXPECT_EQ(on.LogEndPiece("L", "P", 1), 0);
    EXPECT_TRUE(fs::is_empty(prog + "LOG"));
}

TEST_F(CncTest, AlarmLoggedOnceWhileActiveAndAgainAfterItClears) {
    Config("LOG_SUPERVISOR=1\r\nDIR_LOG=C:\\BRELON3\\VELMO\\LOG\\\r\nALARM_LOG=1\r\n");
    CStatoCncOn& on = MakeOnline();
    const std::string s = Stamp();
    sim.SimSetR(450, 3); // neither automatic nor logged as a mode change
    sim.SimRaiseAlarm(20);
    on.PollStatus(5);
    on.PollStatus(5);
    on.PollStatus(5);
    sim.SimClearAlarm(20);
    on.PollStatus(5);
    sim.SimRaiseAlarm(20);
    sim.SimRaiseAlarm(1200); // out of the tracked range: counted, never logged
    on.PollStatus(5);
    on.PollStatus(5);
    EXPECT_EQ(on.GetActiveAlarms(nullptr), 2);
    EXPECT_EQ(Read(LogFile()), s + "LOGON;BRELON\r\n" + s + "ALARM-ON;20;Air pressure low\r\n" + s + "ALARM-OFF\r\n" +
                                   s + "ALARM-ON;20;Air pressure low\r\n");
    ASSERT_EQ(on.History()->Count(), 2);
    plat::LocalTime lt{};
    LocalTimeOf(clock.Time(), lt);
    char line[80];
    std::snprintf(line, sizeof line, "20  \"Air pressure low\"   %d/%d/%d   %02d:%02d:%02d\r\n", lt.day, lt.month,
                  lt.year, lt.hour, lt.minute, lt.second);
    EXPECT_EQ(Read(prog + "ALARM.LOG"), std::string(line) + line);
}

TEST_F(CncTest, AlarmHistoryRingOf500AndReload) {
    AlarmHistory h;
    for (int i = 1; i <= 501; ++i) h.Append(i);
    EXPECT_EQ(h.Count(), 500);
    EXPECT_EQ(h.At(0).number, 2);
    EXPECT_EQ(h.At(499).number, 501);
    const std::string path = "C:\\BRELON3\\VELMO\\ALARM.LOG";
    ASSERT_TRUE(h.Save(path.c_str(), "C:\\BRELON3\\VELMO\\MSG\\CNC.MSG"));
    AlarmHistory back;
    EXPECT_EQ(back.Load(path.c_str()), 500);
    EXPECT_EQ(back.At(0).number, 2);
    EXPECT_EQ(back.At(499).number, 501);
    EXPECT_EQ(back.At(0).year, 2026);

    // Damaged lines are skipped; a line written on 7/3/2026 loads back with that date.
    Write(prog + "ALARM.LOG", "7  \"text 12\"   7/3/2026   08:09:10\r\n"
                              "8  no quotes 1/1/2026 00:00:00\r\n"
                              "9  \"open only   1/1/2026\r\n"
                              "10  \"short\"   1/1/2026   10:11\r\n");
    EXPECT_EQ(back.Load(path.c_str()), 1);
    EXPECT_EQ(back.At(0).number, 7);
    EXPECT_EQ(back.At(0).day, 7);
    EXPECT_EQ(back.At(0).month, 3);
    EXPECT_EQ(back.At(0).year, 2026);
    EXPECT_EQ(back.At(0).second, 10);

    // A history that cannot be read (no read permission, as an ordinary user sees it) is never
    // replaced by the alarms of this run; a missing one is made by the first save.
    const std::string kept = Read(prog + "ALARM.LOG");
    for (std::string d = prog; d.size() > root.size(); d = fs::path(d).parent_path().string())
        ::chmod(d.c_str(), 0777); // the folders, so that the ordinary user could replace the file
    ::chmod(root.c_str(), 0777);
    ::chmod((prog + "ALARM.LOG").c_str(), 0);
    const int child = plat_test::RunAsOrdinaryUser([&] {
        AlarmHistory h2;
        if (h2.Load(path.c_str()) != 0) return 1;
        h2.Append(42);
        return h2.Save(path.c_str(), "C:\\BRELON3\\VELMO\\MSG\\CNC.MSG") ? 2 : 0;
    });
    EXPECT_EQ(child, 0);
    ::chmod((prog + "ALARM.LOG").c_str(), 0644);
    EXPECT_EQ(Read(prog + "ALARM.LOG"), kept);
    fs::remove(prog + "ALARM.LOG");
    AlarmHistory fresh;
    EXPECT_EQ(fresh.Load(path.c_str()), 0);
    fresh.Append(43);
    EXPECT_TRUE(fresh.Save(path.c_str(), "C:\\BRELON3\\VELMO\\MSG\\CNC.MSG"));
    Write(prog + "ALARM.LOG", kept);
    // The on-line object loads it at construction.
    Config("ALARM_LOG=1\r\n");
    EXPECT_EQ(MakeOnline().History()->Count(), 1);
}

TEST_F(CncTest, PieceFileIsAppendedInPlace) {
    Config("LOG_SUPERVISOR=1\r\nDIR_LOG=C:\\BRELON3\\VELMO\\LOG\\\r\nALARM_LOG=0\r\n", "[NEWXINFO]\r\nGENERAL=1\r\n");
    Write(prog + "LOG/XInfo.log", "earlier\r\n");
    CStatoCncOn& on = MakeOnline();
    ASSERT_TRUE(on.PieceFileOn());
    EXPECT_EQ(on.LogEndPiece("L1", "P1", 500), 0);
    EXPECT_EQ(on.LogEndPiece("L1", "P2", 500), 0);
    EXPECT_EQ(Read(prog + "LOG/XInfo.log"), "earlier\r\n" + Stamp() + "PIECE;L1;P1\r\n" + Stamp() + "PIECE;L1;P2\r\n");
    EXPECT_FALSE(fs::exists(prog + "LOG/TmpXInfo.log"));

    cnc.reset();
    Config("LOG_SUPERVISOR=1\r\nDIR_LOG=C:\\BRELON3\\VELMO\\LOG\\\r\nALARM_LOG=0\r\n",
           "[NEWXINFO]\r\nGENERAL=1\r\n[XINFO]\r\nFILE=C:\\NOWHERE\\X.log\r\n");
    CStatoCncOn& other = MakeOnline();
    EXPECT_EQ(other.LogEndPiece("L1", "P3", 500), 1);
    EXPECT_FALSE(other.PieceFileOn());
}

TEST_F(CncTest, OperatorTextMapWithWildcardsAndConditions) {
    Config("LOG_SUPERVISOR=1\r\nDIR_LOG=C:\\BRELON3\\VELMO\\LOG\\\r\nALARM_LOG=0\r\n");
    Write(prog + "CONF/MSVtag.par", "[BRELON]\r\n"
                                    "*.ISO=tag:run\r\n"
                                    "%.BRE=TAG:CALL;\r\n"
                                    "ALIM.BRE=(TAG:A VAR:R100=1;R101=2.5)(TAG:B)\r\n"
                                    "SCARICO.BRE=(TAG:A VAR:R100=1)(TAG:B VAR:R100=2)\r\n"
                                    "BROKEN.BRE=(TAG:A\r\n");
    CStatoCncOn& on = MakeOnline();
    char text[260], result[200];
    auto map = [&](const char* t) {
        std::snprintf(text, sizeof text, "%s", t);
        on.MapOperatorText(text, result);
        return std::string(result);
    };
    EXPECT_EQ(map("  PROG.ISO "), "RUN;PROG.ISO");
    EXPECT_EQ(map("PROG.ISO"), ""); // same text as the last mapped one
    EXPECT_EQ(map("6010.BRE"), "CALL;6010.BRE");
    EXPECT_EQ(map("0.BRE"), "");    // a zero number is no number wildcard; no name wildcard for .BRE
    EXPECT_EQ(map("NOEXT"), "");
    sim.SimSetR(100, 1);
    sim.SimSetR(101, 2.5);
    EXPECT_EQ(map("ALIM.BRE"), "A");
    sim.SimSetR(101, 0);
    EXPECT_EQ(map("PROG.ISO"), "RUN;PROG.ISO");
    EXPECT_EQ(map("ALIM.BRE"), "B");
    sim.SimSetR(100, 3);
    EXPECT_EQ(map("SCARICO.BRE"), "");
    EXPECT_EQ(map("BROKEN.BRE"), "");
    EXPECT_EQ(on.TestRCondition("R100"), 0);
    EXPECT_EQ(on.TestRCondition("R100=3"), 1);

    // Through the poll: a new program-state text is recorded once.
    const int panes[7] = {0, 0, 0, 0, 0, 0, 318};
    on.SetStatusPaneIds(panes);
    sim.SimSetProgramStateText("9000.BRE");
    on.PollStatus(5);
    on.PollStatus(5);
    const std::string log = Read(LogFile());
    EXPECT_EQ(log.find("OPER-ON;CALL;9000.BRE\r\n"), log.rfind("OPER-ON;CALL;9000.BRE\r\n"));
    EXPECT_NE(log.find("OPER-ON;CALL;9000.BRE\r\n"), std::string::npos);
}

TEST(CncEventLog, TextRoutines) {
    std::size_t pos = 0;
    EXPECT_EQ(ReadNextNumber("ab12 x345", pos), 12);
    EXPECT_EQ(ReadNextNumber("ab12 x345", pos), 345);
    EXPECT_EQ(ReadNextNumber("ab12 x345", pos), -1);
    char key[40] = "123.ISO";
    EXPECT_EQ(MakeNumberWildcard(key), 1);
    EXPECT_STREQ(key, "%.ISO");
    std::snprintf(key, sizeof key, "A12.ISO");
    EXPECT_EQ(MakeNumberWildcard(key), 0);
    EXPECT_EQ(MakeNameWildcard(key), 1);
    EXPECT_STREQ(key, "*.ISO");
    std::snprintf(key, sizeof key, "ABCDEFGHIJKLMNOP.ISO"); // 20 characters
    EXPECT_EQ(MakeNameWildcard(key), 0);
}

TEST_F(CncTest, BarListJobRecordsGoToTheEventLog) {
    Config("LOG_SUPERVISOR=1\r\nDIR_LOG=C:\\BRELON3\\VELMO\\LOG\\\r\nALARM_LOG=0\r\n");
    MakeOnline();
    ASSERT_NE(GetBarListEvents(), nullptr);
    GetBarListEvents()->LogJob("D:\\LISTE\\ORD12.lda", 0, 0);
    EXPECT_EQ(Read(LogFile()), Stamp() + "LOGON;BRELON\r\n" + Stamp() + "JOB-END;ORD12\r\n");
    cnc.reset();
    EXPECT_EQ(GetBarListEvents(), nullptr);
}
