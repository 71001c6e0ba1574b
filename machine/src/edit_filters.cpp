// Edit-field filters: one typed character that does not belong is removed and the caret
// stays where it was.
#include "machine/edit_filters.h"

#include <algorithm>

namespace {

int Clamp(int v, int len) { return std::max(0, std::min(v, len)); }

// Keeps the characters that pass; when anything was dropped the text is replaced by the kept
// ones and both ends of the selection move back by one.
template <typename Keep>
bool FilterNumeric(EditState& edit, Keep keep) {
    const std::string text = edit.text.substr(0, kEditFilterMaxChars);
    std::string kept;
    kept.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        if (keep(text[i], i, kept)) kept.push_back(text[i]);
    if (kept.size() == text.size()) return false;
    edit.text = kept;
    const int len = static_cast<int>(kept.size());
    edit.selStart = Clamp(edit.selStart - 1, len);
    edit.selEnd = Clamp(edit.selEnd - 1, len);
    return true;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

bool FilterIntegerEdit(EditState& edit, bool minusAllowed) {
    return FilterNumeric(edit, [minusAllowed](char c, std::size_t i, const std::string&) {
        return IsDigit(c) || (c == '-' && i == 0 && minusAllowed);
    });
}

bool FilterRealEdit(EditState& edit, bool minusAllowed) {
    bool pointSeen = false;
    return FilterNumeric(edit, [minusAllowed, &pointSeen](char c, std::size_t i, const std::string&) {
        if (IsDigit(c)) return true;
        // A decimal comma is kept like the point so that OK refuses it: dropped, "2,5" reads 25.
        if (c == '.' || c == ',') {
            if (pointSeen) return false;
            pointSeen = true;
            return true;
        }
        return c == '-' && i == 0 && minusAllowed;
    });
}

bool FilterWholeNumberEdit(EditState& edit) {
    bool separatorSeen = false;
    return FilterNumeric(edit, [&separatorSeen](char c, std::size_t i, const std::string&) {
        if (IsDigit(c)) return true;
        if (c == '.' || c == ',') {
            if (separatorSeen) return false;
            separatorSeen = true;
            return true;
        }
        return c == '-' && i == 0;
    });
}

bool FilterTextEdit(EditState& edit, int limit, bool upperCase) {
    const std::string original = edit.text.substr(0, kEditFilterMaxChars);
    if (original.empty()) return false;
    std::string text = original;
    if (limit >= 0) {
        const std::size_t keep = static_cast<std::size_t>(std::max(limit - 1, 0));
        if (text.size() > keep) text.resize(keep);
    }
    if (upperCase) text = UpperCase1252(text);
    if (text == original) return false;
    edit.text = text;
    const int len = static_cast<int>(text.size());
    edit.selStart = Clamp(edit.selStart, len);
    edit.selEnd = Clamp(edit.selEnd, len);
    return true;
}

char UpperCase1252(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 'a' && u <= 'z') return static_cast<char>(u - 'a' + 'A');
    if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<char>(u - 0x20);
    switch (u) {
    case 0x9A: return static_cast<char>(0x8A); // š
    case 0x9C: return static_cast<char>(0x8C); // œ
    case 0x9E: return static_cast<char>(0x8E); // ž
    case 0xFF: return static_cast<char>(0x9F); // ÿ
    default: return c;
    }
}

std::string UpperCase1252(std::string text) {
    for (char& c : text)
        c = UpperCase1252(c);
    return text;
}
