// Label texts of the piece-label job and the offcut lengths of the computed bar.
#include "engine/piece_labels.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/bar_computation.h"
#include "machine/barlist.h"
#include "machine/error_text.h"
#include "machine/globals.h"
#include "machine/label_settings.h"
#include "machine/lda_format.h"
#include "machine/settings.h"
#include "machine/units.h"
#include "platform/text.h"

namespace {

// What the fields of one label are read from.
struct LabelSource {
    int kind = kLabelOfPiece;
    const BarRecord* bar = nullptr;       // the bar of the label (the current bar for a piece)
    const WorkingPiece* piece = nullptr;  // kLabelOfPiece
    const uint8_t* storedPiece = nullptr; // the piece's record in the list (for its angles)
    int32_t offcutLength = 0;
};

std::string Cut(std::string value) {
    if (value.size() > kLabelValueMax) value.resize(kLabelValueMax);
    return value;
}

// A length in thousandths as the display unit shows it.
std::string LengthText(int32_t thousandths) {
    char text[kDisplayTextSize];
    plat::FormatC(text, sizeof text, "%g", FromThousandths(thousandths));
    return MetricTextForDisplay(text);
}

std::string AnglesText(int32_t first, int32_t second) {
    const std::string a = plat::StrFormatC("%g", first / 1000.0);
    const std::string b = plat::StrFormatC("%g", second / 1000.0);
    return a + " " + b;
}

std::string FieldValue(const BarComputation& bc, const LabelSource& src, int type) {
    const BarRecord& bar = *src.bar;
    const bool piece = src.kind == kLabelOfPiece;
    switch (type) {
    case kFieldList: return bc.ListName();
    case kFieldName: return piece ? src.piece->Nome : BarNameText(bar);
    case kFieldSeries: return bar.series;
    case kFieldCode: return bar.code;
    case kFieldLength:
        if (piece) return LengthText(src.piece->Lung);
        return LengthText(src.kind == kLabelOfScrap ? src.offcutLength : bar.length);
    case kFieldColour: return BarColourText(bar);
    case kFieldAngles:
        if (piece) {
            // The piece record's two further angles are the label's angle field.
            if (src.storedPiece == nullptr) return std::string();
            return AnglesText(lda::GetI32(src.storedPiece + lda::piece::kAngle3),
                              lda::GetI32(src.storedPiece + lda::piece::kAngle4));
        }
        // A bar label shows the bar's own two cut angles; an offcut has none.
        return src.kind == kLabelOfBar ? AnglesText(bar.firstCutAngle, bar.secondCutAngle) : std::string();
    default:
        if (type >= kFieldAddInfo1 && type <= kFieldAddInfo4 && piece) {
            const int n = type - kFieldAddInfo1;
            return n == 0 ? src.piece->ADDINFO : src.piece->texts[n - 1];
        }
        return std::string();
    }
}

bool IsField(int type) { return type >= kFieldList && type <= kFieldAddInfo4; }

// The barcode field: the piece name, the bar name, or nothing for an offcut.
void AppendBarcode(const MachineSettings& s, const LabelSource& src, std::string& text) {
    const char* code = "";
    if (src.kind == kLabelOfPiece)
        code = src.piece->Nome;
    else if (src.kind == kLabelOfBar)
        code = BarNameText(*src.bar);
    BuildLabelBarcode(s, text, code);
}

// The label's text for the printer kind (see BuildPieceLabelFields).
std::string ComposeLabel(const BarComputation& bc, const LabelSource& src, MachineSettings& s, int printer,
                         const int* libraryLineTypes) {
    std::string text;
    int lineCount = 0;
    int types[kLibraryLabelLines] = {};
    switch (printer) {
    case kPrinterTemplate:
        lineCount = kTemplateLabelLines;
        std::copy(s.labelInfoSelectors, s.labelInfoSelectors + kTemplateLabelLines, types);
        break;
    case kPrinterLibrary:
        if (libraryLineTypes != nullptr) {
            lineCount = kLibraryLabelLines;
            std::copy(libraryLineTypes, libraryLineTypes + kLibraryLabelLines, types);
        }
        break;
    default:
        // With a barcode the label has room for six lines only.
        lineCount = s.labelBcType != 0 ? 6 : kLabelLines;
        std::copy(s.labelLineTypes, s.labelLineTypes + lineCount, types);
        text = GetLabelHeaderLine(s, g_listDescription);
        break;
    }

    // The label library's barcode field goes ahead of its lines: the lines are taken back out
    // of the text at most 18 at a time, and a barcode after 18 lines would be lost.
    if (printer == kPrinterLibrary) AppendBarcode(s, src, text);

    // The label library's lines and the template's rows are taken back out of the text line
    // by line, and a line without text would be dropped there and move the lines after it
    // onto the wrong place: up to the last line with a field, a line without field or text is
    // kept as a blank.
    const bool keepPlaces = printer != kPrinterDirect;
    int lastUsed = -1;
    for (int i = 0; keepPlaces && i < lineCount; ++i)
        if (IsField(types[i])) lastUsed = i;
    for (int i = 0; i < lineCount; ++i) {
        if (keepPlaces ? !IsField(types[i]) : types[i] == kFieldNone) {
            if (keepPlaces && i < lastUsed) text += " \n";
            continue;
        }
        // A list's text prints as written on every printer: no control byte of it reaches
        // the label (nor splits its line into two).
        const std::string value = Cut(plat::LabelPlainText(FieldValue(bc, src, types[i])));
        std::string line;
        if (printer == kPrinterTemplate)
            line = FormatLabelField(s, i, value.c_str());
        else if (printer == kPrinterLibrary)
            line = value;
        else
            line = ConcatLabelText(s, i, value.c_str());
        // One blank keeps the line's place (appended: assigning the literal here makes g++ 12's
        // release build warn of an overlapping copy that cannot happen).
        if (keepPlaces && line.empty()) line.push_back(' ');
        text += line;
        text += '\n';
    }

    if (printer == kPrinterDirect) {
        AppendBarcode(s, src, text);
        text += s.labelTrailer;
    } else {
        text += '\n';
    }
    return text;
}

} // namespace

