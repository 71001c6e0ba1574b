// The shared error buffer and its bounded setters.
#include "machine/error_text.h"

#include <cstring>

#include "platform/text.h"

char g_errorText[kErrorTextSize] = {};

int VSetErrorText(const char* fmt, va_list ap) {
    int n = plat::VFormatC(g_errorText, sizeof g_errorText, fmt, ap);
    if (n < 0) {
        g_errorText[0] = '\0';
        return 0;
    }
    return static_cast<int>(std::strlen(g_errorText));
}

int SetErrorText(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    int n = VSetErrorText(fmt, ap);
    va_end(ap);
    return n;
}

void SetErrorTextLiteral(const char* text) {
    if (text == nullptr) text = "";
    std::size_t n = std::strlen(text);
    if (n > sizeof g_errorText - 1) n = sizeof g_errorText - 1;
    std::memmove(g_errorText, text, n); // text may already point into the buffer
    g_errorText[n] = '\0';
}

int AppendErrorText(const char* fmt, ...) {
    g_errorText[sizeof g_errorText - 1] = '\0';
    std::size_t used = std::strlen(g_errorText);
    if (used < sizeof g_errorText - 1) {
        va_list ap;
        va_start(ap, fmt);
        plat::VFormatC(g_errorText + used, sizeof g_errorText - used, fmt, ap);
        va_end(ap);
    }
    return static_cast<int>(std::strlen(g_errorText));
}

void ClearErrorText() { g_errorText[0] = '\0'; }
