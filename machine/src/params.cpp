// Loading and checking the machine parameters of the twelve groups into MachineSettings.
#include "machine/params.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "machine/error_text.h"
#include "machine/globals.h"
#include "machine/ini_routines.h"
#include "machine/label_settings.h"
#include "machine/number_entry.h"
#include "machine/path_table.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/units.h"
#include "machine/utils.h"
#include "platform/text.h"

namespace {
constexpr const char* kParamSection = "PARAM";

// How a checked value becomes the stored integer (every conversion truncates toward zero).
enum class Store { Thousandths, Integer, Tenths, IntegerTimes10, IntegerPlus1 };

struct FieldMap {
    int id;
    int32_t MachineSettings::*field;
    Store rule;
    int32_t MachineSettings::*second; // a second field with the same value, or null
};

using MS = MachineSettings;
constexpr Store TH = Store::Thousandths;
constexpr Store IN = Store::Integer;

const FieldMap kGroup1Fields[] = {
    {0, &MS::VEL_ASPORT, Store::Tenths, nullptr}, {1, &MS::VEL_SFOND, IN, nullptr},
    {2, &MS::MAX_SBALZO, TH, nullptr},            {3, &MS::SGROSSATURA, TH, nullptr},
    {4, &MS::TIPO_SCARIC, IN, nullptr},           {5, &MS::MORSE_SUPP, IN, nullptr},
    {6, &MS::DELTA_DIM_Y, TH, nullptr},           {7, &MS::SENSO_FIGURE, IN, nullptr},
    {8, &MS::CK_MASC_SVAS, IN, nullptr},          {9, &MS::CK_TOOL, IN, nullptr},
    {10, &MS::RIF_BARR_CH, IN, nullptr},          {-1, nullptr, IN, nullptr},
};
const FieldMap kGroup2Fields[] = {
    {0, &MS::TIPO_TAGLIO, IN, nullptr},   {1, &MS::TIPO_CARIC, IN, nullptr},
    {2, &MS::SALITA_LAMA, Store::IntegerPlus1, nullptr},
    {3, &MS::AUTO_TRAS_LAV, IN, nullptr}, {4, &MS::SCARTO_TESTA, TH, nullptr},
    {5, &MS::SCARTO_CODA, TH, nullptr},   {6, &MS::SCARTO_POSIZ, TH, nullptr},
    {7, &MS::OFF_Y_PINZA, TH, nullptr},   {8, &MS::OFF_Z_PINZA, TH, nullptr},
    {9, &MS::MEM_PEZZI, IN, nullptr},     {10, &MS::DIM_SPZ_REC, TH, nullptr},
    {11, &MS::VEL_H_CUT, TH, nullptr},    {12, &MS::OFF_C_PINZA, TH, nullptr},
    {13, &MS::NOCK_PINZA_OP, IN, nullptr}, {14, &MS::CH_V_VICE, TH, nullptr},
    {15, &MS::CH_H_VICE, TH, nullptr},    {16, &MS::MAX_U_OUT34, TH, nullptr},
    {17, &MS::CK_DXF, IN, nullptr},       {-1, nullptr, IN, nullptr},
};
const FieldMap kGroup3Fields[] = {
    {0, &MS::X_PAR_MIN, TH, nullptr},       {1, &MS::X_PAR_MAX, TH, nullptr},
    {2, &MS::Y_PAR_MIN, TH, nullptr},       {3, &MS::Y_PAR_MAX, TH, nullptr},
    {4, &MS::Z_PAR_MIN, TH, nullptr},       {5, &MS::Z_PAR_MAX, TH, nullptr},
    {6, &MS::DIST_MANDRINI, TH, nullptr},   {7, &MS::DIST_MORSE, TH, nullptr},
    {8, &MS::IMMORS_MIN, TH, nullptr},      {9, &MS::IMMORS_MIN_OBL, TH, nullptr},
    {10, &MS::MAX_VEL_ROT, IN, nullptr},    {11, &MS::ROT_OLTRE_MAX, TH, &MS::ROT_OLTRE_MAX2},
    {12, &MS::VEL_TAGLIO, TH, nullptr},     {13, &MS::POSIZ_BARRIERA, TH, nullptr},
    {14, &MS::INSER_OTTIM, IN, nullptr},    {15, &MS::ROT_INTERP, IN, nullptr},
    {16, &MS::LASER_CK_TOOL, IN, nullptr},  {17, &MS::EXTRA_MAND_OUT, TH, nullptr},
    {18, &MS::POSIZ_BARR_SX, TH, nullptr},  {-1, nullptr, IN, nullptr},
};
const FieldMap kGroup4Fields[] = {
    {0, &MS::CARIC_AUTOM, IN, nullptr},       {1, &MS::UNIONE_INTEST, IN, nullptr},
    {2, &MS::DIST_BOTOLA, TH, nullptr},       {3, &MS::DIM_BOTOLA, TH, nullptr},
    {4, &MS::DIST_SCARIC, TH, nullptr},       {5, &MS::X_MAX_PINZA, TH, nullptr},
    {6, &MS::DIM_MIN_SCARTO, TH, nullptr},    {7, &MS::DIM_MIN_PEZZO, TH, nullptr},
    {8, &MS::RANGE_SCARIC, TH, nullptr},      {9, &MS::X_MIN_SPATOLA, TH, nullptr},
    {10, &MS::CK_UNION_TAGLI, IN, nullptr},   {11, &MS::CK_ANGOLI, IN, nullptr},
    {12, &MS::DIM_MAX_SCAR, TH, nullptr},     {13, &MS::DIM_PZ_CORTO, TH, nullptr},
    {14, &MS::DIM_SC_FIN_BOT, TH, nullptr},   {15, &MS::EXTRA_H_APPR, TH, nullptr},
    {16, &MS::MODO_TAGLIO, IN, nullptr},      {17, &MS::DIM_MAX_PZ_BOT, TH, nullptr},
    {18, &MS::L_PROF_LR_ANT, TH, nullptr},    {19, &MS::DISTR_SCARTO, IN, nullptr},
    {20, &MS::H_PROF_SC_RAPIDO, TH, nullptr}, {-1, nullptr, IN, nullptr},
};
const FieldMap kGroup8Fields[] = {
    {0, &MS::CORR_X_LAME, TH, nullptr},    {1, &MS::CORR_P_LAME, TH, nullptr},
    {2, &MS::SPESS_LAMA_45, TH, nullptr},  {3, &MS::SPESS_LAMA_135, TH, nullptr},
    {4, &MS::MAX_POLVERE, TH, nullptr},    {5, &MS::OFF_SCARICO, TH, nullptr},
    {-1, nullptr, IN, nullptr},
};
const FieldMap kGroup9Fields[] = {
    {0, &MS::DIST_LAMA, TH, nullptr},           {1, &MS::SPESS_LAMA, TH, nullptr},
    {2, &MS::OFF_X_LAMA, TH, nullptr},          {3, &MS::OFF_Y_LAMA, TH, nullptr},
    {4, &MS::Y_MIN_LAMA, TH, nullptr},          {5, &MS::Y_MAX_LAMA, TH, nullptr},
    {6, &MS::DIAM_FLANGIA_LAMA, TH, nullptr},   {7, &MS::SPESS_FLANGIA_LAMA, TH, nullptr},
    {8, &MS::DIAM_DADO_LAMA, TH, nullptr},      {9, &MS::SPESS_DADO_LAMA, TH, nullptr},
    {10, &MS::DIAM_LAMA, TH, nullptr},          {11, &MS::L_BRACCIO, TH, nullptr},
    {12, &MS::H_BRACCIO, TH, nullptr},          {13, &MS::L_MOTOR, TH, nullptr},
    {14, &MS::H_MOTOR, TH, nullptr},            {15, &MS::Z_MIN_LAMA, TH, nullptr},
    {16, &MS::Z_MAX_LAMA, TH, nullptr},         {17, &MS::Q_MIN_LAMA, TH, nullptr},
    {18, &MS::Q_MAX_LAMA, TH, nullptr},         {19, &MS::ING_Y_BRACCIO, TH, nullptr},
    {20, &MS::ING_Y_MOTOR, TH, nullptr},        {-1, nullptr, IN, nullptr},
};
const FieldMap kGroup10Fields[] = {
    {0, &MS::X_MIN_MORSA, TH, nullptr},          {1, &MS::X_MAX_MORSA, TH, nullptr},
    {2, &MS::DELTA_H_MORSE_CL, TH, nullptr},     {3, &MS::DELTA_L_MORSE_CL, TH, nullptr},
    {4, &MS::H_MAX_MORSE_OP, TH, nullptr},       {5, &MS::DIST_MORSE_LAMA, TH, nullptr},
    {6, &MS::DIST_MORSE34, TH, nullptr},         {7, &MS::L_MORSA, TH, nullptr},
    {8, &MS::CORR_X_ASSE_U, TH, nullptr},        {9, &MS::CORR_X_ASSE_B, TH, nullptr},
    {10, &MS::DELTA_IMMORS_B, TH, nullptr},      {11, &MS::DELTA_X_MORSA_B, TH, nullptr},
    {12, &MS::DELTA_X_SUPPORTO_B, TH, nullptr},  {13, &MS::DELTA_X_SUPPORTO_34, TH, nullptr},
    {14, &MS::DELTA_X_ING_ALTO, TH, nullptr},    {15, &MS::SPESS_ESTRATT, TH, nullptr},
    {16, &MS::H_ESTRATT, TH, nullptr},           {18, &MS::CORR_Y_ASSI, TH, nullptr},
    {-1, nullptr, IN, nullptr},
};
const FieldMap kGroup11Fields[] = {
    {0, &MS::MORSE_SUPP_X1, TH, nullptr}, {1, &MS::MORSE_SUPP_X2, TH, nullptr},
    {2, &MS::MORSE_SUPP_X3, TH, nullptr}, {3, &MS::PERC_SBALZO_IN, Store::IntegerTimes10, nullptr},
    {4, &MS::MORSE_SUPP_L, TH, nullptr},  {-1, nullptr, IN, nullptr},
};
const FieldMap kGroup12Fields[] = {
    {0, &MS::X_MIN_EXTRACT, TH, nullptr},       {1, &MS::X_MAX_EXTRACT, TH, nullptr},
    {2, &MS::DIM_CONT_PZ_CORTO, TH, nullptr},   {3, &MS::DIST_CONT_PZ_CORTO, TH, nullptr},
    {4, &MS::DELTA_SCAR_PZ_LUNGO, TH, nullptr}, {5, &MS::DELTA_B_EXTRACT, TH, nullptr},
    {-1, nullptr, IN, nullptr},
};

const FieldMap* FieldsOf(int group) {
    switch (group) {
    case 1: return kGroup1Fields;
    case 2: return kGroup2Fields;
    case 3: return kGroup3Fields;
    case 4: return kGroup4Fields;
    case 8: return kGroup8Fields;
    case 9: return kGroup9Fields;
    case 10: return kGroup10Fields;
    case 11: return kGroup11Fields;
    case 12: return kGroup12Fields;
    default: return nullptr;
    }
}

int32_t Convert(double v, Store rule) {
    switch (rule) {
    case Store::Thousandths: return plat::TruncToInt32(v * 1000.0);
    case Store::Integer: return plat::TruncToInt32(v);
    case Store::Tenths: return plat::TruncToInt32(v * 10.0);
    case Store::IntegerTimes10: return plat::TruncToInt32(static_cast<double>(plat::TruncToInt32(v)) * 10.0);
    case Store::IntegerPlus1: return plat::TruncToInt32(static_cast<double>(plat::TruncToInt32(v)) + 1.0);
    }
    return 0;
}

// Stores a checked value into the field of the row with this identifier.
void StoreValue(MachineSettings& s, int group, int id, double value) {
    if (group == 5 || group == 7) {
        // Identifiers 0..3 X, 4..7 Y, 8..11 Z offsets of T1..T4 (group 5) or T5..T8 (group 7).
        if (id < 0 || id > 11) return;
        const int pos = (group == 5 ? 0 : 4) + id % 4;
        int32_t* arrays[3] = {s.OFFX_T, s.OFFY_T, s.OFFZ_T};
        arrays[id / 4][pos] = Convert(value, Store::Thousandths);
        return;
    }
    const FieldMap* map = FieldsOf(group);
    if (map == nullptr) return;
    for (; map->id >= 0; ++map) {
        if (map->id != id) continue;
        int32_t stored = Convert(value, map->rule);
        if (group == 1 && id == 5 && s.options.MORSE_SUPP == 0) stored = 0; // no support vices fitted
        s.*(map->field) = stored;
        if (map->second != nullptr) s.*(map->second) = stored;
        return;
    }
}

// The file and section of a group.
const char* GroupFile(int group) {
    return (group == 5 || group == 7) ? PathSlot(PathTable::kConfigPar) : PathSlot(PathTable::kParamPar);
}
const char* GroupSection(int group) {
    if (group == 5 || group == 7) return g_decentredRalla != 0 ? "DECRALLA" : "RALLA";
    return kParamSection;
}

const ParamDef* RowOf(int group, int row) {
    const ParamDef* table = ParamTable(group);
    if (table == nullptr || row < 0 || row >= CountParamRows(table)) return nullptr;
    return &table[row];
}

// Loads the rows of a group in table order; the first failure returns 1.
int LoadRows(MachineSettings& s, int group) {
    const ParamDef* table = ParamTable(group);
    const int rows = CountParamRows(table);
    const int title = ParamGroupTitle(group);
    for (int r = 0; r < rows; ++r) {
        char text[kParamTextSize];
        ReadParamText(group, r, text, sizeof text);
        double value = 0.0;
        if (ParseParamValue(s, text, table[r], &value, title) != kParamOk) return 1;
        StoreValue(s, group, table[r].id, value);
    }
    return 0;
}

// Widens the ralla offset extremes by positions first..last (0-based, inclusive).
void WidenOffsetExtremes(MachineSettings& s, int first, int last) {
    for (int p = first; p <= last && p < 8; ++p) {
        s.offXMin = std::min(s.offXMin, s.OFFX_T[p]);
        s.offXMax = std::max(s.offXMax, s.OFFX_T[p]);
        const int32_t y = s.OFFY_T[p] < 0 ? -s.OFFY_T[p] : s.OFFY_T[p];
        const int32_t z = s.OFFZ_T[p] < 0 ? -s.OFFZ_T[p] : s.OFFZ_T[p];
        s.offYZMax = std::max({s.offYZMax, y, z});
    }
}

// Loading type and cut mode by machine variant.
void FixLoadingAndCutMode(MachineSettings& s) {
    if (MachineVariant == 1 || MachineVariant == 2)
        s.TIPO_CARIC = 1;
    else
        s.TIPO_CARIC = s.CARIC_AUTOM != 0 ? 1 : 0;
    if (MachineVariant != 1) s.MODO_TAGLIO = 0;
}

// The row of a group with this key.
int RowIndexOf(int group, const char* key) {
    const ParamDef* table = ParamTable(group);
    const int rows = CountParamRows(table);
    for (int r = 0; r < rows; ++r)
        if (std::strcmp(table[r].key, key) == 0) return r;
    return -1;
}

// Variant 1: a group-4 key missing from the file ("-1") is filled with a value and written back.
void FillGroup4Key(const char* key, int32_t& field, int32_t value) {
    const int row = RowIndexOf(4, key);
    std::string text = ReadIniString(GroupSection(4), key, "-1", kParamTextSize - 1, GroupFile(4));
    double v = 0.0;
    if (!plat::ParseDouble(text, v) || v != -1.0) return;
    field = value;
    char written[32];
    plat::FormatC(written, sizeof written, "%.2lf", value / 1000.0);
    WriteParamText(4, row, written);
}
} // namespace