int LabelPrinterKind() {
    if (g_pSettings == nullptr) return kPrinterDirect;
    const int kind = g_pSettings->CONF_FILE_OTT;
    if (kind == kPrinterLibrary) return kind;
    // The loader already reads kind 2 as 0 off variant 1; the print step and the layout agree.
    if (kind == kPrinterTemplate && MachineVariant == 1) return kind;
    return kPrinterDirect;
}

const char* BarColourText(const BarRecord& bar) { return bar.displayLabel; }
const char* BarNameText(const BarRecord& bar) { return bar.name; }

int BarComputation::BuildPieceLabelFields(char* buffer, std::size_t size, const PieceLabelRequest& request) {
    if (buffer == nullptr || size == 0 || g_pSettings == nullptr) return kLabelNoSource;
    MachineSettings& s = *g_pSettings;

    LabelSource src;
    src.kind = request.kind;
    src.offcutLength = request.offcutLength;
    if (request.kind == kLabelOfPiece) {
        if (currentBar == nullptr || request.pieceIndex < 0) return kLabelNoSource;
        src.bar = currentBar;
        for (const WorkingPiece* p : pieces)
            if (p != nullptr && p->Id == request.pieceIndex + 1) src.piece = p;
        if (src.piece == nullptr) return kLabelNoSource;
        const std::size_t holder =
            static_cast<std::size_t>(currentBar->firstPieceIndex) + static_cast<std::size_t>(request.pieceIndex);
        if (currentBar->firstPieceIndex >= 0 && request.pieceIndex < currentBar->pieceCount &&
            holder < Pieces().size())
            src.storedPiece = Pieces()[holder].record;
    } else if (request.kind == kLabelOfBar || request.kind == kLabelOfScrap) {
        src.bar = request.bar != nullptr ? request.bar : currentBar;
        if (src.bar == nullptr) return kLabelNoSource;
    } else {
        return kLabelNoSource;
    }

    const int printer = LabelPrinterKind();

    const std::string label = ComposeLabel(*this, src, s, printer, request.libraryLineTypes);
    // The directly driven printer's label replaces what is queued; the others are appended.
    // The text is a terminated string: a label holding a NUL byte would be cut short.
    const std::size_t kept = printer == kPrinterDirect ? 0 : ::strnlen(buffer, size);
    if (label.find('\0') != std::string::npos || kept + label.size() + 1 > size) return kLabelTooLong;
    std::memcpy(buffer + kept, label.data(), label.size());
    buffer[kept + label.size()] = '\0';
    return kLabelBuilt;
}

