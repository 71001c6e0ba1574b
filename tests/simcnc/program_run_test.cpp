// A part program run on the simulated controller: "FILLAV.TAB" and the program under the
// controller's work directory (Windows path mapped to a drive folder), started with the
// commands the program sends, watched through the entry points until its end.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "sim_fixture.h"

namespace fs = std::filesystem;

namespace {

// Lines joined with CR LF, as the program writes its files.
std::string CrLf(std::initializer_list<const char*> lines) {
    std::string s;
    for (const char* l : lines) s += std::string(l) + "\r\n";
    return s;
}

void WriteFile(const fs::path& p, const std::string& text) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
}

const std::string kTwoPieces = CrLf({
    "%",
    "N1 R599=4321      { Codice Casuale ISO }",
    "N2 R482=0",
    "N3 R590=0",
    "N4 R556=2      { R_NUM_PEZZI_BARRA_PC }",
    "",
    "N5 L<RIFAUTO.BRE>",
    "",
    "N6 R540=1",
    "N7 L<ALIM.BRE>",
    "N8 R590=R590+1      { R_CONT_PEZZI }",
    "",
    "N9 R540=1",
    "N10 L<ALIM.BRE>",
    "N11 R590=R590+1      { R_CONT_PEZZI }",
    "",
    "N12 L<FINEALL.BRE>",
});

// One piece per pass; the pass repeated twice more unless R591 (stop at bar end) is 1.
const std::string kRepeated = CrLf({
    "%",
    "N1 R599=77      { Codice Casuale ISO }",
    "N2 R590=0",
    "N3 L<RIFAUTO.BRE>",
    "N4 L<ALIM.BRE>",
    "N5 R590=R590+1      { R_CONT_PEZZI }",
    "N6 IF (R591==1) N9      { R_STOP_CICLO }",
    "N7",
    "N8 <RPT:N3;N7;2>",
    "",
    "N9 R545=1      { Barre Terminate }",
    "N10 L<FINEALL.BRE>",
});

class ProgramRun : public SimCnc {
protected:
    fs::path root;
    fs::path work; // native folder of "C:\UVEN\LAV\LAV\"

    void SetUp() override {
        SimCnc::SetUp();
        char tmpl[] = "/tmp/simcnc_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
        sim.SimSetDrivesRoot((root / "drives").c_str());
        work = root / "drives" / "C" / "UVEN" / "LAV" / "LAV";
    }
    void TearDown() override {
        sim.SimSetDrivesRoot(nullptr);
        std::error_code ec;
        fs::remove_all(root, ec);
    }

    // The files a program start leaves in the work directory.
    void Install(const std::string& program, const std::string& name = "ISONV",
                 std::initializer_list<const char*> specials = {}) {
        WriteFile(work / name, program);
        std::string tab = std::string("C:\\UVEN\\LAV\\LAV\\") + name + "\n";
        for (const char* s : specials) tab += std::string("C:\\UVEN\\LAV\\LAV\\SPECIAL\\") + s + "\n";
        WriteFile(work / "FILLAV.TAB", tab);
    }

    // The start commands, pumped as the program's queue does: send, wait for idle.
    int16_t Start(const char* name = "ISONV") {
        const struct { uint16_t code, sub; const char* text; } cmds[] = {{7, 151, nullptr}, {7, 85, nullptr},
                                                                         {4, 0, name}};
        for (const auto& c : cmds) {
            int16_t r = api.SendCnc(c.code, c.sub, c.text);
            if (r != UVEN_CMD_ACCEPTED) return r;
            while (api.TstCmdCnc() != 0) {
            }
        }
        return UVEN_CMD_ACCEPTED;
    }
};

} // namespace

