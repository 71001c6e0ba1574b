// Text helpers: Windows-1252 <-> UTF-8, C-locale formatting and strict number parsing.
#include "platform/text.h"
#include "text_internal.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <stdlib.h>

namespace plat {

namespace {

// Code points of bytes 0x80-0x9F in Windows-1252; 0 marks the five unassigned bytes,
// which we carry through as the C1 control of the same value.
constexpr char32_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

char32_t Cp1252ToCodePoint(unsigned char c) {
    if (c >= 0x80 && c <= 0x9F) {
        char32_t cp = kCp1252High[c - 0x80];
        return cp ? cp : c;
    }
    return c;
}

// -1 when the code point has no Windows-1252 byte.
int CodePointToCp1252(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (int i = 0; i < 32; ++i) {
        if (kCp1252High[i] == cp) return 0x80 + i;
    }
    if (cp >= 0x80 && cp <= 0x9F && kCp1252High[cp - 0x80] == 0) return static_cast<int>(cp);
    return -1;
}


// The C locale, created once; newlocale is thread-safe and the object is never freed.
locale_t CLocale() {
    static const locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return loc;
}

// Switches the calling thread to the C locale for the lifetime of the object.
class CLocaleScope {
public:
    CLocaleScope() : previous_(CLocale() ? uselocale(CLocale()) : static_cast<locale_t>(0)) {}
    ~CLocaleScope() {
        if (previous_) uselocale(previous_);
    }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t previous_;
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// True when text (after optional blanks and sign) starts like inf, nan or a hex number,
// the forms strtod would accept and we refuse.
bool StartsWithRefusedForm(const char* p) {
    while (IsBlank(*p)) ++p;
    if (*p == '+' || *p == '-') ++p;
    char c = LowerAscii(*p);
    if (c == 'i' || c == 'n') return true; // inf, infinity, nan, nan(...)
    if (*p == '0' && LowerAscii(p[1]) == 'x') return true;
    return false;
}

} // namespace

namespace detail {
void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}
} // namespace detail

std::string Cp1252ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) detail::AppendUtf8(out, Cp1252ToCodePoint(static_cast<unsigned char>(ch)));
    return out;
}

std::string Utf8ToCp1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        int extra = 0;
        char32_t cp = 0;
        if ((c & 0xE0) == 0xC0) {
            extra = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            cp = c & 0x07;
        } else {
            out += '?'; // stray continuation or invalid lead byte
            ++i;
            continue;
        }
        bool ok = i + static_cast<size_t>(extra) < n; // all continuation bytes present
        for (int k = 1; ok && k <= extra; ++k) {
            const unsigned char cc = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
            if ((cc & 0xC0) != 0x80) ok = false;
            else cp = (cp << 6) | (cc & 0x3F);
        }
        // Overlong forms and values beyond Unicode are invalid.
        static constexpr char32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
        if (ok && (cp < kMin[extra] || cp > 0x10FFFF)) ok = false;
        if (!ok) {
            out += '?';
            ++i;
            continue;
        }
        const int b = CodePointToCp1252(cp);
        out += b >= 0 ? static_cast<char>(b) : '?';
        i += static_cast<size_t>(extra) + 1;
    }
    return out;
}

int VFormatC(char* buf, size_t size, const char* fmt, va_list ap) {
    CLocaleScope scope;
    char dummy[1];
    if (size == 0 || buf == nullptr) {
        buf = dummy;
        size = 0;
    }
    int r = std::vsnprintf(buf, size, fmt, ap);
    if (r < 0 && size > 0) buf[0] = '\0';
    return r;
}

int FormatC(char* buf, size_t size, const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    int r = VFormatC(buf, size, fmt, ap);
    va_end(ap);
    return r;
}

std::string StrFormatC(const char* fmt, ...) {
    char small[256];
    va_list ap;
    va_start(ap, fmt);
    va_list ap2;
    va_copy(ap2, ap);
    int r = VFormatC(small, sizeof small, fmt, ap);
    va_end(ap);
    std::string out;
    if (r < 0) {
        va_end(ap2);
        return out;
    }
    if (static_cast<size_t>(r) < sizeof small) {
        out.assign(small, static_cast<size_t>(r));
    } else {
        out.resize(static_cast<size_t>(r) + 1);
        VFormatC(out.data(), out.size(), fmt, ap2);
        out.resize(static_cast<size_t>(r));
    }
    va_end(ap2);
    return out;
}