const char* ParamGroupFile(int group) { return GroupFile(group); }

bool ParamFieldBounds(const char* key, double* minimum, double* maximum) {
    for (int group = 1; group <= 12; ++group) {
        const int row = RowIndexOf(group, key);
        if (row < 0) continue;
        const int id = ParamTable(group)[row].id;
        double scale = 0.0;
        if (group == 5 || group == 7) {
            scale = 1000.0;
        } else if (const FieldMap* map = FieldsOf(group)) {
            for (; map->id >= 0; ++map)
                if (map->id == id) {
                    scale = map->rule == Store::Thousandths ? 1000.0
                            : map->rule == Store::Tenths || map->rule == Store::IntegerTimes10 ? 10.0
                                                                                               : 1.0;
                    break;
                }
        }
        if (scale == 0.0) return false; // a row kept as text only
        // Whole units of the row, so that the range named is the range taken.
        *maximum = std::floor((INT32_MAX - 1) / scale);
        *minimum = -*maximum;
        return true;
    }
    return false;
}

bool ReadParamText(int group, int row, char* buffer, std::size_t size) {
    if (buffer == nullptr || size == 0) return false;
    buffer[0] = '\0';
    const ParamDef* def = RowOf(group, row);
    if (def == nullptr) return false;
    std::string text = ReadIniString(GroupSection(group), def->key, def->defaultText, size - 1, GroupFile(group));
    CopyField(buffer, size, text.c_str());
    return true;
}

