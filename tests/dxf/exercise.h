#pragma once
// One pass over a drawing given as bytes: read it, then run every transform and the renderer on
// what was read. Shared by the mutation test and the libFuzzer target; returns false when the
// reader broke its own promises (a failure that left entities behind, a count that differs).
#include <cstddef>
#include <cstdint>

#include "dxf/dxf.h"

namespace dxftest {

inline bool Exercise(const uint8_t* data, size_t size) {
    MEntitiesList l;
    const int rc = ReadDXFBuffer(reinterpret_cast<const char*>(data), size, l);
    if (rc < 0) return l.Empty() && l.Limits().empty;
    if (size_t(rc) != l.Count()) return false;
    l.GetLimits();
    l.Mirror(1);
    l.Rotate(33.0);
    l.Move(1.5, -2.5);
    MCanvas canvas(64, 48);
    const MRect rect{2, 2, 62, 46};
    l.AutoScale(rect, 90);
    l.Draw(canvas, rect);
    const MPixel p = l.ToPixel(l.MinX(), l.MinY());
    canvas.FloodFill(p.x + 1, p.y - 1, kMBlack, MBrush{MHatch::FDiagonal, kMBlack, kMWhite});
    l.ConvertArcsToLines(10.0);
    l.DeleteText();
    l.DeleteAttributes();
    l.GetLimits();
    return true;
}

} // namespace dxftest
