#pragma once
// PrintUtils: the ZPL II buffer and its writers (text, barcodes, bitmap pictures, profile
// drawings from the profile library file, DXF drawings turned into bitmaps) and the exchange
// with the USB label printer.
#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "labelprint/bitmap.h"
#include "labelprint/field_data.h"
#include "labelprint/usb_printer.h"

namespace labelprint {

// The code page a label declares when it carries text beyond ASCII: Windows-1252, the
// encoding of the lists and of every text file of the system.
inline constexpr const char* kZplCodePage = "^CI27";

} // namespace labelprint

// One record of the profile library file.
class MMorvexRifVoce {
public:
    MMorvexRifVoce() = default;
    virtual ~MMorvexRifVoce() = default;

    int16_t id = 0;
    uint8_t fourPoints = 1; // non-zero: every polygon has four points
    char name[40] = {};
    double scale = 1.0; // drawing units per dot
    int fileHandle = -1;
    int64_t dataPosition = -1; // start of the record body in the file
    int16_t polygonCount = 0;
    double width = 0.0;  // extent of the section along x
    double height = 0.0; // extent along y
    int16_t outlinePoints = 0;
    int32_t bodyLength = 0;
    char path[260] = {};
};

class PrintUtils {
public:
    static constexpr size_t kReplySize = 15000;
    static constexpr size_t kReplySpare = 4500;
    static constexpr size_t kLibraryHeaderSize = 272;
    static constexpr size_t kRecordHeadSize = 255;

    PrintUtils();
    virtual ~PrintUtils();
    PrintUtils(const PrintUtils&) = delete;
    PrintUtils& operator=(const PrintUtils&) = delete;

    // Buffer := "^XA", then "^PW832" when asked.
    void BeginLabel(bool pageWidth);
    // "^FO%d,%d,^A%s%s,%s,%s^FD%s^FS" (x, y, font, orientation, width, height, text). Returns 1.
    int TextField(int x, int y, const char* font, const char* orientation, const char* height, const char* width,
                  const std::string& text);
    // Barcode of the given command ("^BE", "^B3", ...); orientation "R" adds "^FWR". Returns 1;
    // 0 (nothing appended) when the symbol cannot carry the data as written.
    int BarcodeField(int x, int y, const char* narrowWidth, const char* height, const char* ratio,
                     const char* orientation, const char* command, const std::string& data);
    // The picture of a BMP file as "^GFA" in width x height dots, turned a quarter for rotated
    // print. -1 (nothing appended) when the file is missing, unreadable or not a bitmap.
    int BitmapField(int x, int y, int width, int height, bool rotate, const std::string& file);
    // The same from an image in memory.
    int BitmapField(int x, int y, int width, int height, bool rotate, const labelprint::Image& image);
    // The section of profile record recordId drawn in the box; polygon `highlight` thicker.
    // -1 when the file does not open or holds no such record.
    int ProfileDrawing(int x, int y, int width, int height, int recordId, int highlight, bool rotate,
                       const std::string& libraryFile);
    // Draws the DXF file into a 96 x 80 bitmap written as the DXF path followed by ".bmp";
    // outName := that path. -1 when the path is empty or the file cannot be written.
    int DxfToBitmap(const std::string& dxfFile, std::string& outName);
    // The 96 x 80 picture of a DXF drawing (white, black frame, drawing at 90 %).
    static labelprint::Image DxfPicture(const std::string& dxfFile);

    // Appends "^XZ"; a label that carries text beyond ASCII declares its code page right
    // after its "^XA".
    void EndLabel();
    // EndLabel, then sends; returns whether a printer was found.
    bool EndLabelAndSend(bool readReply, bool windows2000);
    // Asks the host status; true when the printer reports the paper out.
    bool PaperQuery(bool windows2000);
    // Sends the text as it is, without reading a reply.
    void SendRaw(const std::string& text, bool windows2000);

    // Paper-out flag of a "~HS" reply: the character after the first comma is "1".
    static bool ParsePaperOut(const char* reply);
    // "^FD" + the field data of a text or of a barcode command's symbol ("^BC", ...), with
    // "^FH" before it when the data holds escapes (labelprint::ZplFieldValue); empty when
    // the barcode cannot carry the text.
    static std::string FieldData(const std::string& text, const char* command = "");

    const std::string& Zpl() const { return zpl_; }
    std::string& Zpl() { return zpl_; }
    bool Found() const { return found_; }
    bool Error() const { return error_; }
    const char* Reply() const { return reply_.data(); }
    labelprint::UsbTimeouts& Timeouts() { return timeouts_; }

    // Appends the "^GFA" field of a one-bit picture (rows top first).
    void AppendGraphic(int x, int y, const labelprint::MonoBitmap& bits);

private:
    bool Exchange(bool wantReply);
    bool FindRecord(std::FILE* f, int recordId, MMorvexRifVoce& rec);

    std::unique_ptr<MMorvexRifVoce> record_;
    std::array<char, kLibraryHeaderSize> header_{};
    int vendorId_ = labelprint::kPrinterVendorId;
    bool found_ = false;
    bool error_ = false;
    bool beyondAscii_ = false; // a field of the label holds text beyond ASCII
    std::string zpl_;
    std::array<char, kReplySize + kReplySpare> reply_{};
    labelprint::UsbTimeouts timeouts_;
};