bool WriteParamText(int group, int row, const char* text) {
    const ParamDef* def = RowOf(group, row);
    if (def == nullptr) return false;
    return WriteIniString(GroupSection(group), def->key, text, GroupFile(group));
}

int ParseParamValue(const MachineSettings& s, const char* text, const ParamDef& row, double* out, int titleNumber) {
    int result = kParamOk;
    double value = 0.0;
    if (text == nullptr || *text == '\0') {
        result = kParamSyntaxError;
    } else {
        const char* end = text;
        value = plat::StrtodC(text, &end);
        // The whole text must be one number (a final line feed may follow); a text without
        // digits and an overflowing exponent are not numbers.
        if (end == text || (*end != '\0' && *end != '\n') || !std::isfinite(value)) result = kParamSyntaxError;
    }
    if (result == kParamOk && s.CK_LIMITS != 0 && row.kind == kParamNumber &&
        (value < row.minimum || value > row.maximum))
        result = kParamLimitError;
    if (result == kParamOk) {
        if (out != nullptr) *out = value;
        return kParamOk;
    }
    const char* label = MsgString(row.labelKey);
    const char* error = MsgError(result == kParamSyntaxError ? "SYNTAX_ERROR" : "LIMIT_ERROR");
    // A refused value names the range it must lie in, in the unit the operator types.
    const std::string range = result == kParamLimitError ? "\n" + ParamRangeText(row) : std::string();
    if (titleNumber >= 0)
        SetErrorText("%s->%s\n%s%s", MsgStringNum(titleNumber), label, error, range.c_str());
    else
        SetErrorText("%s\n%s%s", label, error, range.c_str());
    return result;
}

