#include "sim_machine.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/text.h"

namespace simcnc {

const int kAxisR[UVEN_AXIS_COUNT] = {600, 601, 602, 603, 604, 605, 672, 673, 688, 689, 690, 691};

namespace {

constexpr size_t kLogCapacity = 4096;
constexpr long kMaxProgramBytes = 16L * 1024 * 1024;
constexpr int64_t kMaxBlocksPerStep = 1'000'000; // bounds a looping program
constexpr int64_t kMaxDwellMs = 3'600'000;

// Variables the controller keeps after a reset.
void SetDefaults(State& s) {
    s.r[3] = 2.1;   // PLC version
    s.r[4] = 5.4;   // CNC version
    s.r[5] = 3.0;   // CNC OS version
    s.r[450] = 0.0; // automatic mode
    s.r[453] = 1.0; // axes referenced: positions valid
    s.r[456] = 1.0; // CNC on
    s.r[700] = 1.0; // machine variant 1 (R700, R813, R814 all set)
    s.r[813] = 1.0;
    s.r[814] = 1.0;
}

// The machine the controller describes at power-on: "SIMCNC.INI" in the work directory,
// section [MACHINE], one key per R variable the program reads for its machine variant and
// options ("R700=1"). Without the file the machine is the variant 1 of SetDefaults. A value
// that is not a number refuses the whole file: no variable is taken from it and the reason
// is the library's last error, so a damaged description never passes for a machine.
constexpr int kMachineVars[] = {700, 813, 814, 727, 886, 7040, 7101, 821, 7007, 7011};

void ApplyMachineDescription(State& s) {
    const std::string file = plat::NativePath(s.workDir + "SIMCNC.INI");
    if (plat::FindExisting(file).empty()) return;
    double values[std::size(kMachineVars)] = {};
    bool given[std::size(kMachineVars)] = {};
    for (size_t i = 0; i < std::size(kMachineVars); ++i) {
        const std::string key = "R" + std::to_string(kMachineVars[i]);
        const std::string text = plat::ReadProfileString("MACHINE", key.c_str(), "", file.c_str());
        if (text.empty()) continue;
        if (!plat::ParseDouble(text, values[i])) {
            s.lastError = "SIMCNC.INI: [MACHINE] " + key + " is not a number";
            std::fprintf(stderr, "simulated controller: %s\n", s.lastError.c_str());
            return;
        }
        given[i] = true;
    }
    for (size_t i = 0; i < std::size(kMachineVars); ++i)
        if (given[i]) s.r[static_cast<size_t>(kMachineVars[i])] = values[i];
}

template <typename T>
void PushCapped(std::deque<T>& log, T entry) {
    if (log.size() >= kLogCapacity) log.pop_front();
    log.push_back(std::move(entry));
}

// Whole file through the system's path mapping, at most kMaxProgramBytes.
bool ReadFileMapped(const std::string& path, std::string& out) {
    FILE* f = plat::OpenFile(path, "rb");
    if (!f) return false;
    out.clear();
    char buf[8192];
    size_t n = 0;
    bool ok = true;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        if (static_cast<long>(out.size() + n) > kMaxProgramBytes) {
            ok = false;
            break;
        }
        out.append(buf, n);
    }
    if (std::ferror(f)) ok = false;
    std::fclose(f);
    return ok;
}

std::string_view TrimLine(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

std::string_view FileNameOf(std::string_view path) {
    size_t cut = path.find_last_of("\\/");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

bool RangeOk(int32_t number, int16_t count, const void* values, int size) {
    return values != nullptr && count >= 1 && count <= UVEN_MAX_TRANSFER && number >= 0 &&
           number <= size - count;
}

} // namespace

Machine::Machine() {
    SetDefaults(s);
    ApplyMachineDescription(s);
}

Machine& Machine::Get() {
    static Machine machine; // lives as long as the library is loaded
    return machine;
}

void Machine::Reset() {
    s = State{};
    SetDefaults(s);
    ApplyMachineDescription(s);
}

float Machine::ToFloat(double v) {
    if (std::isnan(v)) return 0.0f;
    if (v > FLT_MAX) return FLT_MAX;
    if (v < -FLT_MAX) return -FLT_MAX;
    return static_cast<float>(v);
}

// ---- R and PLC variables ------------------------------------------------------------------

int16_t Machine::ReadR(int16_t kind, int32_t number, int16_t count, float* values) {
    if (s.failReadCount > 0) {
        --s.failReadCount;
        return static_cast<int16_t>(s.failReadResult);
    }
    if (s.failVarCount != 0 && kind == UVEN_KIND_R && s.failVarNumber >= number &&
        s.failVarNumber < number + count) {
        if (s.failVarCount > 0) --s.failVarCount;
        return static_cast<int16_t>(s.failVarResult);
    }
    if (kind != UVEN_KIND_R) return UVEN_RW_BAD_KIND;
    if (!RangeOk(number, count, values, UVEN_R_COUNT)) return UVEN_RW_BAD_ARG;
    for (int i = 0; i < count; ++i) values[i] = ToFloat(s.r[static_cast<size_t>(number + i)]);
    return static_cast<int16_t>(count * UVEN_RW_BYTES_PER_REAL);
}

int16_t Machine::WriteR(int16_t kind, int32_t number, int16_t count, const float* values) {
    if (s.failWriteCount > 0) {
        --s.failWriteCount;
        return static_cast<int16_t>(s.failWriteResult);
    }
    if (kind != UVEN_KIND_R) return UVEN_RW_BAD_KIND;
    if (!RangeOk(number, count, values, UVEN_R_COUNT)) return UVEN_RW_BAD_ARG;
    for (int i = 0; i < count; ++i) {
        int n = number + i;
        s.r[static_cast<size_t>(n)] = values[i];
        PushCapped(s.rWriteLog, RWriteLogEntry{n, static_cast<double>(values[i])});
        // R481 is the program's request for an immediate stop.
        if (n == 481 && values[i] != 0.0f && Running()) Abort();
    }
    return static_cast<int16_t>(count * UVEN_RW_BYTES_PER_REAL);
}

int16_t Machine::ReadPlc(int16_t kind, int32_t number, int16_t count, float* values) {
    if (kind != UVEN_KIND_R) return UVEN_RW_BAD_KIND;
    if (!RangeOk(number, count, values, UVEN_PLC_COUNT)) return UVEN_RW_BAD_ARG;
    for (int i = 0; i < count; ++i) values[i] = ToFloat(s.plc[static_cast<size_t>(number + i)]);
    return static_cast<int16_t>(count * UVEN_RW_BYTES_PER_REAL);
}

int16_t Machine::WritePlc(int16_t kind, int32_t number, int16_t count, const float* values) {
    if (kind != UVEN_KIND_R) return UVEN_RW_BAD_KIND;
    if (!RangeOk(number, count, values, UVEN_PLC_COUNT)) return UVEN_RW_BAD_ARG;
    for (int i = 0; i < count; ++i) s.plc[static_cast<size_t>(number + i)] = values[i];
    return static_cast<int16_t>(count * UVEN_RW_BYTES_PER_REAL);
}

int Machine::VariantCode() const {
    bool r700 = s.r[700] != 0.0, r813 = s.r[813] != 0.0, r814 = s.r[814] != 0.0;
    if (r700 && !r813 && !r814) return 0;
    if (r700 && r813 && r814) return 1;
    if (!r700 && r813 && r814) return 2;
    return -1;
}

float Machine::AxisPosition(int axis) const { return ToFloat(s.r[static_cast<size_t>(kAxisR[axis])]); }

// ---- Commands -----------------------------------------------------------------------------

int16_t Machine::Send(uint16_t code, uint16_t subCode, const char* text) {
    int16_t result = UVEN_CMD_ACCEPTED;
    if (s.refuseNext != 0) {
        result = static_cast<int16_t>(s.refuseNext);
        s.refuseNext = 0;
    } else if (s.busyNext > 0) {
        --s.busyNext;
        result = UVEN_CMD_BUSY;
    } else if (s.commandNeverEnds || s.commandRunningLeft > 0) {
        result = UVEN_CMD_BUSY; // the last command still runs
    } else if (s.r[454] != 0.0) {
        result = UVEN_CMD_EMERGENCY;
    } else if (text && std::strlen(text) > UVEN_CMD_TEXT_MAX) {
        result = UVEN_CMD_REFUSED;
    } else {
        result = Execute(code, subCode, text);
        if (result == UVEN_CMD_ACCEPTED) {
            s.commandRunningLeft = s.commandRunCalls;
            if (s.neverFinishArmed) {
                s.neverFinishArmed = false;
                s.commandNeverEnds = true;
            }
        }
    }
    CommandLogEntry entry;
    entry.code = code;
    entry.subCode = subCode;
    if (text) entry.text.assign(text, strnlen(text, UVEN_CMD_TEXT_MAX + 1));
    entry.result = result;
    PushCapped(s.commandLog, std::move(entry));
    return result;
}

int16_t Machine::Execute(uint16_t code, uint16_t subCode, const char* text) {
    if (code == UVEN_CMD_CODE_MODE) {
        switch (subCode) {
        case UVEN_CMD_SUB_SELECT_AUTO:
            if (Running()) return UVEN_CMD_WRONG_STATE;
            s.words[1] = static_cast<uint16_t>(s.words[1] | UVEN_STACN_W2_AUTO_SELECTED);
            return UVEN_CMD_ACCEPTED;
        case UVEN_CMD_SUB_RESET_PROGRAM:
            if (Running()) return UVEN_CMD_WRONG_STATE;
            s.words[2] = 0;
            s.runState = SIM_RUN_IDLE;
            return UVEN_CMD_ACCEPTED;
        case UVEN_CMD_SUB_87:
            return UVEN_CMD_ACCEPTED;
        default:
            return UVEN_CMD_REFUSED;
        }
    }
    if (code == UVEN_CMD_CODE_START && subCode == 0) {
        if (!text || !*text) return UVEN_CMD_REFUSED;
        if (Running()) return UVEN_CMD_WRONG_STATE;
        return StartProgram(text);
    }
    return UVEN_CMD_REFUSED;
}

int16_t Machine::TestCommand() {
    if (s.commandNeverEnds) return UVEN_TST_RUNNING;
    if (s.commandRunningLeft > 0) {
        --s.commandRunningLeft;
        return UVEN_TST_RUNNING;
    }
    return UVEN_TST_IDLE;
}

// Loads the program named in "FILLAV.TAB" and starts it.
int16_t Machine::StartProgram(const char* name) {
    std::string tabPath = s.workDir + "FILLAV.TAB";
    std::string tab;
    if (!ReadFileMapped(tabPath, tab)) {
        s.lastError = "cannot read " + tabPath;
        return UVEN_CMD_NO_PROGRAM;
    }
    std::string programPath;
    std::string_view rest = tab;
    while (!rest.empty()) {
        size_t end = rest.find('\n');
        std::string_view line = TrimLine(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!line.empty() && plat::EqualsNoCase(FileNameOf(line), name)) {
            programPath.assign(line);
            break;
        }
    }
    if (programPath.empty()) {
        s.lastError = std::string("program ") + name + " not listed in " + tabPath;
        return UVEN_CMD_NO_PROGRAM;
    }
    std::string text;
    if (!ReadFileMapped(programPath, text)) {
        s.lastError = "cannot read program " + programPath;
        return UVEN_CMD_NO_PROGRAM;
    }
    s.lastError.clear();
    StartRun(ParsePartProgram(text), name);
    return UVEN_CMD_ACCEPTED;
}

std::string Machine::ProgramStateText() const {
    if (s.stateTextOverride) return s.stateText;
    if (!Running()) return std::string();
    return s.currentCall.empty() ? s.programName : s.currentCall;
}

// ---- Program run ----------------------------------------------------------------------------

void Machine::StartRun(PartProgram program, const std::string& name) {
    s.program = std::move(program);
    s.programName = name;
    s.pc = 0;
    s.frames.clear();
    s.runMs = 0;
    s.runState = SIM_RUN_RUNNING;
    s.r[452] = 1.0;
    s.words[2] = UVEN_STACN_W3_ACTIVE;
    EnterBlock();
}

void Machine::EnterBlock() {
    s.currentCall.clear();
    if (s.pc >= s.program.blocks.size()) {
        Finish();
        return;
    }
    const Block& b = s.program.blocks[s.pc];
    switch (b.kind) {
    case BlockKind::Call:
        s.blockLeftMs = s.callMs;
        s.currentCall = b.name;
        break;
    case BlockKind::Dwell: {
        double ms = b.value * 1000.0;
        s.blockLeftMs = ms > static_cast<double>(kMaxDwellMs) ? kMaxDwellMs : static_cast<int64_t>(ms);
        break;
    }
    default:
        s.blockLeftMs = s.blockMs;
        break;
    }
}

void Machine::CompleteBlock() {
    const Block& b = s.program.blocks[s.pc];
    size_t next = s.pc + 1;
    bool jumped = false;
    switch (b.kind) {
    case BlockKind::Assign:
        s.r[static_cast<size_t>(b.target)] = (b.source >= 0 ? s.r[static_cast<size_t>(b.source)] : 0.0) + b.value;
        break;
    case BlockKind::JumpIf:
        // Compared as the controller's 32-bit reals.
        if (ToFloat(s.r[static_cast<size_t>(b.source)]) == ToFloat(b.value)) {
            size_t target = s.program.IndexOf(b.jumpLabel);
            if (target < s.program.blocks.size()) {
                next = target;
                jumped = true;
                // Leaving a repeated range ends its repetition.
                while (!s.frames.empty() && (target < s.frames.back().first || target > s.frames.back().last))
                    s.frames.pop_back();
            }
        }
        break;
    case BlockKind::Repeat: {
        size_t first = s.program.IndexOf(b.jumpLabel);
        size_t last = s.program.IndexOf(b.lastLabel);
        if (b.count > 0 && first <= last && last < s.pc) {
            s.frames.push_back(State::Frame{first, last, s.pc + 1, b.count});
            next = first;
            jumped = true;
        }
        break;
    }
    default:
        break;
    }
    if (!jumped && !s.frames.empty() && s.pc == s.frames.back().last) {
        State::Frame& f = s.frames.back();
        if (--f.remaining > 0) {
            next = f.first;
        } else {
            next = f.ret;
            s.frames.pop_back();
        }
    }
    s.pc = next;
    EnterBlock();
}

void Machine::Finish() {
    s.runState = SIM_RUN_ENDED;
    s.currentCall.clear();
    s.r[452] = 0.0;
    s.words[2] = UVEN_STACN_W3_END;
    s.r[485] = static_cast<double>(s.runMs) / 60000.0; // run time in minutes
}

void Machine::Abort() {
    if (!Running()) return;
    s.runState = SIM_RUN_ABORTED;
    s.currentCall.clear();
    s.r[452] = 0.0;
    s.words[2] = 0;
}

void Machine::Advance(int64_t ms) {
    if (ms < 0) ms = 0;
    int64_t guard = 0;
    // The run pauses while the hold (R451) is on.
    while (Running() && s.r[451] == 0.0) {
        if (s.blockLeftMs > ms) {
            s.blockLeftMs -= ms;
            s.runMs += ms;
            return;
        }
        ms -= s.blockLeftMs;
        s.runMs += s.blockLeftMs;
        s.blockLeftMs = 0;
        CompleteBlock();
        if (++guard >= kMaxBlocksPerStep) return;
    }
}

int Machine::StepBlocks(int64_t blocks) {
    if (blocks < 0 || blocks > kMaxBlocksPerStep) blocks = kMaxBlocksPerStep;
    for (int64_t i = 0; i < blocks && Running(); ++i) {
        s.runMs += s.blockLeftMs;
        s.blockLeftMs = 0;
        CompleteBlock();
    }
    return Running() ? 1 : 0;
}

} // namespace simcnc
