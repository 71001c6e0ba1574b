#pragma once
// The per-profile parameter sets without any window: the description of a set's values (one
// row per key, shared by the sets dialog, the edit dialog, the copy and the default set), the
// series and code lists of the ".CP" files, the default set, the copy of a set, and the import
// of profile descriptions from the CAM program's "DEFPRO.TXT".
#include <cstdint>
#include <string>
#include <vector>

class MachineSettings;

namespace ui {

// How a value is stored and shown.
enum class SetValueKind {
    Length,     // millimetres as text, shown in the display unit
    Angle,      // degrees as text, never converted (the clamp rotation)
    Text,       // text as typed (feed, label count)
    Index,      // combo box: the item index
    IndexPlus1, // combo box: the item index plus 1
    Check,      // check box: 0 or 1
};

// One value of a profile set.
struct ProfileSetField {
    const char* key;
    int controlId;              // value control of both dialogs ("id_<n>")
    SetValueKind kind;
    unsigned variants;          // bit v: shown on machine variant v
    const char* labelKey;
    const char* labelKeyAlt;    // label on variant altVariant (null: none)
    int altVariant;
    const char* errorKey;       // syntax check on OK (null: none)
    bool machineFallback;       // "-1" (an empty entry) reads as the machine's parameter
    // The stored value (integers as decimal text); the filled keys write the machine's value
    // into the file when they hold none.
    std::string (*read)(const char* series, const char* code, const MachineSettings& s);
    // Writes the value (integers as decimal text) and FLAG 1; a null text removes the key.
    void (*write)(const char* series, const char* code, const char* text);