std::string ParamRangeText(const ParamDef& row) {
    const bool inches = GetUnitSystem() == 2 && row.unitKeyInch != nullptr;
    return RangeText(row.minimum, row.maximum, inches ? row.unitKeyInch : row.unitKeyMetric, inches);
}

void SetParamRowRefusal(const ParamDef& row, const char* errorKey) {
    SetErrorText("%s\n%s\n%s", MsgString(row.labelKey), MsgError(errorKey), ParamRangeText(row).c_str());
}

void SetParamWholeNumberError(const ParamDef& row) { SetParamRowRefusal(row, "WHOLE_NUMBER_ERROR"); }

int LoadParamGroup1(MachineSettings& s) { return LoadRows(s, 1); }

int LoadParamGroup2(MachineSettings& s) {
    if (LoadRows(s, 2) != 0) return 1;
    switch (MachineVariant) {
    case 0:
        s.OFF_C_PINZA = 0;
        s.VEL_H_CUT = 0;
        s.CH_V_VICE = 0;
        s.CH_H_VICE = 0;
        s.MAX_U_OUT34 = 0;
        s.CK_DXF = 0;
        break;
    case 2:
        s.MAX_U_OUT34 = 0;
        s.CK_DXF = 0;
        s.TIPO_CARIC = 1;
        break;
    case 1: s.TIPO_CARIC = 1; break;
    default: break;
    }
    return 0;
}

