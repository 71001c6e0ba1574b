#pragma once
// Builds ".lda" bar-list files of any format version from a readable description, so that
// tests, benchmarks and the demo never depend on hand-edited binaries. Fields are written at
// the offsets of machine/lda_format.h; old versions get the old piece layout, the old places of
// the figure number (below 26) and of the list name (below 100), and whole-degree cut angles
// (below 15). Unset record sizes take realistic defaults per version.
#include <cstdint>
#include <string>
#include <vector>

namespace ldatest {

struct MachiningSpec {
    int16_t figure = 1;
    std::string shapeName;        // special shape file name (figure 0)
    std::string shortText;        // short text of the figure
    float faceAngle = 0;          // degrees
    int32_t x = 0, y = 0, z = 0;
    int32_t depthCount = 1;       // depth steps + 1
    int32_t stepDepth = 0;
    std::vector<uint8_t> tail;    // depth-step entries (42 bytes each)
    int32_t zDisimp = 0;
    uint8_t svuotam = 0;
    std::string tool;             // empty: automatic tool
    int32_t diameterIndex = 0;
    float figureAngle = 0;        // degrees
    int32_t xMin = 0, xMax = 0, yMin = 0, yMax = 0;
    std::vector<int32_t> params;  // at most 20
    int32_t group = 0;
    int16_t priority = 0;
    int16_t idLdt = 0;
    uint8_t byte251 = 0, byte252 = 0, byte253 = 0;
    int32_t requestedDiameter = 0;
    int32_t speeds[3] = {0, 0, 0};
    uint8_t directionFlag = 0;
    int16_t rotationSpeed = -1;
    int16_t figureSense = 0;
    float directionAngle = 0;     // degrees
    std::string nomeLdt;          // list name (8 characters at the old place below 100)
};

struct PieceSpec {
    std::string name;
    std::string text2;
    int32_t length = 0;
    int32_t firstAngle = 90000;   // thousandths of a degree
    int32_t secondAngle = 90000;
    int32_t firstFurtherAngle = 90000;
    int32_t secondFurtherAngle = 90000;
    int32_t firstFurtherValue = 0;
    int32_t secondFurtherValue = 0;
    int32_t angle3 = 90000;
    int32_t angle4 = 90000;
    std::string addInfo;
    std::string text3, text4, text5;
    std::vector<MachiningSpec> machinings;
};

struct BarSpec {
    std::string name;
    std::string series;
    std::string code;
    std::string label;
    int32_t yMin = 0, yMax = 0, zMin = 0, zMax = 0;
    int32_t length = 0;
    int16_t firstCutAngle = 9000;  // hundredths of a degree
    int16_t secondCutAngle = 9000;
    uint16_t repetitions = 1;
    float realValue = 0;
    uint8_t flag = 0;
    std::vector<PieceSpec> pieces;            // or
    std::vector<MachiningSpec> machinings;    // machinings directly on the bar (no pieces)
};

struct ListSpec {
    int version = 102;
    uint8_t state = 0;
    std::string description;
    std::vector<BarSpec> bars;
    std::vector<BarSpec> furtherBars;  // counted, not loaded
    int barSize = 0;        // 0: the version's default
    int pieceSize = 0;
    int machiningSize = 0;
};

// Where each record landed (file offsets), for tests that damage one on purpose.
struct LdaLayout {
    std::vector<std::size_t> bars;
    std::vector<std::vector<std::size_t>> pieces;     // per bar
    std::vector<std::vector<std::size_t>> machinings; // per bar, in file order
};

int DefaultBarSize(int version);
int DefaultPieceSize(int version);
int DefaultMachiningSize(int version);

std::vector<uint8_t> BuildLda(const ListSpec& spec, LdaLayout* layout = nullptr);
bool WriteLda(const std::string& path, const ListSpec& spec);
bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::string& path);

// A depth-step tail of n entries of 42 bytes, each starting with its depth.
std::vector<uint8_t> DepthTail(const std::vector<int32_t>& depths);

// The demo lists: several profiles, angled ends, drillings and slots on several faces,
// repetitions. Writes them into dir (native path); false on an I/O failure.
bool WriteDemoLists(const std::string& dir);

// A list of bars x pieces x machinings for the benchmark.
ListSpec LargeList(int bars, int piecesPerBar, int machiningsPerBar);

} // namespace ldatest
