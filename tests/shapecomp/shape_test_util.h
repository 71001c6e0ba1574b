#pragma once
// Builders and file helpers shared by the shape compiler's tests.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "shapecomp/compensation.h"
#include "shapecomp/generator.h"
#include "shapecomp/message_sink.h"
#include "shapecomp/shape.h"

namespace sctest {

using shapecomp::ShapeDescription;
using shapecomp::ShapeElement;

inline ShapeElement Elem(int32_t type, int32_t x, int32_t y, int32_t cx = 0, int32_t cy = 0, int32_t sweep = 0) {
    ShapeElement e;
    e.type = type;
    e.endX = x;
    e.endY = y;
    e.centreX = cx;
    e.centreY = cy;
    e.sweep = sweep;
    e.feedXY = 1000000;
    return e;
}
inline ShapeElement Line(int32_t x, int32_t y) { return Elem(shapecomp::kLine, x, y); }
inline ShapeElement Arc(int32_t x, int32_t y, int32_t cx, int32_t cy, int32_t sweep) {
    return Elem(shapecomp::kArc, x, y, cx, cy, sweep);
}

inline ShapeDescription Shape(int32_t side, int32_t tool, int32_t sx, int32_t sy, std::vector<ShapeElement> els) {
    ShapeDescription s;
    s.side = side;
    s.toolDiameter = tool;
    s.startX = sx;
    s.startY = sy;
    s.minArcDiamCW = s.minArcDiamCCW = 999999;
    s.elements = std::move(els);
    s.name = "T";
    return s;
}

inline void Compensate(ShapeDescription& s) {
    shapecomp::CalcolaCoordinateGrafiche(s, 0);
    shapecomp::ComputeArcCentres(s);
}

// Program text without carriage returns, for readable goldens.
inline std::string Lf(std::string text) {
    std::string out;
    for (char c : text)
        if (c != '\r') out += c;
    return out;
}

inline std::string ReadFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline void WriteFile(const std::filesystem::path& p, const std::string& text) {
    std::ofstream out(p, std::ios::binary);
    out << text;
}

// Shape-file text with CR LF line ends from lines written with '\n'.
inline std::string Crlf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

class TempDir {
public:
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "shapecomp-XXXXXX").string();
        path_ = ::mkdtemp(tmpl.data());
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }
    std::string str(const std::string& name = "") const { return (path_ / name).string(); }
private:
    std::filesystem::path path_;
};

class RecordingSink : public shapecomp::MessageSink {
public:
    RecordingSink() { previous_ = shapecomp::SetMessageSink(this); }
    ~RecordingSink() override { shapecomp::SetMessageSink(previous_); }
    void Show(const char* text, const char* caption) override { messages.push_back(std::string(caption) + "|" + text); }
    std::vector<std::string> messages;
private:
    shapecomp::MessageSink* previous_;
};

inline std::string DemoShape(const std::string& name) {
    return ReadFile(std::filesystem::path(BRELON_SOURCE_DIR) / "demo" / "VLK" / name);
}

} // namespace sctest
