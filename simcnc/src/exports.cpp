// The exported C functions of the simulated controller library: the 19 entry points of
// uvenlib_api.h and the Sim* control calls of simcnc.h. Each is declared with the function
// type of its header, so a definition that differs from the header does not compile.
//
// SIMCNC_OMIT_LQUOTE builds the variant without "lquote", SIMCNC_OMIT_GETDATICNCEX the one
// without "GetDatiCncEx" (no R variable can be read), for tests of a library that lacks an
// entry point.
#include <algorithm>
#include <cstring>

#include "platform/paths.h"
#include "sim_machine.h"
#include "simcnc/simcnc.h"
#include "simcnc/uvenlib_api.h"

#define SIMCNC_EXPORT extern "C" __attribute__((visibility("default")))
#define SIMCNC_DECLARE_ENTRY(name) SIMCNC_EXPORT UVEN_FN_##name name;
#define SIMCNC_DECLARE_CONTROL(name) SIMCNC_EXPORT SIMCNC_FN_##name name;
UVEN_FOR_EACH_ENTRY(SIMCNC_DECLARE_ENTRY)
SIMCNC_FOR_EACH_CONTROL(SIMCNC_DECLARE_CONTROL)

using simcnc::Machine;

namespace {

// Lock and let simulated time move, as every entry point does.
struct EntryCall {
    std::unique_lock<std::mutex> lock;
    Machine& m;
    EntryCall() : lock(Machine::Get().Lock()), m(Machine::Get()) { m.OnEntryCall(); }
};

// Lock only: control calls take no simulated time.
struct ControlCall {
    std::unique_lock<std::mutex> lock;
    Machine& m;
    ControlCall() : lock(Machine::Get().Lock()), m(Machine::Get()) {}
};

void FillConfWords(const Machine& m, uint16_t* words) {
    int variant = m.VariantCode();
    words[0] = UVEN_AXIS_COUNT;
    words[1] = variant < 0 ? 0xFFFF : static_cast<uint16_t>(variant);
    words[2] = 0;
    words[3] = 0;
}

bool ValidR(int number) { return number >= 0 && number < UVEN_R_COUNT; }

} // namespace

