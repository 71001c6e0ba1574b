// Unit system, conversions, display texts and the unit-aware formatter.
#include "machine/units.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <string>

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
// FormatUnits works in three passes: each placeholder "%{[w]X}" becomes a marked span
// "{{%.20lf}{Xw.p}}" in a rewritten format; the rewritten format is printed with the
// caller's arguments; then every marked span "{{value}{Xw.p}}" is replaced by the value
// converted by X and printed with width w and precision p.
namespace {

struct Precision {
    const char* text; // appended after the width in the marked span ("" for none)
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

} // namespace

int FormatUnits(char* out, std::size_t outSize, const char* fmt, ...) {
    if (out == nullptr || outSize == 0) return 0;
    out[0] = '\0';
    if (fmt == nullptr) return 0;
    const int unitSystem = g_unitSystem;

    // Pass 1: rewrite the format.
    std::string rewritten;
    bool anyPlaceholder = false;
    for (const char* p = fmt; *p != '\0';) {
        if (p[0] == '%' && p[1] == '%') {
            rewritten.append("%%");
            p += 2;
            continue;
        }
        if (p[0] == '%' && p[1] == '{') {
            char letter = 0;
            int width = 0;
            std::size_t length = 0;
            if (ParsePlaceholder(p + 1, letter, width, length)) {
                rewritten.append("{{%.20lf}{");
                rewritten.push_back(letter);
                if (width >= 0) rewritten.append(std::to_string(width));
                rewritten.append(PrecisionFor(letter, unitSystem).text);
                rewritten.append("}}");
                anyPlaceholder = true;
                p += 1 + length;
                continue;
            }
            // Not a placeholder: a literal per cent sign, never a stray conversion.
            rewritten.append("%%");
            ++p;
            continue;
        }
        rewritten.push_back(*p++);
    }

    // Pass 2: the caller's arguments. The rewritten format is built above from the caller's
    // own format, so it cannot be a literal.
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wformat-nonliteral"
#endif
    va_list ap;
    va_start(ap, fmt);
    va_list ap2;
    va_copy(ap2, ap);
    int n = plat::VFormatC(nullptr, 0, rewritten.c_str(), ap);
    va_end(ap);
    std::string text;
    if (n > 0) {
        text.resize(static_cast<std::size_t>(n) + 1);
        plat::VFormatC(text.data(), text.size(), rewritten.c_str(), ap2);
        text.resize(static_cast<std::size_t>(n));
    }
    va_end(ap2);
#if defined(__clang__)
#pragma clang diagnostic pop
#endif
    const int result = n < 0 ? 0 : n;

    // Pass 3: replace each marked span by its converted value.
    if (anyPlaceholder) {
        std::size_t from = 0;
        for (;;) {
            std::size_t open = text.find("{{", from);
            if (open == std::string::npos) break;
            std::size_t close = text.find("}}", open + 2);
            if (close == std::string::npos) break;
            std::size_t mid = text.find('}', open + 2);
            // The span must be "{{value}{X...}}".
            if (mid >= close || mid + 1 >= text.size() || text[mid + 1] != '{' || mid + 2 >= close) {
                from = open + 2;
                continue;
            }
            const std::string valueText = text.substr(open + 2, mid - open - 2);
            const char letter = text[mid + 2];
            int width = 0;
            std::size_t q = mid + 3;
            while (q < close && text[q] >= '0' && text[q] <= '9') {
                if (width < 1000) width = width * 10 + (text[q] - '0');
                ++q;
            }
            if (width > kMaxWidth) width = kMaxWidth;
            const double value = ConvertFor(letter, LeadingNumber(valueText.c_str()), unitSystem);
            const int digits = PrecisionFor(letter, unitSystem).digits;
            char scratch[30];
            plat::FormatC(scratch, sizeof scratch, "%*.*f", width, digits < 0 ? 6 : digits, value);
            text.replace(open, close + 2 - open, scratch);
            from = open + std::strlen(scratch);
        }
    }

    std::size_t len = text.size() < outSize - 1 ? text.size() : outSize - 1;
    std::memcpy(out, text.data(), len);
    out[len] = '\0';
    return result;
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
