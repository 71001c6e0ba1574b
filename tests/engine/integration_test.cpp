// The end trims, the ordering and the part-program writer together: cut records carry their
// piece and X limits to the writer, speed warnings reach the generator's caller, and every bar
// of the demo lists becomes a part program on the demo configurations of variants 0 and 2.
#include <algorithm>
#include <cstring>
#include <set>

#include "iso_test_support.h"

namespace enginetest {
namespace {

struct Variant {
    int variant;
    const char* conf;
};
constexpr Variant kVariants[] = {{0, "CONF-V0"}, {2, "CONF-V2"}};

int CountOf(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

class IntegrationTest : public IsoTest {};

TEST_F(IntegrationTest, EndCutsCarryTheirPieceAndXLimits) {
    for (const Variant& v : kVariants) {
        SCOPED_TRACE(v.conf);
        Reinstall(v.variant, v.conf);
        ldatest::PieceSpec a = Piece("A", 1200000, 90000, 45000);
        a.machinings = {Drill(100000, 90)};
        ldatest::PieceSpec b = Piece("B", 800000, 45000, 90000);
        IsoProgramGenerator& g = OpenGen(List({Bar({a, b})}));
        ASSERT_EQ(CheckBarSize(*g.Bar(0)), 0) << g_errorText; // as the bar selection does
        ASSERT_EQ(g.ComputeBar(0, 1), 0) << g_errorText;
        int finishing = 0;
        for (int i = 0; i < g.orderedRecords; ++i) {
            const WorkingMachining& m = *g.order[static_cast<std::size_t>(i)];
            if (m.TipoLavor != kKindEndCut) continue;
            ASSERT_NE(m.PieceRef, nullptr) << "cut " << m.Id;
            // Only the cut that finishes a piece has that piece on its right.
            EXPECT_EQ(m.PezzoDx, (m.endFlags & 2) != 0 ? m.PieceRef->Id : 0) << "cut " << m.Id;
            if ((m.endFlags & 2) != 0) ++finishing;
            EXPECT_FALSE(m.XFm == 0 && m.XFM == 0 && m.Xm == 0 && m.XM == 0) << "cut " << m.Id;
            EXPECT_LE(m.XFm, m.XFM);
            EXPECT_LE(m.Xm, m.XM);
        }
        EXPECT_EQ(finishing, 2);
        ASSERT_EQ(g.GenerateIsoProgram(1, 0), 0) << g_errorText;
        EXPECT_EQ(CountOf(ReadFile(dir_ + "OUTPUT.ISO"), "R590=R590+1"), 2);
    }
}

TEST_F(IntegrationTest, SpeedOutOfRangeReachesTheGeneratorsCaller) {
    Reinstall(0, "CONF-V0");
    ldatest::PieceSpec a = Piece("A", 1200000);
    a.machinings = {Drill(100000, 90)};
    IsoProgramGenerator& g = OpenGen(List({Bar({a})}));
    ASSERT_EQ(CheckBarSize(*g.Bar(0)), 0) << g_errorText;
    ASSERT_EQ(g.ComputeBar(0, 1), 0) << g_errorText;
    g_pSettings->CK_LIMITS = 1;
    WorkingMachining* drill = nullptr;
    for (WorkingMachining* m : g.records)
        if (m != nullptr && m->TipoLavor == kKindRalla && drill == nullptr) drill = m;
    ASSERT_NE(drill, nullptr);
    drill->ownSpeeds[1] = 2000; // feed per revolution 200 tenths: out of range
    drill->speedGiven = 1;
    g.warnings = {"left from an earlier bar"};
    ASSERT_EQ(g.GenerateIsoProgram(1, 0), 0) << g_errorText;
    ASSERT_EQ(g.warnings.size(), 1u);
    EXPECT_NE(g.warnings[0].find(Err("ERR_WRONG_SPEED")), std::string::npos) << g.warnings[0];
}

TEST_F(IntegrationTest, EveryDemoBarComputesAndYieldsAProgram) {
    for (const Variant& v : kVariants) {
        SCOPED_TRACE(v.conf);
        Reinstall(v.variant, v.conf);
        ASSERT_TRUE(ldatest::WriteDemoLists(dir_));
        bool countedPiece = false;
        for (const char* name : {"FINESTRE.lda", "PORTE.lda", "VETRINA.lda"}) {
            SetCurrentListName((dir_ + name).c_str());
            IsoProgramGenerator g((dir_ + name).c_str());
            ASSERT_TRUE(g.IsLoaded()) << g_errorText;
            for (int i = 0; i < g.BarCount(); ++i) {
                ClearErrorText();
                ASSERT_EQ(CheckBarSize(*g.Bar(i)), 0) << name << " bar " << i << ": " << g_errorText;
                ASSERT_EQ(g.ComputeBar(i, 1), 0) << name << " bar " << i << ": " << g_errorText;
                ASSERT_EQ(g.GenerateIsoProgram(1, 0), 0) << name << " bar " << i << ": " << g_errorText;
                const std::string program = ReadFile(dir_ + "OUTPUT.ISO");
                const std::vector<std::string> lines = Lines(program);
                ExpectContiguous(lines);
                const std::vector<std::string> b = Bodies(lines);
                ASSERT_FALSE(b.empty());
                EXPECT_EQ(b.back(), "L<FINEALL.BRE>") << name << " bar " << i;
                for (const std::string& x : b) EXPECT_NE(x.back(), '=') << x; // no value left out
                if (!g.pieces.empty() && program.find("R590=R590+1") != std::string::npos) countedPiece = true;
            }
        }
        if (v.variant == 0) {
            EXPECT_TRUE(countedPiece);
        }
    }
}

// The shop-front transom needs the 10 mm cutter and the countersink, which the earlier demo
// lists leave unmounted. The optimiser gives the bar a set-up of its own; every machining is
// worked by the position that holds its tool in that set-up (the program activates those
// positions), and mounting the set-up after the computation, as the confirmation does, leaves
// the program as it was.
TEST_F(IntegrationTest, ABarRunsOnItsOwnToolSetupNotTheOneMountedAtListOpening) {
    ASSERT_TRUE(ldatest::WriteDemoLists(dir_));
    const char* mounted[] = {"PUNTA8", "FRESA8", "PUNTA5", "FRESA6"};
    for (int p = 0; p < kRallaMaxPositions; ++p)
        g_pRallaTools->positionTools[p] = p < 4 ? g_pRallaTools->FindTool(mounted[p]) : 0;
    const std::string path = dir_ + "VETRINA.lda";
    SetCurrentListName(path.c_str());
    IsoProgramGenerator g(path.c_str());
    ASSERT_TRUE(g.IsLoaded()) << g_errorText;
    ASSERT_EQ(g.CheckListTools(), 0) << g_errorText;
    int transom = -1;
    for (int i = 0; i < g.BarCount(); ++i)
        if (std::strcmp(g.Bar(i)->name, "TRAVERSO") == 0) transom = i;
    ASSERT_GE(transom, 0);
    g.MarkBarSelected(transom);
    g.CollectSelectedBars();
    ASSERT_EQ(g.OptimizeToolSetup(), 0) << g_errorText;
    const BarRecord& bar = *g.Bar(0);
    ASSERT_EQ(CheckBarSize(*g.Bar(0)), 0) << g_errorText;

    auto generate = [&](std::set<int>* positions) {
        EXPECT_EQ(g.ComputeBar(0, 1), 0) << g_errorText;
        EXPECT_EQ(g.GenerateIsoProgram(1, 0), 0) << g_errorText;
        for (int i = 0; positions != nullptr && i < g.orderedRecords; ++i) {
            const WorkingMachining& m = *g.order[static_cast<std::size_t>(i)];
            if (m.TipoLavor != kKindRalla) continue;
            EXPECT_EQ(bar.chosenTools[m.rallaPosition], m.Uten) << "machining " << m.Id;
            EXPECT_NE(m.RallaDelta, kNoRallaAngle) << "machining " << m.Id;
            positions->insert(m.rallaPosition + 1);
        }
        return ReadFile(dir_ + "OUTPUT.ISO");
    };
    std::set<int> positions;
    const std::string program = generate(&positions);
    EXPECT_EQ(positions.size(), 2u); // the cutter and the countersink, each on its own position
    std::set<int> activated;
    for (const std::string& line : Bodies(Lines(program)))
        if (line.rfind("R611=", 0) == 0) activated.insert(std::stoi(line.substr(5)));
    EXPECT_EQ(activated, positions);

    g.ApplyBarToolSetup(0);
    for (int p = 0; p < kRallaMaxPositions; ++p) EXPECT_EQ(g_pRallaTools->positionTools[p], bar.chosenTools[p]) << p;
    EXPECT_EQ(generate(nullptr), program);
}

} // namespace
} // namespace enginetest
