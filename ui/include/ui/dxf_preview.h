#pragma once
// The picture of the DXF preview control, without any window system: a profile section or
// tool drawing read from a DXF file (or the box of a bar's section), mirrored and rotated,
// with the optional bar-end outline and hatch, fitted into a canvas of the control's size.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "dxf/canvas.h"
#include "dxf/entities.h"
#include "dxf/file_stamp.h"

namespace ui {

// What the preview takes of a bar record.
struct PreviewBar {
    float sectionAngle = 0.0f;    // degrees
    int32_t mirror = 0;           // 1: mirrored
    int32_t bounds[4] = {};       // section bounds y1, y2, x1, x2 (thousandths of a mm)
};

struct PreviewState {
    std::string path;             // readable DXF file, or empty
    std::optional<PreviewBar> bar;
    int readFlag = 0;
    int32_t extension1 = 0;       // only zero or non-zero matters
    int32_t extension2 = 0;
    bool outline = false;
    int variant = 0;
    bool mirror = false;
    double angle = 0.0;           // 0 <= angle < 360
};

// Any angle brought into 0 <= angle < 360; a non-finite angle is 0.
double NormalisePreviewAngle(double degrees);

// The hatch colours of the outline (Windows colour values): red when an extension value is
// set, else blue.
constexpr uint32_t kHatchExtended = 0x0000FF;
constexpr uint32_t kHatchPlain = 0xFF0000;

// Marks: the texts of a drawing on this layer (any case). They name places of the drawing that
// texts outside it point at (the tool legend's lines name the dimensions of the tool drawings),
// so the preview writes them over the drawing; other texts of a drawing are not shown.
inline constexpr const char* kPreviewMarkLayer = "MARK";

// A mark placed on the canvas of the fitted drawing.
struct PreviewMark {
    std::string text;
    double x = 0.0;        // pixel of the insertion point: left end of the text's baseline
    double y = 0.0;
    double height = 0.0;   // text height in pixels
    double rotation = 0.0; // degrees, counter-clockwise
};

// The marks of a drawing fitted by AutoScale, in pixels of its canvas.
std::vector<PreviewMark> PlaceMarks(const MEntitiesList& fitted);

// Paints the preview into a white canvas of width x height. A drawing without entities
// (no file, unreadable or empty file, and no bar box) leaves the background alone.
MCanvas RenderPreview(const PreviewState& state, int32_t width, int32_t height);

// RenderPreview for a control painted again and again: the drawing read, mirrored, rotated and
// outlined is kept from one paint to the next while the state and the drawing's file are
// unchanged (same path and file stamp); a changed file is read anew at the next paint. The
// painted picture is kept too, and painted again only when the drawing or the size changed.
class PreviewPainter {
public:
    // The picture, valid until the next call.
    const MCanvas& Render(const PreviewState& state, int32_t width, int32_t height);
    // How often the drawing file has been read.
    int Reads() const { return reads_; }
    // The marks of the picture last rendered, to be written over its canvas.
    const std::vector<PreviewMark>& Marks() const { return marks_; }
    // How often a picture has been painted.
    int Paints() const { return paints_; }

private:
    struct Key {
        PreviewState state;
        MFileStamp stamp;
        bool operator==(const Key& o) const;
    };
    bool kept_ = false;
    Key key_;
    MEntitiesList drawing_; // ready to be fitted and drawn
    bool empty_ = true;     // nothing to draw
    double hatchAt_[2] = {0, 0};
    int reads_ = 0;
    std::vector<PreviewMark> marks_; // the marks placed on canvas_
    MCanvas canvas_;          // the last picture
    bool painted_ = false;    // canvas_ shows the kept drawing
    int32_t paintedWidth_ = 0, paintedHeight_ = 0; // the size it was asked at
    int paints_ = 0;
};

} // namespace ui
