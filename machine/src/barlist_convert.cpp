// Conversion of bar lists older than version 102 and the normalisation of machining records.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "barlist_support.h"
#include "machine/barlist.h"
#include "machine/error_text.h"
#include "machine/file_routines.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/utils.h"
#include "platform/paths.h"
#include "platform/text.h"

using namespace barlist_support;

namespace {

int32_t Wrap32(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }

bool IsBladeTool(const uint8_t* record) {
    if (g_pSettings == nullptr) return false;
    char name[lda::mach::kToolNameLen + 1];
    CopyField(name, reinterpret_cast<const char*>(record + lda::mach::kToolName), lda::mach::kToolNameLen);
    return std::strcmp(name, g_pSettings->QBLADE_NAME) == 0 || std::strcmp(name, g_pSettings->SLICERBLADE_NAME) == 0;
}

void AddToF32(uint8_t* p, float delta) { lda::PutF32(p, lda::GetF32(p) + delta); }

void ConvertError(const char* where) { SetErrorText("%s (LISTA: %s)", MsgError("ERR_READ"), where); }

// Builds the version-102 file from an old one, all in memory; false with the message set.
class OldListConverter {
public:
    OldListConverter(const std::vector<uint8_t>& in) : in_(in) {}

    bool Run(std::vector<uint8_t>& out) {
        if (in_.size() < static_cast<std::size_t>(lda::kFirstBarOffset)) return Fail("HEADER");
        const uint8_t* h = in_.data();
        version_ = h[lda::hdr::kVersion];
        const int atNew = lda::GetI16(h + lda::hdr::kBarSizeNew);
        if (version_ < lda::kVersionFirstDirect)
            barSize_ = lda::GetI16(h + lda::hdr::kBarSizeOld);
        else
            barSize_ = atNew >= 1 ? atNew : lda::GetI16(h + lda::hdr::kBarSize);
        const int minBar = version_ >= 12 ? lda::kMinBarSize : lda::kMinBarSizeOld;
        const int bars = lda::GetI16(h + lda::hdr::kBarCount);
        const int further = lda::GetI16(h + lda::hdr::kFurtherBars);
        if (barSize_ < minBar || barSize_ > lda::kBarSize || bars < 0 || further < 0) return Fail("HEADER");

        // New header and a cleared information record with the converting program's version.
        out.assign(in_.begin(), in_.begin() + lda::kHeaderSize);
        out[lda::hdr::kVersion] = static_cast<uint8_t>(lda::kVersionCurrent);
        lda::PutI16(out.data() + lda::hdr::kBarSize, static_cast<int16_t>(lda::kBarSize));
        lda::PutI16(out.data() + lda::hdr::kBarSizeOld, 0);
        lda::PutI16(out.data() + lda::hdr::kBarSizeNew,
                    static_cast<int16_t>(version_ >= lda::kVersionFirstDirect && atNew >= 1 ? lda::kBarSize : 0));
        out.resize(lda::kFirstBarOffset, 0);
        const std::string stamp = FileVersionInfo::Format(
            (static_cast<uint32_t>(kBuildVersionMajor) << 16) | kBuildVersionMinor,
            (static_cast<uint32_t>(kBuildVersionThird) << 16) | kBuildVersionBuild, false);
        CopyField(reinterpret_cast<char*>(out.data() + lda::kHeaderSize + lda::info::kProgramVersion),
                  lda::kInfoSize - lda::info::kProgramVersion, stamp.c_str(), stamp.size());

        pos_ = lda::kFirstBarOffset;
        for (int b = 0; b < bars + further; ++b)
            if (!Bar(b + 1, b < bars, out)) return false;
        return true;
    }

private:
    bool Take(std::size_t n, const uint8_t** p) {
        if (pos_ > in_.size() || n > in_.size() - pos_) return false;
        *p = in_.data() + pos_;
        pos_ += n;
        return true;
    }

    bool Fail(const char* where) {
        ConvertError(where);
        return false;
    }
    bool FailAt(int bar, int piece, int machining, const char* what) {
        char where[64];
        plat::FormatC(where, sizeof where, "BAR %d PZ %d LAV %d %s", bar, piece, machining, what);
        return Fail(where);
    }

