// The tables of the twelve machine-parameter dialogs and the per-variant decisions on a row.
#include "ui/param_dialog_tables.h"

#include <cstring>

namespace ui {

namespace {

using E = ChoiceEntry;
const std::vector<ChoiceEntry> kNoYes = {E{"S_NO"}, E{"S_SI"}};

std::vector<ChoiceEntry> Percentages() {
    std::vector<ChoiceEntry> out;
    static const char* const kTexts[] = {"0%", "10%", "20%", "30%", "40%", "50%", "60%", "70%", "80%", "90%", "100%"};
    for (const char* t : kTexts) out.push_back(E{t, true});
    return out;
}

std::vector<ParamDialogSpec> BuildSpecs() {
    std::vector<ParamDialogSpec> s(kParamDialogCount);
    s[kConfFresa1] = {
        "CConfFresa1_Dialog", 137, 3, "T_TCONFFRESA", nullptr, 343, ChangeFlag::Config, ParamFilter::None,
        {{"X_PAR_MIN", ParamFilter::RealMinus},
         {"X_PAR_MAX", ParamFilter::RealMinus, kV0 | kV1},
         {"Y_PAR_MIN", ParamFilter::RealMinus},
         {"Y_PAR_MAX", ParamFilter::RealMinus},
         {"Z_PAR_MIN", ParamFilter::RealMinus},
         {"Z_PAR_MAX", ParamFilter::RealMinus},
         {"DIST_MANDRINI", ParamFilter::Real},
         {"DIST_MORSE", ParamFilter::Real},
         {"IMMORS_MIN", ParamFilter::Real},
         {"IMMORS_MIN_OBL", ParamFilter::Real},
         {"VEL_TAGLIO", ParamFilter::Real},
         {"POSIZ_BARRIERA", ParamFilter::Real},
         {"EXTRA_MAND_OUT", ParamFilter::Real},
         {"POSIZ_BARR_SX", ParamFilter::Real},
         {"MAX_VEL_ROT", ParamFilter::Integer},
         {"ROT_OLTRE_MAX", ParamFilter::Integer}},
        {{"INSER_OTTIM", kNoYes}, {"ROT_INTERP", kNoYes}, {"LASER_CK_TOOL", kNoYes}},
        {{"X_PAR_MAX", kV0 | kV1},
         {"INSER_OTTIM", kV0, ParamOption::None, 0, 0},
         {"ROT_INTERP", kV0, ParamOption::None, 0, 0},
         {"EXTRA_MAND_OUT", kV1 | kV2},
         {"POSIZ_BARR_SX", kV1, ParamOption::BarrSx, kV1}},
        {},
        {}};
    s[kConfFresa2] = {"CConfFresa2_Dialog", 138, 11, "T_TCONFFRESA2", nullptr, 344, ChangeFlag::Config,
                      ParamFilter::None,
                      {{"MORSE_SUPP_X1", ParamFilter::RealMinus},
                       {"MORSE_SUPP_X2", ParamFilter::RealMinus},
                       {"MORSE_SUPP_X3", ParamFilter::RealMinus}},
                      {{"PERC_SBALZO_IN", Percentages()}},
                      {{"PERC_SBALZO_IN", kV0}},
                      {},
                      {}};
    s[kConfTronca] = {
        "CConfTroncaDialog", 139, 4, "T_TCONFTRONCA", nullptr, 346, ChangeFlag::Config, ParamFilter::Real,
        {},
        {{"CARIC_AUTOM", kNoYes},
         {"UNIONE_INTEST", kNoYes},
         {"CK_UNION_TAGLI", kNoYes},
         {"CK_ANGOLI", kNoYes},
         {"MODO_TAGLIO", {E{"S_FISSO", false, kV1}, E{"S_RADIALE", false, kV1}, E{"S_CENTRO", false, kV1}}},
         {"DISTR_SCARTO", {E{"S_NO", false, kV1}, E{"S_SI", false, kV1}}}},
        {{"CARIC_AUTOM", kV0, ParamOption::None, 0, 1},
         {"RANGE_SCARIC", kV0 | kV2},
         {"X_MIN_SPATOLA", kV0 | kV2},
         {"DIM_MAX_SCAR", kV1},
         {"DIM_PZ_CORTO", kV1},
         {"DIM_SC_FIN_BOT", kV1},
         {"EXTRA_H_APPR", kV1},
         {"MODO_TAGLIO", kV1},
         {"DIM_MAX_PZ_BOT", kV1},
         {"L_PROF_LR_ANT", kV1},
         {"DISTR_SCARTO", kV1}},
        {},
        {}};
    s[kConfTronca2] = {"CConfTroncaDlg2", 815, 8, "T_TCONFTRONCA2", nullptr, 32779, ChangeFlag::Config,
                       ParamFilter::None,
                       {{"CORR_X_LAME", ParamFilter::RealMinus},
                        {"CORR_P_LAME", ParamFilter::RealMinus},
                        {"SPESS_LAMA_45", ParamFilter::RealMinus},
                        {"SPESS_LAMA_135", ParamFilter::RealMinus},
                        {"MAX_POLVERE", ParamFilter::Real},
                        {"OFF_SCARICO", ParamFilter::Real}},
                       {},
                       {},
                       {},
                       {837, 1099, 400, 257}};
    s[kConfLama] = {"CConfLamaDlg", 838, 9, "T_CONFLAMA", "T_CONFLAMA_90", 32781, ChangeFlag::Config,
                    ParamFilter::RealMinus,
                    {{"ING_Y_BRACCIO", ParamFilter::None}, {"ING_Y_MOTOR", ParamFilter::None}},
                    {},
                    {},
                    {{"OFF_X_LAMA", kV2, "P_OFF_Z_LAMA"}},
                    {}};
    s[kConfMorsa] = {"CConfMorsaDlg", 839, 10, "T_CONFMORSA", nullptr, 32784, ChangeFlag::Config,
                     ParamFilter::RealMinus, {}, {}, {}, {}, {}};
    s[kConfExtractor] = {"CConfExtractor", 840, 12, "T_TCONFEXTRACT", nullptr, 32787, ChangeFlag::Config,
                         ParamFilter::RealMinus, {}, {}, {}, {}, {}};
    s[kConfOffsetRalla] = {"CConfOffsetRallaDialog", 141, 5, "T_OFFSETRALLA", nullptr, 345, ChangeFlag::Config,
                           ParamFilter::RealMinus, {}, {}, {}, {}, {835, 1084, 200, 192}};
    s[kConfOffsetRalla2] = {"CConfOffsetRallaDlg2", 816, 7, "T_OFFSETRALLA2", nullptr, 32775, ChangeFlag::Config,
                            ParamFilter::RealMinus, {}, {}, {}, {}, {1062, 1084, 200, 192}, true};
    s[kConfLink] = {"CConfLinkDialog", 142, 6, "T_TCONFLINK", nullptr, 347, ChangeFlag::Config, ParamFilter::None,
                    {},
                    {{"PORT_PC_PRINT", {E{"0", true}, E{"COM1", true}, E{"COM2", true}, E{"COM3", true},
                                        E{"COM4", true}}},
                     {"CONF_FILE_OTT", {E{"STANDARD", true}, E{"ZEBRA", true}, E{"PRN", true, kV1}}},
                     {"CONF_LINEA", kNoYes},
                     {"CONF_CARICO", {E{"S_SX_RALLA"}, E{"S_DX_RALLA"}}}},
                    {{"CONF_LINEA", kV2}, {"CONF_CARICO", kV1}},
                    {},
                    {}};
    s[kParFresa] = {
        "CParFresaDialog", 355, 1, "T_TPARFRESA", nullptr, 336, ChangeFlag::Param, ParamFilter::None,
        {{"VEL_ASPORT", ParamFilter::Real},
         {"VEL_SFOND", ParamFilter::Real},
         {"MAX_SBALZO", ParamFilter::Real},
         {"SGROSSATURA", ParamFilter::Real},
         // A size correction goes both ways: the minus sign its range allows can be typed.
         {"DELTA_DIM_Y", ParamFilter::RealMinus}},
        {{"TIPO_SCARIC",
          {E{"S_BRACCIO"}, E{"S_ANTER", false, kV0 | kV2}, E{"S_POSTER", false, kV0}, E{"S_MULTI", false, kV0}}},
         {"MORSE_SUPP", {E{"S_NO"}, E{"S_SI"}, E{"S_TESTA_CODA"}}},
         {"SENSO_FIGURE", {E{"S_ANTIORARIO"}, E{"S_ORARIO"}}},
         {"CK_MASC_SVAS", kNoYes},
         {"CK_TOOL", {E{"S_NO"}, E{"S_INIZIO_BARRA"}, E{"S_FINE_BARRA"}, E{"S_INIZ_FINE_BARRA"}}},
         {"RIF_BARR_CH", {E{"S_RIF_DX"}, E{"S_RIF_SX"}}}},
        {{"MORSE_SUPP", kV0 | kV1, ParamOption::MorseSupp, kV1, 0, kV1},
         {"RIF_BARR_CH", kV1, ParamOption::BarrSx, kV1, 0, kVAll}},
        {},
        {}};
    s[kParTronca] = {
        "CParTroncaDialog", 356, 2, "T_TPARTRONCA", nullptr, 337, ChangeFlag::Param, ParamFilter::None,
        {{"SCARTO_TESTA", ParamFilter::Real},
         {"SCARTO_CODA", ParamFilter::Real},
         {"SCARTO_POSIZ", ParamFilter::Real},
         {"OFF_Y_PINZA", ParamFilter::RealMinus},
         {"OFF_Z_PINZA", ParamFilter::RealMinus},
         {"DIM_SPZ_REC", ParamFilter::RealMinus},
         {"VEL_H_CUT", ParamFilter::RealMinus},
         {"OFF_C_PINZA", ParamFilter::RealMinus}},
        {{"TIPO_TAGLIO", {E{"S_VETRO_EXT"}, E{"S_VETRO_INT", false, kV0 | kV1}}},
         {"TIPO_CARIC", {E{"S_MANUAL"}, E{"S_AUTOM"}}},
         {"SALITA_LAMA", {E{"1", true}, E{"2", true}, E{"3", true, kV0 | kV1}, E{"4", true, kV0 | kV1}}},
         {"AUTO_TRAS_LAV", {E{"S_LAV_DX"}, E{"S_LAV_SX"}}},
         {"MEM_PEZZI", kNoYes},
         {"NOCK_PINZA_OP", {E{"S_NO", false, kV1}, E{"S_SI", false, kV1}}},
         {"CK_DXF", {E{"S_NO", false, kV1}, E{"S_SI", false, kV1}}}},
        {{"TIPO_CARIC", kV0, ParamOption::None, 0, 1},
         {"SALITA_LAMA", kV0 | kV2},
         {"VEL_H_CUT", kV1 | kV2},
         {"OFF_C_PINZA", kV1 | kV2},
         {"NOCK_PINZA_OP", kV1},
         {"MAX_U_OUT34", kV1},
         {"CH_V_VICE", kV0 | kV2},
         {"CH_H_VICE", kV0 | kV2}},
        {{"VEL_H_CUT", kV1, "P_VELH_CUT_ALU"}},
        {}};
    return s;
}

bool Same(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

} // namespace

int VariantBit(int variant) {
    switch (variant) {
    case 0: return kV0;
    case 1: return kV1;
    case 2: return kV2;
    default: return 0;
    }
}

const std::vector<ParamDialogSpec>& ParamDialogSpecs() {
    static const std::vector<ParamDialogSpec> specs = BuildSpecs();
    return specs;
}

const ParamDialogSpec* ParamDialogForCommand(int command) {
    for (const ParamDialogSpec& s : ParamDialogSpecs())
        if (s.command == command) return &s;
    return nullptr;
}

RowLayout DecideRow(const ParamDialogSpec& spec, const ParamDef& row, int variant, int barrSx, int morseSupp) {
    const int bit = VariantBit(variant);
    RowLayout out;
    out.disabled = !ParamRowInVariant(row, variant);
    out.labelKey = row.labelKey;
    for (const RowRule& r : spec.rows) {
        if (!Same(r.key, row.key)) continue;
        const int option = r.option == ParamOption::BarrSx ? barrSx : r.option == ParamOption::MorseSupp ? morseSupp : 1;
        const bool optionMissing = (r.optionOn & bit) != 0 && option == 0;
        out.hidden = (r.shownOn & bit) == 0 || optionMissing;
        if (out.hidden) out.forcedChoice = r.forcedChoice;
        out.clearSetting = out.hidden && (r.clearOn & bit) != 0;
    }
    for (const LabelRule& l : spec.labels)
        if (Same(l.key, row.key) && (l.variants & bit) != 0) out.labelKey = l.labelKey;
    if (row.kind == kParamNumber) {
        out.filter = spec.defaultFilter;
        for (const FilterRule& f : spec.filters)
            if (Same(f.key, row.key)) out.filter = (f.variants & bit) != 0 ? f.filter : ParamFilter::None;
    }
    return out;
}

std::vector<ChoiceEntry> ChoicesOf(const ParamDialogSpec& spec, const char* key, int variant) {
    std::vector<ChoiceEntry> out;
    for (const ChoiceList& c : spec.choices) {
        if (!Same(c.key, key)) continue;
        for (const ChoiceEntry& e : c.entries)
            if ((e.variants & VariantBit(variant)) != 0) out.push_back(e);
    }
    return out;
}

} // namespace ui
