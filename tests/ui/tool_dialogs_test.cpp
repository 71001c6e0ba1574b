// The tool table dialogs: the table's logic without a window, then the dialogs offscreen on a
// scratch copy of the demo installation, with "TOOLS.TXT" compared after OK and after Cancel.
#include "tool_dialogs_fixture.h"

#include <sys/resource.h>

#include <QDir>
#include <QLabel>
#include <csignal>
#include <cstring>

#include "machine/number_entry.h"
#include "machine/tool_table.h"
#include "refused_config_writes.h"
#include "platform/profile.h"
#include "ui/ToolDialog.h"
#include "ui/ViewDxfStatic.h"
#include "ui/tool_table_model.h"

namespace tooltest {
namespace {

ToolFileRecord Tool(const char* name, float d1, float d2, float d3) {
    ToolFileRecord r;
    std::strcpy(r.name, name);
    r.diameter[0] = d1;
    r.diameter[1] = d2;
    r.diameter[2] = d3;
    r.inUse = 1;
    return r;
}

// ---------------------------------------------------------------- logic

TEST(ToolTableModel, DiameterRowsFillFromTheBottom) {
    struct Case {
        float d1, d2, d3;
        std::array<int, 3> rows; // top, middle, bottom
    } cases[] = {
        {0, 5, 8, {0, 2, 3}}, {8, 0, 0, {0, 0, 1}}, {8, 5, 3, {1, 2, 3}},
        {5, 0, 8, {0, 1, 3}}, {0, 0, 0, {0, 0, 0}}, {-1, 4, 0, {0, 0, 2}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ui::DiameterRows(Tool("T", c.d1, c.d2, c.d3)), c.rows) << c.d1 << " " << c.d2 << " " << c.d3;
}

TEST(ToolTableModel, FindAndNameChecks) {
    ToolTable table;
    table.records = {Tool("PUNTA5", 5, 0, 0), Tool("GONE", 5, 0, 0)};
    table.records[1].inUse = 0;
    EXPECT_EQ(ui::FindToolByName(table, "punta5"), 0);
    EXPECT_EQ(ui::FindToolByName(table, "GONE"), -1); // a free slot is no tool
    struct Case {
        const char* name;
        ui::ToolNameCheck check;
    } cases[] = {
        {"NEW", ui::ToolNameCheck::Ok},       {"GONE", ui::ToolNameCheck::Ok},
        {"Punta5", ui::ToolNameCheck::InUse}, {"0", ui::ToolNameCheck::Invalid},
        {"A B", ui::ToolNameCheck::Invalid},  {" A", ui::ToolNameCheck::Invalid},
        {"00", ui::ToolNameCheck::Ok},
    };
    for (const Case& c : cases) EXPECT_EQ(ui::CheckToolName(table, c.name), c.check) << c.name;
}

TEST(ToolTableModel, CellTextsAndReadBackInInches) {
    SetUnitSystem(kUnitInches);
    ToolFileRecord t = Tool("D", 8, 0, 0);
    t.kind = 3;
    t.plunge = 25.4f;
    t.feed = 0.5f;
    EXPECT_EQ(ui::CellText(t, ui::kCellDiam1), "0.3150");
    EXPECT_EQ(ui::CellText(t, ui::kCellSecond), "1.0000"); // a disc's added length
    EXPECT_EQ(ui::CellText(t, ui::kCellFeed), "0.5");
    ToolFileRecord back = t;
    // Left as shown: the value stays exactly (0.3150 in is not exactly 8 mm).
    ASSERT_TRUE(ui::ReadCellText(back, ui::kCellDiam1, "0.3150", "0.3150", 3));
    EXPECT_EQ(back.diameter[0], 8.0f);
    ASSERT_TRUE(ui::ReadCellText(back, ui::kCellDiam1, "0.5", "0.3150", 3));
    EXPECT_FLOAT_EQ(back.diameter[0], 12.7f);
    // The second value of a mill is no length: typed as it is, even when left as shown.
    back.kind = 0;
    ASSERT_TRUE(ui::ReadCellText(back, ui::kCellSecond, "1.0000", "1.0000", 3));
    EXPECT_FLOAT_EQ(back.plunge, 1.0f);
    EXPECT_FALSE(ui::ReadCellText(back, ui::kCellTotal, "", "1.0", 0));
    EXPECT_FALSE(ui::ReadCellText(back, ui::kCellTotal, ".", "1.0", 0));
    EXPECT_FALSE(ui::ReadCellText(back, ui::kCellTotal, "2,5", "1.0", 0)); // not 2
    EXPECT_FALSE(ui::ReadCellText(back, ui::kCellDiam1, "8x", "1.0", 0));
    SetUnitSystem(kUnitMillimetres);
}

// ---------------------------------------------------------------- the table

TEST_F(ToolDialogTest, TheReaderRefusesTheNameOfNoTool) {
    WriteFile(ToolsTxt(), "# 60\r\n\r\n* 0 1 10 \r\n3000 1 2\r\n5 0 0 0 5 0\r\n40 0 0 10 60 0\r\n");
    ToolTable table;
    EXPECT_EQ(ReadToolTable(table), 1);
    EXPECT_EQ(std::string(g_errorText).rfind(MsgError("ERR_TOOL_NAME"), 0), 0u) << g_errorText;
    EXPECT_EQ(g_pRallaTools->LoadTools(), 1);
}

TEST_F(ToolDialogTest, OpeningListsTheToolsAndShowsTheFirst) {
    ui::CToolDialog& d = OpenTools();
    EXPECT_EQ(Names(), QStringList({"FRESA10", "FRESA6", "FRESA8", "MASCH6", "PUNTA5", "PUNTA8", "SVAS12"}));
    EXPECT_EQ(List()->currentRow(), 0);
    EXPECT_EQ(TextOf(&d, ui::kToolCellValueId + ui::kCellKind), "Mill");
    EXPECT_EQ(TextOf(&d, ui::kToolCellValueId + ui::kCellSpeed), "10000");
    EXPECT_EQ(TextOf(&d, ui::kToolCellUnitId + ui::kCellTotal), "mm");
    // The tap shows pitch and reduction in place of feed and plunge.
    Select("MASCH6");
    EXPECT_EQ(TextOf(&d, ui::kToolCellLabelId + ui::kCellFeed), "Pitch");
    EXPECT_EQ(TextOf(&d, ui::kToolCellLabelId + ui::kCellSecond), "Reduction %");
    EXPECT_EQ(TextOf(&d, ui::kToolCellUnitId + ui::kCellSecond), "");
    // Nothing changed: OK ends with 2 and the file is not even rewritten.
    const std::string before = ReadFile(ToolsTxt());
    const ino_t inode = ToolsInode();
    ClickIn(&d, IDOK);
    EXPECT_EQ(d.result(), IDCANCEL);
    EXPECT_EQ(ReadFile(ToolsTxt()), before);
    EXPECT_EQ(ToolsInode(), inode);
}

TEST_F(ToolDialogTest, DiametersZeroFiveEightFillTheRowsFromTheBottom) {
    WriteFile(ToolsTxt(), "# 60\r\n\r\n* STEP 0 20 \r\n1000 1 1\r\n0 5 8 0 5 0\r\n0 10 12 10 60 0\r\n");
    ui::CToolDialog& d = OpenTools();
    auto row = [&](int r) {
        return std::vector<QString>{TextOf(&d, ui::kToolCellLabelId + ui::kCellDiam1 + 2 * r),
                                    TextOf(&d, ui::kToolCellValueId + ui::kCellDiam1 + 2 * r),
                                    TextOf(&d, ui::kToolCellLabelId + ui::kCellLen1 + 2 * r),
                                    TextOf(&d, ui::kToolCellValueId + ui::kCellLen1 + 2 * r)};
    };
    EXPECT_EQ(row(2), (std::vector<QString>{"Diameter 3", "8.00", "Length 3", "12.00"}));
    EXPECT_EQ(row(1), (std::vector<QString>{"Diameter 2", "5.00", "Length 2", "10.00"}));
    EXPECT_EQ(row(0), (std::vector<QString>{"", "", "", ""}));
    EXPECT_EQ(TextOf(&d, ui::kToolCellUnitId + ui::kCellDiam1), "");
}

TEST_F(ToolDialogTest, EmptyTableGatesEveryCommandAndStillTakesANewTool) {
    g_machineConnected = 0;
    WriteFile(ToolsTxt(), "# 60\r\n\r\n");
    ui::CToolDialog& d = OpenTools();
    EXPECT_EQ(List()->count(), 0);
    EXPECT_EQ(List()->currentRow(), -1);
    // The panel keeps its labels and units; only the values are empty.
    const auto text = [&](int id) { return qobject_cast<QLabel*>(Child(&d, id))->text().toStdString(); };
    EXPECT_EQ(text(ui::kToolCellLabelId + ui::kCellSpeed), MsgString("S_ROTAZ"));
    EXPECT_EQ(text(ui::kToolCellUnitId + ui::kCellSpeed), MsgString("P_GIRI_MIN"));
    EXPECT_EQ(text(ui::kToolCellValueId + ui::kCellSpeed), "");
    EXPECT_EQ(text(ui::kToolCellUnitId + ui::kCellShank), MsgString("P_MM"));
    {
        // The first command asks the password; then edit, copy, rename and delete do nothing.
        ModalScript script(&d);
        script.Then(Password());
        Command(ui::CToolDialog::kEditId, script);
        for (int id : {ui::CToolDialog::kCopyId, ui::CToolDialog::kRenameId, ui::CToolDialog::kDeleteId})
            Command(id, script);
        EXPECT_EQ(script.seen, std::vector<std::string>{"ui::CPasswordDialog"});
    }
    EXPECT_TRUE(d.Unlocked());
    EXPECT_FALSE(d.Changed());
    {
        ModalScript script(&d);
        script.Then(NewTool("punta7", 1)).Then(EditTool(Bit7()));
        Command(ui::CToolDialog::kNewId, script);
    }
    EXPECT_EQ(Names(), QStringList({"PUNTA7"}));
    EXPECT_EQ(TextOf(&d, ui::kToolCellValueId + ui::kCellKind), "Boring bit");
    EXPECT_EQ(TextOf(&d, ui::kToolCellValueId + ui::kCellFeed), "1.5");
    ClickIn(&d, IDOK);
    EXPECT_EQ(d.result(), IDOK);
    EXPECT_NE(ReadFile(ToolsTxt()).find("* PUNTA7 1 10 \r\n2000 1.5 2\r\n7 0 0 0 7 0\r\n40 0 0 10 60 0\r\n"),
              std::string::npos)
        << ReadFile(ToolsTxt());
}

TEST_F(ToolDialogTest, PasswordOnlyOfflineOnceAndCancelRefusesOneCommand) {
    {
        // On-line: no password; a refused question leaves the table.
        ui::CToolDialog& d = OpenTools();
        ModalScript script(&d);
        Command(ui::CToolDialog::kDeleteId, script);
        EXPECT_TRUE(script.seen.empty());
        ASSERT_EQ(ui_->boxes.size(), 1u);
        EXPECT_EQ(ui_->boxes[0].text, MsgString("M_DEL_UTEN"));
        EXPECT_EQ(List()->count(), 7);
    }
    g_machineConnected = 0;
    ui::CToolDialog& d = OpenTools();
    ModalScript script(&d);
    script.Then(Cancel()); // refuses this delete only
    Command(ui::CToolDialog::kDeleteId, script);
    EXPECT_FALSE(d.Unlocked());
    script.Then(Password("wrong")).Then(Password("krvtpld")); // a wrong word keeps the prompt open
    ui_->script = {IDOK, IDYES};
    Command(ui::CToolDialog::kDeleteId, script);
    EXPECT_EQ(List()->count(), 6);
    ui_->script = {IDYES};
    Command(ui::CToolDialog::kDeleteId, script); // unlocked: asked no more
    EXPECT_EQ(List()->count(), 5);
    EXPECT_EQ(script.seen, (std::vector<std::string>{"ui::CPasswordDialog", "ui::CPasswordDialog",
                                                     "ui::CPasswordDialog"}));
}

TEST_F(ToolDialogTest, NamesInUseBlanksAndZeroAreRefusedInNewCopyAndRename) {
    ui::CToolDialog& d = OpenTools();
    Select("PUNTA5");
    struct Case {
        int command;
        const char* name;
        const char* message;
    } cases[] = {
        {ui::CToolDialog::kRenameId, "PUNTA5", "M_UTEN_EXIST"}, // its own name
        {ui::CToolDialog::kRenameId, "fresa8", "M_UTEN_EXIST"}, {ui::CToolDialog::kRenameId, "A B", "M_UTEN_NAME"},
        {ui::CToolDialog::kCopyId, "0", "M_UTEN_NAME"},         {ui::CToolDialog::kCopyId, "QBLADE", "M_UTEN_EXIST"},
        {ui::CToolDialog::kNewId, "X Y", "M_UTEN_NAME"},        {ui::CToolDialog::kNewId, "SVAS12", "M_UTEN_EXIST"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui_->boxes.clear();
        ModalScript script(&d);
        script.Then(c.command == ui::CToolDialog::kNewId ? NewTool(c.name, 0) : Input(c.name));
        Command(c.command, script);
        ASSERT_EQ(ui_->boxes.size(), 1u);
        EXPECT_EQ(ui_->boxes[0].text, MsgString(c.message));
        EXPECT_EQ(ui_->boxes[0].title, "T_ERRORE");
    }
    EXPECT_EQ(List()->count(), 7);
    EXPECT_FALSE(d.Changed());
    // A good rename selects the new name; a copy keeps the selection.
    ModalScript script(&d);
    script.Then(Input("drill5"));
    Command(ui::CToolDialog::kRenameId, script);
    EXPECT_EQ(List()->currentItem()->text(), "DRILL5");
    script.Then(Input("drill5b"));
    Command(ui::CToolDialog::kCopyId, script);
    EXPECT_EQ(List()->currentItem()->text(), "DRILL5");
    EXPECT_TRUE(Names().contains("DRILL5B"));
    EXPECT_FALSE(Names().contains("PUNTA5"));
    EXPECT_TRUE(d.Changed());
}

TEST_F(ToolDialogTest, ADeletedSlotIsReusedAndTheTwentyFirstToolGrowsTheTable) {
    std::string file = "# 60\r\n\r\n";
    for (int i = 0; i < 20; ++i)
        file += "* T" + std::to_string(i) + " 1 10 \r\n3000 1 2\r\n5 0 0 0 5 0\r\n40 0 0 10 60 0\r\n\r\n";
    WriteFile(ToolsTxt(), file);
    ui::CToolDialog& d = OpenTools();
    ASSERT_EQ(d.Table().capacity, 20);
    Select("T3");
    ModalScript script(&d);
    ui_->script = {IDYES};
    Command(ui::CToolDialog::kDeleteId, script);
    Select("T4");
    script.Then(Input("COPY4"));
    Command(ui::CToolDialog::kCopyId, script);
    EXPECT_STREQ(d.Table().records[3].name, "COPY4");
    EXPECT_EQ(d.Table().capacity, 20);
    script.Then(Input("COPY5"));
    Command(ui::CToolDialog::kCopyId, script);
    EXPECT_EQ(d.Table().capacity, 40);
    EXPECT_EQ(d.Table().Count(), 21);
    EXPECT_STREQ(d.Table().records[20].name, "COPY5");
}

TEST_F(ToolDialogTest, EditUnchangedReturnsTwoAndChangedValuesComeBack) {
    for (int units : {kUnitMillimetres, kUnitInches}) {
        SCOPED_TRACE(units);
        SetUnitSystem(units);
        WriteFile(ToolsTxt(), paramtest::ReadFile(BRELON_SOURCE_DIR "/demo/UTEN/TOOLS.TXT"));
        ui::CToolDialog& d = OpenTools();
        Select("PUNTA5");
        const ToolFileRecord before = d.Table().records[0];
        QString shownDiameter;
        ModalScript script(&d);
        script.Then([&](QWidget* e) {
            shownDiameter = TextOf(e, ui::kToolCellValueId + ui::kCellDiam1);
            EXPECT_EQ(TextOf(e, ui::kToolCellUnitId + ui::kCellDiam1), units == kUnitInches ? "in" : "mm");
            ClickIn(e, IDOK);
        });
        Command(ui::CToolDialog::kEditId, script);
        EXPECT_EQ(shownDiameter, units == kUnitInches ? "0.1969" : "5.00");
        EXPECT_FALSE(d.Changed());
        EXPECT_TRUE(ui::SameToolRecord(d.Table().records[0], before));
        script.Then(EditTool({{ui::kCellDiam1, units == kUnitInches ? "0.25" : "6.35"}}));
        Command(ui::CToolDialog::kEditId, script);
        EXPECT_TRUE(d.Changed());
        EXPECT_FLOAT_EQ(d.Table().records[0].diameter[0], 6.35f);
        EXPECT_EQ(d.Table().records[0].length[0], 40.0f); // untouched fields keep their values
        // An emptied field and a value out of its limits keep the edit dialog open.
        ui_->boxes.clear();
        script.Then(EditTool({{ui::kCellTotal, ""}})).Then(EditTool({{ui::kCellTotal, "1000"}})).Then(Cancel());
        Command(ui::CToolDialog::kEditId, script);
        ASSERT_EQ(ui_->boxes.size(), 2u);
        // Each refusal names the cell and its range in the unit shown.
        const std::string range = std::string(MsgError("LIMIT_ABOVE")) + " " + (units == kUnitInches ? "0.0000" : "0") +
                                  " " + MsgError("LIMIT_AT_MOST") + " " + (units == kUnitInches ? "39.3307 " : "999 ") +
                                  MsgString(units == kUnitInches ? "P_IN" : "P_MM");
        EXPECT_EQ(ui_->boxes[0].text, std::string(MsgString("S_LUNGTOT")) + "\n" + MsgError("T_INCOMPLETA") + "\n" + range);
        EXPECT_EQ(ui_->boxes[1].text, std::string(MsgString("S_LUNGTOT")) + "\n" + MsgError("LIMIT_ERROR") + "\n" + range);
        tool_.reset();
    }
    SetUnitSystem(kUnitMillimetres);
}

TEST_F(ToolDialogTest, CoolantValueIsReadBackOnlyOnOkAndOnlyAsAWholeNumber) {
    ui::CToolDialog& d = OpenTools();
    ModalScript script(&d);
    // Cancelled: value and flag as they were, whatever was typed.
    script.Then([](QWidget* box) {
        TypeInto(box, ui::kIdEntry, "75");
        QMetaObject::invokeMethod(box, "reject");
    });
    Command(ui::CToolDialog::kCoolantId, script);
    EXPECT_EQ(d.CoolantValue(), 60);
    EXPECT_FALSE(d.Changed());
    // Letters cannot be typed, so "abc" is an empty entry; 1000 is out of range; both refused.
    script.Then(Input("abc")).Then(Input("1000")).Then(Input("60"));
    Command(ui::CToolDialog::kCoolantId, script);
    ASSERT_EQ(ui_->boxes.size(), 2u);
    EXPECT_EQ(ui_->boxes[0].text, MsgError("ERR_SYNTAX"));
    EXPECT_EQ(ui_->boxes[1].text, std::string(MsgError("ERR_LIMIT")) + "\n" + RangeText(0, 999, nullptr));
    EXPECT_FALSE(d.Changed()); // the same value changes nothing
    script.Then(Input("75"));
    Command(ui::CToolDialog::kCoolantId, script);
    EXPECT_EQ(d.CoolantValue(), 75);
    ClickIn(&d, IDOK);
    EXPECT_EQ(d.result(), IDOK);
    EXPECT_EQ(ReadFile(ToolsTxt()).rfind("# 75\r\n\r\n", 0), 0u);
}

TEST_F(ToolDialogTest, OkChecksTheToolsInUseOnly) {
    WriteFile(ToolsTxt(), ReadFile(BRELON_SOURCE_DIR "/demo/UTEN/TOOLS.TXT") +
                              "* BAD 0 20 \r\n1000 1 1\r\n0 0 0 0 5 0\r\n40 0 0 10 60 0\r\n\r\n");
    ui::CToolDialog& d = OpenTools();
    ClickIn(&d, IDOK);
    ASSERT_EQ(ui_->boxes.size(), 1u);
    EXPECT_EQ(ui_->boxes[0].text, std::string("BAD->") + MsgString("S_DIAM1") + "\n" + MsgError("LIMIT_ERROR") + "\n" +
                                      MsgError("LIMIT_ABOVE") + " 0 " + MsgError("LIMIT_AT_MOST") + " 999 " + MsgString("P_MM"));
    EXPECT_TRUE(d.isVisible());
    // Deleted, the broken tool no longer holds the table: OK writes it without the tool.
    Select("BAD");
    ModalScript script(&d);
    ui_->script = {IDYES};
    Command(ui::CToolDialog::kDeleteId, script);
    ClickIn(&d, IDOK);
    EXPECT_EQ(d.result(), IDOK);
    EXPECT_EQ(ReadFile(ToolsTxt()).find("BAD"), std::string::npos);
}

TEST_F(ToolDialogTest, AFailedWriteKeepsTheFileWholeAndTheDialogOpen) {
    const std::string before = ReadFile(ToolsTxt());
    ui::CToolDialog& d = OpenTools();
    ModalScript script(&d);
    script.Then(Input("80"));
    Command(ui::CToolDialog::kCoolantId, script);
    // Files may grow to 64 bytes only: the writer's temporary file cannot take the table.
    struct rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    ClickIn(&d, IDOK);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &old), 0);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(d.isVisible());
    ASSERT_EQ(ui_->boxes.size(), 1u);
    EXPECT_EQ(ui_->boxes[0].text.rfind(MsgError("ERR_FILE_WRITE"), 0), 0u) << ui_->boxes[0].text;
    EXPECT_EQ(ReadFile(ToolsTxt()), before);
    for (const auto& entry : std::filesystem::directory_iterator(dir_))
        EXPECT_NE(entry.path().extension(), ".tmp") << entry.path(); // no temporary file left behind
    // The changed table is still there: a second OK writes it.
    ClickIn(&d, IDOK);
    EXPECT_EQ(d.result(), IDOK);
    EXPECT_EQ(ReadFile(ToolsTxt()).rfind("# 80\r\n", 0), 0u);
}

// After a failed parameter load (a damaged "PARAM.PAR" at start) the blade values are not
// known: OK keeps the blade records the table holds, byte for byte, and adds none to a table
// without them. Once the parameters load again, OK writes them from the blade's values.
TEST_F(ToolDialogTest, AfterAFailedParameterLoadOkKeepsTheTablesOwnBladeRecords) {
    const std::string good = ReadFile(ParamPar());
    std::string outOfRange = good;
    outOfRange.replace(outOfRange.find("DIAM_LAMA=500.00"), 16, "DIAM_LAMA=-5.00");
    const std::string garbage = "\x8f\x03\xfe[PARAM\x01\r\n\xff\xfe garbage";
    const std::string noBlades = ReadFile(ToolsTxt());
    ASSERT_EQ(AppendMissingBladeRecords(), 0) << g_errorText; // a start on sound parameters
    const std::string withBlades = ReadFile(ToolsTxt());
    const std::string blades = withBlades.substr(withBlades.find("* QBLADE 3 60 \r\n"));
    ASSERT_NE(blades.find("\r\n* BLADE 3 60 \r\n"), std::string::npos) << blades;
    // OK with the header number changed: what follows the tools of the table.
    auto saveTable = [&](const char* header) {
        ui::CToolDialog& d = OpenTools();
        ModalScript script(&d);
        script.Then(Input(header));
        Command(ui::CToolDialog::kCoolantId, script);
        ClickIn(&d, IDOK);
        EXPECT_EQ(d.result(), IDOK);
        EXPECT_TRUE(ui_->boxes.empty()) << ui_->boxes[0].text;
        const std::string text = ReadFile(ToolsTxt());
        EXPECT_EQ(text.rfind(std::string("# ") + header + "\r\n", 0), 0u);
        const std::size_t toolsEnd = text.find("\r\n\r\n", text.find("* MASCH6 ")) + 4;
        return text.substr(std::min(toolsEnd, text.size()));
    };
    const struct {
        const char* what;
        std::string param, tools, bladesAfter;
    } cases[] = {
        {"a value out of range, blade records kept", outOfRange, withBlades, blades},
        {"unreadable text, blade records kept", garbage, withBlades, blades},
        {"unreadable text, no blade records", garbage, noBlades, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(ParamPar(), c.param);
        WriteFile(ToolsTxt(), c.tools);
        delete g_pSettings; // the start: settings built anew, the parameter load fails
        g_pSettings = new MachineSettings();
        ASSERT_NE(LoadAllParameters(*g_pSettings), 0);
        EXPECT_EQ(saveTable("80"), c.bladesAfter);
    }
    // Repaired and loaded again: the records come from the blade (DIAM_LAMA 500 mm).
    WriteFile(ParamPar(), good);
    ASSERT_EQ(LoadAllParameters(*g_pSettings), 0) << g_errorText;
    const std::string after = saveTable("81");
    EXPECT_EQ(after.rfind("* QBLADE 3 81 \r\n", 0), 0u) << after;
    EXPECT_NE(after.find("\r\n500 0 0 "), std::string::npos) << after;
}

TEST_F(ToolDialogTest, AnUnreadableTableEndsTheDialogWithTwo) {
    std::filesystem::remove(ToolsTxt());
    ui::CToolDialog& d = OpenTools();
    QApplication::processEvents();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), IDCANCEL);
    ASSERT_EQ(ui_->boxes.size(), 1u);
    EXPECT_EQ(ui_->boxes[0].text.rfind(std::string(MsgError("PATH_ERROR")) + "\n", 0), 0u) << ui_->boxes[0].text;
}

TEST_F(ToolDialogTest, ListOpenDisablesTheRallaChooserAndSaysTheTableChanged) {
    ui::CToolDialog& d = OpenTools(true);
    EXPECT_FALSE(Child(&d, ui::CToolDialog::kRallaId)->isEnabled());
    ModalScript script(&d);
    script.Then(Input("61"));
    Command(ui::CToolDialog::kCoolantId, script);
    ClickIn(&d, IDOK);
    ASSERT_EQ(ui_->boxes.size(), 1u);
    EXPECT_EQ(ui_->boxes[0].text, MsgString("M_TAB_CHANGED"));
    EXPECT_EQ(d.result(), IDOK);
}

// ---------------------------------------------------------------- the ralla chooser

TEST_F(ToolDialogTest, RallaChooserByVariantAndEnabledPositions) {
    struct Case {
        int variant;
        int t5On, t6On;
        bool t5Shown, t6Shown;
    } cases[] = {{0, 1, 1, false, false}, {1, 1, 0, true, false}, {1, 0, 1, false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.variant * 100 + c.t5On * 10 + c.t6On);
        Reinstall(c.variant);
        g_extraPositionOn[0] = c.t5On;
        g_extraPositionOn[1] = c.t6On;
        g_extraPositionOn[2] = g_extraPositionOn[3] = 0;
        ui::CConfRallaDialog chooser(nullptr);
        chooser.show();
        // Four positions take one column: the chooser is no wider than it and its buttons.
        if (c.variant == 0) {
            EXPECT_LT(chooser.width(), chooser.Combo(0)->geometry().right() + chooser.Combo(0)->width() / 2);
        }
        EXPECT_EQ(chooser.Combo(4)->isVisible(), c.t5Shown);
        EXPECT_EQ(chooser.Combo(5)->isVisible(), c.t6Shown);
        EXPECT_EQ(Child(&chooser, ui::CConfRallaDialog::kLabelFirstId + 4)->isVisible(), c.t5Shown);
        EXPECT_FALSE(chooser.Combo(6)->isVisible());
        // Every used position lists the tool table in its order, "0" first (no tool).
        ASSERT_EQ(chooser.Combo(0)->count(), g_pRallaTools->Count());
        EXPECT_EQ(chooser.Combo(0)->itemText(0), "0");
        EXPECT_EQ(chooser.Combo(4)->count(), c.variant == 0 ? 0 : g_pRallaTools->Count());
        const int fresa8 = g_pRallaTools->FindTool("FRESA8");
        chooser.Combo(0)->setCurrentIndex(fresa8);
        if (c.variant != 0) chooser.Combo(c.t5On ? 4 : 5)->setCurrentIndex(fresa8);
        ClickIn(&chooser, IDOK);
        EXPECT_EQ(chooser.result(), IDOK);
        auto key = [&](const char* k) { return plat::ReadProfileString("CONF_RALLA", k, "?", ConfigPar().c_str()); };
        EXPECT_EQ(key("T1"), "FRESA8");
        EXPECT_EQ(key("T5"), c.variant != 0 && c.t5On ? "FRESA8" : "0");
        EXPECT_EQ(key("T6"), c.variant != 0 && c.t6On ? "FRESA8" : "0");
        EXPECT_EQ(g_pRallaTools->positionTools[0], fresa8);
    }
}

// A ralla set-up that cannot be recorded: the chooser says which file, stays open with the
// chosen tools and never reports success; once the file takes writes again, OK records it.
TEST_F(ToolDialogTest, ARallaSetUpThatCannotBeRecordedIsToldNamingTheFileAndKeepsTheChooserOpen) {
    ui::CConfRallaDialog chooser(nullptr);
    chooser.show();
    const int fresa8 = g_pRallaTools->FindTool("FRESA8");
    const int chosen = g_pRallaTools->positionTools[0] == fresa8 ? g_pRallaTools->FindTool("PUNTA5") : fresa8;
    ASSERT_GT(chosen, 0);
    chooser.Combo(0)->setCurrentIndex(chosen);
    const std::string before = ReadFile(ConfigPar());
    plat::SetFileFaultForTests(RefuseConfigWrites);
    ClickIn(&chooser, IDOK);
    plat::SetFileFaultForTests(nullptr);
    EXPECT_EQ(ReadFile(ConfigPar()), before);
    ASSERT_EQ(ui_->boxes.size(), 1u);
    EXPECT_EQ(ui_->boxes[0].title, "T_ERRORE");
    ExpectConfigWriteRefused(ui_->boxes[0].text);
    EXPECT_TRUE(chooser.isVisible());
    EXPECT_EQ(chooser.Combo(0)->currentIndex(), chosen);
    EXPECT_TRUE(g_pRallaTools->SetupUnrecorded());
    ClickIn(&chooser, IDOK);
    EXPECT_EQ(chooser.result(), IDOK);
    EXPECT_FALSE(g_pRallaTools->SetupUnrecorded());
    EXPECT_EQ(plat::ReadProfileString("CONF_RALLA", "T1", "?", ConfigPar().c_str()), g_pRallaTools->Tool(chosen).name);
}

// ---------------------------------------------------------------- a look at each dialog

TEST_F(ToolDialogTest, EveryDialogIsGrabbedOnBothScreens) {
    const std::string out = BRELON_BINARY_DIR "/tool_dialog_pngs/";
    QDir().mkpath(QString::fromStdString(out));
    SetModuleDir(BRELON_SOURCE_DIR "/demo/LEGEND/");
    for (const auto& [w, h] : {std::pair{1024, 768}, std::pair{1920, 1080}}) {
        SetScreenSize(w, h);
        const std::string suffix = "_" + std::to_string(w) + ".png";
        auto grab = [&](QWidget* dlg) {
            EXPECT_LE(dlg->width(), w);
            EXPECT_LE(dlg->height(), h - 40);
            EXPECT_TRUE(dlg->grab().save(QString::fromStdString(out + dlg->metaObject()->className() + suffix)));
        };
        ui::CToolDialog& d = OpenTools();
        Select("FRESA8");
        grab(&d);
        ModalScript script(&d);
        script.Then([&](QWidget* e) { grab(e); QMetaObject::invokeMethod(e, "reject"); });
        Command(ui::CToolDialog::kEditId, script);
        script.Then([&](QWidget* n) { grab(n); QMetaObject::invokeMethod(n, "reject"); });
        Command(ui::CToolDialog::kNewId, script);
        script.Then([&](QWidget* r) { grab(r); QMetaObject::invokeMethod(r, "reject"); });
        Command(ui::CToolDialog::kRallaId, script);
        script.Then([&](QWidget* l) {
            grab(l);
            // The three drawings are read from the module directory.
            const auto* help = qobject_cast<ui::CToolHelpDialog*>(l);
            for (int i = 0; i < 3; ++i) EXPECT_FALSE(help->Preview(i)->Path().empty()) << i;
            ClickIn(l, IDOK);
        });
        Command(ui::kToolHelpButtonId, script);
        tool_.reset();
    }
    SetScreenSize(1024, 768);
}

} // namespace
} // namespace tooltest
