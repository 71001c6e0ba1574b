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

std::vector<std::string> NameFiltersFromBars(std::string_view filter) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= filter.size()) {
        const size_t bar = filter.find('|', start);
        const size_t end = bar == std::string_view::npos ? filter.size() : bar;
        parts.emplace_back(filter.substr(start, end - start));
        if (bar == std::string_view::npos) break;
        start = bar + 1;
    }
    std::vector<std::string> out;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty() && parts[i + 1].empty()) break;   // the closing "||"
        std::string patterns;
        std::string_view rest = parts[i + 1];
        while (!rest.empty()) {
            const size_t semi = rest.find(';');
            if (!patterns.empty()) patterns += ' ';
            patterns += NativeWildcard(rest.substr(0, semi));
            rest = semi == std::string_view::npos ? std::string_view() : rest.substr(semi + 1);
        }
        // A description that ends with its own pattern list, "Files LDA (*.lda)", has that list
        // replaced by the native one instead of showing two.
        std::string description = parts[i];
        const size_t open = description.rfind('(');
        if (!description.empty() && description.back() == ')' && open != std::string::npos) {
            description.erase(open);
            while (!description.empty() && description.back() == ' ') description.pop_back();
        }
        out.push_back(description + " (" + patterns + ")");
    }
    return out;
}

} // namespace ui
