// A reader of part programs: the dialect's lines into a timeline, and the rules of a program.
#include "test_support/iso_reader.h"

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
    auto add = [&](Step s, int line) -> Event& {
        Event e;
        e.step = s;
        e.line = line;
        e.r = r;
        e.machining = inBlock ? block : -1;
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
                if (a.r == 590) add(Step::Count, n);
                continue;
            }
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
            if (a.r == 540) {
                cause = a.numeric ? static_cast<int>(a.value) : -1;
                causeText = a.comment;
            }
            if (a.r == 541) remnantText = a.comment;
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
        if (name == "RALLA.BRE") { // the tool change precedes its machining block
            add(Step::ToolChange, n);
            continue;
        }
        inBlock = false;
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
            add(Step::Cut, n);
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
    const double pieces = p.events.empty() ? NAN : at(p.events.back(), 556);
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
