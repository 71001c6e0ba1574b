// Unit system, conversions, display texts and the unit-aware formatter.
#include "machine/units.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <string>
#include <sys/types.h>

#include "platform/text.h"

namespace {
int g_unitSystem = kUnitMillimetres;

// Reads the number at the start of text (blanks skipped) in the C locale. true with the value
// when the number ends at the end of the text or at a line feed.
bool WhollyNumber(const char* text, double& value) {
    const char* end = text;
    double v = plat::StrtodC(text, &end);
    if (end == text) return false; // no digits at all
    if (*end != '\0' && *end != '\n') return false;
    if (!std::isfinite(v)) return false;
    value = v;
    return true;
}

double LeadingNumber(const char* text) {
    if (text == nullptr) return 0.0;
    const char* end = text;
    double v = plat::StrtodC(text, &end);
    return std::isfinite(v) ? v : 0.0;
}
} // namespace

int GetUnitSystem() { return g_unitSystem; }
void SetUnitSystem(int unitSystem) { g_unitSystem = unitSystem; }

double MmToInch(double x) { return x / kMmPerInch; }
double InchToMm(double x) { return x * kMmPerInch; }
double MetreToFoot(double x) { return x / kMetresPerFoot; }
double SquareMetreToSquareFoot(double x) { return x / kSquareMetresPerSquareFoot; }
double SquareFootToSquareMetre(double x) { return x * kSquareMetresPerSquareFoot; }
double KgPerMetreToLbPerFoot(double x) { return x * kMetresPerFoot / kKgPerPound; }
double LbPerFootToKgPerMetre(double x) { return x * kKgPerPound / kMetresPerFoot; }

void DropNegativeZero(char* text) {
    // A value that prints as zero is zero: "-0.00" (a tiny negative) shows and stores as "0.00".
    if (text == nullptr || text[0] != '-') return;
    for (const char* p = text + 1; *p != '\0'; ++p)
        if (*p != '0' && *p != '.') return;
    std::memmove(text, text + 1, std::strlen(text));
}

int32_t ToThousandths(double x) { return plat::TruncToInt32(x * 1000.0); }
double FromThousandths(int32_t v) { return v / 1000.0; }
double FromThousandths16(int16_t v) { return v / 1000.0; }

char* MetricTextForDisplay(char* text) {
    if (text == nullptr || text[0] == '\0') return text;
    double v = LeadingNumber(text);
    if (g_unitSystem == kUnitInches)
        plat::FormatC(text, kDisplayTextSize, "%.4f", MmToInch(v));
    else
        plat::FormatC(text, kDisplayTextSize, "%.2f", v);
    DropNegativeZero(text);
    return text;
}

char* DisplayTextToMetric(char* text) {
    if (text == nullptr || text[0] == '\0' || g_unitSystem == kUnitMillimetres) return text;
    double v = 0.0;
    if (WhollyNumber(text, v))
        plat::FormatC(text, kDisplayTextSize, "%.2f", InchToMm(v));
    else
        text[0] = '\0';
    return text;
}

double DisplayToMetric(const char* text, int kind) {
    double v = LeadingNumber(text);
    if (g_unitSystem != kUnitInches) return v;
    switch (kind) {
    case kQuantityLength: return InchToMm(v);
    case kQuantityArea: return SquareFootToSquareMetre(v);
    case kQuantityWeightPerLength: return LbPerFootToKgPerMetre(v);
    default: return v;
    }
}

float DisplayToMetricF(const char* text, int kind) { return static_cast<float>(DisplayToMetric(text, kind)); }

int ParseThousandths(const char* text, int32_t* out) {
    if (text == nullptr || text[0] == '\0') {
        if (out != nullptr) *out = 0;
        return 2;
    }
    double v = 0.0;
    if (!WhollyNumber(text, v)) return 1;
    if (out != nullptr) *out = ToThousandths(v);
    return 0;
}

