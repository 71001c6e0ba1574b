#pragma once
// The shared error buffer: a failing loader, check or writer puts the reason here and
// returns non-zero; the dialog that called it shows the text in a message box.
// Every write goes through the bounded setters below: a long (translated) text is cut,
// it never overflows the buffer.
#include <cstdarg>
#include <cstddef>

inline constexpr std::size_t kErrorTextSize = 160;

extern char g_errorText[kErrorTextSize];

// printf-style, C locale, cut to kErrorTextSize - 1 characters. Returns the length written.
int SetErrorText(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
int VSetErrorText(const char* fmt, va_list ap) __attribute__((format(printf, 1, 0)));
// Copies a literal text (no formatting), cut to the buffer.
void SetErrorTextLiteral(const char* text);
// Appends to what is already there, cut to the buffer.
int AppendErrorText(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void ClearErrorText();
