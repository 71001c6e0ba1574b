// Bar detail loading: the chosen bar's pieces and machinings read again from the list file and
// converted into working records, with tools resolved, head slices turned into blade records,
// special shapes classified and the sub-programs registered. Also the tool check of a whole
// list at opening and the automatic tool choice.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <strings.h>

#include "engine/bar_computation.h"
#include "engine/shape_compiler.h"
#include "machine/bar_progress.h"
#include "machine/error_text.h"
#include "machine/geometry.h"
#include "machine/globals.h"
#include "machine/lda_format.h"
#include "machine/path_table.h"
#include "machine/ralla_tools.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/special_programs.h"
#include "machine/units.h"
#include "machine/utils.h"
#include "platform/paths.h"
#include "platform/profile.h"

namespace {

// The list file, closed on every path.
struct ListFile {
    std::FILE* f = nullptr;
    ~ListFile() {
        if (f != nullptr) std::fclose(f);
    }
};

// Reads a stored record of `size` bytes into a zero-filled buffer of `cap` bytes (a longer
// record's extra bytes are skipped).
// Passes over n bytes of a file read in order, as a relative seek would, but through the
// stream's buffer: a seek drops the buffer and costs system calls at every record of a long
// list. Past the end of the file it stops there, and the next read fails.
bool SkipForward(std::FILE* f, long n) {
    char scrap[512];
    while (n > 0) {
        const std::size_t want = static_cast<std::size_t>(std::min<long>(n, static_cast<long>(sizeof scrap)));
        const std::size_t got = std::fread(scrap, 1, want, f);
        n -= static_cast<long>(got);
        if (got < want) return std::ferror(f) == 0;
    }
    return true;
}

bool ReadRecord(std::FILE* f, uint8_t* buf, int cap, int size) {
    std::memset(buf, 0, static_cast<std::size_t>(cap));
    if (size <= 0) return false;
    const int take = std::min(size, cap);
    if (std::fread(buf, 1, static_cast<std::size_t>(take), f) != static_cast<std::size_t>(take)) return false;
    if (size > take && !SkipForward(f, size - take)) return false;
    return true;
}

// A list read from start to end through a window of its own, for the pass over every record of
// the list: a record is copied out of the window instead of fetched from the stream one call at
// a time (a large list has a hundred thousand of them). Reads, seeks and skips behave as
// ReadRecord, fseek and SkipForward on the stream do.
class ListWindow {
public:
    explicit ListWindow(std::FILE* f) : f_(f), bytes_(new uint8_t[kSize]) {}

    // Positions at offset (from the file's start); a place past the end makes the next read
    // fail, as with fseek.
    bool Seek(long offset) {
        if (offset < 0) return false;
        pos_ = offset;
        return true;
    }
    // ReadRecord: size bytes into a zero-filled buffer of cap bytes (a longer record's extra
    // bytes are passed over).
    bool Record(uint8_t* buf, int cap, int size) {
        std::memset(buf, 0, static_cast<std::size_t>(cap));
        if (size <= 0) return false;
        const int take = std::min(size, cap);
        if (Copy(buf, static_cast<long>(take)) != take) return false;
        return size <= take || Skip(size - take);
    }
    // SkipForward: passes over n bytes; past the end it stops there (the next read fails) and
    // only a read error is a failure.
    bool Skip(long n) {
        const long got = Copy(nullptr, n);
        return got == n || !error_;
    }

private:
    static constexpr long kSize = 1L << 18;

    // Copies (or, with dst null, passes over) up to n bytes from the position; returns how many.
    long Copy(uint8_t* dst, long n) {
        long done = 0;
        while (done < n) {
            if (pos_ < start_ || pos_ >= start_ + length_) {
                if (!Fill()) break;
            }
            const long have = std::min(n - done, start_ + length_ - pos_);
            if (dst != nullptr) std::memcpy(dst + done, bytes_.get() + (pos_ - start_), static_cast<std::size_t>(have));
            done += have;
            pos_ += have;
        }
        return done;
    }
    // Reads the window at the position; false at the end of the file or on an error.
    bool Fill() {
        start_ = pos_;
        length_ = 0;
        if (std::fseek(f_, pos_, SEEK_SET) != 0) {
            error_ = true;
            return false;
        }
        length_ = static_cast<long>(std::fread(bytes_.get(), 1, static_cast<std::size_t>(kSize), f_));
        if (length_ < kSize && std::ferror(f_) != 0) error_ = true;
        return length_ > 0;
    }

