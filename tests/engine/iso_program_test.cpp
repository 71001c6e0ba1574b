// Whole part programs: generation on variants 0 and 2, output paths, failures that leave no
// program behind, the repeat range, and the reviewed goldens of a small bar.
#include <algorithm>
#include <filesystem>

#include "iso_test_support.h"
#include "machine/profile_overrides.h"
#include "machine/ui_services_fake.h"
#include "platform/text.h"

namespace enginetest {
namespace {

ldatest::ListSpec SmallBar() {
    ldatest::PieceSpec a = Piece("A", 1200000);
    a.machinings = {Drill(100000, 90), Drill(600000, 90)};
    ldatest::PieceSpec b = Piece("B", 800000);
    b.machinings = {Drill(300000, 0)};
    return List({Bar({a, b})});
}

struct Variant {
    int variant;
    const char* conf;
    const char* golden;
};
struct Installation {
    int variant;
    const char* conf;
};
constexpr Variant kVariants[] = {{0, "CONF-V0", "small_bar_v0.iso"}, {2, "CONF-V2", "small_bar_v2.iso"}};

class IsoProgramTest : public IsoTest {
protected:
    // Generates the small bar's program in office mode and returns its text.
    std::string Generate(int32_t step = 1) {
        IsoProgramGenerator& g = OpenGen(SmallBar());
        EXPECT_EQ(CheckBarSize(*g.Bar(0)), 0) << g_errorText; // as the bar selection does
        EXPECT_EQ(g.ComputeBar(0, 1), 0) << g_errorText;
        EXPECT_EQ(g.GenerateIsoProgram(step, 0), 0) << g_errorText;
        return ReadFile(dir_ + "OUTPUT.ISO");
    }
};

// The whole program of the small bar, reviewed once and kept as a golden per variant.
TEST_F(IsoProgramTest, SmallBarMatchesTheReviewedGoldens) {
    for (const Variant& v : kVariants) {
        SCOPED_TRACE(v.golden);
        Reinstall(v.variant, v.conf);
        const std::string text = Generate();
        const std::string golden = std::string(BRELON_SOURCE_DIR "/tests/fixtures/engine/iso/") + v.golden;
        if (std::getenv("BRELON_UPDATE_GOLDENS") != nullptr) WriteFile(golden, text);
        const std::vector<std::string> want = Lines(ReadFile(golden));
        EXPECT_EQ(Lines(text), want);
    }
}

// The blade lubrication is the tool table's header number (the blade records' cooling value),
// on every variant.
TEST_F(IsoProgramTest, BladeLubricationIsTheToolTablesHeaderNumber) {
    for (const Installation& v : {Installation{0, "CONF-V0"}, Installation{2, "CONF-V2"}}) {
        SCOPED_TRACE(v.conf);
        Reinstall(v.variant, v.conf);
        g_pRallaTools->headerNumber = 45;
        EXPECT_NE(Generate().find("R501=45      { R_FREQ_LUBRLAMA }"), std::string::npos);
    }
}

TEST_F(IsoProgramTest, RepeatRangeOnlyFromStepTwo) {
    Reinstall(2, "CONF-V2");
    for (int32_t step : {0, 1}) {
        const std::vector<std::string> b = Bodies(Lines(Generate(step)));
        EXPECT_EQ(IndexOf(b, "IF (R591==1)"), -1);
        EXPECT_EQ(IndexOf(b, "<RPT:"), -1);
    }
    const std::vector<std::string> lines = Lines(Generate(3));
    ExpectContiguous(lines);
    // The range starts at the block after the head (R502 on variant 2).
    int start = 0;
    for (const std::string& l : lines)
        if (Body(l).rfind("R502=", 0) == 0 && start == 0) start = std::stoi(l.substr(1));
    ASSERT_GT(start, 0);
    int k = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].find("IF (R591==1)") == std::string::npos) continue;
        k = std::stoi(lines[i].substr(1));
        EXPECT_EQ(lines[i], "N" + std::to_string(k) + " IF (R591==1) N" + std::to_string(k + 3) + "      { R_STOP_CICLO }");
        EXPECT_EQ(lines[i + 1], "N" + std::to_string(k + 1));
        EXPECT_EQ(lines[i + 2], "N" + std::to_string(k + 2) + " <RPT:N" + std::to_string(start) + ";N" +
                                    std::to_string(k + 1) + ";2>");
        EXPECT_EQ(lines[i + 4].rfind("N" + std::to_string(k + 3) + " R545=", 0), 0u) << lines[i + 4];
    }
    EXPECT_GT(k, 0);
}

