#pragma once
// The tool table file "TOOLS.TXT" (path table slot 3) in the file's own form: the table the
// tool dialog edits, its reader and writer, the limit check of one tool, and the two blade
// records of machine variant 1. No user interface here: the dialog uses these as they are.
//
// File layout (single-byte text, CR LF written, CR LF or LF read):
//   "# <header number>" and an empty line;
//   per tool: "* <name> <kind> <cooling> ", "<speed> <feed or pitch> <plunge or percent>",
//   "<diam1> <diam2> <diam3> <shank diam> <tip diam1> <tip diam2>",
//   "<len1> <len2> <len3> <tip len1> <total len> <tip len2>", an empty line (millimetres);
//   on variant 1 the two blade records, named by QBLADE_NAME and SLICERBLADE_NAME.
#include <cstdint>
#include <string>
#include <vector>

inline constexpr int kToolNameSize = 10;       // at most 9 characters and the terminator
inline constexpr int kToolHeaderDefault = 60;  // header number when the file gives none
inline constexpr int kToolTableGrowth = 20;    // the table grows by this many records

// One tool as the file holds it (values in millimetres).
struct ToolFileRecord {
    char name[kToolNameSize] = {};
    int32_t kind = 0;      // 0 milling, 1 boring, 2 countersink, 3 disc, 4 tap
    int32_t cooling = 0;   // 0..999
    float diameter[3] = {};
    float length[3] = {};
    float totalLength = 0;
    float shankDiameter = 0;
    float tipDiameter1 = 0;
    float tipDiameter2 = 0;
    float tipLength1 = 0;
    float tipLength2 = 0;
    int32_t speed = 0;
    float feed = 0;        // feed, or the pitch for kind 4
    float plunge = 0;      // plunge, or the percent reduction for kind 4
    uint8_t inUse = 0;     // 1 a tool record; 0 a free slot or a blade record
};

// The tool dialog's table: records, capacity (grows by 20) and the header number.
struct ToolTable {
    std::vector<ToolFileRecord> records; // size() is the record count
    int capacity = 0;
    int headerNumber = kToolHeaderDefault;

    int Count() const { return static_cast<int>(records.size()); }
    void Clear();
    // The first record not in use; otherwise a new record at the end, the capacity growing
    // by 20. Null when memory runs out. The pointer is valid until the next call.
    ToolFileRecord* GetFreeToolRecord();
};

// 0 when the tool's values are acceptable, the record is a blade record or checkLimits is 0;
// otherwise 1 with "<name>-><field label>\n<limit or consistency text>" in g_errorText.
int CheckToolLimits(const ToolFileRecord& record, int checkLimits);
// The same with the check flag of the ralla tool set (GENERAL CK_LIMITS of the settings when
// there is no set).
int CheckToolLimits(const ToolFileRecord& record);
// That check flag.
int ToolCheckLimitsFlag();

// The range a tool's whole-number value may take: with the limits on (checkLimits not 0) the
// tool limits of CheckToolLimits, coolant 0..999 and speed 1..9999 for a tap (kind 4), else
// 0..99999; with them off, 0 to the largest value the record holds.
struct ToolValueRange {
    int32_t minimum;
    int32_t maximum;
};
ToolValueRange ToolCoolantRange(int checkLimits);
ToolValueRange ToolSpeedRange(int kind, int checkLimits);

