// The demo lists computed on the demo configuration's variant, and a small list computed on
// each of the three variants' demo configurations.
#include <cstring>

#include "engine_fixture.h"

namespace enginetest {
namespace {

// Computes every bar of the demo lists; returns the messages of the bars that failed.
std::vector<std::string> ComputeDemo(const std::string& dir, int full) {
    std::vector<std::string> failures;
    EXPECT_TRUE(ldatest::WriteDemoLists(dir));
    for (const char* name : {"FINESTRE.lda", "PORTE.lda", "VETRINA.lda"}) {
        SetCurrentListName((dir + name).c_str());
        BarComputation list((dir + name).c_str());
        EXPECT_TRUE(list.IsLoaded()) << g_errorText;
        EXPECT_EQ(list.CheckListTools(), 0) << g_errorText;
        for (int i = 0; i < list.BarCount(); ++i) {
            ClearErrorText();
            const int r = list.ComputeBar(i, full);
            if (r != 0) failures.push_back(std::string(name) + ": " + g_errorText);
            EXPECT_NE(r, 2) << name << " " << i << ": " << g_errorText;
            EXPECT_EQ(list.orderedRecords, list.orderedMachinings + list.cutCount);
        }
    }
    return failures;
}

// The shipped demo data carries three machinings that the machine cannot make: in FINESTRE a
// 6 mm slot given to the 8 mm cutter, in PORTE two slots on face 0 at Z 0 whose cutter would
// put the ralla 2.01 mm below the Z travel of the demo configuration. Everything else computes.
TEST_F(EngineTest, DemoListsComputeInFullOnTheDemoVariant) {
    const std::vector<std::string> failures = ComputeDemo(dir_, 1);
    for (const std::string& f : failures) ADD_FAILURE() << f;
    EXPECT_FALSE(ReadFile(dir_ + "OUTPUT.LAV").empty());
    EXPECT_FALSE(ReadFile(dir_ + "OUTPUT.DEB").empty());
}

TEST_F(EngineTest, DemoListsLoadTheirPiecesWithoutReports) {
    EXPECT_TRUE(ComputeDemo(dir_, 0).empty());
    EXPECT_FALSE(std::filesystem::exists(dir_ + "OUTPUT.LAV"));
    EXPECT_FALSE(std::filesystem::exists(dir_ + "OUTPUT.DEB"));
}

TEST_F(EngineTest, PiecesComputeOnEveryVariant) {
    const struct {
        int variant;
        const char* conf;
    } cases[] = {{0, "CONF-V0"}, {1, "CONF"}, {2, "CONF-V2"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.conf);
        Reinstall(c.variant, c.conf);
        ldatest::PieceSpec a = Piece("A", 1200000, 90000, 45000);
        a.machinings = {Drill(100000, 90), Drill(600000, -90)};
        ldatest::PieceSpec b = Piece("B", 800000, 45000, 90000);
        b.machinings = {Drill(300000, 0)};
        BarComputation& bc = Open(List({Bar({a, b})}));
        ASSERT_EQ(bc.ComputeBar(0, 0), 0) << g_errorText;
        EXPECT_EQ(bc.machiningCount, 3);
        EXPECT_EQ(bc.cutCount, 4);
        EXPECT_EQ(bc.pieces[1]->FstLav, 2);
        EXPECT_EQ(bc.records[2]->PieceRef, bc.pieces[1]);
        // End-cut records follow the machinings with the next Ids.
        EXPECT_EQ(bc.order[3]->Id, 4);
        EXPECT_EQ(bc.order[3]->Insieme, kEndCutSet);
        EXPECT_EQ(bc.order[6]->Id, 7);
    }
}

} // namespace
} // namespace enginetest
