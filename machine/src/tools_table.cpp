// The tool table file "TOOLS.TXT": reader, writer, limit check and blade records.
#include "machine/tool_table.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <new>

#include "machine/error_text.h"
#include "machine/file_routines.h"
#include "machine/globals.h"
#include "machine/number_entry.h"
#include "machine/path_table.h"
#include "machine/ralla_tools.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/ui_services.h"
#include "machine/units.h"
#include "machine/utils.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace {

const char* ToolsTxtPath() { return PathSlot(PathTable::kToolsTxt); }

// Splits a text into lines, accepting CR LF, LF and a lone CR.
std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
        const std::size_t start = i;
        while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i]))) ++i;
        if (i > start) words.push_back(text.substr(start, i - start));
    }
    return words;
}

// The leading integer of a word ("%d"), 0 when it has none; clamped to 32 bits.
int32_t IntOf(const std::string& word) {
    std::size_t i = 0;
    if (i < word.size() && (word[i] == '-' || word[i] == '+')) ++i;
    std::size_t digits = i;
    while (digits < word.size() && std::isdigit(static_cast<unsigned char>(word[digits]))) ++digits;
    if (digits == i) return 0;
    int32_t out = 0;
    if (!plat::ParseInt32(word.substr(0, digits), out)) return word[0] == '-' ? INT32_MIN : INT32_MAX;
    return out;
}

// n reals read one after the other ("%f%f..."); values missing at the end stay 0.
void Reals(const std::string& line, float* out[], int n) {
    const char* p = line.c_str();
    for (int i = 0; i < n; ++i) {
        const char* end = nullptr;
        const double v = plat::StrtodC(p, &end);
        if (end == p) return;
        *out[i] = static_cast<float>(v);
        p = end;
    }
}

void FillRecord(ToolFileRecord& r, const std::vector<std::string>& head, const std::string& l2, const std::string& l3,
                const std::string& l4) {
    r.kind = head.size() > 1 ? IntOf(head[1]) : 0;
    r.cooling = head.size() > 2 ? IntOf(head[2]) : 0;
    // Line 2: speed (a 32-bit integer), feed or pitch, plunge or percent reduction.
    const std::vector<std::string> w2 = Words(l2);
    r.speed = w2.empty() ? 0 : IntOf(w2[0]);
    const std::size_t firstSpace = l2.find_first_of(" \t", l2.find_first_not_of(" \t"));
    float* rest2[] = {&r.feed, &r.plunge};
    if (firstSpace != std::string::npos) Reals(l2.substr(firstSpace), rest2, 2);
    float* line3[] = {&r.diameter[0], &r.diameter[1], &r.diameter[2], &r.shankDiameter, &r.tipDiameter1, &r.tipDiameter2};
    Reals(l3, line3, 6);
    float* line4[] = {&r.length[0], &r.length[1], &r.length[2], &r.tipLength1, &r.totalLength, &r.tipLength2};
    Reals(l4, line4, 6);
}

bool IsBlade(const char* name) {
    if (g_pSettings == nullptr) return false;
    return std::strcmp(name, g_pSettings->QBLADE_NAME) == 0 || std::strcmp(name, g_pSettings->SLICERBLADE_NAME) == 0;
}

std::string Mm(int32_t thousandths) { return plat::StrFormatC("%g", FromThousandths(thousandths)); }

} // namespace

int32_t ToolFileUnits(float value, int unitsPerMm) {
    // The writer prints six significant digits, which a float holds exactly as text: that
    // text read back as a double is the decimal the file holds.
    const std::string text = plat::StrFormatC("%.6g", static_cast<double>(value));
    double decimal = 0;
    if (!plat::ParseDouble(text, decimal)) return plat::TruncToInt32(static_cast<double>(value) * unitsPerMm);
    const double units = decimal * unitsPerMm;
    const double whole = std::nearbyint(units);
    // The product of a decimal and a power of ten is a whole number up to its last bit.
    const bool exact = std::fabs(units - whole) <= 1e-9 * std::max(1.0, std::fabs(units));
    return plat::TruncToInt32(exact ? whole : units);
}

void ToolTable::Clear() {
    records.clear();
    capacity = 0;
}

