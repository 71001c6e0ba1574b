#pragma once
// A reader of part programs for the tests. It knows the controller's ISO dialect only (numbered
// blocks, R assignments with their comments, the machine's fixed sub-programs) and turns a
// program's text into the timeline of what the machine does: loading, feeds (with the cut they
// make on the machines that cut while feeding), machinings pass by pass, blade cuts, unloadings
// and piece counts. Check() holds the rules every program must keep.
#include <cmath>
#include <map>
#include <string>
#include <vector>

namespace isoread {

enum class Step {
    Load,       // L<CARICO.BRE>
    Feed,       // L<ALIM.BRE> that feeds (and, by its cause, may cut)
    Unload,     // L<ALIM.BRE> after an unloading cause, or L<SCARICO.BRE> (the remnant)
    PAxis,      // L<6000.ISO>
    ToolChange, // L<RALLA.BRE>
    Machining,  // one pass of a machining: its sub-program call or compiled shape
    Cut,        // L<6010.ISO> or L<6020.ISO>
    Count,      // R590=R590+1
    End         // L<FINEALL.BRE>
};

struct Event {
    Step step = Step::End;
    int line = 0;            // block number
    std::map<int, double> r; // the R registers as they stand at the event
    // Feed: the cause written with R540 since the last feed (-1 none) and its comment; a feed
    // whose cause cuts (1, 2, 3, 20, trims; not on a machine that cuts in a blade-cut block).
    int cause = -1;
    std::string causeText;
    bool cuts = false;
    bool remnant = false;    // Unload: the remnant (L<SCARICO.BRE>)
    // Machining pass: the block it belongs to (one per machining), the exit mode written after
    // it (R250, -1 none), the dwell in seconds (-1 none), the sub-program ("" for a compiled shape).
    int machining = -1;
    int exitMode = -1;
    double dwell = -1;
    std::string program;
    std::string countText;   // Count: the comment of the increment
    int vertices = -1;       // Cut: the vertex count (R260) written for it (-1 none); program: its cycle
    double barAt = NAN;      // variant 2: the bar X set by the last positioning move (NaN unknown)
};

// A machining block: the speed lines (R242, R310, R311) in the order written, one triple per
// R242 line.
struct Speeds {
    double rotation = 0, plunge = 0, feed = 0;
};

struct Program {
    std::vector<Event> events;
    std::vector<std::vector<Speeds>> speeds; // per machining block
    std::vector<std::string> faults;         // dialect faults: numbering, unreadable lines
};

Program Read(const std::string& text);

// Travels of the blade-cut axes and of the vices (millimetres).
struct Limits {
    double xMin = 0, xMax = 0; // X_PAR_MIN .. X_PAR_MAX: the blade-cut X (R560)
    double pMin = 0, pMax = 0; // Y_MIN_LAMA .. Y_MAX_LAMA: the P axis of a cut (R527)
    double hMin = 0, hMax = 0; // Z_MIN_LAMA .. Z_MAX_LAMA: the blade height (R265)
    double bMin = 0, bMax = 0; // X_MIN_MORSA .. X_MAX_MORSA: the vices (R526)
    double bExtra = 0;         // CORR_X_ASSE_B: added to R526 for the third and fourth vices
    double keepRemnant = 0;    // DIM_MIN_SCARTO: a remnant at least this long is kept (its cut marked)
};

// The rules of a whole program. pieceOf[k] is the piece (1 up) of the k-th machining block,
// freed the pieces in the order their cuts free them; either may be empty to skip the piece
// rule. Returns the broken rules, one text each.
std::vector<std::string> Check(const Program& p, const Limits& limits, const std::vector<int>& pieceOf,
                               const std::vector<int>& freed);

// The bar a program works, as its elaborated records describe it (lengths in millimetres,
// angles in degrees). Records are in the elaborated order.
struct BarRecord {
    int id = 0;
    int kind = 1;            // 1 a ralla machining, 2 an end cut, 3 a notch cut, 4/5 a blade record
    int piece = 0;           // the piece the record belongs to (1 up), 0 none
    double x = 0;            // a cut: its X along the bar (the tail at 0, the head at the bar length)
    double angle = 90;       // a cut: its blade angle
    int vertices = 1;        // a blade cut: its passes (vertices) as planned
    int opens = 0;           // a cut: the piece whose first end it cuts (the head side of the piece)
    int closes = 0;          // a cut: the piece whose other end it cuts
    double xcaric = 0;       // the bar X of the record's positioning
    double toolX = 0;        // a machining: its X less its ralla position's X offset
    double rallaAngle = 0;   // a machining: the elaborated ralla angle (Pos_Ralla)
    int tool = 0;            // a machining: its tool (index in the tool table)
    int set = 0, priority = 0;
    std::vector<int> after;  // the ids of the records that must run after this one
    // A machining: its figure (1 a hole, 6 a tap or countersink), the face it works (degrees),
    // its Y on that face and the extent of its figure along the bar and across the face
    // (millimetres): a hole lies under a tap when the two figures meet on one face.
    int figure = 0;
    double face = 0;
    double faceY = 0;
    double xFrom = 0, xTo = 0;
    double yFrom = 0, yTo = 0;
};

struct Bar {
    int variant = 0;
    double length = 0;
    std::vector<int> setup;        // the tool mounted on each ralla position (index 0 = T1)
    std::vector<BarRecord> records;
    int tailPiece = 0; // the piece at the bar's tail that no cut frees (the bar came cut to it), 0 none
};

// Follows the program on the bar as the machine would: the bar as a row of segments between
// its cuts, freed by each cut on its head side, removed by each unloading and counted by
// R590=R590+1; where the bar stands for each machining, with which tool and ralla angle, and
// in which order: links and set priorities kept, and every tap or countersink (figure 6) after
// each hole (figure 1) whose figure it meets on its face, whatever their sets, so that no tap
// meets solid metal. Returns the broken rules, one text each (Check's rules included).
std::vector<std::string> Follow(const Program& p, const Bar& bar, const Limits& limits);

} // namespace isoread
