// Steps after the ralla elaboration: spindle speed, feed and plunge speed of every tool
// machining and their range test, unloading X of cuts, pairs of square cuts, vice-support
// zones, the same-as-previous marks, and the elaborated sections appended to "OUTPUT.LAV" and
// "OUTPUT.DEB" (CR LF lines, C-locale numbers).
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <string>
#include <strings.h>

#include "engine/ordering.h"
#include "machine/error_text.h"
#include "machine/file_routines.h"
#include "machine/globals.h"
#include "machine/path_table.h"
#include "machine/profile_overrides.h"
#include "machine/ralla_tools.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/units.h"
#include "ordering_internal.h"
#include "platform/paths.h"
#include "platform/text.h"

using namespace ordering_detail;

namespace {


int UsedCount(const BarComputation& bc) { return std::clamp(bc.orderedRecords, 0, static_cast<int>(bc.order.size())); }
WorkingMachining& At(BarComputation& bc, int i) { return *bc.order[static_cast<std::size_t>(i)]; }

bool Stepped(const WorkingMachining& m) { return m.depthStepMarker == 1; }
int StepCount(const WorkingMachining& m) { return std::clamp(m.depthSteps, 0, kMaxDepthSteps); }

// A list value: positive as given, negative a percentage (its magnitude) of the base, 0 none.
int64_t OwnOrPercent(int64_t own, int64_t base) { return own > 0 ? own : (own < 0 ? -own * base / 100 : 0); }

void ComputeSpeeds(BarComputation& bc, WorkingMachining& m) {
    const MachineSettings& s = *g_pSettings;
    const ToolRecord& tool = g_pRallaTools->Tool(m.Uten);
    const int32_t D = tool.diameter[std::clamp(m.Diam, 0, 2)];
    const int64_t maxRot = s.MAX_VEL_ROT;
    auto cap = [&](int64_t v) { return std::min(v, maxRot); };

    // Spindle speed the tool gives: its own, else the cutting speed over the circumference.
    int64_t toolRot = tool.speed;
    if (toolRot == 0) {
        if (D == 0)
            toolRot = maxRot;
        else
            toolRot = static_cast<int64_t>(static_cast<double>(s.VEL_TAGLIO) / (std::numbers::pi * (D / 1000.0)));
    }
    toolRot = cap(toolRot);
    const int64_t toolFeed = tool.feed != 0 ? tool.feed : s.VEL_ASPORT;
    const int64_t toolPlunge = tool.plunge != 0 ? tool.plunge : s.VEL_SFOND;
    const bool tap = bc.IsTapMachining(m) != 0;

    const int64_t ownRot = OwnOrPercent(m.ownSpeeds[0], toolRot);
    const int64_t rot = cap(ownRot != 0 ? ownRot : toolRot);
    const int64_t ownFeed = OwnOrPercent(m.ownSpeeds[1], toolFeed);
    const int64_t feed = ownFeed != 0 ? ownFeed : toolFeed;
    const int64_t lav = rot * feed / 1000;
    int64_t sfond = 0;
    if (tap) {
        const int64_t p = m.ownSpeeds[2] != 0 ? m.ownSpeeds[2] : tool.plunge;
        sfond = lav - lav * p / 100;
    } else {
        const int64_t own = OwnOrPercent(m.ownSpeeds[2], toolPlunge);
        sfond = own != 0 ? own : toolPlunge;
    }
    m.Vel_rot = Sat(rot);
    m.feedPerRev = Sat(feed);
    m.Vel_lav = Sat(lav);
    m.Vel_sfond = Sat(sfond);

    if (!Stepped(m)) return;
    for (int i = 0; i < StepCount(m); ++i) {
        DepthStepRecord& d = m.depthStepRecords[i];
        int64_t r = OwnOrPercent(d.values[0], toolRot);
        if (r == 0) r = rot;
        r = cap(r);
        int64_t f = OwnOrPercent(d.values[1], toolFeed);
        if (f == 0) f = feed;
        const int64_t l = r * f / 1000;
        int64_t z = 0;
        if (tap) {
            const int64_t p = d.values[2] != 0 ? d.values[2] : (m.ownSpeeds[2] != 0 ? m.ownSpeeds[2] : tool.plunge);
            z = l - l * p / 100;
        } else if (tool.kind != 3) {
            z = OwnOrPercent(d.values[2], toolPlunge);
            if (z == 0) z = sfond;
        }
        d.stepVelRot = Sat(r);
        d.stepFeedRev = Sat(f);
        d.stepVelLav = Sat(l);
        d.stepVelSfond = Sat(z);
    }
}

bool InRange(int32_t kind, int64_t sp, int64_t f, int64_t z) {
    const int64_t f10 = f / 10;
    if (kind == 4) return sp >= 1 && sp <= 9999 && f10 >= 1 && f10 <= 9999 && z >= -100 && z <= 100;
    return sp >= 0 && sp <= 99999 && f10 >= 0 && f10 <= 99 && z >= 0 && z <= 9999;
}

} // namespace

