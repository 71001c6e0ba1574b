// Typed numbers: the range the refusals name and the check of a whole-number field.
#include "machine/number_entry.h"

#include <cmath>

#include "machine/settings_support.h"
#include "platform/text.h"

std::string RangeText(double low, double high, const char* unitKey, bool inches) {
    const char* format = inches ? "%.4f" : "%.0f";
    const double scale = inches ? 25.4 : 1.0;
    std::string text = std::string(MsgError("LIMIT_RANGE")) + " " + plat::StrFormatC(format, low / scale) + " .. " +
                       plat::StrFormatC(format, high / scale);
    if (unitKey != nullptr) text += std::string(" ") + MsgString(unitKey);
    return text;
}

WholeEntry CheckWholeEntry(std::string_view text, int32_t minimum, int32_t maximum, int32_t* value) {
    if (text.empty() || text.find('\0') != std::string_view::npos) return WholeEntry::Syntax;
    const std::string s(text);
    const char* end = s.c_str();
    const double v = plat::StrtodC(s.c_str(), &end);
    if (end == s.c_str()) return WholeEntry::Syntax; // no number at all
    if (*end == '\n') ++end;
    if (*end != '\0' || !std::isfinite(v)) return WholeEntry::Syntax;
    if (v != std::trunc(v)) return WholeEntry::NotWhole;
    if (v < minimum || v > maximum) return WholeEntry::Limit;
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