TEST_F(IsoProgramTest, VariantZeroWritesIntoTheControllerWorkDirectory) {
    Reinstall(0, "CONF-V0");
    for (const char* sep : {"/", ""}) {
        SCOPED_TRACE(sep);
        const std::string work = dir_ + "LAV" + sep;
        std::filesystem::create_directories(dir_ + "LAV");
        ASSERT_TRUE(SetCncWorkDir(work.c_str()));
        EXPECT_EQ(IsoProgramGenerator::IsoOutputPath(1), dir_ + "LAV" + (*sep ? "/" : "\\") + "ISONV");
        IsoProgramGenerator& g = OpenGen(SmallBar());
        ASSERT_EQ(CheckBarSize(*g.Bar(0)), 0) << g_errorText;
        ASSERT_EQ(g.ComputeBar(0, 1), 0) << g_errorText;
        ASSERT_EQ(g.GenerateIsoProgram(1, 1), 0) << g_errorText;
        EXPECT_TRUE(std::filesystem::exists(dir_ + "LAV/ISONV"));
        EXPECT_FALSE(std::filesystem::exists(dir_ + "LAV/ISONV.tmp"));
        EXPECT_FALSE(std::filesystem::exists(dir_ + "OUTPUT.ISO"));
        std::filesystem::remove(dir_ + "LAV/ISONV");
    }
}

TEST_F(IsoProgramTest, FailedGenerationLeavesNoProgram) {
    Reinstall(2, "CONF-V2");
    // A piece shorter than the machine can make fails the checks of variant 2.
    ldatest::PieceSpec tiny = Piece("T", 20000);
    IsoProgramGenerator& g = OpenGen(List({Bar({Piece("A", 1200000), tiny})}));
    ASSERT_EQ(CheckBarSize(*g.Bar(0)), 0) << g_errorText;
    ASSERT_EQ(g.ComputeBar(0, 1), 0) << g_errorText;
    EXPECT_EQ(g.GenerateIsoProgram(1, 0), 1);
    EXPECT_EQ(std::string(g_errorText), Err("ERR_PEZZI_CORTI"));
    EXPECT_FALSE(std::filesystem::exists(dir_ + "OUTPUT.ISO"));
    EXPECT_FALSE(std::filesystem::exists(dir_ + "OUTPUT.ISO.tmp"));
    EXPECT_EQ(g.isoFile, nullptr);
}

TEST_F(IsoProgramTest, UnlistedUnloadingModeFailsInsteadOfHalfALine) {
    Reinstall(0, "CONF-V0");
    IsoProgramGenerator& g = OpenGen(SmallBar());
    ASSERT_EQ(g.ComputeBar(0, 1), 0) << g_errorText;
    // A cut whose operation mode has no unloading cause on variant 0, followed by another cut.
    for (int i = 0; i < g.orderedRecords; ++i) {
        WorkingMachining& r = *g.order[static_cast<std::size_t>(i)];
        if (r.TipoLavor == kKindEndCut) r.CutMode = 32;
    }
    StartScratch(g);
    EXPECT_EQ(g.WriteIsoProgramDefault(1), 1);
    EXPECT_NE(std::string(g_errorText).find(Err("ERR_CAUSALE_SCARICO")), std::string::npos) << g_errorText;
    for (const std::string& l : EndScratch(g)) EXPECT_NE(l.back(), '=') << l;
}

