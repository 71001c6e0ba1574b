// The controller library's entry points against the simulated machine: binding, R variables,
// the command protocol, status words, overrides, alarms and messages.
#include <cfloat>
#include <cstring>

#include "sim_fixture.h"

void* SimCnc::lib = nullptr;
UvenEntries SimCnc::api;
simcnc::Controls SimCnc::sim;

namespace {

std::string CommandText(const simcnc::Controls& sim, int index, int* code, int* sub, int* result) {
    char text[80] = "?";
    EXPECT_EQ(sim.SimCommandLogEntry(index, code, sub, text, sizeof text, result), 0);
    return text;
}

} // namespace

// ---- Binding ----------------------------------------------------------------------------------

TEST_F(SimCnc, ExportsEveryEntryPointByName) {
    EXPECT_EQ(api.missing, 0);
    EXPECT_EQ(dlsym(lib, "SimBrokenProbe"), nullptr);
    // Platform code linked into the library stays private to it.
    EXPECT_EQ(dlsym(lib, "_ZN4plat10NativePathB5cxx11ESt17basic_string_viewIcSt11char_traitsIcEE"), nullptr);
    EXPECT_NE(api.dirnav() & UVEN_DIRNAV_INIT_OK, 0);
    sim.SimSetDirnavResult(0);
    EXPECT_EQ(api.dirnav(), 0);
    EXPECT_EQ(api.TestCnc(), 1);
}

