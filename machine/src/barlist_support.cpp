// Helpers of the bar-list modules.
#include "barlist_support.h"

#include <iterator>

#include "machine/lda_format.h"

namespace barlist_support {

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
    // A special shape's name goes into the part program (its sub-program call or the shape
    // file compiled into it): a character the dialect reads as its own is refused there too.
    if (lda::GetI16(record + lda::mach::kFigure) == 0 &&
        (!lda::IsTerminated(record + lda::mach::kShapeName, lda::mach::kShapeNameLen) ||
         !lda::IsProgramSafeText(record + lda::mach::kShapeName, lda::mach::kShapeNameLen)))
        return "SHAPE";
    return nullptr;
}

} // namespace barlist_support
