// Label settings and the byte stream of the directly driven label printer.
#include "machine/label_settings.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "machine/globals.h"
#include "machine/ini_routines.h"
#include "machine/path_table.h"
#include "machine/settings.h"
#include "machine/utils.h"
#include "platform/text.h"

namespace {
constexpr const char* kLabel = "LABEL";

// Keys of the [LABEL] section of CONFIG.PAR.
int ReadLabelInt(const char* key, int def) { return ReadIniInt(kLabel, key, def, PathSlot(PathTable::kConfigPar)); }
void WriteLabelInt(const char* key, int value) { WriteIniInt(kLabel, key, value, PathSlot(PathTable::kConfigPar)); }
std::string ReadLabelText(const char* key, std::size_t maxChars) {
    return ReadIniString(kLabel, key, "", maxChars, PathSlot(PathTable::kConfigPar));
}
void WriteLabelText(const char* key, const char* text) {
    WriteIniString(kLabel, key, text != nullptr ? text : "", PathSlot(PathTable::kConfigPar));
}

std::string IndexedKey(const char* prefix, int n) { return plat::StrFormatC("%s%d", prefix, n); }

// Layout heights in millimetres. Font codes and barcode heights the layout does not know take
// the nearest usual value: header 3.0, row 3.1 (fonts 24/28), barcode 13.0 below 1, 18.0 above 3.
double HeaderHeight(int headFont) { return headFont == 29 ? 7.0 : 3.0; }
double LineHeight(int font) {
    switch (font) {
    case 16: return 2.12;
    case 29: return 8.0;
    default: return 3.1;
    }
}
double BarcodeHeight(int bcHeight) {
    if (bcHeight <= 1) return 13.0;
    if (bcHeight == 2) return 16.0;
    return 18.0;
}

char Digit(int v) { return static_cast<char>('0' + v); }

// The digits of a type-1 barcode text: '.' skipped, leading zeros skipped, the other digits
// copied, up to the first other character.
std::string BarcodeDigits(const char* text) {
    std::string digits;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p == '.') continue;
        if (*p < '0' || *p > '9') break;
        if (*p == '0' && digits.empty()) continue;
        digits += *p;
    }
    return digits;
}

std::string PadLeft(std::string text, std::size_t width, char fill) {
    if (text.size() < width) text.insert(0, width - text.size(), fill);
    return text;
}

// The header line for a text; extraLine tells whether the closing LF counted as a line.
std::string ComposeHeader(const MachineSettings& s, const char* text, bool& extraLine) {
    // The header text (the layout's, or the list's own header) is printed, never taken as the
    // printer's control bytes.
    std::string t = plat::LabelPlainText(text != nullptr ? text : "");
    if (t.size() > 40) t.resize(40);
    const std::size_t lenRow = static_cast<std::size_t>(std::max(0, s.LEN_ROW));
    if (t.size() > lenRow) t.resize(lenRow);
    const std::size_t pad = (lenRow - t.size()) / 2;
    std::string line;
    line += kLabelSTX;
    line += kLabelCR;
    line += static_cast<char>(s.HEAD_FONT);
    line += "  ";
    line.append(pad, ' ');
    line += t;
    line += kLabelLF;
    line += static_cast<char>(s.FONT);
    extraLine = false;
    if (!(s.labelBcType != 0 && s.labelLineCount >= 6) && s.FONT != 29) {
        line += kLabelLF;
        extraLine = true;
    }
    return line;
}
} // namespace

int GetLabelPrint() { return ReadLabelInt("PRINT", 0); }
void SetLabelPrint(int value) {
    WriteLabelInt("PRINT", value);
    g_labelPrintOn = value;
}
int GetLabelPrintNoShort() { return ReadLabelInt("PRINT_NOSHORT", 0); }
void SetLabelPrintNoShort(int value) {
    WriteLabelInt("PRINT_NOSHORT", value);
    g_labelNoShortOn = value;
}
std::string GetLabelHeadText(const MachineSettings& s) {
    return ReadLabelText("STR_HEAD", static_cast<std::size_t>(std::max(0, s.LEN_ROW)));
}
void SetLabelHeadText(const char* text) { WriteLabelText("STR_HEAD", text); }
int GetLabelHeadType() { return ReadLabelInt("TYPE_HEAD", 0); }
void SetLabelHeadType(int value) { WriteLabelInt("TYPE_HEAD", value); }
void SetLabelHeadFont(int value) { WriteLabelInt("HEAD_FONT", value); }
void SetLabelFont(int value) { WriteLabelInt("FONT", value); }
void SetLabelBcHeight(int value) { WriteLabelInt("BC_HEIGHT", value); }

