// ZPL II to a picture for the wizard.
#include "zpl_picture.h"

#include <QFont>
#include <QPainter>
#include <algorithm>
#include <vector>

#include "labelprint/layout.h"

namespace labelprint::wizard {
namespace {

std::vector<std::string> SplitParams(const std::string& text) {
    std::vector<std::string> out(1);
    for (char c : text) {
        if (c == ',') out.emplace_back();
        else out.back() += c;
    }
    return out;
}

int Param(const std::vector<std::string>& p, size_t i, int def) {
    return i < p.size() && !p[i].empty() ? labelprint::AtoiC(p[i]) : def;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// "_" followed by two hexadecimal digits is one character (field data after "^FH").
std::string Unescape(const std::string& data) {
    std::string out;
    for (size_t i = 0; i < data.size(); ++i) {
        if (data[i] == '_' && i + 2 < data.size() && HexDigit(data[i + 1]) >= 0 && HexDigit(data[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(data[i + 1]) * 16 + HexDigit(data[i + 2]));
            i += 2;
        } else {
            out += data[i];
        }
    }
    return out;
}

// Barcode length in narrow-bar modules, by symbology (close enough for a picture).
int BarcodeModules(char kind, size_t chars, double ratio) {
    const int n = static_cast<int>(std::min<size_t>(chars, 100));
    const int wide = static_cast<int>(ratio + 0.5);
    switch (kind) {
    case 'E': return 95;                       // EAN-13
    case '8': return 67;                       // EAN-8
    case 'C': return 11 * (n + 3) + 2;         // Code 128
    case '2': return n * (2 * wide + 3) + 6;   // Interleaved 2 of 5
    default: return (n + 2) * (3 * wide + 7);  // Code 39, Codabar
    }
}

struct Field {
    int x = 0, y = 0;
    bool text = false;
    char orientation = 'N';
    int fontHeight = 0;
    bool barcode = false;
    char barcodeKind = 0;
    int barcodeHeight = 0;
    bool hex = false;
    bool reverse = false;
    std::string data;
};

class Renderer {
public:
    Renderer(QImage& image) : painter_(&image) {
        painter_.setPen(Qt::NoPen);
        painter_.setBrush(Qt::black);
    }

    void Run(const std::string& zpl) {
        size_t i = 0;
        while (i < zpl.size()) {
            if (zpl[i] != '^' && zpl[i] != '~') {
                ++i;
                continue;
            }
            const size_t start = i + 1;
            if (zpl.compare(start, 2, "FD") == 0) {
                size_t end = zpl.find("^FS", start + 2);
                if (end == std::string::npos) end = zpl.size();
                field_.data = zpl.substr(start + 2, end - start - 2);
                i = end;
                continue;
            }
            size_t end = zpl.find_first_of("^~", start);
            if (end == std::string::npos) end = zpl.size();
            Command(zpl.substr(start, end - start));
            i = end;
        }
    }

private:
    void Command(const std::string& c) {
        if (c.size() < 2) return;
        const std::string name = c.substr(0, 2);
        const std::string rest = c.substr(2);
        if (name == "FO") {
            const auto p = SplitParams(rest);
            field_.x = Param(p, 0, 0);
            field_.y = Param(p, 1, 0);
        } else if (name == "FW") {
            defaultOrientation_ = rest.empty() ? 'N' : rest[0];
        } else if (name == "FH") {
            field_.hex = true;
        } else if (name == "FR") {
            field_.reverse = true;
        } else if (name == "BY") {
            const auto p = SplitParams(rest);
            narrow_ = std::max(1, Param(p, 0, 2));
            ratio_ = p.size() > 1 && !p[1].empty() ? labelprint::AtofC(p[1]) : 3.0;
        } else if (c[0] == 'A') {
            // ^A<font><orientation>,<height>,<width>
            const auto p = SplitParams(c.substr(1));
            field_.text = true;
            field_.orientation = p[0].size() > 1 ? p[0][1] : defaultOrientation_;
            field_.fontHeight = Param(p, 1, 30);
        } else if (c[0] == 'B') {
            // ^B<kind><orientation>,...: the height is the first parameter, after the check
            // digit flag for Code 39 and Codabar.
            const auto p = SplitParams(c.substr(1));
            field_.barcode = true;
            field_.barcodeKind = p[0].empty() ? 'C' : p[0][0];
            field_.orientation = p[0].size() > 1 ? p[0][1] : defaultOrientation_;
            const bool checkFirst = field_.barcodeKind == '3' || field_.barcodeKind == 'K';
            field_.barcodeHeight = Param(p, checkFirst ? 2 : 1, 10 * narrow_);
        } else if (name == "GB") {
            const auto p = SplitParams(rest);
            const int t = std::max(1, Param(p, 2, 1));
            const int w = std::max(t, Param(p, 0, t));
            const int h = std::max(t, Param(p, 1, t));
            if (!field_.reverse) Box(field_.x, field_.y, w, h, t);
        } else if (name == "GD") {
            const auto p = SplitParams(rest);
            const int w = Param(p, 0, 1), h = Param(p, 1, 1), t = std::max(1, Param(p, 2, 1));
            const bool leansLeft = p.size() > 4 && p[4] == "L";
            painter_.setPen(QPen(Qt::black, t));
            if (leansLeft) painter_.drawLine(field_.x, field_.y, field_.x + w, field_.y + h);
            else painter_.drawLine(field_.x, field_.y + h, field_.x + w, field_.y);
            painter_.setPen(Qt::NoPen);
        } else if (name == "GF") {
            Graphic(rest);
        } else if (name == "FS") {
            EndField();
        }
    }

    void Box(int x, int y, int w, int h, int t) {
        if (w <= t || h <= t) {
            painter_.drawRect(x, y, w, h);
            return;
        }
        painter_.drawRect(x, y, w, t);
        painter_.drawRect(x, y + h - t, w, t);
        painter_.drawRect(x, y, t, h);
        painter_.drawRect(x + w - t, y, t, h);
    }

    // "A,<bytes>,<bytes>,<bytes per row>,<hex data>": rows of bits, 1 black.
    void Graphic(const std::string& rest) {
        const auto p = SplitParams(rest);
        if (p.size() < 5) return;
        const int total = Param(p, 1, 0);
        const int perRow = Param(p, 3, 0);
        if (perRow <= 0 || total <= 0) return;
        const std::string& hex = p[4];
        const int rows = total / perRow;
        for (int r = 0; r < rows; ++r) {
            for (int b = 0; b < perRow; ++b) {
                const size_t at = 2 * (static_cast<size_t>(r) * static_cast<size_t>(perRow) + static_cast<size_t>(b));
                if (at + 1 >= hex.size()) return;
                const int hi = HexDigit(hex[at]), lo = HexDigit(hex[at + 1]);
                if (hi < 0 || lo < 0) return;
                const int byte = hi * 16 + lo;
                for (int bit = 0; bit < 8; ++bit)
                    if (byte & (0x80 >> bit)) painter_.drawRect(field_.x + b * 8 + bit, field_.y + r, 1, 1);
            }
        }
    }

    void EndField() {
        const std::string data = field_.hex ? Unescape(field_.data) : field_.data;
        if (field_.barcode) Barcode(data);
        else if (field_.text && !field_.reverse) Text(data);
        field_ = Field{};
    }

    void Text(const std::string& data) {
        QFont font(QStringLiteral("Sans"));
        font.setPixelSize(std::max(4, field_.fontHeight * 4 / 5));
        painter_.save();
        painter_.setFont(font);
        painter_.setPen(Qt::black);
        painter_.translate(field_.x, field_.y);
        if (field_.orientation == 'R') {
            painter_.translate(field_.fontHeight, 0);
            painter_.rotate(90);
        }
        painter_.drawText(QRect(0, 0, 4000, field_.fontHeight), Qt::AlignLeft | Qt::AlignVCenter,
                          QString::fromLatin1(data.c_str()));
        painter_.restore();
    }

    // Bars across the field, a pattern taken from the data; "R" turns the symbol a quarter.
    void Barcode(const std::string& data) {
        const int modules = BarcodeModules(field_.barcodeKind, data.size(), ratio_);
        const int length = modules * narrow_;
        const int height = field_.barcodeHeight;
        unsigned seed = 2166136261u;
        for (char ch : data) seed = (seed ^ static_cast<unsigned char>(ch)) * 16777619u;
        int pos = 0;
        bool black = true;
        while (pos < length) {
            seed = seed * 1103515245u + 12345u;
            const int w = narrow_ * (1 + static_cast<int>((seed >> 16) % 3));
            const int run = std::min(w, length - pos);
            if (black) {
                if (field_.orientation == 'R') painter_.drawRect(field_.x, field_.y + pos, height, run);
                else painter_.drawRect(field_.x + pos, field_.y, run, height);
            }
            black = !black;
            pos += run;
        }
    }

    QPainter painter_;
    Field field_;
    char defaultOrientation_ = 'N';
    int narrow_ = 2;
    double ratio_ = 3.0;
};

} // namespace

QImage RenderZpl(const std::string& zpl, int width, int height) {
    QImage image(std::max(1, width), std::max(1, height), QImage::Format_RGB32);
    image.fill(Qt::white);
    Renderer renderer(image);
    renderer.Run(zpl);
    return image;
}

} // namespace labelprint::wizard
