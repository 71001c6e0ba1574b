// The end trims, the ordering and the part-program writer together: cut records carry their
// piece and X limits to the writer, speed warnings reach the generator's caller, and every bar
// of the demo lists becomes a part program on the demo configurations of variants 0 and 2.
#include <algorithm>

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
                EXPECT_NE(program.find("L<FINEALL.BRE>"), std::string::npos) << name << " bar " << i;
                if (!g.pieces.empty() && program.find("R590=R590+1") != std::string::npos) countedPiece = true;
            }
        }
        if (v.variant == 0) {
            EXPECT_TRUE(countedPiece);
        }
    }
}

} // namespace
} // namespace enginetest
