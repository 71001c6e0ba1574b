#pragma once
// Layout of the ".lda" bar-list file: a 64-byte header, a 128-byte information record, then for
// each bar its bar record followed either by its pieces (each piece record followed by that
// piece's machining records) or by its own machining records. Every machining record is
// followed by a tail whose length is stored in the record. All integers are little-endian and
// are read and written field by field at the offsets below; no record is ever overlaid by a
// struct. The engine re-reads a chosen bar's pieces and machinings with the same offsets.
#include <cstdint>
#include <cstring>

namespace lda {

// Sizes of the file's fixed parts and of the records in memory (format version 102 and later).
inline constexpr int kHeaderSize = 64;
inline constexpr int kInfoSize = 128;
inline constexpr int kFirstBarOffset = kHeaderSize + kInfoSize; // 192
inline constexpr int kBarSize = 560;
inline constexpr int kPieceSize = 256;
inline constexpr int kMachiningSize = 320;
inline constexpr int kMaxTail = 480;       // longest machining tail kept in memory
inline constexpr int kTailEntrySize = 42;  // one tail entry per depth step

// Format versions.
inline constexpr int kVersionFirstDirect = 100; // the bar record size moves to header offset 60
inline constexpr int kVersionCurrent = 102;     // versions below are converted first
inline constexpr int kVersionMax = 110;         // versions above are refused
inline constexpr uint8_t kStateOpened = 3;      // header state byte once opened on the machine

// Smallest stored record sizes that still hold every field a reader walks by: a smaller
// stored size cannot be a real record and the file is refused.
inline constexpr int kMinBarSizeOld = 170;      // up to the repetitions (versions below 12)
inline constexpr int kMinBarSize = 195;         // up to the piece record size
inline constexpr int kMinPieceSizeOld = 34;     // old piece: up to its machining count
inline constexpr int kMinPieceSize = 46;        // up to the machining count
inline constexpr int kMinMachiningSize = 82;    // up to the tail length

// Header.
namespace hdr {
inline constexpr int kState = 4;          // u8
inline constexpr int kVersion = 5;        // u8
inline constexpr int kDescription = 10;   // 40 chars
inline constexpr int kDescriptionLen = 40;
inline constexpr int kBarCount = 50;      // i16: bars to machine
inline constexpr int kBarSizeOld = 52;    // i16: bar record size below version 100
inline constexpr int kFurtherBars = 54;   // i16: further bar records after the bars to machine
inline constexpr int kBarSizeNew = 60;    // i16: bar record size from version 100 when > 0
inline constexpr int kBarSize = 62;       // i16: bar record size otherwise
} // namespace hdr

// Information record (offsets within the record).
namespace info {
inline constexpr int kProgramVersion = 56; // version text of the converting program
}

// Bar record.
namespace bar {
inline constexpr int kName = 0;           // 20 chars
inline constexpr int kSeries = 20;        // 20 chars
inline constexpr int kCode = 40;          // 20 chars, "?" for none
inline constexpr int kTextLen = 20;
inline constexpr int kYMin = 60;          // i32
inline constexpr int kYMax = 64;
inline constexpr int kZMin = 68;
inline constexpr int kZMax = 72;
inline constexpr int kLength = 76;        // i32
inline constexpr int kSecondCutAngle = 80; // i16 hundredths (45/90 degrees before version 15)
inline constexpr int kFirstCutAngle = 82;  // i16
inline constexpr int kOldToolNames = 84;   // 80 bytes, lists before version 102
inline constexpr int kMachiningCount = 164; // i16: machinings directly on the bar
inline constexpr int kMachiningSize = 166;  // i16
inline constexpr int kRepetitions = 168;    // i16 (u16 in memory)
inline constexpr int kLabel = 171;          // 20 chars
inline constexpr int kPieceCount = 191;     // i16 (from version 12)
inline constexpr int kPieceSize = 193;      // i16
inline constexpr int kRealValue = 195;      // f32
inline constexpr int kFlag = 212;           // u8
} // namespace bar

// Piece record (version 102 and later).
namespace piece {
inline constexpr int kName = 0;           // 20 chars
inline constexpr int kText2 = 20;         // 20 chars
inline constexpr int kLength = 40;        // i32
inline constexpr int kMachiningCount = 44; // i16
inline constexpr int kFirstAngle = 46;    // i32 thousandths
inline constexpr int kSecondAngle = 50;
inline constexpr int kFirstFurtherAngle = 54;
inline constexpr int kSecondFurtherAngle = 58;
inline constexpr int kSecondFurtherValue = 62;
inline constexpr int kFirstFurtherValue = 66;
inline constexpr int kAngle3 = 70;
inline constexpr int kAngle4 = 74;
inline constexpr int kAddInfo = 78;       // 20 chars
inline constexpr int kText3 = 98;
inline constexpr int kText4 = 118;
inline constexpr int kText5 = 138;
inline constexpr int kTextLen = 20;
// Old piece record (before version 102).
inline constexpr int kOldLength = 0;
inline constexpr int kOldFirstAngle = 4;
inline constexpr int kOldSecondAngle = 8;
inline constexpr int kOldName = 12;       // 20 chars
inline constexpr int kOldMachiningCount = 32; // i16
inline constexpr int kOldText = 34;       // 20 chars
inline constexpr int kOldValue54 = 54;
inline constexpr int kOldValue58 = 58;
} // namespace piece

// Machining record.
namespace mach {
inline constexpr int kFigure = 0;         // i16
inline constexpr int kOldFigure = 2;      // i16, lists before version 26
inline constexpr int kShapeName = 3;      // 13 chars
inline constexpr int kShapeNameLen = 13;
inline constexpr int kShortText = 16;     // 14 chars
inline constexpr int kShortTextLen = 14;
inline constexpr int kFaceAngle = 56;     // f32 degrees
inline constexpr int kX = 60;             // i32
inline constexpr int kY = 64;
inline constexpr int kZ = 68;
inline constexpr int kDepthCount = 72;    // i32: depth steps + 1
inline constexpr int kStepDepth = 76;     // i32
inline constexpr int kTailLength = 80;    // i16
inline constexpr int kZDisimp = 112;      // i32
inline constexpr int kSvuotam = 116;      // u8
inline constexpr int kSvuotam2 = 117;     // u8
inline constexpr int kToolName = 118;     // 10 chars
inline constexpr int kToolNameLen = 10;
inline constexpr int kDiameterIndex = 128; // i32
inline constexpr int kFigureAngle = 132;  // f32 degrees
inline constexpr int kXMin = 136;         // i32
inline constexpr int kXMax = 140;
inline constexpr int kYMin = 144;
inline constexpr int kYMax = 148;
inline constexpr int kParamCount = 152;   // i16
inline constexpr int kParams = 154;       // 20 x i32
inline constexpr int kGroup = 234;        // i32 (Insieme)
inline constexpr int kPriority = 238;     // Priorita'
inline constexpr int kOldText = 240;      // 8 chars, lists before version 100
inline constexpr int kOldTextLen = 8;
inline constexpr int kIdLdt = 249;        // i16
inline constexpr int kByte251 = 251;      // u8
inline constexpr int kByte252 = 252;      // u8, 2 when 0
inline constexpr int kByte253 = 253;      // u8, 1 when 0
inline constexpr int kRequestedDiameter = 254; // i32
inline constexpr int kSpeed1 = 258;       // i32
inline constexpr int kSpeed2 = 262;       // i32 feed
inline constexpr int kSpeed3 = 266;       // i32
inline constexpr int kDirectionFlag = 270; // u8: 0, 1 or 2
inline constexpr int kRotationSpeed = 272; // i16, negative: the tool's default
inline constexpr int kFigureSense = 274;  // i16
inline constexpr int kDirectionAngle = 276; // f32 degrees
inline constexpr int kNomeLdt = 280;      // 40 chars
inline constexpr int kNomeLdtLen = 40;
} // namespace mach

// Little-endian field access on byte buffers.
inline int16_t GetI16(const uint8_t* p) {
    return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
}
inline uint16_t GetU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline int32_t GetI32(const uint8_t* p) {
    const uint32_t v = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                       (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
    return static_cast<int32_t>(v);
}
inline float GetF32(const uint8_t* p) {
    const uint32_t bits = static_cast<uint32_t>(GetI32(p));
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}
inline void PutU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v & 0xff);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutI16(uint8_t* p, int16_t v) { PutU16(p, static_cast<uint16_t>(v)); }
inline void PutI32(uint8_t* p, int32_t v) {
    const uint32_t u = static_cast<uint32_t>(v);
    p[0] = static_cast<uint8_t>(u & 0xff);
    p[1] = static_cast<uint8_t>((u >> 8) & 0xff);
    p[2] = static_cast<uint8_t>((u >> 16) & 0xff);
    p[3] = static_cast<uint8_t>(u >> 24);
}
inline void PutF32(uint8_t* p, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    PutI32(p, static_cast<int32_t>(bits));
}

// True when the text field of n bytes at p holds its terminating zero. Checked eight bytes at a
// time (a text mostly ends in its first eight): every record of a large list has several.
inline bool IsTerminated(const uint8_t* p, int n) {
    auto zeroIn = [](const uint8_t* q) {
        uint64_t v;
        std::memcpy(&v, q, sizeof v);
        return ((v - 0x0101010101010101ull) & ~v & 0x8080808080808080ull) != 0;
    };
    if (n < 8) {
        for (int i = 0; i < n; ++i)
            if (p[i] == 0) return true;
        return false;
    }
    for (int i = 0; i + 8 <= n; i += 8)
        if (zeroIn(p + i)) return true;
    return (n % 8) != 0 && zeroIn(p + n - 8); // the last bytes, with some seen before
}

// True when the text of at most n bytes at p (up to its terminating zero) may stand in a part
// program: no control character (a line end would begin a block of its own), neither '<' nor
// '>', which open and close a sub-program call in the controller's dialect, nor '{' and '}',
// which open and close its comments (the rest of the call would be read as one).
inline bool IsProgramSafeText(const uint8_t* p, int n) {
    for (int i = 0; i < n && p[i] != 0; ++i)
        if (p[i] < 0x20 || p[i] == 0x7f || p[i] == '<' || p[i] == '>' || p[i] == '{' || p[i] == '}') return false;
    return true;
}

} // namespace lda
