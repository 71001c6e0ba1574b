#include "ui/input_checks.h"

#include <string>

#include "platform/text.h"

namespace ui {

InputCheck CheckInputText(std::string_view text, bool numericCheck, int32_t minimum, int32_t maximum) {
    if (text.empty()) return InputCheck::Syntax;
    if (!numericCheck) return InputCheck::Ok;
    if (text.find('\0') != std::string_view::npos) return InputCheck::Syntax;
    const std::string s(text);
    const char* end = s.c_str();
    const double value = plat::StrtodC(s.c_str(), &end);
    if (end == s.c_str()) return InputCheck::Syntax;   // no number at all
    if (*end == '\n') ++end;
    if (*end != '\0') return InputCheck::Syntax;
    if (value < static_cast<double>(minimum) || value > static_cast<double>(maximum)) return InputCheck::Limit;
    return InputCheck::Ok;
}

int PasswordLevel(std::string_view entry, std::string_view level1, std::string_view level2) {
    const std::string typed = plat::ToUpperAscii(entry);
    if (typed == plat::ToUpperAscii(level2)) return kPasswordLevel2;
    if (typed == plat::ToUpperAscii(level1)) return kPasswordLevel1;
    return 0;
}

} // namespace ui
