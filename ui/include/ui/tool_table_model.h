#pragma once
// The tool table dialogs without a window: the dialog's copy of "TOOLS.TXT" (a ToolTable of
// the machine layer), finding a tool by name, taking a slot, the checks of a tool name and of
// the table on OK, the cells of the tool data (shared by the data panel and the edit dialog)
// with their labels by kind, the texts they show in the display unit and the read-back of a
// typed text.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "machine/tool_table.h"

namespace ui {

// The password of the tool table in office mode (both levels of the prompt).
inline constexpr char kToolPassword[] = "KRVTPLD";

inline constexpr int kToolKindCount = 5;
// The name key of a kind (S_FRESA .. S_MASCHIO); "" outside 0..4.
const char* ToolKindKey(int kind);

// The first slot in use whose name equals name ignoring case; -1 when none.
int FindToolByName(const ToolTable& table, std::string_view name);
int CountToolsInUse(const ToolTable& table);
// The first free slot of the used part, else a new slot at the end (the table growing by 20
// records when full): its index, or -1 when memory runs out. The slot is left as it was.
int TakeToolSlot(ToolTable& table);

enum class ToolNameCheck {
    Ok,
    InUse,   // a tool of the table, or one of the two blade records, has this name
    Invalid, // a blank in the name, or "0" (the name of "no tool")
};
// The check of a name typed for a new, copied or renamed tool. A blade name counts as in use:
// a tool of that name would be taken for the blade's record when the file is read again.
ToolNameCheck CheckToolName(const ToolTable& table, std::string_view name);

// The first tool in use whose values break their limits (message in g_errorText), -1 when
// every tool passes. Free slots (deleted tools, blade records) are not looked at.
int FirstToolOverLimits(const ToolTable& table);

// Whether two records hold the same values, field for field and bit for bit.
bool SameToolRecord(const ToolFileRecord& a, const ToolFileRecord& b);

// The rows of the data panel (top, middle, bottom) and the diameter each shows (1..3; 0 an
// empty row): the diameters above 0, 3 before 2 before 1, fill the rows from the bottom.
std::array<int, 3> DiameterRows(const ToolFileRecord& tool);

// The cells of one tool's data, in the order they are laid out (two per line; the cells with
// the long units stand in the first column).
enum ToolCell : int {
    kCellKind, kCellSpeed, kCellFeed, kCellSecond, kCellCoolant, kCellShank,
    kCellDiam1, kCellLen1, kCellDiam2, kCellLen2, kCellDiam3, kCellLen3,
    kCellHolderDiam, kCellHolderLen, kCellHolderDiam2, kCellHolderLen2, kCellTotal,
    kToolCellCount
};

enum class CellValue { Kind, Integer, Real, Length, Second };

struct ToolCellDef {
    const char* labelKey;  // null: the label follows the kind (feed and second value)
    const char* unitKey;   // null: the display unit; "": no unit
    CellValue value;
};
const ToolCellDef& ToolCellOf(int cell);

// Labels and units of the feed and the second value of a kind; a null unit is the display unit.
struct ToolKindLabels {
    const char* feedLabel;
    const char* feedUnit;
    const char* secondLabel;
    const char* secondUnit;
};
ToolKindLabels LabelsForKind(int kind);
// The label and unit keys of a cell for a kind (unit null: the display unit).
const char* CellLabelKey(int cell, int kind);
const char* CellUnitKey(int cell, int kind);

// The text of a cell's value: the kind's name key for the kind cell, "%d" for coolant and
// speed, "%g" for the feed (and the second value of kinds other than 3), lengths in the display
// unit ("%{X}").
std::string CellText(const ToolFileRecord& tool, int cell);

// The value of a tool (the shared table of ranges) that a cell shows.
ToolField CellField(int cell);

// The refusal of the typed text of a cell for a tool of the kind: the cell's label, the
// reason (T_INCOMPLETA for an empty cell, SYNTAX_ERROR, WHOLE_NUMBER_ERROR, LIMIT_ERROR) and
// the range of the cell (ToolFieldLimit) in the unit shown; a minus is refused where the range
// has no negative. Empty when the text is taken, or left as shown (shownKind the kind the
// texts were shown for).
std::string CellRefusal(int cell, int kind, const std::string& typed, const std::string& shown, int shownKind);

// Reads the typed text of a cell back into tool (the kind cell is not read here). A text that
// equals shown, the text the cell was given, keeps the value as it was, so a length shown
// rounded in the display unit is not changed by looking at it. False when the text holds no
// number (the field counts as empty).
bool ReadCellText(ToolFileRecord& tool, int cell, const std::string& typed, const std::string& shown,
                  int shownKind);

} // namespace ui
