// A reader of part programs: the dialect's lines into a timeline, and the rules of a program.
#include "test_support/iso_reader.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>
#include <sstream>

namespace isoread {
namespace {

// The machine's fixed sub-programs and cycles; any other call in a machining block is the
// machining's own sub-program (or a call inside a compiled shape).
const std::set<std::string> kFixed = {"RALLA.BRE",  "CKTOOL.BRE",  "EXIT_MAN.BRE", "CARICO.BRE",
                                      "RIFAUTO.BRE", "ALIM.BRE",    "SCARICO.BRE",  "FINEALL.BRE",
                                      "6000.ISO",    "6010.ISO",    "6020.ISO"};

// Feed causes that make the blade cut in the feed: a cut, a cut with a machining at its place,
// a notch cut, a trim (each also plus 100).
bool CausesACut(int cause) {
    const int c = cause % 100;
    return c == 1 || c == 2 || c == 3 || c == 20;
}

std::string Trim(const std::string& s) {
    const std::size_t a = s.find_first_not_of(' ');
    if (a == std::string::npos) return std::string();
    return s.substr(a, s.find_last_not_of(' ') - a + 1);
}

struct Assignment {
    int r = 0;
    bool numeric = false;
    double value = 0;
    std::string comment;
    bool increment = false; // R<n>=R<n>+1
};

// "R<n>=<value>[ gap { comment }]", also "R<n> = <value>" as a compiled shape writes it.
bool ParseAssignment(const std::string& body, Assignment& a) {
    if (body.size() < 3 || body[0] != 'R' || !std::isdigit(static_cast<unsigned char>(body[1]))) return false;
    std::size_t i = 1;
    while (i < body.size() && std::isdigit(static_cast<unsigned char>(body[i]))) ++i;
    a.r = std::atoi(body.substr(1, i - 1).c_str());
    while (i < body.size() && body[i] == ' ') ++i;
    if (i >= body.size() || body[i] != '=') return false;
    std::string rest = body.substr(i + 1);
    const std::size_t brace = rest.find('{');
    if (brace != std::string::npos) {
        const std::size_t close = rest.rfind('}');
        a.comment = Trim(rest.substr(brace + 1, close == std::string::npos ? std::string::npos : close - brace - 1));
        rest = rest.substr(0, brace);
    }
    rest = Trim(rest);
    a.increment = rest == "R" + std::to_string(a.r) + "+1";
    std::istringstream in(rest);
    in.imbue(std::locale::classic());
    in >> a.value;
    a.numeric = !in.fail() && in.eof();
    return true;
}

} // namespace

Program Read(const std::string& text) {
    Program p;
    std::map<int, double> r;
    int expect = 1;
    int block = -1;           // current machining block
    bool inBlock = false;
    int pass = -1;            // event index of the open machining pass
    bool r250Fresh = false;
    int cause = -1;           // R540 since the last feed
    std::string causeText;
    std::string remnantText;  // R541
    bool r535Fresh = false;   // R535 written since the last call
    int vertices = -1;        // R260 written since the last blade cut
    double barAt = NAN;       // variant 2: where the last positioning move left the bar
    auto add = [&](Step s, int line) -> Event& {
        Event e;
        e.step = s;
        e.line = line;
        e.r = r;
        e.machining = inBlock ? block : -1;
        e.barAt = barAt;
        p.events.push_back(e);
        return p.events.back();
    };

    std::istringstream in(text);
    std::string line;
    bool first = true;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (first) {
            first = false;
            if (line != "%") p.faults.push_back("the program does not begin with %");
            continue;
        }
        if (line.empty() || line[0] == '{') continue; // empty lines and the vice comment lines
        if (line[0] != 'N' || line.size() < 2 || !std::isdigit(static_cast<unsigned char>(line[1]))) {
            p.faults.push_back("unreadable line: " + line);
            continue;
        }
        const int n = std::atoi(line.c_str() + 1);
        if (n != expect) p.faults.push_back("block N" + std::to_string(n) + " where N" + std::to_string(expect) + " was due");
        expect = n + 1;
        const std::size_t sp = line.find(' ');
        const std::string body = sp == std::string::npos ? std::string() : line.substr(sp + 1);

        Assignment a;
        if (ParseAssignment(body, a)) {
            if (a.increment) {
                if (a.r == 590) add(Step::Count, n).countText = a.comment;
                continue;
            }
            if (a.r >= 309 && a.r <= 311 && a.comment == "Parametri definizione figure")
                p.faults.push_back("a figure parameter written over R" + std::to_string(a.r) + " at N" + std::to_string(n));
            if (a.numeric) r[a.r] = a.value;
            if (a.r == 203) { // a machining block begins
                ++block;
                inBlock = true;
                p.speeds.emplace_back();
            }
            if (inBlock && a.r == 242) p.speeds[static_cast<std::size_t>(block)].push_back({a.value, 0, 0});
            if (inBlock && !p.speeds[static_cast<std::size_t>(block)].empty()) {
                if (a.r == 310) p.speeds[static_cast<std::size_t>(block)].back().plunge = a.value;
                if (a.r == 311) p.speeds[static_cast<std::size_t>(block)].back().feed = a.value;
            }
            if (a.r == 250) r250Fresh = true;
            if (a.r == 535) r535Fresh = a.numeric;
            if (a.r == 540) {
                cause = a.numeric ? static_cast<int>(a.value) : -1;
                causeText = a.comment;
            }
            if (a.r == 541) remnantText = a.comment;
            if (a.r == 260) vertices = a.numeric ? static_cast<int>(a.value) : -1;
            continue;
        }
        if (body.rfind("IF (", 0) == 0 || body.rfind("<RPT:", 0) == 0 || body.empty() || body == "G304CNC") continue;
        if (body.rfind("G4 F", 0) == 0) {
            if (pass >= 0) p.events[static_cast<std::size_t>(pass)].dwell = std::atof(body.c_str() + 4);
            else p.faults.push_back("dwell outside a machining at N" + std::to_string(n));
            continue;
        }
        const bool call = body.size() > 3 && body.rfind("L<", 0) == 0 && body.back() == '>';
        const std::string name = call ? body.substr(2, body.size() - 3) : std::string();
        if (call && name == "EXIT_MAN.BRE") {
            if (pass < 0) {
                p.faults.push_back("exit without a machining at N" + std::to_string(n));
            } else {
                p.events[static_cast<std::size_t>(pass)].exitMode = r250Fresh ? static_cast<int>(r[250]) : -1;
                pass = -1;
            }
            continue;
        }
        if (!call || kFixed.count(name) == 0) {
            // A machining's own sub-program, or a line of a compiled shape.
            if (!inBlock) {
                p.faults.push_back("machining outside a machining block at N" + std::to_string(n));
                continue;
            }
            if (pass < 0) {
                Event& e = add(Step::Machining, n);
                e.program = call ? name : std::string();
                pass = static_cast<int>(p.events.size()) - 1;
                r250Fresh = false;
            }
            continue;
        }
        if (pass >= 0) p.faults.push_back("machining without its exit before N" + std::to_string(n));
        pass = -1;
        const bool moved = r535Fresh;
        r535Fresh = false;
        if (name == "RALLA.BRE") { // the tool change precedes its machining block
            // With a U position it also moves the bar there (variant 2).
            if (moved) barAt = r[535];
            add(Step::ToolChange, n);
            continue;
        }
        inBlock = false;
        if (name == "ALIM.BRE" || name == "CARICO.BRE" || name == "SCARICO.BRE") barAt = NAN; // the bar moves
        if (name == "ALIM.BRE") {
            const bool feedCause = causeText == "R_CAUSALE_ALIMEN" || causeText.rfind("TAGLIO_SPZ_", 0) == 0;
            if (cause >= 0 && !feedCause) {
                Event& e = add(Step::Unload, n);
                e.cause = cause;
                e.causeText = causeText;
            } else {
                Event& e = add(Step::Feed, n);
                e.cause = cause;
                e.causeText = causeText;
                e.cuts = cause >= 0 && CausesACut(cause) && !(causeText == "R_CAUSALE_ALIMEN" && r.count(550) && r[550] == -1);
            }
            cause = -1;
            causeText.clear();
        } else if (name == "SCARICO.BRE") {
            Event& e = add(Step::Unload, n);
            e.remnant = true;
            e.causeText = remnantText;
        } else if (name == "CARICO.BRE") {
            add(Step::Load, n);
        } else if (name == "6000.ISO") {
            add(Step::PAxis, n);
        } else if (name == "6010.ISO" || name == "6020.ISO") {
            Event& e = add(Step::Cut, n);
            e.vertices = vertices;
            e.program = name;
            vertices = -1;
        } else if (name == "FINEALL.BRE") {
            add(Step::End, n);
        }
    }
    if (pass >= 0) p.faults.push_back("the last machining has no exit");
    if (p.events.empty() || p.events.back().step != Step::End) p.faults.push_back("the program does not end with L<FINEALL.BRE>");
    return p;
}