    bool OnVariant(int variant) const { return (variants & (1u << variant)) != 0; }
    // Written by the edit dialog and copied on this variant: the blade rise goes everywhere,
    // also where it is hidden.
    bool WrittenOn(int variant) const;
    const char* Label(int variant) const;
};

// Every value of a set in the order in which the dialogs show, check, compare and write them.
const std::vector<ProfileSetField>& ProfileSetFields();
const ProfileSetField* FindSetField(const char* key);

// True when the set's own values are in force (FLAG not 0).
bool SetInForce(const char* series, const char* code);
// The value of a key as the engine uses it: the stored value of a set in force; for a set not
// in force the machine's value (or "as the machine") in the store's form, never the store's
// defaults. Both dialogs show, compare and copy these values.
std::string SetFieldValue(const ProfileSetField& field, const char* series, const char* code,
                          const MachineSettings& s);

// Items of the combo boxes of the edit dialog (texts or message keys, see the .cpp).
std::vector<std::string> SetFieldChoices(const ProfileSetField& field, int variant);

// The text the sets dialog shows for a value (display unit for lengths, the choice's text for
// the cut type, blade rise and cut modes); for a check box "0" or "1". previous is kept for a
// cut mode the dialog has no text for.
std::string SetValueDisplayText(const ProfileSetField& field, const char* series, const char* code,
                                const MachineSettings& s, const std::string& previous = std::string());

// Message key of the unit shown beside a value (null: none): lengths in the display unit of
// unitSystem (1 mm, 2 inches), the clamp rotation in degrees, the feed in mm/min.
const char* SetFieldUnitKey(const ProfileSetField& field, int unitSystem);

// The text an entry shows for a stored value (lengths in the display unit, degrees with two
// decimals in either unit, other texts as stored) and the text stored for an entry (lengths
// back to millimetres, everything else as typed).
std::string EntryText(const ProfileSetField& field, const std::string& stored);
std::string StoredText(const ProfileSetField& field, const std::string& entry);

// The range check of a value in its stored form (millimetres, degrees, mm/min): it must fit
// in thousandths, and with CK_LIMITS on lie within the limits of the machine parameter it
// overrides (the profile offsets: those of the ralla tool offsets; the unloading dimension:
// those of the unloading distance). A text that is no number passes (the syntax check refuses it).
bool StoredValueInRange(const ProfileSetField& field, const std::string& stored, const MachineSettings& s);

// A label count takes any whole number from 0 up to what the count holds: no bound of its own.
inline constexpr int32_t kLabelCountMax = INT32_MAX;

// The range a value of the field may take in its stored form (millimetres, degrees, mm/min),
// the one StoredValueInRange checks: with CK_LIMITS on the limits of its machine parameter,
// otherwise what thousandths hold (a field whose parameter takes no minus never takes one).
// False for a field that holds no number (choices, check boxes, the label count).
bool SetFieldLimits(const ProfileSetField& field, const MachineSettings& s, double* minimum, double* maximum);

// The refusal of an entry on OK, empty when it is taken: a text that is no number gives the
// field's own error text; a number out of range the field's label, LIMIT_ERROR and the range
// in the unit shown (unitSystem 1 mm, 2 inches); a label count its whole-number refusal.
std::string SetEntryRefusal(const ProfileSetField& field, const std::string& entry, const MachineSettings& s,
                            int variant, int unitSystem);

// True when a series or code may be used in a path (no separators, "." or "..", drive colon,
// control characters) and is not empty.
bool IsSafeProfileName(const std::string& name);

// Names of the "*.CP" files of the configuration directory, cut at their first "." and sorted
// (ignoring case); names that fail the name check are left out.
std::vector<std::string> ListProfileSeries();

// The codes of a series file: every "[name]" line (lines of at most 100 characters) whose FLAG
// is 0 or more, in file order; hidden counts the sections with a negative FLAG.
struct ProfileCodeList {
    std::vector<std::string> codes;
    int hidden = 0;
};
ProfileCodeList ReadProfileCodes(const std::string& series);

// Removes a listed set. The file goes only when no other section, listed or hidden, is left.
void DeleteListedProfile(const std::string& series, const std::string& code, const ProfileCodeList& list);

// The default set of a new profile (FLAG 1 and every value of the variant); forImport writes
// the vice values of variant 2 as "0" instead of removing them.
void WriteDefaultSet(const char* series, const char* code, const MachineSettings& s, int variant,
                     bool forImport = false);

// Copies every value of the variant as the engine uses it (SetFieldValue) onto the target.
void CopyProfileSet(const char* fromSeries, const char* fromCode, const char* toSeries, const char* toCode,
                    const MachineSettings& s, int variant);

// "<DIR_DXF><series>\<code>.dxf", the drawing of a profile (empty for a name that fails the
// name check; the folder is then DIR_DXF itself), and "<DIR_UTEN>DEFPRO.TXT" (a folder without
// its final backslash gets one).
std::string ProfileDrawingFolder(const MachineSettings& s, const std::string& series);   // "<DIR_DXF><series>"
std::string ProfileDrawingPath(const MachineSettings& s, const std::string& series, const std::string& code);
std::string DefproFilePath(const MachineSettings& s);

// The whole names of a chosen drawing, as a set would be named without the 8-character cut:
// the folder holding it (series) and the file name up to its first "." (code).
struct DrawingNames {
    std::string series;
    std::string code;
};
DrawingNames WholeDrawingNames(const std::string& path);

// Entries of a folder (Windows or native path): the folders (foldersOnly) or the files whose
// name ends with suffix ignoring case; never names beginning with "."; sorted ignoring case.
std::vector<std::string> ListFolderEntries(const std::string& folder, bool foldersOnly, const std::string& suffix);

// text with each "%s" replaced by the next argument (missing ones by nothing) and "%%" by "%";
// every other character, "%" included, is copied as it is. A message text is never a format.
std::string SubstituteTexts(const std::string& text, const std::vector<std::string>& args);

// The description of one profile in "DEFPRO.TXT" (section "<series>_<code>").
struct DefproProfile {
    double alpha = 0, gx = 0, gy = 0;
    int typeCut = 0, heightPiece = 0;
};
// False when the section is missing or has no key.
bool ReadDefproProfile(const std::string& defproFile, const std::string& series, const std::string& code,
                       DefproProfile& out);

// Offsets of a profile from its drawing turned by alpha degrees about its centre: Gx and Gy
// plus the turned drawing's lower-left corner. False (nothing measured) when the drawing
// cannot be read or holds nothing to measure.
bool DefproOffsets(const std::string& drawingPath, const DefproProfile& profile, double& offY, double& offZ);

// The set an imported description gives: the default set of the import with the offsets, the
// cut type (TypeCut 1 -> 1, 2 -> 0, else 2) and the blade rise (HeightPiece 1..4, else 0).
void WriteImportedSet(const char* series, const char* code, const DefproProfile& profile, double offY, double offZ,
                      const MachineSettings& s, int variant);

// One series of the import: every drawing "<dxfDir><series>\*.dxf" whose profile has no set
// (FLAG exactly 0) and is described in the file. written: codes written; skipped: codes
// described but whose drawing could not be measured (nothing written for them).
struct DefproImport {
    std::vector<std::string> written;
    std::vector<std::string> skipped;
};
DefproImport ImportDefproSeries(const std::string& series, const std::string& dxfDir, const std::string& defproFile,
                                const MachineSettings& s, int variant);

} // namespace ui
