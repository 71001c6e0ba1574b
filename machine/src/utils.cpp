// Number and text routines.
#include "machine/utils.h"

#include <cmath>
#include <cstring>
#include <ctime>

#include "machine/globals.h"
#include "machine/settings.h"

int32_t MaxInt(int32_t a, int32_t b) { return a > b ? a : b; }

int32_t RoundToTen(int32_t v) {
    int64_t w = v;
    w = v < 1 ? w - 5 : w + 5;
    // The result of a value near the limits is the nearest multiple of 10 that fits.
    int64_t r = w / 10 * 10;
    if (r > INT32_MAX) r -= 10;
    if (r < INT32_MIN) r += 10;
    return static_cast<int32_t>(r);
}

double RoundToDecimals(double x, int n) {
    double magnitude = std::fabs(x);
    double integral = std::floor(magnitude);
    double fraction = magnitude - integral;
    if (fraction == 0.0 || !std::isfinite(x)) return x;
    double d = std::floor((fraction * std::pow(10.0, n + 1) + 5.0) / 10.0);
    double r = d / std::pow(10.0, n) + integral;
    return x < 0 ? -r : r;
}

double Ceiling(double x) { return std::ceil(x); }

namespace {
bool LocalParts(int64_t t, std::tm& out) {
    if (t < 0) return false;
    std::time_t tt = static_cast<std::time_t>(t);
    return localtime_r(&tt, &out) != nullptr;
}
} // namespace

int YearOfTime(int64_t t) {
    std::tm tm{};
    return LocalParts(t, tm) ? tm.tm_year + 1900 : 0;
}
int MonthOfTime(int64_t t) {
    std::tm tm{};
    return LocalParts(t, tm) ? tm.tm_mon + 1 : 0;
}
int DayOfTime(int64_t t) {
    std::tm tm{};
    return LocalParts(t, tm) ? tm.tm_mday : 0;
}

void TrimSpaces(const char* src, char* dest, std::size_t destSize) {
    if (dest == nullptr || destSize == 0) return;
    if (src == nullptr) {
        dest[0] = '\0';
        return;
    }
    while (*src == ' ') ++src;
    std::size_t n = std::strlen(src);
    while (n > 0 && src[n - 1] == ' ') --n;
    if (n > destSize - 1) n = destSize - 1;
    std::memmove(dest, src, n);
    dest[n] = '\0';
}

char* TrimTextField(char* text) {
    if (text == nullptr) return text;
    for (char* p = text; *p != '\0'; ++p)
        if (*p == '_') *p = ' ';
    std::size_t n = std::strlen(text);
    while (n > 0 && (text[n - 1] == ' ' || text[n - 1] == '\t' || text[n - 1] == '\n' || text[n - 1] == '\r')) --n;
    text[n] = '\0';
    std::size_t start = 0;
    while (text[start] == ' ' || text[start] == '\t') ++start;
    if (start > 0) std::memmove(text, text + start, n - start + 1);
    return text;
}

char* StripLeadingZeros(char* text) {
    if (text == nullptr) return text;
    TrimTextField(text);
    for (const char* p = text; *p != '\0'; ++p)
        if (*p < '0' || *p > '9') return text;
    std::size_t start = 0;
    while (text[start] == '0') ++start;
    if (text[start] == '\0') {
        std::strcpy(text, "0"); // zeros only, or empty
        return text;
    }
    if (start > 0) std::memmove(text, text + start, std::strlen(text + start) + 1);
    return text;
}

char* SpaceToUnderscore(char* text) {
    if (text == nullptr) return text;
    for (char* p = text; *p != '\0'; ++p)
        if (*p == ' ') *p = '_';
    return text;
}

void CopyField(char* field, std::size_t size, const char* text, std::size_t n) {
    if (field == nullptr || size == 0) return;
    if (text == nullptr) text = "";
    const std::size_t limit = n < size - 1 ? n : size - 1;
    std::size_t len = 0;
    while (len < limit && text[len] != '\0') ++len;
    std::memcpy(field, text, len);
    field[len] = '\0';
}

void SplitFileName(char* path, char* series, char* code) {
    if (series != nullptr) series[0] = '\0';
    if (code != nullptr) code[0] = '\0';
    if (path == nullptr) return;
    char* slash = std::strrchr(path, '\\');
    char* name = slash != nullptr ? slash + 1 : path;
    // Only the file-name part loses its extension: a dotted directory name stays whole.
    if (char* dot = std::strchr(name, '.')) *dot = '\0';
    CopyField(code, 9, name);
    *name = '\0';
    if (slash != nullptr) *slash = '\0';
    char* dirSlash = std::strrchr(path, '\\');
    CopyField(series, 9, dirSlash != nullptr ? dirSlash + 1 : path);
}

void GetDxfDirectory(char* buffer) {
    if (buffer == nullptr) return;
    buffer[0] = '\0';
    if (g_pSettings == nullptr) return;
    CopyField(buffer, 260, g_pSettings->DIR_DXF, kSettingsDirSize - 1);
}
