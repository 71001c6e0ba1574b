#pragma once
// The one place where single-byte Windows-1252 text meets QString (widget boundary).
#include <QString>
#include <string>
#include <string_view>

namespace ui {
QString ToQt(std::string_view cp1252);
std::string FromQt(const QString& text);   // unmappable characters become '?'
} // namespace ui
