#pragma once
// Structural checker of ZPL II labels for the tests: ^XA/^XZ balanced and not nested, every
// ^FO closed by ^FS before the next field or the label's end, ^GFA sizes consistent with its
// data, field origins inside the 832-dot print width and not above the label.
#include <cstdint>
#include <string>
#include <vector>

namespace lptest {

// Problems found, empty when the text is well formed.
std::vector<std::string> CheckZpl(const std::string& zpl);

struct Graphic {
    int x = 0;
    int y = 0;
    int bytesPerRow = 0;
    int rows = 0;
    std::vector<uint8_t> bytes;
    bool Black(int px, int row) const {
        return (bytes[size_t(row) * size_t(bytesPerRow) + size_t(px / 8)] >> (7 - px % 8)) & 1;
    }
};
// Every ^GFA field of the text, decoded.
std::vector<Graphic> DecodeGraphics(const std::string& zpl);

} // namespace lptest
