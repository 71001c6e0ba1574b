// The controller's ISO dialect: numbered blocks, R assignments with their comment, the output
// file and its path. Every line is formatted in the C locale and ends in CR LF.
#include <algorithm>
#include <cinttypes>
#include <charconv>
#include <cstring>

#include "engine/iso_generator.h"
#include "machine/globals.h"
#include "machine/path_table.h"
#include "platform/text.h"

namespace {

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

constexpr const char* kGaps[] = {"", " ", "  ", "   ", "    ", "     ", "      ", "       "};

const char* Gap(int gap) { return (gap >= 0 && gap <= 7) ? kGaps[gap] : kGaps[6]; }

} // namespace

void IsoProgramGenerator::VOut(bool numbered, const char* fmt, va_list ap) {
    if (isoFile == nullptr) {
        writeError_ = true;
        return;
    }
    if (std::strchr(fmt, '%') == nullptr) { // plain text: no formatting needed
        if (numbered) {
            out_ += 'N';
            PutInt(out_, lineCounter++);
            out_ += ' ';
        }
        PutCrLf(out_, fmt, std::strlen(fmt));
        if (out_.size() >= kFlushSize) FlushBuffer();
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
    if (out_.size() >= kFlushSize) FlushBuffer();
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

// "N<n> R<r>=" of an assignment; the counter advances.
void IsoProgramGenerator::AssignHead(int r) {
    out_ += 'N';
    PutInt(out_, lineCounter++);
    out_.append(" R", 2);
    PutInt(out_, r);
    out_ += '=';
}

void IsoProgramGenerator::AssignTail(const char* comment, int gap) {
    out_ += Gap(gap);
    out_.append("{ ", 2);
    out_ += comment;
    out_.append(" }\r\n", 4);
    if (out_.size() >= kFlushSize) FlushBuffer();
}

void IsoProgramGenerator::RReal(int r, int32_t thousandths, const char* comment, int gap) {
    if (isoFile == nullptr) {
        writeError_ = true;
        return;
    }
    AssignHead(r);
    // "%lg" of a whole number below a million is the number itself; everything else goes
    // through the C-locale formatter.
    if (thousandths % 1000 == 0 && thousandths > -1000000000 && thousandths < 1000000000) {
        PutInt(out_, thousandths / 1000);
    } else if (thousandths > -1000000 && thousandths < 1000000) {
        // Below 1000 the three decimals are within six significant digits: exact, trailing
        // zeros dropped, as "%lg" prints them.
        const int32_t a = thousandths < 0 ? -thousandths : thousandths;
        if (thousandths < 0) out_ += '-';
        PutInt(out_, a / 1000);
        const int32_t frac = a % 1000;
        char d[4] = {static_cast<char>('0' + frac / 100), static_cast<char>('0' + frac / 10 % 10),
                     static_cast<char>('0' + frac % 10), '\0'};
        int len = 3;
        while (len > 0 && d[len - 1] == '0') --len;
        out_ += '.';
        out_.append(d, static_cast<std::size_t>(len));
    } else {
        char b[32];
        const int n = plat::FormatC(b, sizeof b, "%lg", thousandths / 1000.0);
        if (n > 0) out_.append(b, static_cast<std::size_t>(std::min(n, 31)));
    }
    AssignTail(comment, gap);
}

void IsoProgramGenerator::RInt(int r, int32_t value, const char* comment, int gap) {
    if (isoFile == nullptr) {
        writeError_ = true;
        return;
    }
    AssignHead(r);
    PutInt(out_, value);
    AssignTail(comment, gap);
}

void IsoProgramGenerator::FlushBuffer() {
    if (out_.empty()) return;
    if (isoFile == nullptr || std::fwrite(out_.data(), 1, out_.size(), isoFile) != out_.size()) writeError_ = true;
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
        if (std::fclose(isoFile) != 0) writeError_ = true;
        isoFile = nullptr;
    }
}

// Flushes and closes the program: 0, or 1 when anything could not be written.
int IsoProgramGenerator::FinishFile() {
    if (isoFile == nullptr) return 1;
    FlushBuffer();
    if (std::fflush(isoFile) != 0 || std::ferror(isoFile) != 0) writeError_ = true;
    CloseFile();
    return writeError_ ? 1 : 0;
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