TEST_F(ProgramRun, TwoPieceProgramRunsToItsEnd) {
    Install(kTwoPieces);
    sim.SimSetAutoAdvance(10); // as in use: every call moves the clock

    struct Watch {
        int ticks = 0;
        std::vector<float> counts;
        bool sawCode = false, sawCut = false, counterEarly = false;
    };
    // Start as the program does and watch as the execution monitor does, until the cycle ends.
    auto run = [&](Watch& w) {
        EXPECT_EQ(Write(599, 0.0f), 4); // the bar confirmation clears the code before the start
        ASSERT_EQ(Start(), UVEN_CMD_ACCEPTED) << sim.SimLastError();
        EXPECT_EQ(Word(2) & (UVEN_STACN_W3_ACTIVE | UVEN_STACN_W3_END), unsigned{UVEN_STACN_W3_ACTIVE});
        for (; w.ticks < 100000 && Read(452) != 0.0f; ++w.ticks) {
            float n = Read(590);
            if (w.counts.empty() || w.counts.back() != n) w.counts.push_back(n);
            if (Read(599) == 4321.0f) w.sawCode = true;
            if (StateText() == "ALIM.BRE") w.sawCut = true;
            float minutes = Read(485);
            if (minutes != 0.0f && Read(452) != 0.0f) w.counterEarly = true;
        }
    };
    Watch first;
    run(first);
    ASSERT_LT(first.ticks, 100000);
    EXPECT_GT(first.ticks, 10);
    EXPECT_TRUE(first.sawCode);
    EXPECT_TRUE(first.sawCut);
    EXPECT_FALSE(first.counterEarly) << "the time counter is set only at the end";
    EXPECT_EQ(first.counts, (std::vector<float>{0.0f, 1.0f, 2.0f}));
    EXPECT_EQ(Read(599), 4321.0f);
    EXPECT_EQ(Read(590), 2.0f);
    EXPECT_EQ(Read(556), 2.0f);
    EXPECT_EQ(Read(452), 0.0f);
    EXPECT_EQ(Word(2) & (UVEN_STACN_W3_ACTIVE | UVEN_STACN_W3_END), unsigned{UVEN_STACN_W3_END});
    EXPECT_EQ(sim.SimProgramState(), SIM_RUN_ENDED);
    EXPECT_EQ(StateText(), "");

    // R485: the run time in minutes (four calls of 0.5 s, eight plain blocks of 10 ms), set
    // once: cleared by the program, it stays 0.
    float minutes = Read(485);
    EXPECT_NEAR(minutes * 60.0f, 4 * 0.5f + 8 * 0.01f, 0.001f);
    EXPECT_EQ(Write(485, 0.0f), 4);
    sim.SimAdvance(60000);
    EXPECT_EQ(Read(485), 0.0f);

    // Deterministic: the same run again takes exactly the same number of ticks.
    Watch second;
    run(second);
    EXPECT_EQ(second.ticks, first.ticks);
    EXPECT_EQ(second.counts, first.counts);
}

TEST_F(ProgramRun, StepsAndTimeAdvanceTheRun) {
    Install(kTwoPieces);
    ASSERT_EQ(Start(), UVEN_CMD_ACCEPTED);
    EXPECT_EQ(StateText(), "ISONV");
    EXPECT_EQ(sim.SimProgramBlock(), 0);
    sim.SimAdvance(9);
    EXPECT_EQ(sim.SimGetR(599), 0.0); // the first block needs 10 ms
    sim.SimAdvance(1);
    EXPECT_EQ(sim.SimGetR(599), 4321.0);
    EXPECT_EQ(sim.SimStepProgram(3), 1);
    EXPECT_EQ(StateText(), "RIFAUTO.BRE");

    sim.SimSetR(451, 1.0); // hold: time passes, the program does not
    sim.SimAdvance(100000);
    EXPECT_EQ(sim.SimProgramBlock(), 4);
    sim.SimSetR(451, 0.0);
    sim.SimAdvance(500);
    EXPECT_EQ(sim.SimProgramBlock(), 5);

    EXPECT_EQ(sim.SimStepProgram(-1), 0);
    EXPECT_EQ(sim.SimGetR(590), 2.0);
    EXPECT_EQ(sim.SimGetR(452), 0.0);
    EXPECT_EQ(sim.SimProgramBlock(), -1);
}

TEST_F(ProgramRun, RepeatAndStopAtBarEnd) {
    Install(kRepeated);
    ASSERT_EQ(Start(), UVEN_CMD_ACCEPTED);
    EXPECT_EQ(sim.SimStepProgram(-1), 0);
    EXPECT_EQ(sim.SimGetR(590), 3.0); // first pass and two repeats
    EXPECT_EQ(sim.SimGetR(545), 1.0);

    sim.SimSetR(591, 1.0); // stop at the end of the bar: no repeat
    ASSERT_EQ(Start(), UVEN_CMD_ACCEPTED);
    EXPECT_EQ(sim.SimStepProgram(-1), 0);
    EXPECT_EQ(sim.SimGetR(590), 1.0);
    EXPECT_EQ(sim.SimGetR(545), 1.0);

    sim.SimSetR(591, 0.0); // set during the second pass: two pieces
    ASSERT_EQ(Start(), UVEN_CMD_ACCEPTED);
    while (sim.SimGetR(590) < 2.0) ASSERT_EQ(sim.SimStepProgram(1), 1);
    sim.SimSetR(591, 1.0);
    EXPECT_EQ(sim.SimStepProgram(-1), 0);
    EXPECT_EQ(sim.SimGetR(590), 2.0);
}

