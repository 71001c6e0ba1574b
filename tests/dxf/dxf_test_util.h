#pragma once
// Helpers of the DXF tests: DXF text written as CAD programs write it (group codes padded to
// three columns, CR LF), and the fixture folder.
#include <cstdio>
#include <string>
#include <string_view>

#include "dxf/dxf.h"
#include "platform/text.h"

namespace dxftest {

inline std::string G(int code, std::string_view value) {
    std::string s = plat::StrFormatC("%3d\r\n", code);
    s.append(value.data(), value.size());
    s += "\r\n";
    return s;
}
inline std::string G(int code, double value) { return G(code, plat::StrFormatC("%.17g", value)); }

// A drawing with the given ENTITIES body and optional BLOCKS body.
inline std::string Doc(const std::string& entities, const std::string& blocks = {}) {
    std::string s = G(0, "SECTION") + G(2, "HEADER") + G(9, "$ACADVER") + G(1, "AC1015") + G(0, "ENDSEC");
    if (!blocks.empty()) s += G(0, "SECTION") + G(2, "BLOCKS") + blocks + G(0, "ENDSEC");
    s += G(0, "SECTION") + G(2, "ENTITIES") + entities + G(0, "ENDSEC") + G(0, "EOF");
    return s;
}

inline std::string Line(double x0, double y0, double x1, double y1, std::string_view layer = "0") {
    return G(0, "LINE") + G(8, layer) + G(10, x0) + G(20, y0) + G(30, 0.0) + G(11, x1) + G(21, y1) + G(31, 0.0);
}

inline std::string Block(std::string_view name, double bx, double by, const std::string& body) {
    return G(0, "BLOCK") + G(8, "0") + G(2, name) + G(70, "     0") + G(10, bx) + G(20, by) + G(30, 0.0) + body +
           G(0, "ENDBLK") + G(8, "0");
}

inline std::string Insert(std::string_view name, double x, double y) {
    return G(0, "INSERT") + G(8, "0") + G(2, name) + G(10, x) + G(20, y) + G(30, 0.0);
}

inline int Read(const std::string& text, MEntitiesList& list) {
    return ReadDXFBuffer(text.data(), text.size(), list);
}

inline std::string Fixture(std::string_view name) {
    return std::string(BRELON_SOURCE_DIR) + "/tests/fixtures/dxf/" + std::string(name);
}

} // namespace dxftest
