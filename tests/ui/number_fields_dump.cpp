// Prints every numeric field the operator types into, with the range it takes, its unit and
// whether it takes a minus, read from the tables the windows and their checks share: the
// machine-parameter rows (with each window's filter), the tool limits, the limits of the
// profile-set fields and the coolant box of the tool table. Run it by hand:
//   build/dev/bin/number_fields_dump
// Columns: window | field (label) | key | variants | range with CK_LIMITS 1 | minus |
// range with CK_LIMITS 0 | minus.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "machine/globals.h"
#include "machine/params.h"
#include "machine/path_table.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/tool_table.h"
#include "msgtable/Dictavo.h"
#include "platform/text.h"
#include "ui/par_prof_logic.h"
#include "ui/param_dialog_tables.h"

namespace fs = std::filesystem;

namespace {

std::string Number(double v) {
    if (v >= 2147483647.0) return "2147483647";
    if (v <= -2147483647.0) return "-2147483647";
    return plat::StrFormatC("%.10g", v);
}

std::string Range(double low, double high, bool above = false) {
    return std::string(above ? "above " : "") + Number(low) + " .. " + Number(high);
}

const char* Text(const char* key) { return key != nullptr ? MsgString(key) : ""; }

void Row(const std::string& window, const char* labelKey, const std::string& key, const std::string& variants,
         const char* unitKey, const std::string& on, bool minusOn, const std::string& off, bool minusOff) {
    std::printf("| %s | %s | %s | %s | %s | %s | %s | %s | %s |\n", window.c_str(), Text(labelKey), key.c_str(),
                variants.c_str(), on.c_str(), minusOn ? "yes" : "no", off.c_str(), minusOff ? "yes" : "no",
                Text(unitKey));
}

std::string Variants(unsigned bits) {
    std::string v;
    for (int i = 0; i < 3; ++i)
        if ((bits & (1u << i)) != 0) v += (v.empty() ? "" : ",") + std::to_string(i);
    return v;
}

void ParameterRows() {
    for (const ui::ParamDialogSpec& spec : ui::ParamDialogSpecs()) {
        const ParamDef* table = ParamTable(spec.group);
        for (int i = 0; i < CountParamRows(table); ++i) {
            const ParamDef& row = table[i];
            if (row.kind != kParamNumber) continue;
            unsigned shown = 0;
            ui::RowLayout layout;
            for (int v = 0; v < 3; ++v) {
                const ui::RowLayout l = ui::DecideRow(spec, row, v, 1, 1);
                if (l.hidden || l.disabled) continue;
                shown |= 1u << v;
                layout = l;
            }
            if (shown == 0) continue;
            double low = 0.0, high = 0.0;
            const bool bounded = ParamFieldBounds(row.key, &low, &high);
            // Off, a row typed without a minus (or a whole-number row) still takes no negative.
            const bool minusOff = layout.filter == ui::ParamFilter::RealMinus || row.minimum < 0;
            if (!minusOff && low < 0) low = 0;
            Row(spec.className, layout.labelKey != nullptr ? layout.labelKey : row.labelKey, row.key, Variants(shown),
                row.unitKeyMetric, Range(row.minimum, row.maximum), row.minimum < 0,
                bounded ? Range(low, high) : std::string("(text)"), minusOff);
        }
    }
}

void ToolCells() {
    static const ToolField kFields[] = {
        ToolField::Cooling, ToolField::Speed,    ToolField::Feed,     ToolField::Second,  ToolField::Diam1,
        ToolField::Len1,    ToolField::Diam2,    ToolField::Len2,     ToolField::Diam3,   ToolField::Len3,
        ToolField::Shank,   ToolField::TipDiam1, ToolField::TipDiam2, ToolField::TipLen1, ToolField::TipLen2,
        ToolField::Total,
    };
    static const struct {
        int kind;
        const char* what;
    } kKinds[] = {{0, "mill, bit, countersink (kinds 0-2)"}, {3, "disc (kind 3)"}, {4, "tap (kind 4)"}};
    for (const auto& k : kKinds) {
        for (const ToolField f : kFields) {
            const ToolLimit on = ToolFieldLimit(f, k.kind, 1), off = ToolFieldLimit(f, k.kind, 0);
            // The disc and the tap list only what differs from the other kinds.
            if (k.kind != 0) {
                const ToolLimit base = ToolFieldLimit(f, 0, 1);
                if (base.minimum == on.minimum && base.maximum == on.maximum && std::string(base.labelKey) == on.labelKey)
                    continue;
            }
            Row(std::string("CToolEditDialog, ") + k.what, on.labelKey, on.checkLabelKey, "all",
                on.length ? "P_MM" : on.unitKey, Range(on.minimum, on.maximum, on.aboveMinimum) + (on.whole ? " whole" : ""),
                on.minimum < 0, Range(off.minimum, off.maximum) + (off.whole ? " whole" : ""), off.minimum < 0);
        }
    }
    const ToolValueRange on = ToolCoolantRange(1);
    // The box keeps the range its title names, with the limits on or off.
    Row("CToolDialog coolant box", "S_REFRIG_IN", "# (header)", "all", "P_CICLI_MIN", Range(on.minimum, on.maximum) + " whole",
        false, Range(on.minimum, on.maximum) + " whole", false);
}

void ProfileSetFields(MachineSettings& s) {
    for (const ui::ProfileSetField& f : ui::ProfileSetFields()) {
        if (f.errorKey == nullptr) continue;
        std::string on, off;
        bool minusOn = false, minusOff = false;
        if (std::string(f.key) == "NR_LABEL") {
            on = off = Range(0, ui::kLabelCountMax) + " whole";
        } else {
            double low = 0.0, high = 0.0;
            s.CK_LIMITS = 1;
            ui::SetFieldLimits(f, s, &low, &high);
            on = Range(low, high);
            minusOn = low < 0;
            s.CK_LIMITS = 0;
            ui::SetFieldLimits(f, s, &low, &high);
            off = Range(low, high);
            minusOff = low < 0;
        }
        int variant = 0;
        while (variant < 3 && !f.OnVariant(variant)) ++variant;
        Row("CParProfEditDialog", f.Label(variant), f.key, Variants(f.variants), ui::SetFieldUnitKey(f, 1), on, minusOn,
            off, minusOff);
    }
}

} // namespace