// A piece freed by its cut waits for its own operations even past a cut that frees nothing, and
// leaves (counted once) before the next positioning beyond it.
TEST_F(IsoProgramTest, PieceWaitsForItsOperationsPastACutThatFreesNothing) {
    Reinstall(0, "CONF-V0");
    IsoProgramGenerator& g = OpenGen(SmallBar());
    ASSERT_EQ(CheckBarSize(*g.Bar(0)), 0) << g_errorText;
    ASSERT_EQ(g.ComputeBar(0, 1), 0) << g_errorText;
    ASSERT_EQ(g.GenerateIsoProgram(1, 0), 0) << g_errorText; // the order is elaborated
    // Laid out: first cut, drill A, cut freeing A, a cut that frees nothing, drill A, drill B.
    ASSERT_EQ(g.orderedRecords, 6);
    std::vector<WorkingMachining*>& o = g.order;
    std::vector<WorkingMachining*> cuts, drillsA, drillsB;
    for (int i = 0; i < 6; ++i) {
        WorkingMachining* r = o[static_cast<std::size_t>(i)];
        if (r->TipoLavor == kKindEndCut) cuts.push_back(r);
        else (r->PieceRef->Id == 1 ? drillsA : drillsB).push_back(r);
    }
    ASSERT_EQ(cuts.size(), 3u);
    ASSERT_EQ(drillsA.size(), 2u);
    auto freeing = [&](int piece) {
        for (WorkingMachining* c : cuts)
            if (c->PezzoDx == piece) return c;
        return static_cast<WorkingMachining*>(nullptr);
    };
    WorkingMachining* first = nullptr;
    for (WorkingMachining* c : cuts)
        if (c->PezzoDx == 0) first = c;
    ASSERT_TRUE(first != nullptr && freeing(1) != nullptr && freeing(2) != nullptr);
    freeing(2)->CutMode = 1;
    o = {first, drillsA[0], freeing(1), freeing(2), drillsA[1], drillsB[0]};
    StartScratch(g);
    ASSERT_EQ(g.WriteIsoProgramDefault(1), 0) << g_errorText;
    const std::vector<std::string> b = Bodies(EndScratch(g));
    std::vector<int> calls;
    for (int i = 0; i < static_cast<int>(b.size()); ++i)
        if (b[static_cast<std::size_t>(i)] == "L<1.BRE>") calls.push_back(i);
    ASSERT_EQ(calls.size(), 3u);
    const int count = IndexOf(b, "R590=R590+1");
    EXPECT_GT(count, calls[1]) << "A is counted after its second drill";
    EXPECT_LT(count, calls[2]) << "and before B's drill at the next positioning";
    EXPECT_EQ(IndexOf(b, "R590=R590+1", count + 1), -1);
}

} // namespace
} // namespace enginetest

