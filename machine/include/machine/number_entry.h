#pragma once
// A number typed by the operator into a field: the allowed range as the refusals name it, and
// the check of a whole-number field (the tool speed and coolant, the input box of a count, a
// label count, the whole-number parameter rows). One refusal text for every such field, so a
// value the field cannot hold is never read as another value and the operator is told why.
#include <cstdint>
#include <string>
#include <string_view>

// "<LIMIT_RANGE> low .. high[ unit]": the limits as whole numbers, or in inches with four
// decimals when inches (the limits are then millimetres, divided by 25.4); unitKey is a
// message key of the unit shown beside the field, null for none.
std::string RangeText(double low, double high, const char* unitKey, bool inches = false);
// "<LIMIT_ABOVE> low <LIMIT_AT_MOST> high[ unit]": a range whose low end is itself refused.
std::string RangeAboveText(double low, double high, const char* unitKey, bool inches = false);

enum class WholeEntry {
    Ok,
    Syntax,   // empty, or not one decimal number
    NotWhole, // a number with a fraction ("2.5")
    Limit,    // outside the range (a negative where none is allowed, a number too long to hold)
};

// The text of a whole-number field: leading blanks allowed, an optional sign, digits, and a
// point followed by zeros only ("12.0" is twelve); nothing after it (an exponent, "1e3", is
// no whole number typed). With Ok, value holds it.
WholeEntry CheckWholeEntry(std::string_view text, int32_t minimum, int32_t maximum, int32_t* value = nullptr);

// The refusal of a whole-number field: the label text (when given) on its own line, the reason
// (SYNTAX_ERROR, WHOLE_NUMBER_ERROR or LIMIT_ERROR of the error table) and the range.
std::string WholeEntryRefusal(WholeEntry result, const char* labelText, int32_t minimum, int32_t maximum,
                              const char* unitKey);