ToolFileRecord* ToolTable::GetFreeToolRecord() {
    for (ToolFileRecord& r : records)
        if (r.inUse == 0) return &r;
    try {
        if (Count() >= capacity) {
            records.reserve(static_cast<std::size_t>(capacity) + kToolTableGrowth);
            capacity += kToolTableGrowth;
        }
        records.emplace_back();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return &records.back();
}

bool IsBladeToolName(const char* name) { return IsBlade(name); }

namespace {
// g_errorText for a tool table that could not be read: PATH_ERROR followed by the path looked
// at when there is no such file (a wrong tool folder in "CONFIG.PAR" ends here too), else the
// read failure and why.
void SetTableReadFault(const char* path, int err) {
    if (err == 0 || err == ENOENT || err == ENOTDIR)
        SetErrorText("%s\n%s", MsgError("PATH_ERROR"), path);
    else
        SetFileFaultText(false, path, err);
}
} // namespace

int ParseToolFile(const char* path, ToolFileParse& out) {
    out = ToolFileParse{};
    std::string text;
    const std::string native = plat::FindExisting(path);
    if (path[0] == '\0' || native.empty() || !plat::ReadWholeFile(native, text)) {
        SetTableReadFault(path, path[0] == '\0' || native.empty() ? ENOENT : errno);
        return 1;
    }
    const std::vector<std::string> lines = SplitLines(text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (!line.empty() && line[0] == '#') {
            // "%d" after the "#": a line without a number keeps the number read so far.
            const std::vector<std::string> w = Words(line.substr(1));
            const std::size_t sign = !w.empty() && (w[0][0] == '-' || w[0][0] == '+') ? 1 : 0;
            if (!w.empty() && w[0].size() > sign && std::isdigit(static_cast<unsigned char>(w[0][sign])))
                out.headerNumber = IntOf(w[0]);
            continue;
        }
        if (line.empty() || line[0] != '*') continue;
        if (i + 3 >= lines.size()) break; // a record without its three lines ends the file
        const std::vector<std::string> head = Words(line.substr(1));
        // The name is one word of at most 9 characters: a longer one would not fit the
        // table's field, a name with blanks would shift every value after it.
        const bool blanks = head.size() > 3;
        // "0" is the name of no tool: a tool of that name could never be told from an empty position.
        const bool noTool = !head.empty() && head[0] == "0";
        if (head.empty() || head[0].size() >= static_cast<std::size_t>(kToolNameSize) || blanks || noTool) {
            std::string shown = line.substr(1);
            shown.erase(0, shown.find_first_not_of(" \t"));
            out.nameError = plat::StrFormatC("%s %s", MsgError("ERR_TOOL_NAME"), shown.c_str());
            return 2;
        }
        ToolFileRecord r;
        CopyField(r.name, head[0].c_str(), head[0].size());
        FillRecord(r, head, lines[i + 1], lines[i + 2], lines[i + 3]);
        out.records.push_back(r);
        i += 3;
    }
    return 0;
}

ToolLimit ToolFieldLimit(ToolField field, int kind, int checkLimits) {
    const bool tap = kind == 4;
    // label shown, label checked, minimum, maximum, above the minimum, whole, length, unit
    auto limit = [&]() -> ToolLimit {
        switch (field) {
        case ToolField::Cooling: return {"S_FREFRIG", "S_FREFRIG", 0, 999, false, true, false, "P_CICLI_MIN"};
        case ToolField::Speed:
            return {"S_ROTAZ", "S_ROTAZ", tap ? 1.0 : 0.0, tap ? 9999.0 : 99999.0, false, true, false, "P_GIRI_MIN"};
        case ToolField::Feed:
            if (tap) return {"S_PASSO", "S_PASSO", 1, 9999, false, false, false, "P_CEN_GIRO"};
            return {"S_ASPORT", "S_ASPORT", 0, 99, false, false, false, "P_CEN_GIRO"};
        case ToolField::Second:
            if (tap) return {"S_PERCRID", "S_PERCRID", -100, 100, false, false, false, nullptr};
            // A disc keeps an added length there, shown in the display unit.
            if (kind == 3) return {"P_ADD_LEN", "S_SFOND", 0, 9999, false, false, true, nullptr};
            return {"S_SFOND", "S_SFOND", 0, 9999, false, false, false, "P_MM_MIN"};
        case ToolField::Diam1: return {"S_DIAM1", "S_DIAM1", 0, 999, true, false, true, nullptr};
        case ToolField::Len1: return {"S_LUNG1", "S_LUNG1", 0, 999, true, false, true, nullptr};
        case ToolField::Diam2: return {"S_DIAM2", "S_DIAM2", 0, 999, false, false, true, nullptr};
        case ToolField::Len2: return {"S_LUNG2", "S_LUNG2", 0, 999, false, false, true, nullptr};
        case ToolField::Diam3: return {"S_DIAM3", "S_DIAM3", 0, 999, false, false, true, nullptr};
        case ToolField::Len3: return {"S_LUNG3", "S_LUNG3", 0, 999, false, false, true, nullptr};
        case ToolField::Shank: return {"S_DIAMCOD", "S_DIAMCOD", 0, 999, false, false, true, nullptr};
        case ToolField::TipDiam1: return {"S_DIAMPUT", "S_DIAMPUT", 0, 999, true, false, true, nullptr};
        // Above 0 as well when its holder length is: CheckToolLimits tests that beside the range.
        case ToolField::TipDiam2: return {"S_DIAMPUT2", "S_DIAMPUT", 0, 999, false, false, true, nullptr};
        case ToolField::TipLen1: return {"S_LUNGPUT", "S_LUNGPUT", 0, 999, false, false, true, nullptr};
        case ToolField::TipLen2: return {"S_LUNGPUT2", "S_LUNGPUT", 0, 999, false, false, true, nullptr};
        case ToolField::Total:
        case ToolField::Count: break;
        }
        return {"S_LUNGTOT", "S_LUNGTOT", 0, 999, true, false, true, nullptr};
    };
    ToolLimit l = limit();
    if (checkLimits == 0) {
        l.aboveMinimum = false;
        if (l.whole) {
            l.minimum = 0;
            l.maximum = INT32_MAX;
        } else {
            l.minimum = l.minimum < 0 ? -999999 : 0;
            l.maximum = 999999;
        }
    }
    return l;
}

double ToolFieldValue(const ToolFileRecord& r, ToolField field) {
    switch (field) {
    case ToolField::Cooling: return r.cooling;
    case ToolField::Speed: return r.speed;
    case ToolField::Feed: return r.feed;
    case ToolField::Second: return r.plunge;
    case ToolField::Diam1: return r.diameter[0];
    case ToolField::Len1: return r.length[0];
    case ToolField::Diam2: return r.diameter[1];
    case ToolField::Len2: return r.length[1];
    case ToolField::Diam3: return r.diameter[2];
    case ToolField::Len3: return r.length[2];
    case ToolField::Shank: return r.shankDiameter;
    case ToolField::TipDiam1: return r.tipDiameter1;
    case ToolField::TipDiam2: return r.tipDiameter2;
    case ToolField::TipLen1: return r.tipLength1;
    case ToolField::TipLen2: return r.tipLength2;
    case ToolField::Total:
    case ToolField::Count: break;
    }
    return r.totalLength;
}

std::string ToolLimitText(const ToolLimit& l) {
    const bool inches = l.length && GetUnitSystem() == 2;
    const char* unit = l.length ? (inches ? "P_IN" : "P_MM") : l.unitKey;
    if (!l.aboveMinimum) return RangeText(l.minimum, l.maximum, unit, inches);
    return RangeAboveText(l.minimum, l.maximum, unit, inches);
}

int CheckToolLimits(const ToolFileRecord& r, int checkLimits) {
    if (checkLimits == 0 || IsBlade(r.name)) return 0;
    auto fail = [&](const char* labelKey, const char* textKey) {
        SetErrorText("%s->%s\n%s", r.name, MsgString(labelKey), MsgError(textKey));
        return 1;
    };
    // A value outside its range is refused naming that range, in the unit the tool dialog
    // shows (lengths in inches when the unit is inches).
    auto outside = [&](const ToolLimit& l) {
        SetErrorText("%s->%s\n%s\n%s", r.name, MsgString(l.checkLabelKey), MsgError("LIMIT_ERROR"),
                     ToolLimitText(l).c_str());
        return 1;
    };
    if (r.kind < 0 || r.kind > 4) return fail("S_TIPO", "LIMIT_ERROR");
    // In the order of the checks: working values, the three steps, shank, holder, total length.
    static constexpr ToolField kOrder[] = {
        ToolField::Cooling, ToolField::Speed,  ToolField::Feed,     ToolField::Second,   ToolField::Diam1,
        ToolField::Len1,    ToolField::Diam2,  ToolField::Len2,     ToolField::Diam3,    ToolField::Len3,
        ToolField::Shank,   ToolField::TipDiam1, ToolField::TipDiam2, ToolField::TipLen1, ToolField::TipLen2,
        ToolField::Total,
    };
    for (const ToolField field : kOrder) {
        ToolLimit l = ToolFieldLimit(field, r.kind, checkLimits);
        // A second holder step that has a length must have a diameter.
        if (field == ToolField::TipDiam2 && r.tipLength2 > 0) l.aboveMinimum = true;
        if (!l.Holds(ToolFieldValue(r, field))) return outside(l);
    }
    // Consistency: the parts of the tool fit its total length, and every step has both sizes.
    const double whole = plat::TruncToInt32(r.length[0]) + plat::TruncToInt32(r.length[1]) +
                         plat::TruncToInt32(r.length[2]) + plat::TruncToInt32(r.tipLength1) +
                         static_cast<double>(plat::TruncToInt32(r.tipLength2));
    if (whole > r.totalLength) return fail("S_LUNGTOT", "IMPOSS_VAL");
    if ((r.diameter[1] == 0) != (r.length[1] == 0)) return fail("S_DIAM2", "IMPOSS_VAL");
    if ((r.diameter[2] == 0) != (r.length[2] == 0)) return fail("S_DIAM3", "IMPOSS_VAL");
    if ((r.tipDiameter1 == 0) != (r.tipLength1 == 0) || (r.tipDiameter2 == 0) != (r.tipLength2 == 0))
        return fail("S_DIAMPUT", "IMPOSS_VAL");
    if (r.diameter[2] != 0 && r.diameter[1] == 0) return fail("S_DIAM3", "IMPOSS_VAL");
    return 0;
}

int ToolCheckLimitsFlag() {
    if (g_pRallaTools != nullptr) return g_pRallaTools->checkLimits;
    return g_pSettings != nullptr ? g_pSettings->CK_LIMITS : 0;
}

int CheckToolLimits(const ToolFileRecord& record) { return CheckToolLimits(record, ToolCheckLimitsFlag()); }

ToolValueRange ToolCoolantRange(int checkLimits) {
    const ToolLimit l = ToolFieldLimit(ToolField::Cooling, 0, checkLimits);
    return {static_cast<int32_t>(l.minimum), static_cast<int32_t>(l.maximum)};
}

ToolValueRange ToolSpeedRange(int kind, int checkLimits) {
    const ToolLimit l = ToolFieldLimit(ToolField::Speed, kind, checkLimits);
    return {static_cast<int32_t>(l.minimum), static_cast<int32_t>(l.maximum)};
}

int ReadToolTable(ToolTable& table) {
    table.Clear();
    table.headerNumber = kToolHeaderDefault;
    ToolFileParse parsed;
    const int result = ParseToolFile(ToolsTxtPath(), parsed);
    if (result == 1) return 1;
    table.headerNumber = parsed.headerNumber;
    for (const ToolFileRecord& r : parsed.records) {
        ToolFileRecord* slot = table.GetFreeToolRecord();
        if (slot == nullptr) {
            table.Clear();
            SetErrorText("%s", MsgError("NO_MEMORY"));
            return 1;
        }
        *slot = r;
        // A blade record never stays in the table: the next record reuses its slot.
        slot->inUse = IsBlade(slot->name) ? 0 : 1;
    }
    if (result == 2) {
        table.Clear();
        SetErrorTextLiteral(parsed.nameError.c_str());
        return 1;
    }
    return 0;
}

namespace {
// The lines of a text with their own line ends, so kept lines are copied byte for byte.
std::vector<std::string> LinesWithEnds(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        lines.push_back(text.substr(start, end - start));
        start = end;
    }
    return lines;
}

std::string WithoutEnd(const std::string& line) {
    std::size_t n = line.size();
    while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r')) --n;
    return line.substr(0, n);
}

bool IsBladeHeadLine(const std::string& line) {
    if (line.empty() || line[0] != '*') return false;
    const std::vector<std::string> w = Words(line.substr(1));
    return !w.empty() && IsBlade(w[0].c_str());
}

// Splits a table's text into its blade records (each "*" line naming a blade, its three value
// lines, never a line that starts another record or the header, and the empty line after them)
// and every other line, each part byte for byte in file order.
void SplitBladeRecords(const std::string& text, std::string& others, std::string& blades) {
    const std::vector<std::string> lines = LinesWithEnds(text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!IsBladeHeadLine(lines[i])) {
            others += lines[i];
            continue;
        }
        blades += lines[i];
        std::size_t values = 0;
        while (values < 3 && i + 1 < lines.size() && lines[i + 1][0] != '*' && lines[i + 1][0] != '#') {
            blades += lines[++i];
            ++values;
        }
        if (i + 1 < lines.size() && WithoutEnd(lines[i + 1]).empty()) blades += lines[++i];
    }
}