// The values of one tool, each with the range it may take: the one table read by
// CheckToolLimits, by the tool edit window when it refuses a typed value, and by the list of
// the program's numeric fields.
enum class ToolField {
    Cooling, Speed, Feed, Second, Diam1, Len1, Diam2, Len2, Diam3, Len3, Shank, TipDiam1, TipDiam2, TipLen1,
    TipLen2, Total,
    Count
};
struct ToolLimit {
    const char* labelKey;      // the label the tool edit window shows beside the value
    const char* checkLabelKey; // the label CheckToolLimits names
    double minimum;            // millimetres for a length
    double maximum;
    bool aboveMinimum;         // the minimum itself is refused ("above 0")
    bool whole;                // a whole number (speed, cooling)
    bool length;               // millimetres, shown in the display unit
    const char* unitKey;       // unit of a value that is no length; null for none
    bool TakesMinus() const { return minimum < 0; }
    bool Holds(double v) const { return (aboveMinimum ? v > minimum : v >= minimum) && v <= maximum; }
};
// The range of a value for a tool of the kind. With the limits off (checkLimits 0) a value
// keeps only its sign rule and what the record holds: whole numbers 0 .. 2147483647,
// decimals 0 (or -999999 where a minus is taken) .. 999999, no value refused for being 0.
ToolLimit ToolFieldLimit(ToolField field, int kind, int checkLimits);
double ToolFieldValue(const ToolFileRecord& record, ToolField field);
// "<LIMIT_RANGE> low .. high unit", or "<LIMIT_ABOVE> low <LIMIT_AT_MOST> high unit" when the
// minimum is refused; lengths in the display unit.
std::string ToolLimitText(const ToolLimit& limit);

// True when the name is one of the two blade names of the settings.
bool IsBladeToolName(const char* name);

// Messages of a table that cannot be read: PATH_ERROR and the path on the next line when the
// file is not there, else the read failure naming the file and why (FileFaultText).
// Reads "TOOLS.TXT" into the table: 0, or 1 with the read failure, NO_MEMORY or the refused
// tool name in g_errorText. On failure the table is left empty.
int ReadToolTable(ToolTable& table);
// Writes the header and every record in use, then on machine variant 1 the two blade records
// from the machine parameters; when the last parameter load failed, the blade records the file
// already holds instead, byte for byte (none when it holds none). The file is replaced in one
// step (temporary file + rename); on failure a box titled T_ERRORE names the file and why, and
// the result is 1.
int WriteToolTable(const ToolTable& table, int headerNumber);

// The text of one blade record (five lines, CR LF) with the blade parameters of the settings.
std::string FormatBladeRecord(const char* bladeName, int headerNumber);
// Machine variant 1 at start-up: appends each of the two blade records that the file lacks;
// nothing when the last parameter load failed (the blade values are not known).
// 0 done, 1 with g_errorText naming the file when it is missing or cannot be read or written.
int AppendMissingBladeRecords();

// Parsing of the file shared by both readers (tool_table.cpp). One record as read: the name
// checked (no blanks, at most 9 characters, not "0"), the values in the file's form.
struct ToolFileParse {
    int headerNumber = kToolHeaderDefault;
    std::vector<ToolFileRecord> records; // records in file order, blade records included
    std::string nameError;               // set when a refused name stopped the reading
};
// 0 the whole file was read; 1 the file could not be read (g_errorText as above); 2 reading
// stopped at a refused tool name (out.records holds the records before it, out.nameError the
// message), so callers can still report an earlier record's fault first.
int ParseToolFile(const char* path, ToolFileParse& out);

// The blade values of the two blade records, in millimetres.
struct BladeDimensions {
    double diameter = 0;        // DIAM_LAMA
    double thickness = 0;       // SPESS_LAMA
    double flangeThickness = 0; // SPESS_FLANGIA_LAMA
    double flangeDiameter = 0;  // DIAM_FLANGIA_LAMA
    double armHeight = 0;       // H_BRACCIO
    double armLength = 0;       // L_BRACCIO
};
// Replaces the two blade records of "TOOLS.TXT" with records of these values: every other
// line (the "#" header, every tool before and after the old blade records) is kept byte for
// byte and the two new records follow at the end, QBLADE_NAME first. The file is replaced
// through a temporary file and a rename. 0 done; 1 with g_errorText naming the file when the
// table cannot be read or written, the old table left whole.
int RewriteBladeRecords(const BladeDimensions& blade, int headerNumber);

// A file value (millimetres, as read into a float) in whole units of 1/unitsPerMm: the decimal
// the file holds, to its six significant digits, times unitsPerMm, truncated toward zero. The
// float's own error never costs a unit (0.9 gives 9 tenths, 4.6 gives 4600 thousandths).
int32_t ToolFileUnits(float value, int unitsPerMm);
