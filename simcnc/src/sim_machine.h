#pragma once
// The simulated machine behind the controller library's entry points: R variables,
// command protocol, status words, overrides, alarms, and the run of a part program in
// simulated time. One instance per process; every call holds its lock.
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "part_program.h"
#include "simcnc/simcnc.h"

namespace simcnc {

struct CommandLogEntry {
    int code = 0;
    int subCode = 0;
    std::string text;
    int result = 0;
};

struct RWriteLogEntry {
    int number = 0;
    double value = 0.0;
};

struct State {
    std::vector<double> r = std::vector<double>(UVEN_R_COUNT, 0.0);
    std::vector<double> plc = std::vector<double>(UVEN_PLC_COUNT, 0.0);
    uint16_t words[UVEN_STACN_WORDS] = {0, 0, 0};
    double feedOverride = 1.0;
    double spindleOverride = 1.0;
    int dirnavResult = UVEN_DIRNAV_INIT_OK;

    // Command protocol.
    int commandRunCalls = 1;   // TstCmdCnc calls an accepted command reports running
    int commandRunningLeft = 0;
    bool neverFinishArmed = false;
    bool commandNeverEnds = false;
    int refuseNext = 0;        // non-zero: the next SendCnc answers this
    int busyNext = 0;          // the next n SendCnc calls answer 33
    std::deque<CommandLogEntry> commandLog;
    std::deque<RWriteLogEntry> rWriteLog;

    // Fault injection on R access.
    int failReadResult = 0, failReadCount = 0;
    int failWriteResult = 0, failWriteCount = 0;
    int failVarNumber = -1, failVarResult = 0, failVarCount = 0; // count < 0: for ever
    int failVelOvrResult = 0, failVelOvrCount = 0;
    int failStaProResult = 0, failStaProCount = 0;

    std::string workDir = "C:\\UVEN\\LAV\\LAV\\";
    std::string lastError;
    bool stateTextOverride = false;
    std::string stateText;

    // Simulated time.
    int64_t autoAdvanceMs = 10;
    int64_t blockMs = 10;
    int64_t callMs = 500;

    // Program run.
    struct Frame {
        size_t first = 0, last = 0, ret = 0;
        int64_t remaining = 0;
    };
    PartProgram program;
    std::string programName;
    size_t pc = 0;
    std::vector<Frame> frames;
    int64_t blockLeftMs = 0; // time still needed by the current block
    int64_t runMs = 0;       // simulated time the run has taken
    int runState = SIM_RUN_IDLE;
    std::string currentCall;
};

class Machine {
public:
    static Machine& Get();
    Machine();

    std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(mutex_); }

    // Call at the start of every entry point: simulated time moves on.
    void OnEntryCall() { Advance(s.autoAdvanceMs); }

    void Reset();

    // Entry points (callers hold the lock).
    int16_t ReadR(int16_t kind, int32_t number, int16_t count, float* values);
    int16_t WriteR(int16_t kind, int32_t number, int16_t count, const float* values);
    int16_t ReadPlc(int16_t kind, int32_t number, int16_t count, float* values);
    int16_t WritePlc(int16_t kind, int32_t number, int16_t count, const float* values);
    int16_t Send(uint16_t code, uint16_t subCode, const char* text);
    int16_t TestCommand();
    std::string ProgramStateText() const;
    int VariantCode() const; // 0, 1, 2 from R700/R813/R814, -1 when no variant matches
    float AxisPosition(int axis) const;

    bool Running() const { return s.runState == SIM_RUN_RUNNING; }

    // Control.
    void Advance(int64_t ms);
    int StepBlocks(int64_t blocks);
    void Abort();
    static float ToFloat(double v);

    State s;

private:
    int16_t Execute(uint16_t code, uint16_t subCode, const char* text);
    int16_t StartProgram(const char* name);
    void StartRun(PartProgram program, const std::string& name);
    void EnterBlock();
    void CompleteBlock();
    void Finish();

    std::mutex mutex_;
};

// R numbers of the axes X Y Z U A B V W C P H Q.
extern const int kAxisR[UVEN_AXIS_COUNT];

} // namespace simcnc
