// Every part program read back by the program reader: the physical order of the work (no piece
// unloaded or counted before its last operation, Z lifted before every move), the step speeds
// the elaboration computed, cuts within the travels of their axes and vices, every piece
// counted once, on every demo bar of every machine variant.
#include <cstring>
#include <filesystem>
#include <functional>
#include <algorithm>

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

    // The bar of the generator's current program as its elaborated records describe it.
    static isoread::Bar BarOf(const IsoProgramGenerator& g) {
        const MachineSettings& s = *g_pSettings;
        auto mm = [](int32_t v) { return v / 1000.0; };
        isoread::Bar bar;
        bar.variant = MachineVariant;
        bar.length = mm(g.currentBar->length);
        const int32_t* setup = g.BarSetup();
        for (int p = 0; p < g_rallaPositions && p < kRallaMaxPositions; ++p) bar.setup.push_back(setup[p]);
        for (int i = 0; i < g.orderedRecords; ++i) {
            const WorkingMachining& r = *g.order[static_cast<std::size_t>(i)];
            isoread::BarRecord b;
            b.id = r.Id;
            b.kind = r.TipoLavor;
            b.piece = r.PieceRef != nullptr ? r.PieceRef->Id : 0;
            b.x = mm(r.X);
            b.angle = mm(r.ATaglio);
            b.vertices = r.TipoLavor == kKindQBlade ? 1 : r.TipoLavor == kKindSlicerBlade ? 4 : SectionCutPointCount(r);
            if (r.TipoLavor == kKindEndCut) {
                if ((r.endFlags & 1) != 0) b.opens = b.piece;
                if ((r.endFlags & 2) != 0) b.closes = r.PezzoDx;
            }
            b.xcaric = mm(r.Xcaric);
            const int rp = (r.rallaPosition >= 0 && r.rallaPosition < 8) ? r.rallaPosition : 0;
            b.toolX = mm(r.X - s.OFFX_T[rp]);
            b.rallaAngle = mm(r.Pos_Ralla);
            b.tool = r.Uten;
            b.set = r.Insieme;
            b.priority = r.Priorita;
            for (int k = 0; k < r.Lav_afterCount && k < kMaxLinks; ++k) b.after.push_back(r.Lav_after[k]);
            bar.records.push_back(b);
        }
        return bar;
    }

    // The rules broken by the program of the first bar of a list made here, on the tool set-up
    // the bar selection chooses (or on `mount`, tool names by ralla position, when given).
    std::vector<std::string> RunOwnBar(const ldatest::ListSpec& spec, const std::vector<const char*>& mount = {}) {
        EXPECT_TRUE(ldatest::WriteLda(dir_ + "OWN.lda", spec));
        SetCurrentListName((dir_ + "OWN.lda").c_str());
        IsoProgramGenerator g((dir_ + "OWN.lda").c_str());
        EXPECT_TRUE(g.IsLoaded()) << g_errorText;
        EXPECT_EQ(g.CheckListTools(), 0) << g_errorText;
        g.MarkBarSelected(0);
        g.CollectSelectedBars();
        EXPECT_EQ(g.OptimizeToolSetup(), 0) << g_errorText;
        BarRecord& bar = *g.Bar(0);
        if (!mount.empty()) {
            std::fill(std::begin(bar.chosenTools), std::end(bar.chosenTools), 0);
            for (std::size_t p = 0; p < mount.size(); ++p)
                bar.chosenTools[p] = *mount[p] != 0 ? g_pRallaTools->FindTool(mount[p]) : 0;
            bar.setupStored = 1;
        }
        EXPECT_EQ(CheckBarSize(bar), 0) << g_errorText;
        if (g.ComputeBar(0, 1) != 0 || g.GenerateIsoProgram(1, 0) != 0) return {std::string("not written: ") + g_errorText};
        return BrokenRules(g, ReadFile(dir_ + "OUTPUT.ISO"));
    }

    // The rules broken by the program just written for the generator's bar, followed on the bar
    // its records describe, and the step speeds of its machinings.
    static std::vector<std::string> BrokenRules(const IsoProgramGenerator& g, const std::string& text) {
        const isoread::Program p = isoread::Read(text);
        std::vector<std::string> broken = isoread::Follow(p, BarOf(g), Travels());
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
            // Every bar on the tool set-up the bar selection chooses for it.
            ASSERT_EQ(g.CheckListTools(), 0) << g_errorText;
            for (int i = 0; i < g.BarCount(); ++i) g.MarkBarSelected(i);
            g.CollectSelectedBars();
            ASSERT_EQ(g.OptimizeToolSetup(), 0) << g_errorText;
            for (int i = 0; i < g.BarCount(); ++i) {
                ClearErrorText();
                const std::string where = std::string(inst.conf) + " " + name + " bar " + std::to_string(i);
                // Every demo bar fits the machine and computes with its section's end trims.
                if (CheckBarSize(*g.Bar(i)) != 0 || g.ComputeBar(i, 1) != 0 || g.GenerateIsoProgram(1, 0) != 0) {
                    ADD_FAILURE() << where << ": " << g_errorText;
                    continue;
                }
                const std::vector<std::string> broken = BrokenRules(g, ReadFile(dir_ + "OUTPUT.ISO"));
                for (const std::string& b : broken) ADD_FAILURE() << where << ": " << b;
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


// Every rule of the model is able to fail: each fault is planted in a copy of a real program
// (FINESTRE, bar TELAIO, on variant 0) or of the bar its records describe, and must be reported.
TEST_F(IsoRulesTest, EveryPlantedFaultIsFound) {
    // The program of FINESTRE's first bar on a machine, the bar its records describe, the travels.
    struct Source {
        std::string program;
        isoread::Bar bar;
        isoread::Limits limits;
    };
    auto produce = [&](int variant, const char* conf, Source& out) {
        Reinstall(variant, conf);
        ASSERT_TRUE(ldatest::WriteDemoLists(dir_));
        SetCurrentListName((dir_ + "FINESTRE.lda").c_str());
        IsoProgramGenerator g((dir_ + "FINESTRE.lda").c_str());
        ASSERT_EQ(g.CheckListTools(), 0) << g_errorText;
        for (int i = 0; i < g.BarCount(); ++i) g.MarkBarSelected(i);
        g.CollectSelectedBars();
        ASSERT_EQ(g.OptimizeToolSetup(), 0) << g_errorText;
        ASSERT_EQ(CheckBarSize(*g.Bar(0)), 0) << g_errorText;
        ASSERT_EQ(g.ComputeBar(0, 1), 0) << g_errorText;
        ASSERT_EQ(g.GenerateIsoProgram(1, 0), 0) << g_errorText;
        out = Source{ReadFile(dir_ + "OUTPUT.ISO"), BarOf(g), Travels()};
        ASSERT_TRUE(isoread::Follow(isoread::Read(out.program), out.bar, out.limits).empty()) << conf;
    };
    Source v1, v0;
    produce(1, "CONF", v1);
    produce(0, "CONF-V0", v0);

    // The value of the first line that begins with `head` (after its number) becomes `value`.
    auto replaceFirst = [](std::string text, const std::string& head, const std::string& value) {
        const std::size_t at = text.find(" " + head);
        if (at == std::string::npos) return std::string();
        const std::size_t end = text.find("      {", at);
        return text.replace(at + 1, end - at - 1, value);
    };
    auto firstMachining = [&](isoread::Bar& b) -> isoread::BarRecord& {
        for (isoread::BarRecord& r : b.records)
            if (r.kind == kKindRalla) return r;
        return b.records.front();
    };
    auto lastMachining = [&](isoread::Bar& b) -> isoread::BarRecord& {
        for (auto it = b.records.rbegin(); it != b.records.rend(); ++it)
            if (it->kind == kKindRalla) return *it;
        return b.records.back();
    };
    auto firstBladeCut = [&](isoread::Bar& b) -> isoread::BarRecord& {
        for (isoread::BarRecord& r : b.records)
            if (r.kind == 2 || r.kind == 4 || r.kind == 5) return r;
        return b.records.front();
    };
    struct Case {
        const char* fault;
        std::function<void(std::string&, isoread::Bar&)> plant;
        const char* found;
        bool variant1 = false; // planted in the program of variant 1 (blade-cut blocks)
    };
    const std::vector<Case> cases = {
        {"a piece unloaded without its count",
         [](std::string& t, isoread::Bar&) {
             const std::size_t at = t.find("R590=R590+1      { R_CONT_PEZZI }");
             t.replace(at, std::strlen("R590=R590+1      { R_CONT_PEZZI }"), "R592=0      { R_TAGLIO_ESEGUITO }");
         },
         "unloaded as scrap"},
        {"a count on scrap",
         [](std::string& t, isoread::Bar&) {
             const std::size_t at = t.find("R592=0      { R_TAGLIO_ESEGUITO }");
             t.replace(at, std::strlen("R592=0      { R_TAGLIO_ESEGUITO }"), "R590=R590+1      { R_CONT_PEZZI }");
         },
         "a piece count without a piece"},
        {"a machining off its positioning",
         [&](std::string& t, isoread::Bar&) { t = replaceFirst(t, "R210=", "R210=-1"); }, "not at its positioning"},
        {"the ralla at the face's rotation, not the elaborated angle",
         [&](std::string&, isoread::Bar& b) { firstMachining(b).rallaAngle += 360; }, "with the ralla at"},
        {"a tool change to a position without the tool",
         [&](std::string& t, isoread::Bar&) { t = replaceFirst(t, "R611=", "R611=4"); }, "does not hold its tool"},
        {"a machining that runs before the one it is linked to",
         [&](std::string&, isoread::Bar& b) { lastMachining(b).after.push_back(firstMachining(b).id); },
         "which it is linked to"},
        {"a set run against its priorities",
         [&](std::string&, isoread::Bar& b) {
             firstMachining(b).set = lastMachining(b).set = 7;
             firstMachining(b).priority = 2;
             lastMachining(b).priority = 1;
         },
         "which its set puts first"},
        {"a machining on a piece that has left",
         [&](std::string&, isoread::Bar& b) { lastMachining(b).piece = 1; }, "which has left"},
        {"a piece counted before its machining",
         [&](std::string&, isoread::Bar& b) { lastMachining(b).piece = 1; }, "counted before its machining"},
        {"a block numbered twice", [](std::string& t, isoread::Bar&) { t.replace(t.find("N3 "), 3, "N2 "); }, "where N"},
        {"a cut the bar does not have",
         [&](std::string& t, isoread::Bar&) { t = replaceFirst(t, "R535=", "R535=11"); }, "the bar has no record for"},
        {"a cut fed as if the bar moved on before the machining at its positioning",
         [&](std::string& t, isoread::Bar&) {
             t = replaceFirst(t, "R540=2      { R_CAUSALE_ALIMEN }", "R540=1");
         },
         "before a machining at its positioning"},
        {"the remnant mark on the head cut",
         [&](std::string& t, isoread::Bar&) {
             t = replaceFirst(t, "R540=1      { R_CAUSALE_ALIMEN }", "R540=101");
         },
         "marked as next to the remnant"},
        {"a figure parameter over the figure angle",
         [&](std::string& t, isoread::Bar&) {
             t.replace(t.find("{ Angolo figura }"), 17, "{ Parametri definizione figure }");
         },
         "written over R309"},
        {"Z left down before a pass of another figure size",
         [&](std::string& t, isoread::Bar&) {
             // The first machining pass once more at another size, the first left with Z down.
             const std::size_t from = t.rfind('\n', t.find(" R300=")) + 1;
             const std::size_t to = t.find('\n', t.find("L<EXIT_MAN.BRE>", from)) + 1;
             std::string again = t.substr(from, to - from);
             std::string first = again;
             first.replace(first.find("R250=") + 5, 1, "3");
             again.replace(again.find("R300=") + 5, 0, "9");
             t.replace(from, to - from, first + again);
         },
         "Z left down between passes of different figure sizes"},
        {"a two-pass cut run by the one-vertex cycle",
         [&](std::string&, isoread::Bar& b) { firstBladeCut(b).vertices = 2; }, "vertices run by 6010.ISO", true},
        {"a cut of several vertices without its vertex count",
         [&](std::string& t, isoread::Bar& b) {
             t.replace(t.find("L<6010.ISO>"), 11, "L<6020.ISO>");
             firstBladeCut(b).vertices = 2;
         },
         "without its vertex count", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        const Source& from = c.variant1 ? v1 : v0;
        std::string text = from.program;
        isoread::Bar b = from.bar;
        c.plant(text, b);
        ASSERT_FALSE(text.empty());
        bool found = false;
        for (const std::string& r : isoread::Follow(isoread::Read(text), b, from.limits))
            found = found || r.find(c.found) != std::string::npos;
        EXPECT_TRUE(found) << c.found;
    }
}


// Lists made for each fault the model found in the engine's programs, each followed on the
// machine of its variant: mitred joints (the next piece's first-end cut must not free the
// previous piece with the wedge), short pieces (the head trim and the machinings before the
// cut that frees the piece), machinings with the tool already in place on variant 2 (each still
// reached at its own positioning), a drill and its tap at one place in a set, on ralla
// positions of different X offsets (the tap after the drill, the set's priorities kept).
TEST_F(IsoRulesTest, ListsOfEachFaultKeepTheRules) {
    auto mitred = [] {
        std::vector<ldatest::PieceSpec> pieces;
        for (const char* name : {"A", "B", "C"}) {
            ldatest::PieceSpec p = Piece(name, 1200000, 45000, 45000);
            p.machinings = {Drill(150000, 0), Drill(900000, 0)};
            pieces.push_back(p);
        }
        return List({Bar(pieces, 6500000)});
    };
    auto shortPieces = [] {
        std::vector<ldatest::PieceSpec> pieces;
        for (const char* name : {"A", "B", "C", "D"}) {
            ldatest::PieceSpec p = Piece(name, 220000);
            p.machinings = {Drill(110000, 0)};
            pieces.push_back(p);
        }
        return List({Bar(pieces, 6500000)});
    };
    auto square = [] {
        std::vector<ldatest::PieceSpec> pieces;
        for (const char* name : {"A", "B", "C"}) {
            ldatest::PieceSpec p = Piece(name, 1200000);
            p.machinings = {Drill(150000, 0), Drill(900000, 0)};
            pieces.push_back(p);
        }
        return List({Bar(pieces, 6500000)});
    };
    auto drillAndTap = [] {
        ldatest::PieceSpec p = Piece("A", 1500000);
        ldatest::MachiningSpec drill = Drill(400000, 0);
        drill.group = 1;
        drill.priority = 1;
        ldatest::MachiningSpec tap = Drill(400000, 0, "MASCH6", 6000);
        tap.group = 1;
        tap.priority = 2;
        ldatest::MachiningSpec later = Drill(900000, 0);
        later.group = 1;
        later.priority = 3;
        p.machinings = {tap, later, drill};
        return List({Bar({p}, 6500000)});
    };
    auto tapOnWiderDrill = [] {
        ldatest::PieceSpec p = Piece("A", 1500000);
        p.machinings = {Drill(400000, 0, "MASCH6", 6000), Drill(400000, 0, "PUNTA8", 8000), Drill(900000, 0)};
        return List({Bar({p}, 6500000)});
    };
    // A drill and its tap in a set at one place, their tools on positions a quarter turn apart,
    // and a later drill of the set: the tap is taken at the first rotation step and then let go
    // for its link, while the later drill stays taken at the second.
    auto setAcrossSteps = [] {
        ldatest::PieceSpec p = Piece("A", 1500000);
        ldatest::MachiningSpec tap = Drill(400000, 0, "MASCH6", 6000);
        ldatest::MachiningSpec drill = Drill(400000, 0, "PUNTA8", 8000);
        ldatest::MachiningSpec later = Drill(900000, 0, "PUNTA8", 8000);
        tap.group = drill.group = later.group = 1;
        tap.priority = drill.priority = 1;
        later.priority = 2;
        p.machinings = {tap, drill, later};
        return List({Bar({p}, 6500000)});
    };
    // A remnant of 1241.6 mm: the cut between the pieces lies one remnant length and 12.6 mm from
    // the head, the mark belongs to the cut next to the remnant.
    auto remnantMark = [] { return List({Bar({Piece("A", 1240000), Piece("B", 4000000)}, 6500000)}); };
    // A figure of ten parameters: the tenth would go where the figure angle stands.
    auto tenParameters = [] {
        ldatest::PieceSpec p = Piece("A", 1500000);
        ldatest::MachiningSpec m = Drill(400000, 0);
        m.params = {5000, 1, 2, 3, 4, 5, 6, 7, 8, 9};
        p.machinings = {m};
        return List({Bar({p}, 6500000)});
    };
    // Angled ends that a blade of 240 mm clears only in two passes each.
    auto twoPassCuts = [] {
        return List({Bar({Piece("A", 1000000), Piece("B", 1000000, 135000, 135000), Piece("C", 1000000, 45000, 45000)},
                         6500000)});
    };
    struct Case {
        const char* what;
        int variant;
        const char* conf;
        ldatest::ListSpec list;
        std::vector<const char*> mount;
        int32_t bladeDiameter = 0; // DIAM_LAMA over the folder's own value
        const char* refused = nullptr; // the program is refused with this message
    };
    const std::vector<Case> cases = {
        {"mitred joints", 0, "CONF-V0", mitred(), {}},
        {"short pieces", 0, "CONF-V0", shortPieces(), {}},
        {"tool in place, variant 2", 2, "CONF-V2", square(), {}},
        {"drill and tap in a set", 2, "CONF-V2", drillAndTap(), {"", "PUNTA5", "", "MASCH6"}},
        {"drill and tap in a set", 0, "CONF-V0", drillAndTap(), {"", "PUNTA5", "", "MASCH6"}},
        {"tap after its drill", 2, "CONF-V2", tapOnWiderDrill(), {"PUNTA5", "PUNTA8", "", "MASCH6"}},
        {"tap after its drill", 0, "CONF-V0", tapOnWiderDrill(), {"PUNTA5", "PUNTA8", "", "MASCH6"}},
        {"a set across rotation steps", 0, "CONF-V0", setAcrossSteps(), {"MASCH6", "", "", "PUNTA8"}},
        {"a set across rotation steps", 1, "CONF", setAcrossSteps(), {"MASCH6", "", "", "PUNTA8"}},
        {"two-pass cuts", 1, "CONF", twoPassCuts(), {}, 240000},
        {"the remnant mark", 0, "CONF-V0", remnantMark(), {}},
        {"ten figure parameters", 0, "CONF-V0", tenParameters(), {}, 0, "ERR_PAR_ISO"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.what) + " on " + c.conf);
        Reinstall(c.variant, c.conf);
        g_pSettings->CK_MASC_SVAS = 0; // the tap's order is the ordering's alone
        if (c.bladeDiameter != 0) g_pSettings->DIAM_LAMA = c.bladeDiameter;
        const std::vector<std::string> broken = RunOwnBar(c.list, c.mount);
        if (c.refused != nullptr) {
            EXPECT_EQ(broken, std::vector<std::string>{std::string("not written: ") + Err(c.refused) + " (ID_LAV=1) (LDT:T ID_LDT:1)"});
            continue;
        }
        for (const std::string& b : broken) ADD_FAILURE() << b;
    }
}

} // namespace
} // namespace enginetest