// The blade values of the settings come from a load of the machine parameters that succeeded:
// after a failed one they are zeros or half loaded, and a blade record written from them would
// stay in the table after the parameters are mended.
bool BladeValuesLoaded() { return g_pSettings != nullptr && g_pSettings->ParametersLoaded != 0; }
} // namespace

std::string FormatBladeRecord(const char* bladeName, int headerNumber) {
    const MachineSettings* s = g_pSettings;
    auto mm = [&](int32_t MachineSettings::*field) { return s != nullptr ? Mm(s->*field) : std::string("0"); };
    std::string out = plat::StrFormatC("* %s %d %d \r\n", bladeName, 3, headerNumber);
    out += plat::StrFormatC("%d %d %s\r\n", 12000, 0, mm(&MachineSettings::SPESS_FLANGIA_LAMA).c_str());
    const std::string twoArm = s != nullptr ? Mm(static_cast<int32_t>(2LL * s->H_BRACCIO)) : std::string("0");
    out += plat::StrFormatC("%s %d %d %s %s\r\n", mm(&MachineSettings::DIAM_LAMA).c_str(), 0, 0,
                            mm(&MachineSettings::DIAM_FLANGIA_LAMA).c_str(), twoArm.c_str());
    const std::string sum =
        s != nullptr ? Mm(static_cast<int32_t>(static_cast<int64_t>(s->SPESS_LAMA) + s->L_BRACCIO)) : std::string("0");
    out += plat::StrFormatC("%s %d %d %s %s\r\n", mm(&MachineSettings::SPESS_LAMA).c_str(), 0, 0,
                            mm(&MachineSettings::L_BRACCIO).c_str(), sum.c_str());
    out += "\r\n";
    return out;
}

