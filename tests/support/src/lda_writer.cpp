// Writer of ".lda" bar lists for tests, benchmarks and the demo.
#include "test_support/lda_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "machine/lda_format.h"

namespace ldatest {

namespace {

void PutText(uint8_t* p, const std::string& text, int width) {
    // Cut to leave the terminating zero inside the field.
    const std::size_t n = std::min<std::size_t>(text.size(), static_cast<std::size_t>(width - 1));
    std::memcpy(p, text.data(), n);
}

void AppendRecord(std::vector<uint8_t>& out, const uint8_t* rec, int size) { out.insert(out.end(), rec, rec + size); }

void Machining(std::vector<uint8_t>& out, const MachiningSpec& m, int version, int size) {
    using namespace lda::mach;
    uint8_t r[lda::kMachiningSize] = {};
    lda::PutI16(r + kFigure, m.figure);
    PutText(r + kShapeName, m.shapeName, kShapeNameLen);
    PutText(r + kShortText, m.shortText, kShortTextLen);
    if (version < 26) lda::PutI16(r + kOldFigure, m.figure);
    lda::PutF32(r + kFaceAngle, m.faceAngle);
    lda::PutI32(r + kX, m.x);
    lda::PutI32(r + kY, m.y);
    lda::PutI32(r + kZ, m.z);
    lda::PutI32(r + kDepthCount, m.depthCount);
    lda::PutI32(r + kStepDepth, m.stepDepth);
    lda::PutI16(r + kTailLength, static_cast<int16_t>(m.tail.size()));
    lda::PutI32(r + kZDisimp, m.zDisimp);
    r[kSvuotam] = m.svuotam;
    PutText(r + kToolName, m.tool, kToolNameLen);
    lda::PutI32(r + kDiameterIndex, m.diameterIndex);
    lda::PutF32(r + kFigureAngle, m.figureAngle);
    lda::PutI32(r + kXMin, m.xMin);
    lda::PutI32(r + kXMax, m.xMax);
    lda::PutI32(r + kYMin, m.yMin);
    lda::PutI32(r + kYMax, m.yMax);
    lda::PutI16(r + kParamCount, static_cast<int16_t>(std::min<std::size_t>(m.params.size(), 20)));
    for (std::size_t i = 0; i < m.params.size() && i < 20; ++i) lda::PutI32(r + kParams + 4 * i, m.params[i]);
    lda::PutI32(r + kGroup, m.group);
    lda::PutI16(r + kPriority, m.priority);
    if (version < lda::kVersionFirstDirect)
        PutText(r + kOldText, m.nomeLdt, kOldTextLen + 1);
    else
        PutText(r + kNomeLdt, m.nomeLdt, kNomeLdtLen);
    lda::PutI16(r + kIdLdt, m.idLdt);
    r[kByte251] = m.byte251;
    r[kByte252] = m.byte252;
    r[kByte253] = m.byte253;
    lda::PutI32(r + kRequestedDiameter, m.requestedDiameter);
    lda::PutI32(r + kSpeed1, m.speeds[0]);
    lda::PutI32(r + kSpeed2, m.speeds[1]);
    lda::PutI32(r + kSpeed3, m.speeds[2]);
    r[kDirectionFlag] = m.directionFlag;
    lda::PutI16(r + kRotationSpeed, m.rotationSpeed);
    lda::PutI16(r + kFigureSense, m.figureSense);
    lda::PutF32(r + kDirectionAngle, m.directionAngle);
    AppendRecord(out, r, size);
    out.insert(out.end(), m.tail.begin(), m.tail.end());
}

void Piece(std::vector<uint8_t>& out, const PieceSpec& p, int version, int size) {
    using namespace lda::piece;
    uint8_t r[lda::kPieceSize] = {};
    if (version >= lda::kVersionCurrent) {
        PutText(r + kName, p.name, kTextLen);
        PutText(r + kText2, p.text2, kTextLen);
        lda::PutI32(r + kLength, p.length);
        lda::PutI16(r + kMachiningCount, static_cast<int16_t>(p.machinings.size()));
        lda::PutI32(r + kFirstAngle, p.firstAngle);
        lda::PutI32(r + kSecondAngle, p.secondAngle);
        lda::PutI32(r + kFirstFurtherAngle, p.firstFurtherAngle);
        lda::PutI32(r + kSecondFurtherAngle, p.secondFurtherAngle);
        lda::PutI32(r + kSecondFurtherValue, p.secondFurtherValue);
        lda::PutI32(r + kFirstFurtherValue, p.firstFurtherValue);
        lda::PutI32(r + kAngle3, p.angle3);
        lda::PutI32(r + kAngle4, p.angle4);
        PutText(r + kAddInfo, p.addInfo, kTextLen);
        PutText(r + kText3, p.text3, kTextLen);
        PutText(r + kText4, p.text4, kTextLen);
        PutText(r + kText5, p.text5, kTextLen);
    } else {
        lda::PutI32(r + kOldLength, p.length);
        lda::PutI32(r + kOldFirstAngle, p.firstAngle);
        lda::PutI32(r + kOldSecondAngle, p.secondAngle);
        PutText(r + kOldName, p.name, kTextLen);
        lda::PutI16(r + kOldMachiningCount, static_cast<int16_t>(p.machinings.size()));
        PutText(r + kOldText, p.addInfo, kTextLen);
        lda::PutI32(r + kOldValue54, p.secondFurtherValue);
        lda::PutI32(r + kOldValue58, p.firstFurtherValue);
    }
    AppendRecord(out, r, size);
}

int16_t OldDegrees(int16_t hundredths) { return static_cast<int16_t>(hundredths == 4500 ? 45 : 90); }

void Bar(std::vector<uint8_t>& out, const BarSpec& b, const ListSpec& spec, int barSize, int pieceSize, int machSize,
         LdaLayout* layout) {
    using namespace lda::bar;
    uint8_t r[lda::kBarSize] = {};
    PutText(r + kName, b.name, kTextLen);
    PutText(r + kSeries, b.series, kTextLen);
    PutText(r + kCode, b.code, kTextLen);
    lda::PutI32(r + kYMin, b.yMin);
    lda::PutI32(r + kYMax, b.yMax);
    lda::PutI32(r + kZMin, b.zMin);
    lda::PutI32(r + kZMax, b.zMax);
    lda::PutI32(r + kLength, b.length);
    lda::PutI16(r + kFirstCutAngle, spec.version < 15 ? OldDegrees(b.firstCutAngle) : b.firstCutAngle);
    lda::PutI16(r + kSecondCutAngle, spec.version < 15 ? OldDegrees(b.secondCutAngle) : b.secondCutAngle);
    lda::PutI16(r + kMachiningCount, static_cast<int16_t>(b.pieces.empty() ? b.machinings.size() : 0));
    lda::PutI16(r + kMachiningSize, static_cast<int16_t>(machSize));
    lda::PutU16(r + kRepetitions, b.repetitions);
    PutText(r + kLabel, b.label, kTextLen);
    if (spec.version >= 12 && barSize >= lda::kMinBarSize) {
        lda::PutI16(r + kPieceCount, static_cast<int16_t>(b.pieces.size()));
        lda::PutI16(r + kPieceSize, static_cast<int16_t>(pieceSize));
    }
    if (barSize >= kRealValue + 4) lda::PutF32(r + kRealValue, b.realValue);
    if (barSize > kFlag) r[kFlag] = b.flag;
    if (layout != nullptr) {
        layout->bars.push_back(out.size());
        layout->pieces.emplace_back();
        layout->machinings.emplace_back();
    }
    AppendRecord(out, r, barSize);
    if (b.pieces.empty()) {
        for (const MachiningSpec& m : b.machinings) {
            if (layout != nullptr) layout->machinings.back().push_back(out.size());
            Machining(out, m, spec.version, machSize);
        }
        return;
    }
    for (const PieceSpec& p : b.pieces) {
        if (layout != nullptr) layout->pieces.back().push_back(out.size());
        Piece(out, p, spec.version, pieceSize);
        for (const MachiningSpec& m : p.machinings) {
            if (layout != nullptr) layout->machinings.back().push_back(out.size());
            Machining(out, m, spec.version, machSize);
        }
    }
}

} // namespace

int DefaultBarSize(int version) { return version >= lda::kVersionCurrent ? lda::kBarSize : (version >= 100 ? 480 : 400); }
int DefaultPieceSize(int version) { return version >= lda::kVersionCurrent ? lda::kPieceSize : 80; }
int DefaultMachiningSize(int version) { return version >= lda::kVersionFirstDirect ? lda::kMachiningSize : 280; }

std::vector<uint8_t> BuildLda(const ListSpec& spec, LdaLayout* layout) {
    const int barSize = spec.barSize != 0 ? spec.barSize : DefaultBarSize(spec.version);
    const int pieceSize = spec.pieceSize != 0 ? spec.pieceSize : DefaultPieceSize(spec.version);
    const int machSize = spec.machiningSize != 0 ? spec.machiningSize : DefaultMachiningSize(spec.version);
    std::vector<uint8_t> out(lda::kFirstBarOffset, 0);
    uint8_t* h = out.data();
    h[lda::hdr::kState] = spec.state;
    h[lda::hdr::kVersion] = static_cast<uint8_t>(spec.version);
    std::memcpy(h + lda::hdr::kDescription, spec.description.data(),
                std::min<std::size_t>(spec.description.size(), lda::hdr::kDescriptionLen));
    lda::PutI16(h + lda::hdr::kBarCount, static_cast<int16_t>(spec.bars.size()));
    lda::PutI16(h + lda::hdr::kFurtherBars, static_cast<int16_t>(spec.furtherBars.size()));
    if (spec.version < lda::kVersionFirstDirect) {
        lda::PutI16(h + lda::hdr::kBarSizeOld, static_cast<int16_t>(barSize));
    } else if (spec.version < lda::kVersionCurrent) {
        lda::PutI16(h + lda::hdr::kBarSizeNew, static_cast<int16_t>(barSize));
    } else {
        lda::PutI16(h + lda::hdr::kBarSize, static_cast<int16_t>(barSize));
    }
    for (const BarSpec& b : spec.bars) Bar(out, b, spec, barSize, pieceSize, machSize, layout);
    for (const BarSpec& b : spec.furtherBars) Bar(out, b, spec, barSize, pieceSize, machSize, layout);
    return out;
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0) ok = false;
    return ok;
}

