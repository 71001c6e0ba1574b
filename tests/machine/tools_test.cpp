// Tool table file "TOOLS.TXT", the dialog's table and the ralla tool set.
#include <functional>

#include "barlist_fixture.h"
#include "machine/tool_table.h"
#include "machine/units.h"
#include "machine/ui_services_fake.h"

namespace barlist_test {
namespace {

using ToolsTest = BarListTest;

TEST_F(ToolsTest, LoadToolsConvertsToThousandths) {
    ASSERT_EQ(tools_->Count(), 5);
    EXPECT_STREQ(tools_->Tool(0).name, "0");
    const ToolRecord& f = tools_->Tool(tools_->FindTool("FRESA8"));
    EXPECT_EQ(f.kind, 0);
    EXPECT_EQ(f.cooling, 20);
    EXPECT_EQ(f.speed, 12000);
    EXPECT_EQ(f.feed, 50);
    EXPECT_EQ(f.plunge, 3);
    EXPECT_EQ(f.diameter[0], 8000);
    EXPECT_EQ(f.totalLength, 60000);
    EXPECT_EQ(tools_->FindTool("fresa8"), -1); // exact names only
    EXPECT_EQ(tools_->headerNumber, 60);
    EXPECT_STREQ(tools_->Tool(99).name, "0"); // never past the table
}

// Decimal values reach the table as written: a float's own error never costs a unit, and a
// digit beyond the unit is still cut off.
TEST_F(ToolsTest, DecimalValuesLoadAsWritten) {
    WriteText("TOOLS.TXT", "# 60\n* DEC 1 10\n3000 0.9 2.7\n4.6 3.3 0.3 0 4.6 0\n40.3 0.001 4.35 1 99.999 0\n"
                           "* CUT 1 10\n3000 0.95 2\n4.6005 0 0 0 4.6 0\n40 0 0 10 60 0\n");
    ASSERT_EQ(tools_->LoadTools(), 0) << g_errorText;
    const ToolRecord& t = tools_->Tool(tools_->FindTool("DEC"));
    EXPECT_EQ(t.feed, 9);
    EXPECT_EQ(t.plunge, 2);
    EXPECT_EQ(t.diameter[0], 4600);
    EXPECT_EQ(t.diameter[1], 3300);
    EXPECT_EQ(t.diameter[2], 300);
    EXPECT_EQ(t.length[0], 40300);
    EXPECT_EQ(t.length[1], 1);
    EXPECT_EQ(t.length[2], 4350);
    EXPECT_EQ(t.totalLength, 99999);
    const ToolRecord& c = tools_->Tool(tools_->FindTool("CUT"));
    EXPECT_EQ(c.feed, 9) << "0.95 is 9.5 tenths: truncated";
    EXPECT_EQ(c.diameter[0], 4600) << "4.6005 is 4600.5 thousandths: truncated";
}

TEST_F(ToolsTest, WriteAndReadBackGiveTheSameTable) {
    ToolTable table;
    ASSERT_EQ(ReadToolTable(table), 0) << g_errorText;
    ASSERT_EQ(table.Count(), 4);
    EXPECT_EQ(table.capacity, 20);
    ToolFileRecord* added = table.GetFreeToolRecord();
    ASSERT_NE(added, nullptr);
    std::strcpy(added->name, "MASCH6");
    added->kind = 4;
    added->speed = 300;
    added->feed = 1.25f;
    added->plunge = -12.5f;
    added->diameter[0] = 6.35f;
    added->length[0] = 20.123456f;
    added->totalLength = 60;
    added->tipDiameter1 = 5;
    added->tipLength1 = 2;
    added->inUse = 1;
    ASSERT_EQ(WriteToolTable(table, 42), 0);
    const std::string text = ReadText("TOOLS.TXT");
    EXPECT_EQ(text.rfind("# 42\r\n\r\n* PUNTA5 1 10 \r\n3000 1 2\r\n", 0), 0u) << text;
    ToolTable back;
    ASSERT_EQ(ReadToolTable(back), 0) << g_errorText;
    EXPECT_EQ(back.headerNumber, 42);
    ASSERT_EQ(back.Count(), 5);
    const ToolFileRecord& m = back.records[4];
    EXPECT_STREQ(m.name, "MASCH6");
    EXPECT_EQ(m.kind, 4);
    EXPECT_EQ(m.feed, 1.25f);
    EXPECT_EQ(m.plunge, -12.5f);
    EXPECT_EQ(m.diameter[0], 6.35f);
    EXPECT_NEAR(m.length[0], 20.1235, 1e-6); // "%g" keeps six significant digits
    EXPECT_EQ(CheckToolLimits(m, 1), 0) << g_errorText;
}

TEST_F(ToolsTest, MissingHeaderLineAndMissingFile) {
    WriteText("TOOLS.TXT", "* PUNTA5 1 10\n3000 1 2\n5 0 0 0 5 0\n40 0 0 10 60 0\n");
    ToolTable table;
    table.headerNumber = 7;
    ASSERT_EQ(ReadToolTable(table), 0);
    EXPECT_EQ(table.headerNumber, 60);
    EXPECT_EQ(table.Count(), 1);
    // A "#" line without a number keeps 60, and so does the file written back.
    for (const auto& [head, number] : {std::pair{"#", 60}, {"# ", 60}, {"#x12", 60}, {"# -", 60}, {"# 0", 0}, {"#25x", 25}}) {
        WriteText("TOOLS.TXT", std::string(head) + "\n\n* PUNTA5 1 10\n3000 1 2\n5 0 0 0 5 0\n40 0 0 10 60 0\n");
        ASSERT_EQ(ReadToolTable(table), 0);
        EXPECT_EQ(table.headerNumber, number) << head;
        ASSERT_EQ(tools_->LoadTools(), 0) << g_errorText;
        EXPECT_EQ(tools_->headerNumber, number) << head;
    }
    WriteText("TOOLS.TXT", "#\n\n* PUNTA5 1 10\n3000 1 2\n5 0 0 0 5 0\n40 0 0 10 60 0\n");
    ASSERT_EQ(ReadToolTable(table), 0);
    ASSERT_EQ(WriteToolTable(table, table.headerNumber), 0);
    EXPECT_EQ(ReadText("TOOLS.TXT").rfind("# 60\r\n", 0), 0u);
    std::filesystem::remove(P("TOOLS.TXT"));
    EXPECT_EQ(ReadToolTable(table), 1);
    EXPECT_EQ(std::string(g_errorText), "PATH_ERROR\n" + P("TOOLS.TXT"));
    const int loaded = tools_->Count();
    EXPECT_EQ(tools_->LoadTools(), 1);
    EXPECT_EQ(tools_->Count(), loaded); // the loaded table stays
}

TEST_F(ToolsTest, BladeRecordsWrittenOnVariantOneAndNeverLoadedAsTools) {
    ApplyMachineVariant(1);
    std::strcpy(g_pSettings->QBLADE_NAME, "LAMA500");
    std::strcpy(g_pSettings->SLICERBLADE_NAME, "LAMA2");
    g_pSettings->DIAM_LAMA = 500000;
    g_pSettings->SPESS_FLANGIA_LAMA = 12500;
    g_pSettings->DIAM_FLANGIA_LAMA = 120000;
    g_pSettings->H_BRACCIO = 100000;
    g_pSettings->SPESS_LAMA = 4400;
    g_pSettings->L_BRACCIO = 300000;
    g_pSettings->ParametersLoaded = 1; // the values above as a parameter load that succeeded gives them
    ToolTable table;
    ASSERT_EQ(ReadToolTable(table), 0);
    ASSERT_EQ(WriteToolTable(table, 60), 0);
    const std::string text = ReadText("TOOLS.TXT");
    EXPECT_NE(text.find("* LAMA500 3 60 \r\n12000 0 12.5\r\n500 0 0 120 200\r\n4.4 0 0 300 304.4\r\n\r\n"),
              std::string::npos)
        << text;
    EXPECT_LT(text.find("LAMA500"), text.find("LAMA2 "));
    ASSERT_EQ(tools_->LoadTools(), 0) << g_errorText;
    EXPECT_EQ(tools_->FindTool("LAMA500"), -1);
    EXPECT_EQ(tools_->Count(), 5);
    // The dialog's table does not keep them: their slot is reused or left free.
    ToolTable back;
    ASSERT_EQ(ReadToolTable(back), 0);
    int inUse = 0;
    for (const ToolFileRecord& r : back.records) inUse += r.inUse;
    EXPECT_EQ(inUse, 4);
    // At start-up the missing blade records are appended once.
    WriteText("TOOLS.TXT", kDemoTools);
    ASSERT_EQ(AppendMissingBladeRecords(), 0);
    ASSERT_EQ(AppendMissingBladeRecords(), 0);
    const std::string appended = ReadText("TOOLS.TXT");
    EXPECT_EQ(appended.find("LAMA500"), appended.rfind("LAMA500"));
    EXPECT_NE(appended.find("* LAMA2 3 60 "), std::string::npos);
    // A table whose end was cut inside the second blade record (a killed copy, a full drive):
    // that blade keeps its one, partial, record; nothing is appended.
    for (std::size_t cut : {appended.rfind("* LAMA2") + 10, appended.rfind("* LAMA2") + 20}) {
        WriteText("TOOLS.TXT", appended.substr(0, cut));
        ASSERT_EQ(AppendMissingBladeRecords(), 0);
        EXPECT_EQ(ReadText("TOOLS.TXT"), appended.substr(0, cut)) << cut;
    }
}

TEST_F(ToolsTest, BadToolNamesAreRefusedAndTheTableKept) {
    const int before = tools_->Count();
    for (const char* head : {"* TOOLNAME10 0 0 ", "* TWO WORDS 0 0 "}) {
        SCOPED_TRACE(head);
        WriteText("TOOLS.TXT", std::string(kDemoTools) + head + "\r\n1 1 1\r\n5 0 0 0 5 0\r\n40 0 0 10 60 0\r\n");
        EXPECT_EQ(tools_->LoadTools(), 1);
        EXPECT_EQ(std::string(g_errorText).rfind("ERR_TOOL_NAME ", 0), 0u) << g_errorText;
        EXPECT_EQ(tools_->Count(), before);
        ToolTable table;
        EXPECT_EQ(ReadToolTable(table), 1);
        EXPECT_EQ(table.Count(), 0);
    }
}

TEST_F(ToolsTest, LimitCheckFollowsCkLimits) {
    WriteText("TOOLS.TXT", std::string(kDemoTools) + "* ZERO 0 0 \r\n1000 1 1\r\n0 0 0 0 5 0\r\n40 0 0 10 60 0\r\n");
    tools_->positionTools[0] = 3;
    EXPECT_EQ(tools_->LoadTools(), 1);
    EXPECT_STREQ(g_errorText, "ZERO->S_DIAM1\nLIMIT_ERROR\nLIMIT_ABOVE 0 LIMIT_AT_MOST 999 P_MM");
    EXPECT_EQ(tools_->Count(), 5);
    EXPECT_EQ(tools_->positionTools[0], 3); // a failed load leaves the positions too
    RallaToolSet unchecked(0);
    EXPECT_EQ(unchecked.LoadTools(), 0);
    EXPECT_EQ(unchecked.Count(), 6);
    EXPECT_EQ(unchecked.IsToolDataInRange(0, 100000, 0, 0), 1);
    EXPECT_EQ(tools_->IsToolDataInRange(0, 100000, 0, 0), 0);
    EXPECT_EQ(tools_->IsToolDataInRange(4, 500, 20, -100), 1);
    EXPECT_EQ(tools_->IsToolDataInRange(4, 500, 5, 0), 0);
    // A machining's speed, feed and plunge pass at each end of the tool's own range and fail one
    // beyond it, by kind: the engine refuses exactly what the tool edit window refuses.
    for (const int kind : {0, 1, 2, 3, 4}) {
        const ToolLimit speed = ToolFieldLimit(ToolField::Speed, kind, 1);
        const ToolLimit feed = ToolFieldLimit(ToolField::Feed, kind, 1);
        const ToolLimit second = ToolFieldLimit(ToolField::Second, kind, 1);
        const auto s = [](double v) { return static_cast<int32_t>(v); };
        const struct {
            int32_t speed, feed10, plunge;
            int in;
        } cases[] = {
            {s(speed.minimum), s(feed.minimum) * 10, s(second.minimum), 1},
            {s(speed.maximum), s(feed.maximum) * 10 + 9, s(second.maximum), 1},
            {s(speed.minimum) - 1, s(feed.minimum) * 10, s(second.minimum), 0},
            {s(speed.maximum) + 1, s(feed.minimum) * 10, s(second.minimum), 0},
            {s(speed.minimum), (s(feed.minimum) - 1) * 10, s(second.minimum), 0},
            {s(speed.minimum), (s(feed.maximum) + 1) * 10, s(second.minimum), 0},
            {s(speed.minimum), s(feed.minimum) * 10, s(second.minimum) - 1, 0},
            {s(speed.minimum), s(feed.minimum) * 10, s(second.maximum) + 1, 0},
        };
        for (const auto& c : cases)
            EXPECT_EQ(tools_->IsToolDataInRange(kind, c.speed, c.feed10, c.plunge), c.in)
                << "kind " << kind << " speed " << c.speed << " feed x10 " << c.feed10 << " plunge " << c.plunge;
    }

    ToolFileRecord r;
    std::strcpy(r.name, "T");
    r.diameter[0] = 10;
    r.length[0] = 30.9f;
    r.tipDiameter1 = 8;
    r.tipLength1 = 10;
    r.totalLength = 40;
    EXPECT_EQ(CheckToolLimits(r, 1), 0); // 30 + 10 whole millimetres fit in 40
    r.length[1] = 5;
    EXPECT_EQ(CheckToolLimits(r, 1), 1);
    EXPECT_STREQ(g_errorText, "T->S_LUNGTOT\nIMPOSS_VAL");
    r.totalLength = 50;
    EXPECT_EQ(CheckToolLimits(r, 1), 1);
    EXPECT_STREQ(g_errorText, "T->S_DIAM2\nIMPOSS_VAL");
    r.length[1] = 0;
    r.diameter[2] = 4;
    r.length[2] = 2;
    EXPECT_EQ(CheckToolLimits(r, 1), 1);
    EXPECT_STREQ(g_errorText, "T->S_DIAM3\nIMPOSS_VAL");
    r.kind = 5;
    EXPECT_EQ(CheckToolLimits(r, 1), 1);
    EXPECT_STREQ(g_errorText, "T->S_TIPO\nLIMIT_ERROR");
    EXPECT_EQ(CheckToolLimits(r, 0), 0);

    // A value outside its range is refused naming the range in the unit the dialog shows.
    r.kind = 0;
    const struct {
        std::function<void(ToolFileRecord&)> set;
        int unitSystem;
        const char* text;
    } outside[] = {
        {[](ToolFileRecord& t) { t.diameter[1] = 1000; t.length[1] = 5; }, kUnitMillimetres, "T->S_DIAM2\nLIMIT_ERROR\nLIMIT_RANGE 0 .. 999 P_MM"},
        {[](ToolFileRecord& t) { t.diameter[1] = 1000; t.length[1] = 5; }, kUnitInches,
         "T->S_DIAM2\nLIMIT_ERROR\nLIMIT_RANGE 0.0000 .. 39.3307 P_IN"},
        {[](ToolFileRecord& t) { t.tipLength2 = -1; }, kUnitMillimetres, "T->S_LUNGPUT\nLIMIT_ERROR\nLIMIT_RANGE 0 .. 999 P_MM"},
        {[](ToolFileRecord& t) { t.speed = 100000; }, kUnitMillimetres, "T->S_ROTAZ\nLIMIT_ERROR\nLIMIT_RANGE 0 .. 99999 P_GIRI_MIN"},
        {[](ToolFileRecord& t) { t.cooling = 1000; }, kUnitMillimetres, "T->S_FREFRIG\nLIMIT_ERROR\nLIMIT_RANGE 0 .. 999 P_CICLI_MIN"},
        {[](ToolFileRecord& t) { t.feed = 100; }, kUnitMillimetres, "T->S_ASPORT\nLIMIT_ERROR\nLIMIT_RANGE 0 .. 99 P_CEN_GIRO"},
    };
    for (const auto& c : outside) {
        SCOPED_TRACE(c.text);
        ToolFileRecord t = r;
        t.length[1] = 0;
        t.diameter[2] = 0;
        t.length[2] = 0;
        c.set(t);
        SetUnitSystem(c.unitSystem);
        EXPECT_EQ(CheckToolLimits(t, 1), 1);
        EXPECT_STREQ(g_errorText, c.text);
    }
    SetUnitSystem(kUnitMillimetres);
}

TEST_F(ToolsTest, VanishedToolResetsItsPositionAndConfigIsRewritten) {
    WriteText("CONF/CONFIG.PAR", "[CONF_RALLA]\r\nT1=FRESA8\r\nT2=PUNTA5\r\nT3=GONE\r\nCONF=2\r\n");
    RallaToolSet set(1);
    EXPECT_EQ(set.configNumber, 2);
    EXPECT_STREQ(set.positionNames[2], "GONE");
    ASSERT_EQ(set.LoadTools(), 0);
    EXPECT_EQ(set.positionTools[0], set.FindTool("FRESA8"));
    EXPECT_STREQ(set.positionNames[2], "0");
    EXPECT_EQ(set.positionTools[2], 0);
    EXPECT_EQ(Config("CONF_RALLA", "T3"), "0");
    EXPECT_EQ(Config("CONF_RALLA", "T1"), "FRESA8");
    EXPECT_EQ(Config("CONF_RALLA", "T8"), "0"); // variant 0 writes "0" for T5..T8
}

TEST_F(ToolsTest, SpindleToolsAndExtraPositions) {
    ApplyMachineVariant(1);
    WriteText("CONF/CONFIG.PAR", "[CONF_RALLA]\r\nT5_ON=1\r\nT7_ON=1\r\nT5=PUNTA8\r\nT6=PUNTA5\r\n");
    RallaToolSet set(1);
    ASSERT_EQ(set.LoadTools(), 0);
    EXPECT_EQ(EnabledExtraPositions(), 57);
    EXPECT_STREQ(set.positionNames[5], "0"); // T6 is disabled
    int32_t tools[8];
    int32_t conf = 0;
    set.GetSpindleTools(tools, &conf);
    EXPECT_EQ(g_enabledExtraCount, 2);
    EXPECT_EQ(tools[4], set.FindTool("PUNTA8"));
    EXPECT_EQ(conf, 1);
    // Three extra positions asked, two enabled: only two change.
    const int32_t wanted[8] = {1, 2, 3, 4, 1, 2, 3, 99};
    EXPECT_EQ(set.SetSpindleTools(wanted, 1), 0);
    EXPECT_EQ(set.positionTools[3], 4);
    EXPECT_EQ(set.positionTools[4], 1);
    EXPECT_EQ(set.positionTools[5], 2);
    EXPECT_EQ(set.positionTools[6], 0);  // no enabled position left
    EXPECT_EQ(set.positionTools[7], 0);                               // 99 is past the table
    EXPECT_EQ(Config("CONF_RALLA", "T4"), set.Tool(4).name);
    EXPECT_EQ(set.SetSpindleTools(set.positionTools, 1), 8); // nothing changed
}

TEST_F(ToolsTest, FailedWriteShowsABox) {
    RecordingUi ui;
    SetUi(&ui);
    SetSlot(PathTable::kToolsTxt, P("missing/dir/TOOLS.TXT"));
    ToolTable table;
    EXPECT_EQ(WriteToolTable(table, 60), 1);
    SetUi(nullptr);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].title, "T_ERRORE");
    EXPECT_EQ(ui.boxes[0].text.rfind("ERR_FILE_WRITE", 0), 0u) << ui.boxes[0].text;
}

} // namespace
} // namespace barlist_test