int WriteToolTable(const ToolTable& table, int headerNumber) {
    std::string out = plat::StrFormatC("# %d\r\n\r\n", headerNumber);
    for (const ToolFileRecord& r : table.records) {
        if (r.inUse == 0) continue;
        out += plat::StrFormatC("* %s %d %d \r\n", r.name, static_cast<int>(r.kind), static_cast<int>(r.cooling));
        out += plat::StrFormatC("%" PRId32 " %g %g\r\n", r.speed, static_cast<double>(r.feed),
                                static_cast<double>(r.plunge));
        out += plat::StrFormatC("%g %g %g %g %g %g\r\n", static_cast<double>(r.diameter[0]),
                                static_cast<double>(r.diameter[1]), static_cast<double>(r.diameter[2]),
                                static_cast<double>(r.shankDiameter), static_cast<double>(r.tipDiameter1),
                                static_cast<double>(r.tipDiameter2));
        out += plat::StrFormatC("%g %g %g %g %g %g\r\n", static_cast<double>(r.length[0]),
                                static_cast<double>(r.length[1]), static_cast<double>(r.length[2]),
                                static_cast<double>(r.tipLength1), static_cast<double>(r.totalLength),
                                static_cast<double>(r.tipLength2));
        out += "\r\n";
    }
    const char* path = ToolsTxtPath();
    if (MachineVariant == 1 && BladeValuesLoaded()) {
        // A blade without a name has no record: it could not be told from a tool on reading.
        if (g_pSettings->QBLADE_NAME[0] != '\0') out += FormatBladeRecord(g_pSettings->QBLADE_NAME, headerNumber);
        if (g_pSettings->SLICERBLADE_NAME[0] != '\0')
            out += FormatBladeRecord(g_pSettings->SLICERBLADE_NAME, headerNumber);
    } else if (MachineVariant == 1 && g_pSettings != nullptr) {
        // The blade values are not known: the table's own blade records stay as they are, and a
        // table without them gets none (they are appended at the next start that loads the
        // parameters). A table that is there but cannot be read is not replaced.
        const std::string native = path[0] == '\0' ? std::string() : plat::FindExisting(path);
        std::string old, others, blades;
        if (!native.empty() && !plat::ReadWholeFile(native, old)) {
            ShowBox("T_ERRORE", FileFaultText(false, path, errno), BoxButtons::Ok, BoxIcon::Error);
            return 1;
        }
        SplitBladeRecords(old, others, blades);
        if (!blades.empty() && blades.back() != '\n') blades += "\r\n"; // a record the end cut short
        out += blades;
    }
    if (path[0] == '\0' || !plat::WriteFileAtomic(plat::PathForWrite(path), out)) {
        ShowBox("T_ERRORE", FileFaultText(true, path, path[0] == '\0' ? ENOENT : errno), BoxButtons::Ok,
                BoxIcon::Error);
        return 1;
    }
    return 0;
}