// ---------------------------------------------------------------------------------------
// FormatUnits walks the caller's format once: each placeholder "%{[w]X}" takes its double and
// prints it converted by X with width w and X's precision; every other conversion is printed
// with its own arguments as printf would. The values of the arguments are never read as
// format, so a text argument that looks like a placeholder's output stays as it is.
namespace {

struct Precision {
    const char* text; // appended after the width in the placeholder's historic span ("" for none)
    int digits;       // -1: the default of "%lf"
};

Precision PrecisionFor(char letter, int unitSystem) {
    const bool mm = unitSystem == kUnitMillimetres;
    const bool inch = unitSystem == kUnitInches;
    if (!mm && !inch) return {"", -1};
    switch (letter) {
    case 'D': return mm ? Precision{".3lf", 3} : Precision{".4lf", 4};
    case 'H': return mm ? Precision{".1lf", 1} : Precision{".3lf", 3};
    case 'L': return mm ? Precision{".0lf", 0} : Precision{".2lf", 2};
    case 'M': return {".0lf", 0};
    case 'S': return mm ? Precision{".4lf", 4} : Precision{".3lf", 3};
    case 'U': return {"lf", -1};
    case 'X': return mm ? Precision{".2lf", 2} : Precision{".4lf", 4};
    default: return {"", -1};
    }
}

double ConvertFor(char letter, double v, int unitSystem) {
    if (unitSystem == kUnitMillimetres) return letter == 'M' ? std::ceil(v) : v;
    if (unitSystem != kUnitInches) return v;
    switch (letter) {
    case 'D': return KgPerMetreToLbPerFoot(v);
    case 'H':
    case 'L':
    case 'U':
    case 'X': return MmToInch(v);
    case 'M': return std::ceil(MetreToFoot(v));
    case 'S': return SquareMetreToSquareFoot(v);
    default: return v;
    }
}

constexpr int kMaxWidth = 29; // the value is printed into a 30-character scratch

// Parses "{[digits]X}" at p (p points at '{'); on success sets letter, width and the length
// of the placeholder after the '%'.
bool ParsePlaceholder(const char* p, char& letter, int& width, std::size_t& length) {
    const char* q = p + 1;
    width = 0;
    bool hasWidth = false;
    while (*q >= '0' && *q <= '9') {
        if (width < 1000) width = width * 10 + (*q - '0');
        hasWidth = true;
        ++q;
    }
    if (!hasWidth) width = -1;
    if (!std::isalpha(static_cast<unsigned char>(*q)) || q[1] != '}') return false;
    letter = *q;
    length = static_cast<std::size_t>(q + 2 - p);
    return true;
}

// One placeholder's text, and the length of the span "{{%.20lf}{Xw.p}}" it stood for in the
// formatter's historic middle pass (its result counts that text). The value goes through
// "%.20lf" and back as it always did, so every digit shown is the same.
std::size_t AppendPlaceholder(std::string& out, char letter, int width, double argument, int unitSystem) {
    char number[400];
    const int n = plat::FormatC(number, sizeof number, "%.20lf", argument);
    const Precision precision = PrecisionFor(letter, unitSystem);
    const std::size_t span = 2 + static_cast<std::size_t>(n < 0 ? 0 : n) + 2 + 1 +
                             (width >= 0 ? std::to_string(width).size() : 0) + std::strlen(precision.text) + 2;
    const double value = ConvertFor(letter, LeadingNumber(number), unitSystem);
    char scratch[30];
    plat::FormatC(scratch, sizeof scratch, "%*.*f", std::clamp(width, 0, kMaxWidth),
                  precision.digits < 0 ? 6 : precision.digits, value);
    out.append(scratch);
    return span;
}

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#endif
template <typename T>
void AppendOne(std::string& out, const std::string& spec, T value) {
    char small[128];
    const int n = plat::FormatC(small, sizeof small, spec.c_str(), value);
    if (n < 0) return;
    if (static_cast<std::size_t>(n) < sizeof small) {
        out.append(small, static_cast<std::size_t>(n));
        return;
    }
    std::string big(static_cast<std::size_t>(n) + 1, '\0');
    plat::FormatC(big.data(), big.size(), spec.c_str(), value);
    out.append(big.data(), static_cast<std::size_t>(n));
}
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

// One printf conversion at p (just after its '%'), printed with its arguments from ap: flags,
// width and precision (digits or '*'), a length modifier and the conversion letter. Returns the
// length of the conversion after the '%', or 0 for one it does not know (written as text).
std::size_t AppendConversion(std::string& out, const char* p, va_list& ap) {
    const char* q = p;
    std::string flags;
    while (*q != '\0' && std::strchr("-+ #0", *q) != nullptr) flags.push_back(*q++);
    std::string width, precision;
    if (*q == '*') {
        int w = va_arg(ap, int);
        if (w < 0) {
            flags.push_back('-');
            w = w == INT_MIN ? INT_MAX : -w;
        }
        width = std::to_string(w);
        ++q;
    } else {
        while (*q >= '0' && *q <= '9') width.push_back(*q++);
    }
    bool hasPrecision = false;
    if (*q == '.') {
        ++q;
        hasPrecision = true;
        if (*q == '*') {
            const int pr = va_arg(ap, int);
            if (pr < 0) hasPrecision = false; // a negative precision is taken as none
            else precision = std::to_string(pr);
            ++q;
        } else {
            while (*q >= '0' && *q <= '9') precision.push_back(*q++);
        }
    }
    std::string length;
    if ((q[0] == 'h' && q[1] == 'h') || (q[0] == 'l' && q[1] == 'l')) {
        length.assign(q, 2);
        q += 2;
    } else if (*q != '\0' && std::strchr("hlLjzt", *q) != nullptr) {
        length.push_back(*q++);
    }
    const char conv = *q;
    if (conv == '\0' || std::strchr("diouxXcsfFeEgGaAp", conv) == nullptr) return 0;
    const std::string spec = "%" + flags + width + (hasPrecision ? "." + precision : std::string()) + length + conv;
    switch (conv) {
    case 'd':
    case 'i':
        if (length == "l") AppendOne(out, spec, va_arg(ap, long));
        else if (length == "ll") AppendOne(out, spec, va_arg(ap, long long));
        else if (length == "j") AppendOne(out, spec, va_arg(ap, intmax_t));
        else if (length == "z") AppendOne(out, spec, va_arg(ap, ssize_t));
        else if (length == "t") AppendOne(out, spec, va_arg(ap, ptrdiff_t));
        else AppendOne(out, spec, va_arg(ap, int));
        break;
    case 'o':
    case 'u':
    case 'x':
    case 'X':
        if (length == "l") AppendOne(out, spec, va_arg(ap, unsigned long));
        else if (length == "ll") AppendOne(out, spec, va_arg(ap, unsigned long long));
        else if (length == "j") AppendOne(out, spec, va_arg(ap, uintmax_t));
        else if (length == "z") AppendOne(out, spec, va_arg(ap, size_t));
        else if (length == "t") AppendOne(out, spec, va_arg(ap, ptrdiff_t));
        else AppendOne(out, spec, va_arg(ap, unsigned int));
        break;
    case 'c':
        if (length == "l") AppendOne(out, spec, va_arg(ap, wint_t));
        else AppendOne(out, spec, va_arg(ap, int));
        break;
    case 's':
        if (length == "l") AppendOne(out, spec, va_arg(ap, const wchar_t*));
        else AppendOne(out, spec, va_arg(ap, const char*));
        break;
    case 'p': AppendOne(out, spec, va_arg(ap, void*)); break;
    default:
        if (length == "L") AppendOne(out, spec, va_arg(ap, long double));
        else AppendOne(out, spec, va_arg(ap, double));
        break;
    }
    return static_cast<std::size_t>(q + 1 - p);
}

} // namespace

