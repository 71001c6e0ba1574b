#ifndef SIMCNC_SIMCNC_H
#define SIMCNC_SIMCNC_H
/*
 * Control calls of the simulated controller (libUvenlibVB.so built from simcnc/).
 *
 * The library answers the 19 entry points of uvenlib_api.h from a simulated machine and
 * exports these Sim* calls by name so that tests can script it and read back what the
 * program did. Tests load the library with dlopen, as the program does, and fetch the
 * calls they need with dlsym (simcnc::Controls below fetches them all).
 *
 * The simulated machine
 * - R variables R0..R9999 (reals, handed out as 32-bit floats). After SimReset:
 *   R3 = 2.1, R4 = 5.4, R5 = 3.0 (PLC, CNC and CNC OS versions), R450 = 0 (automatic),
 *   R453 = 1 (axes referenced), R456 = 1 (CNC on), R700 = R813 = R814 = 1 (machine variant 1),
 *   every other variable 0. Then the machine description "SIMCNC.INI" in the work directory,
 *   when there is one, sets the variables the program reads for the machine variant and its
 *   options: section [MACHINE], keys R700, R813, R814, R727, R886, R7040, R7101, R821, R7007,
 *   R7011, each a number ("R813=0"); a missing key keeps the value above. A value that is not
 *   a number refuses the whole file (nothing taken from it; SimLastError names the key).
 *   The description is read when the library is loaded and by SimReset.
 * - Commands: an accepted command reports "running" to the next TstCmdCnc call (see
 *   SimSetCommandResponse for other behaviours); SendCnc while a command runs answers 33.
 *   (7,151) sets status word 2 bit 0x200; (7,85) clears status word 3; (7,87) does nothing;
 *   (4,0,name) loads and starts a part program; any other code is refused.
 *   During an emergency (R454 != 0) every command is refused with UVEN_CMD_EMERGENCY.
 * - Program start (4,0,name): reads "FILLAV.TAB" in the work directory (default
 *   "C:\UVEN\LAV\LAV\", mapped like every Windows path of the system). Each line is a program
 *   path; the one whose file name equals name (ignoring case) is loaded, normally the first.
 *   An unreadable "FILLAV.TAB" or program, or a name not listed, refuses the command with
 *   UVEN_CMD_NO_PROGRAM. Special sub-programs listed after the first line are not opened.
 * - Program run: R452 := 1 and status word 3 := ACTIVE at once; then the blocks of the program
 *   are executed in order as simulated time passes:
 *     "R<n>=<value>", "R<n>=R<m>", "R<n>=R<m>+<k>", "R<n>=R<m>-<k>"  assignments (so the
 *         program's own "R599=<code>", "R590=0" and "R590=R590+1" blocks set the program code
 *         and count the finished pieces in R590);
 *     "L<NAME>"            a sub-program call: takes the call time; GetStaPro shows NAME;
 *     "G4 F<s>"            a dwell of s seconds;
 *     "IF (R<n>==<v>) N<k>" a jump to block N<k> when the variable equals v;
 *     "<RPT:N<a>;N<b>;<c>>" the blocks N<a> to N<b> run c more times;
 *     anything else (moves, "G304CNC", empty blocks) takes the block time and does nothing.
 *   Comments in braces, blank lines and the "%" line are skipped. At the end of the program:
 *   R452 := 0, status word 3 := END, and R485 := the run time in minutes (set once per run).
 *   The run pauses while R451 (hold) is not 0. A stop request (the program writing R481 != 0
 *   through SetDatiCncEx), SimStopFromNc and SimEmergency abort it: R452 := 0, word 3 := 0.
 * - Simulated time: every call of one of the 19 entry points first advances the clock by
 *   10 ms (SimSetAutoAdvance); SimAdvance moves it explicitly; SimStepProgram executes blocks
 *   at once. Block time 10 ms, sub-program call 500 ms (SimSetProgramTiming). Nothing reads the
 *   real clock, so a run is the same every time.
 * - Alarms R420..R429 (alarm numbers, compacted, first free slot first), messages R430..R434.
 *
 * All calls are plain C; indexes start at 0. Nothing here allocates memory for the caller.
 */
#include <stdint.h>

#include "simcnc/uvenlib_api.h"

