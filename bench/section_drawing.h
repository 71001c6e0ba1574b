#pragma once
// A drawn profile section for benchmarks, as a CAD program saves it.
#include <cstddef>
#include <string>

#include "platform/text.h"

namespace benchsupport {

namespace detail {
inline void G(std::string& s, int code, const std::string& v) {
    s += plat::StrFormatC("%3d\r\n", code);
    s += v;
    s += "\r\n";
}
inline void G(std::string& s, int code, double v) { G(s, code, plat::StrFormatC("%.6f", v)); }
} // namespace detail

// A drawn section of a 60 x 45 mm profile as a CAD program saves it: the outline with rounded
// corners, then chambers and ribs inside it (lines, arcs and bulged polylines), repeated until
// the file has the size asked for. Its extent stays the outline's.
inline std::string SectionDrawing(std::size_t target) {
    using detail::G;
    std::string s;
    G(s, 0, "SECTION");
    G(s, 2, "ENTITIES");
    auto head = [&](const char* kind, int handle) {
        G(s, 0, kind);
        G(s, 5, plat::StrFormatC("%X", 0x100 + handle));
        G(s, 100, "AcDbEntity");
        G(s, 8, "PROFILO");
    };
    // Outline: four sides and four corner arcs of radius 2.
    const double W = 60, H = 45, r = 2;
    const double lines[4][4] = {{r, 0, W - r, 0}, {W, r, W, H - r}, {W - r, H, r, H}, {0, H - r, 0, r}};
    const double arcs[4][4] = {{W - r, r, 270, 360}, {W - r, H - r, 0, 90}, {r, H - r, 90, 180}, {r, r, 180, 270}};
    int handle = 0;
    for (int i = 0; i < 4; ++i) {
        head("LINE", handle++);
        G(s, 10, lines[i][0]);
        G(s, 20, lines[i][1]);
        G(s, 11, lines[i][2]);
        G(s, 21, lines[i][3]);
        head("ARC", handle++);
        G(s, 10, arcs[i][0]);
        G(s, 20, arcs[i][1]);
        G(s, 40, r);
        G(s, 50, arcs[i][2]);
        G(s, 51, arcs[i][3]);
    }
    for (int i = 0; s.size() + 20 < target; ++i) {
        const double x = 3 + (i % 37) * 1.4, y = 3 + ((i / 37) % 27) * 1.4;
        switch (i % 3) {
        case 0:
            head("LINE", handle++);
            G(s, 10, x);
            G(s, 20, y);
            G(s, 11, x + 1.2);
            G(s, 21, y + 0.6);
            break;
        case 1:
            head("ARC", handle++);
            G(s, 10, x + 0.6);
            G(s, 20, y + 0.6);
            G(s, 40, 0.5);
            G(s, 50, 30.0);
            G(s, 51, 250.0);
            break;
        default:
            head("LWPOLYLINE", handle++);
            G(s, 90, "        4");
            G(s, 70, "     1");
            for (int k = 0; k < 4; ++k) {
                G(s, 10, x + (k == 1 || k == 2 ? 1.2 : 0.0));
                G(s, 20, y + (k >= 2 ? 1.0 : 0.0));
                if (k == 1) G(s, 42, 0.41421356);
            }
            break;
        }
    }
    G(s, 0, "ENDSEC");
    G(s, 0, "EOF");
    return s;
}

} // namespace benchsupport