    std::FILE* f_;
    std::unique_ptr<uint8_t[]> bytes_;
    long pos_ = 0;
    long start_ = 0;
    long length_ = 0;
    bool error_ = false;
};

std::string Text(const uint8_t* p, int n) {
    std::string s(reinterpret_cast<const char*>(p), static_cast<std::size_t>(n));
    const auto z = s.find('\0');
    if (z != std::string::npos) s.resize(z);
    return s;
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// A tool name as the list gives it: cut at its first blank.
std::string ToolNameOf(const uint8_t* rec) {
    std::string n = Text(rec + lda::mach::kToolName, lda::mach::kToolNameLen);
    const auto b = n.find(' ');
    if (b != std::string::npos) n.resize(b);
    return n;
}

bool IsBladeName(const std::string& name) {
    const MachineSettings& s = *g_pSettings;
    return !name.empty() && (name == s.QBLADE_NAME || name == s.SLICERBLADE_NAME);
}

void SetLdtMessage(const char* key, const uint8_t* rec, bool spaced = false) {
    const std::string ldt = Text(rec + lda::mach::kNomeLdt, lda::mach::kNomeLdtLen);
    SetErrorText(spaced ? "%s (LDT:%s - %d)" : "%s (LDT:%s-%d)", MsgError(key), ldt.c_str(),
                 static_cast<int>(lda::GetI16(rec + lda::mach::kIdLdt)));
}

// A stored record's sizes that the engine relies on: tail length, parameter count and depth
// count. A record that does not hold together is refused before any of them is used.
bool RecordFitsSlots(const uint8_t* rec) {
    const int tail = lda::GetI16(rec + lda::mach::kTailLength);
    const int params = lda::GetI16(rec + lda::mach::kParamCount);
    const int32_t depths = lda::GetI32(rec + lda::mach::kDepthCount);
    // A special shape's name is written into the program: read again here, it must still be a
    // name the list reader accepts (the file may have changed since the list was opened).
    const bool shapeSafe = lda::GetI16(rec + lda::mach::kFigure) != 0 ||
                           (lda::IsTerminated(rec + lda::mach::kShapeName, lda::mach::kShapeNameLen) &&
                            lda::IsProgramSafeText(rec + lda::mach::kShapeName, lda::mach::kShapeNameLen));
    return tail >= 0 && tail <= lda::kMaxTail && params >= 0 && params <= kMaxFigureParams &&
           depths <= kMaxDepthSteps + 1 && shapeSafe;
}

void SetBadRecordMessage(const uint8_t* rec) { SetLdtMessage("ERR_BAD_RECORD", rec); }

// Per-piece values read from a stored piece record.
struct StoredPiece {
    std::string name, addInfo, texts[3];
    int32_t length = 0;
    int16_t machinings = 0;
    int32_t angle[2] = {};       // right, left
    int32_t second[2] = {};
    int32_t height[2] = {};
};

StoredPiece ReadPiece(const uint8_t* p) {
    StoredPiece s;
    s.name = Text(p + lda::piece::kName, lda::piece::kTextLen);
    s.length = RoundToTen(lda::GetI32(p + lda::piece::kLength));
    s.machinings = lda::GetI16(p + lda::piece::kMachiningCount);
    // The right end is the piece's first end, the left end its second one; each end's second
    // angle is its further angle and the slice height the value that belongs to it.
    s.angle[0] = lda::GetI32(p + lda::piece::kFirstAngle);
    s.angle[1] = lda::GetI32(p + lda::piece::kSecondAngle);
    s.second[0] = lda::GetI32(p + lda::piece::kFirstFurtherAngle);
    s.second[1] = lda::GetI32(p + lda::piece::kSecondFurtherAngle);
    s.height[0] = lda::GetI32(p + lda::piece::kFirstFurtherValue);
    s.height[1] = lda::GetI32(p + lda::piece::kSecondFurtherValue);
    s.addInfo = Text(p + lda::piece::kAddInfo, lda::piece::kTextLen);
    // The three texts carried over are the second, third and fourth piece texts.
    s.texts[0] = Text(p + lda::piece::kText3, lda::piece::kTextLen);
    s.texts[1] = Text(p + lda::piece::kText4, lda::piece::kTextLen);
    s.texts[2] = Text(p + lda::piece::kText5, lda::piece::kTextLen);
    return s;
}

// Head slices of one end on variant 1: 0 none, 1 angled (two records), 2 straight (one).
// Updates the end angle and second angle as the slice rules say.
int SliceOfEnd(int32_t& angle, int32_t& second, int32_t height, int32_t profileTop) {
    if (angle > 360000) SplitCompoundAngle(angle, &angle, &second);
    if (second == 90000 || second == 0 || height == 0) return 0;
    if (angle != 90000) return 1;
    if (height < profileTop) return 2;
    angle = second;
    return 0;
}

void CopyText(char* dst, std::size_t size, const std::string& src) {
    if (size == 0) return;
    const std::size_t n = std::min(src.size(), size - 1); // cut to the field
    std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
}

// Enters a tool among the bar's requested tools (first free position), unless it is there.
bool RequestTool(BarRecord& bar, int tool, int positions) {
    if (tool <= 0) return true;
    for (int p = 0; p < positions; ++p) {
        if (bar.requiredTools[p] == tool) return true;
        if (bar.requiredTools[p] == 0) {
            bar.requiredTools[p] = tool;
            return true;
        }
    }
    return false;
}

} // namespace

int BarComputation::ChooseAutomaticTool(int32_t figure, int32_t diameter, char name[10], int32_t* diameterIndex) {
    if (diameter == 0 || g_pRallaTools == nullptr) return 1;
    const int32_t d = diameter < 0 ? -diameter : diameter;
    int candTool = -1, candIndex = 0;
    int64_t bestDistance = INT64_MAX;
    bool taken = false;
    const int positions = std::min(g_rallaPositions, kRallaMaxPositions);
    // The set-up the machining will be worked with: the bar's own once the tool-setup optimiser
    // stored it, else (at list opening, or a bar computed outside a selection) the list's.
    const int32_t* setup = BarSetup();
    for (int p = 0; p < positions; ++p) {
        const int t = setup[p];
        if (t <= 0 || t >= g_pRallaTools->Count()) continue;
        const ToolRecord& tool = g_pRallaTools->Tool(t);
        if (!(tool.kind == 0 || (tool.kind == 1 && figure == 1))) continue;
        for (int k = 0; k < 3; ++k) {
            const int32_t D = tool.diameter[k];
            if (D < 1) break;
            const int64_t dist = std::llabs(int64_t{D} - d);
            if (dist < 5) {
                if (tool.kind == 1) {
                    std::snprintf(name, 10, "%s", tool.name);
                    *diameterIndex = k;
                    return 0;
                }
                if (!taken) {
                    candTool = t;
                    candIndex = k;
                    taken = true;
                }
                continue;
            }
            if (!taken && diameter > 0 && tool.kind == 0 && D < d + 5 && dist < bestDistance) {
                bestDistance = dist;
                candTool = t;
                candIndex = k;
            }
        }
    }
    if (candTool < 0) return 1;
    std::snprintf(name, 10, "%s", g_pRallaTools->Tool(candTool).name);
    *diameterIndex = candIndex;
    return 0;
}

namespace {

// The values of a stored machining record that more than one step of its conversion reads.
struct StoredMachining {
    std::string tool;        // the stored tool name, empty for an automatic choice
    float direction = 0;     // direction angle: blade programs only
    float figureAngle = 0;
    float face = 0;          // face angle
    int16_t rotationSpeed = 0; // below 0: the tool's
};

StoredMachining ReadStoredMachining(const uint8_t* rec) {
    using namespace lda::mach;
    StoredMachining v;
    v.tool = ToolNameOf(rec);
    v.direction = lda::GetF32(rec + kDirectionAngle);
    v.figureAngle = lda::GetF32(rec + kFigureAngle);
    v.face = lda::GetF32(rec + kFaceAngle);
    v.rotationSpeed = lda::GetI16(rec + kRotationSpeed);
    return v;
}

// The record's kind: on variant 1 the two blade tools make blade records with their own
// figures. Returns the figure the record stands for.
int32_t ReadKind(const uint8_t* rec, const StoredMachining& v, WorkingMachining& m) {
    const MachineSettings& s = *g_pSettings;
    int32_t figure = lda::GetI16(rec + lda::mach::kFigure);
    m.TipoLavor = kKindRalla;
    if (MachineVariant == 1) {
        if (!v.tool.empty() && v.tool == s.QBLADE_NAME) {
            m.TipoLavor = kKindQBlade;
            figure = 6010;
        } else if (!v.tool.empty() && v.tool == s.SLICERBLADE_NAME) {
            m.TipoLavor = kKindSlicerBlade;
            figure = 6020;
        }
    }
    return figure;
}

// Group, priority and drawing; a direction only on the blade programs; at most 9999 groups
// per piece. 0, or 1 with the message set.
int ReadGroup(const uint8_t* rec, const StoredMachining& v, int32_t figure, WorkingMachining& m, int pieceIndex,
              int runningId, bool isBlade) {
    using namespace lda::mach;
    int32_t group = lda::GetI32(rec + kGroup);
    m.Priorita = lda::GetI32(rec + kPriority);
    CopyText(m.NomeLdt, sizeof m.NomeLdt, Text(rec + kNomeLdt, kNomeLdtLen));
    m.IdLdt = isBlade ? runningId : lda::GetI16(rec + kIdLdt);
    if ((rec[kDirectionFlag] != 0 || v.direction != 0.0f) && figure != 6010 && figure != 6020) {
        SetLdtMessage("ERR_DIR_LAV", rec);
        return 1;
    }
    if (group > 9999) {
        SetErrorText("%s", MsgError("TROPPI_INSIEMI"));
        return 1;
    }
    if (group > 0) {
        m.Insieme = pieceIndex * 10000 + group;
    } else {
        m.Insieme = 0;
        m.Priorita = 0;
    }
    return 0;
}

// Requested diameter, figure and its parameters. 0, or 1 with the message set.
int ReadFigure(const uint8_t* rec, int32_t figure, int formatVersion, WorkingMachining& m) {
    using namespace lda::mach;
    m.requestedDiameter = formatVersion >= 15 ? RoundToTen(lda::GetI32(rec + kRequestedDiameter)) : 0;
    m.Figura = figure;
    if (!RecordFitsSlots(rec)) {
        SetBadRecordMessage(rec);
        return 1;
    }
    m.paramCount = lda::GetI16(rec + kParamCount);
    for (int i = 0; i < kMaxFigureParams; ++i) m.params[i] = lda::GetI32(rec + kParams + 4 * i);
    return 0;
}

// The largest place, depth, extent or length a list may hold, read or formed, in thousandths
// of a millimetre: a kilometre, far beyond any bar the machine takes, and two of them still add,
// subtract or negate within 32 bits.
constexpr int64_t kMaxPlace = 1000000000;

bool PlaceHolds(int64_t v) { return v >= -kMaxPlace && v <= kMaxPlace; }

// Position and depths, and the extents: the tool path is the figure narrowed by the tool
// radius on every side (the path of the tool's centre); the radius side is the support-vice
// zone the record starts with. The values are formed in 64 bits: false (nothing set) when one
// of them leaves the places a record may hold.
bool ReadPlace(const uint8_t* rec, const BarValues& bv, bool noTool, const StoredMachining& v, WorkingMachining& m) {
    using namespace lda::mach;
    const MachineSettings& s = *g_pSettings;
    const int64_t x = lda::GetI32(rec + kX);
    const int64_t y = int64_t{lda::GetI32(rec + kY)} + bv.yOffset;
    const int64_t z = int64_t{lda::GetI32(rec + kZ)} + bv.zOffset;
    int64_t steps = m.depthSteps, stepDepth = m.stepDepth, totalDepth = m.totalDepth;
    if (!noTool) {
        steps = std::max<int64_t>(int64_t{lda::GetI32(rec + kDepthCount)} - 1, 1);
        stepDepth = lda::GetI32(rec + kStepDepth);
        totalDepth = steps * stepDepth;
    }
    const int64_t zDisimp = lda::GetI32(rec + kZDisimp);
    const int64_t addX = m.TipoLavor == kKindSlicerBlade ? 0 : x;
    const int64_t xFm = addX + lda::GetI32(rec + kXMin);
    const int64_t xFM = addX + lda::GetI32(rec + kXMax);
    const int64_t yFm = lda::GetI32(rec + kYMin);
    const int64_t yFM = lda::GetI32(rec + kYMax);
    const int64_t r = m.toolRadius;
    for (const int64_t w : {x, y, z, stepDepth, totalDepth, zDisimp, xFm, xFM, yFm, yFM, xFm + r, xFM - r, yFm + r,
                            yFM - r})
        if (!PlaceHolds(w)) return false;
    m.X = static_cast<int32_t>(x);
    m.Y = static_cast<int32_t>(y);
    m.Z = static_cast<int32_t>(z);
    m.depthSteps = static_cast<int32_t>(steps); // at most the depth slots: RecordFitsSlots
    m.stepDepth = static_cast<int32_t>(stepDepth);
    m.totalDepth = static_cast<int32_t>(totalDepth);
    m.Zdisimp = static_cast<int32_t>(zDisimp);
    m.Svuotam = rec[kSvuotam];
    m.Svuotam2 = rec[kSvuotam2];
    m.AngFig = StepIntoRange(ToThousandths(v.figureAngle), 360000, 0, 360000);
    m.SupportZone = MachineVariant == 2 ? -1 : (s.MORSE_SUPP > 0 ? 0 : -1);
    m.XFm = static_cast<int32_t>(xFm);
    m.XFM = static_cast<int32_t>(xFM);
    m.YFm = static_cast<int32_t>(yFm);
    m.YFM = static_cast<int32_t>(yFM);
    m.Xm = static_cast<int32_t>(xFm + r);
    m.XM = static_cast<int32_t>(xFM - r);
    m.Ym = static_cast<int32_t>(yFm + r);
    m.YM = static_cast<int32_t>(yFM - r);
    return true;
}

// The largest angle a record may hold, in degrees: angles are carried on in thousandths in 32
// bits with room for a turn either way, and the steps that bring one into a turn then take a
// few thousand steps at most.
constexpr double kMaxAngle = 2000000.0;

// The record's face, figure and direction angles within that bound (a value that is not a
// number is left to the steps that read it, as before).
bool AnglesHold(const StoredMachining& v) {
    for (const float a : {v.face, v.figureAngle, v.direction})
        if (std::fabs(static_cast<double>(a)) > kMaxAngle) return false;
    return true;
}

// The list's own speeds, the speed of rotation, the figure's sense and the marks.
void ReadSpeeds(const uint8_t* rec, const StoredMachining& v, const ToolRecord& tool, WorkingMachining& m) {
    using namespace lda::mach;
    const MachineSettings& s = *g_pSettings;
    for (int i = 0; i < 3; ++i) m.ownSpeeds[i] = lda::GetI32(rec + kSpeed1 + 4 * i);
    m.Vel_rot = m.ownSpeeds[0];
    m.Vel_lav = m.ownSpeeds[1];
    m.Vel_sfond = m.ownSpeeds[2];
    m.speedGiven = (m.ownSpeeds[0] != 0 || m.ownSpeeds[1] != 0 || m.ownSpeeds[2] != 0) ? 1 : 0;
    m.rotationSpeed = v.rotationSpeed >= 0 ? v.rotationSpeed : tool.speed;
    const int16_t sense = lda::GetI16(rec + kFigureSense);
    if (MachineVariant == 1 && m.TipoLavor == kKindSlicerBlade)
        m.figureSense = sense;
    else
        m.figureSense = sense == 1 ? 1 : (sense != 0 ? 0 : s.SENSO_FIGURE);
    m.markByte = rec[kByte251];
    m.roughMark1 = rec[kByte252];
    m.roughMark2 = rec[kByte253];
}

// A figure 30 stands for the figure in its first parameter, with the other two moved down.
void UnfoldFigure30(WorkingMachining& m) {
    if (m.Figura != 30) return;
    m.Figura = m.params[0] / 1000;
    m.params[0] = m.params[1];
    m.params[1] = m.params[2];
    m.params[2] = 0;
    m.paramCount = 2;
    if (m.Figura == 6000 && MachineVariant == 2) m.TipoLavor = kKindFigure6000;
}

// The depth-step records from the record's tail; false when a step's depth leaves the places
// a record may hold.
bool ReadDepthSteps(const uint8_t* tail, int tailLen, const StoredMachining& v, const ToolRecord& tool,
                    WorkingMachining& m) {
    if (tailLen <= 0 || tail == nullptr) return true;
    const int entries = std::min({tailLen / lda::kTailEntrySize, m.depthSteps, kMaxDepthSteps});
    for (int i = 0; i < entries; ++i) {
        const uint8_t* e = tail + i * lda::kTailEntrySize;
        DepthStepRecord& d = m.depthStepRecords[i];
        d.depth = lda::GetI32(e);
        if (!PlaceHolds(d.depth)) return false;
        for (int k = 0; k < 3; ++k) d.values[k] = lda::GetI32(e + 4 + 4 * k);
        d.flags = lda::GetI32(e + 16);
        d.value16 = lda::GetI16(e + 20);
        const int32_t sp = lda::GetI32(e + 22);
        d.speed = sp >= 0 ? sp : (v.rotationSpeed >= 0 ? v.rotationSpeed : tool.speed);
        if (d.values[0] != 0 || d.values[1] != 0 || d.values[2] != 0) m.speedGiven = 1;
    }
    if (entries > 0) {
        m.totalDepth = m.depthStepRecords[entries - 1].depth;
        m.depthStepMarker = 1;
    }
    return true;
}

} // namespace

int BarComputation::ConvertRecord(const uint8_t* rec, const uint8_t* tail, int tailLen, WorkingMachining& m,
                                  WorkingPiece* piece, int pieceIndex, int runningId, bool isBlade) {
    m.Id = runningId;
    m.Id2 = 0;
    m.active = 1;
    m.OwnPositioning = 1;
    m.RallaDelta = kNoRallaAngle;
    m.PieceRef = piece;
    const StoredMachining v = ReadStoredMachining(rec);
    const int32_t figure = ReadKind(rec, v, m);
    if (ReadGroup(rec, v, figure, m, pieceIndex, runningId, isBlade) != 0) return 1;
    if (ReadFigure(rec, figure, formatVersion_, m) != 0) return 1;
    // On variant 2 a figure 30 standing for 6000 has no tool.
    const bool noTool = MachineVariant == 2 && m.params[0] == 6000000;
    const ToolRecord* tool = nullptr;
    if (noTool)
        tool = &g_pRallaTools->Tool(0);
    else if (ConvertTool(rec, v.tool, m, &tool) != 0)
        return 1;
    if (!ReadPlace(rec, BarEngineValues(*currentBar), noTool, v, m) || !AnglesHold(v)) {
        SetBadRecordMessage(rec);
        return 1;
    }
    ConvertFaceAngle(v.face, m);
    ReadSpeeds(rec, v, *tool, m);
    UnfoldFigure30(m);
    if (m.Figura < 0) {
        SetErrorText("%s", MsgError("ERR_NUM_FIGURA"));
        return 1;
    }
    if (ConvertProgramName(rec, v.figureAngle, v.face, v.direction, m) != 0) return 1;
    if (!ReadDepthSteps(tail, tailLen, v, *tool, m)) {
        SetBadRecordMessage(rec);
        return 1;
    }
    return 0;
}

int BarComputation::ConvertTool(const uint8_t* rec, const std::string& storedTool, WorkingMachining& m,
                                const ToolRecord** tool) {
    const MachineSettings& s = *g_pSettings;
    std::string toolName = storedTool;
    m.Diam = lda::GetI32(rec + lda::mach::kDiameterIndex);
    bool automatic = false;
    if (toolName.empty()) {
        char chosen[10] = {};
        int32_t index = 0;
        if (ChooseAutomaticTool(m.Figura, m.requestedDiameter, chosen, &index) != 0) {
            SetLdtMessage("ERR_TOOL_AUTOM", rec);
            return 1;
        }
        toolName = chosen;
        m.Diam = index;
        automatic = true;
    }
    const int found = g_pRallaTools->FindTool(toolName.c_str());
    if (found < 0 && !(MachineVariant == 1 && IsBladeKind(m.TipoLavor))) {
        SetErrorText("%s", MsgError("WRONG_DRILL"));
        return 1;
    }
    m.Uten = found < 0 ? 0 : found;
    *tool = &g_pRallaTools->Tool(m.Uten);
    if (MachineVariant == 1 && IsBladeKind(m.TipoLavor)) {
        // The blade tool.
        m.Diam = s.DIAM_LAMA;
        m.toolRadius = s.DIAM_LAMA / 2;
        m.Figura = m.TipoLavor == kKindQBlade ? 6010 : 6020;
        return 0;
    }
    // A negative index is as wrong as one of 3 or more.
    if (!automatic && (m.Diam < 0 || m.Diam >= 3)) {
        SetErrorText("%s", MsgError("WRONG_DIAM"));
        return 1;
    }
    m.toolRadius = (*tool)->diameter[m.Diam] / 2;
    if (m.toolRadius < 1) {
        SetLdtMessage("ERR_RAGGIO", rec);
        return 1;
    }
    return 0;
}

void BarComputation::ConvertFaceAngle(float face, WorkingMachining& m) {
    if (havePrevFace_ && face == prevFace_) {
        m.Angolo = prevAngolo_;
        m.faceAngleRad = prevFaceRad_;
    } else {
        m.Angolo = StepIntoRange(ToThousandths(face), 180000, -179999, 360000);
        m.faceAngleRad = DegToRad(StepIntoRangeReal(face, 360, 0, 360));
    }
    havePrevFace_ = true;
    prevFace_ = face;
    prevAngolo_ = m.Angolo;
    prevFaceRad_ = m.faceAngleRad;
}

int BarComputation::ConvertProgramName(const uint8_t* rec, float figAngle, float face, float dirAngle,
                                       WorkingMachining& m) {
    using namespace lda::mach;
    const MachineSettings& s = *g_pSettings;
    std::string name;
    if (m.Figura == 0) {
        std::string shape = Text(rec + kShapeName, kShapeNameLen);
        const auto slash = shape.find_last_of("\\/:");
        if (slash != std::string::npos) shape = shape.substr(slash + 1);
        const auto dot = shape.find('.');
        if (dot != std::string::npos) shape.resize(dot);
        name = shape;
    } else {
        name = std::to_string(m.Figura);
    }
    if (m.Figura >= 1 && m.Figura <= 49) {
        m.programKind = kProgramFigure;
        CopyText(m.programName, sizeof m.programName, name + ".BRE");
        CopyText(m.cutTool, sizeof m.cutTool, Text(rec + kShortText, kShortTextLen));
    } else if (m.Figura == 0) {
        m.programKind = kProgramLoaded;
        CopyText(m.cutTool, sizeof m.cutTool, name);
        // A special shape: compiled into the program only when its file opens and the machine
        // is connected, else a sub-program "<name>.ISO" the controller loads.
        CopyText(m.programName, sizeof m.programName, std::string(s.DIR_VLK) + name + ".VLK");
        const int32_t res = TheShapeCompiler().CompilaSpeciale3((*g_pPathTable)[PathTable::kProgramDir],
                                                               m.programName, "BRE", 0, nullptr, nullptr, 0);
        if (static_cast<int16_t>(res) == 0 && g_machineConnected != 0)
            m.programKind = kProgramCompiled;
        else
            CopyText(m.programName, sizeof m.programName, name + ".ISO");
    } else {
        m.programKind = kProgramLoaded;
        if (m.Figura == 6000 && MachineVariant == 2) {
            g_pSettings->HeadCutAngled = 1;
            m.TipoLavor = kKindFigure6000;
        }
        if (MachineVariant == 1 && (m.Figura == 6010 || m.Figura == 6020)) {
            if (HeadAngleRules(m, rec, figAngle, face, dirAngle) != 0) return 1;
        }
        CopyText(m.cutTool, sizeof m.cutTool, name);
        CopyText(m.programName, sizeof m.programName, name + ".ISO");
    }
    CopyText(m.programName, sizeof m.programName, Upper(m.programName));
    CopyText(m.cutTool, sizeof m.cutTool, Upper(m.cutTool));
    return 0;
}

int BarComputation::HeadAngleRules(WorkingMachining& m, const uint8_t* rec, float figAngle, float face,
                                   float dirAngle) {
    const MachineSettings& s = *g_pSettings;
    const BarValues bv = BarEngineValues(*currentBar);
    m.AngFig = ToThousandths(figAngle);
    m.cutAngle = dirAngle;
    double f = face;
    while (f > 360) f -= 360;
    while (f < -360) f += 360;
    if (m.Figura == 6010) {
        if (f == 270 || f == -90) {
            m.AngFig += 180000;
            if (m.AngFig >= 360000) m.AngFig -= 360000;
            m.cutAngle += 180;
            if (m.cutAngle >= 360) m.cutAngle -= 360;
        } else if (f != 90) {
            SetLdtMessage("WRONG_INTEST", rec, true);
            return 1;
        }
        m.TipoLavor = kKindQBlade;
        return 0;
    }
    if (m.AngFig != 0 && m.AngFig != 180000) {
        SetLdtMessage("WRONG_INTEST", rec, true);
        return 1;
    }
    if (f > 0) {
        m.AngFig = 180000 - m.AngFig;
        m.cutAngle += 180;
    }
    m.AngFig = StepIntoRange(m.AngFig, 180000, -179999, 360000);
    if (m.AngFig > 90000 || m.AngFig < -90000) {
        SetLdtMessage("WRONG_INTEST", rec, true);
        return 1;
    }
    double head = m.cutAngle;
    if (s.CONF_CARICO != 0) {
        head = -head;
        if (head * 1000 < s.Q_MIN_LAMA) head += 360;
        else if (head * 1000 > s.Q_MAX_LAMA) head -= 360;
    }
    if (head * 1000 < s.Q_MIN_LAMA || head * 1000 > s.Q_MAX_LAMA) {
        SetLdtMessage("WRONG_INTEST", rec, true);
        return 1;
    }
    const double y = m.Y - std::sin(MilliDegToRad(m.AngFig)) * m.YFm;
    if (y < bv.profileBottom || y > bv.profileTop) {
        SetLdtMessage("INTEST_NO_PZ", rec, true);
        return 1;
    }
    m.TipoLavor = kKindSlicerBlade;
    return 0;
}

// The chosen bar's stored pieces and machinings read again from the list file, in file order.
class BarComputation::StoredRecords {
public:
    explicit StoredRecords(const BarRecord& bar, int formatVersion)
        : bar_(bar),
          formatVersion_(formatVersion),
          pieceSize_(bar.pieceRecordSize > 0 ? bar.pieceRecordSize : lda::kPieceSize),
          machSize_(bar.machiningRecordSize > 0 ? bar.machiningRecordSize : lda::kMachiningSize) {}