int FormatFixedC(char* buf, size_t size, double v, int width, int precision) {
    static constexpr uint64_t kPow10[10] = {1,      10,      100,      1000,      10000,
                                            100000, 1000000, 10000000, 100000000, 1000000000};
    constexpr double kExactBelow = 9007199254740992.0; // 2^53: the integer part fits every step
    if (width < 0 || precision < 0 || precision > 9 || !std::isfinite(v) || std::fabs(v) >= kExactBelow)
        return FormatC(buf, size, "%*.*f", width, precision, v);
    const bool negative = std::signbit(v);
    // |v| = mantissa * 2^exponent.
    uint64_t bits = 0;
    const double a = std::fabs(v);
    std::memcpy(&bits, &a, sizeof bits);
    const int biased = static_cast<int>((bits >> 52) & 0x7ff);
    uint64_t mantissa = bits & ((uint64_t{1} << 52) - 1);
    int exponent = -1074;
    if (biased != 0) {
        mantissa |= uint64_t{1} << 52;
        exponent = biased - 1075;
    }
    // q = |v| * 10^precision rounded to an integer: halves go to the even neighbour.
    const unsigned __int128 scaled = static_cast<unsigned __int128>(mantissa) * kPow10[precision];
    unsigned __int128 q = 0;
    if (exponent >= 0) {
        q = scaled << exponent; // |v| < 2^53 leaves exponent 0
    } else if (-exponent < 127) {
        const int shift = -exponent;
        q = scaled >> shift;
        const unsigned __int128 rest = scaled - (q << shift);
        const unsigned __int128 half = static_cast<unsigned __int128>(1) << (shift - 1);
        if (rest > half || (rest == half && (q & 1) != 0)) ++q;
    } // else: below 2^-126 of a unit, rounds to 0
    uint64_t whole = static_cast<uint64_t>(q / kPow10[precision]);
    uint64_t fraction = static_cast<uint64_t>(q % kPow10[precision]);
    // Digits from the right.
    char text[48];
    char* p = text + sizeof text;
    for (int d = 0; d < precision; ++d) {
        *--p = static_cast<char>('0' + fraction % 10);
        fraction /= 10;
    }
    if (precision > 0) *--p = '.';
    do {
        *--p = static_cast<char>('0' + whole % 10);
        whole /= 10;
    } while (whole != 0);
    if (negative) *--p = '-';
    const int length = static_cast<int>(text + sizeof text - p);
    const int full = std::max(width, length);
    if (buf != nullptr && size > 0) {
        // As snprintf: the text right-aligned in the width, cut to size - 1.
        int at = 0;
        const int limit = static_cast<int>(std::min<size_t>(size - 1, static_cast<size_t>(full)));
        for (; at < full - length && at < limit; ++at) buf[at] = ' ';
        for (int i = 0; at < limit; ++at, ++i) buf[at] = p[i];
        buf[at] = '\0';
    }
    return full;
}

double StrtodC(const char* text, const char** end) {
    if (end) *end = text;
    if (text == nullptr) return 0.0;
    if (StartsWithRefusedForm(text)) return 0.0;
    char* e = nullptr;
    const int savedErrno = errno;
    double v = CLocale() ? strtod_l(text, &e, CLocale()) : std::strtod(text, &e);
    errno = savedErrno;
    if (end) *end = e;
    return v;
}

bool ParseDouble(std::string_view text, double& out) {
    std::string_view t = TrimBlanks(text);
    if (t.empty()) return false;
    std::string s(t); // NUL-terminated copy: the view may not be
    if (s.find('\0') != std::string::npos) return false;
    if (StartsWithRefusedForm(s.c_str())) return false;
    char* e = nullptr;
    errno = 0;
    double v = CLocale() ? strtod_l(s.c_str(), &e, CLocale()) : std::strtod(s.c_str(), &e);
    if (e == s.c_str() || *e != '\0') return false;
    if (!std::isfinite(v)) return false; // overflow to infinity
    out = v;
    return true;
}

bool ParseInt32(std::string_view text, int32_t& out) {
    std::string_view t = TrimBlanks(text);
    if (t.empty()) return false;
    bool negative = false;
    size_t i = 0;
    if (t[0] == '+' || t[0] == '-') {
        negative = t[0] == '-';
        i = 1;
    }
    if (i >= t.size()) return false;
    int64_t v = 0;
    for (; i < t.size(); ++i) {
        const char c = t[i];
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
        if (v > static_cast<int64_t>(INT32_MAX) + 1) return false;
    }
    if (negative) v = -v;
    if (v < INT32_MIN || v > INT32_MAX) return false;
    out = static_cast<int32_t>(v);
    return true;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

int CompareNoCase(std::string_view a, std::string_view b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const unsigned char x = static_cast<unsigned char>(LowerAscii(a[i]));
        const unsigned char y = static_cast<unsigned char>(LowerAscii(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

std::string ToUpperAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

std::string LabelPlainText(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) c = ' ';
    }
    return out;
}

std::string WithCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
        out += text[i];
    }
    return out;
}

int32_t TruncToInt32(double v) {
    if (!std::isfinite(v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(v); // in range: truncates toward zero
}

int32_t RoundToInt32(double v) {
    if (!std::isfinite(v)) return 0;
    return TruncToInt32(std::round(v));
}

} // namespace plat