std::vector<std::string> Check(const Program& p, const Limits& lim, const std::vector<int>& pieceOf,
                               const std::vector<int>& freed) {
    std::vector<std::string> out = p.faults;
    auto at = [](const Event& e, int r) {
        const auto it = e.r.find(r);
        return it == e.r.end() ? NAN : it->second;
    };
    auto within = [](double v, double lo, double hi) { return v >= lo - 1e-9 && v <= hi + 1e-9; };
    auto where = [](const Event& e) { return " at N" + std::to_string(e.line); };

    int counts = 0;
    for (std::size_t i = 0; i < p.events.size(); ++i) {
        const Event& e = p.events[i];
        if (e.step == Step::Machining) {
            const bool last = i + 1 == p.events.size() || p.events[i + 1].step != Step::Machining;
            if (e.exitMode < 0) out.push_back("machining without an exit mode" + where(e));
            if (last && e.exitMode == 3) out.push_back("machining leaves without lifting Z before a move" + where(e));
            if (!last && e.exitMode == 3 && p.events[i + 1].machining == e.machining) {
                // The next pass of the same machining: Z stays down only for a figure of the same size.
                bool same = true;
                for (int k = 300; k < 309; ++k) {
                    const double a = at(e, k), b = at(p.events[i + 1], k);
                    same = same && (a == b || (std::isnan(a) && std::isnan(b)));
                }
                if (!same) out.push_back("Z left down between passes of different figure sizes" + where(e));
            }
            if (!pieceOf.empty() && e.machining >= 0 && static_cast<std::size_t>(e.machining) < pieceOf.size()) {
                const int piece = pieceOf[static_cast<std::size_t>(e.machining)];
                for (int k = 0; k < counts && static_cast<std::size_t>(k) < freed.size(); ++k)
                    if (freed[static_cast<std::size_t>(k)] == piece)
                        out.push_back("piece " + std::to_string(piece) + " machined after it was counted" + where(e));
            }
        }
        if (e.step == Step::Count) ++counts;
        // A blade cut, and a trim cut in a feed that carries its own axis positions.
        const bool bladeCut = e.step == Step::Cut || (e.step == Step::Feed && e.causeText.rfind("TAGLIO_SPZ_", 0) == 0 &&
                                                      e.r.count(560) != 0);
        if (!bladeCut) continue;
        const double x = at(e, 560), pp = at(e, 527), h = at(e, 265), b = at(e, 526);
        if (!within(x, lim.xMin, lim.xMax)) out.push_back("cut X " + std::to_string(x) + " beyond its travel" + where(e));
        if (!within(pp, lim.pMin, lim.pMax)) out.push_back("cut P " + std::to_string(pp) + " beyond its travel" + where(e));
        if (!within(h, lim.hMin, lim.hMax)) out.push_back("cut height " + std::to_string(h) + " beyond its travel" + where(e));
        if (!within(b, lim.bMin, lim.bMax + std::max(0.0, lim.bExtra)))
            out.push_back("cut with its vices at " + std::to_string(b) + ", beyond their travel" + where(e));
        const int vertices = std::isnan(at(e, 260)) ? 1 : static_cast<int>(at(e, 260));
        double vx = x, vp = pp;
        for (int k = 1; k < vertices && k < 4; ++k) {
            vx += at(e, 266 + 3 * k);
            vp += at(e, 267 + 3 * k);
            if (!within(vx, lim.xMin, lim.xMax) || !within(vp, lim.pMin, lim.pMax))
                out.push_back("cut vertex " + std::to_string(k) + " beyond the travels" + where(e));
        }
    }
    // A bar without pieces (R556 0) counts once, as the one piece the execution monitor waits for.
    const double stated = p.events.empty() ? NAN : at(p.events.back(), 556);
    const double pieces = std::isnan(stated) ? stated : std::max(stated, 1.0);
    if (!std::isnan(pieces) && counts != static_cast<int>(pieces))
        out.push_back(std::to_string(counts) + " piece counts for " + std::to_string(static_cast<int>(pieces)) + " pieces");
    if (!pieceOf.empty()) {
        int blocks = 0;
        for (const Event& e : p.events)
            if (e.step == Step::Machining) blocks = std::max(blocks, e.machining + 1);
        if (static_cast<std::size_t>(blocks) != pieceOf.size())
            out.push_back(std::to_string(blocks) + " machining blocks for " + std::to_string(pieceOf.size()) + " machinings");
    }
    return out;
}

} // namespace isoread

