#pragma once
// The twelve machine-parameter groups: one constant table of ParamDef rows per group. The
// tables drive the loading of the parameters into MachineSettings, their range check and the
// table-driven parameter dialogs. Ten groups live in "PARAM.PAR" section PARAM; the two groups
// of ralla tool offsets (5 and 7) in "CONFIG.PAR" section RALLA, or DECRALLA with the option
// word "DECENTR".
#include <cstddef>
#include <string>
#include <cstdint>

class MachineSettings;

inline constexpr int kParamNumber = 0; // a number, range-checked when CK_LIMITS is on
inline constexpr int kParamChoice = 1; // the index of a choice from a list

// Variant mask bits: variant 0, variant 1, variant 2 (bit value 2 belongs to no variant).
inline constexpr int kMaskVariant0 = 1;
inline constexpr int kMaskVariant1 = 8;
inline constexpr int kMaskVariant2 = 4;

inline constexpr const char* kParamNoDefault = "??"; // a missing key fails the syntax check
inline constexpr int kParamMaxRows = 30;
inline constexpr int kParamGroupCount = 12;
inline constexpr std::size_t kParamTextSize = 50; // texts read by the loaders: 49 characters

struct ParamDef {
    const char* key;           // configuration key
    int kind;                  // kParamNumber or kParamChoice
    int minimum;               // limits of a number, in the unit shown; unused for choices
    int maximum;
    const char* labelKey;      // message key of the label
    const char* unitKeyMetric; // message keys of the unit shown, or null
    const char* unitKeyInch;
    const char* defaultText;   // used when the key is missing; "??" for none
    int id;                    // identifier within the group; negative ends the table
    int variantMask;           // kMaskVariant0 | kMaskVariant1 | kMaskVariant2
};

extern const ParamDef g_paramGroup1[];  // milling
extern const ParamDef g_paramGroup2[];  // cut-off and clamp
extern const ParamDef g_paramGroup3[];  // axes and spindles
extern const ParamDef g_paramGroup4[];  // loading and unloading
extern const ParamDef g_paramGroup5[];  // ralla tool offsets T1..T4
extern const ParamDef g_paramGroup6[];  // links
extern const ParamDef g_paramGroup7[];  // ralla tool offsets T5..T8
extern const ParamDef g_paramGroup8[];  // blade corrections
extern const ParamDef g_paramGroup9[];  // blade and its head
extern const ParamDef g_paramGroup10[]; // vices
extern const ParamDef g_paramGroup11[]; // support vices
extern const ParamDef g_paramGroup12[]; // extractor

// The table of group 1..12, null for any other number.
const ParamDef* ParamTable(int group);
// The number of the group's title in the interface message table (Message by number); 0 for
// an unknown group.
int ParamGroupTitle(int group);
// Whether the row belongs to the variant (0, 1, 2).
bool ParamRowInVariant(const ParamDef& row, int variant);

// The file a group's rows are stored in: "CONFIG.PAR" for groups 5 and 7, else "PARAM.PAR".
const char* ParamGroupFile(int group);
// Rows before the first negative identifier, at most 30.
int CountParamRows(const ParamDef* table);
// The row's text from its group's file and section, the row's default when missing. row is
// the row's position in the table. Returns false (buffer emptied) for an unknown group or row.
bool ReadParamText(int group, int row, char* buffer, std::size_t size);
// Writes the text to the row's key in the group's file and section; any other group or row
// writes nothing.
bool WriteParamText(int group, int row, const char* text);

// Result codes of ParseParamValue.
inline constexpr int kParamOk = 0;
inline constexpr int kParamSyntaxError = 1;
inline constexpr int kParamLimitError = 2;
// Reads text as one decimal number (leading blanks, a sign, a decimal point and an exponent
// allowed; a final line feed may follow). With CK_LIMITS on, a number row must lie within its
// limits. 0 valid (value stored into *out when given), 1 syntax error, 2 out of range; on a
// failure g_errorText holds "%s->%s\n%s" of the group title, the label and the error text, or
// "%s\n%s" without a title (titleNumber negative); a value out of range also names the range.
int ParseParamValue(const MachineSettings& s, const char* text, const ParamDef& row, double* out,
                    int titleNumber);

// The allowed range of a number row in the unit shown, as the refusals name it: the text of
// LIMIT_RANGE, the two limits and the unit ("Allowed range: -9999 .. 9999 mm"); a length row
// in inch mode gives its limits in inches with four decimals.
std::string ParamRangeText(const ParamDef& row);
// The values the settings field of a number row can hold, in the row's unit (whole units, the
// same both ways); false for a row kept as text only. With CK_LIMITS 0 this is all that
// bounds a typed value.
bool ParamFieldBounds(const char* key, double* minimum, double* maximum);

// A refused row: g_errorText holds the label, a line break, the text of errorKey (error
// table) and the range (ParamRangeText). A whole-number row given a value with a fraction is
// refused with WHOLE_NUMBER_ERROR.
void SetParamRowRefusal(const ParamDef& row, const char* errorKey);
void SetParamWholeNumberError(const ParamDef& row);

// Group loaders: 0, or 1 at the first row that fails (the message in g_errorText). Group 6 is
// loaded by MachineSettings::LoadPortParameters.
int LoadParamGroup1(MachineSettings& s);
int LoadParamGroup2(MachineSettings& s);
int LoadParamGroup3(MachineSettings& s);
int LoadParamGroup4(MachineSettings& s);
int LoadParamGroup5(MachineSettings& s);
int LoadParamGroup7(MachineSettings& s);
int LoadParamGroup8(MachineSettings& s);
int LoadParamGroup9(MachineSettings& s);
int LoadParamGroup10(MachineSettings& s);
int LoadParamGroup11(MachineSettings& s);
int LoadParamGroup12(MachineSettings& s);

// Groups 1 and 2 with the loading-type and cut-mode fix-ups: 0, or 1 (g_errorText).
int LoadBaseParameters(MachineSettings& s);
// Every other group, the ports, the label layout and the derived travel limits: 0, or 1 at the
// first failure that counts for the machine variant (g_errorText).
int LoadAllParameters(MachineSettings& s);
// The X, Y and Z travel limits from the travel parameters and the ralla offset extremes.
void ComputeTravelLimits(MachineSettings& s);

// CK_TOOL when LASER_CK_TOOL is set, else 0.
int IsToolCheckOn(const MachineSettings& s);
int GetRifBarrCh(const MachineSettings& s);
// SCARTO_CODA in thousandths.
int32_t GetMachineTailScrap(const MachineSettings& s);
