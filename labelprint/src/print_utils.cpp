// ZPL II writers and the printer exchange.
#include "labelprint/print_utils.h"

#include <cstdio>
#include <cstring>

#include "dxf/canvas.h"
#include "dxf/dxf.h"
#include "dxf/entities.h"
#include "platform/paths.h"
#include "platform/text.h"

using labelprint::Image;
using labelprint::MonoBitmap;

PrintUtils::PrintUtils() = default;
PrintUtils::~PrintUtils() = default;

void PrintUtils::BeginLabel(bool pageWidth) {
    zpl_ = "^XA";
    if (pageWidth) zpl_ += "^PW832";
    beyondAscii_ = false;
}

std::string PrintUtils::FieldData(const std::string& text, const char* command) {
    const labelprint::ZplField f = labelprint::ZplFieldValue(text, labelprint::FieldKindOf(command ? command : ""));
    return f.needsIndicator ? "^FH^FD" + f.data : "^FD" + f.data;
}

int PrintUtils::TextField(int x, int y, const char* font, const char* orientation, const char* height,
                          const char* width, const std::string& text) {
    zpl_ += plat::StrFormatC("^FO%d,%d,^A%s%s,%s,%s", x, y, font, orientation, width, height);
    const labelprint::ZplField f = labelprint::ZplFieldValue(text, labelprint::FieldKind::Text);
    zpl_ += f.needsIndicator ? "^FH^FD" : "^FD";
    zpl_ += f.data;
    beyondAscii_ = beyondAscii_ || f.needsCodePage;
    zpl_ += "^FS";
    return 1;
}

int PrintUtils::BarcodeField(int x, int y, const char* narrow, const char* height, const char* ratio,
                             const char* orientation, const char* command, const std::string& data) {
    // The composer writes every barcode in the printer's default mode.
    const labelprint::ZplField f = labelprint::ZplFieldValue(data, labelprint::FieldKindOf(command));
    if (!f.carried) return 0;
    if (std::strcmp(orientation, "R") == 0) zpl_ += "^FWR";
    if (std::strcmp(command, "^B3") == 0 || std::strcmp(command, "^BK") == 0)
        zpl_ += plat::StrFormatC("^FO%d,%d^BY%s,%s%s%s,N,%s,Y,N,A,A", x, y, narrow, ratio, command, orientation,
                                 height);
    else
        zpl_ += plat::StrFormatC("^FO%d,%d^BY%s,%s%s%s,%s,Y,N", x, y, narrow, ratio, command, orientation, height);
    zpl_ += f.needsIndicator ? "^FH^FD" : "^FD";
    zpl_ += f.data;
    zpl_ += "^FS";
    return 1;
}

void PrintUtils::AppendGraphic(int x, int y, const MonoBitmap& bits) {
    static const char kHex[] = "0123456789ABCDEF";
    const int total = bits.BytesPerRow() * bits.height;
    zpl_ += plat::StrFormatC("^FO%d,%d,^GFA,%d,%d,%d,", x, y, total, total, bits.BytesPerRow());
    zpl_.reserve(zpl_.size() + bits.bits.size() * 2);
    for (uint8_t b : bits.bits) {
        zpl_ += kHex[b >> 4];
        zpl_ += kHex[b & 15];
    }
    zpl_ += "^FS"; // the field ends like every other one
}

int PrintUtils::BitmapField(int x, int y, int width, int height, bool rotate, const std::string& file) {
    if (file.empty()) return -1;
    Image image;
    if (!labelprint::ReadBMP(file, image)) return -1;
    return BitmapField(x, y, width, height, rotate, image);
}

int PrintUtils::BitmapField(int x, int y, int width, int height, bool rotate, const Image& image) {
    if (image.Empty() || width <= 0 || height <= 0) return -1; // a slot of no size holds no picture
    // Turned left (rotated print) or half a turn, mirrored, sized to the slot, one bit deep,
    // and sent bottom row first: the picture prints upright, and a quarter turn clockwise
    // for rotated print.
    AppendGraphic(x, y, labelprint::LabelPictureBits(image, width, height, rotate));
    return 1;
}

Image PrintUtils::DxfPicture(const std::string& dxfFile) {
    const MRect rect{0, 0, 96, 80};
    MCanvas canvas(96, 80, kMWhite);
    canvas.FrameRect(rect, kMBlack);
    MEntitiesList list;
    if (ReadDXF(dxfFile, list) < 0) return Image();
    list.GetLimits();
    list.AutoScale(rect, 90);
    list.Draw(canvas, rect, kMBlack);
    Image image(96, 80);
    for (int32_t y = 0; y < 80; ++y)
        for (int32_t x = 0; x < 96; ++x) image.Set(x, y, canvas.Pixel(x, y) & 0xFFFFFF);
    return image;
}

int PrintUtils::DxfToBitmap(const std::string& dxfFile, std::string& outName) {
    if (dxfFile.empty()) return -1;
    const Image picture = DxfPicture(dxfFile);
    if (picture.Empty()) return -1; // no drawing: the element is left out
    MCanvas canvas(96, 80, kMWhite);
    for (int32_t y = 0; y < 80; ++y)
        for (int32_t x = 0; x < 96; ++x) canvas.SetPixel(x, y, 0xFF000000u | picture.At(x, y));
    const std::string name = dxfFile + ".bmp";
    if (!canvas.WriteBMP(plat::NativePath(name))) return -1;
    outName = name;
    return 1;
}

// ---- exchange ----

bool PrintUtils::Exchange(bool wantReply) {
    found_ = false;
    error_ = false;
    if (wantReply) reply_.fill(0);
    const labelprint::UsbExchangeResult r =
        labelprint::UsbExchange(static_cast<uint16_t>(vendorId_), zpl_, wantReply ? reply_.data() : nullptr,
                                kReplySize, timeouts_);
    found_ = r.found;
    error_ = r.error;
    return found_;
}

void PrintUtils::EndLabel() {
    zpl_ += "^XZ";
    if (beyondAscii_ && zpl_.compare(0, 3, "^XA") == 0) zpl_.insert(3, labelprint::kZplCodePage);
    beyondAscii_ = false;
}

bool PrintUtils::EndLabelAndSend(bool readReply, bool /*windows2000*/) {
    EndLabel();
    return Exchange(readReply);
}

bool PrintUtils::ParsePaperOut(const char* reply) {
    if (!reply) return false;
    const char* comma = std::strchr(reply, ',');
    return comma && comma[1] == '1';
}

bool PrintUtils::PaperQuery(bool /*windows2000*/) {
    zpl_ = "^XA";
    zpl_ += "~HS";
    zpl_ += "^XZ";
    Exchange(true);
    return ParsePaperOut(reply_.data());
}

void PrintUtils::SendRaw(const std::string& text, bool /*windows2000*/) {
    zpl_ = text;
    Exchange(false);
}
