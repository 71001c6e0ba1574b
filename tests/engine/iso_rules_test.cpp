// Every part program read back by the program reader: the physical order of the work (no piece
// unloaded or counted before its last operation, Z lifted before every move), the step speeds
// the elaboration computed, cuts within the travels of their axes and vices, every piece
// counted once, on every demo bar of every machine variant.
#include <filesystem>

#include "iso_test_support.h"
#include "test_support/iso_reader.h"

namespace enginetest {
namespace {

class IsoRulesTest : public IsoTest {
protected:
    static isoread::Limits Travels() {
        const MachineSettings& s = *g_pSettings;
        auto mm = [](int32_t v) { return v / 1000.0; };
        isoread::Limits l;
        l.xMin = mm(s.X_PAR_MIN);
        l.xMax = mm(s.X_PAR_MAX);
        l.pMin = mm(s.Y_MIN_LAMA);
        l.pMax = mm(s.Y_MAX_LAMA);
        l.hMin = mm(s.Z_MIN_LAMA);
        l.hMax = mm(s.Z_MAX_LAMA);
        l.bMin = mm(s.X_MIN_MORSA);
        l.bMax = mm(s.X_MAX_MORSA);
        l.bExtra = mm(s.CORR_X_ASSE_B);
        return l;
    }