int main() {
    const std::string msg = BRELON_SOURCE_DIR "/demo/MSG/";
    g_msgStrings = new Dictavo((msg + "STRING.MSG").c_str());
    g_msgErrors = new Dictavo((msg + "ERR.MSG").c_str());
    if (g_msgStrings->LoadStrings() != 1 || g_msgErrors->LoadStrings() != 1) return 1;
    // A scratch installation of the demo configuration, so the settings record reads its own files.
    std::string dir = (fs::temp_directory_path() / "number-fields-XXXXXX").string();
    if (::mkdtemp(dir.data()) == nullptr) return 1;
    dir += "/";
    fs::create_directories(dir + "CONF");
    for (const char* name : {"CONFIG.PAR", "CONFIG.X_", "PARAM.PAR"})
        fs::copy_file(BRELON_SOURCE_DIR "/demo/CONF/" + std::string(name), dir + "CONF/" + name);
    g_pPathTable = new PathTable;
    SetProgramDir(dir.c_str());
    SetConfigParPath((dir + "CONF/").c_str());
    SetParamParPath((dir + "CONF/").c_str());
    SetToolsTxtPath(dir.c_str());
    auto* settings = new MachineSettings;
    std::printf("| window | field | key | variants | range, limits on | minus | range, limits off | minus | unit |\n"
                "|---|---|---|---|---|---|---|---|---|\n");
    ParameterRows();
    ToolCells();
    ProfileSetFields(*settings);
    delete settings;
    fs::remove_all(dir);
    return 0;
}
