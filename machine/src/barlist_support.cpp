// Helpers of the bar-list and tool-table modules.
#include "barlist_support.h"

#include <cctype>
#include <cstring>

#include "machine/lda_format.h"
#include "machine/path_table.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/text.h"

namespace barlist_support {

namespace {
// Reading takes the existing file (case-insensitive match), writing the mapped path.
std::string ReadPath(const char* file) {
    std::string found = plat::FindExisting(file);
    return found.empty() ? plat::NativePath(file) : found;
}
} // namespace

const char* ConfigParPath() { return g_pPathTable != nullptr ? g_pPathTable->ConfigPar() : ""; }

std::string ReadConfigString(const char* section, const char* key, const char* def, std::size_t maxChars) {
    std::string value = plat::ReadProfileString(section, key, def, ReadPath(ConfigParPath()).c_str());
    if (value.size() > maxChars) value.resize(maxChars);
    return value;
}

int32_t ReadConfigInt(const char* section, const char* key, int32_t def) {
    return plat::GetProfileInt(section, key, def, ReadPath(ConfigParPath()).c_str());
}

bool WriteConfigString(const char* section, const char* key, const char* value) {
    if (ConfigParPath()[0] == '\0') return false;
    return plat::WriteProfileString(section, key, value, plat::PathForWrite(ConfigParPath()).c_str());
}

bool WriteConfigInt(const char* section, const char* key, int32_t value) {
    return WriteConfigString(section, key, plat::StrFormatC("%d", static_cast<int>(value)).c_str());
}

void CopyText(char* dest, std::size_t destSize, const char* src, std::size_t n) {
    if (destSize == 0) return;
    std::size_t len = 0;
    const std::size_t limit = n < destSize - 1 ? n : destSize - 1;
    while (len < limit && src[len] != '\0') ++len;
    std::memcpy(dest, src, len);
    dest[len] = '\0';
}

void UpperAscii(char* text) {
    for (char* p = text; *p != '\0'; ++p)
        if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 'a' + 'A');
}

namespace {
struct TextField {
    int offset;
    int length;
    const char* name;
};
const char* FirstUnterminated(const uint8_t* record, const TextField* fields, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (!lda::IsTerminated(record + fields[i].offset, fields[i].length)) return fields[i].name;
    return nullptr;
}
} // namespace

const char* UnterminatedBarText(const uint8_t* record) {
    static constexpr TextField kFields[] = {
        {lda::bar::kName, lda::bar::kTextLen, "NAME"},
        {lda::bar::kSeries, lda::bar::kTextLen, "SERIES"},
        {lda::bar::kCode, lda::bar::kTextLen, "CODE"},
        {lda::bar::kLabel, lda::bar::kTextLen, "LABEL"},
    };
    return FirstUnterminated(record, kFields, std::size(kFields));
}

const char* UnterminatedPieceText(const uint8_t* record) {
    static constexpr TextField kFields[] = {
        {lda::piece::kName, lda::piece::kTextLen, "NAME"},
        {lda::piece::kText2, lda::piece::kTextLen, "TEXT2"},
        {lda::piece::kAddInfo, lda::piece::kTextLen, "ADDINFO"},
        {lda::piece::kText3, lda::piece::kTextLen, "TEXT3"},
        {lda::piece::kText4, lda::piece::kTextLen, "TEXT4"},
        {lda::piece::kText5, lda::piece::kTextLen, "TEXT5"},
    };
    return FirstUnterminated(record, kFields, std::size(kFields));
}

const char* UnterminatedMachiningText(const uint8_t* record) {
    static constexpr TextField kFields[] = {
        {lda::mach::kToolName, lda::mach::kToolNameLen, "TOOL"},
        {lda::mach::kNomeLdt, lda::mach::kNomeLdtLen, "NOMELDT"},
    };
    if (const char* bad = FirstUnterminated(record, kFields, std::size(kFields))) return bad;
    // The shape file name is a text only on a special shape (figure 0); the short text is
    // always taken with its fixed length.
    if (lda::GetI16(record + lda::mach::kFigure) == 0 &&
        !lda::IsTerminated(record + lda::mach::kShapeName, lda::mach::kShapeNameLen))
        return "SHAPE";
    return nullptr;
}

} // namespace barlist_support
