#include "ui/picker_paths.h"

#include <cctype>

#include "platform/paths.h"

namespace ui {

std::string StoredPathFromNative(std::string_view native) {
    std::string p(native);
    const std::string root = plat::DrivesRoot() + "/";
    // "<root>X" or "<root>X/...": a drive letter folder.
    if (p.size() > root.size() && p.compare(0, root.size(), root) == 0 &&
        std::isalpha(static_cast<unsigned char>(p[root.size()])) &&
        (p.size() == root.size() + 1 || p[root.size() + 1] == '/')) {
        const char drive = static_cast<char>(std::toupper(static_cast<unsigned char>(p[root.size()])));
        std::string rest = p.substr(root.size() + 1);
        while (rest.size() > 1 && rest.back() == '/') rest.pop_back();
        p = std::string(1, drive) + ":" + (rest.empty() ? std::string("/") : rest);
    }
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}

std::string NativeWildcard(std::string_view pattern) {
    // "*.*" matches every file on Windows, names without an extension too.
    return pattern == "*.*" ? std::string("*") : std::string(pattern);
}

std::string CombineFolderPattern(std::string_view folder, std::string_view pattern) {
    std::string combined(folder);
    // An empty folder gives the pattern alone (the current folder), not a root.
    if (!combined.empty() && combined.back() != '\\') combined += '\\';
    combined += pattern;
    return combined;
}

std::string FolderOfCombined(std::string_view combined) {
    const size_t pos = combined.find_last_of('\\');
    return pos == std::string_view::npos ? std::string() : std::string(combined.substr(0, pos + 1));
}

namespace {

bool EndsWithPatternList(const std::string& description) {
    return !description.empty() && description.back() == ')' && description.rfind('(') != std::string::npos;
}

FileFilter MakeFilter(const std::string& description, std::string_view systemPatterns) {
    FileFilter f;
    std::string listed;
    while (!systemPatterns.empty()) {
        const size_t semi = systemPatterns.find(';');
        const std::string_view one = systemPatterns.substr(0, semi);
        if (!one.empty()) {
            f.patterns.push_back(NativeWildcard(one));
            if (!listed.empty()) listed += ' ';
            listed += one;
        }
        systemPatterns = semi == std::string_view::npos ? std::string_view() : systemPatterns.substr(semi + 1);
    }
    f.shown = EndsWithPatternList(description) || listed.empty() ? description : description + " (" + listed + ")";
    return f;
}

} // namespace

std::vector<FileFilter> FileFiltersOf(std::string_view filter, std::string_view pattern) {
    std::vector<FileFilter> out;
    if (filter.empty()) return out;
    if (filter.find('|') == std::string_view::npos) {
        out.push_back(MakeFilter(std::string(filter), pattern));
        return out;
    }
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= filter.size()) {
        const size_t bar = filter.find('|', start);
        const size_t end = bar == std::string_view::npos ? filter.size() : bar;
        parts.emplace_back(filter.substr(start, end - start));
        if (bar == std::string_view::npos) break;
        start = bar + 1;
    }
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty() && parts[i + 1].empty()) break;   // the closing "||"
        out.push_back(MakeFilter(parts[i], parts[i + 1]));
    }
    return out;
}

} // namespace ui
