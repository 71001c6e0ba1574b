// Bar detail loading and the tool checks: names, groups, tools, damaged records, end angles,
// head slices, bar progress, figure checks, slots joined across a shared cut, bar length.
#include <cmath>
#include <cstring>
#include <unistd.h>

#include "engine_fixture.h"
#include "machine/lda_format.h"

namespace enginetest {
namespace {

class DetailTest : public EngineTest {
protected:
    int Compute(const ldatest::ListSpec& spec, int full = 0) {
        BarComputation& bc = Open(spec);
        ClearErrorText();
        return bc.ComputeBar(0, full);
    }
};

TEST_F(DetailTest, PieceNamesAndAdditionalInformation) {
    ldatest::PieceSpec a = Piece("", 500000);
    ldatest::PieceSpec b = Piece("t6001", 500000); // the profile code, any case
    ldatest::PieceSpec c = Piece("<T6001>", 500000);
    ldatest::PieceSpec d = Piece(" DOOR LEFT ", 500000);
    d.addInfo = "FROM RECORD";
    ldatest::PieceSpec e = Piece("SILL", 500000);
    e.addInfo = "FROM RECORD";
    WriteFile(dir_ + "LIST.EXT", "[SILL]\r\nADDINFO=FROM COMPANION\r\n");
    ASSERT_EQ(Compute(List({Bar({a, b, c, d, e})})), 0) << g_errorText;
    const BarComputation& bc = *list_;
    EXPECT_STREQ(bc.pieces[0]->Nome, "#1");
    EXPECT_STREQ(bc.pieces[1]->Nome, "#2");
    // "<code>" becomes the code, which in turn is named by its position.
    EXPECT_STREQ(bc.pieces[2]->Nome, "#3");
    EXPECT_STREQ(bc.pieces[3]->Nome, "DOOR LEFT");
    EXPECT_STREQ(bc.pieces[3]->ADDINFO, "FROM RECORD");
    EXPECT_STREQ(bc.pieces[4]->ADDINFO, "FROM COMPANION");
}

TEST_F(DetailTest, GroupsArePerPieceAndLimited) {
    ldatest::PieceSpec a = Piece("A", 500000);
    ldatest::PieceSpec b = Piece("B", 500000);
    ldatest::MachiningSpec m = Drill(100000, 90);
    m.group = 9999;
    m.priority = 3;
    b.machinings = {m};
    a.machinings = {Drill(50000, 90)};
    a.machinings[0].priority = 5; // no group: priority dropped
    ASSERT_EQ(Compute(List({Bar({a, b})})), 0) << g_errorText;
    EXPECT_EQ(list_->records[0]->Insieme, 0);
    EXPECT_EQ(list_->records[0]->Priorita, 0);
    EXPECT_EQ(list_->records[1]->Insieme, 19999);
    EXPECT_EQ(list_->records[1]->Priorita, 3);
    b.machinings[0].group = 10000;
    EXPECT_EQ(Compute(List({Bar({a, b})}), 0), 2);
    EXPECT_STREQ(g_errorText, Err("TROPPI_INSIEMI").c_str());
}

// The two roughing marks of a machining are the list's bytes 252 (first) and 253 (second);
// a zero byte takes its default, 2 for the first (a roughing pass) and 1 for the second.
TEST_F(DetailTest, RoughingMarksComeFromTheirOwnBytes) {
    struct Case {
        uint8_t b252, b253;
        uint8_t first, second;
    };
    for (const Case c : {Case{0, 0, 2, 1}, Case{1, 2, 1, 2}, Case{2, 1, 2, 1}, Case{1, 1, 1, 1}}) {
        SCOPED_TRACE(std::to_string(c.b252) + " " + std::to_string(c.b253));
        ldatest::PieceSpec a = Piece("A", 500000);
        ldatest::MachiningSpec m = Drill(100000, 90, "FRESA8", 8000);
        m.byte252 = c.b252;
        m.byte253 = c.b253;
        a.machinings = {m};
        ASSERT_EQ(Compute(List({Bar({a})})), 0) << g_errorText;
        EXPECT_EQ(list_->records[0]->roughMark1, c.first);
        EXPECT_EQ(list_->records[0]->roughMark2, c.second);
    }
}

TEST_F(DetailTest, AutomaticToolNeedsADiameter) {
    ldatest::PieceSpec a = Piece("A", 500000);
    ldatest::MachiningSpec m = Drill(100000, 90, "");
    m.requestedDiameter = 0;
    m.nomeLdt = "DRAW";
    m.idLdt = 12;
    a.machinings = {m};
    EXPECT_EQ(Compute(List({Bar({a})})), 2);
    EXPECT_EQ(std::string(g_errorText), Err("ERR_TOOL_AUTOM") + " (LDT:DRAW-12)");
    EXPECT_EQ(list_->CheckListTools(), 1);
    // With the drill mounted on the ralla, a requested diameter finds it.
    g_pRallaTools->positionTools[1] = g_pRallaTools->FindTool("PUNTA8");
    a.machinings[0].requestedDiameter = 8000;
    a.machinings[0].params = {8000};
    ASSERT_EQ(Compute(List({Bar({a})})), 0) << g_errorText;
    EXPECT_EQ(list_->records[0]->Uten, g_pRallaTools->FindTool("PUNTA8"));
    EXPECT_EQ(list_->CheckListTools(), 0) << g_errorText;
}

TEST_F(DetailTest, DamagedRecordsAreRefused) {
    ldatest::PieceSpec a = Piece("A", 500000);
    a.machinings = {Drill(100000, 90)};
    a.machinings[0].diameterIndex = -1;
    EXPECT_EQ(Compute(List({Bar({a})})), 2);
    EXPECT_STREQ(g_errorText, Err("WRONG_DIAM").c_str());
    a.machinings[0].diameterIndex = 3;
    EXPECT_EQ(Compute(List({Bar({a})})), 2);
    EXPECT_STREQ(g_errorText, Err("WRONG_DIAM").c_str());
    // A parameter count beyond the 20 slots, or more than 10 depth steps.
    a.machinings[0].diameterIndex = 0;
    ldatest::LdaLayout layout;
    std::vector<uint8_t> bytes = ldatest::BuildLda(List({Bar({a})}), &layout);
    const std::size_t rec = layout.machinings[0][0];
    for (const bool depths : {false, true}) {
        SCOPED_TRACE(depths ? "12 depth steps" : "21 parameters");
        std::vector<uint8_t> bad = bytes;
        if (depths) lda::PutI32(bad.data() + rec + lda::mach::kDepthCount, 12);
        else lda::PutI16(bad.data() + rec + lda::mach::kParamCount, 21);
        ASSERT_TRUE(ldatest::WriteBytes(dir_ + "BAD.lda", bad));
        BarComputation bc((dir_ + "BAD.lda").c_str());
        ASSERT_TRUE(bc.IsLoaded()) << g_errorText;
        EXPECT_EQ(bc.ComputeBar(0, 0), 2);
        EXPECT_EQ(std::string(g_errorText).rfind(Err("ERR_BAD_RECORD"), 0), 0u) << g_errorText;
    }
}

// Places, depths and angles beyond what a record may hold: refused as damaged, never summed,
// multiplied or negated past 32 bits, nor stepped into a turn without end (the watchdog stops
// the program if a row runs on).
TEST_F(DetailTest, RecordsBeyondTheirPlacesAreRefused) {
    constexpr int32_t kMax = INT32_MAX, kMin = INT32_MIN;
    std::vector<uint8_t> deepTail(lda::kTailEntrySize, 0);
    lda::PutI32(deepTail.data(), kMax);
    const struct {
        const char* what;
        void (*damage)(ldatest::MachiningSpec&, const std::vector<uint8_t>&);
    } rows[] = {
        {"step depth at the edge, two steps", [](auto& m, auto&) { m.depthCount = 3, m.stepDepth = kMax; }},
        {"X with its least extent at the edge", [](auto& m, auto&) { m.x = 1050000, m.xMin = kMax; }},
        {"greatest extent at the edge", [](auto& m, auto&) { m.yMax = kMax; }},
        {"Y at the lower edge, negated on face 90", [](auto& m, auto&) { m.y = kMin; }},
        {"Z at the upper edge", [](auto& m, auto&) { m.z = kMax; }},
        {"clearance at the edge", [](auto& m, auto&) { m.zDisimp = kMax; }},
        {"a depth step at the edge", [](auto& m, auto& t) { m.tail = t; }},
        {"face angle far beyond a turn", [](auto& m, auto&) { m.faceAngle = 7.1305346e30f; }},
        {"face angle infinite", [](auto& m, auto&) { m.faceAngle = HUGE_VALF; }},
        {"figure angle infinite", [](auto& m, auto&) { m.figureAngle = -HUGE_VALF; }},
        {"blade record's face infinite", [](auto& m, auto&) { m.tool = g_pSettings->QBLADE_NAME, m.faceAngle = HUGE_VALF; }},
        {"blade record's figure angle at the edge, turned by face 270", [](auto& m, auto&) {
             m.tool = g_pSettings->QBLADE_NAME, m.faceAngle = 270, m.figureAngle = 2147483.0f;
         }},
    };
    alarm(60);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ldatest::PieceSpec a = Piece("A", 500000);
        a.machinings = {Drill(100000, 90)};
        row.damage(a.machinings[0], deepTail);
        EXPECT_EQ(Compute(List({Bar({a})})), 2);
        EXPECT_EQ(std::string(g_errorText).rfind(Err("ERR_BAD_RECORD"), 0), 0u) << g_errorText;
    }
    alarm(0);
    // The largest places a record may hold still make a detail; a depth count below one is one
    // step, down to the lower edge.
    ldatest::PieceSpec a = Piece("A", 500000);
    a.machinings = {Drill(100000, 90), Drill(200000, 90)};
    a.machinings[1].depthCount = kMin;
    a.machinings[0].depthCount = 3;
    a.machinings[0].stepDepth = 500000000;
    a.machinings[0].zDisimp = -1000000000;
    ASSERT_EQ(Open(List({Bar({a})})).LoadBarDetail(0), 0) << g_errorText;
    EXPECT_EQ(list_->records[0]->totalDepth, 1000000000);
    EXPECT_EQ(list_->records[0]->Zdisimp, -1000000000);
    EXPECT_EQ(list_->records[1]->depthSteps, 1);
}

// A bar, or its pieces together, beyond the lengths a list may hold: refused before the pieces
// are laid along the bar and its ends trimmed, on every variant.
TEST_F(DetailTest, BarsAndPiecesBeyondTheirLengthsAreRefused) {
    constexpr int32_t kMax = INT32_MAX, kMin = INT32_MIN;
    const struct {
        const char* what;
        int32_t bar, first, second;
    } rows[] = {
        {"a piece at the lower edge", 6000000, kMin, 500000},
        {"two pieces at the upper edge", 6000000, kMax, kMax},
        {"the bar at the upper edge", kMax, 500000, 500000},
        {"the bar at the lower edge", kMin, 500000, 500000},
    };
    for (const auto& [variant, conf] : {std::pair{1, "CONF"}, std::pair{0, "CONF-V0"}, std::pair{2, "CONF-V2"}}) {
        Reinstall(variant, conf);
        for (const auto& row : rows) {
            SCOPED_TRACE(std::string(conf) + ": " + row.what);
            ldatest::PieceSpec a = Piece("A", row.first);
            ldatest::PieceSpec b = Piece("B", row.second);
            a.machinings = {Drill(100000, 90)};
            EXPECT_EQ(Compute(List({Bar({a, b}, row.bar)}), 1), 2);
            EXPECT_EQ(std::string(g_errorText), Err("ERR_READ"));
        }
    }
    // Pieces of a kilometre together still make a detail.
    ASSERT_EQ(Open(List({Bar({Piece("A", 600000000), Piece("B", 400000000)}, 1000000000)})).LoadBarDetail(0), 0)
        << g_errorText;
}

TEST_F(DetailTest, EndAnglesByVariantAndOption) {
    auto with = [&](int32_t right, int32_t second = 90000) {
        ldatest::PieceSpec a = Piece("A", 500000, right, 90000);
        a.firstFurtherAngle = second;
        return Compute(List({Bar({a})}));
    };
    // Variant 1: angles outside 0..180 degrees (exclusive) are refused as well.
    EXPECT_EQ(with(180000), 2);
    EXPECT_STREQ(g_errorText, Err("WRONG_ANG_PIECE").c_str());
    EXPECT_EQ(with(INT32_MIN), 2); // turned positive, it is far beyond
    EXPECT_STREQ(g_errorText, Err("WRONG_ANG_PIECE").c_str());
    EXPECT_EQ(with(135000), 0) << g_errorText;
    Reinstall(0, "CONF-V0");
    EXPECT_EQ(with(22500), 0) << g_errorText;
    EXPECT_EQ(with(22490), 2);
    EXPECT_STREQ(g_errorText, Err("WRONG_ANG_PIECE").c_str());
    EXPECT_EQ(with(90000, 45000), 2);
    EXPECT_STREQ(g_errorText, Err("ERR_LISTA_PEZZI").c_str());
    EXPECT_EQ(with(90000, 0), 0) << g_errorText;
    EXPECT_EQ(with(-45000), 0) << g_errorText;
    EXPECT_EQ(list_->pieces[0]->SDx, 1);
    EXPECT_EQ(list_->pieces[0]->ADxRead, -45000);
    g_machineOption = 2;
    EXPECT_EQ(with(67500), 2);
    EXPECT_STREQ(g_errorText, Err("WRONG_ANG_PIECE").c_str());
}

TEST_F(DetailTest, HeadSlicesBecomeBladeRecords) {
    ldatest::PieceSpec a = Piece("A", 1000000, 90000, 90000);
    a.firstFurtherAngle = 45000; // straight slice on the right end
    a.firstFurtherValue = 20000;
    ldatest::PieceSpec b = Piece("B", 1000000, 60000, 90000);
    b.firstFurtherAngle = 45000; // angled slice: two records
    b.firstFurtherValue = 20000;
    ASSERT_EQ(Compute(List({Bar({a, b})})), 0) << g_errorText;
    const BarComputation& bc = *list_;
    EXPECT_EQ(bc.pieces[0]->rightSlice, 2);
    EXPECT_EQ(bc.pieces[1]->rightSlice, 1);
    EXPECT_EQ(bc.pieces[1]->ADx, 90000);
    EXPECT_EQ(bc.pieces[1]->rightSliceAngle, 60000);
    ASSERT_EQ(bc.machiningCount, 3);
    for (int i = 0; i < 3; ++i) {
        const WorkingMachining& m = *bc.records[static_cast<std::size_t>(i)];
        EXPECT_EQ(m.TipoLavor, kKindQBlade);
        EXPECT_EQ(m.Figura, 6010);
        EXPECT_EQ(m.Diam, g_pSettings->DIAM_LAMA);
        EXPECT_EQ(m.IdLdt, m.Id);
    }
    // The record image keeps its colour name intact beside the 4-byte direction angle.
    BladeCutRecord r;
    BuildStraightSliceCut(r, *bc.currentBar, 0, 45000, 20000, 1000000);
    EXPECT_STREQ(reinterpret_cast<const char*>(r.bytes + lda::mach::kNomeLdt), "BLADE_GREEN");
    EXPECT_FLOAT_EQ(lda::GetF32(r.bytes + lda::mach::kDirectionAngle), 225.0f);
    EXPECT_EQ(lda::GetI16(r.bytes), 7);
    EXPECT_EQ(lda::GetI32(r.bytes + lda::mach::kXMax), g_pSettings->DIAM_LAMA / 2);
    BuildStraightSliceCut(r, *bc.currentBar, 1, 45000, 20000, 1000000);
    EXPECT_STREQ(reinterpret_cast<const char*>(r.bytes + lda::mach::kNomeLdt), "BLADE_RED");
    EXPECT_FLOAT_EQ(lda::GetF32(r.bytes + lda::mach::kFigureAngle), 270.0f);
}

// The two blade names are never an unknown tool at list opening, on any variant.
TEST_F(DetailTest, ListToolsAcceptTheBladeNamesOnEveryVariant) {
    const struct {
        int variant;
        const char* conf;
    } cases[] = {{0, "CONF-V0"}, {1, "CONF"}, {2, "CONF-V2"}};
    for (const auto& c : cases) {
        Reinstall(c.variant, c.conf);
        const std::string blades[] = {g_pSettings->QBLADE_NAME, g_pSettings->SLICERBLADE_NAME};
        for (const std::string& tool : blades) {
            SCOPED_TRACE(std::string(c.conf) + " " + tool);
            ASSERT_LT(g_pRallaTools->FindTool(tool.c_str()), 0); // not in the tool table
            ldatest::PieceSpec a = Piece("A", 500000);
            a.machinings = {Drill(100000, 90, tool.c_str())};
            EXPECT_EQ(Open(List({Bar({a})})).CheckListTools(), 0) << g_errorText;
        }
    }
}

// Every record's own tool is judged, along a run of one tool and from one bar to the next. The
// opening refuses such lists itself, so the check is run on the file rewritten after it, and
// with fewer ralla positions than the opening had.
TEST_F(DetailTest, ListToolsJudgeEveryRecordsOwnTool) {
    const auto bar = [](std::vector<std::string> tools) {
        ldatest::PieceSpec a = Piece("A", 500000);
        for (std::size_t i = 0; i < tools.size(); ++i)
            a.machinings.push_back(Drill(100000 + 20000 * static_cast<int32_t>(i), 90, tools[i].c_str()));
        return Bar({a});
    };
    const std::string blade = g_pSettings->QBLADE_NAME;
    const int positions = g_rallaPositions;
    ASSERT_GE(positions, 3);
    const auto check = [&](std::vector<ldatest::BarSpec> opened, std::vector<ldatest::BarSpec> checked, int slots) {
        g_rallaPositions = positions;
        BarComputation& bc = Open(List(std::move(opened)));
        EXPECT_TRUE(ldatest::WriteLda(dir_ + "LIST.lda", List(std::move(checked))));
        g_rallaPositions = slots;
        ClearErrorText();
        return bc.CheckListTools();
    };
    // A tool the table does not know, after a run of a known one and after a run of blades.
    EXPECT_EQ(check({bar({"PUNTA5", "PUNTA5", "PUNTA8"})}, {bar({"PUNTA5", "PUNTA5", "NOSUCH"})}, positions), 1);
    EXPECT_EQ(std::string(g_errorText), Err("WRONG_DRILL"));
    EXPECT_EQ(check({bar({blade, blade, "PUNTA8"})}, {bar({blade, blade, "NOSUCH"})}, positions), 1);
    EXPECT_EQ(std::string(g_errorText), Err("WRONG_DRILL"));
    // The first bar's last tool opens the second bar and still takes one of its two positions.
    const std::vector<ldatest::BarSpec> fits = {bar({"PUNTA5"}), bar({"PUNTA5", "PUNTA8", "PUNTA5"})};
    EXPECT_EQ(check(fits, fits, 2), 0) << g_errorText;
    const std::vector<ldatest::BarSpec> over = {bar({"PUNTA5"}), bar({"PUNTA5", "PUNTA8", "FRESA8"})};
    EXPECT_EQ(check(over, over, 2), 1);
    EXPECT_EQ(std::string(g_errorText).rfind(Err("TROPPI_UTEN"), 0), 0u) << g_errorText;
}

// The check reads the list through a window of its own: records that cross the window's edge
// are read whole, and a list cut short after its opening is refused at the record it lacks.
TEST_F(DetailTest, ListToolsReadAcrossTheWindowAndRefuseAShortFile) {
    std::vector<ldatest::BarSpec> bars;
    for (int b = 0; b < 40; ++b) {
        ldatest::PieceSpec a = Piece("A", 500000);
        for (int m = 0; m < 25; ++m) a.machinings.push_back(Drill(100000 + 1000 * m, 90, "PUNTA5"));
        bars.push_back(Bar({a}));
    }
    BarComputation& bc = Open(List(std::move(bars)));
    const std::string path = dir_ + "LIST.lda";
    ASSERT_GT(std::filesystem::file_size(path), 300u * 1024);
    EXPECT_EQ(bc.CheckListTools(), 0) << g_errorText;
    std::filesystem::resize_file(path, std::filesystem::file_size(path) - 100);
    EXPECT_EQ(bc.CheckListTools(), 1);
    EXPECT_EQ(std::string(g_errorText), Err("ERR_READ"));
}

TEST_F(DetailTest, ListThatCannotBeOpenedIsReported) {
    BarComputation& bc = Open(List({Bar({Piece("A", 500000)})}));
    std::filesystem::remove(dir_ + "LIST.lda");
    // A list gone since its reading is no longer the list read: no bar is computed from it.
    EXPECT_EQ(bc.ComputeBar(0, 0), 2);
    EXPECT_EQ(std::string(g_errorText).rfind(Err("ERR_LIST_CHANGED"), 0), 0u) << g_errorText;
    EXPECT_EQ(bc.CheckListTools(), 1);
    EXPECT_NE(std::string(g_errorText).find("(LISTA2:"), std::string::npos);
}

TEST_F(DetailTest, BarProgressResumesOnlyInsideTheBar) {
    g_pSettings->MEM_PEZZI = 1;
    std::snprintf(g_barProgressPath, sizeof g_barProgressPath, "%sSTATBAR.TXT", dir_.c_str());
    ldatest::PieceSpec a = Piece("A", 500000);
    a.machinings = {Drill(100000, 90)};
    BarComputation& bc = Open(List({Bar({a, a})}));
    const std::string path = bc.ListPath();
    // One piece of two made resumes at the second; all of them, or more than the bar has, is
    // no progress: the bar starts from its first piece.
    for (int done : {1, 2, 5}) {
        SCOPED_TRACE(done);
        WriteFile(dir_ + "STATBAR.TXT", "[STATBAR]\r\nNOMELDA=" + path + "\r\nIDBARRA=1\r\nPEZZIFATTI=" +
                                            std::to_string(done) + "\r\n");
        ASSERT_EQ(bc.ComputeBar(0, 0), 0) << g_errorText;
        const int resumed = done < 2 ? done : 0;
        EXPECT_EQ(bc.piecesDone, resumed);
        EXPECT_EQ(bc.pieces[0]->made, resumed);
        EXPECT_EQ(bc.pieces[0]->Lav, resumed == 1 ? 0 : 1);
        EXPECT_EQ(bc.cutCount, 2 * (2 - resumed));
        EXPECT_EQ(bc.machiningCount, 2 - resumed);
        // Ids count the made piece's records too.
        if (done == 1) {
            EXPECT_EQ(bc.records[0]->Id, 2);
        }
    }
}

TEST_F(DetailTest, ToolFigureBoundaries) {
    BarComputation& bc = Open(List({Bar({Piece("A", 500000)})}));
    ASSERT_EQ(bc.ComputeBar(0, 0), 0);
    auto check = [&](const char* tool, int figure, std::vector<int32_t> params, int second = 0) {
        auto mp = std::make_shared<WorkingMachining>();
        WorkingMachining& m = *mp;
        m.Uten = g_pRallaTools->FindTool(tool);
        m.Figura = figure;
        m.paramCount = static_cast<int32_t>(params.size());
        for (std::size_t i = 0; i < params.size(); ++i) (second ? m.params2 : m.params)[i] = params[i];
        ClearErrorText();
        const int r = bc.CheckToolFigure(m, second);
        return std::make_pair(r, mp);
    };
    // Boring tool: figure 1 within 5 of its diameter, which it takes.
    EXPECT_EQ(check("PUNTA5", 1, {5005}).first, 0);
    EXPECT_EQ(check("PUNTA5", 1, {5005}).second->params[0], 5000);
    EXPECT_EQ(check("PUNTA5", 1, {5006}).first, 1);
    EXPECT_EQ(std::string(g_errorText).rfind(Err("ERR_USO_PUNTA"), 0), 0u);
    // Milling tool: the smallest parameter + 5 must reach the diameter.
    EXPECT_EQ(check("FRESA8", 3, {20000, 7995}).first, 0);
    EXPECT_EQ(check("FRESA8", 3, {20000, 7994}).first, 1);
    EXPECT_EQ(std::string(g_errorText).rfind(Err("ERR_DIAM_UTEN"), 0), 0u);
    // Figure 2: width (twice the third parameter) + 90, or on the first try a figure 3.
    auto r = check("FRESA8", 2, {30000, 8090, 4000});
    EXPECT_EQ(r.first, 0);
    EXPECT_EQ(r.second->Figura, 2);
    r = check("FRESA8", 2, {30000, 8089, 4000});
    EXPECT_EQ(r.first, 0);
    EXPECT_EQ(r.second->Figura, 3);
    EXPECT_STREQ(r.second->programName, "3.BRE");
    r = check("FRESA8", 2, {30000, 8089, 4000}, 1);
    EXPECT_EQ(r.first, 1);
    EXPECT_STREQ(g_errorText, ""); // the second try writes no message
    EXPECT_EQ(r.second->Flags, 0);
    EXPECT_EQ(check("FRESA8", 3, {17990, 17900}).first, 0);
    EXPECT_EQ(check("FRESA8", 3, {17989, 17900}).first, 1);
    EXPECT_EQ(check("FRESA8", 7, {20000, 20000}).first, 1);
    EXPECT_EQ(std::string(g_errorText).rfind(Err("ERR_USO_DISCO"), 0), 0u);
    // Countersink: figure 1 becomes figure 6.
    r = check("SVAS12", 1, {11995});
    EXPECT_EQ(r.first, 0);
    EXPECT_EQ(r.second->Figura, 6);
    EXPECT_EQ(check("SVAS12", 1, {11994}).first, 1);
}

TEST_F(DetailTest, BarShorterThanItsPiecesIsRefused) {
    Reinstall(0, "CONF-V0");
    g_pSettings->SCARTO_CODA = 10000;
    ldatest::BarSpec bar = Bar({Piece("A", 2000000), Piece("B", 2000000)}, 4000000);
    EXPECT_EQ(Compute(List({bar}), 1), 1);
    EXPECT_EQ(std::string(g_errorText), Err("BAR_SHORT") + " 1 / 1");
    bar.length = 4100000;
    EXPECT_EQ(Compute(List({bar}), 1), 0) << g_errorText;
    // Square ends share one cut: one end-cut record less.
    EXPECT_EQ(list_->pieces[1]->sharedCut, 1);
    EXPECT_EQ(list_->cutCount, 3);
}

TEST_F(DetailTest, SlotsRunningAcrossASharedCutAreJoined) {
    Reinstall(0, "CONF-V0");
    g_pSettings->SCARTO_CODA = 0;
    ldatest::MachiningSpec slotP = Drill(5000, 90, "FRESA8");
    slotP.figure = 2;
    slotP.params = {20000, 10000, 4000};
    slotP.xMin = -10000; // runs out over P's start
    slotP.xMax = 10000;
    ldatest::MachiningSpec slotQ = slotP;
    slotQ.x = 995000; // runs out over Q's end
    ldatest::PieceSpec p = Piece("P", 1000000);
    p.machinings = {slotP};
    ldatest::PieceSpec q = Piece("Q", 1000000);
    q.machinings = {slotQ};
    ldatest::ListSpec spec = List({Bar({p, q})});
    g_pSettings->UNIONE_INTEST = 1;
    g_pSettings->CK_UNION_TAGLI = 0;
    BarComputation& bc = Open(spec);
    ASSERT_EQ(bc.ComputeBar(0, 0), 0) << g_errorText;
    bc.ComputeEndOffsets();
    int joined = 0;
    ASSERT_EQ(bc.CheckBarLength(&joined), 0) << g_errorText;
    EXPECT_EQ(joined, 1);
    const WorkingMachining& m = *bc.records[0];
    const WorkingMachining& c = *bc.records[1];
    EXPECT_EQ(c.active, 0);
    EXPECT_EQ(m.Id2, c.Id);
    // Length: q's 20 less its 5 overhang, m's 20 less its 5 overhang, plus the blade offset.
    EXPECT_EQ(m.params[0], 20000 - 5000 - 5000 + 20000 + bc.pieces[1]->BladeOffset(0));
    EXPECT_EQ(m.XFm, m.XFM - m.params[0]);
    // Without the option nothing is joined.
    g_pSettings->UNIONE_INTEST = 0;
    ASSERT_EQ(bc.ComputeBar(0, 0), 0);
    joined = 0;
    bc.ComputeEndOffsets();
    ASSERT_EQ(bc.CheckBarLength(&joined), 0);
    EXPECT_EQ(joined, 0);
}

int32_t FakeCompiler(const char*, const char* shape, const char*, int32_t, int32_t*, const char* out, int32_t) {
    return (out == nullptr && std::strstr(shape, "GOOD") != nullptr) ? 0 : -2;
}

TEST_F(DetailTest, SpecialShapesByConnectionAndCompiler) {
    ldatest::PieceSpec a = Piece("A", 500000);
    ldatest::MachiningSpec m = Drill(100000, 90, "FRESA8");
    m.figure = 0;
    m.shapeName = "GOOD.vlk";
    m.params = {};
    ldatest::MachiningSpec n = m;
    n.x = 200000;
    a.machinings = {m, n};
    ShapeCompiler& sc = TheShapeCompiler();
    // Unbound: the shape counts as not found and the program is a sub-program.
    sc.Unbind();
    EXPECT_EQ(sc.CompilaSpeciale3("", "GOOD", "BRE", 0, nullptr, nullptr, 0), -2);
    ASSERT_EQ(Compute(List({Bar({a})})), 0) << g_errorText;
    EXPECT_EQ(list_->records[0]->programKind, kProgramLoaded);
    EXPECT_STREQ(list_->records[0]->programName, "GOOD.ISO");
    sc.BindFunction(FakeCompiler);
    ASSERT_EQ(Compute(List({Bar({a})})), 0) << g_errorText;
    EXPECT_EQ(list_->records[0]->programKind, kProgramLoaded); // office mode
    g_machineConnected = 1;
    ASSERT_EQ(Compute(List({Bar({a})})), 0) << g_errorText;
    EXPECT_EQ(list_->records[0]->programKind, kProgramCompiled);
    // On-line the sub-programs must exist in the controller's SPECIAL folder.
    a.machinings[0].shapeName = "other.vlk";
    EXPECT_EQ(Compute(List({Bar({a})})), 2);
    EXPECT_EQ(std::string(g_errorText), Err("ERR_NO_SPECIAL") + " OTHER.ISO");
    g_machineConnected = 0;
    sc.Unbind();
}

} // namespace
} // namespace enginetest