int LoadParamGroup3(MachineSettings& s) {
    if (LoadRows(s, 3) != 0) return 1;
    switch (MachineVariant) {
    case 0: s.EXTRA_MAND_OUT = 0; break;
    case 2:
        s.X_PAR_MAX = 0;
        s.ROT_INTERP = 0;
        break;
    case 1:
        s.INSER_OTTIM = 0;
        s.ROT_INTERP = 0;
        break;
    default: break;
    }
    return 0;
}

int LoadParamGroup4(MachineSettings& s) {
    if (LoadRows(s, 4) != 0) return 1;
    if (MachineVariant == 1 || MachineVariant == 2) s.RANGE_SCARIC = 0;
    if (MachineVariant == 1) {
        FillGroup4Key("DIM_MAX_PZ_BOT", s.DIM_MAX_PZ_BOT, s.DIM_BOTOLA);
        FillGroup4Key("L_PROF_LR_ANT", s.L_PROF_LR_ANT, 50000);
    }
    return 0;
}

int LoadParamGroup5(MachineSettings& s) {
    if (LoadRows(s, 5) != 0) return 1;
    WidenOffsetExtremes(s, 0, 3);
    return 0;
}

int LoadParamGroup7(MachineSettings& s) {
    if (LoadRows(s, 7) != 0) return 1;
    if (g_rallaPositions >= 5) WidenOffsetExtremes(s, 4, g_rallaPositions - 1);
    return 0;
}