#ifdef __cplusplus
extern "C" {
#endif

/* SimSetCommandResponse modes. */
#define SIM_CMD_NORMAL 0       /* back to normal (also ends a never-finishing command) */
#define SIM_CMD_REFUSE_NEXT 1  /* the next SendCnc answers value (non-zero, not 33) */
#define SIM_CMD_BUSY_NEXT 2    /* the next value SendCnc calls answer 33 */
#define SIM_CMD_NEVER_FINISH 3 /* the next accepted command reports running until NORMAL/reset */
#define SIM_CMD_RUN_CALLS 4    /* accepted commands report running to the next value TstCmdCnc calls (default 1) */

/* SimProgramState results. */
#define SIM_RUN_IDLE 0    /* no program run since reset (or after (7,85)) */
#define SIM_RUN_RUNNING 1
#define SIM_RUN_ENDED 2   /* reached its end */
#define SIM_RUN_ABORTED 3 /* stopped by R481, R455 or an emergency */

/* Back to the state described above: variables, status, logs, scripted answers, timing,
 * work directory. The drives root (SimSetDrivesRoot) is kept. */
typedef void SIMCNC_FN_SimReset(void);

/* R variables without going through the entry points (not logged, no time passes).
 * SimSetR returns 0, or -1 for a number outside 0..9999; SimGetR gives 0.0 outside. */
typedef int SIMCNC_FN_SimSetR(int number, double value);
typedef double SIMCNC_FN_SimGetR(int number);

/* Scripted command answers, see the SIM_CMD_* modes. */
typedef void SIMCNC_FN_SimSetCommandResponse(int mode, int value);

/* Alarms: SimRaiseAlarm puts a number (1..32767) into the first free of R420..R429 and returns
 * the slot (an alarm already active keeps its slot), -1 when all ten are taken or the number
 * is invalid. SimClearAlarm removes it and moves the later ones up (0 clears all); 0 done,
 * -1 not active. SimSetMessage sets R430+slot (slot 0..4); 0 done, -1 bad slot. */
typedef int SIMCNC_FN_SimRaiseAlarm(int number);
typedef int SIMCNC_FN_SimClearAlarm(int number);
typedef int SIMCNC_FN_SimSetMessage(int slot, int number);

/* The NC stops the program: R455 := 1 and the run aborts. */
typedef void SIMCNC_FN_SimStopFromNc(void);
/* Emergency on (R454 := 1, the run aborts, commands refused) or off (R454 := 0). */
typedef void SIMCNC_FN_SimEmergency(int on);

/* Executes up to blocks blocks of the running program at once (all of it, at most one million blocks, when blocks < 0).
 * Returns 1 while the program still runs afterwards, else 0. */
typedef int SIMCNC_FN_SimStepProgram(int blocks);
/* Moves simulated time on by ms (>= 0). */
typedef void SIMCNC_FN_SimAdvance(int ms);
/* Milliseconds each entry-point call advances the clock (0 freezes it). */
typedef void SIMCNC_FN_SimSetAutoAdvance(int msPerCall);
/* Duration of a plain block and of a sub-program call, in ms (negative keeps the value). */
typedef void SIMCNC_FN_SimSetProgramTiming(int blockMs, int callMs);
/* SIM_RUN_* state of the last program start. */
typedef int SIMCNC_FN_SimProgramState(void);
/* Index (0-based) of the next block of the running program, or -1 when none runs. */
typedef int SIMCNC_FN_SimProgramBlock(void);

/* Axis positions in the order X Y Z U A B V W C P H Q (R600-R605, R672, R673, R688-R691);
 * count at most 12. R453 (positions valid) is set with SimSetR. */
typedef void SIMCNC_FN_SimSetAxes(const double* values, int count);
/* R700, R813 and R814 as the main window reads them for machine variant 0, 1 or 2. */
typedef void SIMCNC_FN_SimSetVariantRegs(int variant);
/* Feed and spindle override as fractions (1.0 = 100 %). */
typedef void SIMCNC_FN_SimSetOverrides(double feed, double spindle);
/* Status words as get_stacn returns them; the program run keeps changing word 3. */
typedef void SIMCNC_FN_SimSetStatusWords(unsigned w1, unsigned w2, unsigned w3);
typedef void SIMCNC_FN_SimGetStatusWords(unsigned* words /* 3 */);
/* Program-state text that GetStaPro returns instead of the simulated one; null or "" ends
 * the override. At most UVEN_STAPRO_SIZE - 1 characters are kept. */
typedef void SIMCNC_FN_SimSetProgramStateText(const char* text);

/* Log of every SendCnc call (code, sub-code, text or "", result) and of every R variable
 * written through SetDatiCncEx (number, value as received). The logs keep the last 4096
 * entries each. Entry functions return 0, or -1 for an index out of range. */
typedef int SIMCNC_FN_SimCommandLogCount(void);
typedef int SIMCNC_FN_SimCommandLogEntry(int index, int* code, int* subCode, char* text, int textSize,
                                         int* result);
typedef int SIMCNC_FN_SimRWriteLogCount(void);
typedef int SIMCNC_FN_SimRWriteLogEntry(int index, int* number, double* value);
typedef void SIMCNC_FN_SimClearLogs(void);

/* The next count GetDatiCncEx (or SetDatiCncEx) calls fail with result and leave the
 * caller's buffer (or the variable) untouched; a failing write is not logged. */
typedef void SIMCNC_FN_SimSetFailNextRead(int result, int count);
typedef void SIMCNC_FN_SimSetFailNextWrite(int result, int count);
/* One variable that keeps failing among good reads: the next count GetDatiCncEx calls that
 * read R<number> fail with result (count < 0: every one until called again; count 0 ends it).
 * Calls of other variables are not counted. */
typedef void SIMCNC_FN_SimSetFailVariable(int number, int result, int count);
/* The next count GetVelOvr calls and the next count GetStaPro calls each answer result
 * (UVEN_OK is taken as UVEN_ERR_ARG) and leave the caller's record untouched. */
typedef void SIMCNC_FN_SimSetFailStatusCalls(int result, int count);
/* Result of dirnav (default UVEN_DIRNAV_INIT_OK). */
typedef void SIMCNC_FN_SimSetDirnavResult(int result);

/* The controller's work directory holding "FILLAV.TAB" (Windows or native path; a missing
 * trailing separator is added). Returns 0, or -1 for an empty or over-long path. */
typedef int SIMCNC_FN_SimSetWorkDir(const char* path);
/* Root of the drive-letter folders the library maps Windows paths to, in place of
 * $BRELON_DRIVES; null or "" goes back to $BRELON_DRIVES (else "drives/" beside the program). */
typedef void SIMCNC_FN_SimSetDrivesRoot(const char* path);
/* Text of the last refused program start ("" when none). Valid until the next call. */
typedef const char* SIMCNC_FN_SimLastError(void);

/* The control calls, for fetching them all by name. */
#define SIMCNC_FOR_EACH_CONTROL(X)                                                                    \
    X(SimReset) X(SimSetR) X(SimGetR) X(SimSetCommandResponse) X(SimRaiseAlarm) X(SimClearAlarm)         \
    X(SimSetMessage) X(SimStopFromNc) X(SimEmergency) X(SimStepProgram) X(SimAdvance)                   \
    X(SimSetAutoAdvance) X(SimSetProgramTiming) X(SimProgramState) X(SimProgramBlock) X(SimSetAxes)     \
    X(SimSetVariantRegs) X(SimSetOverrides) X(SimSetStatusWords) X(SimGetStatusWords)                    \
    X(SimSetProgramStateText) X(SimCommandLogCount) X(SimCommandLogEntry) X(SimRWriteLogCount)          \
    X(SimRWriteLogEntry) X(SimClearLogs) X(SimSetFailNextRead) X(SimSetFailNextWrite)                    \
    X(SimSetDirnavResult) X(SimSetWorkDir) X(SimSetDrivesRoot) X(SimLastError)                        \
    X(SimSetFailVariable) X(SimSetFailStatusCalls)

#define SIMCNC_DECLARE_PFN(name) typedef SIMCNC_FN_##name* SIMCNC_PFN_##name;
SIMCNC_FOR_EACH_CONTROL(SIMCNC_DECLARE_PFN)
#undef SIMCNC_DECLARE_PFN

#ifdef __cplusplus
} /* extern "C" */

namespace simcnc {

/* Every control call fetched from a loaded library through the caller's
 * symbol lookup (dlsym); Bind returns false when one is missing (its pointer stays null). */
struct Controls {
#define SIMCNC_MEMBER(name) SIMCNC_PFN_##name name = nullptr;
    SIMCNC_FOR_EACH_CONTROL(SIMCNC_MEMBER)
#undef SIMCNC_MEMBER

    template <typename Lookup>
    bool Bind(Lookup&& lookup) {
        bool all = true;
#define SIMCNC_FETCH(name)                                                     \
    name = reinterpret_cast<SIMCNC_PFN_##name>(lookup(#name));                 \
    all = all && name != nullptr;
        SIMCNC_FOR_EACH_CONTROL(SIMCNC_FETCH)
#undef SIMCNC_FETCH
        return all;
    }
};

} // namespace simcnc
#endif

#endif /* SIMCNC_SIMCNC_H */