int CheckToolSpeeds(const WorkingMachining& m) {
    if (g_pSettings == nullptr || g_pSettings->CK_LIMITS == 0 || g_pRallaTools == nullptr) return 1;
    const int32_t kind = g_pRallaTools->Tool(m.Uten).kind;
    if (!Stepped(m)) return InRange(kind, m.Vel_rot, m.feedPerRev, m.Vel_sfond) ? 1 : 0;
    for (int i = 0; i < StepCount(m); ++i) {
        const DepthStepRecord& d = m.depthStepRecords[i];
        if (!InRange(kind, d.stepVelRot, d.stepFeedRev, d.stepVelSfond)) return 0;
    }
    return 1;
}

int CheckMachiningSpeeds(BarComputation& bc, ElaborationWarnings* warnings) {
    if (g_pSettings == nullptr || g_pRallaTools == nullptr) return 0;
    int outOfRange = 0;
    const WorkingMachining* prev = nullptr;
    for (int i = 0; i < UsedCount(bc); ++i) {
        WorkingMachining& m = At(bc, i);
        if (m.TipoLavor != kKindRalla) continue;
        if (m.speedGiven == 0 && prev != nullptr && prev->speedGiven == 0 && prev->Uten == m.Uten &&
            prev->Diam == m.Diam && !Stepped(m) && !Stepped(*prev)) {
            m.Vel_rot = prev->Vel_rot;
            m.Vel_lav = prev->Vel_lav;
            m.Vel_sfond = prev->Vel_sfond;
            m.feedPerRev = prev->feedPerRev;
        } else {
            ComputeSpeeds(bc, m);
        }
        prev = &m;
        if (m.speedGiven != 0 && CheckToolSpeeds(m) == 0) {
            m.Flags |= 4;
            bc.FormatMachiningMessage(m, "ERR_WRONG_SPEED");
            if (warnings != nullptr) warnings->texts.emplace_back(g_errorText);
            ++outOfRange;
        }
    }
    return outOfRange;
}

void SetUnloadPositions(BarComputation& bc) {
    WorkingMachining* c = nullptr;
    for (int i = 0; i < UsedCount(bc); ++i) {
        WorkingMachining& q = At(bc, i);
        if (c != nullptr) {
            const bool kind2 = q.TipoLavor == kKindEndCut;
            if ((c->CutMode & 0x100) == 0) {
                if (kind2 || q.Xcaric >= c->ScaricoMin) {
                    if (q.Xcaric >= c->ScaricoMin && q.Xcaric <= c->ScaricoMax) c->ScaricoDx = q.Xcaric;
                    c = nullptr;
                }
            } else if (kind2 || q.Xcaric != c->Xcaric) {
                if (q.Xcaric < c->ScaricoDx) c->ScaricoDx = q.Xcaric;
                c = nullptr;
            }
        }
        if (q.TipoLavor == kKindEndCut && q.CutMode != 1) c = &q;
    }
}

void MarkDoubleSquareCuts(BarComputation& bc) {
    if (g_pSettings == nullptr || g_pSettings->TIPO_SCARIC != 3) return;
    const int n = UsedCount(bc);
    auto square = [](const WorkingMachining& m) { return (m.CutMode & 2) != 0 && m.ATaglio == 90000; };
    for (int i = 0; i < n; ++i) {
        WorkingMachining& c = At(bc, i);
        if (c.TipoLavor != kKindEndCut || !square(c)) continue;
        int j = i + 1;
        while (j < n && At(bc, j).TipoLavor != kKindEndCut) ++j;
        if (j < n) {
            if (square(At(bc, j))) c.CutMode = 514;
        } else if (bc.tailClampCode == 258) {
            c.CutMode = 514;
        }
    }
}

