#pragma once
// Path arithmetic of the file and folder pickers, without any window system.
#include <string>
#include <string_view>
#include <vector>

namespace ui {

// A native path chosen in a picker, as the system stores paths: a folder under the drives
// root becomes "X:\..." (a drive root "X:\"), every '/' a '\'.
std::string StoredPathFromNative(std::string_view native);

// The folder with a backslash added when its last character is not one, then the pattern.
std::string CombineFolderPattern(std::string_view folder, std::string_view pattern);
// A file pattern for this platform: "*.*" (every file) becomes "*".
std::string NativeWildcard(std::string_view pattern);

// The folder part of a combined text (up to and including its last '\'; empty when none).
std::string FolderOfCombined(std::string_view combined);

// A filter in description|pattern|description|pattern|| form as Qt name filters
// ("description (pattern)"; several patterns of one entry separated by ';' become blanks).
std::vector<std::string> NameFiltersFromBars(std::string_view filter);

} // namespace ui
