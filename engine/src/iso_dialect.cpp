// The controller's ISO dialect: numbered blocks, R assignments with their comment, the output
// file and its path. Every line is formatted in the C locale and ends in CR LF.
#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <charconv>
#include <cstring>
#include <string>
#include <string_view>

#include "engine/iso_generator.h"
#include "machine/file_routines.h"
#include "machine/globals.h"
#include "machine/path_table.h"
#include "platform/text.h"

namespace {

// A program is held in memory and handed to the file in one write when it is finished (or
// before a shape compile appends to the file); only a program larger than this goes out in
// parts, which keeps the memory bounded. One write instead of several costs the least.
constexpr std::size_t kHoldLimit = std::size_t{16} << 20;

// Appends s to out with every "\n" turned into CR LF.
void PutCrLf(std::string& out, const char* s, std::size_t n) {
    const char* p = s;
    const char* end = s + n;
    while (p < end) {
        const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        if (nl == nullptr) {
            out.append(p, static_cast<std::size_t>(end - p));
            return;
        }
        out.append(p, static_cast<std::size_t>(nl - p));
        out.append("\r\n", 2);
        p = nl + 1;
    }
}

void PutInt(std::string& out, int32_t v) {
    char b[16];
    const auto r = std::to_chars(b, b + sizeof b, v);
    out.append(b, static_cast<std::size_t>(r.ptr - b));
}

// Writes v at p (room for 11 characters) and returns the end.
char* IntAt(char* p, int32_t v) { return std::to_chars(p, p + 11, v).ptr; }

// Writes "%lg" of thousandths/1000.0 at p (room for 31 characters) and returns the end.
char* RealAt(char* p, int32_t thousandths) {
    // "%lg" of a whole number below a million is the number itself.
    if (thousandths % 1000 == 0 && thousandths > -1000000000 && thousandths < 1000000000)
        return IntAt(p, thousandths / 1000);
    if (thousandths > -1000000 && thousandths < 1000000) {
        // Below 1000 the three decimals are within six significant digits: exact, trailing
        // zeros dropped, as "%lg" prints them.
        const int32_t a = thousandths < 0 ? -thousandths : thousandths;
        if (thousandths < 0) *p++ = '-';
        p = IntAt(p, a / 1000);
        const int32_t frac = a % 1000;
        *p++ = '.';
        *p++ = static_cast<char>('0' + frac / 100);
        if (frac % 100 != 0) {
            *p++ = static_cast<char>('0' + frac / 10 % 10);
            if (frac % 10 != 0) *p++ = static_cast<char>('0' + frac % 10);
        }
        return p;
    }
    // Everything else goes through the C-locale formatter.
    char b[32];
    const int n = plat::FormatC(b, sizeof b, "%lg", thousandths / 1000.0);
    if (n <= 0) return p;
    const std::size_t len = static_cast<std::size_t>(std::min(n, 31));
    std::memcpy(p, b, len);
    return p + len;
}

// True when fmt uses only the conversions the line writer formats itself: %d, %s and %%.
bool PlainConversions(const char* fmt) {
    for (const char* p = std::strchr(fmt, '%'); p != nullptr; p = std::strchr(p + 2, '%'))
        if (p[1] != 'd' && p[1] != 's' && p[1] != '%') return false;
    return true;
}

constexpr const char* kGaps[] = {"", " ", "  ", "   ", "    ", "     ", "      ", "       "};

const char* Gap(int gap) { return (gap >= 0 && gap <= 7) ? kGaps[gap] : kGaps[6]; }

} // namespace

void IsoProgramGenerator::VOut(bool numbered, const char* fmt, va_list ap) {
    if (isoFile == nullptr) {
        writeError_ = true;
        return;
    }
    if (PlainConversions(fmt)) {
        // %d, %s and %% give the same text in every locale: formatted here, without the
        // C-locale formatter's per-call set-up.
        if (numbered) {
            out_ += 'N';
            PutInt(out_, lineCounter++);
            out_ += ' ';
        }
        const char* p = fmt;
        for (;;) {
            const char* pc = std::strchr(p, '%');
            if (pc == nullptr) {
                PutCrLf(out_, p, std::strlen(p));
                break;
            }
            PutCrLf(out_, p, static_cast<std::size_t>(pc - p));
            if (pc[1] == 'd') {
                PutInt(out_, va_arg(ap, int));
            } else if (pc[1] == 's') {
                const char* s = va_arg(ap, const char*);
                if (s == nullptr) s = "(null)"; // as the C library prints it
                PutCrLf(out_, s, std::strlen(s));
            } else {
                out_ += '%';
            }
            p = pc + 2;
        }
        if (out_.size() >= kHoldLimit) FlushBuffer();
        return;
    }
    char buf[512];
    int n = 0;
    if (numbered) {
        n = plat::FormatC(buf, sizeof buf, "N%d ", static_cast<int>(lineCounter));
        ++lineCounter;
    }
    va_list ap2;
    va_copy(ap2, ap);
    const int m = plat::VFormatC(buf + n, sizeof buf - static_cast<std::size_t>(n), fmt, ap2);
    va_end(ap2);
    if (m < 0) {
        writeError_ = true;
        return;
    }
    if (static_cast<std::size_t>(n + m) < sizeof buf) {
        PutCrLf(out_, buf, static_cast<std::size_t>(n + m));
    } else {
        std::string big(static_cast<std::size_t>(n + m) + 1, '\0');
        std::memcpy(big.data(), buf, static_cast<std::size_t>(n));
        plat::VFormatC(big.data() + n, static_cast<std::size_t>(m) + 1, fmt, ap);
        PutCrLf(out_, big.data(), static_cast<std::size_t>(n + m));
    }
    if (out_.size() >= kHoldLimit) FlushBuffer();
}

