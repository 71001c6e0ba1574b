// Part programs on machines configured unlike the demo: a short vice travel, a long slot, an
// automatic tool after a bar whose set-up evicted it. Each program keeps its vices off the blade,
// activates only positions that hold the tool, and refuses only what the machine cannot do.
#include <algorithm>
#include <cstdlib>

#include "iso_test_support.h"
#include "vice_sampling.h"

namespace enginetest {
namespace {

class IsoReachTest : public IsoTest {
protected:
    void UseDemoDrawings() {
        std::snprintf(g_pSettings->DIR_DXF, sizeof g_pSettings->DIR_DXF, "%s", BRELON_SOURCE_DIR "/demo/DXF/");
    }
    IsoProgramGenerator& OpenDemo() {
        EXPECT_TRUE(ldatest::WriteDemoLists(dir_));
        SetCurrentListName((dir_ + "FINESTRE.lda").c_str());
        list_ = std::make_unique<IsoProgramGenerator>((dir_ + "FINESTRE.lda").c_str());
        EXPECT_TRUE(list_->IsLoaded()) << g_errorText;
        return static_cast<IsoProgramGenerator&>(*list_);
    }
    static double ValueOf(const std::string& body) { return std::atof(body.c_str() + body.find('=') + 1); }
};

// A cut's blade block as written: bar X, blade angle, whether the vices close and where.
struct CutBlock {
    double x = 0, angle = 0, vice = 0;
    bool closes = false;
};

// The variant-1 demo bar (cuts at 45 and 135 degrees) on vices that travel 500, 600 and 700 mm.
// On the full travel every cut whose vices close has them beyond what its blade disc needs,
// sampled over the vices' whole band; what a cut needs does not depend on where the travel ends,
// so a shorter travel writes the same vice positions while they fit and refuses the bar with the
// vice axis' error once one lies beyond it, never closing the vices at the travel's end.
TEST_F(IsoReachTest, VicesNeverCloseInsideTheBladesPathOnAShortTravel) {
    UseDemoDrawings();
    const MachineSettings& s = *g_pSettings;
    std::vector<double> full; // vice positions of the closing cuts on the full travel
    for (int32_t travel : {3000000, 700000, 600000, 500000}) {
        SCOPED_TRACE(travel);
        g_pSettings->X_MAX_MORSA = travel;
        const double farthest = full.empty() ? 0 : *std::max_element(full.begin(), full.end());
        IsoProgramGenerator& g = OpenDemo();
        ASSERT_EQ(CheckBarSize(*g.Bar(0)), 0) << g_errorText;
        ASSERT_EQ(g.ComputeBar(0, 1), 0) << g_errorText;
        ClearErrorText();
        if (g.GenerateIsoProgram(1, 0) != 0) {
            EXPECT_GT(farthest, travel) << "refused though every cut fits: " << g_errorText;
            EXPECT_EQ(std::string(g_errorText), Err("ERR_TAGLIO_ASSE_B"));
            continue;
        }
        EXPECT_LE(farthest, travel) << "written though a cut needs its vices beyond their travel";
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
            EXPECT_LE(c.vice * 1000, travel);
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
    ASSERT_FALSE(full.empty());
    EXPECT_GT(*std::max_element(full.begin(), full.end()), 700000); // the short travels are refused
}

} // namespace
} // namespace enginetest
