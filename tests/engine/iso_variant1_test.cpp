// Part programs of machine variant 1: the bar-in-work flag, the repetition registers, the
// square trims, the unloading lines of the extractor and the quick unloading, the refusal of an
// unloading without a cause, every demo bar, and the reviewed golden of a demo bar.
#include <cstdlib>
#include <filesystem>

#include "iso_test_support.h"
#include "vice_sampling.h"
#include "machine/ui_services_fake.h"

namespace enginetest {
namespace {

constexpr const char* kGolden = "finestre_bar1_v1.iso";

ldatest::ListSpec RepeatedBar(uint16_t repetitions) {
    ldatest::PieceSpec a = Piece("A", 1200000);
    a.machinings = {Drill(100000, 90), Drill(600000, 90)};
    ldatest::PieceSpec b = Piece("B", 800000);
    b.machinings = {Drill(300000, 0)};
    ldatest::BarSpec bar = Bar({a, b});
    bar.repetitions = repetitions;
    return List({bar});
}

class IsoVariant1Test : public IsoTest {
protected:
    void SetUp() override {
        IsoTest::SetUp(); // the demo's own configuration, machine variant 1
        UseDemoDrawings();
    }

    void SetUnloadingEnable(const char* value) {
        ASSERT_TRUE(plat::WriteProfileString("UNLOADING", "ENABLE", value, g_pPathTable->ConfigPar()));
    }

    // The machine's automatic transfer, quick unloading and extractor axis switched on.
    void EnableTransferAndExtractor() {
        g_pSettings->AUTO_TRAS_LAV = 1;
        g_pSettings->options.SCARICO_RAPIPO = 1;
        g_pSettings->options.ASSEC = 1;
    }

    std::vector<std::string> Generate(IsoProgramGenerator& g, int bar, int32_t step) {
        EXPECT_EQ(CheckBarSize(*g.Bar(bar)), 0) << g_errorText;
        EXPECT_EQ(g.ComputeBar(bar, 1), 0) << g_errorText;
        EXPECT_EQ(g.GenerateIsoProgram(step, 0), 0) << g_errorText;
        return Lines(ReadFile(dir_ + "OUTPUT.ISO"));
    }