void SetSupportZones(BarComputation& bc) {
    if (g_pSettings == nullptr || MachineVariant == 2) return;
    const MachineSettings& s = *g_pSettings;
    if (s.MORSE_SUPP <= 0) return;
    const int64_t L = GeometryOf(bc).L;
    for (int i = 0; i < UsedCount(bc); ++i) {
        WorkingMachining& m = At(bc, i);
        if (m.TipoLavor != kKindRalla || (m.Flags & 16) != 0) continue;
        const int64_t v = int64_t{m.Xcaric} - L + m.XFm;
        if (v > s.MORSE_SUPP_X3)
            m.SupportZone = 3;
        else if (v > s.MORSE_SUPP_X2)
            m.SupportZone = 2;
        else if (v > s.MORSE_SUPP_X1)
            m.SupportZone = 1;
    }
}

void SetSameAsPrevMarks(BarComputation& bc) {
    const int n = UsedCount(bc);
    const bool v1 = MachineVariant == 1;
    int level = 1;
    bool rotation = false;
    if (MachineVariant != 0 && bc.currentBar != nullptr) {
        level = CpGetOptimLevel(bc.currentBar->series, bc.currentBar->code);
        // The bar's rotation flag is the per-bar flag of the list (bar record offset 212).
        rotation = bc.currentBar->flag != 0;
    }
    for (int i = 0; i < n; ++i) {
        WorkingMachining& m = At(bc, i);
        const WorkingMachining* N = NextMainMachining(bc, i + 1);
        const WorkingMachining* Q = i + 1 < n ? &At(bc, i + 1) : nullptr;
        const bool sameFace = N != nullptr && N->Angolo == m.Angolo && N->Pos_Ralla == m.Pos_Ralla;
        if (MachineVariant == 0) {
            m.SameAsPrev = (m.TipoLavor != kKindEndCut && sameFace && N->Xcaric == m.Xcaric) ? 2 : 0;
            continue;
        }
        if (m.TipoLavor != kKindRalla) continue;
        const bool cutNext = Q != nullptr && IsCut(*Q);
        if (level == 1 || !rotation) {
            if (sameFace && (N->Xcaric == m.Xcaric || !v1))
                m.SameAsPrev = (v1 && cutNext) ? 0 : 2;
            else
                m.SameAsPrev = 0;
            continue;
        }
        if (level != 2 && level != 3) continue;
        if (N == nullptr || (level == 2 && N->Uten != m.Uten)) {
            m.SameAsPrev = 0;
            continue;
        }
        if (v1 && N->Xcaric != m.Xcaric) {
            m.SameAsPrev = 0;
        } else if ((level == 2 || N->Uten == m.Uten) && sameFace) {
            m.SameAsPrev = (v1 && cutNext) ? 0 : 2;
        } else {
            m.SameAsPrev = 1;
        }
    }
}

// ---------------------------------------------------------------- report sections

