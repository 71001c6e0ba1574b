#pragma once
// Ordering and elaboration of a computed bar's records, for the part-program writer.
//
// Free functions over the list object (BarComputation): they work on the first
// `orderedRecords` entries of `order` (machinings and end-cut records) and follow precedence
// links by Id (working_records.h: a link holds the other record's Id, 0 none). Results come
// back as return codes with the text in g_errorText; operator warnings that do not stop the
// job (a speed out of range) are handed back in an ElaborationWarnings.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/bar_computation.h"

// Warnings found while elaborating: each text is ready to show to the operator.
struct ElaborationWarnings {
    std::vector<std::string> texts;
    bool empty() const { return texts.empty(); }
};

// ---- entry points of the part-program writer ----

// Orders the records into positionings (OrderMachinings), orders each positioning's tool
// machinings by ralla angle and gives each its ralla position, RallaDelta and Pos_Ralla,
// computes speeds, the position use marks of the bar, unloading X, square-cut pairs, support
// zones and SameAsPrev marks, then appends the elaborated sections of "OUTPUT.LAV" and
// "OUTPUT.DEB". 0 done, 1 failed (g_errorText). Speed warnings go to `warnings` when given.
int ElaborateMachinings(BarComputation& bc, int headerFlag, int tailFlag, ElaborationWarnings* warnings = nullptr);

// Builds the precedence links, then sets every record's PosGroup, Xcaric, TipoCaric and
// OrderState 3 and puts `order` into execution order for the machine variant. 0 or 1.
int OrderMachinings(BarComputation& bc);

// Adds the automatic links between overlapping machinings (Lav_after / LavBefore by Id) and sets
// setsUsed / linksExist. 0, or 1 when a link list is full (Flags |= 6, "TOO_LAV_AFTER").
int BuildPrecedenceLinks(BarComputation& bc);

// Variants 1 and 2: a kind-2 cut with CutMode 32 trades place and Priorita' with the next cut.
void SwapPairedCuts(BarComputation& bc);

// The first record of kind 1 in `order` at or after index, or null; the record at index or null.
WorkingMachining* NextMainMachining(BarComputation& bc, int index);
WorkingMachining* MachiningAt(BarComputation& bc, int index);

// ---- ralla angle (uses bc.currentRallaAngle, ROT_OLTRE_MAX and the list's ralla set-up) ----

// Turn from the current ralla angle that brings position p onto face angle `angle`.
int32_t RallaAngleDelta(const BarComputation& bc, int32_t angle, int position);
// Sets m.rallaPosition, m.RallaDelta and m.Pos_Ralla (360001 turn when no position holds the tool).
void ChooseRallaPosition(const BarComputation& bc, WorkingMachining& m);

// The face chosen for the runs of one elaboration, carried from one run to the next.
struct RunState {
    int32_t runAngle = 0;
};
// Orders one run: the `count` records of `order` from `first` (tool machinings of one
// positioning) by ralla turn, then by X, and moves bc.currentRallaAngle to the last one's
// Pos_Ralla. `kind` is the run's TipoCaric (sets the X direction).
void OrderRun(BarComputation& bc, int first, int count, int kind, RunState& state);

// ---- speeds, marks and report sections (steps of ElaborateMachinings) ----

// Computes Vel_rot, Vel_lav, Vel_sfond (and feedPerRev, per-step values) of every kind-1
// record; a record out of range gets Flags |= 4 and its "ERR_WRONG_SPEED" text in g_errorText
// and in `warnings`. Returns the number of records out of range.
int CheckMachiningSpeeds(BarComputation& bc, ElaborationWarnings* warnings = nullptr);
// 1 when the record's speeds (or each step's) are in range for its tool, else 0.
int CheckToolSpeeds(const WorkingMachining& m);
// ScaricoDx of each kind-2 cut from the positionings after it.
void SetUnloadPositions(BarComputation& bc);
// TIPO_SCARIC 3: a square cut (CutMode bit 2, 90000) followed by another gets CutMode 514.
void MarkDoubleSquareCuts(BarComputation& bc);
// MORSE_SUPP: SupportZone 1..3 of each kind-1 record (not for Flags 16, not on variant 2).
void SetSupportZones(BarComputation& bc);
// SameAsPrev 0/1/2 of the records for the part-program writer.
void SetSameAsPrevMarks(BarComputation& bc);
// Appends the group section to "OUTPUT.LAV" (template from "#GRP" with headerFlag, closing
// mark with tailFlag). 0, or 1 with g_errorText.
int AppendLavGroups(BarComputation& bc, int headerFlag, int tailFlag);
// Appends the pieces (headerFlag) and the elaborated records to "OUTPUT.DEB". 0 or 1.
int AppendDebMachinings(BarComputation& bc, int headerFlag);