TEST_F(ProgramRun, StopsFromTheNcTheOperatorAndEmergency) {
    Install(kTwoPieces);
    ASSERT_EQ(Start(), UVEN_CMD_ACCEPTED);
    sim.SimStepProgram(8);
    EXPECT_EQ(api.SendCnc(4, 0, "ISONV"), UVEN_CMD_WRONG_STATE); // one program at a time
    api.TstCmdCnc();
    sim.SimStopFromNc();
    EXPECT_EQ(Read(455), 1.0f);
    EXPECT_EQ(Read(452), 0.0f);
    EXPECT_EQ(Word(2) & (UVEN_STACN_W3_ACTIVE | UVEN_STACN_W3_END), 0u);
    EXPECT_EQ(Read(485), 0.0f);
    EXPECT_EQ(sim.SimProgramState(), SIM_RUN_ABORTED);
    float pieces = Read(590);
    sim.SimAdvance(100000);
    EXPECT_EQ(Read(590), pieces);

    ASSERT_EQ(Start(), UVEN_CMD_ACCEPTED);
    EXPECT_EQ(Write(481, 1.0f), 4); // immediate stop requested by the program
    EXPECT_EQ(Read(452), 0.0f);
    EXPECT_EQ(sim.SimProgramState(), SIM_RUN_ABORTED);

    EXPECT_EQ(Write(481, 0.0f), 4);
    ASSERT_EQ(Start(), UVEN_CMD_ACCEPTED);
    sim.SimEmergency(1);
    EXPECT_EQ(Read(452), 0.0f);
    EXPECT_EQ(sim.SimProgramState(), SIM_RUN_ABORTED);
    EXPECT_EQ(Start(), UVEN_CMD_EMERGENCY);
}

TEST_F(ProgramRun, RefusesAStartWhoseFilesAreMissing) {
    EXPECT_EQ(Start(), UVEN_CMD_NO_PROGRAM); // no "FILLAV.TAB"
    EXPECT_NE(std::string(sim.SimLastError()), "");
    EXPECT_EQ(Read(452), 0.0f);

    WriteFile(work / "FILLAV.TAB", "C:\\UVEN\\LAV\\LAV\\ISONV\r\n"); // program file missing
    EXPECT_EQ(Start(), UVEN_CMD_NO_PROGRAM);
    Install(kTwoPieces);
    EXPECT_EQ(Start("OTHER"), UVEN_CMD_NO_PROGRAM); // not listed
    EXPECT_EQ(sim.SimProgramState(), SIM_RUN_IDLE);
    EXPECT_EQ(Start(), UVEN_CMD_ACCEPTED);
    EXPECT_STREQ(sim.SimLastError(), "");
}

TEST_F(ProgramRun, RunsTheNamedProgramAmongSpecialSubPrograms) {
    // A single program chosen by the operator, its name matched ignoring case; the special
    // sub-programs listed after it are the controller's business.
    Install(CrLf({"%", "N1 R599=9999", "N2 R590=0", "N3 L<PROG.ISO>", "N4 R590=R590+1"}), "Prog.iso",
            {"S1.ISO", "S2.ISO"});
    ASSERT_EQ(Start("PROG.ISO"), UVEN_CMD_ACCEPTED) << sim.SimLastError();
    EXPECT_EQ(StateText(), "PROG.ISO");
    EXPECT_EQ(sim.SimStepProgram(-1), 0);
    EXPECT_EQ(sim.SimGetR(599), 9999.0);
    EXPECT_EQ(sim.SimGetR(590), 1.0);
}

TEST_F(ProgramRun, ToleratesUnknownBlocksAndEndlessLoops) {
    Install(CrLf({"%", "{ CK_NOTCH_CUTN45 = 1 }", "N1 R599=12", "N2 G0 Z=(R332+1.5)", "N3 R540=", "N4 R11=R6*2",
                  "N5 G304CNC", "N6 G4 F0.25", "N7 R7=R599-2", "N8 IF (R1==1) N99", "N9 L<>", "N10 R9999=1",
                  "N11 R10000=1", "N12 IF (R1==0) N12"}));
    ASSERT_EQ(Start(), UVEN_CMD_ACCEPTED);
    EXPECT_EQ(sim.SimStepProgram(5), 1);
    EXPECT_EQ(sim.SimProgramBlock(), 5); // the dwell block
    sim.SimAdvance(249);
    EXPECT_EQ(sim.SimProgramBlock(), 5);
    sim.SimAdvance(1);
    EXPECT_EQ(sim.SimProgramBlock(), 6);
    EXPECT_EQ(sim.SimStepProgram(-1), 1); // the last block jumps to itself for ever
    EXPECT_EQ(sim.SimGetR(599), 12.0);
    EXPECT_EQ(sim.SimGetR(11), 0.0);
    EXPECT_EQ(sim.SimGetR(7), 10.0);
    EXPECT_EQ(sim.SimGetR(9999), 1.0);
    EXPECT_EQ(sim.SimGetR(1), 0.0);
    sim.SimEmergency(1);
    EXPECT_EQ(sim.SimProgramState(), SIM_RUN_ABORTED);
}
