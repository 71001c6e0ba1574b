// Part programs on machines configured unlike the demo: a short vice travel, a long slot, an
// automatic tool after a bar whose set-up evicted it. Each program keeps its vices off the blade,
// activates only positions that hold the tool, and refuses only what the machine cannot do.
#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

#include "iso_test_support.h"
#include "vice_sampling.h"

namespace enginetest {
namespace {

class IsoReachTest : public IsoTest {
protected:
    static double ValueOf(const std::string& body) { return std::atof(body.c_str() + body.find('=') + 1); }
};

// A cut's blade block as written: bar X, blade angle, whether the vices close and where.
struct CutBlock {
    double x = 0, angle = 0, vice = 0;
    bool closes = false;
};

// The variant-1 demo bar (cuts at 45 and 135 degrees) on vices that travel 500, 600 and 700 mm
// and just short of the farthest vice position, on a head that turns to 90 and to 270 degrees.
// On the full travel every cut whose vices close has them beyond what its blade disc needs,
// sampled over the vices' whole band; what a cut needs does not depend on where the travel ends,
// so a shorter travel writes the same vice positions while they fit and refuses the bar with the
// vice axis' error once one lies beyond it, never closing the vices at the travel's end. The
// head that can turn writes what the head that cannot turn writes, and every cut's positioning
// is a bar X the machine can take.
TEST_F(IsoReachTest, VicesNeverCloseInsideTheBladesPathOnAShortTravel) {
    UseDemoDrawings();
    const MachineSettings& s = *g_pSettings;
    std::vector<double> full; // vice positions of the closing cuts on the full travel
    int refused = 0;
    for (const auto& [qMax, travel] : std::vector<std::pair<int32_t, int32_t>>{
             {90000, 3000000}, {90000, 700000}, {90000, 600000}, {90000, 500000}, {90000, -1000},
             {270000, 3000000}, {270000, 500000}, {270000, -1000}}) {
        SCOPED_TRACE(testing::Message() << "Q_MAX_LAMA=" << qMax << " travel=" << travel);
        ASSERT_FALSE(travel < 0 && full.empty());
        g_pSettings->Q_MAX_LAMA = qMax;
        // A negative travel stands for the farthest vice position less that much.
        g_pSettings->X_MAX_MORSA = travel < 0 ? static_cast<int32_t>(*std::max_element(full.begin(), full.end())) + travel : travel;
        const double farthest = full.empty() ? 0 : *std::max_element(full.begin(), full.end());
        IsoProgramGenerator& g = OpenDemo();
        ASSERT_EQ(CheckBarSize(*g.Bar(0)), 0) << g_errorText;
        ASSERT_EQ(g.ComputeBar(0, 1), 0) << g_errorText;
        ClearErrorText();
        if (g.GenerateIsoProgram(1, 0) != 0) {
            ++refused;
            EXPECT_GT(farthest, s.X_MAX_MORSA) << "refused though every cut fits: " << g_errorText;
            EXPECT_EQ(std::string(g_errorText), Err("ERR_TAGLIO_ASSE_B"));
            continue;
        }
        EXPECT_LE(farthest, s.X_MAX_MORSA) << "written though a cut needs its vices beyond their travel";
        std::vector<CutBlock> blocks;
        for (const std::string& b : Bodies(Lines(ReadFile(dir_ + "OUTPUT.ISO")))) {
            if (b.rfind("R560=", 0) == 0) blocks.push_back(CutBlock{ValueOf(b), 0, 0, false});
            if (blocks.empty()) continue;
            if (b.rfind("R550=", 0) == 0) blocks.back().angle = ValueOf(b);
            if (b.rfind("R571=", 0) == 0) blocks.back().closes = ValueOf(b) == 1;
            if (b.rfind("R526=", 0) == 0) blocks.back().vice = ValueOf(b);
        }
        // The cut records in program order match the blade blocks one to one.
        std::vector<const WorkingMachining*> cuts;
        for (int i = 0; i < g.orderedRecords; ++i)
            if (g.order[static_cast<std::size_t>(i)]->TipoLavor == kKindEndCut) cuts.push_back(g.order[static_cast<std::size_t>(i)]);
        ASSERT_EQ(cuts.size(), blocks.size());
        const BladeHead head = BladeHeadFromSettings(s);
        BladeSection section;
        section.yMin = g.currentBar->yMin;
        section.yMax = g.currentBar->yMax;
        section.zMax = g.currentBar->zMax;
        std::vector<double> closing;
        for (std::size_t k = 0; k < blocks.size(); ++k) {
            const CutBlock& c = blocks[k];
            ASSERT_EQ(static_cast<int32_t>(c.angle * 1000), cuts[k]->ATaglio);
            EXPECT_LE(c.vice * 1000, s.X_MAX_MORSA);
            EXPECT_GE(cuts[k]->Xcaric, 0) << "cut " << k;
            EXPECT_LE(cuts[k]->Xcaric, g.currentBar->length) << "cut " << k;
            if (!c.closes) continue;
            const double need = vicesample::DiscNeed(head, section, cuts[k]->ATaglio, static_cast<int32_t>(c.x * 1000),
                                                     cuts[k]->cutPointY[0], cuts[k]->cutPointZ[0]);
            EXPECT_GE(c.vice * 1000, need - 2) << "cut " << k;
            closing.push_back(c.vice * 1000);
        }
        if (full.empty())
            full = closing;
        else
            EXPECT_EQ(closing, full);
    }
    EXPECT_EQ(refused, 2); // the travels short of the farthest vice position
}

// A slot along the bar milled with a 10 mm tool, as long as the X travel allows its tool's centre
// to run: the tool path is the figure narrowed by the tool radius at both ends, and the slot is
// machined from a positioning that keeps that path within the travel; one millimetre longer and
// the slot is refused as beyond the X travel. With and without the support vices.
TEST_F(IsoReachTest, SlotToolPathIsTheToolCentresPath) {
    struct Case {
        int32_t supportVices;
        int32_t beyond; // centre path beyond the travel span, thousandths (negative: within)
        bool refused;
    };
    for (const Case c : {Case{0, -8680, false}, Case{1, -8680, false}, Case{0, 1000, true}, Case{1, 1000, true}}) {
        SCOPED_TRACE(testing::Message() << "MORSE_SUPP=" << c.supportVices << " beyond=" << c.beyond);
        Reinstall(0, "CONF-V0");
        g_pSettings->MORSE_SUPP = c.supportVices;
        const MachineSettings& s = *g_pSettings;
        const int tool = g_pRallaTools->FindTool("FRESA10");
        ASSERT_GT(tool, 0);
        const int32_t radius = g_pRallaTools->Tool(tool).diameter[0] / 2;
        const int32_t span = s.X_TRAVEL_MAX - s.X_TRAVEL_MIN;
        const int32_t length = span + c.beyond + 2 * radius; // the figure's length along the bar
        ldatest::MachiningSpec slot = Drill(800000, 0, "FRESA10");
        slot.figure = 3;
        slot.shortText = "ASOLA";
        slot.params = {length, 12000};
        slot.xMin = -length / 2;
        slot.xMax = length - length / 2;
        slot.yMin = -6000;
        slot.yMax = 6000;
        ldatest::PieceSpec piece = Piece("A", 1600000);
        piece.machinings = {slot};
        IsoProgramGenerator& g = OpenGen(List({Bar({piece})}));
        ASSERT_EQ(CheckBarSize(*g.Bar(0)), 0) << g_errorText;
        ClearErrorText();
        const int computed = g.ComputeBar(0, 1);
        if (c.refused) {
            EXPECT_EQ(computed, 1);
            EXPECT_EQ(std::string(g_errorText).rfind(Err("ING_X_LAV"), 0), 0u) << g_errorText;
            continue;
        }
        ASSERT_EQ(computed, 0) << g_errorText;
        ASSERT_EQ(g.GenerateIsoProgram(1, 0), 0) << g_errorText;
        int slots = 0;
        for (int i = 0; i < g.orderedRecords; ++i) {
            const WorkingMachining& m = *g.order[static_cast<std::size_t>(i)];
            if (m.TipoLavor != kKindRalla) continue;
            ++slots;
            const int64_t from = int64_t{m.XFm} + radius, to = int64_t{m.XFM} - radius;
            EXPECT_EQ(m.Xm, from);
            EXPECT_EQ(m.XM, to);
            // The tool's centre runs within the X travel in the machining's positioning.
            const int64_t shift = int64_t{m.Xcaric} - g.currentBar->length;
            EXPECT_GE(from + shift, s.X_TRAVEL_MIN);
            EXPECT_LE(to + shift, s.X_TRAVEL_MAX);
            EXPECT_EQ(m.SupportZone == -1, c.supportVices == 0) << m.SupportZone;
        }
        EXPECT_EQ(slots, 1);
    }
}

// A bar whose four tools take every position of the ralla, then a bar whose 12 mm slot names no
// tool: the list was opened with FRESA10 mounted, the first bar's set-up evicts it. The automatic
// tool counts among the second bar's tools, so the optimiser mounts a fitting tool for it, and
// the slot's tool change activates the position of the bar's own set-up that holds its tool, with
// that tool's length and radius. A bar whose stored set-up holds no fitting tool is refused with
// the automatic tool's message, and so is a machining whose named tool is on no position.
TEST_F(IsoReachTest, AutomaticToolIsMountedInTheBarsOwnSetup) {
    Reinstall(0, "CONF-V0");
    g_pSettings->TYPE_OTTIM = 0; // bar by bar, in the list's order: the evicting bar first
    const auto tool = [](const char* name) { return g_pRallaTools->FindTool(name); };
    for (int p = 0; p < kRallaMaxPositions; ++p) g_pRallaTools->positionTools[p] = 0;
    g_pRallaTools->positionTools[0] = tool("FRESA10");
    ldatest::PieceSpec evicting = Piece("A", 1200000);
    evicting.machinings = {Drill(100000, 0, "PUNTA5"), Drill(200000, 0, "PUNTA8", 8000),
                           Drill(300000, 0, "FRESA8", 8000), Drill(400000, 0, "FRESA6", 6000)};
    ldatest::MachiningSpec slot = Drill(300000, 0, "");
    slot.figure = 3;
    slot.shortText = "ASOLA";
    slot.params = {100000, 12000};
    slot.xMin = -50000;
    slot.xMax = 50000;
    slot.yMin = -6000;
    slot.yMax = 6000;
    slot.requestedDiameter = 12000;
    ldatest::PieceSpec automatic = Piece("B", 1200000);
    automatic.machinings = {slot};

    struct Case {
        const char* name;
        std::vector<const char*> stored; // the second bar's set-up; empty: the optimiser's
        bool named;                      // the slot names FRESA10 instead of leaving it automatic
        bool refused;
    };
    for (const Case& c : {Case{"optimised", {}, false, false}, Case{"no fitting tool", {"PUNTA5", "PUNTA8"}, false, true},
                          Case{"named tool on no position", {"PUNTA5", "FRESA8"}, true, true}}) {
        SCOPED_TRACE(c.name);
        ldatest::PieceSpec second = automatic;
        if (c.named) second.machinings[0].tool = "FRESA10";
        IsoProgramGenerator& g = OpenGen(List({Bar({evicting}), Bar({second})}));
        ASSERT_EQ(g.CheckListTools(), 0) << g_errorText;
        g.MarkBarSelected(-1);
        g.CollectSelectedBars();
        ASSERT_EQ(g.OptimizeToolSetup(), 0) << g_errorText;
        int index = -1;
        // The second bar is the one without the evicting drills (the selection reorders the bars).
        for (int b = 0; b < g.BarCount(); ++b) {
            bool evicts = false;
            for (int q = 0; q < kRallaMaxPositions; ++q) evicts = evicts || g.Bar(b)->requiredTools[q] == tool("PUNTA5");
            if (!evicts) index = b;
        }
        ASSERT_GE(index, 0);
        BarRecord& bar = *g.Bar(index);
        if (!c.stored.empty()) {
            for (int p = 0; p < kRallaMaxPositions; ++p) bar.chosenTools[p] = 0;
            for (std::size_t p = 0; p < c.stored.size(); ++p) bar.chosenTools[p] = tool(c.stored[p]);
        }
        ASSERT_EQ(CheckBarSize(bar), 0) << g_errorText;
        ClearErrorText();
        const int computed = g.ComputeBar(index, 1);
        if (c.refused) {
            EXPECT_NE(computed, 0);
            EXPECT_EQ(std::string(g_errorText).rfind(Err("ERR_TOOL_AUTOM"), 0), 0u) << g_errorText;
            continue;
        }
        ASSERT_EQ(computed, 0) << g_errorText;
        ASSERT_EQ(g.GenerateIsoProgram(1, 0), 0) << g_errorText;
        const WorkingMachining* m = nullptr;
        for (int i = 0; i < g.orderedRecords; ++i)
            if (g.order[static_cast<std::size_t>(i)]->TipoLavor == kKindRalla) m = g.order[static_cast<std::size_t>(i)];
        ASSERT_NE(m, nullptr);
        const ToolRecord& t = g_pRallaTools->Tool(m->Uten);
        EXPECT_EQ(t.kind, 0);
        EXPECT_LT(std::abs(t.diameter[m->Diam] - 12000), 5000);
        const std::vector<std::string> b = Bodies(Lines(ReadFile(dir_ + "OUTPUT.ISO")));
        const int change = IndexOf(b, "R611=");
        ASSERT_GT(change, 1);
        const int position = static_cast<int>(ValueOf(b[static_cast<std::size_t>(change)])) - 1;
        ASSERT_GE(position, 0);
        ASSERT_LT(position, 4);
        EXPECT_EQ(bar.chosenTools[position], m->Uten) << "the activated position holds another tool";
        EXPECT_DOUBLE_EQ(ValueOf(b[static_cast<std::size_t>(change) - 2]) * 1000, t.totalLength);
        EXPECT_DOUBLE_EQ(ValueOf(b[static_cast<std::size_t>(change) - 1]) * 1000, t.diameter[m->Diam] / 2);
        EXPECT_NE(m->RallaDelta, 360001);
    }
}

} // namespace
} // namespace enginetest