    bool Bar(int barNo, bool toMachine, std::vector<uint8_t>& out) {
        const uint8_t* old;
        if (!Take(static_cast<std::size_t>(barSize_), &old)) return FailAt(barNo, 0, 0, "");
        uint8_t rec[lda::kBarSize] = {};
        std::memcpy(rec, old, static_cast<std::size_t>(barSize_));
        if (version_ < 15) {
            // Cut angles were whole degrees, 45 or 90.
            for (int off : {lda::bar::kSecondCutAngle, lda::bar::kFirstCutAngle})
                lda::PutI16(rec + off, static_cast<int16_t>(lda::GetI16(rec + off) == 45 ? 4500 : 9000));
        }
        if (version_ < lda::kVersionFirstDirect) rec[lda::bar::kFlag] = 0;
        int pieces = 0;
        int pieceSize = 0;
        if (version_ >= 12) {
            pieces = lda::GetI16(rec + lda::bar::kPieceCount);
            pieceSize = lda::GetI16(rec + lda::bar::kPieceSize);
        } else {
            lda::PutI16(rec + lda::bar::kPieceCount, 0);
        }
        lda::PutI16(rec + lda::bar::kPieceSize, static_cast<int16_t>(lda::kPieceSize));
        machiningSize_ = lda::GetI16(rec + lda::bar::kMachiningSize);
        lda::PutI16(rec + lda::bar::kMachiningSize, static_cast<int16_t>(lda::kMachiningSize));
        const int direct = lda::GetI16(rec + lda::bar::kMachiningCount);
        if (pieces < 0 || direct < 0) return FailAt(barNo, 0, 0, "COUNT");
        if (pieces > 0 && (pieceSize < lda::kMinPieceSizeOld || pieceSize > lda::kPieceSize))
            return FailAt(barNo, 0, 0, "PIECE SIZE");
        if (toMachine) {
            if (const char* bad = UnterminatedBarText(rec)) return FailAt(barNo, 0, 0, bad);
        }
        barLength_ = lda::GetI32(rec + lda::bar::kLength);
        out.insert(out.end(), rec, rec + lda::kBarSize);

        if (pieces == 0) {
            for (int m = 0; m < direct; ++m)
                if (!Machining(barNo, 0, m + 1, out)) return false;
            return true;
        }
        for (int p = 0; p < pieces; ++p) {
            const uint8_t* op;
            if (!Take(static_cast<std::size_t>(pieceSize), &op)) return FailAt(barNo, p + 1, 0, "");
            uint8_t oldPiece[lda::kPieceSize] = {};
            std::memcpy(oldPiece, op, static_cast<std::size_t>(pieceSize));
            uint8_t np[lda::kPieceSize] = {};
            std::memcpy(np + lda::piece::kName, oldPiece + lda::piece::kOldName, lda::piece::kTextLen);
            lda::PutI32(np + lda::piece::kLength, lda::GetI32(oldPiece + lda::piece::kOldLength));
            const int count = lda::GetI16(oldPiece + lda::piece::kOldMachiningCount);
            if (count < 0) return FailAt(barNo, p + 1, 0, "COUNT");
            lda::PutI16(np + lda::piece::kMachiningCount, static_cast<int16_t>(count));
            lda::PutI32(np + lda::piece::kFirstAngle, lda::GetI32(oldPiece + lda::piece::kOldFirstAngle));
            lda::PutI32(np + lda::piece::kSecondAngle, lda::GetI32(oldPiece + lda::piece::kOldSecondAngle));
            lda::PutI32(np + lda::piece::kFirstFurtherAngle, 90000);
            lda::PutI32(np + lda::piece::kSecondFurtherAngle, 90000);
            lda::PutI32(np + lda::piece::kSecondFurtherValue, lda::GetI32(oldPiece + lda::piece::kOldValue54));
            lda::PutI32(np + lda::piece::kFirstFurtherValue, lda::GetI32(oldPiece + lda::piece::kOldValue58));
            lda::PutI32(np + lda::piece::kAngle3, 90000);
            lda::PutI32(np + lda::piece::kAngle4, 90000);
            std::memcpy(np + lda::piece::kAddInfo, oldPiece + lda::piece::kOldText, lda::piece::kTextLen);
            if (toMachine) {
                if (const char* bad = UnterminatedPieceText(np)) return FailAt(barNo, p + 1, 0, bad);
            }
            out.insert(out.end(), np, np + lda::kPieceSize);
            for (int m = 0; m < count; ++m)
                if (!Machining(barNo, p + 1, m + 1, out)) return false;
        }
        return true;
    }

