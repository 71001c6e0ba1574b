#pragma once
// Label settings ("CONFIG.PAR" section LABEL) and the byte stream of the label printer driven
// directly over the print serial link: header line, caption and field lines, barcode block and
// trailer. The execution monitor joins the blocks (header first, trailer last) into one stream
// and writes it to the print link in one write. Streams are byte strings: they never overflow
// and may hold control bytes (and NUL) of the printer.
#include <cstddef>
#include <string>

class MachineSettings;

// Control bytes of the directly driven printer.
inline constexpr char kLabelSTX = 0x02;
inline constexpr char kLabelETX = 0x03;
inline constexpr char kLabelLF = 0x0A;
inline constexpr char kLabelCR = 0x0D;
inline constexpr char kLabelSO = 0x0E;
inline constexpr char kLabelSI = 0x0F;
inline constexpr char kLabelDLE = 0x10;

// Limits of the layout.
inline constexpr int kLabelLines = 8;          // caption and field lines
inline constexpr int kLabelInfoFields = 4;
inline constexpr int kLabelCaptionChars = 8;   // STR1..STR8
inline constexpr int kLabelInfoCaptionChars = 17; // HEAD1..HEAD4
inline constexpr int kLabelLenStrMax = 9;      // a caption field of LEN_STR + 3 fits 13 characters
inline constexpr std::size_t kLabelBlockMax = 99;  // header line, trailer: 100 bytes with the NUL
inline constexpr std::size_t kLabelBarcodeBlockMax = 199; // barcode block: 200 bytes with the NUL
inline constexpr std::size_t kLabelFieldMax = 39;  // FormatLabelField

// ---- accessors of the LABEL keys: getters read the file each time, setters write at once ----
int GetLabelPrint();
void SetLabelPrint(int value);        // also sets g_labelPrintOn
int GetLabelPrintNoShort();
void SetLabelPrintNoShort(int value); // also sets g_labelNoShortOn
std::string GetLabelHeadText(const MachineSettings& s); // at most LEN_ROW characters
void SetLabelHeadText(const char* text);
int GetLabelHeadType();
void SetLabelHeadType(int value);
void SetLabelHeadFont(int value);
void SetLabelFont(int value);
void SetLabelBcHeight(int value);
// Lines 0..7 (keys STR1..STR8, TYPE1..TYPE8).
std::string GetLabelStr(int line); // at most 8 characters
void SetLabelStr(int line, const char* text);
int GetLabelType(int line);
void SetLabelType(int line, int value);
// Info fields 0..3 (keys HEAD1..HEAD4, INFO1..INFO4).
std::string GetLabelHead(int info); // at most 17 characters
void SetLabelHead(int info, const char* text);
int GetLabelInfo(int info);
void SetLabelInfo(int info, int value);
int GetLabelBarcode1();
void SetLabelBarcode1(int value);
int GetLabelBarcode2();
void SetLabelBarcode2(int value);
int GetLabelLenStr();
void SetLabelLenStr(int value);
int GetLabelBcType();
void SetLabelBcType(int value);

// The barcode type of the direct printer for a BCTYPE of the label library's layout file.
int MapLibraryBarcodeType(int bcType);

// ---- the layout and the byte stream ----
// Rebuilds the layout in the record from the LABEL keys.
void SetupLabelLayout(MachineSettings& s);
// Builds the stored header line from the text (at most 40 characters, centred in LEN_ROW).
void BuildLabelHeader(MachineSettings& s, const char* text);
// TYPE_HEAD 0: the stored header line; otherwise the header line built from the text.
std::string GetLabelHeaderLine(MachineSettings& s, const char* text);
// Appends the barcode block of the text to dest (nothing when no barcode type is set).
void BuildLabelBarcode(const MachineSettings& s, std::string& dest, const char* text);
// "%s: %s" of the info caption and the value (the value alone without caption), at most 39.
std::string FormatLabelField(const MachineSettings& s, int info, const char* value);
// "%s%s" of the line's caption and the value, cut at LEN_ROW characters.
std::string ConcatLabelText(const MachineSettings& s, int line, const char* value);
// The six bytes sent ahead of a job's labels: STX, NUL, 'E', NUL, LF, ETX.
std::string LabelJobPrefix();
