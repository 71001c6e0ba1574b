// The wizard's rules without the toolkit.
#include "wizard_logic.h"

#include <algorithm>
#include <memory>

#include "labelprint/composer.h"
#include "labelprint/layout.h"
#include "platform/text.h"

namespace labelprint::wizard {

std::string FormatLength(double mm) {
    std::string text = plat::StrFormatC("%.6f", mm);
    const size_t dot = text.find('.');
    if (dot != std::string::npos) {
        size_t end = text.find_last_not_of('0');
        if (end == dot) --end;
        text.resize(end + 1);
    }
    return text == "-0" ? "0" : text;
}

LengthError ReadLength(const std::string& text, const std::string& shown, double stored, double& out) {
    if (text == shown) {
        out = stored;
        return LengthError::None;
    }
    double value = 0.0;
    if (!plat::ParseDouble(text, value)) return LengthError::NotNumber;
    if (value < 0.0) return LengthError::Negative;
    out = value == 0.0 ? 0.0 : value; // "-0" is 0
    return LengthError::None;
}

LabelSizeError CheckLabelSize(double width, double height, bool upright) {
    // Across the printer lies the label's height under rotated print, its width upright.
    if ((upright ? width : height) > kPrintWidthMm) return upright ? LabelSizeError::WidthAcross : LabelSizeError::HeightAcross;
    if ((upright ? height : width) > kLabelLengthMaxMm) return upright ? LabelSizeError::HeightAlong : LabelSizeError::WidthAlong;
    return LabelSizeError::None;
}

bool SetColumns(Grid& grid, int columns) {
    const bool changed = grid.columns != columns;
    grid.columns = columns;
    if (columns == 1) grid.header = false;
    return changed;
}

int LeftButtonLine(const Grid& grid, int row) { return grid.columns == 2 ? 2 * row : row; }

int RightButtonLine(const Grid& grid, int row) {
    return grid.columns == 1 || grid.header ? row : 2 * row + 1;
}

Cell CellOfLine(const Grid& grid, int line) {
    if (grid.header) return {line, true};
    if (grid.columns == 2) return {line / 2, line % 2 == 1};
    return {line, false};
}

PreviewSource PreviewCell(const Grid& grid, int row, int column) {
    if (row < 0 || row >= grid.rows || row >= kPreviewRows || column < 0 || column >= grid.columns) return {};
    if (grid.header) return {column == 0 ? PreviewSource::Header : PreviewSource::Label, row};
    if (grid.columns == 2) return {PreviewSource::Label, 2 * row + column};
    return {PreviewSource::Label, row};
}

void PrepareLabelLines(MListaRighe& lines, const std::vector<std::string>& fieldNames) {
    for (int i = 0; i < lines.Count() && i < MListaRighe::kSlots; ++i) {
        MRiga* line = lines.Line(i);
        if (!line) continue;
        line->fieldId = lines.ids[i];
        const int id = line->fieldId;
        if (id >= 0 && static_cast<size_t>(id) < fieldNames.size()) line->style.text = fieldNames[static_cast<size_t>(id)];
    }
}

void ApplyEditorOk(const Grid& grid, const std::vector<std::string>& headerTexts, MListaRighe& labels,
                   MListaRighe& headers) {
    if (!grid.header) return;
    for (int i = 0; i < MListaRighe::kHeaderLines; ++i) {
        const std::string text = static_cast<size_t>(i) < headerTexts.size() ? headerTexts[static_cast<size_t>(i)] : "";
        while (headers.Count() <= i) headers.lines.push_back(nullptr);
        auto& line = headers.lines[static_cast<size_t>(i)];
        if (!line) line = std::make_unique<MRiga>(-1, false, "");
        // A line that does not print showed an empty edit: left so, it keeps its text.
        const bool prints = i < grid.rows;
        if (prints || text != ShownText(headers, i)) line->style.text = text;
        line->printFlag = prints;
    }
    if (grid.columns != 2) return;
    for (int i = grid.rows; i <= 8 && i < labels.Count(); ++i) {
        if (MRiga* line = labels.Line(i)) {
            line->fieldId = -1;
            line->style.text.clear();
        }
    }
}

std::string ShownText(const MListaRighe& lines, int line) {
    const MRiga* l = lines.Line(line);
    return l && l->printFlag ? l->style.text : std::string();
}

namespace {

// The field a label line prints, as the program reads it: the list's field id of the line.
int FieldOfLine(const MListaRighe& lines, int i) { return i >= 0 && i < MListaRighe::kSlots ? lines.ids[i] : -1; }

// Field 0 of the names the program offers is its "none" field: like a line without a field,
// its line prints nothing.
bool PrintsField(int id, const std::vector<std::string>& names) {
    return id >= 1 && static_cast<size_t>(id) < names.size();
}

int WholeMm(double v) { return std::clamp(plat::TruncToInt32(v), -10000, 10000); }

// Texts of the label left without a place with these margins; a margin that takes half of
// the label counts as leaving them all out.
int TextsLeftOut(const MConfigura& cfg, const std::string& drawing, int leftMm, int topMm) {
    constexpr int kAll = 1 << 20;
    // The left margin is kept on both sides of the label's height, the top margin along its
    // width (in both orientations); one that takes half of them leaves nothing.
    if (2 * leftMm >= WholeMm(cfg.labelHeight) || 2 * topMm >= WholeMm(cfg.labelWidth)) return kAll;
    MConfigura c;
    c.CopyFrom(cfg);
    c.marginLeft = leftMm;
    c.marginTop = topMm;
    MDlgMainCutHelp composer;
    composer.ComposeZpl(SampleJob(c, drawing), &c);
    return composer.TextsLeftOut();
}

} // namespace

LabelJob SampleJob(const MConfigura& cfg, const std::string& drawing) {
    LabelJob job;
    // Sample data every barcode kind prints as it is: EAN-8 its 7 digits, Interleaved 2 of 5
    // an even count of digits, the others an EAN-13 with its check digit.
    job.barcodeText = cfg.barcodeKind == 3 ? "1234567" : cfg.barcodeKind == 4 ? "12345678" : "8001234567897";
    job.dxfFile = drawing;
    // As the program hands them over: a line without a field keeps its place as a blank up
    // to the last line with one.
    int last = -1;
    for (int i = 0; i < MListaRighe::kLabelLines; ++i)
        if (PrintsField(FieldOfLine(cfg.labelLines, i), cfg.fieldNames)) last = i;
    for (int i = 0; i <= last; ++i) {
        const int id = FieldOfLine(cfg.labelLines, i);
        job.values.push_back(PrintsField(id, cfg.fieldNames) ? cfg.fieldNames[static_cast<size_t>(id)] : std::string(" "));
    }
    return job;
}

TextRoom CheckTextRoom(const MConfigura& cfg, const std::string& drawing) {
    const int left = std::max(WholeMm(cfg.marginLeft), 0), top = std::max(WholeMm(cfg.marginTop), 0);
    const int lost = TextsLeftOut(cfg, drawing, left, top);
    if (lost == 0) return {};
    // A margin takes the room of a text when without it fewer texts are lost: its limit is the
    // largest margin below the one given that loses no more than none would, the other margin
    // as it is.
    const int withoutLeft = TextsLeftOut(cfg, drawing, 0, top);
    if (withoutLeft < lost)
        for (int v = std::min(left - 1, WholeMm(cfg.labelHeight) / 2); v >= 0; --v)
            if (TextsLeftOut(cfg, drawing, v, top) <= withoutLeft) return {TextRoom::Left, v};
    const int withoutTop = TextsLeftOut(cfg, drawing, left, 0);
    if (withoutTop < lost)
        for (int v = std::min(top - 1, WholeMm(cfg.labelWidth) / 2); v >= 0; --v)
            if (TextsLeftOut(cfg, drawing, left, v) <= withoutTop) return {TextRoom::Top, v};
    return {TextRoom::Texts, 0};
}

} // namespace labelprint::wizard
