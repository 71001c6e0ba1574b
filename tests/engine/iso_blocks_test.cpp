// Block writers of the part program: number format, numbering, tool change, unloading
// position, special-shape compile, the machining block's faces and the notch-cut question.
#include <filesystem>

#include "engine/shape_compiler.h"
#include "iso_test_support.h"
#include "machine/ui_services_fake.h"
#include "platform/text.h"

namespace enginetest {
namespace {

class IsoBlocksTest : public IsoTest {
protected:
    void SetUp() override {
        Install(2, "CONF-V2");
        gen_ = &OpenGen(List({Bar({Piece("A", 1200000)})}));
        ASSERT_EQ(gen_->ComputeBar(0, 1), 0) << g_errorText;
        StartScratch(*gen_);
    }
    void TearDown() override {
        TheShapeCompiler().Unbind();
        SetUi(nullptr);
        gen_->FlushBuffer();
        if (gen_->isoFile != nullptr) std::fclose(gen_->isoFile);
        gen_->isoFile = nullptr;
        EngineTest::TearDown();
    }
    // A record of the bar: a new Id, kept in the bar's records.
    WorkingMachining& Add() {
        WorkingMachining& m = *gen_->NewRecord();
        m.Id = static_cast<int32_t>(gen_->records.size()) + 1;
        gen_->records.push_back(&m);
        return m;
    }
    WorkingMachining& NewMachining(int32_t tool, int32_t position) {
        WorkingMachining& m = Add();
        m.TipoLavor = kKindRalla;
        m.Uten = tool;
        m.rallaPosition = position;
        m.Tipo = kFace0;
        std::snprintf(m.programName, sizeof m.programName, "1.BRE");
        return m;
    }
    IsoProgramGenerator* gen_ = nullptr;
};

TEST_F(IsoBlocksTest, RealsPrintShortestInTheCLocaleAndLinesNumberOnward) {
    gen_->RReal(535, 1500, "R_QUOTA_U");
    gen_->RReal(535, 1234567, "R_QUOTA_U");
    gen_->RReal(527, -9999000, "R_QUOTA_P");
    gen_->RInt(529, 3, "R_LIV_LAMA", 7);
    gen_->Block("L<ALIM.BRE>\n\n");
    const std::vector<std::string> l = EndScratch(*gen_);
    ASSERT_EQ(l.size(), 6u);
    EXPECT_EQ(l[0], "N1 R535=1.5      { R_QUOTA_U }");
    EXPECT_EQ(l[1], "N2 R535=1234.57      { R_QUOTA_U }");
    EXPECT_EQ(l[2], "N3 R527=-9999      { R_QUOTA_P }");
    EXPECT_EQ(l[3], "N4 R529=3       { R_LIV_LAMA }");
    EXPECT_EQ(l[4], "N5 L<ALIM.BRE>");
    EXPECT_EQ(l[5], "");
}

TEST_F(IsoBlocksTest, RealsMatchPercentLgAcrossTheRange) {
    std::vector<int32_t> values;
    for (int32_t v = -1000500; v <= 1000500; v += 997) values.push_back(v);
    for (int32_t v : {0, 1, -1, 10, 100, 999, 1000, 999999, -999999, 1000000, 1234567, 999999999, -2147483647})
        values.push_back(v);
    for (int32_t v : values) gen_->RReal(1, v, "C");
    const std::vector<std::string> l = EndScratch(*gen_);
    ASSERT_EQ(l.size(), values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(Body(l[i]), plat::StrFormatC("R1=%lg      { C }", values[i] / 1000.0)) << values[i];
}

TEST_F(IsoBlocksTest, ToolChangeOnlyWhenTheToolIsNotInPlace) {
    WorkingMachining& a = NewMachining(1, 0);
    WorkingMachining& b = NewMachining(1, 0);
    WorkingMachining& same = NewMachining(1, 0);
    WorkingMachining& c = NewMachining(1, 1);
    a.Xcaric = 5000000;
    b.Xcaric = same.Xcaric = c.Xcaric = 4000000;
    WorkingMachining cut;
    cut.TipoLavor = kKindEndCut;
    gen_->WriteToolChangeBlock(a, nullptr);
    // Variant 2: the same tool, diameter, length, position and rotation, but the bar stands at
    // the loading position: the block moves it to b's positioning.
    gen_->WriteToolChangeBlock(b, &a);
    gen_->WriteToolChangeBlock(same, &b); // the tool in place, the bar there: nothing
    gen_->WriteToolChangeBlock(cut, &a);
    gen_->WriteToolChangeBlock(c, &same); // another ralla position
    const std::vector<std::string> b2 = Bodies(EndScratch(*gen_));
    int calls = 0;
    for (const std::string& x : b2) calls += x == "L<RALLA.BRE>";
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(IndexOf(b2, "R611=1 "), 3);
    EXPECT_GE(IndexOf(b2, "R611=2 "), 0);
    EXPECT_EQ(b2[10], "R535=4000      { R_QUOTA_U }");
    // Variant 2: the first change carries the loading position (bar length + POSIZ_BARRIERA).
    const int32_t load = gen_->currentBar->length + g_pSettings->POSIZ_BARRIERA;
    EXPECT_EQ(b2[4], plat::StrFormatC("R535=%lg      { R_QUOTA_U }", load / 1000.0));
}

TEST_F(IsoBlocksTest, UnloadPositionFollowsMaxPosScaric) {
    g_pSettings->MAX_POS_SCARIC = 1;
    gen_->WriteUnloadPositionBlock(1, "2");
    g_pSettings->MAX_POS_SCARIC = 3;
    g_pSettings->DEF_POS_SCARIC = 1;
    gen_->WriteUnloadPositionBlock(1, "2 LEFT");
    gen_->WriteUnloadPositionBlock(1, "5");
    gen_->WriteUnloadPositionBlock(2, "2");
    gen_->WriteUnloadPositionBlock(1, "");
    const std::vector<std::string> l = EndScratch(*gen_);
    ASSERT_EQ(l.size(), 4u);
    EXPECT_EQ(l[0], "N1 R542=2      { R_POS_SCARICO }");
    EXPECT_EQ(Body(l[1]), "R542=1      { R_POS_SCARICO }");
    EXPECT_EQ(Body(l[2]), "R542=1      { R_POS_SCARICO }");
    EXPECT_EQ(Body(l[3]), "R542=1      { R_POS_SCARICO }");
}

// A stand-in compiler that appends three numbered lines to the program it is given.
int32_t g_fakeLines = 3;
int32_t g_fakeResult = 0;
std::string g_fakeOutput;
int32_t FakeCompiler(const char*, const char* shape, const char* suffix, int32_t, int32_t* counter, const char* out,
                     int32_t diameter) {
    g_fakeOutput = out != nullptr ? out : "";
    if (g_fakeResult != 0) return g_fakeResult;
    FILE* f = std::fopen(out, "ab");
    if (f == nullptr) return 0;
    for (int i = 0; i < g_fakeLines; ++i)
        std::fprintf(f, "N%d G1 %s %s D%d\r\n", static_cast<int>((*counter)++), shape, suffix, static_cast<int>(diameter));
    std::fclose(f);
    return 0;
}

TEST_F(IsoBlocksTest, SpecialShapeCompileContinuesTheNumbering) {
    TheShapeCompiler().BindFunction(FakeCompiler);
    g_fakeLines = 3;
    g_fakeResult = 0;
    WorkingMachining& m = NewMachining(1, 0);
    m.programKind = kProgramCompiled;
    gen_->RInt(590, 0, "R_CONT_PEZZI");
    ASSERT_EQ(gen_->WriteSpecialShapeCall("SHAPE.VLK", m), 0) << g_errorText;
    EXPECT_EQ(g_fakeOutput, std::string(gen_->isoPath));
    gen_->RInt(590, 1, "R_CONT_PEZZI");
    const std::vector<std::string> l = EndScratch(*gen_);
    ASSERT_EQ(l.size(), 5u);
    EXPECT_EQ(l[1].rfind("N2 G1 SHAPE.VLK BRE", 0), 0u);
    EXPECT_EQ(l[4], "N5 R590=1      { R_CONT_PEZZI }");
    ExpectContiguous(l);
}

TEST_F(IsoBlocksTest, FailedOrEmptyShapeCompileFailsWithErrCompSpecial) {
    TheShapeCompiler().BindFunction(FakeCompiler);
    WorkingMachining& m = NewMachining(1, 0);
    m.programKind = kProgramCompiled;
    const std::string want = Err("ERR_COMP_SPECIAL") + " (ISO)";
    for (const auto& [lines, result] : {std::pair<int32_t, int32_t>{0, 0}, {3, -1}, {3, -2}}) {
        StartScratch(*gen_);
        g_fakeLines = lines;
        g_fakeResult = result;
        ClearErrorText();
        EXPECT_EQ(gen_->WriteSpecialShapeCall("SHAPE.VLK", m), 1);
        EXPECT_EQ(std::string(g_errorText), want);
        EXPECT_EQ(gen_->isoFile, nullptr) << "the program stays closed";
    }
    TheShapeCompiler().Unbind(); // no compiler at all fails the same way
    StartScratch(*gen_);
    EXPECT_EQ(gen_->WriteSpecialShapeCall("SHAPE.VLK", m), 1);
    EXPECT_EQ(std::string(g_errorText), want);
}

TEST_F(IsoBlocksTest, FailedShapeCompileFailsTheGenerationWithoutAProgram) {
    TheShapeCompiler().BindFunction(FakeCompiler);
    g_fakeLines = 0;
    g_fakeResult = 0;
    EndScratch(*gen_);
    ldatest::PieceSpec a = Piece("A", 1200000);
    a.machinings = {Drill(100000, 0)};
    IsoProgramGenerator& g = OpenGen(List({Bar({a})}));
    ASSERT_EQ(CheckBarSize(*g.Bar(0)), 0) << g_errorText;
    ASSERT_EQ(g.ComputeBar(0, 1), 0) << g_errorText;
    for (WorkingMachining* r : g.records)
        if (r->TipoLavor == kKindRalla) r->programKind = kProgramCompiled;
    gen_ = &g;
    EXPECT_EQ(g.GenerateIsoProgram(1, 0), 1);
    EXPECT_EQ(std::string(g_errorText), Err("ERR_COMP_SPECIAL") + " (ISO)");
    EXPECT_FALSE(std::filesystem::exists(dir_ + "OUTPUT.ISO"));
    EXPECT_FALSE(std::filesystem::exists(dir_ + "OUTPUT.ISO.tmp"));
}

TEST_F(IsoBlocksTest, FaceCodeFiveEndsWithMinusYAndZ) {
    WorkingMachining& m = NewMachining(1, 0);
    m.Tipo = kFace180;
    m.Y = 12000;
    m.Z = 7000;
    const int32_t y = m.Y - g_pSettings->OFFY_T[0];
    const int32_t z = m.Z - g_pSettings->OFFZ_T[0];
    ASSERT_EQ(gen_->WriteMachiningBlock(m, nullptr, nullptr), 0);
    const std::vector<std::string> b = Bodies(EndScratch(*gen_));
    EXPECT_GE(IndexOf(b, "R203=6 "), 0);
    EXPECT_GE(IndexOf(b, plat::StrFormatC("R211=%lg ", -y / 1000.0)), 0);
    EXPECT_GE(IndexOf(b, plat::StrFormatC("R212=%lg ", z / 1000.0)), 0);
    EXPECT_GE(IndexOf(b, "R210=0 "), 0) << "PosX is 0 on variant 2";
    EXPECT_EQ(b.back(), "L<EXIT_MAN.BRE>");
}

TEST_F(IsoBlocksTest, NotchCutOffFortyFiveDegreesIsRefusedByDefault) {
    RecordingUi ui;
    SetUi(&ui);
    WorkingMachining& notch = Add();
    notch.TipoLavor = kKindFigure6000;
    WorkingMachining& cut = Add();
    cut.TipoLavor = kKindEndCut;
    cut.ATaglio = 30000;
    cut.Lav_afterCount = 1;
    cut.Lav_after[0] = notch.Id;
    EXPECT_EQ(gen_->ComputeCutVicePosition(cut), -4);
    EXPECT_TRUE(ui.boxes.empty());
    // With the check off the operator is asked; "no" refuses, "yes" goes on.
    ASSERT_TRUE(plat::WriteProfileString("NOTCH", "CK_CUTN45", "0", g_pPathTable->ConfigPar()));
    ui.script = {IDNO};
    EXPECT_EQ(gen_->ComputeCutVicePosition(cut), -4);
    ui.script = {IDYES};
    EXPECT_GE(gen_->ComputeCutVicePosition(cut), 0);
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[0].title, "T_ATTENZIONE");
    EXPECT_EQ(ui.boxes[0].buttons, BoxButtons::YesNo);
    cut.ATaglio = 45000; // a multiple of 45 degrees asks nothing
    EXPECT_GE(gen_->ComputeCutVicePosition(cut), 0);
    EXPECT_EQ(ui.boxes.size(), 2u);
    const std::vector<std::string> l = EndScratch(*gen_);
    ASSERT_GE(l.size(), 5u);
    EXPECT_EQ(l[0], "{ CK_NOTCH_CUTN45 = 1 }");
    EXPECT_EQ(l[1], "{ CK_NOTCH_CUTN45 = 0 }");
    EXPECT_EQ(l[2], "{ EXE_NOTCH_CUTN45 = 0 }");
    EXPECT_EQ(l[4], "{ EXE_NOTCH_CUTN45 = 1 }");
}

TEST_F(IsoBlocksTest, SeveralRotationsOnlyWithTwoDifferentTurns) {
    gen_->orderedRecords = 0;
    gen_->order.clear();
    EXPECT_FALSE(gen_->NeedsSeveralRotations());
    WorkingMachining& a = NewMachining(1, 0);
    WorkingMachining& b = NewMachining(1, 0);
    WorkingMachining cut;
    cut.TipoLavor = kKindEndCut;
    cut.Angolo = 90000;
    a.Angolo = b.Angolo = 45000;
    gen_->order = {&a, &cut, &b};
    gen_->orderedRecords = 3;
    EXPECT_FALSE(gen_->NeedsSeveralRotations());
    b.Angolo = 0;
    EXPECT_TRUE(gen_->NeedsSeveralRotations());
}

} // namespace
} // namespace enginetest