namespace {

// The X of a piece's head end (the end toward the bar's head) after CheckBarLength.
int32_t HeadEndX(const WorkingPiece& p) {
    const int head = MachineVariant == 1 && g_pSettings != nullptr && g_pSettings->CONF_CARICO != 0 ? 1 : 0;
    return std::max(p.endCutX[2 * head], p.endCutX[2 * head + 1]);
}

int FirstPieceToMake(const std::vector<WorkingPiece*>& pieces) {
    for (std::size_t i = 0; i < pieces.size(); ++i)
        if (pieces[i] != nullptr && pieces[i]->made == 0) return static_cast<int>(i);
    return -1;
}

} // namespace

void BarComputation::MeasureMadePiecesFresh() {
    madePiecesHeadX = 0;
    madeSpan = 0;
    if (piecesDone <= 0 || currentBar == nullptr || g_pSettings == nullptr) return;
    const int first = FirstPieceToMake(pieces);
    if (first <= 0) return;
    // The bar placed as if it ran at once: copies of every piece, none made, through the same
    // offsets and placement; nothing of the computation is left changed (the made pieces have
    // no records, so a machining of theirs past an end does not widen their gap).
    std::vector<WorkingPiece> copies;
    copies.reserve(pieces.size());
    for (const WorkingPiece* p : pieces) {
        copies.push_back(*p);
        copies.back().made = 0;
    }
    std::vector<WorkingPiece*> fresh;
    for (WorkingPiece& c : copies) fresh.push_back(&c);
    std::vector<WorkingPiece*> saved = pieces;
    const int32_t records = orderedRecords, cuts = cutCount;
    const int angled = g_pSettings->HeadCutAngled, square = g_pSettings->HeadCutSquare;
    char error[kErrorTextSize];
    std::memcpy(error, g_errorText, sizeof error);
    pieces = fresh;
    ComputeEndOffsets();
    CheckBarLength(nullptr);
    for (const WorkingPiece& c : copies)
        if (c.Id == saved[static_cast<std::size_t>(first)]->Id) madePiecesHeadX = HeadEndX(c);
    pieces = saved;
    orderedRecords = records;
    cutCount = cuts;
    g_pSettings->HeadCutAngled = angled;
    g_pSettings->HeadCutSquare = square;
    std::memcpy(g_errorText, error, sizeof error);
}

void BarComputation::MeasureMadePiecesSpan() {
    const int first = FirstPieceToMake(pieces);
    madeSpan = 0;
    if (piecesDone <= 0 || first <= 0 || madePiecesHeadX == 0) return;
    madeSpan = std::max<int32_t>(0, HeadEndX(*pieces[static_cast<std::size_t>(first)]) - madePiecesHeadX);
}

int32_t BarComputation::HeadOffcutLength() const {
    const MachineSettings* s = g_pSettings;
    // Only the head trim of automatic loading with the automatic transfer leaves a head
    // offcut (the trim's shift stores it); a bar without pieces has none.
    if (s == nullptr || s->TIPO_CARIC == 0 || s->AUTO_TRAS_LAV == 0 || tailClampMode != 2) return 0;
    return std::max<int32_t>(0, tailOffset - (headShift != 0 ? madeSpan : 0));
}

int32_t BarComputation::TailOffcutLength() const {
    // What is left behind the last piece: the tail length the end trims stored (a resumed bar:
    // less what the pieces made before the stop took, unless the head trim moved the pieces
    // onto the tail). A bar without pieces (tail clamp mode 1) leaves no offcut: it is the
    // bar's own label.
    if (tailClampMode != 2) return 0;
    return std::max<int32_t>(0, tailLength - (headShift == 0 ? madeSpan : 0));
}