namespace {

// A report opened for appending; every '\n' written goes out as CR LF.
class Appender {
public:
    explicit Appender(const std::string& path) : path_(path), f_(plat::OpenFile(path, "ab")) {
        if (f_ == nullptr) err_ = errno;
    }
    ~Appender() {
        if (f_ == nullptr) return;
        Write();
        std::fclose(f_);
    }
    Appender(const Appender&) = delete;
    Appender& operator=(const Appender&) = delete;
    bool ok() const { return f_ != nullptr; }
    // Closes the file: 0, or 1 with g_errorText naming the file when it did not open or the
    // appended text could not be written.
    int Finish() {
        if (f_ != nullptr) {
            Write();
            if ((std::fflush(f_) != 0 || std::ferror(f_) != 0) && err_ == 0) err_ = errno != 0 ? errno : EIO;
            if (std::fclose(f_) != 0 && err_ == 0) err_ = errno;
            f_ = nullptr;
            if (err_ == 0) return 0;
        }
        SetFileFaultText(true, path_.c_str(), err_);
        return 1;
    }
    // The text is gathered (every '\n' as CR LF) and written in blocks of 64 KiB and by Finish.
    void Put(const std::string& text) {
        std::size_t from = 0;
        for (std::size_t nl = text.find('\n'); nl != std::string::npos; nl = text.find('\n', from)) {
            text_.append(text, from, nl - from);
            text_ += "\r\n";
            from = nl + 1;
        }
        text_.append(text, from, std::string::npos);
        if (text_.size() >= kBlock) Write();
    }
    void PutLine(const char* line) {
        std::string s(line);
        while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
        Put(s + "\n");
    }

private:
    static constexpr std::size_t kBlock = 64 * 1024;
    void Write() {
        if (!text_.empty() && std::fwrite(text_.data(), 1, text_.size(), f_) != text_.size() && err_ == 0)
            err_ = errno != 0 ? errno : EIO;
        text_.clear();
    }
    std::string path_;
    std::FILE* f_;
    int err_ = 0;
    std::string text_;
};

std::string ProgramDir() { return g_pPathTable != nullptr ? (*g_pPathTable)[PathTable::kProgramDir] : ""; }
double Mm(int32_t v) { return FromThousandths(v); }
double Deg(int32_t v) { return v / 1000.0; }
constexpr char kDegree = static_cast<char>(176);

// A length in thousandths as "%{10X}" shows it.
std::string Units10X(int32_t thousandths) {
    char buf[48];
    FormatThousandthsX(buf, sizeof buf, 10, thousandths);
    return buf;
}

// Text of a report section built by pieces: numbers as "%d" prints them.
struct Text {
    std::string s;
    Text& operator<<(const char* t) {
        s += t;
        return *this;
    }
    Text& operator<<(int32_t v) {
        char buf[16];
        const auto r = std::to_chars(buf, buf + sizeof buf, v);
        s.append(buf, r.ptr);
        return *this;
    }
    // "%*.*lf" of a real.
    Text& Fixed(double v, int width, int precision) {
        char buf[48];
        plat::FormatFixedC(buf, sizeof buf, v, width, precision);
        s += buf;
        return *this;
    }
    Text& Units(int32_t thousandths) {
        char buf[48];
        FormatThousandthsX(buf, sizeof buf, 10, thousandths);
        s += buf;
        return *this;
    }
    // "%<width>d" (right-aligned) or "%-<width>d" (left-aligned, width < 0).
    Text& Int(int32_t v, int width) {
        char buf[16];
        const auto r = std::to_chars(buf, buf + sizeof buf, v);
        const int len = static_cast<int>(r.ptr - buf);
        const int w = width < 0 ? -width : width;
        if (width > 0 && len < w) s.append(static_cast<std::size_t>(w - len), ' ');
        s.append(buf, r.ptr);
        if (width < 0 && len < w) s.append(static_cast<std::size_t>(w - len), ' ');
        return *this;
    }
};

// The mark of a cut mode in the group section.
const char* CutModeMark(int32_t mode, bool closing) {
    switch (mode) {
    case 2: return "[]";
    case 258: return "|[]";
    case 1: return "X";
    case 16: return ">>";
    case 4: return "{}";
    case 8: return "->";
    case 514:
    case 320: return closing ? "|->" : "->[]";
    default: return "|->";
    }
}

std::string CutLine(const WorkingMachining& m) {
    char buf[128];
    std::string s;
    const double angle = Deg(m.ATaglio);
    if (MachineVariant == 1) {
        // The cut's end form is its endCutMode; its two end marks are the end flags (bit 1
        // first-end cut, bit 2 other-end cut).
        const bool first = (m.endFlags & 1) != 0, second = (m.endFlags & 2) != 0;
        if (m.endCutMode == 1) {
            plat::FormatC(buf, sizeof buf, "V%7.2lf%c", angle, kDegree);
            s += buf;
            plat::FormatC(buf, sizeof buf, "%5d", m.PezzoDx == 1 ? 1 : 0);
        } else if (m.endCutMode == 2) {
            plat::FormatC(buf, sizeof buf, first && second ? "!!%6.2lf%c" : (second ? "|!%6.2lf%c" : "!|%6.2lf%c"),
                          angle, kDegree);
        } else {
            plat::FormatC(buf, sizeof buf, "%8.2lf%c", angle, kDegree);
        }
    } else {
        plat::FormatC(buf, sizeof buf, "%7.2lf%c", angle, kDegree);
    }
    s += buf;
    plat::FormatC(buf, sizeof buf, "%3d", m.PezzoDx == 1 ? 1 : 0);
    s += buf;
    s += Units10X(m.Xcaric);
    s += Units10X(m.X);
    const char* mark = (MachineVariant == 1 && IsBladeKind(m.TipoLavor)) ? "|__" : CutModeMark(m.CutMode, false);
    plat::FormatC(buf, sizeof buf, "%10s", mark);
    s += buf;
    // The off-cut length of a cut is the remnant before it.
    s += Units10X(m.cutPosition);
    if (m.CutMode != 1 && m.CutMode != 514) s += Units10X(m.ScaricoDx);
    s += "\n";
    return s;
}

} // namespace

