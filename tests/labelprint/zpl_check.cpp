#include "zpl_check.h"

#include <cstdlib>

namespace lptest {

namespace {

struct Command {
    std::string name; // "^FO", "~HS", ...
    std::string args;
};

std::vector<Command> Split(const std::string& zpl, std::string& stray) {
    std::vector<Command> out;
    size_t i = 0;
    while (i < zpl.size() && zpl[i] != '^' && zpl[i] != '~') stray += zpl[i++];
    while (i < zpl.size()) {
        size_t next = zpl.find_first_of("^~", i + 1);
        if (next == std::string::npos) next = zpl.size();
        Command c;
        c.name = zpl.substr(i, std::min<size_t>(3, next - i));
        c.args = next - i > 3 ? zpl.substr(i + 3, next - i - 3) : std::string();
        out.push_back(c);
        i = next;
    }
    return out;
}

std::vector<std::string> Fields(const std::string& args) {
    std::vector<std::string> f;
    size_t start = 0;
    for (size_t i = 0; i <= args.size(); ++i)
        if (i == args.size() || args[i] == ',') {
            f.push_back(args.substr(start, i - start));
            start = i + 1;
        }
    return f;
}

bool IsInt(const std::string& s) {
    if (s.empty()) return false;
    size_t i = s[0] == '-' ? 1 : 0;
    if (i == s.size()) return false;
    for (; i < s.size(); ++i)
        if (s[i] < '0' || s[i] > '9') return false;
    return true;
}

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

} // namespace

std::vector<std::string> CheckZpl(const std::string& zpl) {
    std::vector<std::string> problems;
    std::string stray;
    const std::vector<Command> cmds = Split(zpl, stray);
    if (!stray.empty()) problems.push_back("text before the first command");
    bool inLabel = false;
    bool inField = false;
    int labels = 0;
    for (size_t i = 0; i < cmds.size(); ++i) {
        const Command& c = cmds[i];
        const std::string where = " at command " + std::to_string(i) + " (" + c.name + c.args.substr(0, 20) + ")";
        if (c.name == "^XA") {
            if (inLabel) problems.push_back("^XA inside a label" + where);
            inLabel = true;
            ++labels;
            continue;
        }
        if (c.name == "^XZ") {
            if (!inLabel) problems.push_back("^XZ without ^XA" + where);
            if (inField) problems.push_back("field not closed by ^FS before ^XZ" + where);
            inLabel = inField = false;
            continue;
        }
        if (!inLabel && c.name != "~HS") {
            problems.push_back("command outside a label" + where);
            continue;
        }
        if (c.name == "^FO") {
            if (inField) problems.push_back("^FO while a field is open" + where);
            inField = true;
            const std::vector<std::string> f = Fields(c.args);
            if (f.size() < 2 || !IsInt(f[0]) || !IsInt(f[1])) {
                problems.push_back("bad ^FO origin" + where);
                continue;
            }
            const long x = std::strtol(f[0].c_str(), nullptr, 10);
            const long y = std::strtol(f[1].c_str(), nullptr, 10);
            if (x < 0 || x > 832) problems.push_back("x outside the 832-dot print width" + where);
            if (y < 0) problems.push_back("negative y" + where);
        } else if (c.name == "^FS") {
            if (!inField) problems.push_back("^FS without ^FO" + where);
            inField = false;
        } else if (c.name == "^FD" || c.name == "^FH" || c.name == "^FR" || c.name == "^GB" || c.name == "^GD" ||
                   c.name.compare(0, 2, "^A") == 0 || c.name.compare(0, 2, "^B") == 0) {
            if (!inField) problems.push_back(c.name + " outside a field" + where);
        } else if (c.name == "^GF") {
            if (!inField) problems.push_back("^GF outside a field" + where);
            const std::vector<std::string> f = Fields(c.args);
            if (f.size() != 5 || f[0] != "A" || !IsInt(f[1]) || !IsInt(f[2]) || !IsInt(f[3])) {
                problems.push_back("bad ^GFA head" + where);
                continue;
            }
            const long total = std::atol(f[1].c_str()), total2 = std::atol(f[2].c_str()), row = std::atol(f[3].c_str());
            if (total != total2) problems.push_back("^GFA byte counts differ" + where);
            if (row <= 0 || total % row != 0) problems.push_back("^GFA total not whole rows" + where);
            if (long(f[4].size()) != 2 * total) problems.push_back("^GFA data length differs from its count" + where);
            for (char h : f[4])
                if (!IsHex(h)) {
                    problems.push_back("^GFA data not hexadecimal" + where);
                    break;
                }
        }
    }
    if (inLabel) problems.push_back("label not closed by ^XZ");
    if (labels == 0) problems.push_back("no label");
    return problems;
}

std::vector<Graphic> DecodeGraphics(const std::string& zpl) {
    std::vector<Graphic> out;
    std::string stray;
    const std::vector<Command> cmds = Split(zpl, stray);
    int x = 0, y = 0;
    for (const Command& c : cmds) {
        if (c.name == "^FO") {
            const std::vector<std::string> f = Fields(c.args);
            x = f.size() > 0 ? std::atoi(f[0].c_str()) : 0;
            y = f.size() > 1 ? std::atoi(f[1].c_str()) : 0;
        } else if (c.name == "^GF") {
            const std::vector<std::string> f = Fields(c.args);
            if (f.size() != 5) continue;
            Graphic g;
            g.x = x;
            g.y = y;
            g.bytesPerRow = std::atoi(f[3].c_str());
            const int total = std::atoi(f[1].c_str());
            g.rows = g.bytesPerRow > 0 ? total / g.bytesPerRow : 0;
            for (size_t i = 0; i + 1 < f[4].size(); i += 2)
                g.bytes.push_back(uint8_t(std::strtoul(f[4].substr(i, 2).c_str(), nullptr, 16)));
            out.push_back(g);
        }
    }
    return out;
}

} // namespace lptest
