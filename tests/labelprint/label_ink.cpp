#include "label_ink.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

namespace lptest {

namespace {

std::vector<std::string> Args(const std::string& s) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t i = 0; i <= s.size(); ++i)
        if (i == s.size() || s[i] == ',') {
            out.push_back(s.substr(start, i - start));
            start = i + 1;
        }
    return out;
}

int Int(const std::vector<std::string>& a, size_t i, int fallback = 0) {
    return i < a.size() && !a[i].empty() ? std::atoi(a[i].c_str()) : fallback;
}

std::string Unhex(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '_' && i + 2 < s.size()) {
            out += char(std::strtol(s.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

// Symbol length in dots, from the symbologies' own definitions: narrow bars of n dots, wide
// bars of the ratio r times n, laid on the next whole dot (a printer has no half dots).
int SymbolDots(char symbology, const std::string& data, int n, double r) {
    const int len = int(data.size());
    const int w = int(n * r + 0.999);
    switch (symbology) {
    case 'E': return 95 * n;                                  // EAN-13: guards and 12 coded digits
    case '8': return 67 * n;                                  // EAN-8
    case '3': return (len + 2) * (6 * n + 3 * w) + (len + 1) * n; // Code 39: start and stop '*', one gap each
    case 'K': {                                               // Codabar with start and stop 'A'
        int d = 2 * (4 * n + 3 * w) + n;                      // start and stop, three wide elements
        for (char c : data) d += (std::string(":/.+").find(c) != std::string::npos ? 4 * n + 3 * w : 5 * n + 2 * w) + n;
        return d;
    }
    case '2': return 4 * n + (w + 2 * n) + (len + 1) / 2 * 2 * (3 * n + 2 * w); // I 2 of 5
    case 'C': return (11 * (len + 2) + 13) * n;               // Code 128, one symbol per character
    default: return 0;
    }
}

// Quiet zones the symbology asks before and after its bars, in narrow bars.
int QuietBefore(char symbology) { return symbology == 'E' ? 11 : symbology == '8' ? 7 : 10; }
int QuietAfter(char symbology) { return symbology == 'E' || symbology == '8' ? 7 : 10; }

// The cell of one character of a printer font: the font's own matrix (height by width, in
// dots at 8 dots per mm) magnified by the whole number of times the size asked for holds it.
// Fonts without a matrix here are taken at the size asked for.
void CharacterCell(char font, int height, int width, int& cellH, int& cellW) {
    static const struct {
        char font;
        int h, w;
    } kMatrices[] = {{'P', 20, 18}, {'Q', 28, 24}, {'R', 35, 31}, {'S', 40, 35},
                     {'T', 48, 42}, {'U', 59, 53}, {'V', 80, 71}};
    cellH = height;
    cellW = width;
    for (const auto& m : kMatrices)
        if (m.font == font) {
            cellH = m.h * std::max(1, height / m.h);
            cellW = m.w * std::max(1, width / m.w);
        }
}

} // namespace

std::string Ink::Describe() const {
    static const char* kKinds[] = {"text", "barcode", "line", "diagonal", "graphic"};
    return std::string(kKinds[int(kind)]) + " '" + text.substr(0, 20) + "' [" + std::to_string(box.x0) + "," +
           std::to_string(box.y0) + " .. " + std::to_string(box.x1) + "," + std::to_string(box.y1) + ")";
}

std::vector<Ink> MeasureInk(const std::string& zpl) {
    std::vector<Ink> out;
    char defaultOrient = 'N';
    int x = 0, y = 0;
    int module = 2;
    double ratio = 3.0;
    // The field being built.
    char fontOrient = 0;
    int cellH = 0, cellW = 0;
    bool hex = false;
    char symbology = 0, barOrient = 'N';
    int barHeight = 0;
    bool interpretation = false;

    size_t i = 0;
    while (i < zpl.size()) {
        if (zpl[i] != '^' && zpl[i] != '~') {
            ++i;
            continue;
        }
        const std::string cmd = zpl.substr(i + 1, 2);
        i += 3;
        if (cmd == "FD") {
            const size_t end = zpl.find('^', i);
            std::string data = zpl.substr(i, end == std::string::npos ? std::string::npos : end - i);
            i = end == std::string::npos ? zpl.size() : end;
            if (hex) data = Unhex(data);
            Ink ink;
            ink.text = data;
            if (symbology) {
                ink.kind = InkKind::Barcode;
                ink.symbology = symbology;
                const int len = SymbolDots(symbology, data, module, ratio);
                ink.symbolLength = len;
                const int across = barHeight + (interpretation ? 10 * module : 0); // human-readable line
                const int before = QuietBefore(symbology) * module, after = QuietAfter(symbology) * module;
                if (barOrient == 'N' || barOrient == 'I') {
                    ink.box = {x, y, x + len, y + across};
                    ink.quietZone = {x - before, y, x + len + after, y + across};
                } else {
                    ink.box = {x, y, x + across, y + len};
                    ink.quietZone = {x, y - before, x + across, y + len + after};
                }
                out.push_back(ink);
            } else if (fontOrient && !data.empty()) {
                ink.kind = InkKind::Text;
                const int run = int(data.size()) * cellW;
                ink.box = fontOrient == 'N' || fontOrient == 'I' ? Box{x, y, x + run, y + cellH}
                                                                 : Box{x, y, x + cellH, y + run};
                out.push_back(ink);
            }
            continue;
        }
        size_t end = zpl.find_first_of("^~", i);
        if (end == std::string::npos) end = zpl.size();
        std::string args = zpl.substr(i, end - i);
        i = end;
        if (cmd[0] == 'A' && cmd != "A@") { // ^A<font><orientation>,h,w
            const std::string rest = cmd.substr(1) + args;
            size_t p = 1;
            fontOrient = p < rest.size() && rest[p] != ',' ? rest[p++] : defaultOrient;
            const std::vector<std::string> a = Args(rest.substr(std::min(p + 1, rest.size())));
            CharacterCell(rest[0], Int(a, 0), Int(a, 1, Int(a, 0)), cellH, cellW);
        } else if (cmd == "FO") {
            const std::vector<std::string> a = Args(args);
            x = Int(a, 0);
            y = Int(a, 1);
            fontOrient = 0;
            symbology = 0;
            hex = false;
        } else if (cmd == "FW") {
            if (!args.empty()) defaultOrient = args[0];
        } else if (cmd == "FH") {
            hex = true;
        } else if (cmd == "BY") {
            const std::vector<std::string> a = Args(args);
            module = Int(a, 0, module);
            // The ratio in C conventions whatever the locale ("2.4").
            if (a.size() > 1 && !a[1].empty()) std::from_chars(a[1].data(), a[1].data() + a[1].size(), ratio);
        } else if (cmd[0] == 'B' && cmd != "BY") {
            symbology = cmd[1];
            const std::string rest = args;
            barOrient = !rest.empty() && rest[0] != ',' ? rest[0] : defaultOrient;
            const std::vector<std::string> a = Args(rest);
            const size_t hi = symbology == '3' || symbology == 'K' ? 2 : 1;
            barHeight = Int(a, hi, 10);
            interpretation = hi + 1 < a.size() ? a[hi + 1] != "N" : true;
        } else if (cmd == "GB" || cmd == "GD") {
            const std::vector<std::string> a = Args(args);
            const int t = std::max(1, Int(a, 2, 1));
            const int w = std::max(Int(a, 0), t), h = std::max(Int(a, 1), t);
            Ink ink;
            ink.kind = cmd == "GB" ? InkKind::Line : InkKind::Diagonal;
            ink.text = cmd + args;
            ink.box = {x, y, x + w, y + h};
            out.push_back(ink);
        } else if (cmd == "GF") {
            const std::vector<std::string> a = Args(args);
            if (a.size() < 5) continue;
            const int rowBytes = Int(a, 3);
            const std::string& data = a[4];
            Box ink{x + 8 * rowBytes, 0, x, 0};
            bool any = false;
            for (size_t b = 0; rowBytes > 0 && b + 1 < data.size(); b += 2) {
                const int v = int(std::strtol(data.substr(b, 2).c_str(), nullptr, 16));
                if (!v) continue;
                const int row = int(b / 2) / rowBytes, col = int(b / 2) % rowBytes;
                int first = 0, last = 7;
                while (!(v & (0x80 >> first))) ++first;
                while (!(v & (0x80 >> last))) --last;
                if (!any) ink.y0 = y + row;
                any = true;
                ink.y1 = y + row + 1;
                ink.x0 = std::min(ink.x0, x + 8 * col + first);
                ink.x1 = std::max(ink.x1, x + 8 * col + last + 1);
            }
            if (any) {
                Ink g;
                g.kind = InkKind::Graphic;
                g.text = "^GFA";
                g.box = ink;
                out.push_back(g);
            }
        }
    }
    return out;
}

std::vector<std::string> LostSides(const std::string& zpl, int width, int height) {
    std::vector<char> ink(size_t(width) * size_t(height), 0);
    auto at = [&](int px, int py) -> char* {
        return px >= 0 && py >= 0 && px < width && py < height ? &ink[size_t(py) * size_t(width) + size_t(px)] : nullptr;
    };
    struct Side {
        std::string what;
        std::vector<std::pair<int, int>> pixels;
    };
    std::vector<Side> sides;
    int x = 0, y = 0;
    bool reverse = false;
    size_t i = 0;
    while ((i = zpl.find('^', i)) != std::string::npos) {
        const std::string cmd = zpl.substr(i + 1, 2);
        size_t end = zpl.find('^', i + 1);
        if (end == std::string::npos) end = zpl.size();
        const std::vector<std::string> a = Args(zpl.substr(i + 3, end - i - 3));
        i = end;
        if (cmd == "FO") x = Int(a, 0), y = Int(a, 1), reverse = false;
        else if (cmd == "FR") reverse = true;
        if (cmd != "GB" && cmd != "GD") continue;
        const int t = std::max(1, Int(a, 2, 1));
        const int w = std::max(Int(a, 0), t), h = std::max(Int(a, 1), t);
        Side side{"^FO" + std::to_string(x) + "," + std::to_string(y) + "^" + cmd, {}};
        for (const std::string& s : a) side.what += s + ",";
        auto put = [&](int px, int py) {
            if (char* c = at(px, py)) *c = reverse ? char(!*c) : char(1);
            side.pixels.emplace_back(px, py);
        };
        if (cmd == "GB") {
            for (int py = y; py < y + h; ++py)
                for (int px = x; px < x + w; ++px)
                    if (px < x + t || px >= x + w - t || py < y + t || py >= y + h - t) put(px, py);
            if (!reverse && (Int(a, 0) == 0 || Int(a, 1) == 0)) sides.push_back(side);
        } else {
            const bool falling = a.size() > 4 && a[4] == "L"; // "\": down to the right
            for (int r = 0; r < h; ++r) {
                const int cx = (falling ? r : h - 1 - r) * (w - t) / std::max(1, h - 1);
                for (int k = 0; k < t; ++k) put(x + cx + k, y + r);
            }
            if (!reverse) sides.push_back(side);
        }
    }
    std::vector<std::string> lost;
    for (const Side& s : sides)
        for (const auto& [px, py] : s.pixels)
            if (const char* c = at(px, py); c && !*c) {
                lost.push_back(s.what + " loses (" + std::to_string(px) + "," + std::to_string(py) + ")");
                break;
            }
    return lost;
}

} // namespace lptest