    // The rules broken by the program just written for the generator's bar, with the pieces of
    // its machinings and the order in which its cuts free the pieces taken from the bar's records.
    static std::vector<std::string> BrokenRules(const IsoProgramGenerator& g, const std::string& text) {
        std::vector<int> pieceOf, freed;
        for (int i = 0; i < g.orderedRecords; ++i) {
            const WorkingMachining& r = *g.order[static_cast<std::size_t>(i)];
            if (r.TipoLavor == kKindRalla) pieceOf.push_back(r.PieceRef != nullptr ? r.PieceRef->Id : 0);
            if (r.TipoLavor == kKindEndCut && r.PezzoDx > 0) freed.push_back(r.PezzoDx);
        }
        const isoread::Program p = isoread::Read(text);
        std::vector<std::string> broken = isoread::Check(p, Travels(), pieceOf, freed);
        // The speeds of every machining block are the elaboration's, step by step.
        std::size_t block = 0;
        for (int i = 0; i < g.orderedRecords; ++i) {
            const WorkingMachining& m = *g.order[static_cast<std::size_t>(i)];
            if (m.TipoLavor != kKindRalla) continue;
            std::vector<isoread::Speeds> want;
            if (m.depthStepMarker == 1 && m.depthSteps > 0) {
                const int n = std::min<int32_t>(m.depthSteps, kMaxDepthSteps);
                for (int k = 0; k < n; ++k) {
                    const DepthStepRecord& d = m.depthStepRecords[k];
                    if ((d.flags & 16) != 0 && k != n - 1) continue;
                    want.push_back({double(d.stepVelRot), double(d.stepVelSfond), double(d.stepVelLav)});
                    if (m.programKind == kProgramCompiled) break;
                }
            } else {
                want.push_back({double(m.Vel_rot), double(m.Vel_sfond), double(m.Vel_lav)});
            }
            const std::vector<isoread::Speeds> got = block < p.speeds.size() ? p.speeds[block] : std::vector<isoread::Speeds>{};
            bool same = got.size() == want.size();
            for (std::size_t k = 0; same && k < got.size(); ++k)
                same = got[k].rotation == want[k].rotation && got[k].plunge == want[k].plunge && got[k].feed == want[k].feed;
            if (!same) broken.push_back("machining " + std::to_string(block) + ": speeds differ from the computed ones");
            ++block;
        }
        return broken;
    }
};

struct Installation {
    int variant;
    const char* conf;
    int autoTransfer; // AUTO_TRAS_LAV over the folder's own value; -1 keeps it
};

TEST_F(IsoRulesTest, EveryDemoBarOfEveryVariantKeepsTheRules) {
    // The variant-1 folder once more with the automatic transfer on: the head trim moves the bar's
    // records, cuts and machinings alike.
    for (const Installation inst : {Installation{0, "CONF-V0", -1}, Installation{1, "CONF", -1},
                                    Installation{2, "CONF-V2", -1}, Installation{1, "CONF", 1}}) {
        SCOPED_TRACE(std::string(inst.conf) + " AUTO_TRAS_LAV " + std::to_string(inst.autoTransfer));
        Reinstall(inst.variant, inst.conf);
        if (inst.autoTransfer >= 0) g_pSettings->AUTO_TRAS_LAV = inst.autoTransfer;
        std::snprintf(g_pSettings->DIR_DXF, sizeof g_pSettings->DIR_DXF, "%s", BRELON_SOURCE_DIR "/demo/DXF/");
        ASSERT_TRUE(ldatest::WriteDemoLists(dir_));
        int written = 0;
        for (const char* name : {"FINESTRE.lda", "PORTE.lda", "VETRINA.lda"}) {
            SetCurrentListName((dir_ + name).c_str());
            IsoProgramGenerator g((dir_ + name).c_str());
            ASSERT_TRUE(g.IsLoaded()) << g_errorText;
            for (int i = 0; i < g.BarCount(); ++i) {
                ClearErrorText();
                if (CheckBarSize(*g.Bar(i)) != 0 || g.ComputeBar(i, 1) != 0) continue;
                if (g.GenerateIsoProgram(1, 0) != 0) {
                    ADD_FAILURE() << name << " bar " << i << ": " << g_errorText;
                    continue;
                }
                for (const std::string& b : BrokenRules(g, ReadFile(dir_ + "OUTPUT.ISO")))
                    ADD_FAILURE() << name << " bar " << i << ": " << b;
                ++written;
            }
        }
        EXPECT_GT(written, 0);
    }
}

// A cut whose vices cannot reach their needed clearance is refused, not run with its vices open:
// the bar's first cut needs its vices clear of the high obstacle, 350 mm here.
TEST_F(IsoRulesTest, CutsRefuseWhatTheirVicesCannotReach) {
    std::snprintf(g_pSettings->DIR_DXF, sizeof g_pSettings->DIR_DXF, "%s", BRELON_SOURCE_DIR "/demo/DXF/");
    IsoProgramGenerator& g = OpenGen(List({Bar({Piece("A", 1200000)})}));
    ASSERT_EQ(g.ComputeBar(0, 1), 0) << g_errorText;
    WorkingMachining* first = nullptr;
    for (WorkingMachining* r : g.records)
        if (r->TipoLavor == kKindEndCut && (r->endFlags & 1) != 0) first = r;
    ASSERT_NE(first, nullptr);
    first->CutMode = 0x108; // a first cut whose vices close
    g_pSettings->DELTA_X_ING_ALTO = -600000;
    struct Case {
        int32_t viceMax;
        int result;
        const char* vices;
    };
    for (const Case c : {Case{3000000, 0, "R526=350 "}, Case{320000, 1, nullptr}}) {
        SCOPED_TRACE(c.viceMax);
        g_pSettings->X_MAX_MORSA = c.viceMax;
        StartScratch(g);
        ClearErrorText();
        EXPECT_EQ(g.WriteCutBlock(*first, 1), c.result) << g_errorText;
        const std::vector<std::string> b = Bodies(EndScratch(g));
        if (c.vices == nullptr) {
            EXPECT_EQ(std::string(g_errorText), Err("ERR_TAGLIO_ASSE_B"));
            EXPECT_EQ(IndexOf(b, "R571="), -1) << "no vice line for a refused cut";
            continue;
        }
        const int close = IndexOf(b, "R571=");
        ASSERT_GE(close, 0);
        EXPECT_EQ(b[static_cast<std::size_t>(close)], "R571=1      { R_CLOSE_MORSE_TAGLIO }");
        EXPECT_EQ(b[static_cast<std::size_t>(close) + 1].rfind(c.vices, 0), 0u) << b[static_cast<std::size_t>(close) + 1];
    }
}

} // namespace
} // namespace enginetest