int AppendMissingBladeRecords() {
    if (!BladeValuesLoaded()) return 0;
    ToolFileParse parsed;
    const char* path = ToolsTxtPath();
    if (ParseToolFile(path, parsed) == 1) return 1;
    std::string text;
    const std::string native = plat::FindExisting(path);
    if (!plat::ReadWholeFile(native, text)) {
        SetTableReadFault(path, errno);
        return 1;
    }
    // A blade is present when a record head names it, even one the end of the file cut short
    // (the readers skip such a record): appending would give the blade a second record.
    std::vector<std::string> heads;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        if (text[start] == '*') {
            const std::vector<std::string> w = Words(text.substr(start + 1, end - start - 1));
            if (!w.empty()) heads.push_back(w[0]);
        }
        start = end + 1;
    }
    bool changed = false;
    for (const char* blade : {g_pSettings->QBLADE_NAME, g_pSettings->SLICERBLADE_NAME}) {
        if (blade[0] == '\0') continue;
        bool present = false;
        for (const ToolFileRecord& r : parsed.records)
            if (std::strcmp(r.name, blade) == 0) present = true;
        for (const std::string& head : heads)
            if (head == blade) present = true;
        if (present) continue;
        if (!text.empty() && text.back() != '\n') text += "\r\n";
        text += FormatBladeRecord(blade, parsed.headerNumber);
        changed = true;
    }
    if (changed && !plat::WriteFileAtomic(native, text)) {
        SetFileFaultText(true, path, errno);
        return 1;
    }
    return 0;
}

