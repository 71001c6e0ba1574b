#include "part_program.h"

#include <cctype>
#include <cstdlib>

#include "platform/text.h"

namespace simcnc {

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && plat::EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

// Reads a run of decimal digits at s[pos] into n (at most 18 digits); false when none.
bool ReadDigits(std::string_view s, size_t& pos, int64_t& n) {
    size_t start = pos;
    n = 0;
    while (pos < s.size() && std::isdigit(static_cast<unsigned char>(s[pos])) && pos - start < 18) {
        n = n * 10 + (s[pos] - '0');
        ++pos;
    }
    return pos > start;
}

// "R<digits>" at s[pos] with the number in the R variable range.
bool ReadRVar(std::string_view s, size_t& pos, int& n) {
    if (pos >= s.size() || (s[pos] != 'R' && s[pos] != 'r')) return false;
    size_t p = pos + 1;
    int64_t v = 0;
    if (!ReadDigits(s, p, v) || v > 9999) return false;
    pos = p;
    n = static_cast<int>(v);
    return true;
}

// "N<digits>" at s[pos].
bool ReadLabel(std::string_view s, size_t& pos, int64_t& n) {
    if (pos >= s.size() || (s[pos] != 'N' && s[pos] != 'n')) return false;
    size_t p = pos + 1;
    if (!ReadDigits(s, p, n)) return false;
    pos = p;
    return true;
}

// Removes every "{...}" comment (an unclosed one runs to the end of the line).
std::string StripComments(std::string_view line) {
    std::string out;
    out.reserve(line.size());
    int depth = 0;
    for (char c : line) {
        if (c == '{') {
            ++depth;
        } else if (c == '}' && depth > 0) {
            --depth;
        } else if (depth == 0) {
            out.push_back(c);
        }
    }
    return out;
}

bool ParseAssign(std::string_view body, Block& b) {
    size_t pos = 0;
    int target = 0;
    if (!ReadRVar(body, pos, target)) return false;
    std::string_view rest = Trim(body.substr(pos));
    if (rest.empty() || rest.front() != '=') return false;
    rest = Trim(rest.substr(1));
    size_t p = 0;
    int source = -1;
    double k = 0.0;
    if (ReadRVar(rest, p, source)) {
        std::string_view tail = Trim(rest.substr(p));
        if (!tail.empty()) {
            char sign = tail.front();
            if (sign != '+' && sign != '-') return false;
            if (!plat::ParseDouble(tail.substr(1), k)) return false;
            if (sign == '-') k = -k;
        }
    } else if (!plat::ParseDouble(rest, k)) {
        return false;
    }
    b.kind = BlockKind::Assign;
    b.target = target;
    b.source = source;
    b.value = k;
    return true;
}

bool ParseCall(std::string_view body, Block& b) {
    if (body.size() < 3 || (body[0] != 'L' && body[0] != 'l') || body[1] != '<') return false;
    size_t close = body.find('>');
    if (close == std::string_view::npos || close == 2) return false;
    std::string_view name = Trim(body.substr(2, close - 2));
    if (name.empty()) return false;
    b.kind = BlockKind::Call;
    b.name = std::string(name);
    return true;
}

bool ParseDwell(std::string_view body, Block& b) {
    if (!StartsWithNoCase(body, "G4")) return false;
    std::string_view rest = Trim(body.substr(2));
    if (rest.empty() || (rest.front() != 'F' && rest.front() != 'f')) return false;
    double s = 0.0;
    if (!plat::ParseDouble(rest.substr(1), s) || s < 0.0) return false;
    b.kind = BlockKind::Dwell;
    b.value = s;
    return true;
}

// IF (R<n>==<v>) N<k>
bool ParseJumpIf(std::string_view body, Block& b) {
    if (!StartsWithNoCase(body, "IF")) return false;
    std::string_view rest = Trim(body.substr(2));
    if (rest.empty() || rest.front() != '(') return false;
    size_t close = rest.find(')');
    if (close == std::string_view::npos) return false;
    std::string_view cond = Trim(rest.substr(1, close - 1));
    size_t p = 0;
    int var = 0;
    if (!ReadRVar(cond, p, var)) return false;
    std::string_view after = Trim(cond.substr(p));
    if (after.substr(0, 2) != "==") return false;
    double v = 0.0;
    if (!plat::ParseDouble(after.substr(2), v)) return false;
    std::string_view target = Trim(rest.substr(close + 1));
    size_t q = 0;
    int64_t label = 0;
    if (!ReadLabel(target, q, label) || !Trim(target.substr(q)).empty()) return false;
    b.kind = BlockKind::JumpIf;
    b.source = var;
    b.value = v;
    b.jumpLabel = label;
    return true;
}

// <RPT:N<a>;N<b>;<c>>
bool ParseRepeat(std::string_view body, Block& b) {
    if (!StartsWithNoCase(body, "<RPT:") || body.back() != '>') return false;
    std::string_view inner = body.substr(5, body.size() - 6);
    size_t p = 0;
    int64_t first = 0, last = 0, count = 0;
    if (!ReadLabel(inner, p, first) || p >= inner.size() || inner[p] != ';') return false;
    ++p;
    if (!ReadLabel(inner, p, last) || p >= inner.size() || inner[p] != ';') return false;
    ++p;
    if (!ReadDigits(inner, p, count) || p != inner.size()) return false;
    b.kind = BlockKind::Repeat;
    b.jumpLabel = first;
    b.lastLabel = last;
    b.count = count;
    return true;
}

} // namespace

size_t PartProgram::IndexOf(int64_t n) const {
    auto it = labels.find(n);
    return it == labels.end() ? blocks.size() : it->second;
}

PartProgram ParsePartProgram(std::string_view text) {
    PartProgram prog;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view raw = text.substr(start, end - start);
        start = end + 1;

        std::string stripped = StripComments(raw);
        std::string_view line = Trim(stripped);
        if (line.empty() || line.front() == '%') continue;

        Block b;
        size_t pos = 0;
        int64_t label = -1;
        if (ReadLabel(line, pos, label)) {
            // A label is "N<digits>" followed by a blank or the end of the block.
            if (pos < line.size() && line[pos] != ' ' && line[pos] != '\t') {
                pos = 0;
                label = -1;
            }
        }
        b.label = label;
        std::string_view body = Trim(line.substr(pos));
        if (!body.empty()) {
            (void)(ParseAssign(body, b) || ParseCall(body, b) || ParseDwell(body, b) || ParseJumpIf(body, b) ||
                   ParseRepeat(body, b));
        }
        if (label >= 0) prog.labels.emplace(label, prog.blocks.size());
        prog.blocks.push_back(std::move(b));
    }
    return prog;
}

} // namespace simcnc
