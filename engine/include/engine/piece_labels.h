#pragma once
// Label texts of the piece-label job: what a label of a finished piece, of a bar without
// pieces or of an offcut says, laid out for the label printer kind of PARAM CONF_FILE_OTT
// (0 the directly driven printer, 1 the label library's composer, 2 a ZPL template), and
// the offcut lengths of the computed bar. BarComputation::BuildPieceLabelFields builds one
// label into the label text; the operator program prints it.
#include <cstddef>
#include <cstdint>
#include <string>

struct BarRecord;

// What a label is for.
inline constexpr int kLabelOfBar = 0;   // a bar without pieces
inline constexpr int kLabelOfPiece = 1;
inline constexpr int kLabelOfScrap = 2; // an offcut

// Label printer kinds (PARAM CONF_FILE_OTT).
inline constexpr int kPrinterDirect = 0;
inline constexpr int kPrinterLibrary = 1;
inline constexpr int kPrinterTemplate = 2;

// Field types of a label line, in the order of the label dialogs' list.
enum LabelFieldType : int {
    kFieldNone = 0,    // C_NIENTE
    kFieldList = 1,    // C_COMMESSA
    kFieldName = 2,    // C_NOME
    kFieldSeries = 3,  // C_SERIE
    kFieldCode = 4,    // C_CODICE
    kFieldLength = 5,  // C_LUNGHEZZA
    kFieldColour = 6,  // C_COLORE
    kFieldAngles = 7,  // C_ANGOLI
    kFieldAddInfo1 = 8, // C_ADDINFO 1 to 4: 8 to 11
    kFieldAddInfo4 = 11,
};

inline constexpr int kLibraryLabelLines = 18;  // lines of a label of the label library
inline constexpr int kTemplateLabelLines = 4;  // rows of a template label
inline constexpr std::size_t kLabelValueMax = 40; // every field value is cut to this

// The label printer kind in effect: PARAM CONF_FILE_OTT, where kind 2 holds only on machine
// variant 1 and any other value is the directly driven printer.
int LabelPrinterKind();

// The bar's colour and name as the job dialogs and labels show them, decided here once: the
// colour is the bar record's label text (offset 171) whole, the name its first text (offset 0).
const char* BarColourText(const BarRecord& bar);
const char* BarNameText(const BarRecord& bar);

// One label to build.
struct PieceLabelRequest {
    int kind = kLabelOfPiece;
    // kLabelOfPiece: 0-based index of the piece in the current bar.
    int pieceIndex = -1;
    // kLabelOfBar and kLabelOfScrap: the bar (null: the current bar).
    const BarRecord* bar = nullptr;
    // kLabelOfScrap: the offcut's length (thousandths of a millimetre).
    int32_t offcutLength = 0;
    // Printer kind 1: the field type of each of the 18 lines of the library's layout (-1 for a
    // line without field); null gives a label without lines.
    const int* libraryLineTypes = nullptr;
};

// Results of BuildPieceLabelFields.
inline constexpr int kLabelBuilt = 0;
inline constexpr int kLabelTooLong = 1;   // it does not fit: the label text is unchanged
inline constexpr int kLabelNoSource = 2;  // no such piece or bar, or no settings: unchanged