int LoadParamGroup8(MachineSettings& s) { return LoadRows(s, 8); }

int LoadParamGroup9(MachineSettings& s) { return LoadRows(s, 9); }

int LoadParamGroup10(MachineSettings& s) { return LoadRows(s, 10); }

int LoadParamGroup11(MachineSettings& s) {
    if (LoadRows(s, 11) != 0) return 1;
    if (MachineVariant == 1 || MachineVariant == 2) s.PERC_SBALZO_IN = 0;
    return 0;
}

int LoadParamGroup12(MachineSettings& s) {
    if (LoadRows(s, 12) != 0) return 1;
    if (s.options.ASSEC == 0) s.DIM_CONT_PZ_CORTO = 0;
    return 0;
}

int LoadBaseParameters(MachineSettings& s) {
    if (LoadParamGroup1(s) != 0) return 1;
    if (LoadParamGroup2(s) != 0) return 1;
    FixLoadingAndCutMode(s);
    return 0;
}

void ComputeTravelLimits(MachineSettings& s) {
    constexpr int32_t kMargin = 10;
    if (MachineVariant == 2) {
        s.X_TRAVEL_MAX = s.X_PAR_MIN;
        s.X_TRAVEL_MIN = s.X_PAR_MIN;
    } else {
        s.X_TRAVEL_MAX = s.X_PAR_MAX + s.offXMin - kMargin;
        s.X_TRAVEL_MIN = s.X_PAR_MIN + s.offXMax + kMargin;
    }
    // With a decentred ralla the offsets are applied per tool: Y and Z keep their whole travel.
    const int32_t yz = g_decentredRalla != 0 ? 0 : s.offYZMax;
    s.Y_TRAVEL_MAX = s.Y_PAR_MAX - yz - kMargin;
    s.Y_TRAVEL_MIN = s.Y_PAR_MIN + yz + kMargin;
    s.Z_TRAVEL_MAX = s.Z_PAR_MAX - yz - kMargin;
    s.Z_TRAVEL_MIN = s.Z_PAR_MIN + yz + kMargin;
}

int LoadAllParameters(MachineSettings& s) {
    s.ParametersLoaded = 0;
    if (LoadParamGroup3(s) != 0) return 1;
    if (LoadParamGroup11(s) != 0) return 1;
    if (LoadParamGroup5(s) != 0) return 1;
    if (LoadParamGroup7(s) != 0 && MachineVariant != 0) return 1;
    if (LoadParamGroup4(s) != 0) return 1;
    if (LoadParamGroup8(s) != 0 && MachineVariant == 2) return 1;
    if (LoadParamGroup9(s) != 0) return 1;
    if (LoadParamGroup10(s) != 0 && MachineVariant == 1) return 1;
    if (LoadParamGroup12(s) != 0 && MachineVariant == 1) return 1;
    if (s.LoadPortParameters() != 0) return 1;
    SetupLabelLayout(s);
    ComputeTravelLimits(s);
    FixLoadingAndCutMode(s);
    s.ParametersLoaded = 1;
    return 0;
}

int IsToolCheckOn(const MachineSettings& s) { return s.LASER_CK_TOOL != 0 ? s.CK_TOOL : 0; }

int GetRifBarrCh(const MachineSettings& s) { return s.RIF_BARR_CH; }

int32_t GetMachineTailScrap(const MachineSettings& s) { return s.SCARTO_CODA; }
