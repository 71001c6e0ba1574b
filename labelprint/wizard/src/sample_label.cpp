// The wizard's pictures, composed by the label composer and drawn from its ZPL.
#include "sample_label.h"

#include <QPainter>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <vector>

#include "labelprint/composer.h"
#include "labelprint/layout.h"
#include "platform/text.h"
#include "wizard_logic.h"
#include "zpl_picture.h"

namespace labelprint::wizard {
namespace {

void Put16(std::string& out, int v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

void PutDouble(std::string& out, double d) {
    uint64_t bits = 0;
    std::memcpy(&bits, &d, sizeof d);
    for (int i = 0; i < 8; ++i) out += static_cast<char>((bits >> (8 * i)) & 0xFF);
}

using Polygon = std::vector<std::pair<double, double>>;

// One profile record (id 1): a frame section 60 x 70 with three chambers, written in the
// profile library layout (272-byte file header, 255-byte record head, polygons with their
// point counts).
std::string SampleProfileLibrary() {
    const std::vector<Polygon> polygons = {
        {{0, 0}, {60, 0}, {60, 50}, {45, 50}, {45, 70}, {15, 70}, {15, 50}, {0, 50}},
        {{5, 5}, {25, 5}, {25, 45}, {5, 45}},
        {{35, 5}, {55, 5}, {55, 45}, {35, 45}},
        {{20, 52}, {40, 52}, {40, 65}, {20, 65}},
    };
    std::string body;
    for (const Polygon& p : polygons) {
        std::string head(32, '\0');
        head[2] = static_cast<char>(p.size());
        body += head;
        for (const auto& [x, y] : p) {
            PutDouble(body, x);
            PutDouble(body, y);
        }
    }
    std::string head(255, '\0');
    const uint32_t length = static_cast<uint32_t>(body.size());
    for (int i = 0; i < 4; ++i) head[static_cast<size_t>(i)] = static_cast<char>((length >> (8 * i)) & 0xFF);
    head[4] = 0; // each polygon carries its point count
    head.replace(5, 6, "SAMPLE");
    std::string tail;
    Put16(tail, static_cast<int>(polygons.size()));
    PutDouble(tail, 60.0);
    PutDouble(tail, 70.0);
    Put16(tail, 0); // no outline points
    Put16(tail, 1); // record id
    head.replace(105, tail.size(), tail);
    return std::string(272, '\0') + head + body;
}

// A piece with mitred ends and a hole, as a drawing.
std::string SampleDrawing() {
    std::string dxf = "0\nSECTION\n2\nENTITIES\n";
    const double pts[][2] = {{0, 0}, {100, 0}, {80, 20}, {20, 20}};
    for (int i = 0; i < 4; ++i) {
        const auto& a = pts[i];
        const auto& b = pts[(i + 1) % 4];
        dxf += plat::StrFormatC("0\nLINE\n8\n0\n10\n%g\n20\n%g\n11\n%g\n21\n%g\n", a[0], a[1], b[0], b[1]);
    }
    dxf += "0\nCIRCLE\n8\n0\n10\n50\n20\n10\n40\n4\n0\nENDSEC\n0\nEOF\n";
    return dxf;
}

// The same piece as a bitmap picture.
labelprint::Image SamplePicture() {
    labelprint::Image image(200, 100);
    for (int32_t y = 20; y < 80; ++y)
        for (int32_t x = 10 + (y - 20); x < 190 - (y - 20); ++x) {
            const int32_t dx = x - 100, dy = y - 40;
            if (dx * dx + dy * dy > 144) image.Set(x, y, 0x303030);
        }
    return image;
}

bool Write(const std::string& path, const std::string& data) {
    std::ofstream f(path, std::ios::binary);
    f << data;
    return static_cast<bool>(f);
}

// The picture fitted and centred on a light ground with a frame.
QPixmap Fit(const QImage& picture, QSize size) {
    QPixmap out(size);
    out.fill(QColor(225, 225, 225));
    QPainter p(&out);
    const QImage scaled = picture.scaled(size - QSize(8, 8), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    const QPoint at((size.width() - scaled.width()) / 2, (size.height() - scaled.height()) / 2);
    p.drawImage(at, scaled);
    p.setPen(QColor(90, 90, 90));
    p.drawRect(QRect(at, scaled.size()).adjusted(-1, -1, 0, 0));
    return out;
}

} // namespace

SampleLabel::SampleLabel() {
    if (!dir_.isValid()) return;
    const std::string base = dir_.path().toStdString() + "/";
    if (Write(base + "SAMPLE.LIB", SampleProfileLibrary())) library_ = base + "SAMPLE.LIB";
    if (Write(base + "SAMPLE.DXF", SampleDrawing())) drawing_ = base + "SAMPLE.DXF";
}

std::string SampleLabel::LayoutZpl(const MConfigura& cfg, int layout) const {
    MConfigura c;
    c.CopyFrom(cfg);
    c.layout = layout;
    MDlgMainCutHelp composer;
    return composer.ComposeZpl(SampleJob(c, drawing_), &c);
}

QPixmap SampleLabel::LayoutPicture(const MConfigura& cfg, int layout, QSize size) const {
    // The label in dots across and along the printer: the rotated print (orientation 0)
    // lays the label's height across the printer. The printer's whole width is drawn and the
    // label cut out of it where its alignment puts it.
    const bool rotated = cfg.orientation == 0;
    const int across = std::clamp(plat::TruncToInt32(rotated ? cfg.labelHeight : cfg.labelWidth), 1, 500) * 8;
    const int along = std::clamp(plat::TruncToInt32(rotated ? cfg.labelWidth : cfg.labelHeight), 1, 500) * 8;
    const int offset = std::max(MDlgMainCutHelp::LabelOffsetDots(cfg), 0);
    QImage label = RenderZpl(LayoutZpl(cfg, layout), offset + across, along).copy(offset, 0, across, along);
    if (rotated) label = label.transformed(QTransform().rotate(-90));
    return Fit(label, size);
}

QPixmap SampleLabel::PictureKind(int kind, QSize size) const {
    constexpr int kWidth = 200, kHeight = 160;
    PrintUtils writer;
    writer.BeginLabel(false);
    if (kind == 0) writer.ProfileDrawing(0, 0, kWidth, kHeight, 1, 1, false, library_);
    else writer.BitmapField(0, 0, kWidth, kHeight, false, SamplePicture());
    return Fit(RenderZpl(writer.Zpl(), kWidth, kHeight), size);
}

} // namespace labelprint::wizard