    // 0, or 1 with the message set.
    int Open(const char* path) {
        lf_.f = plat::OpenFile(path, "rb");
        if (lf_.f == nullptr) {
            SetErrorText("%s (LISTA1:%s )", MsgError("ERR_FILE"), path);
            return 1;
        }
        return 0;
    }
    // Back to the bar's first piece (or first machining).
    int Rewind() {
        if (std::fseek(lf_.f, bar_.firstPieceOffset, SEEK_SET) != 0) {
            SetErrorText("%s", MsgError("ERR_READ"));
            return 1;
        }
        return 0;
    }
    void Close() {
        std::fclose(lf_.f);
        lf_.f = nullptr;
    }
    // The next piece record.
    int ReadPieceRecord(StoredPiece& sp) {
        if (!ReadRecord(lf_.f, prec_, lda::kPieceSize, pieceSize_)) {
            SetErrorText("%s", MsgError("ERR_READ"));
            return 1;
        }
        sp = ReadPiece(prec_);
        return 0;
    }
    // The next machining record and its tail, into record and tail.
    int ReadMachining(int* tailLen) {
        if (!ReadRecord(lf_.f, record, lda::kMachiningSize, machSize_)) {
            SetErrorText("%s", MsgError("ERR_READ"));
            return 1;
        }
        MigrateListRecord(formatVersion_, record, bar_.length);
        if (!RecordFitsSlots(record)) {
            SetBadRecordMessage(record);
            return 1;
        }
        *tailLen = lda::GetI16(record + lda::mach::kTailLength);
        if (*tailLen > 0 &&
            std::fread(tail, 1, static_cast<std::size_t>(*tailLen), lf_.f) != static_cast<std::size_t>(*tailLen)) {
            SetErrorText("%s", MsgError("ERR_READ"));
            return 1;
        }
        return 0;
    }