bool WriteLda(const std::string& path, const ListSpec& spec) { return WriteBytes(path, BuildLda(spec)); }

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<uint8_t> DepthTail(const std::vector<int32_t>& depths) {
    std::vector<uint8_t> tail(depths.size() * lda::kTailEntrySize, 0);
    for (std::size_t i = 0; i < depths.size(); ++i) {
        uint8_t* e = tail.data() + i * lda::kTailEntrySize;
        lda::PutI32(e, depths[i]);
    }
    return tail;
}

ListSpec LargeList(int bars, int piecesPerBar, int machiningsPerBar) {
    ListSpec spec;
    spec.description = "BENCHMARK";
    spec.state = lda::kStateOpened;
    const char* series[] = {"ALU60", "ALU72", "PVC70"};
    for (int b = 0; b < bars; ++b) {
        BarSpec bar;
        bar.name = "B" + std::to_string(b + 1);
        bar.series = series[b % 3];
        bar.code = "C" + std::to_string(b % 7);
        bar.label = std::to_string(b + 1);
        bar.yMax = 60000;
        bar.zMax = 45000;
        bar.length = 6500000;
        bar.repetitions = static_cast<uint16_t>(1 + b % 3);
        const int perPiece = piecesPerBar > 0 ? machiningsPerBar / piecesPerBar : 0;
        for (int p = 0; p < piecesPerBar; ++p) {
            PieceSpec piece;
            piece.name = "P" + std::to_string(p + 1);
            piece.length = 600000;
            for (int m = 0; m < perPiece; ++m) {
                MachiningSpec mach;
                mach.figure = static_cast<int16_t>(1 + m % 3);
                mach.faceAngle = static_cast<float>((m % 4) * 90 - 90);
                mach.x = 50000 + m * 20000;
                mach.y = 20000;
                mach.z = 10000;
                mach.params = {8000, 20000};
                mach.nomeLdt = "BENCH";
                mach.idLdt = static_cast<int16_t>(m + 1);
                if (m % 5 == 0) mach.tail = DepthTail({3000, 6000});
                piece.machinings.push_back(mach);
            }
            bar.pieces.push_back(piece);
        }
        spec.bars.push_back(bar);
    }
    return spec;
}

} // namespace ldatest
