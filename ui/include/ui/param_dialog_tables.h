#pragma once
// The twelve machine-parameter dialogs described as data: which parameter group each edits,
// its title, the choice lists of its choice rows, the rows it hides or shows by machine
// variant, the input filter of each number row and its extras. One generic dialog
// (CParamBaseDialog) is built from a table; no dialog lays out its rows by hand.
#include <vector>

#include "machine/params.h"

namespace ui {

// Variant masks, the bits of ParamDef::variantMask.
inline constexpr int kV0 = kMaskVariant0;
inline constexpr int kV1 = kMaskVariant1;
inline constexpr int kV2 = kMaskVariant2;
inline constexpr int kVAll = kV0 | kV1 | kV2;

// The mask bit of a machine variant (0 for a variant outside 0..2).
int VariantBit(int variant);

// Input filter of a number row while typing.
enum class ParamFilter { None, Real, RealMinus, Integer };

// One entry of a choice list: a message key, or a literal text; offered on these variants.
struct ChoiceEntry {
    const char* text;
    bool literal = false;
    int variants = kVAll;
};

struct ChoiceList {
    const char* key; // the row's configuration key
    std::vector<ChoiceEntry> entries;
};

// Machine options a row may need (MachineSettings::options).
enum class ParamOption { None, BarrSx, MorseSupp };

// A row shown only on some variants. Hidden, a choice row takes forcedChoice (when >= 0) after
// loading, and on the variants of clearOn the row's settings field becomes 0.
struct RowRule {
    const char* key;
    int shownOn;                              // variants on which the row is shown
    ParamOption option = ParamOption::None;   // also needed on the variants of optionOn
    int optionOn = 0;
    int forcedChoice = -1;
    int clearOn = 0;
};

struct FilterRule {
    const char* key;
    ParamFilter filter;
    int variants = kVAll; // filtered only on these variants
};

struct LabelRule {
    const char* key;
    int variants;
    const char* labelKey;
};

// A picture drawn in a static control: bitmap number, control id, source size.
struct PictureSpec {
    int bitmap = 0;
    int controlId = 0;
    int width = 0;
    int height = 0;
};

enum class ChangeFlag { Config, Param };

struct ParamDialogSpec {
    const char* className;
    int templateId;
    int group;
    const char* titleKey;
    const char* titleKeyVariant2; // null: the same title on every variant
    int command;
    ChangeFlag flag;
    ParamFilter defaultFilter;    // number rows without a filter rule
    std::vector<FilterRule> filters;
    std::vector<ChoiceList> choices;
    std::vector<RowRule> rows;
    std::vector<LabelRule> labels;
    PictureSpec picture;
    bool positionBoxes = false;   // the enable boxes of the ralla positions T5 to T8
};

// Indices into ParamDialogSpecs().
enum ParamDialogIndex {
    kConfFresa1,
    kConfFresa2,
    kConfTronca,
    kConfTronca2,
    kConfLama,
    kConfMorsa,
    kConfExtractor,
    kConfOffsetRalla,
    kConfOffsetRalla2,
    kConfLink,
    kParFresa,
    kParTronca,
    kParamDialogCount,
};

const std::vector<ParamDialogSpec>& ParamDialogSpecs();
// The dialog of a main-window command, null for any other command.
const ParamDialogSpec* ParamDialogForCommand(int command);

// What a dialog decides about one row on a variant.
struct RowLayout {
    bool hidden = false;
    bool disabled = false;     // the row's variant mask lacks the variant
    int forcedChoice = -1;
    bool clearSetting = false; // the row's settings field becomes 0
    const char* labelKey = nullptr;
    ParamFilter filter = ParamFilter::None;
};
RowLayout DecideRow(const ParamDialogSpec& spec, const ParamDef& row, int variant, int barrSx, int morseSupp);
// The texts offered by a choice row on a variant, in order (message keys unless literal).
std::vector<ChoiceEntry> ChoicesOf(const ParamDialogSpec& spec, const char* key, int variant);

} // namespace ui
