#pragma once
// Ink of a ZPL II label as a printer lays it down, measured from the label text alone (no
// knowledge of how the composer placed anything): one box per field, in printer dots.
#include <string>
#include <vector>

namespace lptest {

struct Box {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0; // [x0, x1) x [y0, y1)
    bool Empty() const { return x1 <= x0 || y1 <= y0; }
    bool Intersects(const Box& o) const {
        return !Empty() && !o.Empty() && x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1;
    }
    bool Inside(const Box& o) const { return x0 >= o.x0 && y0 >= o.y0 && x1 <= o.x1 && y1 <= o.y1; }
};

enum class InkKind { Text, Barcode, Line, Diagonal, Graphic };

struct Ink {
    InkKind kind = InkKind::Text;
    Box box;           // the field's ink
    Box quietZone;     // barcodes: the bars and the quiet zones the symbology asks before and
                       // after them (EAN-13 11 and 7 modules, EAN-8 7 and 7, others 10 and 10)
    std::string text;  // text or barcode data, decoded
    char symbology = 0; // barcodes: the letter of the ^B command ('E' EAN-13, '3' Code 39, ...)
    int symbolLength = 0; // barcodes: the bars' length along the symbol, in dots
    std::string Describe() const;
};

// Every field of the label with ink. Texts take their font's character cell per character;
// barcodes take their bars along the symbol (a wide bar on the next whole dot of the ratio
// times the narrow bar), and the bar height plus the interpretation line across it; ^GB and ^GD their box
// (at least the line thickness); ^GFA the bounding box of its black pixels.
std::vector<Ink> MeasureInk(const std::string& zpl);

// The lines of a label laid down in order on a width x height raster: ^GB frames of their
// thickness, ^GD diagonals, and ^FR fields reversing what lies under them. Then the sides
// (^GB lines with one zero extent, ^GD diagonals drawn without ^FR) whose ink did not survive.
std::vector<std::string> LostSides(const std::string& zpl, int width, int height);

} // namespace lptest