    bool Machining(int barNo, int pieceNo, int machiningNo, std::vector<uint8_t>& out) {
        if (machiningSize_ < lda::kMinMachiningSize || machiningSize_ > lda::kMachiningSize)
            return FailAt(barNo, pieceNo, machiningNo, "SIZE");
        const uint8_t* old;
        if (!Take(static_cast<std::size_t>(machiningSize_), &old)) return FailAt(barNo, pieceNo, machiningNo, "");
        uint8_t rec[lda::kMachiningSize] = {};
        std::memcpy(rec, old, static_cast<std::size_t>(machiningSize_));
        // The tail (depth steps) is carried as it is, so the converted file walks like any other.
        const int tail = lda::GetI16(rec + lda::mach::kTailLength);
        const uint8_t* tailBytes = nullptr;
        if (tail < 0 || tail > lda::kMaxTail || !Take(static_cast<std::size_t>(tail), &tailBytes))
            return FailAt(barNo, pieceNo, machiningNo, "TAIL");
        if (MigrateMachiningRecord(version_, rec, barLength_) != 0) return false;
        if (const char* bad = UnterminatedMachiningText(rec)) return FailAt(barNo, pieceNo, machiningNo, bad);
        out.insert(out.end(), rec, rec + lda::kMachiningSize);
        out.insert(out.end(), tailBytes, tailBytes + tail);
        return true;
    }

    const std::vector<uint8_t>& in_;
    std::size_t pos_ = 0;
    int version_ = 0;
    int barSize_ = 0;
    int machiningSize_ = 0;
    int32_t barLength_ = 0;
};

} // namespace

int MigrateMachiningRecord(int version, uint8_t* r, int32_t barLength) {
    using namespace lda::mach;
    // 1. Groups, priorities, names and identifiers came later.
    if (version < 12) {
        std::memset(r + kGroup, 0, 6);
        std::memset(r + kNomeLdt, 0, kNomeLdtLen);
        lda::PutI16(r + kIdLdt, 0);
    }
    // 2. Roughing marks.
    if (version < 14) {
        r[kByte252] = 2;
        r[kByte253] = 1;
    } else {
        if (r[kByte252] == 0) r[kByte252] = 2;
        if (r[kByte253] == 0) r[kByte253] = 1;
    }
    // 3. Requested diameter and speeds.
    if (version < 15) lda::PutI32(r + kRequestedDiameter, 0);
    if (version < 25) std::memset(r + kSpeed1, 0, 12);
    // 4. Figure number and depth steps moved.
    if (version < 26) {
        r[kDirectionFlag] = 0;
        lda::PutI16(r + kFigure, lda::GetI16(r + kOldFigure));
        const int32_t old72 = lda::GetI32(r + kDepthCount);
        const int32_t old76 = lda::GetI32(r + kStepDepth);
        lda::PutI32(r + kStepDepth, old72);
        lda::PutI32(r + kDepthCount, 1 + (old72 != 0 ? 1 : 0) + (old76 != 0 ? 1 : 0));
    }
    // 5. Speed of rotation and figure sense.
    if (version < 36) {
        lda::PutI16(r + kRotationSpeed, -1);
        lda::PutI16(r + kFigureSense, 0);
    }
    // 6. The list name moved; coordinates turned by the direction flag.
    if (version < lda::kVersionFirstDirect) {
        uint8_t text[kOldTextLen];
        std::memcpy(text, r + kOldText, kOldTextLen);
        std::memset(r + kNomeLdt, 0, kNomeLdtLen);
        std::memcpy(r + kNomeLdt, text, kOldTextLen);
        std::memset(r + kOldText, 0, kOldTextLen);
        lda::PutF32(r + kDirectionAngle, 0.0f);
        const int64_t x = lda::GetI32(r + kX);
        const int64_t y = lda::GetI32(r + kY);
        const int64_t z = lda::GetI32(r + kZ);
        const uint8_t flag = r[kDirectionFlag];
        if (flag == 1 || flag == 2) {
            if (flag == 1) {
                lda::PutI32(r + kX, Wrap32(-z));
                lda::PutI32(r + kY, Wrap32(x));
            } else {
                lda::PutI32(r + kX, Wrap32(z + barLength));
                lda::PutI32(r + kY, Wrap32(-x));
            }
            lda::PutI32(r + kZ, Wrap32(y));
            AddToF32(r + kFigureAngle, lda::GetF32(r + kFaceAngle));
        } else if (flag == 0) {
            AddToF32(r + kFaceAngle, -90.0f);
        }
    }
    // 7. Discs took no requested diameter.
    if (version < 101 && g_pRallaTools != nullptr) {
        char name[kToolNameLen + 1];
        CopyField(name, reinterpret_cast<const char*>(r + kToolName), kToolNameLen);
        const int tool = g_pRallaTools->FindTool(name);
        if (tool >= 0 && g_pRallaTools->Tool(tool).kind == 3) lda::PutI32(r + kRequestedDiameter, 0);
    }
    // 8. Blade machinings of old lists cannot be converted.
    if (version < lda::kVersionCurrent && lda::GetI16(r + kFigure) == 7) {
        SetErrorText("%s", MsgError("ERR_LAVLAMALDA"));
        return 1;
    }
    return 0;
}

