// The tool table dialogs' logic: names, slots, checks and the cells of one tool.
#include "ui/tool_table_model.h"

#include <algorithm>
#include <cmath>
#include <cctype>
#include <cstring>

#include "machine/error_text.h"
#include "machine/number_entry.h"
#include "machine/settings_support.h"
#include "machine/units.h"
#include "platform/text.h"

namespace ui {

namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

// The cells in layout order: kind and speed, feed and second value, coolant and shank, the
// three diameter/length pairs, the two holder steps, the total length.
const ToolCellDef kCells[kToolCellCount] = {
    {"S_TIPO", "", CellValue::Kind},         {"S_ROTAZ", "P_GIRI_MIN", CellValue::Integer},
    {nullptr, nullptr, CellValue::Real},     {nullptr, nullptr, CellValue::Second},
    {"S_FREFRIG", "P_CICLI_MIN", CellValue::Integer}, {"S_DIAMCOD", nullptr, CellValue::Length},
    {"S_DIAM1", nullptr, CellValue::Length}, {"S_LUNG1", nullptr, CellValue::Length},
    {"S_DIAM2", nullptr, CellValue::Length}, {"S_LUNG2", nullptr, CellValue::Length},
    {"S_DIAM3", nullptr, CellValue::Length}, {"S_LUNG3", nullptr, CellValue::Length},
    {"S_DIAMPUT", nullptr, CellValue::Length}, {"S_LUNGPUT", nullptr, CellValue::Length},
    {"S_DIAMPUT2", nullptr, CellValue::Length}, {"S_LUNGPUT2", nullptr, CellValue::Length},
    {"S_LUNGTOT", nullptr, CellValue::Length},
};

float* RealOf(ToolFileRecord& t, int cell) {
    switch (cell) {
    case kCellFeed: return &t.feed;
    case kCellSecond: return &t.plunge;
    case kCellShank: return &t.shankDiameter;
    case kCellDiam1: return &t.diameter[0];
    case kCellLen1: return &t.length[0];
    case kCellDiam2: return &t.diameter[1];
    case kCellLen2: return &t.length[1];
    case kCellDiam3: return &t.diameter[2];
    case kCellLen3: return &t.length[2];
    case kCellHolderDiam: return &t.tipDiameter1;
    case kCellHolderLen: return &t.tipLength1;
    case kCellHolderDiam2: return &t.tipDiameter2;
    case kCellHolderLen2: return &t.tipLength2;
    case kCellTotal: return &t.totalLength;
    default: return nullptr;
    }
}

int32_t* IntegerOf(ToolFileRecord& t, int cell) {
    if (cell == kCellSpeed) return &t.speed;
    if (cell == kCellCoolant) return &t.cooling;
    return nullptr;
}

bool HasDigit(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

// Kind 3 keeps an added length in its second value, shown and typed in the display unit.
bool SecondIsLength(int kind) { return kind == 3; }

std::string LengthText(float mm) {
    char text[kDisplayTextSize] = {};
    FormatUnits(text, sizeof text, "%{X}", static_cast<double>(mm));
    return text;
}

} // namespace

const char* ToolKindKey(int kind) {
    static const char* const kKeys[kToolKindCount] = {"S_FRESA", "S_PUNTA", "S_SVASATORE", "S_DISCO", "S_MASCHIO"};
    return kind >= 0 && kind < kToolKindCount ? kKeys[kind] : "";
}

int FindToolByName(const ToolTable& table, std::string_view name) {
    for (int i = 0; i < table.Count(); ++i) {
        const ToolFileRecord& r = table.records[static_cast<std::size_t>(i)];
        if (r.inUse != 0 && EqualNoCase(r.name, name)) return i;
    }
    return -1;
}

int CountToolsInUse(const ToolTable& table) {
    return static_cast<int>(
        std::count_if(table.records.begin(), table.records.end(), [](const ToolFileRecord& r) { return r.inUse != 0; }));
}

int TakeToolSlot(ToolTable& table) {
    const ToolFileRecord* slot = table.GetFreeToolRecord();
    return slot == nullptr ? -1 : static_cast<int>(slot - table.records.data());
}

ToolNameCheck CheckToolName(const ToolTable& table, std::string_view name) {
    if (name == "0" || name.find_first_of(" \t") != std::string_view::npos) return ToolNameCheck::Invalid;
    if (FindToolByName(table, name) >= 0) return ToolNameCheck::InUse;
    if (IsBladeToolName(plat::ToUpperAscii(name).c_str())) return ToolNameCheck::InUse;
    return ToolNameCheck::Ok;
}

int FirstToolOverLimits(const ToolTable& table) {
    for (int i = 0; i < table.Count(); ++i) {
        const ToolFileRecord& r = table.records[static_cast<std::size_t>(i)];
        if (r.inUse != 0 && CheckToolLimits(r) != 0) return i;
    }
    return -1;
}

bool SameToolRecord(const ToolFileRecord& a, const ToolFileRecord& b) {
    auto same = [](float x, float y) { return std::memcmp(&x, &y, sizeof x) == 0; };
    if (std::strncmp(a.name, b.name, kToolNameSize) != 0 || a.kind != b.kind || a.cooling != b.cooling ||
        a.speed != b.speed || a.inUse != b.inUse)
        return false;
    for (int i = 0; i < 3; ++i)
        if (!same(a.diameter[i], b.diameter[i]) || !same(a.length[i], b.length[i])) return false;
    return same(a.totalLength, b.totalLength) && same(a.shankDiameter, b.shankDiameter) &&
           same(a.tipDiameter1, b.tipDiameter1) && same(a.tipDiameter2, b.tipDiameter2) &&
           same(a.tipLength1, b.tipLength1) && same(a.tipLength2, b.tipLength2) && same(a.feed, b.feed) &&
           same(a.plunge, b.plunge);
}

std::array<int, 3> DiameterRows(const ToolFileRecord& tool) {
    std::array<int, 3> rows = {0, 0, 0};
    int free = 2; // the lowest row still free
    for (int d = 3; d >= 1; --d)
        if (tool.diameter[d - 1] > 0) rows[static_cast<std::size_t>(free--)] = d;
    return rows;
}

const ToolCellDef& ToolCellOf(int cell) { return kCells[std::clamp(cell, 0, kToolCellCount - 1)]; }

ToolKindLabels LabelsForKind(int kind) {
    if (kind == 4) return {"S_PASSO", "P_CEN_GIRO", "S_PERCRID", ""};
    if (SecondIsLength(kind)) return {"S_ASPORT", "P_CEN_GIRO", "P_ADD_LEN", nullptr};
    return {"S_ASPORT", "P_CEN_GIRO", "S_SFOND", "P_MM_MIN"};
}

const char* CellLabelKey(int cell, int kind) {
    if (cell == kCellFeed) return LabelsForKind(kind).feedLabel;
    if (cell == kCellSecond) return LabelsForKind(kind).secondLabel;
    return ToolCellOf(cell).labelKey;
}

const char* CellUnitKey(int cell, int kind) {
    if (cell == kCellFeed) return LabelsForKind(kind).feedUnit;
    if (cell == kCellSecond) return LabelsForKind(kind).secondUnit;
    return ToolCellOf(cell).unitKey;
}

std::string CellText(const ToolFileRecord& tool, int cell) {
    ToolFileRecord t = tool;
    switch (ToolCellOf(cell).value) {
    case CellValue::Kind: return ToolKindKey(t.kind);
    case CellValue::Integer: return plat::StrFormatC("%d", static_cast<int>(*IntegerOf(t, cell)));
    case CellValue::Real: return plat::StrFormatC("%g", static_cast<double>(*RealOf(t, cell)));
    case CellValue::Second:
        if (!SecondIsLength(t.kind)) return plat::StrFormatC("%g", static_cast<double>(t.plunge));
        return LengthText(t.plunge);
    case CellValue::Length: return LengthText(*RealOf(t, cell));
    }
    return {};
}

ToolField CellField(int cell) {
    switch (cell) {
    case kCellSpeed: return ToolField::Speed;
    case kCellFeed: return ToolField::Feed;
    case kCellSecond: return ToolField::Second;
    case kCellCoolant: return ToolField::Cooling;
    case kCellShank: return ToolField::Shank;
    case kCellDiam1: return ToolField::Diam1;
    case kCellLen1: return ToolField::Len1;
    case kCellDiam2: return ToolField::Diam2;
    case kCellLen2: return ToolField::Len2;
    case kCellDiam3: return ToolField::Diam3;
    case kCellLen3: return ToolField::Len3;
    case kCellHolderDiam: return ToolField::TipDiam1;
    case kCellHolderLen: return ToolField::TipLen1;
    case kCellHolderDiam2: return ToolField::TipDiam2;
    case kCellHolderLen2: return ToolField::TipLen2;
    default: return ToolField::Total;
    }
}

std::string CellRefusal(int cell, int kind, const std::string& typed, const std::string& shown, int shownKind) {
    const CellValue value = ToolCellOf(cell).value;
    if (value == CellValue::Kind) return std::string();
    // A text left as shown keeps the value it stands for (the second value only while it
    // keeps its meaning): the check of the whole tool speaks for it.
    if (typed == shown && (value != CellValue::Second || SecondIsLength(kind) == SecondIsLength(shownKind)))
        return std::string();
    const ToolLimit limit = ToolFieldLimit(CellField(cell), kind, ToolCheckLimitsFlag());
    auto refusal = [&](const char* reason) {
        return std::string(MsgString(limit.labelKey)) + "\n" + MsgError(reason) + "\n" + ToolLimitText(limit);
    };
    if (typed.find_first_not_of(" \t") == std::string::npos) return refusal("T_INCOMPLETA");
    if (limit.whole) {
        const WholeEntry check = CheckWholeEntry(typed, static_cast<int32_t>(limit.minimum),
                                                 static_cast<int32_t>(limit.maximum));
        if (check == WholeEntry::Ok) return std::string();
        return refusal(check == WholeEntry::Syntax ? "SYNTAX_ERROR"
                       : check == WholeEntry::NotWhole ? "WHOLE_NUMBER_ERROR"
                                                       : "LIMIT_ERROR");
    }
    // One decimal number and nothing after it: "2,5" is never read as 2 or 25.
    const char* end = typed.c_str();
    const double number = plat::StrtodC(typed.c_str(), &end);
    if (end == typed.c_str() || *end != '\0' || !std::isfinite(number)) return refusal("SYNTAX_ERROR");
    const double mm = limit.length ? DisplayToMetricF(typed.c_str(), kQuantityLength) : number;
    if (!limit.Holds(mm) || !limit.Holds(static_cast<float>(mm))) return refusal("LIMIT_ERROR");
    return std::string();
}

bool ReadCellText(ToolFileRecord& tool, int cell, const std::string& typed, const std::string& shown, int shownKind) {
    const CellValue kind = ToolCellOf(cell).value;
    if (kind == CellValue::Kind) return true;
    if (!HasDigit(typed)) return false;
    // What the operator left as shown keeps its value (the second value only while it keeps
    // its meaning, a length or not).
    const bool sameMeaning = kind != CellValue::Second || SecondIsLength(shownKind) == SecondIsLength(tool.kind);
    if (typed == shown && sameMeaning) return true;
    // A typed value is one number or nothing: "2,5" is never read as 2.
    const char* end = typed.c_str();
    plat::StrtodC(typed.c_str(), &end);
    if (end == typed.c_str() || *end != '\0') return false;
    if (int32_t* integer = IntegerOf(tool, cell)) {
        const double v = plat::StrtodC(typed.c_str(), nullptr);
        *integer = static_cast<int32_t>(std::clamp(v, -2147483648.0, 2147483647.0));
        return true;
    }
    const bool length = kind == CellValue::Length || (kind == CellValue::Second && SecondIsLength(tool.kind));
    *RealOf(tool, cell) = length ? DisplayToMetricF(typed.c_str(), kQuantityLength)
                                 : static_cast<float>(plat::StrtodC(typed.c_str(), nullptr));
    return true;
}

} // namespace ui