namespace isoread {
namespace {

std::string Mm(double v) {
    std::ostringstream o;
    o.imbue(std::locale::classic());
    o << v;
    return o.str();
}

// Values read back as printed ("%lg", six significant digits: a hundredth on a bar's length).
bool Near(double a, double b) { return std::fabs(a - b) < 0.011; }

// A trim at the bar head: its feed cuts away the bar's head and nothing else.
bool IsHeadTrim(const Event& e) {
    return e.causeText.rfind("TAGLIO_SPZ_", 0) == 0 || (e.cause >= 0 && e.cause % 100 == 20);
}

} // namespace

std::vector<std::string> Follow(const Program& p, const Bar& bar, const Limits& limits) {
    std::vector<std::string> out = Check(p, limits, {}, {});
    auto where = [](const Event& e) { return " at N" + std::to_string(e.line); };
    auto at = [](const Event& e, int r) {
        const auto it = e.r.find(r);
        return it == e.r.end() ? NAN : it->second;
    };

    // The separating cuts in their order along the bar from its head; at a joint the previous
    // piece's other-end cut lies on the head side of the next piece's first-end cut.
    std::vector<int> cuts; // indexes into bar.records
    for (std::size_t i = 0; i < bar.records.size(); ++i)
        if (bar.records[i].kind == 2) cuts.push_back(static_cast<int>(i));
    std::stable_sort(cuts.begin(), cuts.end(), [&](int a, int b) {
        const BarRecord& ra = bar.records[static_cast<std::size_t>(a)];
        const BarRecord& rb = bar.records[static_cast<std::size_t>(b)];
        if (!Near(ra.x, rb.x)) return ra.x > rb.x;
        return (ra.closes > 0 && rb.closes == 0);
    });
    const std::size_t nCuts = cuts.size();
    std::vector<int> rankOf(bar.records.size(), -1);
    for (std::size_t k = 0; k < nCuts; ++k) rankOf[static_cast<std::size_t>(cuts[k])] = static_cast<int>(k);
    // Segment k lies on the head side of cut k; segment nCuts is the tail.
    std::vector<int> pieceOfSegment(nCuts + 1, 0);
    std::map<int, int> segmentOf; // piece -> its segment
    for (std::size_t k = 0; k < nCuts; ++k) {
        const int opens = bar.records[static_cast<std::size_t>(cuts[k])].opens;
        if (opens == 0) continue;
        bool closed = false;
        for (std::size_t j = k + 1; j < nCuts && !closed; ++j)
            if (bar.records[static_cast<std::size_t>(cuts[j])].closes == opens) {
                closed = true;
                if (j == k + 1) pieceOfSegment[k + 1] = opens;
            }
        bool closedAnywhere = closed;
        for (int c : cuts)
            if (bar.records[static_cast<std::size_t>(c)].closes == opens) closedAnywhere = true;
        if (!closedAnywhere) pieceOfSegment[k + 1] = opens; // the pre-cut piece at the tail
    }
    // A piece without a first-end cut of its own starts at the previous piece's other-end cut
    // (one cut between two square ends).
    std::set<int> openers;
    for (int c : cuts)
        if (bar.records[static_cast<std::size_t>(c)].opens != 0) openers.insert(bar.records[static_cast<std::size_t>(c)].opens);
    for (std::size_t k = 0; k + 1 < nCuts; ++k) {
        const int q = bar.records[static_cast<std::size_t>(cuts[k + 1])].closes;
        if (q > 0 && openers.count(q) == 0 && bar.records[static_cast<std::size_t>(cuts[k])].closes > 0)
            pieceOfSegment[k + 1] = q;
    }
    if (bar.tailPiece != 0) {
        if (pieceOfSegment[nCuts] == 0)
            pieceOfSegment[nCuts] = bar.tailPiece;
        else if (pieceOfSegment[nCuts] != bar.tailPiece)
            out.push_back("the pre-cut piece " + std::to_string(bar.tailPiece) + " is not at the bar's tail");
    }
    for (std::size_t k = 0; k <= nCuts; ++k)
        if (pieceOfSegment[k] != 0) segmentOf[pieceOfSegment[k]] = static_cast<int>(k);

    enum { kAttached, kFreed, kGone };
    std::vector<int> state(nCuts + 1, kAttached);
    std::vector<bool> done(bar.records.size(), false);
    std::map<int, bool> counted;
    std::vector<int> machinings; // record indexes of the ralla machinings, in order
    for (std::size_t i = 0; i < bar.records.size(); ++i)
        if (bar.records[i].kind == 1) machinings.push_back(static_cast<int>(i));
    std::vector<int> runAt(bar.records.size(), -1); // event index of each machining's first pass

    auto freeTo = [&](int rank) { // a cut frees every segment on its head side
        for (int k = 0; k <= rank && k <= static_cast<int>(nCuts); ++k)
            if (state[static_cast<std::size_t>(k)] == kAttached) state[static_cast<std::size_t>(k)] = kFreed;
    };
    auto piecesLeaving = [&](int from) { // the freed pieces; they leave
        std::vector<int> left;
        for (std::size_t k = 0; k <= nCuts; ++k)
            if (state[k] == kFreed || (from == kAttached && state[k] == kAttached)) {
                state[k] = kGone;
                if (pieceOfSegment[k] != 0) left.push_back(pieceOfSegment[k]);
            }
        return left;
    };
    // A piece leaving must have had its end cuts and all its machinings.
    auto checkComplete = [&](int piece, const Event& e, const char* how) {
        for (std::size_t i = 0; i < bar.records.size(); ++i) {
            const BarRecord& r = bar.records[i];
            if (r.piece != piece || done[i]) continue;
            if (r.kind == 1)
                out.push_back("piece " + std::to_string(piece) + " " + how + " before its machining " + std::to_string(r.id) + where(e));
            else if (r.kind == 2 && (r.opens == piece || r.closes == piece))
                out.push_back("piece " + std::to_string(piece) + " " + how + " before its end cut " + std::to_string(r.id) + where(e));
        }
    };

    // The feed cause of a cut: 2 when the next machining runs at the cut's own positioning, else
    // 1; 100 more on the cut next to the remnant, and only when the remnant is one to keep (at
    // least DIM_MIN_SCARTO). The remnant is the bar's greater leftover beyond its outermost
    // cuts: at the tail, or at the head once the records were moved toward the tail (the tail
    // then keeps only the machine's tail scrap), where the bar's first cut takes it off and
    // carries the mark, unless a square head trim written before took it.
    double tailCut = NAN, headCut = NAN;
    for (int c : cuts) {
        const double x = bar.records[static_cast<std::size_t>(c)].x;
        if (std::isnan(tailCut) || x < tailCut) tailCut = x;
        if (std::isnan(headCut) || x > headCut) headCut = x;
    }
    // A pre-cut piece ends the bar: the tail keeps nothing beyond it.
    if (bar.tailPiece != 0) tailCut = 0;
    const bool remnantAtHead = !std::isnan(headCut) && bar.length - headCut > tailCut;
    const double remnantLength = std::isnan(headCut) ? bar.length : remnantAtHead ? bar.length - headCut : tailCut;
    const bool keptRemnant = remnantLength >= limits.keepRemnant - 0.0005;
    bool headTrimmed = false;
    auto checkCause = [&](std::size_t i, int cause, const BarRecord& cut) {
        if (cut.kind != 2 || cause < 0 || (cause % 100 != 1 && cause % 100 != 2)) return;
        const BarRecord* next = nullptr;
        for (std::size_t j = i + 1; j < p.events.size() && next == nullptr; ++j)
            if (p.events[j].step == Step::Machining && p.events[j].machining >= 0 &&
                static_cast<std::size_t>(p.events[j].machining) < machinings.size())
                next = &bar.records[static_cast<std::size_t>(machinings[static_cast<std::size_t>(p.events[j].machining)])];
        // The positionings come from the records, not from the printed program: the same
        // positioning is the same value (two a few thousandths apart are two moves).
        const bool atCut = next != nullptr && next->xcaric == cut.xcaric;
        if ((cause % 100 == 2) != atCut)
            out.push_back("a cut with cause " + std::to_string(cause) + (atCut ? " before a machining at its positioning"
                                                                                : " before a machining elsewhere") +
                          where(p.events[i]));
        const bool nextToRemnant = remnantAtHead ? !headTrimmed && Near(cut.x, headCut) : Near(cut.x, tailCut);
        if (cause >= 100 && !nextToRemnant)
            out.push_back("a cut at X " + Mm(cut.x) + " marked as next to the remnant" + where(p.events[i]));
        if (cause >= 100 && nextToRemnant && !keptRemnant)
            out.push_back("a cut at X " + Mm(cut.x) + " marked for a remnant of " + Mm(remnantLength) +
                          " mm, too short to keep" + where(p.events[i]));
        if (cause < 100 && nextToRemnant && keptRemnant)
            out.push_back("the cut at X " + Mm(cut.x) + (remnantAtHead ? " that takes off the head's excess" : " before the remnant") +
                          " not marked" + where(p.events[i]));
    };

    int nextBladeRecord = 0; // variant 1: the cut events follow the blade records in order
    for (std::size_t i = 0; i < p.events.size(); ++i) {
        const Event& e = p.events[i];
        const bool cutEvent = bar.variant == 1 ? e.step == Step::Cut : (e.step == Step::Feed && e.cuts);
        if (cutEvent || (e.step == Step::Feed && IsHeadTrim(e))) {
            if (e.causeText.rfind("TAGLIO_SPZ_FINALE", 0) == 0) {
                // The square cut at the bar's last end: it frees the last piece from the remnant.
                int last = -1;
                for (std::size_t k = 0; k < nCuts; ++k)
                    if (bar.records[static_cast<std::size_t>(cuts[k])].closes > 0) last = static_cast<int>(k);
                if (last >= 0) {
                    done[static_cast<std::size_t>(cuts[static_cast<std::size_t>(last)])] = true;
                    freeTo(last);
                }
            } else if (IsHeadTrim(e) && e.causeText.rfind("TAGLIO_SPZ_", 0) == 0) {
                freeTo(0); // the square trim at the bar head
                headTrimmed = true;
            } else if (IsHeadTrim(e)) {
                // A trim of the end of the piece just freed (cause 20), at that end's angle: it
                // makes the end and frees nothing more. With no such piece freed the blade
                // would cut into the bar where it stands.
                bool trimmed = false;
                for (std::size_t k = 0; k <= nCuts; ++k) {
                    if (state[k] != kFreed || pieceOfSegment[k] == 0) continue;
                    for (int c : cuts) {
                        const BarRecord& r = bar.records[static_cast<std::size_t>(c)];
                        if (r.closes != pieceOfSegment[k] || !Near(r.angle, at(e, 550))) continue;
                        done[static_cast<std::size_t>(c)] = true;
                        trimmed = true;
                    }
                }
                if (!trimmed) out.push_back("a trim with no freed piece end at its angle" + where(e));
            } else if (bar.variant == 1) {
                while (nextBladeRecord < static_cast<int>(bar.records.size()) &&
                       bar.records[static_cast<std::size_t>(nextBladeRecord)].kind != 2 &&
                       bar.records[static_cast<std::size_t>(nextBladeRecord)].kind != 4 &&
                       bar.records[static_cast<std::size_t>(nextBladeRecord)].kind != 5)
                    ++nextBladeRecord;
                if (nextBladeRecord >= static_cast<int>(bar.records.size())) {
                    out.push_back("a cut the bar has no record for" + where(e));
                } else {
                    // Every pass of the cut: the one-vertex cycle for one, the other with the
                    // vertex count for several.
                    const int passes = bar.records[static_cast<std::size_t>(nextBladeRecord)].vertices;
                    if ((passes == 1) != (e.program == "6010.ISO"))
                        out.push_back("a cut of " + std::to_string(passes) + " vertices run by " + e.program + where(e));
                    if (passes > 1 && e.vertices != passes)
                        out.push_back("a cut of " + std::to_string(passes) + " vertices without its vertex count" + where(e));
                    const double r540 = at(e, 540);
                    if (!std::isnan(r540))
                        checkCause(i, static_cast<int>(r540) / 100 * 100 + static_cast<int>(r540) % 100 - 21,
                                   bar.records[static_cast<std::size_t>(nextBladeRecord)]);
                    done[static_cast<std::size_t>(nextBladeRecord)] = true;
                    freeTo(rankOf[static_cast<std::size_t>(nextBladeRecord)]);
                    ++nextBladeRecord;
                }
                // With its vices open the cut lets what it frees drop at once.
                if (at(e, 571) == 0)
                    for (int piece : piecesLeaving(kFreed))
                        out.push_back("piece " + std::to_string(piece) + " dropped by a cut with the vices open" + where(e));
            } else {
                const double x = bar.variant == 0 ? bar.length - at(e, 535) : at(e, 535);
                const double angle = at(e, 550);
                int found = -1;
                for (std::size_t k = 0; k < bar.records.size() && found < 0; ++k) {
                    const BarRecord& r = bar.records[k];
                    if (done[k] || (r.kind != 2 && r.kind != 3) || !Near(r.x, x)) continue;
                    if (r.kind == 2 && !Near(r.angle, angle)) continue;
                    found = static_cast<int>(k);
                }
                if (found < 0) {
                    out.push_back("a cut at X " + Mm(x) + " the bar has no record for" + where(e));
                } else {
                    checkCause(i, e.cause, bar.records[static_cast<std::size_t>(found)]);
                    // One cut serves every cut of the bar at its place and angle (a square joint);
                    // variant 2 cuts both ends of a joint in one feed, its P axis giving the angle.
                    for (std::size_t k = 0; k < bar.records.size(); ++k) {
                        const BarRecord& r = bar.records[k];
                        if (done[k] && k != static_cast<std::size_t>(found)) continue;
                        if (r.kind != bar.records[static_cast<std::size_t>(found)].kind || !Near(r.x, x)) continue;
                        if (r.kind == 2 && bar.variant != 2 && !Near(r.angle, angle)) continue;
                        done[k] = true;
                        if (rankOf[k] >= 0) freeTo(rankOf[k]);
                    }
                }
            }
            continue;
        }
        if (e.step == Step::Unload) {
            std::vector<int> left = piecesLeaving(e.remnant ? kAttached : kFreed);
            std::size_t counts = 0;
            // The counts that follow, up to a pre-cut piece's own count.
            for (std::size_t j = i + 1; j < p.events.size() && p.events[j].step == Step::Count &&
                                        p.events[j].countText.find("pretagliato") == std::string::npos;
                 ++j)
                ++counts;
            for (int piece : left) {
                if (counted[piece]) continue;
                if (counts == 0) {
                    out.push_back("piece " + std::to_string(piece) + " unloaded as scrap" + where(e));
                    continue;
                }
                --counts;
                counted[piece] = true;
                checkComplete(piece, e, "counted");
            }
            if (counts > 0 && !e.remnant) out.push_back("a piece count without a piece" + where(e));
            // The counts that follow belong to this unloading.
            while (i + 1 < p.events.size() && p.events[i + 1].step == Step::Count &&
                   p.events[i + 1].countText.find("pretagliato") == std::string::npos)
                ++i;
            continue;
        }
        if (e.step == Step::Count) {
            // The pre-cut last piece: the piece at the bar's tail, counted where it stands.
            int piece = 0;
            for (std::size_t k = 0; k <= nCuts; ++k)
                if (state[k] != kGone && pieceOfSegment[k] != 0) piece = pieceOfSegment[k];
            if (piece == 0 || counted[piece]) {
                out.push_back("a piece count without a piece" + where(e));
            } else {
                counted[piece] = true;
                checkComplete(piece, e, "counted");
            }
            continue;
        }
        if (e.step != Step::Machining || e.machining < 0) continue;
        if (static_cast<std::size_t>(e.machining) >= machinings.size()) {
            out.push_back("a machining the bar has no record for" + where(e));
            continue;
        }
        const std::size_t ri = static_cast<std::size_t>(machinings[static_cast<std::size_t>(e.machining)]);
        const BarRecord& m = bar.records[ri];
        const std::string name = "machining " + std::to_string(m.id);
        if (m.piece != 0 && segmentOf.count(m.piece) != 0 &&
            state[static_cast<std::size_t>(segmentOf[m.piece])] == kGone)
            out.push_back(name + " on piece " + std::to_string(m.piece) + ", which has left" + where(e));
        if (runAt[ri] >= 0) continue; // the later passes of the same machining
        runAt[ri] = static_cast<int>(i);
        done[ri] = true;
        // The bar stands at the machining's own positioning.
        if (bar.variant == 2) {
            if (std::isnan(e.barAt) || !Near(e.barAt, m.xcaric))
                out.push_back(name + " with the bar at " + (std::isnan(e.barAt) ? std::string("no positioning") : Mm(e.barAt)) +
                              ", not at its positioning " + Mm(m.xcaric) + where(e));
        } else if (!Near(at(e, 210), m.toolX + m.xcaric - bar.length)) {
            out.push_back(name + " at PosX " + Mm(at(e, 210)) + ", not at its positioning " + Mm(m.xcaric) + where(e));
        }
        const double position = at(e, 611) - 1;
        if (!bar.setup.empty()) {
            if (std::isnan(position) || position < 0 || position >= static_cast<double>(bar.setup.size()) ||
                bar.setup[static_cast<std::size_t>(position)] != m.tool)
                out.push_back(name + " on ralla position " + Mm(position + 1) + ", which does not hold its tool" + where(e));
        }
        if (!Near(at(e, 506), m.rallaAngle))
            out.push_back(name + " with the ralla at " + Mm(at(e, 506)) + " for its angle " + Mm(m.rallaAngle) + where(e));
    }
    // Every ralla machining ran; links and set priorities in order.
    auto label = [&](std::size_t k) { return std::to_string(bar.records[k].id); };
    for (std::size_t a : std::vector<std::size_t>(machinings.begin(), machinings.end())) {
        if (runAt[a] < 0) {
            out.push_back("machining " + label(a) + " never ran");
            continue;
        }
        for (int follower : bar.records[a].after)
            for (std::size_t b : std::vector<std::size_t>(machinings.begin(), machinings.end()))
                if (bar.records[b].id == follower && runAt[b] >= 0 && runAt[b] < runAt[a])
                    out.push_back("machining " + label(b) + " ran before " + label(a) + ", which it is linked to");
        for (std::size_t b : std::vector<std::size_t>(machinings.begin(), machinings.end()))
            if (bar.records[a].set != 0 && bar.records[b].set == bar.records[a].set &&
                bar.records[a].priority < bar.records[b].priority && runAt[b] >= 0 && runAt[b] < runAt[a])
                out.push_back("machining " + label(b) + " ran before " + label(a) + ", which its set puts first");
        // A tap or countersink cuts its thread or cone into the hole under it: the hole first.
        const BarRecord& hole = bar.records[a];
        if (hole.figure == 1)
            for (std::size_t b : std::vector<std::size_t>(machinings.begin(), machinings.end())) {
                const BarRecord& tap = bar.records[b];
                if (tap.figure != 6 || tap.face != hole.face || tap.xFrom > hole.xTo || hole.xFrom > tap.xTo ||
                    tap.yFrom > hole.yTo || hole.yFrom > tap.yTo)
                    continue;
                if (runAt[b] >= 0 && runAt[b] < runAt[a])
                    out.push_back("machining " + label(b) + " (figure 6) ran before the hole " + label(a) + " under it");
            }
    }
    for (std::size_t k = 0; k <= nCuts; ++k)
        if (pieceOfSegment[k] != 0 && !counted[pieceOfSegment[k]])
            out.push_back("piece " + std::to_string(pieceOfSegment[k]) + " never counted");
    return out;
}

} // namespace isoread