void MigrateListRecord(int version, uint8_t* r, int32_t barLength) {
    using namespace lda::mach;
    if (version < lda::kVersionFirstDirect) {
        (void)MigrateMachiningRecord(version, r, barLength);
        return;
    }
    if (!IsBladeTool(r)) {
        r[kDirectionFlag] = 0;
        const float face = lda::GetF32(r + kFaceAngle);
        const float dir = lda::GetF32(r + kDirectionAngle);
        bool mirror = false;
        if (face == -90.0f && dir == -90.0f) {
            r[kDirectionFlag] = 1;
        } else if (face == 90.0f && dir == 90.0f) {
            r[kDirectionFlag] = 1;
            mirror = true;
        } else if (face == -90.0f && dir == 90.0f) {
            r[kDirectionFlag] = 2;
        } else if (face == 90.0f && dir == -90.0f) {
            r[kDirectionFlag] = 2;
            mirror = true;
        }
        if (mirror) {
            lda::PutF32(r + kFaceAngle, -face);
            lda::PutF32(r + kDirectionAngle, -dir);
            const int32_t xMin = lda::GetI32(r + kXMin);
            const int32_t xMax = lda::GetI32(r + kXMax);
            lda::PutI32(r + kXMin, Wrap32(-static_cast<int64_t>(xMax)));
            lda::PutI32(r + kXMax, Wrap32(-static_cast<int64_t>(xMin)));
            const int32_t yMin = lda::GetI32(r + kYMin);
            const int32_t yMax = lda::GetI32(r + kYMax);
            lda::PutI32(r + kYMin, Wrap32(-static_cast<int64_t>(yMax)));
            lda::PutI32(r + kYMax, Wrap32(-static_cast<int64_t>(yMin)));
            AddToF32(r + kFigureAngle, r[kDirectionFlag] == 1 ? -180.0f : 180.0f);
        }
        if (lda::GetF32(r + kFaceAngle) == 0.0f) lda::PutF32(r + kDirectionAngle, 0.0f);
    }
    if (version >= 14) {
        if (r[kByte253] == 0) r[kByte253] = 1;
        if (r[kByte252] == 0) r[kByte252] = 2;
    }
}

int ConvertOldList(const char* path) {
    std::vector<uint8_t> in;
    {
        FILE* f = plat::OpenFile(path, "rb");
        if (f == nullptr) {
            SetErrorText("%s (LISTA)", MsgError("ERR_FILE"));
            return 1;
        }
        bool ok = std::fseek(f, 0, SEEK_END) == 0;
        const long size = ok ? std::ftell(f) : -1;
        ok = size >= 0 && std::fseek(f, 0, SEEK_SET) == 0;
        if (ok) {
            in.resize(static_cast<std::size_t>(size));
            ok = in.empty() || std::fread(in.data(), 1, in.size(), f) == in.size();
        }
        std::fclose(f);
        if (!ok) {
            ConvertError("HEADER");
            return 1;
        }
    }
    std::vector<uint8_t> out;
    OldListConverter converter(in);
    if (!converter.Run(out)) return 1;

    // Written beside the list and renamed over it in one step: the list is never missing,
    // and on any failure the original stays as it was.
    const std::string original = plat::FindExisting(path);
    if (original.empty()) {
        SetErrorText("%s (LISTA)", MsgError("ERR_FILE"));
        return 1;
    }
    const std::string temp = original + ".tmp";
    FILE* f = std::fopen(temp.c_str(), "wb");
    bool ok = f != nullptr;
    if (ok) ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    if (ok) ok = std::fflush(f) == 0 && ::fsync(::fileno(f)) == 0;
    if (f != nullptr && std::fclose(f) != 0) ok = false;
    if (ok) ok = std::rename(temp.c_str(), original.c_str()) == 0;
    if (!ok) {
        std::remove(temp.c_str());
        SetErrorText("%s (LISTA)", MsgError("ERR_FILE"));
        return 1;
    }
    return 0;
}
