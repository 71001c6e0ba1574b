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

// One entry of a picker's filter: the text the operator reads, as the system writes it
// ("Files ISO (*.*)"), and the patterns that choose the files on this platform ("*").
struct FileFilter {
    std::string shown;
    std::vector<std::string> patterns;
};

// A filter in description|pattern|description|pattern|| form. A description that ends with
// its own pattern list, "Files LDA (*.lda)", is shown as it is; another gets the system's
// patterns in brackets. A filter without any bar is one description for the file pattern given.
std::vector<FileFilter> FileFiltersOf(std::string_view filter, std::string_view pattern);

} // namespace ui