int AppendLavGroups(BarComputation& bc, int headerFlag, int tailFlag) {
    const std::string dir = ProgramDir();
    Appender out(dir + "OUTPUT.LAV");
    if (!out.ok()) return out.Finish();
    if (headerFlag != 0) {
        std::FILE* tpl = plat::OpenFile(dir + "MSG\\DEBTG.MSG", "rb");
        if (tpl == nullptr) {
            SetErrorText("%s (DEBTG.MSG)", MsgError("ERR_FILE"));
            return 1;
        }
        char line[201];
        bool found = false;
        while (!found && std::fgets(line, sizeof line, tpl) != nullptr) found = strncasecmp(line, "#GRP", 4) == 0;
        out.Put("\n\n\n");
        // Lines longer than a read are copied in pieces, ends only where the file has them.
        while (std::fgets(line, sizeof line, tpl) != nullptr) {
            const std::size_t len = std::strlen(line);
            if (len > 0 && line[len - 1] == '\n')
                out.PutLine(line);
            else
                out.Put(line);
        }
        std::fclose(tpl);
    }
    const int n = UsedCount(bc);
    const std::string stars = " " + std::string(75, '*') + "\n";
    const std::string dashes = " " + std::string(75, '-') + "\n";
    char buf[256];
    for (int i = 0; i < n; ++i) {
        const WorkingMachining& m = At(bc, i);
        if (i > 0) {
            const WorkingMachining& p = At(bc, i - 1);
            if (m.Xcaric != p.Xcaric)
                out.Put(stars);
            else if (m.Angolo != p.Angolo || m.TipoLavor != p.TipoLavor)
                out.Put(dashes);
        }
        if (m.TipoLavor == kKindRalla) {
            // "%4d-%-3d%3d" (with Id2) or "%4d%7d", then "%{10X}" X values, "%10.2lf" face angle,
            // "%{10X}" ralla angle (degrees as lengths, as ever) and "   T%d".
            Text t;
            if (m.Id2 > 0) {
                t.Int(m.Id, 4) << "-";
                t.Int(m.Id2, -3).Int(m.TipoCaric / 10, 3);
            } else {
                t.Int(m.Id, 4).Int(m.TipoCaric / 10, 7);
            }
            t.Units(m.Xcaric).Units(m.X).Units(m.Y).Units(m.Z).Fixed(Deg(m.Angolo), 10, 2).Units(m.Pos_Ralla);
            t << "   T" << static_cast<int32_t>(m.rallaPosition + 1) << "\n";
            out.Put(t.s);
        } else if (m.TipoLavor == kKindFigure6000 && MachineVariant == 2) {
            std::string s = "  NOTCH ";
            s += plat::StrFormatC("%3d", m.PezzoDx == 1 ? 1 : 0);
            s += plat::StrFormatC("%10.3lf%10.3lf", Mm(m.Xcaric), Mm(m.X));
            s += plat::StrFormatC("%10s", "/\\");
            s += "\n";
            out.Put(s);
        } else {
            out.Put(CutLine(m));
        }
    }
    if (tailFlag != 0) {
        plat::FormatC(buf, sizeof buf, "%41s", CutModeMark(bc.tailClampCode, true));
        out.Put(buf);
    }
    return out.Finish();
}