namespace enginetest {
namespace {

// The machining block: exit modes, step speeds, figure passes and dwell.
class IsoMachiningBlockTest : public IsoBlocksTest {
protected:
    WorkingMachining& Plain() {
        WorkingMachining& m = NewMachining(1, 0);
        m.paramCount = 1;
        m.params[0] = 5000;
        m.Zdisimp = 3000;
        m.depthSteps = 1;
        m.stepDepth = m.totalDepth = 5000;
        m.roughMark1 = m.roughMark2 = 1;
        m.Vel_rot = 3000;
        m.Vel_sfond = 2;
        m.Vel_lav = 30;
        return m;
    }
    // The block's lines from the first figure parameter on.
    std::vector<std::string> Passes(const WorkingMachining& m, const WorkingMachining* next = nullptr) {
        EXPECT_EQ(gen_->WriteMachiningBlock(m, next, nullptr), 0);
        std::vector<std::string> b = Bodies(EndScratch(*gen_));
        const int from = IndexOf(b, "R300=");
        return from < 0 ? b : std::vector<std::string>(b.begin() + from, b.end());
    }
    static std::vector<std::string> Values(const std::vector<std::string>& b, const std::string& prefix) {
        std::vector<std::string> out;
        for (const std::string& l : b)
            if (l.rfind(prefix, 0) == 0) out.push_back(l.substr(0, l.find(' ')));
        return out;
    }
    static constexpr const char* kExit = "      { FlagExit: 0=fuori ingombro  1=slitta dentro(PVC)  2=disimpegno  3=nessun spostam.Z }";
};

// A machining leaves by its own mark: the next machining's mark says nothing about how this
// one must leave (a drill before a feed and a cut was told to keep Z down).
TEST_F(IsoMachiningBlockTest, ExitModeIsTheMachiningsOwnMark) {
    struct Case {
        int32_t own, next;
        const char* exit;
    };
    for (const Case c : {Case{0, 2, "R250=0"}, Case{2, 0, "R250=2"}, Case{1, 2, "R250=1"}}) {
        SCOPED_TRACE(c.exit);
        StartScratch(*gen_);
        WorkingMachining& m = Plain();
        WorkingMachining& n = Plain();
        m.SameAsPrev = c.own;
        n.SameAsPrev = c.next;
        EXPECT_EQ(Values(Passes(m, &n), "R250="), std::vector<std::string>{c.exit});
    }
    // Between the steps of a stepped machining the tool disengages, or stays down (clearance 0,
    // no Z move) after a step whose exit word asks for it; a step marked unusable in its flag word
    // is passed over; the last step leaves by the machining's mark. The tool is always lifted
    // between a roughing pass and the full figure.
    struct Stepped {
        uint8_t roughMark;
        int32_t flags[3];
        int16_t exits[3];
        std::vector<std::string> depths, exitModes, clearances;
    };
    for (const Stepped& c :
         {Stepped{1, {0, 16, 0}, {0x10, 0, 0x10}, {"R332=2", "R332=6"}, {"R250=3", "R250=0"}, {"R330=0", "R330=0"}},
          Stepped{1, {16, 0, 16}, {0, 0, 0}, {"R332=4", "R332=6"}, {"R250=2", "R250=0"}, {"R330=3", "R330=3"}},
          Stepped{2, {0, 16, 16}, {0x10, 0, 0}, {"R332=2", "R332=2", "R332=6", "R332=6"},
                  {"R250=2", "R250=3", "R250=2", "R250=0"}, {"R330=3", "R330=0", "R330=3", "R330=3"}}}) {
        StartScratch(*gen_);
        WorkingMachining& s = Plain();
        s.SameAsPrev = 0;
        s.roughMark1 = c.roughMark;
        s.depthStepMarker = 1;
        s.depthSteps = 3;
        for (int k = 0; k < 3; ++k) {
            s.depthStepRecords[k].depth = 2000 * (k + 1);
            s.depthStepRecords[k].flags = c.flags[k];
            s.depthStepRecords[k].value16 = c.exits[k];
        }
        const std::vector<std::string> b = Passes(s);
        EXPECT_EQ(Values(b, "R332="), c.depths);
        EXPECT_EQ(Values(b, "R250="), c.exitModes);
        std::vector<std::string> clearances;
        for (std::size_t i = 0; i + 1 < b.size(); ++i)
            if (b[i + 1].rfind("R250=", 0) == 0) clearances.push_back(b[i].substr(0, b[i].find(' ')));
        EXPECT_EQ(clearances, c.clearances);
    }
}

// R242, R310 and R311 of each step are the speeds the elaboration computed and tested, not the
// values the list gave.
TEST_F(IsoMachiningBlockTest, StepSpeedsAreTheComputedOnes) {
    WorkingMachining& m = Plain();
    m.depthStepMarker = 1;
    m.depthSteps = 2;
    for (int k = 0; k < 2; ++k) {
        DepthStepRecord& d = m.depthStepRecords[k];
        d.depth = 2500 * (k + 1);
        d.speed = 9999;                    // the list's own values
        d.values[1] = d.values[2] = -50;
        d.stepVelRot = 1200 + k;           // the computed ones
        d.stepVelSfond = 40 + k;
        d.stepVelLav = 60 + k;
    }
    ASSERT_EQ(gen_->WriteMachiningBlock(m, nullptr, nullptr), 0);
    const std::vector<std::string> b = Bodies(EndScratch(*gen_));
    EXPECT_EQ(Values(b, "R242="), (std::vector<std::string>{"R242=1200", "R242=1201"}));
    EXPECT_EQ(Values(b, "R310="), (std::vector<std::string>{"R310=40", "R310=41"}));
    EXPECT_EQ(Values(b, "R311="), (std::vector<std::string>{"R311=60", "R311=61"}));
}

// The two figure bytes: a roughing pass at the reduced size before the figure, or plunge passes
// and the figure at the full depth.
TEST_F(IsoMachiningBlockTest, RoughingPassAndPlungePasses) {
    const std::string exit2 = std::string("R250=2") + kExit;
    const std::string exit0 = std::string("R250=0") + kExit;
    WorkingMachining& r = Plain();
    r.roughMark1 = 2;
    r.params2[0] = 3000;
    r.insertionMark = 2;
    EXPECT_EQ(Passes(r), (std::vector<std::string>{
                             "R300=3      { Parametri definizione figure }", "R330=3      { Z disimpegno }",
                             "R331=0      { Z iniziale }", "R332=5      { Z di sfondamento }",
                             "R324=1      { numero di passi sfondamento }", "R530=1", "L<1.BRE>",
                             "R330=3      { Z disimpegno }", exit2, "L<EXIT_MAN.BRE>",
                             "R300=5      { Parametri definizione figure }", "R330=3      { Z disimpegno }",
                             "R331=0      { Z iniziale }", "R332=5      { Z di sfondamento }",
                             "R324=1      { numero di passi sfondamento }", "R530=1      { R_APPROCCIO_Z }", "L<1.BRE>",
                             "R330=3      { Z disimpegno }", exit0, "L<EXIT_MAN.BRE>"}));
    StartScratch(*gen_);
    WorkingMachining& p = Plain();
    p.roughMark2 = 2;
    p.depthSteps = 2;
    p.stepDepth = 2500;
    EXPECT_EQ(Passes(p), (std::vector<std::string>{
                             "R300=5      { Parametri definizione figure }", "R330=3     { Z disimpegno }",
                             "R331=0     { Z iniziale }", "R332=2.5     { Z sfondamento }",
                             "R324=1     { numero di passi sfondamento }", "R530=0", "L<1.BRE>",
                             "R330=3      { Z disimpegno }", exit2, "L<EXIT_MAN.BRE>",
                             "R300=5      { Parametri definizione figure }", "R330=2.5     { Z disimpegno }",
                             "R331=2.5     { Z iniziale }", "R332=5     { Z sfondamento }",
                             "R324=1     { numero di passi sfondamento }", "R530=0", "L<1.BRE>",
                             "R330=3      { Z disimpegno }", exit2, "L<EXIT_MAN.BRE>",
                             "R300=5      { Parametri definizione figure }", "R330=3      { Z disimpegno }",
                             "R331=0      { Z iniziale }", "R332=5      { Z sfondamento massimo }",
                             "R324=2      { Numero di step }", "R530=0      { Tipo di percorso }", "L<1.BRE>",
                             "R330=3      { Z disimpegno }", exit0, "L<EXIT_MAN.BRE>"}));
}

// A positive dwell waits at the bottom of the pass, in seconds with two decimals.
TEST_F(IsoMachiningBlockTest, DwellAfterTheCallOnlyWhenGiven) {
    for (const auto& [stored, line] : {std::pair<uint8_t, const char*>{150, "G4 F1.50"}, {0, nullptr}}) {
        StartScratch(*gen_);
        WorkingMachining& m = Plain();
        m.markByte = stored;
        const std::vector<std::string> b = Passes(m);
        const int call = IndexOf(b, "L<1.BRE>");
        ASSERT_GE(call, 0);
        EXPECT_EQ(b[static_cast<std::size_t>(call) + 1], line != nullptr ? line : "R330=3      { Z disimpegno }");
        EXPECT_EQ(IndexOf(b, "G4 "), line != nullptr ? call + 1 : -1);
    }
}

} // namespace
} // namespace enginetest
