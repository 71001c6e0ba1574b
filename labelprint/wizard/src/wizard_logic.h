#pragma once
// The wizard's rules without the toolkit: length entries, the editor's cell-to-line mapping,
// the preview grid and the editor's OK.
#include <string>
#include <vector>

#include "labelprint/composer.h"

class MConfigura;
class MListaRighe;

namespace labelprint::wizard {

// ---- lengths of page 1 (label size and margins, mm) ----

// The stored length as shown: as many decimals as it has, up to the six the file keeps
// ("40.6", "70", "2.25").
std::string FormatLength(double mm);

enum class LengthError { None, NotNumber, Negative };

// Reads a length entry back. An entry still showing `shown` keeps `stored` exactly, so a page
// passed through unchanged writes back the same value.
LengthError ReadLength(const std::string& text, const std::string& shown, double stored, double& out);

// What the printer can print: 104 mm across (832 dots), and along the printer the longest
// label ZPL II describes (32000 dots at 8 dots per mm).
inline constexpr double kPrintWidthMm = 104.0;
inline constexpr double kLabelLengthMaxMm = 4000.0;

// Which length of the label the printer cannot print (the page names that entry).
enum class LabelSizeError { None, WidthAcross, HeightAcross, WidthAlong, HeightAlong };
LabelSizeError CheckLabelSize(double width, double height, bool upright);

// ---- text grid of the label editor and the preview ----

struct Grid {
    int columns = 2; // 1 or 2
    int rows = 7;    // 1 to 9
    bool header = false; // the left column shows the header list
};

// Column count chosen in the editor; one column clears the header column. True when the
// count changed.
bool SetColumns(Grid& grid, int columns);

// Label line opened by the "..." button of the left or right cell of a row.
int LeftButtonLine(const Grid& grid, int row);
int RightButtonLine(const Grid& grid, int row);

// Editor cell that shows a label line.
struct Cell {
    int row;
    bool right;
};
Cell CellOfLine(const Grid& grid, int line);

// What a preview cell of page 3 shows (row from 0, column 0 or 1).
struct PreviewSource {
    enum List { None, Label, Header } list = None;
    int line = -1;
};
inline constexpr int kPreviewRows = 7;
PreviewSource PreviewCell(const Grid& grid, int row, int column);

// ---- working lines ----

// Working label lines: each line takes its list's field id (the one the program reads, which
// a layout file without the line's own keys holds alone), and a line whose field id names an
// offered field takes that field's name as its text.
void PrepareLabelLines(MListaRighe& lines, const std::vector<std::string>& fieldNames);

// The editor's OK: with the header column, header line i takes header text i (a line that
// does not print, and showed its empty edit unchanged, keeps its text) and prints when i is
// below the row count; with the header column and two columns, label lines from the row
// count to line 8 lose their field.
void ApplyEditorOk(const Grid& grid, const std::vector<std::string>& headerTexts, MListaRighe& labels,
                   MListaRighe& headers);

// The line a cell or header edit shows: its text when it prints (or the slot is empty).
std::string ShownText(const MListaRighe& lines, int line);

// ---- the label as the program prints it ----

// The label job the program hands the library for a piece of this layout: the barcode text
// (sample data the barcode kind encodes), the piece's profile drawing (drawing, when given)
// and the other parameters empty, so no barcode switch, no work tag and no picture; each
// label line holds the name of the field it prints, or a blank where it prints none.
LabelJob SampleJob(const MConfigura& cfg, const std::string& drawing);

// Whether the texts of a layout find room on its label, and if not which margin takes their
// room: the whole millimetres it may take at most (the composer counts whole ones), or no
// margin is the cause (Texts: too many rows or too large texts for the label).
struct TextRoom {
    enum Kind { Fits, Left, Top, Texts } kind = Fits;
    int limitMm = 0;
};
TextRoom CheckTextRoom(const MConfigura& cfg, const std::string& drawing);

} // namespace labelprint::wizard