int AppendDebMachinings(BarComputation& bc, int headerFlag) {
    Appender out(ProgramDir() + "OUTPUT.DEB");
    if (!out.ok()) return out.Finish();
    const int n = UsedCount(bc);
    auto I = [](int32_t v) { return static_cast<int>(v); };
    if (headerFlag != 0) {
        out.Put("\n\nCARATTERISTICHE PEZZI\n\n");
        for (const WorkingPiece* p : bc.pieces) {
            // A piece's cuts are the kind-2 records that belong to it: their count, the index in
            // the records of the first, and the smallest X among them as the piece's start.
            int cuts = 0, firstCut = -1;
            int32_t start = 0;
            for (std::size_t r = 0; r < bc.records.size(); ++r) {
                const WorkingMachining* m = bc.records[r];
                if (m == nullptr || m->PieceRef != p || m->TipoLavor != kKindEndCut) continue;
                if (cuts == 0 || m->X < start) start = m->X;
                if (firstCut < 0) firstCut = static_cast<int>(r);
                ++cuts;
            }
            std::string s;
            s += plat::StrFormatC("Inizio: %d\n", I(start));
            s += plat::StrFormatC("Lung: %d\n", I(p->Lung));
            s += plat::StrFormatC("ASx ADx: %d %d\n", I(p->ASx), I(p->ADx));
            s += plat::StrFormatC("SSx SDx: %d %d\n", I(p->SSx), I(p->SDx));
            s += plat::StrFormatC("Nome: %s\n", p->Nome);
            s += plat::StrFormatC("Tagli: %d\n", cuts);
            s += plat::StrFormatC("Lav: %d\n", I(p->Lav));
            s += plat::StrFormatC("FstTaglio: %d\n", firstCut < 0 ? 0 : firstCut);
            s += plat::StrFormatC("FstLav: %d\n\n", I(p->FstLav));
            out.Put(s);
        }
        out.Put("\n\nCARATTERISTICHE LAVORAZIONI ELABORATE\n\n");
    }
    for (int i = 0; i < n; ++i) {
        const WorkingMachining& m = At(bc, i);
        Text t;
        t << "TipoLavor: " << m.TipoLavor << "\n";
        if (m.TipoLavor != kKindRalla) {
            t << "Xcaric: " << m.Xcaric << "\n";
            t << "X: " << m.X << "\n";
            t << "Xmin: Xmax: " << m.Xm << " " << m.XM << "\n";
            t << "XminFig: XmaxFig: " << m.XFm << " " << m.XFM << "\n";
            t << "A.Taglio: " << m.ATaglio << "\n";
            t << "PezzoDx: " << m.PezzoDx << "\n";
            t << "ScaricoMin: " << m.ScaricoMin << "\n";
            t << "ScaricoMax: " << m.ScaricoMax << "\n";
            t << "ScaricoDx: " << m.ScaricoDx << "\n";
        } else {
            const int params = std::clamp(m.paramCount, 0, kMaxFigureParams);
            t << "Id: " << m.Id << "\n";
            t << "Id2: " << m.Id2 << "\n";
            t << "Figura: " << m.Figura << " AngFig: " << m.AngFig << " Parametri: ";
            for (int k = 0; k < params; ++k) t << m.params[k] << " ";
            t << "\nParametri sgross: ";
            for (int k = 0; k < params; ++k) t << m.params2[k] << " ";
            t << "\n";
            t << "TipoCaric: " << m.TipoCaric << " Xcaric " << m.Xcaric << "\n";
            t << "Uten: " << m.rallaPosition << " Pos_Ralla " << m.Pos_Ralla << "\n";
            t << "X Y Z: " << m.X << " " << m.Y << " " << m.Z << "\n";
            t << "Xm XM Ym YM: " << m.Xm << " " << m.XM << " " << m.Ym << " " << m.YM << "\n";
            t << "XFm XFM YFm YFM: " << m.XFm << " " << m.XFM << " " << m.YFm << " " << m.YFM << "\n";
            t << "Vel_rot: " << m.Vel_rot << "\n";
            t << "Vel_lav: " << m.Vel_lav << "\n";
            t << "Vel_sfond: " << m.Vel_sfond << "\n";
            t << "Lav_after: ";
            for (int k = 0; k < std::clamp(m.Lav_afterCount, 0, kMaxLinks); ++k) t << m.Lav_after[k] << " ";
        }
        t << "\n\n";
        out.Put(t.s);
    }
    return out.Finish();
}
