#pragma once
// Decisions of the input and password dialogs, without any window system.
#include <cstdint>
#include <string>
#include <string_view>

namespace ui {

enum class InputCheck { Ok, Syntax, Limit };

// The OK test of the one-field input: an empty text is a syntax error; without the numeric
// check anything else passes. With it the text must be a number (leading blanks allowed,
// nothing after it but one line feed), minimum <= value <= maximum compared as doubles.
InputCheck CheckInputText(std::string_view text, bool numericCheck, int32_t minimum, int32_t maximum);

// Results of the password prompt.
constexpr int kPasswordLevel1 = 135;
constexpr int kPasswordLevel2 = 136;

// The entry compared ignoring case with the level-2 password first, then level 1:
// kPasswordLevel2, kPasswordLevel1, or 0 when it matches neither.
int PasswordLevel(std::string_view entry, std::string_view level1, std::string_view level2);

} // namespace ui
