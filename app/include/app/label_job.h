#pragma once
// The piece-label job of a running bar: a label per finished piece (or bar without pieces)
// and per long enough offcut, built into the CNC state object's label text and sent when the
// execution monitor's print timer fires, to the printer kind of PARAM CONF_FILE_OTT: 0 the
// printer driven directly over the print port, 1 the label library's composer, 2 a ZPL
// template of the program's CONF folder ("PIECE.PRN", "SCRAP.PRN") filled by the library.
//
// A label that cannot be printed is reported to the operator and the run goes on: a print step
// whose labels no printer took gives one box naming them (the label library's own box is held
// back); the library shows its own box when a template does not open; a failed write to the
// print port, a paper-out printer and a label too long for the label text give a box here.
// A label the library printed without texts its layout holds is told once per layout and
// session (the job's notice), and the run goes on.
#include <cstdint>
#include <string>

#include "machine/globals.h"

class BarComputation;

namespace app {

// Run flags, set at the start of every execution (StartLabelRun). The first two are the
// program's run copies of LABEL PRINT and PRINT_NOSHORT, which the settings setters also write.
using ::g_labelPrintOn;      // labels are printed in this run
using ::g_labelNoShortOn;    // short pieces get no label
extern int g_labelPending;   // 0 nothing queued, 1 a piece or bar label queued, 2 a scrap label

// What the monitor knows that the print step needs.
struct LabelRunState {
    int firstLabelPending = 1;  // the head offcut label is still to be decided
    int allRepetitionsDone = 0; // the run did all its repetitions
    int lastPiece = 0;          // 1-based number of the last finished piece, 0 before the first
    int barsCut = 0;            // repetitions finished in this run: each bar cut leaves its offcut
    int offcutsDecided = 0;     // bars whose tail offcut label was queued or found too short
};

// Sets the run flags from LABEL PRINT, PRINT_NOSHORT, the print port and the printer kind,
// empties the label text and the queue, and clears g_labelPending.
void StartLabelRun();
// A finished piece (pieceIndex from 0) or, with pieceIndex -1, a bar without pieces. Builds
// its label when the run prints it and the piece is long enough, queues it, and for the
// directly driven printer sends the start bytes. Returns true when the print timer must be
// armed (factor 1): nothing was queued before.
bool QueuePieceLabel(BarComputation& bc, int pieceIndex);
// The print step of the print timer: sends the queued label, then the offcut decision.
// Returns the factor for arming the print timer again (2 after queueing a scrap label), or 0.
int RunLabelPrint(BarComputation& bc, LabelRunState& state);
// The offcut label of the current bar with the offcut's length: built when the run prints
// labels, then g_labelPending = 2. Returns the print timer factor (2), or 0 when labels are off.
int QueueScrapLabel(BarComputation& bc, int32_t offcutLength);

// Labels waiting to be printed (tests and the monitor's display).
int QueuedLabelCount();
// The names of the labels waiting (the piece's, or the bar's), oldest first, joined by ", ".
std::string QueuedLabelNames();

// The labels owed now: those waiting, then the offcuts cut whose label the print step has not
// decided yet (each long enough to keep), by the names the operator knows them by.
std::string OwedLabelNames(BarComputation& bc, const LabelRunState& state);

// The paper check of the label library's printer before a bar: true when it reports no
// paper. A printer that does not answer is told as such (no label is due yet), and gives false.
bool LabelPaperOutBeforeBar();

} // namespace app
