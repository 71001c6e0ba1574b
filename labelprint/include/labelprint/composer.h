#pragma once
// MDlgMainCutHelp: the label composer. Turns one label job into one ZPL II label from the
// layout in "TAGRIX.INI" and sends it; also runs the paper query and the raw send.
#include <string>
#include <vector>

#include "labelprint/layout.h"
#include "labelprint/print_utils.h"

// One label job: the seven job parameters decoded, and the line texts.
struct LabelJob {
    std::string barcodeSwitch;  // "", "0" or "1"
    std::string barcodeText;
    std::string profileLibrary; // profile library file
    std::string bitmapFile;
    std::string dxfFile;
    int recordId = 0;           // profile record id
    int highlight = 0;          // number of the polygon drawn highlighted
    std::vector<std::string> values; // one text per label line; lines beyond hold nothing
};

// Why a label went out without its barcode (the rest of the label prints).
enum class BarcodeLeftOut {
    None,
    Data,   // the barcode kind cannot encode the data as it is (letters for EAN, a wrong length)
    Length, // the symbol itself is longer (or taller) than the label
};

class MDlgMainCutHelp {
public:
    // Seven job parameters (LabelJobParams), in order.
    static constexpr int kJobParams = 7;

    MDlgMainCutHelp() = default;
    virtual ~MDlgMainCutHelp() = default;
    MDlgMainCutHelp(const MDlgMainCutHelp&) = delete;
    MDlgMainCutHelp& operator=(const MDlgMainCutHelp&) = delete;

    // Decodes the seven parameters (null entries read as empty) and count line texts.
    static LabelJob UnpackJob(int count, const char* const* params, const char* const* values);

    // Builds the label (layout loaded from "TAGRIX.INI"), sends it without reading a reply and
    // shows ID_NO_COMM when no printer took it; a barcode left off the label is told as a
    // notice (tagrix::kBoxNotice) naming the data. Result 1.
    int Compose(const LabelJob& job);
    // The whole label text without sending it. layout null: loaded from "TAGRIX.INI".
    std::string ComposeZpl(const LabelJob& job, const MConfigura* layout = nullptr);

    // Host status query; shows ID_NO_COMM when no printer answered. True: paper out.
    bool PaperOut(bool windows2000);
    // Sends a ready ZPL text without reading a reply; failures are not reported.
    void SendPrn(const std::string& text, bool windows2000);

    PrintUtils& Printer() { return printer_; }
    // What the last composed label left out of its barcode.
    BarcodeLeftOut LeftOut() const { return leftOut_; }
    // Texts of the last composed label's grid (lines with something to show) that found no
    // place on the label; the wizard refuses a layout that leaves any out.
    int TextsLeftOut() const { return textsLeftOut_; }
    // Label lines of the last composed label with something to show that its grid never
    // reaches (lines beyond its rows and columns). The label's notice counts them with the
    // texts left out; the wizard, which offers only the grid's lines, does not.
    int TextsBeyondGrid() const { return textsBeyondGrid_; }
    // Where the label starts on the 104 mm print width, in dots (the alignment's offset).
    static int LabelOffsetDots(const MConfigura& layout);

private:
    // Appends every element of the label to the buffer (from "^XA" up to, not including, "^XZ").
    void Build(const LabelJob& job, const MConfigura& layout);

    PrintUtils printer_;
    // The ZPL font of the current line.
    const char* fontLetter_ = "S";
    const char* fontSize_ = "40";
    int charWidth_ = 31;
    BarcodeLeftOut leftOut_ = BarcodeLeftOut::None;
    int textsLeftOut_ = 0;
    int textsBeyondGrid_ = 0;
};