    static std::string ValueOf(const std::string& body) {
        const std::size_t eq = body.find('=');
        const std::size_t gap = body.find(' ', eq);
        return body.substr(eq + 1, gap == std::string::npos ? std::string::npos : gap - eq - 1);
    }
};

TEST_F(IsoVariant1Test, BarInWorkFlagOnlyWithUnloadingEnabled) {
    SetUnloadingEnable("0");
    {
        IsoProgramGenerator& g = OpenGen(RepeatedBar(1));
        const std::vector<std::string> b = Bodies(Generate(g, 0, 1));
        EXPECT_EQ(IndexOf(b, "R593="), -1);
    }
    SetUnloadingEnable("1");
    IsoProgramGenerator& g = OpenGen(RepeatedBar(1));
    const std::vector<std::string> lines = Generate(g, 0, 1);
    ExpectContiguous(lines);
    const std::vector<std::string> b = Bodies(lines);
    // At the head, after the piece counter and before the head parameters.
    const int head = IndexOf(b, "R593=");
    ASSERT_GT(head, 0);
    EXPECT_EQ(b[static_cast<std::size_t>(head)], "R593=0      { R_BARRA_INLAVORO }");
    EXPECT_EQ(b[static_cast<std::size_t>(head) - 1].rfind("R590=0", 0), 0u);
    EXPECT_LT(head, IndexOf(b, "R501="));
    // Again right after the loading call, set to 1; nowhere else.
    const int load = IndexOf(b, "L<CARICO.BRE>");
    ASSERT_GT(load, head);
    EXPECT_EQ(b[static_cast<std::size_t>(load) + 1], "R593=1      { R_BARRA_INLAVORO }");
    EXPECT_EQ(IndexOf(b, "R593=", load + 2), -1);
}

TEST_F(IsoVariant1Test, RepetitionCountAndCounterWhateverTheStep) {
    for (int32_t step : {0, 1, 3}) {
        SCOPED_TRACE(step);
        IsoProgramGenerator& g = OpenGen(RepeatedBar(3));
        g.nextBarLength1 = 6000000;
        g.nextBarLength2 = 4500500;
        const std::vector<std::string> lines = Generate(g, 0, step);
        ExpectContiguous(lines);
        const std::vector<std::string> b = Bodies(lines);
        EXPECT_TRUE(Has(b, "R577=3      { R_NUM_BARRE_IN_RPT }"));
        EXPECT_TRUE(Has(b, "R578=0       { R_COUNTER_NUM_RPT }"));
        EXPECT_TRUE(Has(b, "R579=6000       { R_LUNGH_ACT_BARRA }"));
        EXPECT_TRUE(Has(b, "R575=6000      { R_LUNGH_NEXT_BARRA }"));
        EXPECT_TRUE(Has(b, "R576=4500.5      { R_LUN_BARRA_AFTER_RPT }"));
        EXPECT_TRUE(Has(b, "R545=0      { Barre non Terminate }"));
        // The repeat range covers the loading and everything after it.
        const int rpt = IndexOf(b, "<RPT:");
        EXPECT_EQ(rpt >= 0, step > 1);
        if (rpt >= 0) {
            int loadLine = 0;
            for (const std::string& l : lines)
                if (Body(l).rfind("R575=", 0) == 0) loadLine = std::stoi(l.substr(1));
            EXPECT_EQ(b[static_cast<std::size_t>(rpt)].rfind("<RPT:N" + std::to_string(loadLine) + ";", 0), 0u)
                << b[static_cast<std::size_t>(rpt)];
            EXPECT_NE(b[static_cast<std::size_t>(rpt)].find(";2>"), std::string::npos);
        }
    }
}

TEST_F(IsoVariant1Test, SquareTrimsBesideAngledEndsWithAutomaticTransfer) {
    EnableTransferAndExtractor();
    IsoProgramGenerator& g = OpenDemo();
    const std::vector<std::string> b = Bodies(Generate(g, 0, 1));
    // Head trim before the first blade cut, its scrap out through the extractor.
    const int head = IndexOf(b, "R540=1      { TAGLIO_SPZ_INIZIALE_90 }");
    ASSERT_GT(head, 0);
    EXPECT_LT(head, IndexOf(b, "R540=22"));
    const std::vector<std::string> order = {"R260=", "R560=", "R527=", "R550=90 ", "R526=", "R520=", "R265="};
    for (std::size_t i = 0; i < order.size(); ++i)
        EXPECT_EQ(b[static_cast<std::size_t>(head) + 1 + i].rfind(order[i], 0), 0u) << b[static_cast<std::size_t>(head) + 1 + i];
    for (int r = 266; r <= 277; ++r)
        EXPECT_EQ(b[static_cast<std::size_t>(head) + 8 + static_cast<std::size_t>(r - 266)].rfind("R" + std::to_string(r) + "=", 0), 0u);
    const int fin = IndexOf(b, "R592=2      { R_TAGLIO_ESEGUITO: Finale }", head);
    ASSERT_GT(fin, head);
    EXPECT_EQ(b[static_cast<std::size_t>(fin) + 1], "L<ALIM.BRE>");
    EXPECT_EQ(b[static_cast<std::size_t>(fin) + 2].rfind("R515=", 0), 0u);
    EXPECT_EQ(b[static_cast<std::size_t>(fin) + 3], "R540=7");
    // The last piece's end is at 135 degrees and a usable remnant is left: a tail trim squares it
    // after the last piece is unloaded and before the remnant's unloading.
    const int tail = IndexOf(b, "R540=1      { TAGLIO_SPZ_FINALE_90 }");
    ASSERT_GT(tail, fin);
    EXPECT_GT(IndexOf(b, "R592=1      { R_TAGLIO_ESEGUITO: Finale }", tail), tail);
    EXPECT_GT(IndexOf(b, "R541=", tail), tail);
    int lastCount = -1;
    for (int i = 0; i < static_cast<int>(b.size()); ++i)
        if (b[static_cast<std::size_t>(i)].rfind("R590=R590+1", 0) == 0) lastCount = i;
    EXPECT_LT(lastCount, tail);

    // Without the automatic transfer no trim is written.
    g_pSettings->AUTO_TRAS_LAV = 0;
    const std::vector<std::string> plain = Bodies(Generate(g, 0, 1));
    EXPECT_EQ(IndexOf(plain, "R540=1      { TAGLIO_SPZ_"), -1);
}

TEST_F(IsoVariant1Test, QuickUnloadingAndExtractorPositionOfAPieceHeldByTheVices) {
    EnableTransferAndExtractor();
    MachineSettings& s = *g_pSettings;
    s.DIST_SCARIC = 5000000;
    s.X_MAX_MORSA = 3000000;
    s.DELTA_B_EXTRACT = 20000;
    s.DELTA_SCAR_PZ_LUNGO = 50000;
    s.X_MIN_EXTRACT = 0;
    s.X_MAX_EXTRACT = 2500000;
    struct Case {
        int32_t quickLimit;
        int32_t extractMax;
        const char* quick;
        const char* extractor;
    };
    // The section is 45 mm high; the pieces' last cut is at 135 degrees (no slope correction).
    for (const Case& c : {Case{50000, 2500000, "R585=1", "R515=2070"}, Case{40000, 2000000, "R585=0", "R515=2000"}}) {
        SCOPED_TRACE(c.quick);
        s.H_PROF_SC_RAPIDO = c.quickLimit;
        s.X_MAX_EXTRACT = c.extractMax;
        IsoProgramGenerator& g = OpenDemo();
        const std::vector<std::string> b = Bodies(Generate(g, 0, 1));
        const int u = IndexOf(b, "R540=7      { Scarico su scaric. con Spatola }");
        ASSERT_GT(u, 0);
        EXPECT_EQ(b[static_cast<std::size_t>(u) + 1].rfind(c.quick, 0), 0u) << b[static_cast<std::size_t>(u) + 1];
        EXPECT_EQ(b[static_cast<std::size_t>(u) + 2].rfind(c.extractor, 0), 0u) << b[static_cast<std::size_t>(u) + 2];
        EXPECT_EQ(b[static_cast<std::size_t>(u) + 3], "L<ALIM.BRE>");
        EXPECT_EQ(b[static_cast<std::size_t>(u) + 4], "R590=R590+1      { R_CONT_PEZZI }");
    }
    // Without the option neither line is written.
    s.options.SCARICO_RAPIPO = 0;
    s.options.ASSEC = 0;
    IsoProgramGenerator& g = OpenDemo();
    const std::vector<std::string> b = Bodies(Generate(g, 0, 1));
    EXPECT_EQ(IndexOf(b, "R585="), -1);
    const int u = IndexOf(b, "R540=7      { Scarico su scaric. con Spatola }");
    ASSERT_GT(u, 0);
    EXPECT_EQ(b[static_cast<std::size_t>(u) + 1], "L<ALIM.BRE>");
}

TEST_F(IsoVariant1Test, UnloadingWithoutACauseFailsInsteadOfHalfALine) {
    IsoProgramGenerator& g = OpenGen(RepeatedBar(1));
    ASSERT_EQ(CheckBarSize(*g.Bar(0)), 0) << g_errorText;
    ASSERT_EQ(g.ComputeBar(0, 1), 0) << g_errorText;
    // An other-end cut whose operation mode has no unloading on this machine.
    int changed = 0;
    for (int i = 0; i < g.orderedRecords; ++i) {
        WorkingMachining& r = *g.order[static_cast<std::size_t>(i)];
        if (r.TipoLavor == kKindEndCut && (r.endFlags & 2) != 0) {
            r.CutMode = 32;
            ++changed;
        }
    }
    ASSERT_GT(changed, 0);
    StartScratch(g);
    EXPECT_EQ(g.WriteIsoProgramVariant1(1), 1);
    EXPECT_NE(std::string(g_errorText).find(Err("ERR_CAUSALE_SCARICO")), std::string::npos) << g_errorText;
    EXPECT_NE(std::string(g_errorText).find(" 32 "), std::string::npos) << g_errorText;
    const std::vector<std::string> b = Bodies(EndScratch(g));
    EXPECT_GT(IndexOf(b, "R540=22"), 0) << "the cut before the unloading is written";
    for (const std::string& l : b) EXPECT_NE(l.back(), '=') << l;
    EXPECT_EQ(IndexOf(b, "L<FINEALL.BRE>"), -1);
}

// The U axis of a blade cut reaches down to -X_MAX_PINZA: a cut within that reach is written,
// one beyond it fails with the U-axis message and leaves no program.
TEST_F(IsoVariant1Test, BladeCutWithinAndBeyondTheReachOfTheUAxis) {
    MachineSettings& s = *g_pSettings;
    s.X_MAX_PINZA = 100000;
    s.DIST_MORSE_LAMA = 0;
    {
        IsoProgramGenerator& g = OpenDemo();
        EXPECT_FALSE(Bodies(Generate(g, 0, 1)).empty());
    }
    s.DIST_MORSE_LAMA = 2000000; // every cut X (at most X_PAR_MAX) less this is below -100 mm
    std::filesystem::remove(dir_ + "OUTPUT.ISO");
    IsoProgramGenerator& g = OpenDemo();
    ASSERT_EQ(CheckBarSize(*g.Bar(0)), 0) << g_errorText;
    ASSERT_EQ(g.ComputeBar(0, 1), 0) << g_errorText;
    EXPECT_EQ(g.GenerateIsoProgram(1, 0), 1);
    EXPECT_EQ(std::string(g_errorText), Err("ERR_TAGLIO_ASSE_U"));
    EXPECT_FALSE(std::filesystem::exists(dir_ + "OUTPUT.ISO"));
}

TEST_F(IsoVariant1Test, EveryDemoBarYieldsAProgram) {
    ASSERT_TRUE(ldatest::WriteDemoLists(dir_));
    for (bool transfer : {false, true}) {
        SCOPED_TRACE(transfer);
        if (transfer) EnableTransferAndExtractor();
        int written = 0;
        for (const char* name : {"FINESTRE.lda", "PORTE.lda", "VETRINA.lda"}) {
            SetCurrentListName((dir_ + name).c_str());
            IsoProgramGenerator g((dir_ + name).c_str());
            ASSERT_TRUE(g.IsLoaded()) << g_errorText;
            for (int i = 0; i < g.BarCount(); ++i) {
                SCOPED_TRACE(std::string(name) + " bar " + std::to_string(i));
                ClearErrorText();
                ASSERT_EQ(CheckBarSize(*g.Bar(i)), 0) << g_errorText;
                ASSERT_EQ(g.ComputeBar(i, 1), 0) << g_errorText;
                ASSERT_EQ(g.GenerateIsoProgram(2, 0), 0) << g_errorText;
                const std::vector<std::string> lines = Lines(ReadFile(dir_ + "OUTPUT.ISO"));
                ASSERT_GT(lines.size(), 40u);
                EXPECT_EQ(lines[0], "%");
                EXPECT_EQ(lines[1], "N1 R599=9999      { Codice Casuale ISO }");
                ExpectContiguous(lines);
                const std::vector<std::string> b = Bodies(lines);
                EXPECT_EQ(b.back(), "L<FINEALL.BRE>");
                EXPECT_GE(IndexOf(b, "R545="), 0);
                EXPECT_LT(IndexOf(b, "L<CARICO.BRE>"), IndexOf(b, "L<SCARICO.BRE>"));
                for (const std::string& x : b) EXPECT_NE(x.back(), '=') << x;
                ++written;
            }
        }
        EXPECT_EQ(written, 7);
    }
}

// The steps of a cut held by the third and fourth vices: one step where the cut line crosses
// both vices' faces at once (square, flat), else vice 4's crossing first and the cut's own X
// last; each step is checked against the X, U and vice travels.
TEST_F(IsoVariant1Test, ThirdAndFourthViceStepsFollowTheCutLine) {
    MachineSettings& s = *g_pSettings;
    s.X_PAR_MIN = 50000;
    s.X_PAR_MAX = 750000;
    s.DIST_MORSE34 = 400000;
    s.DELTA_X_SUPPORTO_34 = 30000;
    s.X_MIN_MORSA = 0;
    s.X_MAX_MORSA = 3000000;
    s.X_MAX_PINZA = 4000000;
    using Step = IsoProgramGenerator::Vice34Step;
    Step st[2];
    for (int32_t a : {90000, 0, 180000}) {
        SCOPED_TRACE(a);
        ASSERT_EQ(IsoProgramGenerator::Vice34Steps(600000, 2000000, a, 60000, false, st), 1);
        EXPECT_EQ(st[0].x, 600000);
        EXPECT_EQ(st[0].u, 230000);
        EXPECT_EQ(st[0].b, 2000000);
    }
    // 45 degrees across a 60 mm section: vice 4's face is crossed 60 mm nearer the vices.
    ASSERT_EQ(IsoProgramGenerator::Vice34Steps(600000, 2000000, 45000, 60000, false, st), 2);
    EXPECT_EQ(st[0].x, 540000);
    EXPECT_EQ(st[0].u, 170000);
    EXPECT_EQ(st[0].b, 1940000);
    EXPECT_EQ(st[1].x, 600000);
    EXPECT_EQ(st[1].b, 2000000);
    // 135 degrees: 60 mm farther, here beyond the X travel.
    ASSERT_EQ(IsoProgramGenerator::Vice34Steps(600000, 2000000, 135000, 60000, true, st), 2);
    EXPECT_EQ(st[0].x, 660000);
    EXPECT_EQ(st[0].u, 0) << "a free U axis is written as 0";
    EXPECT_EQ(IsoProgramGenerator::Vice34Steps(700000, 2000000, 135000, 60000, false, st), -1);
    EXPECT_EQ(IsoProgramGenerator::Vice34Steps(600000, 30000, 45000, 60000, false, st), -3);
    s.X_MAX_PINZA = 200000;
    s.DIST_MORSE34 = 800000; // vice 4's U: 540 + 30 - 800 = -230 mm
    EXPECT_EQ(IsoProgramGenerator::Vice34Steps(600000, 2000000, 45000, 60000, false, st), -2);
    // A cut line almost along the faces crosses them out of any travel.
    s.X_MAX_PINZA = 4000000;
    EXPECT_EQ(IsoProgramGenerator::Vice34Steps(600000, 2000000, 1, 60000, false, st), -1);
}

// In a program: a 135-degree cut of the demo bar moved beyond the first vices writes both steps
// before its feed (vice 4's crossing the bar's width further along X), a step out of the vice
// travel fails with the vice-3/4 message. A 45-degree cut so held grips with vice 4 the
// section's width (60 mm) below its own X, which at the cut's lowest clear X (88 mm) lies below
// the X travel: the bar is fed so far that the step lies within it, the vices still closing
// beyond the blade disc.
TEST_F(IsoVariant1Test, CutBeyondTheFirstVicesWritesItsViceStepsInTheProgram) {
    struct Row {
        int32_t angle;
        int32_t width; // the section's Y extent, 0: the demo profile's
        bool tooFar;   // the vices' travel starts beyond the cut
    };
    for (const Row& row : {Row{135000, 0, false}, Row{45000, 0, false}, Row{135000, 0, true}}) {
        SCOPED_TRACE(testing::Message() << row.angle << " width " << row.width << (row.tooFar ? " far" : ""));
        const bool tooFar = row.tooFar;
        if (tooFar) g_pSettings->X_MIN_MORSA = 2950000;
        IsoProgramGenerator& g = OpenDemo();
        ASSERT_EQ(CheckBarSize(*g.Bar(0)), 0) << g_errorText;
        ASSERT_EQ(g.ComputeBar(0, 1), 0) << g_errorText;
        if (row.width != 0) g.currentBar->yMax = g.currentBar->yMin + row.width;
        // The first end cut at the row's angle placed with a negative first vertex.
        WorkingMachining* held = nullptr;
        for (int i = 0; i < g.orderedRecords && held == nullptr; ++i) {
            WorkingMachining& r = *g.order[static_cast<std::size_t>(i)];
            if (r.TipoLavor != kKindEndCut || r.ATaglio != row.angle) continue;
            const int32_t d = r.cutPointX[0] + 1000;
            for (int k = 0; k < 4; ++k) r.cutPointX[k] -= d;
            held = &r;
        }
        ASSERT_NE(held, nullptr);
        StartScratch(g);
        const int res = g.WriteIsoProgramVariant1(1);
        const std::vector<std::string> b = Bodies(EndScratch(g));
        if (row.angle == 45000) {
            ASSERT_EQ(res, 0) << g_errorText;
            const MachineSettings& s = *g_pSettings;
            const int cut = IndexOf(b, "R550=45");
            ASSERT_GT(cut, 0);
            auto valueAt = [&](const char* key, int from) {
                const int i = IndexOf(b, key, from);
                return i < 0 ? -1e18 : std::atof(b[static_cast<std::size_t>(i)].c_str() + std::string(key).size()) * 1000;
            };
            // The cut's own X, then vice 4's grip (the cut line crosses the back face the
            // section's width nearer the vices at 45 degrees) and vice 3's, the cut's X again.
            const double x = valueAt("R560=", cut - 1), vice = valueAt("R526=", cut);
            const int steps = IndexOf(b, "R268=", cut);
            const double step4 = valueAt("R560=", steps), step3 = valueAt("R560=", IndexOf(b, "L<ALIM.BRE>", steps));
            EXPECT_NEAR(step4, x - (g.currentBar->yMax - g.currentBar->yMin), 1);
            EXPECT_EQ(step3, x);
            EXPECT_GE(step4, s.X_PAR_MIN);
            EXPECT_LE(x, s.X_PAR_MAX);
            // The vices close beyond what the blade disc needs at the cut's X.
            const BladeHead head = BladeHeadFromSettings(s);
            BladeSection section;
            section.yMin = g.currentBar->yMin;
            section.yMax = g.currentBar->yMax;
            section.zMax = g.currentBar->zMax;
            EXPECT_GE(vice, vicesample::DiscNeed(head, section, 45000, static_cast<int32_t>(x), held->cutPointY[0],
                                                 held->cutPointZ[0]) - 2);
            continue;
        }
        if (tooFar) {
            EXPECT_EQ(res, 1);
            EXPECT_EQ(std::string(g_errorText), Err("ERR_LAMA_MORSA34"));
            continue;
        }
        ASSERT_EQ(res, 0) << g_errorText;
        // The cut block: its own lines (vice 3's position), then vice 4's step and a feed,
        // then vice 3's step, the feed of the cut and the cut. The cut stands at 50 mm with its
        // vices at 8.017 mm; vice 4's crossing lies the bar's width (60 mm) further; U stands at
        // X + DELTA_X_SUPPORTO_34 - DIST_MORSE34 (30 - 400 mm) and the vices move with the bar.
        const int cut = IndexOf(b, "R550=135");
        ASSERT_GT(cut, 0);
        const std::vector<std::string> expect = {
            "R535=-260      { R_QUOTA_U }", "R560=110      { R_QUOTA_X_TAGLIO }", "R526=68.017      { R_QUOTA_B }",
            "L<ALIM.BRE>",                  "R535=-320      { R_QUOTA_U }",       "R560=50      { R_QUOTA_X_TAGLIO }",
            "R526=8.017      { R_QUOTA_B }", "L<ALIM.BRE>",                       "L<6010.ISO>"};
        const int first = IndexOf(b, "R268=", cut) + 1;
        ASSERT_GT(first, cut);
        for (std::size_t k = 0; k < expect.size(); ++k)
            EXPECT_EQ(b[static_cast<std::size_t>(first) + k], expect[k]);
        // The other cuts keep one position each.
        int r560 = 0;
        for (const std::string& l : b) r560 += l.rfind("R560=", 0) == 0 ? 1 : 0;
        EXPECT_EQ(r560, 8 + 2);
    }
}

// R592 forms of the bar's first and last end cuts: the first is the bar's initial cut, or, after
// a head trim, the end of the head scrap; the last is "Finale in botola" only when the remnant
// drops through the trapdoor.
TEST_F(IsoVariant1Test, FirstAndLastCutsTakeTheirR592Form) {
    auto formBeforeFeed = [](const std::vector<std::string>& b, const std::string& form) {
        const int i = IndexOf(b, form);
        if (i < 0) return -1;
        EXPECT_EQ(b[static_cast<std::size_t>(i) + 1], "L<ALIM.BRE>");
        EXPECT_EQ(b[static_cast<std::size_t>(i) + 2].rfind("L<60", 0), 0u) << "the form belongs to a blade cut";
        EXPECT_EQ(IndexOf(b, "R592=", i + 1) == -1 || IndexOf(b, form, i + 1) == -1, true) << "written once";
        return i;
    };
    const std::string initial = "R592=1      { R_TAGLIO_ESEGUITO: Iniziale }";
    const std::string headScrap = "R592=2      { R_TAGLIO_ESEGUITO: Finale Spz. iniziale }";
    const std::string trapdoor = "R592=1      { R_TAGLIO_ESEGUITO: Finale in botola }";
    {
        // Without automatic transfer: no head trim, the first cut is the bar's initial cut.
        IsoProgramGenerator& g = OpenDemo();
        const std::vector<std::string> b = Bodies(Generate(g, 0, 1));
        const int i = formBeforeFeed(b, initial);
        EXPECT_GT(i, 0);
        EXPECT_EQ(i, IndexOf(b, "R592="));
        EXPECT_LT(IndexOf(b, "R540=22"), i);
        EXPECT_EQ(IndexOf(b, headScrap), -1);
        EXPECT_EQ(IndexOf(b, trapdoor), -1) << "the demo bar leaves a usable remnant";
    }
    {
        // With a head trim the first cut ends the scrap the trim left.
        EnableTransferAndExtractor();
        IsoProgramGenerator& g = OpenDemo();
        const std::vector<std::string> b = Bodies(Generate(g, 0, 1));
        const int trim = IndexOf(b, "R540=1      { TAGLIO_SPZ_INIZIALE_90 }");
        ASSERT_GT(trim, 0);
        EXPECT_GT(formBeforeFeed(b, headScrap), trim);
        EXPECT_EQ(IndexOf(b, initial), -1);
        g_pSettings->AUTO_TRAS_LAV = 0;
    }
    // A remnant (about 4 m here) shorter than DIM_MIN_SCARTO: the last cut drops it through the trapdoor.
    for (int32_t keepFrom : {5000000, 50000}) {
        SCOPED_TRACE(keepFrom);
        g_pSettings->DIM_MIN_SCARTO = keepFrom;
        IsoProgramGenerator& g = OpenGen(List({Bar({Piece("A", 1200000), Piece("B", 800000)})}));
        const std::vector<std::string> b = Bodies(Generate(g, 0, 1));
        const bool shortRemnant = keepFrom > 4000000;
        ASSERT_EQ(IndexOf(b, "R541=1      { SPATOL_SCARIC: Scarico su Botola }") >= 0, shortRemnant);
        const int i = formBeforeFeed(b, trapdoor);
        EXPECT_EQ(i >= 0, shortRemnant);
        if (i < 0) continue;
        // On the bar's last cut: no other blade cut follows it.
        EXPECT_EQ(IndexOf(b, "R540=2", i), -1);
        EXPECT_LT(IndexOf(b, initial), i);
    }
}

// Every change of the ralla rotation between machinings is preceded by the tool change lines,
// the rotation (R506) and the tool to activate (R611), before the ralla call.
TEST_F(IsoVariant1Test, ToolChangeLinesBeforeEveryRotation) {
    IsoProgramGenerator& g = OpenGen(RepeatedBar(1));
    const std::vector<std::string> b = Bodies(Generate(g, 0, 1));
    std::string lastFace;
    int sinceLastMachining = 0;
    int rotations = 0;
    for (int i = 0; i < static_cast<int>(b.size()); ++i) {
        const std::string& l = b[static_cast<std::size_t>(i)];
        if (l == "L<RALLA.BRE>") {
            ASSERT_GE(i, 4);
            EXPECT_EQ(b[static_cast<std::size_t>(i) - 4].rfind("R506=", 0), 0u);
            EXPECT_EQ(b[static_cast<std::size_t>(i) - 1].rfind("R611=", 0), 0u);
        }
        if (l.rfind("R213=", 0) != 0) continue;
        const std::string face = ValueOf(l);
        if (face != lastFace) {
            ++rotations;
            EXPECT_GE(IndexOf(b, "R506=", sinceLastMachining), 0);
            const int r506 = IndexOf(b, "R506=", sinceLastMachining);
            EXPECT_LT(r506, i) << "no tool change before the rotation to " << face;
            EXPECT_LT(IndexOf(b, "R611=", sinceLastMachining), i);
        }
        lastFace = face;
        sinceLastMachining = i + 1;
    }
    EXPECT_GE(rotations, 2);
}

// The whole program of the first demo bar with the trims, the quick unloading, the extractor,
// the bar-in-work flag and a repetition, reviewed once and kept as a golden.
TEST_F(IsoVariant1Test, DemoBarMatchesTheReviewedGolden) {
    EnableTransferAndExtractor();
    g_pSettings->H_PROF_SC_RAPIDO = 50000;
    g_pSettings->DIST_SCARIC = 5000000;
    SetUnloadingEnable("1");
    IsoProgramGenerator& g = OpenDemo();
    g.lastBarOfList = 1;
    g.nextBarLength1 = 6500000;
    g.nextBarLength2 = 6500000;
    const std::vector<std::string> lines = Generate(g, 0, 2);
    std::string text;
    for (const std::string& l : lines) text += l + "\r\n";
    const std::string golden = std::string(BRELON_SOURCE_DIR "/tests/fixtures/engine/iso/") + kGolden;
    if (std::getenv("BRELON_UPDATE_GOLDENS") != nullptr) WriteFile(golden, text);
    EXPECT_EQ(lines, Lines(ReadFile(golden)));
}

} // namespace
} // namespace enginetest
