#pragma once
// ISO generator: writes a compensated shape as controller blocks.
#include <cstdint>
#include <string>
#include <string_view>

#include "shapecomp/shape.h"

namespace shapecomp {

// Output state kept for the library's whole life and not reset between compiles: the last
// XY feed written, the Z level (0 safe R330, 1 approach R331, 2 work R332), the depth and the
// slow-acceleration flag. A compile whose first feed equals the last one written omits it.
struct OutputState {
    int32_t lastFeed = 0;
    int32_t zLevel = 0;
    int32_t depth = 0;
    int32_t slow = 0;
};
OutputState& GeneratorState();

// The only writer of the program text. Every line starts with the line end of the previous
// one (CR LF), as the controller's files are laid out.
class IsoWriter {
public:
    void Line(std::string_view text);    // "\r\n" then the text
    void Cont(std::string_view text);    // continues the current line, then one blank
    void Comment(std::string_view text); // "{text}" and a line end
    const std::string& Text() const { return text_; }
    std::string& Buffer() { return text_; }
private:
    std::string text_;
};

// Generator limits that keep a malformed shape from producing an endless program.
inline constexpr int32_t kMaxSpiralTurns = 10000;

// Parameter text of the first "ST<code>" line of a shape file from line `firstLine` on (leading
// blanks skipped, compared ignoring case, the rest after the blanks that follow the code with one
// blank appended); empty when there is none. `lineNo` receives the line's number (1 the first)
// when found.
std::string FindStLineInText(std::string_view fileText, std::string_view code, int32_t* lineNo = nullptr,
                             int32_t firstLine = 1);
std::string FindStLine(const std::string& nativePath, std::string_view code);

// The values of a fixed cycle's parameter line, each a number the compiler parsed and writes
// itself: lengths, depths and feeds in thousandths (of a millimetre, per minute), speeds in
// turns per minute. The ST101 tool diameter is only the text of a comment.
struct CycleParams {
    int32_t code = 0; // 100 helical hole, 101 stepped plunge
    int32_t line = 0; // the "ST" line in the file
    int32_t holeDiameter = 0, depth[4] = {}, speed1 = 0, speed2 = 0;          // ST100
    std::string toolDiameterText;                                         // ST101
    int32_t speed = 0, steps = 0, feed[10] = {}, stepDepth[10] = {};
};

// Reads the parameter line of a shape made of one cycle element (type 100 or 101), searched
// among the lines after the shape's id line. False when the shape is no such cycle, or its line
// is missing, holds a word that is not a number within the cycle's limits, or holds more words
// than the cycle has (`fault` then names the line and the word).
bool ParseSpecialCycle(const ShapeDescription& shape, std::string_view shapeText, CycleParams& p,
                       ShapeFileFault* fault);

// True unless the shape is a cycle whose parameter line ParseSpecialCycle refuses.
bool CheckSpecialCycle(const ShapeDescription& shape, std::string_view shapeText, ShapeFileFault& fault);

// The fixed cycles of a shape made of one element of type 100 or 101. True when written.
bool WriteSpecialCycle(const ShapeDescription& shape, IsoWriter& w, std::string_view baseName,
                       std::string_view suffix, std::string_view shapeText);

// Generates the whole program text. Every number goes out in millimetres in the controller's
// fixed form (at most three decimals, no exponent). False when the shape cannot be generated: a
// special cycle without a valid parameter line, a spiral beyond kMaxSpiralTurns, or a number
// beyond the range the controller takes (`fault` then names the element's line and the number).
bool GenerateIso(const ShapeDescription& shape, std::string_view baseName, std::string_view suffix,
                 std::string_view shapeText, std::string& out, ShapeFileFault* fault = nullptr);

// Generates into the file at `outPath` (native path). 1 when written, 0 when the shape
// cannot be generated (`fault` as for GenerateIso) or the file cannot be written. The text
// written is left in `written` when given.
int CompilaUven(const ShapeDescription& shape, const std::string& outPath, std::string_view suffix,
                std::string_view shapeText, std::string* written = nullptr, ShapeFileFault* fault = nullptr);

} // namespace shapecomp
