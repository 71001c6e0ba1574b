// Profile sections drawn on a label from the profile library file: a 272-byte file header,
// then records of a 255-byte head and a body (outline points, then the polygons).
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "labelprint/print_utils.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace {

int16_t S16(const unsigned char* p) { return static_cast<int16_t>(p[0] | (p[1] << 8)); }
uint16_t U16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
int32_t S32(const unsigned char* p) {
    return static_cast<int32_t>(uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24));
}
double F64(const unsigned char* p) {
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = (bits << 8) | p[i];
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

bool ReadAt(std::FILE* f, int64_t pos, void* buf, size_t n) {
    if (pos < 0 || std::fseek(f, static_cast<long>(pos), SEEK_SET) != 0) return false;
    return std::fread(buf, 1, n, f) == n;
}

struct DotPoint {
    int X;
    int Y;
};

// Dot coordinates stay far inside int; a wild point of a damaged file cannot overflow them.
int Dot(double v) { return std::clamp(plat::TruncToInt32(v + 0.5), -1000000, 1000000); }

} // namespace

bool PrintUtils::FindRecord(std::FILE* f, int recordId, MMorvexRifVoce& rec) {
    if (rec.id == recordId) return true; // id 0: the fresh record, which has no polygons
    if (std::fseek(f, 0, SEEK_END) != 0) return false;
    const int64_t fileSize = std::ftell(f);
    const int64_t first = static_cast<int64_t>(kLibraryHeaderSize);
    int64_t pos = first;
    bool wrapped = false;
    for (;;) {
        unsigned char head[kRecordHeadSize];
        if (pos + int64_t(kRecordHeadSize) > fileSize || !ReadAt(f, pos, head, sizeof head)) {
            // End of the file: once more from the first record, then give up.
            if (wrapped) return false;
            wrapped = true;
            pos = first;
            continue;
        }
        const int32_t bodyLength = S32(head);
        if (S16(head + 125) == recordId) {
            rec.id = S16(head + 125);
            rec.fourPoints = head[4];
            std::memcpy(rec.name, head + 5, 39);
            rec.name[39] = '\0';
            rec.polygonCount = S16(head + 105);
            rec.width = F64(head + 107);
            rec.height = F64(head + 115);
            rec.outlinePoints = S16(head + 123);
            rec.bodyLength = bodyLength;
            rec.dataPosition = pos + int64_t(kRecordHeadSize);
            return true;
        }
        // A body length that is negative or runs past the end cannot lead to a next record:
        // taken as the end of the file, so the search always moves forward and ends.
        const int64_t next = pos + int64_t(kRecordHeadSize) + int64_t(bodyLength);
        pos = (bodyLength < 0 || next > fileSize) ? fileSize : next;
    }
}

int PrintUtils::ProfileDrawing(int x, int y, int width, int height, int recordId, int highlight, bool rotate,
                               const std::string& libraryFile) {
    std::FILE* f = libraryFile.empty() ? nullptr : plat::OpenFile(libraryFile, "rb");
    if (!f) return -1;
    record_ = std::make_unique<MMorvexRifVoce>();
    std::snprintf(record_->path, sizeof record_->path, "%s", libraryFile.c_str());
    int result = -1;
    if (std::fread(header_.data(), 1, header_.size(), f) == header_.size() && FindRecord(f, recordId, *record_)) {
        result = 1;
        MMorvexRifVoce& rec = *record_;
        const int e1 = (rotate ? width : height) - 20;
        const int e2 = (rotate ? height : width) - 20;
        const double s = std::max(rec.width / e2, rec.height / e1);
        // No room or no extent: nothing can be scaled into the box.
        const bool drawable = e1 > 0 && e2 > 0 && std::isfinite(s) && s > 0.0 && std::isfinite(rec.height);
        if (!drawable && rec.polygonCount > 0) result = -1;
        int64_t pos = rec.dataPosition + int64_t(std::max<int16_t>(rec.outlinePoints, 0)) * 16;
        std::vector<DotPoint> pts;
        std::vector<unsigned char> buf;
        // The box pair of a slanted side (a box and the same box reversed) clears whatever
        // ink lies under the box's frame; all pairs go before the first side, so that they
        // clear blank ground only and every side keeps its ink.
        std::string pairs;
        std::string sides;
        for (int p = 1; drawable && p <= rec.polygonCount; ++p) {
            unsigned char head[32];
            if (!ReadAt(f, pos, head, sizeof head)) break;
            size_t m = 4;
            if (!rec.fourPoints) m = U16(head + 2);
            buf.resize(m * 16);
            if (m > 0 && !ReadAt(f, pos + 32, buf.data(), buf.size())) break; // a point count past the end
            pos += 32 + int64_t(m) * 16;
            pts.clear();
            for (size_t i = 0; i < m; ++i) {
                double px = F64(&buf[i * 16]);
                double py = F64(&buf[i * 16 + 8]);
                if (rotate) std::swap(px, py);
                else py = rec.height - py;
                pts.push_back({Dot(px / s), Dot(py / s)});
            }
            const int t = rec.fourPoints ? (p == highlight ? 4 : 1) : (p == highlight ? 3 : 1);
            auto side = [&](const DotPoint& a, const DotPoint& b) {
                const int dx = std::abs(b.X - a.X);
                const int dy = std::abs(b.Y - a.Y);
                const int minX = std::min(a.X, b.X);
                const int minY = std::min(a.Y, b.Y);
                if (a.X == b.X) {
                    sides += plat::StrFormatC("^FO%d,%d^GB0,%d,%d^FS", 10 + a.X + x, 10 + minY + y, dy, t);
                } else if (a.Y == b.Y) {
                    sides += plat::StrFormatC("^FO%d,%d^GB%d,0,%d^FS", 10 + minX + x, 10 + a.Y + y, dx, t);
                } else {
                    const int ox = 10 + minX + x;
                    const int oy = 10 + minY + y;
                    const bool together = (b.X > a.X) == (b.Y > a.Y);
                    sides += plat::StrFormatC("^FO%d,%d^GD%d,%d,%d,,%s^FS", ox, oy, dx, dy, t, together ? "L" : "R");
                    pairs += plat::StrFormatC("^FO%d,%d^GB%d,%d,%d^FS", ox, oy, dx, dy, t);
                    pairs += plat::StrFormatC("^FO%d,%d^FR^GB%d,%d,%d^FS", ox, oy, dx, dy, t);
                }
            };
            for (size_t i = 1; i < pts.size(); ++i) side(pts[i - 1], pts[i]);
            if (!pts.empty()) side(pts.back(), pts.front()); // the closing side
        }
        zpl_ += pairs;
        zpl_ += sides;
    }
    std::fclose(f);
    record_.reset();
    return result;
}