int FormatUnits(char* out, std::size_t outSize, const char* fmt, ...) {
    if (out == nullptr || outSize == 0) return 0;
    out[0] = '\0';
    if (fmt == nullptr) return 0;
    const int unitSystem = g_unitSystem;

    va_list ap;
    va_start(ap, fmt);
    std::string text;
    std::size_t historic = 0; // the text's length with each placeholder's span in its place
    for (const char* p = fmt; *p != '\0';) {
        if (p[0] != '%') {
            text.push_back(*p++);
            ++historic;
            continue;
        }
        if (p[1] == '%') {
            text.push_back('%');
            ++historic;
            p += 2;
            continue;
        }
        if (p[1] == '{') {
            char letter = 0;
            int width = 0;
            std::size_t length = 0;
            if (ParsePlaceholder(p + 1, letter, width, length)) {
                historic += AppendPlaceholder(text, letter, width, va_arg(ap, double), unitSystem);
                p += 1 + length;
                continue;
            }
            // Not a placeholder: a literal per cent sign, never a stray conversion.
            text.push_back('%');
            ++historic;
            ++p;
            continue;
        }
        const std::size_t before = text.size();
        const std::size_t used = AppendConversion(text, p + 1, ap);
        if (used == 0) { // a conversion it does not know: its per cent sign as text
            text.push_back('%');
            ++historic;
            ++p;
            continue;
        }
        historic += text.size() - before;
        p += 1 + used;
    }
    va_end(ap);

    std::size_t len = text.size() < outSize - 1 ? text.size() : outSize - 1;
    std::memcpy(out, text.data(), len);
    out[len] = '\0';
    return static_cast<int>(std::min<std::size_t>(historic, INT_MAX));
}

int FormatThousandthsX(char* out, std::size_t outSize, int width, int32_t thousandths) {
    if (out == nullptr || outSize == 0) return 0;
    const int unitSystem = g_unitSystem;
    // FormatUnits carries the value through "%.20lf" and reads it back: for k / 1000.0 that is
    // the same double (|value| >= 0.001 keeps 18 or more digits there; 0 stays 0), so the value
    // is converted and printed directly.
    const double value = ConvertFor('X', FromThousandths(thousandths), unitSystem);
    const int digits = PrecisionFor('X', unitSystem).digits;
    return plat::FormatFixedC(out, outSize, value, std::min(width, kMaxWidth), digits < 0 ? 6 : digits);
}
