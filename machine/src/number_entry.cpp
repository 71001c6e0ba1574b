// Typed numbers: the range the refusals name and the check of a whole-number field.
#include "machine/number_entry.h"

#include <cmath>

#include "machine/settings_support.h"
#include "platform/text.h"

namespace {
std::string Limit(double v, bool inches) {
    return inches ? plat::StrFormatC("%.4f", v / 25.4) : plat::StrFormatC("%.0f", v);
}
std::string WithUnit(std::string text, const char* unitKey) {
    if (unitKey != nullptr) text += std::string(" ") + MsgString(unitKey);
    return text;
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
} // namespace

std::string RangeText(double low, double high, const char* unitKey, bool inches) {
    return WithUnit(std::string(MsgError("LIMIT_RANGE")) + " " + Limit(low, inches) + " .. " + Limit(high, inches),
                    unitKey);
}

std::string RangeAboveText(double low, double high, const char* unitKey, bool inches) {
    return WithUnit(std::string(MsgError("LIMIT_ABOVE")) + " " + Limit(low, inches) + " " + MsgError("LIMIT_AT_MOST") +
                        " " + Limit(high, inches),
                    unitKey);
}

WholeEntry CheckWholeEntry(std::string_view text, int32_t minimum, int32_t maximum, int32_t* value) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    const std::size_t start = i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    std::size_t digits = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) ++digits;
    bool fraction = false;
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && IsDigit(text[i]); ++i) {
            ++digits;
            fraction = fraction || text[i] != '0';
        }
    }
    if (i < text.size() && text[i] == '\n') ++i;
    if (digits == 0 || i != text.size()) return WholeEntry::Syntax;
    if (fraction) return WholeEntry::NotWhole;
    const std::string s(text.substr(start));
    const double v = plat::StrtodC(s.c_str(), nullptr);
    if (!std::isfinite(v) || v < minimum || v > maximum) return WholeEntry::Limit;
    if (value != nullptr) *value = static_cast<int32_t>(v);
    return WholeEntry::Ok;
}

std::string WholeEntryRefusal(WholeEntry result, const char* labelText, int32_t minimum, int32_t maximum,
                              const char* unitKey) {
    const char* reason = result == WholeEntry::Syntax     ? "SYNTAX_ERROR"
                         : result == WholeEntry::NotWhole ? "WHOLE_NUMBER_ERROR"
                                                          : "LIMIT_ERROR";
    std::string text = labelText != nullptr && *labelText != '\0' ? std::string(labelText) + "\n" : std::string();
    return text + MsgError(reason) + "\n" + RangeText(minimum, maximum, unitKey);
}