namespace enginetest {
namespace {

class IsoOptimTest : public IsoTest {};

// A bar whose machinings need two ralla turns, on a profile whose section does not let the
// ralla turn between machinings: level 3 drops to 1 with one warning on variant 2, and the
// bar is refused on variant 0.
TEST_F(IsoOptimTest, TwoRotationsLowerTheOptimisationLevelOrRefuseTheBar) {
    for (const Variant& v : kVariants) {
        SCOPED_TRACE(v.conf);
        Reinstall(v.variant, v.conf);
        RecordingUi ui;
        SetUi(&ui);
        ldatest::PieceSpec a = Piece("A", 1200000);
        a.machinings = {Drill(100000, 0), Drill(300000, 45)};
        IsoProgramGenerator& g = OpenGen(List({Bar({a})}));
        ASSERT_EQ(CheckBarSize(*g.Bar(0)), 0) << g_errorText;
        ASSERT_EQ(g.ComputeBar(0, 1), 0) << g_errorText;
        g.Bar(0)->reachInner = 0;
        g.Bar(0)->reachOuter = 1;
        CpWriteOptimLevel(g.Bar(0)->series, g.Bar(0)->code, 3);
        const int r = g.GenerateIsoProgram(1, 0);
        SetUi(nullptr);
        ASSERT_TRUE(g.NeedsSeveralRotations());
        if (v.variant == 0) {
            EXPECT_EQ(r, 1);
            EXPECT_EQ(std::string(g_errorText), Err("ROT_NO_POSS"));
            continue;
        }
        ASSERT_EQ(r, 0) << g_errorText;
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_EQ(ui.boxes[0].title, "T_ATTENZIONE");
        EXPECT_EQ(ui.boxes[0].text, Err("ERR_TOO_OPTIM"));
        EXPECT_TRUE(Has(Bodies(Lines(ReadFile(dir_ + "OUTPUT.ISO"))), "R521=1      { R_OTT_SLITTE_MAND }"));
    }
}


// R521 is the profile's validated optimisation level (a stored 7 means 1, as for the elaboration's
// marks); variant 1 writes R528 R_QUOTA_H, the H axis left where it is.
TEST_F(IsoOptimTest, OptimisationLevelIsTheValidatedOne) {
    for (const Installation& inst : {Installation{2, "CONF-V2"}, Installation{1, "CONF"}}) {
        SCOPED_TRACE(inst.conf);
        Reinstall(inst.variant, inst.conf);
        IsoProgramGenerator& g = OpenGen(SmallBar());
        ASSERT_EQ(CheckBarSize(*g.Bar(0)), 0) << g_errorText;
        ASSERT_EQ(g.ComputeBar(0, 1), 0) << g_errorText;
        CpWriteOptimLevel(g.Bar(0)->series, g.Bar(0)->code, 7);
        ASSERT_EQ(g.GenerateIsoProgram(1, 0), 0) << g_errorText;
        const std::vector<std::string> b = Bodies(Lines(ReadFile(dir_ + "OUTPUT.ISO")));
        EXPECT_TRUE(Has(b, "R521=1      { R_OTT_SLITTE_MAND }"));
        EXPECT_EQ(Has(b, "R528=-9999      { R_QUOTA_H }"), inst.variant == 1);
    }
}


// The tool check runs over the positions the optimiser marked in use for the bar, with the tool
// of the bar's own set-up there: here the bar's drill sits on T3, not where it was requested.
TEST_F(IsoOptimTest, ToolCheckFollowsTheBarsOwnSetup) {
    Reinstall(2, "CONF-V2");
    g_pSettings->LASER_CK_TOOL = 1;
    g_pSettings->CK_TOOL = 1;
    IsoProgramGenerator& g = OpenGen(SmallBar());
    BarRecord& bar = *g.Bar(0);
    const int drill = g_pRallaTools->FindTool("PUNTA5");
    ASSERT_GT(drill, 0);
    ASSERT_EQ(std::count(std::begin(bar.requiredTools), std::end(bar.requiredTools), drill), 1);
    ASSERT_NE(bar.requiredTools[2], drill);
    std::fill(std::begin(bar.chosenTools), std::end(bar.chosenTools), 0);
    bar.chosenTools[2] = drill;
    bar.chosenMarks[2] = 1;
    bar.setupStored = 1;
    ASSERT_EQ(CheckBarSize(bar), 0) << g_errorText;
    ASSERT_EQ(g.ComputeBar(0, 1), 0) << g_errorText;
    ASSERT_EQ(g.GenerateIsoProgram(1, 0), 0) << g_errorText;
    const std::vector<std::string> b = Bodies(Lines(ReadFile(dir_ + "OUTPUT.ISO")));
    const int check = IndexOf(b, "L<CKTOOL.BRE>");
    ASSERT_GE(check, 2);
    const int32_t length = g_pRallaTools->Tool(drill).totalLength;
    EXPECT_EQ(b[static_cast<std::size_t>(check) - 2], plat::StrFormatC("R507=%lg      { R_LENGTH_NEXTOOL }", length / 1000.0));
    EXPECT_EQ(b[static_cast<std::size_t>(check) - 1], "R611=3      { R_NEXT_TOOL }");
    EXPECT_EQ(IndexOf(b, "L<CKTOOL.BRE>", check + 1), -1) << "one position in use";
}

} // namespace
} // namespace enginetest