std::string GetLabelStr(int line) {
    if (line < 0 || line >= kLabelLines) return std::string();
    return ReadLabelText(IndexedKey("STR", line + 1).c_str(), kLabelCaptionChars);
}
void SetLabelStr(int line, const char* text) {
    if (line < 0 || line >= kLabelLines) return;
    WriteLabelText(IndexedKey("STR", line + 1).c_str(), text);
}
int GetLabelType(int line) {
    if (line < 0 || line >= kLabelLines) return 0;
    return ReadLabelInt(IndexedKey("TYPE", line + 1).c_str(), 0);
}
void SetLabelType(int line, int value) {
    if (line < 0 || line >= kLabelLines) return;
    WriteLabelInt(IndexedKey("TYPE", line + 1).c_str(), value);
}
std::string GetLabelHead(int info) {
    if (info < 0 || info >= kLabelInfoFields) return std::string();
    return ReadLabelText(IndexedKey("HEAD", info + 1).c_str(), kLabelInfoCaptionChars);
}
void SetLabelHead(int info, const char* text) {
    if (info < 0 || info >= kLabelInfoFields) return;
    WriteLabelText(IndexedKey("HEAD", info + 1).c_str(), text);
}
int GetLabelInfo(int info) {
    if (info < 0 || info >= kLabelInfoFields) return 0;
    return ReadLabelInt(IndexedKey("INFO", info + 1).c_str(), 0);
}
void SetLabelInfo(int info, int value) {
    if (info < 0 || info >= kLabelInfoFields) return;
    WriteLabelInt(IndexedKey("INFO", info + 1).c_str(), value);
}
int GetLabelBarcode1() { return ReadLabelInt("STAMPA_BARCODE1", 0); }
void SetLabelBarcode1(int value) { WriteLabelInt("STAMPA_BARCODE1", value); }
int GetLabelBarcode2() { return ReadLabelInt("STAMPA_BARCODE2", 0); }
void SetLabelBarcode2(int value) { WriteLabelInt("STAMPA_BARCODE2", value); }
int GetLabelLenStr() { return ReadLabelInt("LEN_STR", 8); }
void SetLabelLenStr(int value) { WriteLabelInt("LEN_STR", value); }
int GetLabelBcType() { return ReadLabelInt("BC_TYPE", 0); }
void SetLabelBcType(int value) { WriteLabelInt("BC_TYPE", value); }

int MapLibraryBarcodeType(int bcType) {
    switch (bcType) {
    case 1: return 4;
    case 2: return 5;
    case 3: return 2;
    case 4: return 3;
    case 5: return 9;
    default: return 1;
    }
}

void SetupLabelLayout(MachineSettings& s) {
    s.PRINT = GetLabelPrint();
    if (s.PRINT == 0) {
        s.PRINT_NOSHORT = 0;
        return;
    }
    s.PRINT_NOSHORT = GetLabelPrintNoShort();
    s.TYPE_HEAD = GetLabelHeadType();
    CopyField(s.labelHeadText, GetLabelHeadText(s).c_str());

    // Barcode type of the direct printer, or the label library's layout mapped to it.
    if (s.CONF_FILE_OTT != 1) {
        s.labelBcType = GetLabelBcType();
    } else {
        const std::string tagrix = ProgramFilePath("TAGRIX.INI");
        s.labelBcType = MapLibraryBarcodeType(ReadIniInt("SYSTEM", "BCTYPE", 0, tagrix.c_str()));
    }

    // Captions right-aligned in LEN_STR + 2 characters and ":"; the field holds 13 characters.
    const int lenStr = std::clamp(GetLabelLenStr(), 0, kLabelLenStrMax);
    for (int n = 0; n < kLabelLines; ++n) {
        if (lenStr != 0) {
            std::string caption = GetLabelStr(n);
            if (caption.size() > static_cast<std::size_t>(lenStr)) caption.resize(static_cast<std::size_t>(lenStr));
            caption = PadLeft(caption, static_cast<std::size_t>(lenStr) + 2, ' ') + ":";
            CopyField(s.labelCaptions[n], caption.c_str());
        } else {
            CopyField(s.labelCaptions[n], " ");
        }
        s.labelLineTypes[n] = GetLabelType(n);
    }

    // Lines in use: with a barcode only lines 1 to 6 are printed.
    const int lastLine = s.labelBcType != 0 ? 6 : kLabelLines;
    s.labelLineCount = 0;
    for (int n = 0; n < lastLine; ++n)
        if (s.labelLineTypes[n] != 0) ++s.labelLineCount;

    for (int i = 0; i < kLabelInfoFields; ++i) {
        CopyField(s.labelInfoCaptions[i], GetLabelHead(i).c_str());
        s.labelInfoSelectors[i] = GetLabelInfo(i);
    }
    s.STAMPA_BARCODE1 = GetLabelBarcode1();
    s.STAMPA_BARCODE2 = GetLabelBarcode2();

    if (s.TYPE_HEAD == 0) BuildLabelHeader(s, s.labelHeadText);

    // Trailer: line feeds to the end of a 40 mm label, then the feed-out of the form.
    const double h = HeaderHeight(s.HEAD_FONT);
    const double l = LineHeight(s.FONT);
    const double b = s.labelBcType != 0 ? BarcodeHeight(s.BC_HEIGHT) : 0.0;
    int n = plat::TruncToInt32((40.0 - h - s.labelLineCount * l - b) / l);
    if (n < 0) n = 4;
    // The trailer holds at most 99 bytes: LF_VERT and LF_ORIZ are cut to what is left.
    const int fixedBytes = (n + 2) + 2; // the leading LFs, SO and ETX
    const int room = static_cast<int>(kLabelBlockMax) - fixedBytes;
    const int lfVert = std::clamp(s.LF_VERT, 0, std::max(0, room));
    const int lfOriz = std::clamp(s.LF_ORIZ, 0, std::max(0, room - lfVert));
    s.labelTrailer.assign(static_cast<std::size_t>(n + 2), kLabelLF);
    s.labelTrailer.append(static_cast<std::size_t>(lfVert), kLabelLF);
    s.labelTrailer += kLabelSO;
    s.labelTrailer.append(static_cast<std::size_t>(lfOriz), kLabelLF);
    s.labelTrailer += kLabelETX;
}

