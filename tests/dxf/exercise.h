#pragma once
// One pass over a drawing given as bytes: read it, then run every transform and the renderer on
// what was read. Shared by the mutation test and the libFuzzer target; returns false when the
// reader broke its own promises (a failure that left entities behind, a count that differs, an
// outline read, from the bytes at once or through a small window moving along them, that answers
// otherwise than the entity list: another result, other shapes or limits).
#include <cstddef>
#include <cstdint>

#include "dxf/dxf.h"
#include "dxf/outline.h"
#include "../../dxf/src/outline_stream.h"

namespace dxftest {

inline bool SameShapes(const MOutline& a, const MOutline& b) {
    if (a.Count() != b.Count()) return false;
    for (size_t i = 0; i < a.Count(); ++i) {
        const MShape &p = a.Shapes()[i], &q = b.Shapes()[i];
        if (!(p.kind == q.kind && p.reversed == q.reversed && p.x == q.x && p.y == q.y && p.x2 == q.x2 &&
              p.y2 == q.y2 && p.radius == q.radius && p.startAngle == q.startAngle && p.endAngle == q.endAngle))
            return false;
    }
    const MLimits &m = a.Limits(), &n = b.Limits();
    return m.empty == n.empty && m.minX == n.minX && m.minY == n.minY && m.maxX == n.maxX && m.maxY == n.maxY;
}

inline bool Exercise(const uint8_t* data, size_t size) {
    MEntitiesList l;
    const int rc = ReadDXFBuffer(reinterpret_cast<const char*>(data), size, l);
    MOutline outline;
    if (ReadDXFOutlineBuffer(reinterpret_cast<const char*>(data), size, outline) != rc) return false;
    MOutline windowed;
    const size_t window = 1 + size % 61;
    if (dxfstream::ReadOutlineWindowed(reinterpret_cast<const char*>(data), size, window, windowed) != rc) return false;
    if (rc < 0)
        return l.Empty() && l.Limits().empty && outline.Empty() && outline.Limits().empty &&
               windowed.Empty() && windowed.Limits().empty;
    if (size_t(rc) != l.Count()) return false;
    MOutline fromList;
    for (const MEntity& e : l) fromList.Add(e);
    if (!SameShapes(outline, fromList) || !SameShapes(windowed, fromList)) return false;
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