extern "C" {

// ---- Entry points ---------------------------------------------------------------------------

int16_t dirnav(void) {
    EntryCall c;
    return static_cast<int16_t>(c.m.s.dirnavResult);
}

int16_t TestCnc(void) {
    EntryCall c;
    return c.m.s.r[456] != 0.0 ? 1 : 0;
}

#ifndef SIMCNC_OMIT_GETDATICNCEX
int16_t GetDatiCncEx(int16_t kind, int32_t number, int16_t count, float* values) {
    EntryCall c;
    return c.m.ReadR(kind, number, count, values);
}
#endif

int16_t SetDatiCncEx(int16_t kind, int32_t number, int16_t count, const float* values) {
    EntryCall c;
    return c.m.WriteR(kind, number, count, values);
}

int16_t GetDatiPlcEx(int16_t kind, int32_t number, int16_t count, float* values) {
    EntryCall c;
    return c.m.ReadPlc(kind, number, count, values);
}

int16_t SetDatiPlcEx(int16_t kind, int32_t number, int16_t count, const float* values) {
    EntryCall c;
    return c.m.WritePlc(kind, number, count, values);
}

int16_t get_confecn(uint16_t* words) {
    EntryCall c;
    if (!words) return UVEN_ERR_ARG;
    FillConfWords(c.m, words);
    return UVEN_OK;
}

int16_t get_assicn(float* positions) {
    EntryCall c;
    if (!positions) return UVEN_ERR_ARG;
    for (int i = 0; i < UVEN_AXIS_COUNT; ++i) positions[i] = c.m.AxisPosition(i);
    return UVEN_OK;
}

int16_t get_stacn(uint16_t* words) {
    EntryCall c;
    if (!words) return UVEN_ERR_ARG;
    std::memcpy(words, c.m.s.words, sizeof c.m.s.words);
    return UVEN_OK;
}

int16_t get_confcn(uint16_t* words) {
    EntryCall c;
    if (!words) return UVEN_ERR_ARG;
    FillConfWords(c.m, words);
    return UVEN_OK;
}

#ifndef SIMCNC_OMIT_LQUOTE
int16_t lquote(int16_t axis, float* position) {
    EntryCall c;
    if (!position || axis < 0 || axis >= UVEN_AXIS_COUNT) return UVEN_ERR_ARG;
    *position = c.m.AxisPosition(axis);
    return UVEN_OK;
}
#endif

int16_t GetVelOvr(float* record) {
    EntryCall c;
    if (!record) return UVEN_ERR_ARG;
    if (c.m.s.failVelOvrCount > 0) {
        --c.m.s.failVelOvrCount;
        return static_cast<int16_t>(c.m.s.failVelOvrResult);
    }
    record[0] = 0.0f; // programmed feed
    record[1] = 0.0f; // actual feed
    record[2] = 1.0f; // rapid override
    record[UVEN_VELOVR_FEED] = Machine::ToFloat(c.m.s.feedOverride);
    record[4] = 0.0f; // spindle speed
    record[UVEN_VELOVR_SPINDLE] = Machine::ToFloat(c.m.s.spindleOverride);
    return UVEN_OK;
}

int16_t LegAllAtt(int16_t* alarms) {
    EntryCall c;
    if (!alarms) return UVEN_ERR_ARG;
    int16_t count = 0;
    for (int i = 0; i < 10; ++i) {
        double v = c.m.s.r[static_cast<size_t>(420 + i)];
        alarms[i] = static_cast<int16_t>(std::clamp(v, -32768.0, 32767.0));
        if (alarms[i] != 0) ++count;
    }
    return count;
}

int16_t GetStaPro(char* record) {
    EntryCall c;
    if (!record) return UVEN_ERR_ARG;
    if (c.m.s.failStaProCount > 0) {
        --c.m.s.failStaProCount;
        return static_cast<int16_t>(c.m.s.failStaProResult);
    }
    std::string text = c.m.ProgramStateText();
    size_t n = std::min(text.size(), static_cast<size_t>(UVEN_STAPRO_SIZE - 1));
    std::memcpy(record, text.data(), n);
    record[n] = '\0';
    return UVEN_OK;
}

int16_t GetStaTol(int32_t* record) {
    EntryCall c;
    if (!record) return UVEN_ERR_ARG;
    for (int i = 0; i < UVEN_STATOL_WORDS; ++i) record[i] = 0; // no tool state kept
    return UVEN_OK;
}

int16_t SendCnc(uint16_t code, uint16_t subCode, const char* text) {
    EntryCall c;
    return c.m.Send(code, subCode, text);
}

int16_t SelJog(int16_t axis, int16_t direction) {
    EntryCall c;
    if (axis < 0 || axis >= UVEN_AXIS_COUNT || direction < -1 || direction > 1) return UVEN_CMD_REFUSED;
    if (c.m.Running()) return UVEN_CMD_WRONG_STATE;
    return UVEN_CMD_ACCEPTED; // jogging moves nothing in the simulation
}

int16_t GetDatoCnf(int16_t index, float* value) {
    EntryCall c;
    if (!value) return UVEN_ERR_ARG;
    switch (index) {
    case 0: *value = static_cast<float>(UVEN_AXIS_COUNT); return UVEN_OK;
    case 1: *value = static_cast<float>(c.m.VariantCode()); return UVEN_OK;
    default: return UVEN_ERR_ARG;
    }
}

int16_t TstCmdCnc(void) {
    EntryCall c;
    return c.m.TestCommand();
}

// ---- Control calls ----------------------------------------------------------------------------

void SimReset(void) {
    ControlCall c;
    c.m.Reset();
}

int SimSetR(int number, double value) {
    ControlCall c;
    if (!ValidR(number)) return -1;
    c.m.s.r[static_cast<size_t>(number)] = value;
    return 0;
}

double SimGetR(int number) {
    ControlCall c;
    return ValidR(number) ? c.m.s.r[static_cast<size_t>(number)] : 0.0;
}

void SimSetCommandResponse(int mode, int value) {
    ControlCall c;
    auto& s = c.m.s;
    switch (mode) {
    case SIM_CMD_NORMAL:
        s.refuseNext = 0;
        s.busyNext = 0;
        s.neverFinishArmed = false;
        if (s.commandNeverEnds) s.commandRunningLeft = 0; // the endless command ends now
        s.commandNeverEnds = false;
        break;
    case SIM_CMD_REFUSE_NEXT:
        s.refuseNext = (value == UVEN_CMD_ACCEPTED || value == UVEN_CMD_BUSY) ? UVEN_CMD_REFUSED : value;
        break;
    case SIM_CMD_BUSY_NEXT: s.busyNext = std::max(value, 0); break;
    case SIM_CMD_NEVER_FINISH: s.neverFinishArmed = true; break;
    case SIM_CMD_RUN_CALLS: s.commandRunCalls = std::max(value, 0); break;
    default: break;
    }
}

int SimRaiseAlarm(int number) {
    ControlCall c;
    if (number < 1 || number > 32767) return -1;
    auto& r = c.m.s.r;
    for (int i = 0; i < 10; ++i)
        if (r[static_cast<size_t>(420 + i)] == number) return i;
    for (int i = 0; i < 10; ++i) {
        if (r[static_cast<size_t>(420 + i)] == 0.0) {
            r[static_cast<size_t>(420 + i)] = number;
            return i;
        }
    }
    return -1;
}

int SimClearAlarm(int number) {
    ControlCall c;
    auto& r = c.m.s.r;
    if (number == 0) {
        for (int i = 0; i < 10; ++i) r[static_cast<size_t>(420 + i)] = 0.0;
        return 0;
    }
    for (int i = 0; i < 10; ++i) {
        if (r[static_cast<size_t>(420 + i)] == number) {
            for (int j = i; j < 9; ++j) r[static_cast<size_t>(420 + j)] = r[static_cast<size_t>(421 + j)];
            r[429] = 0.0;
            return 0;
        }
    }
    return -1;
}

int SimSetMessage(int slot, int number) {
    ControlCall c;
    if (slot < 0 || slot > 4) return -1;
    c.m.s.r[static_cast<size_t>(430 + slot)] = number;
    return 0;
}

void SimStopFromNc(void) {
    ControlCall c;
    c.m.s.r[455] = 1.0;
    c.m.Abort();
}

void SimEmergency(int on) {
    ControlCall c;
    c.m.s.r[454] = on ? 1.0 : 0.0;
    if (on) c.m.Abort();
}

int SimStepProgram(int blocks) {
    ControlCall c;
    return c.m.StepBlocks(blocks);
}

void SimAdvance(int ms) {
    ControlCall c;
    c.m.Advance(ms);
}

void SimSetAutoAdvance(int msPerCall) {
    ControlCall c;
    c.m.s.autoAdvanceMs = std::max(msPerCall, 0);
}

void SimSetProgramTiming(int blockMs, int callMs) {
    ControlCall c;
    if (blockMs >= 0) c.m.s.blockMs = blockMs;
    if (callMs >= 0) c.m.s.callMs = callMs;
}

int SimProgramState(void) {
    ControlCall c;
    return c.m.s.runState;
}

int SimProgramBlock(void) {
    ControlCall c;
    return c.m.Running() ? static_cast<int>(c.m.s.pc) : -1;
}

void SimSetAxes(const double* values, int count) {
    ControlCall c;
    if (!values) return;
    count = std::clamp(count, 0, UVEN_AXIS_COUNT);
    for (int i = 0; i < count; ++i) c.m.s.r[static_cast<size_t>(simcnc::kAxisR[i])] = values[i];
}

void SimSetVariantRegs(int variant) {
    ControlCall c;
    auto& r = c.m.s.r;
    switch (variant) {
    case 0: r[700] = 1.0; r[813] = 0.0; r[814] = 0.0; break;
    case 1: r[700] = 1.0; r[813] = 1.0; r[814] = 1.0; break;
    case 2: r[700] = 0.0; r[813] = 1.0; r[814] = 1.0; break;
    default: break;
    }
}

void SimSetOverrides(double feed, double spindle) {
    ControlCall c;
    c.m.s.feedOverride = feed;
    c.m.s.spindleOverride = spindle;
}

void SimSetStatusWords(unsigned w1, unsigned w2, unsigned w3) {
    ControlCall c;
    c.m.s.words[0] = static_cast<uint16_t>(w1);
    c.m.s.words[1] = static_cast<uint16_t>(w2);
    c.m.s.words[2] = static_cast<uint16_t>(w3);
}

void SimGetStatusWords(unsigned* words) {
    ControlCall c;
    if (!words) return;
    for (int i = 0; i < UVEN_STACN_WORDS; ++i) words[i] = c.m.s.words[i];
}

void SimSetProgramStateText(const char* text) {
    ControlCall c;
    if (!text || !*text) {
        c.m.s.stateTextOverride = false;
        c.m.s.stateText.clear();
        return;
    }
    c.m.s.stateTextOverride = true;
    c.m.s.stateText.assign(text, strnlen(text, UVEN_STAPRO_SIZE - 1));
}

int SimCommandLogCount(void) {
    ControlCall c;
    return static_cast<int>(c.m.s.commandLog.size());
}

int SimCommandLogEntry(int index, int* code, int* subCode, char* text, int textSize, int* result) {
    ControlCall c;
    const auto& log = c.m.s.commandLog;
    if (index < 0 || static_cast<size_t>(index) >= log.size()) return -1;
    const auto& e = log[static_cast<size_t>(index)];
    if (code) *code = e.code;
    if (subCode) *subCode = e.subCode;
    if (result) *result = e.result;
    if (text && textSize > 0) {
        size_t n = std::min(e.text.size(), static_cast<size_t>(textSize - 1));
        std::memcpy(text, e.text.data(), n);
        text[n] = '\0';
    }
    return 0;
}

int SimRWriteLogCount(void) {
    ControlCall c;
    return static_cast<int>(c.m.s.rWriteLog.size());
}

int SimRWriteLogEntry(int index, int* number, double* value) {
    ControlCall c;
    const auto& log = c.m.s.rWriteLog;
    if (index < 0 || static_cast<size_t>(index) >= log.size()) return -1;
    const auto& e = log[static_cast<size_t>(index)];
    if (number) *number = e.number;
    if (value) *value = e.value;
    return 0;
}

void SimClearLogs(void) {
    ControlCall c;
    c.m.s.commandLog.clear();
    c.m.s.rWriteLog.clear();
}

void SimSetFailNextRead(int result, int count) {
    ControlCall c;
    c.m.s.failReadResult = result;
    c.m.s.failReadCount = std::max(count, 0);
}

void SimSetFailVariable(int number, int result, int count) {
    ControlCall c;
    c.m.s.failVarNumber = number;
    c.m.s.failVarResult = result;
    c.m.s.failVarCount = count;
}

void SimSetFailStatusCalls(int result, int count) {
    ControlCall c;
    c.m.s.failVelOvrResult = c.m.s.failStaProResult = result == UVEN_OK ? UVEN_ERR_ARG : result;
    c.m.s.failVelOvrCount = c.m.s.failStaProCount = std::max(count, 0);
}

void SimSetFailNextWrite(int result, int count) {
    ControlCall c;
    c.m.s.failWriteResult = result;
    c.m.s.failWriteCount = std::max(count, 0);
}

void SimSetDirnavResult(int result) {
    ControlCall c;
    c.m.s.dirnavResult = result;
}

int SimSetWorkDir(const char* path) {
    ControlCall c;
    if (!path || !*path || std::strlen(path) >= 260) return -1;
    std::string dir(path);
    if (dir.back() != '\\' && dir.back() != '/') dir.push_back(dir.find('\\') != std::string::npos ? '\\' : '/');
    c.m.s.workDir = dir;
    return 0;
}

void SimSetDrivesRoot(const char* path) {
    ControlCall c;
    plat::SetDrivesRoot(path ? path : "");
}

const char* SimLastError(void) {
    ControlCall c;
    return c.m.s.lastError.c_str();
}

} // extern "C"