TEST(SimCncVariants, MissingVariantLacksOnlyLquote) {
    void* lib = dlopen(LibraryPath("/missing").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    UvenEntries e;
    e.Bind(lib);
    EXPECT_EQ(e.missing, 1);
    EXPECT_EQ(e.lquote, nullptr);
    EXPECT_NE(e.GetDatiCncEx, nullptr);
    EXPECT_NE(e.TstCmdCnc, nullptr);
    dlclose(lib);
}

TEST(SimCncVariants, BrokenVariantFailsToLoad) {
    void* lib = dlopen(LibraryPath("/broken").c_str(), RTLD_NOW | RTLD_LOCAL);
    EXPECT_EQ(lib, nullptr);
    if (lib) dlclose(lib);
}

// ---- R variables ------------------------------------------------------------------------------

TEST_F(SimCnc, ReadsAndWritesRVariables) {
    EXPECT_FLOAT_EQ(Read(3), 2.1f);
    EXPECT_FLOAT_EQ(Read(4), 5.4f);
    EXPECT_FLOAT_EQ(Read(5), 3.0f);
    EXPECT_EQ(Read(700), 1.0f);
    EXPECT_EQ(Read(813), 1.0f);
    EXPECT_EQ(Read(814), 1.0f);
    EXPECT_EQ(Read(453), 1.0f);
    EXPECT_EQ(Read(456), 1.0f);

    EXPECT_EQ(Write(599, 4321.0f), 4);
    EXPECT_EQ(Read(599), 4321.0f);
    EXPECT_EQ(sim.SimGetR(599), 4321.0);
    EXPECT_EQ(Write(9999, -0.5f), 4);
    EXPECT_EQ(Read(9999), -0.5f);

    float three[3] = {1.0f, 2.0f, 3.0f};
    EXPECT_EQ(api.SetDatiCncEx(UVEN_KIND_R, 470, 3, three), 12);
    float back[3] = {};
    EXPECT_EQ(api.GetDatiCncEx(UVEN_KIND_R, 470, 3, back), 12);
    EXPECT_EQ(back[2], 3.0f);

    ASSERT_EQ(sim.SimRWriteLogCount(), 5);
    int n = 0;
    double v = 0;
    EXPECT_EQ(sim.SimRWriteLogEntry(0, &n, &v), 0);
    EXPECT_EQ(n, 599);
    EXPECT_EQ(v, 4321.0);
    EXPECT_EQ(sim.SimRWriteLogEntry(4, &n, &v), 0);
    EXPECT_EQ(n, 472);
    EXPECT_EQ(sim.SimRWriteLogEntry(5, &n, &v), -1);

    sim.SimSetR(100, 1e300); // beyond a 32-bit real: handed out clamped, never undefined
    EXPECT_EQ(Read(100), FLT_MAX);
    EXPECT_EQ(sim.SimSetR(10000, 1.0), -1);
}

TEST_F(SimCnc, RefusesBadRequestsWithoutTouchingTheBuffer) {
    float v = 7.0f;
    EXPECT_EQ(api.GetDatiCncEx(2, 599, 1, &v), UVEN_RW_BAD_KIND);
    EXPECT_EQ(api.GetDatiCncEx(UVEN_KIND_R, 10000, 1, &v), UVEN_RW_BAD_ARG);
    EXPECT_EQ(api.GetDatiCncEx(UVEN_KIND_R, -1, 1, &v), UVEN_RW_BAD_ARG);
    EXPECT_EQ(api.GetDatiCncEx(UVEN_KIND_R, 9999, 2, &v), UVEN_RW_BAD_ARG);
    EXPECT_EQ(api.GetDatiCncEx(UVEN_KIND_R, 1, 0, &v), UVEN_RW_BAD_ARG);
    EXPECT_EQ(api.GetDatiCncEx(UVEN_KIND_R, 1, 1, nullptr), UVEN_RW_BAD_ARG);
    EXPECT_EQ(api.SetDatiCncEx(UVEN_KIND_R, 10000, 1, &v), UVEN_RW_BAD_ARG);
    EXPECT_EQ(v, 7.0f);
    EXPECT_EQ(sim.SimRWriteLogCount(), 0);

    float plc = 9.0f;
    EXPECT_EQ(api.SetDatiPlcEx(UVEN_KIND_R, 10, 1, &plc), 4);
    plc = 0.0f;
    EXPECT_EQ(api.GetDatiPlcEx(UVEN_KIND_R, 10, 1, &plc), 4);
    EXPECT_EQ(plc, 9.0f);
    EXPECT_EQ(Read(10), 0.0f); // PLC memory is apart from the R variables
    EXPECT_EQ(api.GetDatiPlcEx(UVEN_KIND_R, UVEN_PLC_COUNT, 1, &plc), UVEN_RW_BAD_ARG);
}

TEST_F(SimCnc, ScriptedReadAndWriteFailures) {
    sim.SimSetFailNextRead(UVEN_RW_NOT_READY, 2);
    float v = 5.0f;
    EXPECT_EQ(api.GetDatiCncEx(UVEN_KIND_R, 3, 1, &v), 0);
    EXPECT_EQ(api.GetDatiCncEx(UVEN_KIND_R, 3, 1, &v), 0);
    EXPECT_EQ(v, 5.0f);
    EXPECT_EQ(api.GetDatiCncEx(UVEN_KIND_R, 3, 1, &v), 4);
    EXPECT_FLOAT_EQ(v, 2.1f);

    sim.SimSetFailNextRead(-7, 1);
    EXPECT_EQ(static_cast<uint16_t>(api.GetDatiCncEx(UVEN_KIND_R, 3, 1, &v)), 65529);

    sim.SimSetFailNextWrite(1, 1);
    EXPECT_EQ(Write(599, 1.0f), 1);
    EXPECT_EQ(sim.SimGetR(599), 0.0);
    EXPECT_EQ(sim.SimRWriteLogCount(), 0);
    EXPECT_EQ(Write(599, 1.0f), 4);
}

// ---- Commands ---------------------------------------------------------------------------------

TEST_F(SimCnc, AcceptedCommandRunsUntilTstCmdCncReportsIdle) {
    EXPECT_EQ(api.TstCmdCnc(), UVEN_TST_IDLE);
    EXPECT_EQ(Word(1) & UVEN_STACN_W2_AUTO_SELECTED, 0u);
    EXPECT_EQ(api.SendCnc(7, 151, nullptr), UVEN_CMD_ACCEPTED);
    EXPECT_NE(Word(1) & UVEN_STACN_W2_AUTO_SELECTED, 0u);
    EXPECT_EQ(api.SendCnc(7, 85, nullptr), UVEN_CMD_BUSY); // the first one still runs
    EXPECT_NE(api.TstCmdCnc(), 0);
    EXPECT_EQ(api.TstCmdCnc(), UVEN_TST_IDLE);
    EXPECT_EQ(api.SendCnc(7, 85, nullptr), UVEN_CMD_ACCEPTED);

    sim.SimSetCommandResponse(SIM_CMD_RUN_CALLS, 0);
    EXPECT_EQ(api.SendCnc(7, 87, nullptr), UVEN_CMD_BUSY); // 85 still reports running once
    EXPECT_NE(api.TstCmdCnc(), 0);
    EXPECT_EQ(api.SendCnc(7, 87, nullptr), UVEN_CMD_ACCEPTED);
    EXPECT_EQ(api.TstCmdCnc(), UVEN_TST_IDLE);

    EXPECT_EQ(api.SendCnc(9, 1, nullptr), UVEN_CMD_REFUSED);
    EXPECT_EQ(api.SendCnc(7, 999, nullptr), UVEN_CMD_REFUSED);
    EXPECT_EQ(api.SendCnc(4, 0, nullptr), UVEN_CMD_REFUSED);
    EXPECT_EQ(api.SendCnc(4, 0, std::string(64, 'A').c_str()), UVEN_CMD_REFUSED);

    ASSERT_EQ(sim.SimCommandLogCount(), 9);
    int code = 0, sub = 0, result = 0;
    EXPECT_EQ(CommandText(sim, 0, &code, &sub, &result), "");
    EXPECT_EQ(code, 7);
    EXPECT_EQ(sub, 151);
    EXPECT_EQ(result, 0);
    CommandText(sim, 1, &code, &sub, &result);
    EXPECT_EQ(sub, 85);
    EXPECT_EQ(result, UVEN_CMD_BUSY);
}

TEST_F(SimCnc, ScriptedBusyRefusalAndNeverFinishingCommand) {
    sim.SimSetCommandResponse(SIM_CMD_BUSY_NEXT, 2);
    EXPECT_EQ(api.SendCnc(7, 151, nullptr), UVEN_CMD_BUSY);
    EXPECT_EQ(api.SendCnc(7, 151, nullptr), UVEN_CMD_BUSY);
    EXPECT_EQ(Word(1), 0u);
    EXPECT_EQ(api.SendCnc(7, 151, nullptr), UVEN_CMD_ACCEPTED);
    api.TstCmdCnc();

    sim.SimSetCommandResponse(SIM_CMD_REFUSE_NEXT, 12);
    EXPECT_EQ(api.SendCnc(7, 85, nullptr), 12);
    EXPECT_EQ(api.SendCnc(7, 85, nullptr), UVEN_CMD_ACCEPTED);
    api.TstCmdCnc();
    sim.SimSetCommandResponse(SIM_CMD_REFUSE_NEXT, UVEN_CMD_BUSY); // a refusal is never 33
    EXPECT_EQ(api.SendCnc(7, 85, nullptr), UVEN_CMD_REFUSED);

    sim.SimSetCommandResponse(SIM_CMD_NEVER_FINISH, 0);
    EXPECT_EQ(api.SendCnc(7, 85, nullptr), UVEN_CMD_ACCEPTED);
    for (int i = 0; i < 100; ++i) ASSERT_NE(api.TstCmdCnc(), 0);
    EXPECT_EQ(api.SendCnc(7, 85, nullptr), UVEN_CMD_BUSY);
    sim.SimSetCommandResponse(SIM_CMD_NORMAL, 0);
    EXPECT_EQ(api.TstCmdCnc(), UVEN_TST_IDLE);
    EXPECT_EQ(api.SendCnc(7, 85, nullptr), UVEN_CMD_ACCEPTED);
}

TEST_F(SimCnc, EmergencyRefusesCommands) {
    sim.SimEmergency(1);
    EXPECT_EQ(Read(454), 1.0f);
    EXPECT_EQ(api.SendCnc(7, 151, nullptr), UVEN_CMD_EMERGENCY);
    sim.SimEmergency(0);
    EXPECT_EQ(Read(454), 0.0f);
    EXPECT_EQ(api.SendCnc(7, 151, nullptr), UVEN_CMD_ACCEPTED);
}

// ---- Status, overrides, axes, alarms, messages -------------------------------------------------

TEST_F(SimCnc, StatusWordsOverridesAndAxes) {
    sim.SimSetStatusWords(0x11, 0x200, 0x3);
    uint16_t w[3] = {};
    EXPECT_EQ(api.get_stacn(w), UVEN_OK);
    EXPECT_EQ(w[0], 0x11);
    EXPECT_EQ(w[1], 0x200);
    EXPECT_EQ(w[2], 0x3);
    EXPECT_EQ(api.get_stacn(nullptr), UVEN_ERR_ARG);

    sim.SimSetOverrides(0.75, 1.2);
    float rec[UVEN_VELOVR_REALS] = {};
    EXPECT_EQ(api.GetVelOvr(rec), UVEN_OK);
    float feed = 0, spindle = 0;
    std::memcpy(&feed, reinterpret_cast<const char*>(rec) + 12, sizeof feed);
    std::memcpy(&spindle, reinterpret_cast<const char*>(rec) + 20, sizeof spindle);
    EXPECT_EQ(feed, 0.75f);
    EXPECT_EQ(spindle, 1.2f);

    const double pos[UVEN_AXIS_COUNT] = {1.5, 2, 3, 4, 5, 6, 72, 73, 88, 89, 90, 91};
    sim.SimSetAxes(pos, UVEN_AXIS_COUNT);
    EXPECT_EQ(Read(600), 1.5f);
    EXPECT_EQ(Read(605), 6.0f);
    EXPECT_EQ(Read(672), 72.0f);
    EXPECT_EQ(Read(673), 73.0f);
    EXPECT_EQ(Read(688), 88.0f);
    EXPECT_EQ(Read(691), 91.0f);
    float all[UVEN_AXIS_COUNT] = {};
    EXPECT_EQ(api.get_assicn(all), UVEN_OK);
    EXPECT_EQ(all[7], 73.0f);
    float one = 0;
    EXPECT_EQ(api.lquote(9, &one), UVEN_OK);
    EXPECT_EQ(one, 89.0f);
    EXPECT_EQ(api.lquote(12, &one), UVEN_ERR_ARG);

    uint16_t conf[UVEN_CONF_WORDS] = {};
    for (int variant = 0; variant < 3; ++variant) {
        sim.SimSetVariantRegs(variant);
        EXPECT_EQ(api.get_confcn(conf), UVEN_OK);
        EXPECT_EQ(conf[0], UVEN_AXIS_COUNT);
        EXPECT_EQ(conf[1], variant);
    }
    EXPECT_EQ(Read(700), 0.0f);
    EXPECT_EQ(Read(813), 1.0f);
}

TEST_F(SimCnc, AlarmsAndMessagesAppearInR420ToR434) {
    EXPECT_EQ(sim.SimRaiseAlarm(101), 0);
    EXPECT_EQ(sim.SimRaiseAlarm(205), 1);
    EXPECT_EQ(sim.SimRaiseAlarm(101), 0); // already active
    float r[15] = {};
    EXPECT_EQ(api.GetDatiCncEx(UVEN_KIND_R, 420, 15, r), 60);
    EXPECT_EQ(r[0], 101.0f);
    EXPECT_EQ(r[1], 205.0f);
    EXPECT_EQ(r[2], 0.0f);
    int16_t alarms[10] = {};
    EXPECT_EQ(api.LegAllAtt(alarms), 2);
    EXPECT_EQ(alarms[1], 205);

    EXPECT_EQ(sim.SimClearAlarm(101), 0);
    EXPECT_EQ(Read(420), 205.0f);
    EXPECT_EQ(Read(421), 0.0f);
    EXPECT_EQ(sim.SimClearAlarm(101), -1);

    for (int i = 0; i < 9; ++i) EXPECT_EQ(sim.SimRaiseAlarm(1000 + i), i + 1);
    EXPECT_EQ(sim.SimRaiseAlarm(2000), -1); // all ten taken
    EXPECT_EQ(sim.SimRaiseAlarm(0), -1);
    EXPECT_EQ(Read(429), 1008.0f);
    EXPECT_EQ(sim.SimClearAlarm(0), 0);
    EXPECT_EQ(api.LegAllAtt(alarms), 0);

    EXPECT_EQ(sim.SimSetMessage(0, 12), 0);
    EXPECT_EQ(sim.SimSetMessage(4, 99), 0);
    EXPECT_EQ(sim.SimSetMessage(5, 1), -1);
    EXPECT_EQ(Read(430), 12.0f);
    EXPECT_EQ(Read(434), 99.0f);
}

TEST_F(SimCnc, ProgramStateTextOverrideIsBounded) {
    EXPECT_EQ(StateText(), "");
    sim.SimSetProgramStateText("PROG.ISO");
    EXPECT_EQ(StateText(), "PROG.ISO");
    sim.SimSetProgramStateText(std::string(200, 'Q').c_str());
    EXPECT_EQ(StateText().size(), static_cast<size_t>(UVEN_STAPRO_SIZE - 1));
    sim.SimSetProgramStateText(nullptr);
    EXPECT_EQ(StateText(), "");
}