void IsoProgramGenerator::Out(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    VOut(false, fmt, ap);
    va_end(ap);
}

void IsoProgramGenerator::Block(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    VOut(true, fmt, ap);
    va_end(ap);
}

namespace {

constexpr std::size_t kLineRoom = 256;    // one assignment line assembled on the stack
constexpr std::size_t kHeadValueRoom = 64; // "N<n> R<r>=<value>" at most

// Completes an assignment line begun in line (head and value up to p) and appends it to out.
void FinishAssignment(std::string& out, char* line, char* p, const char* comment, int gap) {
    const char* g = Gap(gap);
    const std::size_t glen = std::strlen(g);
    const std::size_t clen = std::strlen(comment);
    if (static_cast<std::size_t>(p - line) + glen + clen + 6 <= kLineRoom) {
        std::memcpy(p, g, glen);
        p += glen;
        *p++ = '{';
        *p++ = ' ';
        std::memcpy(p, comment, clen);
        p += clen;
        std::memcpy(p, " }\r\n", 4);
        p += 4;
        out.append(line, static_cast<std::size_t>(p - line));
        return;
    }
    out.append(line, static_cast<std::size_t>(p - line));
    out.append(g, glen);
    out.append("{ ", 2);
    out.append(comment, clen);
    out.append(" }\r\n", 4);
}

char* HeadAt(char* p, int32_t n, int r) {
    *p++ = 'N';
    p = IntAt(p, n);
    *p++ = ' ';
    *p++ = 'R';
    p = IntAt(p, r);
    *p++ = '=';
    return p;
}

} // namespace

void IsoProgramGenerator::RReal(int r, int32_t thousandths, const char* comment, int gap) {
    if (isoFile == nullptr) {
        writeError_ = true;
        return;
    }
    static_assert(kHeadValueRoom >= 1 + 11 + 2 + 11 + 1 + 31, "head and value fit");
    char line[kLineRoom];
    char* p = HeadAt(line, lineCounter++, r);
    p = RealAt(p, thousandths);
    FinishAssignment(out_, line, p, comment, gap);
    if (out_.size() >= kHoldLimit) FlushBuffer();
}

void IsoProgramGenerator::RInt(int r, int32_t value, const char* comment, int gap) {
    if (isoFile == nullptr) {
        writeError_ = true;
        return;
    }
    char line[kLineRoom];
    char* p = HeadAt(line, lineCounter++, r);
    p = IntAt(p, value);
    FinishAssignment(out_, line, p, comment, gap);
    if (out_.size() >= kHoldLimit) FlushBuffer();
}

void IsoProgramGenerator::FlushBuffer() {
    if (out_.empty()) return;
    if (isoFile == nullptr) writeError_ = true;
    else if (std::fwrite(out_.data(), 1, out_.size(), isoFile) != out_.size()) NoteWriteError();
    out_.clear();
}

const char* IsoProgramGenerator::UnloadCauseText(int32_t mode, int variant, bool endOfBar, bool shortScrap) {
    switch (mode) {
    case 0x102: return "6      { Scarico su botola con Spatola }";
    case 2: return "2      { Scarico in botola a spinta }";
    case 8: return "4      { Scarico su scaricat. a spinta }";
    case 32:
        if (variant != 2) return nullptr;
        return endOfBar ? "20      { Spuntatura pz a SX }" : "7      { Scarico di pz spntato a SX }";
    case 0x108:
        return (variant == 2 && shortScrap) ? "11      { Scarico su scaric. con Spatola }"
                                            : "7      { Scarico su scaric. con Spatola }";
    case 0x202:
        return endOfBar ? "8      { Multi scarico su botola con Spatola }" : "8      { Multi scarico su botola a spinta }";
    default: return nullptr;
    }
}

void IsoProgramGenerator::CloseFile() {
    FlushBuffer();
    if (isoFile != nullptr) {
        if (std::fclose(isoFile) != 0) NoteWriteError();
        isoFile = nullptr;
    }
}

// Flushes and closes the program: 0, or 1 when anything could not be written.
int IsoProgramGenerator::FinishFile() {
    if (isoFile == nullptr) return 1;
    FlushBuffer();
    if (std::fflush(isoFile) != 0 || std::ferror(isoFile) != 0) NoteWriteError();
    CloseFile();
    return writeError_ ? 1 : 0;
}

void IsoProgramGenerator::NoteWriteError() {
    if (!writeError_) writeErrno_ = errno;
    writeError_ = true;
}

void IsoProgramGenerator::SetProgramWriteFault(int err) {
    std::string path = isoPath;
    constexpr std::string_view kTemp = ".tmp";
    if (path.size() > kTemp.size() && path.compare(path.size() - kTemp.size(), kTemp.size(), kTemp) == 0)
        path.resize(path.size() - kTemp.size());
    SetFileFaultText(true, path.c_str(), err);
}

std::string IsoProgramGenerator::IsoOutputPath(int forMachine) {
    if (g_pPathTable == nullptr) return std::string();
    if (!forMachine) return std::string((*g_pPathTable)[PathTable::kProgramDir]) + "OUTPUT.ISO";
    // Every variant writes into the work directory the controller reads (the one "FILLAV.TAB"
    // names), joined with exactly one separator.
    std::string dir = (*g_pPathTable)[PathTable::kCncWorkDir];
    if (dir.empty()) dir = kCncWorkDirDefault;
    if (dir.back() != '\\' && dir.back() != '/') dir += '\\';
    return dir + "ISONV";
}