    uint8_t record[lda::kMachiningSize];
    uint8_t tail[lda::kMaxTail];

private:
    const BarRecord& bar_;
    int formatVersion_;
    int pieceSize_;
    int machSize_;
    ListFile lf_;
    uint8_t prec_[lda::kPieceSize];
};

namespace {

// A piece's two end shapes. On variant 1 a head slice becomes blade records (two for an
// angled slice, whose end then stands square); on the others a second angle is refused.
// 0, or 1 with the message set.
int ReadEndShapes(const BarRecord& bar, int32_t profileTop, StoredPiece& sp, WorkingPiece& p,
                  std::vector<BladeCutRecord>& blades) {
    if (MachineVariant == 1) {
        for (int e = 0; e < 2; ++e) {
            const int kind = SliceOfEnd(sp.angle[e], sp.second[e], sp.height[e], profileTop);
            int32_t& slice = e == 0 ? p.rightSlice : p.leftSlice;
            slice = kind;
            if (kind == 1) {
                blades.emplace_back();
                blades.emplace_back();
                BuildAngledSliceCut(blades[blades.size() - 2], blades.back(), bar, e, sp.angle[e], sp.second[e],
                                    sp.height[e], sp.length);
                (e == 0 ? p.rightSliceAngle : p.leftSliceAngle) = sp.angle[e];
                sp.angle[e] = 90000;
            } else if (kind == 2) {
                blades.emplace_back();
                BuildStraightSliceCut(blades.back(), bar, e, sp.second[e], sp.height[e], sp.length);
            }
        }
    } else {
        for (int e = 0; e < 2; ++e)
            if (sp.second[e] != 90000 && sp.second[e] != 0) {
                SetErrorText("%s", MsgError("ERR_LISTA_PEZZI"));
                return 1;
            }
    }
    p.rightSecondAngle = sp.second[0];
    p.leftSecondAngle = sp.second[1];
    // Variant 2 cuts its ends at 45 or 90 degrees only.
    if (MachineVariant == 2)
        for (int e = 0; e < 2; ++e) {
            sp.angle[e] = RoundToTen(sp.angle[e]);
            if (sp.angle[e] != 45000 && sp.angle[e] != 90000) {
                SetErrorText("%s", MsgError("ERR_LISTA_PEZZI"));
                return 1;
            }
        }
    return 0;
}

// The end angles as read, their sign flags and their range. 0, or 1 with the message set.
int ReadEndAngles(const StoredPiece& sp, WorkingPiece& p) {
    p.ADxRead = sp.angle[0];
    p.ASxRead = sp.angle[1];
    for (int e = 0; e < 2; ++e) {
        int64_t a = sp.angle[e]; // 64 bits: the lower edge is turned positive too
        int32_t flag = 0;
        if (a < 0) {
            if (a != -90000) flag = 1;
            a = -a;
        }
        // Later steps divide by the sine and tangent of an end angle: 0 and 180 degrees and
        // beyond are refused on every variant.
        bool ok = a > 0 && a < 180000;
        if (ok && MachineVariant != 1)
            ok = g_machineOption == 2 ? (a == 45000 || a == 90000) : (a >= 22500 && a <= 90000);
        if (!ok) {
            SetErrorText("%s", MsgError("WRONG_ANG_PIECE"));
            return 1;
        }
        (e == 0 ? p.ADx : p.ASx) = static_cast<int32_t>(a);
        (e == 0 ? p.SDx : p.SSx) = flag;
    }
    return 0;
}

// The piece's name (the bar's code or nothing: its number), its added information (the
// companion file's, else the list's) and its texts.
void ReadPieceNames(const StoredPiece& sp, const BarRecord& bar, int pieceIndex, const char* companionPath,
                    WorkingPiece& p) {
    char nameBuf[kPieceTextSize];
    CopyText(nameBuf, sizeof nameBuf, sp.name);
    SpaceToUnderscore(nameBuf);
    std::string nm = nameBuf;
    if (nm == std::string("<") + bar.code + ">") nm = bar.code;
    if (nm.empty() || strcasecmp(nm.c_str(), bar.code) == 0) nm = "#" + std::to_string(pieceIndex + 1);
    CopyText(nameBuf, sizeof nameBuf, nm);
    TrimTextField(nameBuf);
    CopyText(p.Nome, sizeof p.Nome, nameBuf);
    CopyText(p.addInfoKey, sizeof p.addInfoKey, nameBuf);
    char info[kPieceTextSize] = {};
    plat::GetProfileString(nameBuf, "ADDINFO", "", info, sizeof info, plat::NativePath(companionPath).c_str());
    CopyText(p.ADDINFO, sizeof p.ADDINFO, info[0] != '\0' ? std::string(info) : sp.addInfo);
    for (int t = 0; t < 3; ++t) CopyText(p.texts[t], sizeof p.texts[t], sp.texts[t]);
}

} // namespace

int BarComputation::LoadBarDetail(int barIndex) {
    if (StartBarDetail(barIndex) != 0) return 1;
    // The pieces are read again at the offsets of the first reading: only from that same file.
    if (!IsStillTheListRead()) return 1;
    StoredRecords stored(*currentBar, formatVersion_);
    if (stored.Open(ListPath()) != 0) return 1;
    int storedTotal = 0;
    if (CountStoredRecords(stored, &storedTotal) != 0) return 1;
    int runningId = 0;
    int converted = 0;
    if (ReadStoredRecords(stored, storedTotal, runningId, converted) != 0) return 1;
    stored.Close();
    MakeRecordList(converted);
    if (RegisterSubPrograms() != 0) return 1;
    PrepareEndCutRecords(runningId);
    return 0;
}

int BarComputation::StartBarDetail(int barIndex) {
    if (barIndex < 0 || barIndex >= BarCount() || g_pSettings == nullptr || g_pRallaTools == nullptr) {
        SetErrorText("%s", MsgError("ERR_READ"));
        return 1;
    }
    currentBar = Bar(barIndex);
    currentBarIndex = barIndex;
    PlanOwnSetup();
    if (g_pSpecialPrograms != nullptr) g_pSpecialPrograms->ClearSpecialList();
    havePrevFace_ = false;
    piecesDone = 0;
    if (g_pSettings->MEM_PEZZI != 0)
        piecesDone = ReadFittingBarProgress(currentBar->index, ListPath(), PieceCountOfDetail()).piecesDone;
    return 0;
}

int BarComputation::PieceCountOfDetail() const {
    const bool hasPieces = currentBar->firstPieceIndex >= 0 && currentBar->pieceCount > 0;
    return hasPieces ? currentBar->pieceCount : 0;
}

int BarComputation::CountStoredRecords(StoredRecords& stored, int* storedTotal) {
    // First pass: the stored machinings and the head-slice records of every piece.
    const BarRecord& bar = *currentBar;
    const int32_t profileTop = BarEngineValues(bar).profileTop;
    const int nPieces = PieceCountOfDetail();
    int slicesTotal = 0;
    *storedTotal = 0;
    // The pieces are laid one after the other from the bar's head: the bar, and its pieces
    // together, within the lengths a list may hold.
    if (!PlaceHolds(bar.length)) {
        SetErrorText("%s", MsgError("ERR_READ"));
        return 1;
    }
    int64_t piecesLength = 0;
    if (stored.Rewind() != 0) return 1;
    if (nPieces > 0) {
        for (int i = 0; i < nPieces; ++i) {
            StoredPiece sp;
            if (stored.ReadPieceRecord(sp) != 0) return 1;
            piecesLength += std::llabs(int64_t{sp.length});
            if (sp.machinings < 0 || !PlaceHolds(piecesLength)) {
                SetErrorText("%s", MsgError("ERR_READ"));
                return 1;
            }
            if (MachineVariant == 1)
                for (int e = 0; e < 2; ++e) {
                    const int kind = SliceOfEnd(sp.angle[e], sp.second[e], sp.height[e], profileTop);
                    slicesTotal += kind == 1 ? 2 : (kind == 2 ? 1 : 0);
                }
            *storedTotal += sp.machinings;
            for (int k = 0; k < sp.machinings; ++k) {
                int tl = 0;
                if (stored.ReadMachining(&tl) != 0) return 1;
            }
        }
    } else {
        *storedTotal = bar.machiningCount > 0 ? bar.machiningCount : 0;
    }
    orderedMachinings = *storedTotal + slicesTotal;
    records.reserve(static_cast<std::size_t>(orderedMachinings + 2 * nPieces));
    return 0;
}

int BarComputation::ReadStoredRecords(StoredRecords& stored, int storedTotal, int& runningId, int& converted) {
    // Second pass: the machinings of a bar without pieces, or each piece with its own.
    if (stored.Rewind() != 0) return 1;
    const int nPieces = PieceCountOfDetail();
    if (nPieces == 0) {
        for (int k = 0; k < storedTotal; ++k) {
            int tl = 0;
            if (stored.ReadMachining(&tl) != 0) return 1;
            ++runningId;
            WorkingMachining* m = NewRecord();
            if (ConvertRecord(stored.record, stored.tail, tl, *m, nullptr, 0, runningId, false) != 0) return 1;
            records.push_back(m);
            ++converted;
        }
    }
    for (int i = 0; i < nPieces; ++i)
        if (ReadPieceDetail(stored, i, runningId, converted) != 0) return 1;
    return 0;
}

int BarComputation::ReadPieceDetail(StoredRecords& stored, int i, int& runningId, int& converted) {
    const BarRecord& bar = *currentBar;
    StoredPiece sp;
    if (stored.ReadPieceRecord(sp) != 0) return 1;
    pieceStore_.push_back(std::make_unique<WorkingPiece>());
    WorkingPiece& p = *pieceStore_.back();
    pieces.push_back(&p);
    p.Id = i + 1;
    p.Lung = sp.length;
    p.made = i < piecesDone ? 1 : 0;
    p.rightSliceHeight = sp.height[0];
    p.leftSliceHeight = sp.height[1];
    std::vector<BladeCutRecord> blades;
    if (ReadEndShapes(bar, BarEngineValues(bar).profileTop, sp, p, blades) != 0) return 1;
    if (ReadEndAngles(sp, p) != 0) return 1;
    ReadPieceNames(sp, bar, i, CompanionPath(), p);
    p.Lav = sp.machinings + static_cast<int32_t>(blades.size());
    p.FstLav = converted;
    // The piece's records: its stored machinings, then the blade records of its head slices.
    // A piece made in an earlier run keeps none.
    for (int k = 0; k < p.Lav; ++k) {
        const uint8_t* rec;
        int tl = 0;
        const bool isBlade = k >= sp.machinings;
        if (!isBlade) {
            if (stored.ReadMachining(&tl) != 0) return 1;
            rec = stored.record;
        } else {
            rec = blades[static_cast<std::size_t>(k - sp.machinings)].bytes;
        }
        ++runningId;
        if (p.made != 0) continue;
        WorkingMachining* m = NewRecord();
        if (ConvertRecord(rec, isBlade ? nullptr : stored.tail, tl, *m, &p, i, runningId, isBlade) != 0) return 1;
        records.push_back(m);
        ++converted;
    }
    if (p.made != 0) {
        p.Lav = 0;
        p.FstLav = 0;
    }
    return 0;
}

void BarComputation::MakeRecordList(int converted) {
    // The converted machinings, then room for two end cuts of every piece still to make.
    cutCount = 2 * (PieceCountOfDetail() - piecesDone);
    machiningCount = orderedMachinings = converted;
    recordCount = orderedRecords = machiningCount + cutCount;
    for (int c = 0; c < cutCount; ++c) records.push_back(NewRecord());
    order = records;
}

int BarComputation::RegisterSubPrograms() {
    // The sub-programs the controller must load, once per name.
    const MachineSettings& s = *g_pSettings;
    MergeSort(order.data(), static_cast<std::size_t>(orderedMachinings), CompareProgramName);
    const char* prevName = nullptr;
    for (int i = 0; i < orderedMachinings; ++i) {
        WorkingMachining& m = *order[static_cast<std::size_t>(i)];
        if (MachineVariant == 1 && s.CONF_CARICO != 0 && m.TipoLavor == kKindRalla) m.AngFig = -m.AngFig;
        if (m.programKind == kProgramLoaded && (prevName == nullptr || strcasecmp(prevName, m.programName) != 0)) {
            const int res = g_pSpecialPrograms != nullptr ? g_pSpecialPrograms->AddSpecialProgram(m.programName) : 0;
            if (res == 1) {
                SetErrorText("%s", MsgError("TROPPE_FIG_SPECIAL"));
                return 1;
            }
            if (res != 0) {
                SetErrorText("%s %s", MsgError("ERR_NO_SPECIAL"), m.programName);
                return 1;
            }
        }
        if (m.programKind == kProgramLoaded) prevName = m.programName;
    }
    return 0;
}

void BarComputation::PrepareEndCutRecords(int runningId) {
    // The end-cut records follow the machinings with the next Ids.
    for (int c = 0; c < cutCount; ++c) {
        WorkingMachining& m = *order[static_cast<std::size_t>(orderedMachinings + c)];
        m.Id = runningId + 1 + c;
        m.Id2 = 0;
        m.active = 1;
        m.Insieme = kEndCutSet;
        m.Priorita = 1;
        m.NomeLdt[0] = '\0';
        m.IdLdt = 0;
        m.Lav_afterCount = 0;
        m.companion.reset();
        m.TipoLavor = kKindEndCut;
        m.OwnPositioning = 1;
        m.RallaDelta = kNoRallaAngle;
    }
}

int BarComputation::CheckListTools() {
    if (g_pSettings == nullptr || g_pRallaTools == nullptr) {
        SetErrorText("%s", MsgError("ERR_READ"));
        return 1;
    }
    // The whole list is read once more here, through a window that the seek to each bar
    // lands inside.
    ListFile lf;
    lf.f = plat::OpenFile(ListPath(), "rb");
    if (lf.f == nullptr) {
        SetErrorText("%s (LISTA2:%s )", MsgError("ERR_FILE"), ListPath());
        return 1;
    }
    ListWindow list(lf.f);
    uint8_t prec[lda::kPieceSize];
    uint8_t mrec[lda::kMachiningSize];
    const int slots = std::min(g_rallaPositions, kRallaMaxPositions);
    // The verdict on a named tool depends on its name only: a record naming the same tool field
    // as the one before takes the name and verdict found then.
    char lastField[lda::mach::kToolNameLen] = {};
    bool lastKnown = false;
    bool lastSkipped = false;
    std::string lastName;
    for (int b = 0; b < BarCount(); ++b) {
        const BarRecord& bar = *Bar(b);
        BarRecord& requesting = *Bar(b);
        const bool hasPieces = bar.firstPieceIndex >= 0 && bar.pieceCount > 0;
        const int pieceSize = bar.pieceRecordSize > 0 ? bar.pieceRecordSize : lda::kPieceSize;
        const int machSize = bar.machiningRecordSize > 0 ? bar.machiningRecordSize : lda::kMachiningSize;
        if (!list.Seek(bar.firstPieceOffset)) {
            SetErrorText("%s", MsgError("ERR_READ"));
            return 1;
        }
        std::string used[kRallaMaxPositions];
        auto checkRecords = [&](int count) -> int {
            for (int k = 0; k < count; ++k) {
                if (!list.Record(mrec, lda::kMachiningSize, machSize)) {
                    SetErrorText("%s", MsgError("ERR_READ"));
                    return 1;
                }
                // From the direct versions on, the migration changes only angles, limits, the
                // direction flag and bytes 252-253, none of which this check reads.
                if (formatVersion_ < lda::kVersionFirstDirect) MigrateListRecord(formatVersion_, mrec, bar.length);
                if (!RecordFitsSlots(mrec)) {
                    SetBadRecordMessage(mrec);
                    return 1;
                }
                // The tail is passed over for every record, blade records too, so that the
                // next record is read from its own place.
                const int tl = lda::GetI16(mrec + lda::mach::kTailLength);
                if (tl > 0 && !list.Skip(tl)) {
                    SetErrorText("%s", MsgError("ERR_READ"));
                    return 1;
                }
                const uint8_t* field = mrec + lda::mach::kToolName;
                const bool sameTool = lastKnown && std::memcmp(field, lastField, sizeof lastField) == 0;
                if (sameTool && lastSkipped) continue;
                std::string name = sameTool ? lastName : ToolNameOf(mrec);
                if (sameTool) {
                    // found and checked at an earlier record
                } else if (name.empty()) {
                    char chosen[10] = {};
                    int32_t index = 0;
                    const int32_t req = formatVersion_ >= 15 ? lda::GetI32(mrec + lda::mach::kRequestedDiameter) : 0;
                    if (ChooseAutomaticTool(lda::GetI16(mrec + lda::mach::kFigure), req, chosen, &index) != 0) {
                        SetLdtMessage("ERR_TOOL_AUTOM", mrec);
                        return 1;
                    }
                    name = chosen;
                    // An automatic tool is one of the bar's tools: the tool-setup optimiser keeps
                    // it mounted for the bar like a tool the list names.
                    if (!RequestTool(requesting, g_pRallaTools->FindTool(chosen), slots)) {
                        SetErrorText("%s %s", MsgError("TROPPI_UTEN"), bar.displayLabel);
                        return 1;
                    }
                } else {
                    lastSkipped = MachineVariant == 1 && IsBladeName(name);
                    if (!lastSkipped && g_pRallaTools->FindTool(name.c_str()) < 0 && !IsBladeName(name)) {
                        SetErrorText("%s", MsgError("WRONG_DRILL"));
                        return 1;
                    }
                    std::memcpy(lastField, field, sizeof lastField);
                    lastName = name;
                    lastKnown = true;
                    if (lastSkipped) continue;
                }
                bool placed = false;
                for (int sl = 0; sl < slots && !placed; ++sl) {
                    if (used[sl] == name) placed = true;
                    else if (used[sl].empty()) {
                        used[sl] = name;
                        placed = true;
                    }
                }
                if (!placed) {
                    SetErrorText("%s %s", MsgError("TROPPI_UTEN"), bar.displayLabel);
                    return 1;
                }
            }
            return 0;
        };
        if (hasPieces) {
            for (int i = 0; i < bar.pieceCount; ++i) {
                if (!list.Record(prec, lda::kPieceSize, pieceSize)) {
                    SetErrorText("%s", MsgError("ERR_READ"));
                    return 1;
                }
                if (checkRecords(lda::GetI16(prec + lda::piece::kMachiningCount)) != 0) return 1;
            }
        } else if (checkRecords(bar.machiningCount) != 0) {
            return 1;
        }
    }
    return 0;
}