void BuildLabelHeader(MachineSettings& s, const char* text) {
    bool extraLine = false;
    s.labelHeaderLine = ComposeHeader(s, text, extraLine);
    if (extraLine) ++s.labelLineCount;
}

std::string GetLabelHeaderLine(MachineSettings& s, const char* text) {
    if (s.TYPE_HEAD == 0) return s.labelHeaderLine;
    // Rebuilt for every label; the layout's line count stays as the layout set it.
    bool extraLine = false;
    s.labelHeaderLine = ComposeHeader(s, text, extraLine);
    return s.labelHeaderLine;
}

void BuildLabelBarcode(const MachineSettings& s, std::string& dest, const char* text) {
    if (s.labelBcType == 0) return;
    if (text == nullptr || *text == '\0') {
        // Keep the layout's place: as many line feeds as the barcode is tall.
        const int lines = plat::TruncToInt32(BarcodeHeight(s.BC_HEIGHT) / LineHeight(s.FONT));
        dest.append(static_cast<std::size_t>(std::max(0, lines)), kLabelLF);
        return;
    }
    std::string data;
    const std::string plain = plat::LabelPlainText(text);
    switch (s.labelBcType) {
    case 1: data = PadLeft(BarcodeDigits(plain.c_str()), 12, '0'); break;
    case 2: data = PadLeft(plain, 7, '0'); break;
    case 4: data = "*" + plain + "*"; break;
    case 5:
    case 7: data = "B" + plain + "N"; break;
    default:
        data = plain;
        if (data.size() > 19) data.resize(19);
        break;
    }
    // The block (8 bytes before the data, 2 after) holds at most 199 bytes.
    const std::size_t dataMax = kLabelBarcodeBlockMax - 10;
    if (data.size() > dataMax) data.resize(dataMax);
    dest += kLabelDLE;
    dest += kLabelLF;
    dest += kLabelSI;
    dest += Digit(s.labelBcType);
    dest += Digit(s.BC_HEIGHT);
    dest += Digit(s.BC_DENSITY);
    dest += "  ";
    dest += data;
    dest += kLabelLF;
    dest += static_cast<char>(s.FONT);
}

std::string FormatLabelField(const MachineSettings& s, int info, const char* value) {
    std::string v = plat::LabelPlainText(value != nullptr ? value : "");
    std::string out;
    if (info >= 0 && info < kLabelInfoFields && s.labelInfoCaptions[info][0] != '\0')
        out = std::string(s.labelInfoCaptions[info]) + ": " + v;
    else
        out = v;
    if (out.size() > kLabelFieldMax) out.resize(kLabelFieldMax);
    return out;
}

std::string ConcatLabelText(const MachineSettings& s, int line, const char* value) {
    std::string out;
    if (line >= 0 && line < kLabelLines) out = s.labelCaptions[line];
    out += value != nullptr ? value : "";
    // The caption and the value print as written: a control byte of theirs would be a command
    // of the printer (or a line end that moves the fields after it).
    out = plat::LabelPlainText(out);
    const std::size_t lenRow = static_cast<std::size_t>(std::max(0, s.LEN_ROW));
    if (out.size() > lenRow) out.resize(lenRow);
    return out;
}

std::string LabelJobPrefix() { return std::string("\x02\0E\0\n\x03", 6); }