int RewriteBladeRecords(const BladeDimensions& blade, int headerNumber) {
    const std::string native = plat::FindExisting(ToolsTxtPath());
    std::string text;
    if (native.empty() || !plat::ReadWholeFile(native, text)) {
        SetTableReadFault(ToolsTxtPath(), native.empty() ? ENOENT : errno);
        return 1;
    }
    std::string out, oldBlades;
    SplitBladeRecords(text, out, oldBlades);
    if (!out.empty() && out.back() != '\n') out += "\r\n";
    for (const char* name : {g_pSettings != nullptr ? g_pSettings->QBLADE_NAME : "",
                             g_pSettings != nullptr ? g_pSettings->SLICERBLADE_NAME : ""}) {
        if (name[0] == '\0') continue; // a nameless blade could not be told from a tool
        out += plat::StrFormatC("* %s %d %d \r\n", name, 3, headerNumber);
        out += plat::StrFormatC("%d %d %g \r\n", 12000, 0, blade.flangeThickness);
        out += plat::StrFormatC("%g %d %d %g %g \r\n", blade.diameter, 0, 0, blade.flangeDiameter,
                                2 * blade.armHeight);
        out += plat::StrFormatC("%g %d %d %g %g \r\n", blade.thickness, 0, 0, blade.armLength,
                                blade.armLength + blade.thickness);
        out += "\r\n";
    }
    if (!plat::WriteFileAtomic(native, out)) {
        SetFileFaultText(true, ToolsTxtPath(), errno);
        return 1;
    }
    return 0;
}
