#pragma once
// The piece-label job of a running bar: a label per finished piece (or bar without pieces)
// and per long enough offcut, built into the CNC state object's label text and sent when the
// execution monitor's print timer fires, to the printer kind of PARAM CONF_FILE_OTT.
#include <cstdint>

class BarComputation;

namespace app {

// Run flags, set at the start of every execution (StartLabelRun).
extern int g_labelPrintOn;   // labels are printed in this run
extern int g_labelNoShortOn; // short pieces get no label
extern int g_labelPending;   // 0 nothing queued, 1 a piece or bar label queued, 2 a scrap label

// What the monitor knows that the print step needs.
struct LabelRunState {
    int firstLabelPending = 1;  // the head offcut label is still to be decided
    int allRepetitionsDone = 0; // the run did all its repetitions
    int lastPiece = 0;          // 1-based number of the last finished piece, 0 before the first
};

// Sets the run flags from LABEL PRINT, PRINT_NOSHORT, the print port and the printer kind.
void StartLabelRun();
// A finished piece (pieceIndex from 0) or, with pieceIndex -1, a bar without pieces. Builds
// its label when the run prints it and the piece is long enough, queues it, and for the
// directly driven printer sends the start bytes. Returns true when the print timer must be
// armed (factor 1): nothing was queued before.
bool QueuePieceLabel(BarComputation& bc, int pieceIndex);
// The print step of the print timer: sends the queued label, then the offcut decision.
// Returns the factor for arming the print timer again (2 after queueing a scrap label), or 0.
int RunLabelPrint(BarComputation& bc, LabelRunState& state);

} // namespace app
