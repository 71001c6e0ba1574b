// The twelve constant tables of machine parameters, row by row.
#include "machine/params.h"

namespace {
// Row builders. Lengths show millimetres or inches; other numbers a metric unit only;
// choices no unit and no limits.
#define PD_LEN(key, mn, mx, def, id, mask) {key, kParamNumber, mn, mx, "P_" key, "P_MM", "P_IN", def, id, mask}
#define PD_LEN_L(key, label, mn, mx, def, id, mask) {key, kParamNumber, mn, mx, label, "P_MM", "P_IN", def, id, mask}
#define PD_NUM(key, label, unit, mn, mx, def, id, mask) {key, kParamNumber, mn, mx, label, unit, nullptr, def, id, mask}
#define PD_CHO(key, def, id, mask) {key, kParamChoice, 0, 0, "P_" key, nullptr, nullptr, def, id, mask}
#define PD_END {nullptr, kParamNumber, 0, 0, nullptr, nullptr, nullptr, nullptr, -1, 0}
constexpr const char* NONE = kParamNoDefault;
} // namespace

const ParamDef g_paramGroup1[] = {
    PD_NUM("VEL_ASPORT", "P_VEL_ASPORT", "P_CEN_GIRO", 0, 99, NONE, 0, 15),
    PD_NUM("VEL_SFOND", "P_VEL_SFOND", "P_MM_MIN", 0, 9999, NONE, 1, 15),
    PD_LEN("MAX_SBALZO", 0, 9999, NONE, 2, 15),
    PD_LEN("SGROSSATURA", 0, 999, NONE, 3, 15),
    PD_CHO("TIPO_SCARIC", "0", 4, 15),
    PD_CHO("MORSE_SUPP", "0", 5, 11),
    PD_LEN("DELTA_DIM_Y", -9999, 9999, NONE, 6, 15),
    PD_CHO("SENSO_FIGURE", "0", 7, 15),
    PD_CHO("CK_MASC_SVAS", "1", 8, 15),
    PD_CHO("CK_TOOL", "0", 9, 15),
    PD_CHO("RIF_BARR_CH", "0", 10, 8),
    PD_END,
};

const ParamDef g_paramGroup2[] = {
    PD_CHO("TIPO_TAGLIO", "0", 0, 15),
    PD_CHO("TIPO_CARIC", "1", 1, 15),
    PD_CHO("SALITA_LAMA", "0", 2, 15),
    PD_CHO("AUTO_TRAS_LAV", "0", 3, 15),
    PD_LEN("SCARTO_TESTA", 0, 9999, NONE, 4, 15),
    PD_LEN("SCARTO_CODA", 0, 9999, NONE, 5, 15),
    PD_LEN("SCARTO_POSIZ", 0, 9999, NONE, 6, 15),
    PD_LEN("OFF_Y_PINZA", -9999, 9999, "0", 7, 15),
    PD_LEN("OFF_Z_PINZA", -9999, 9999, "0", 8, 15),
    PD_CHO("MEM_PEZZI", "0", 9, 13),
    PD_LEN("DIM_SPZ_REC", 0, 9999, "0", 10, 15),
    PD_NUM("VEL_H_CUT", "P_VELH_CUT", "P_MM_MIN", 0, 99999, "0", 11, 12),
    PD_NUM("OFF_C_PINZA", "P_OFF_C_PINZA", "P_GRADI", -360, 360, "0", 12, 12),
    PD_CHO("NOCK_PINZA_OP", "0", 13, 8),
    PD_LEN("CH_V_VICE", 0, 9999, "0", 14, 4),
    PD_LEN("CH_H_VICE", 0, 9999, "0", 15, 4),
    PD_LEN("MAX_U_OUT34", 0, 9999, "0", 16, 8),
    PD_CHO("CK_DXF", "1", 17, 8),
    PD_END,
};

const ParamDef g_paramGroup3[] = {
    PD_LEN("X_PAR_MIN", 0, 999, NONE, 0, 15),
    PD_LEN("X_PAR_MAX", 0, 999, NONE, 1, 11),
    PD_LEN("Y_PAR_MIN", -999, 0, NONE, 2, 15),
    PD_LEN("Y_PAR_MAX", 0, 999, NONE, 3, 15),
    PD_LEN("Z_PAR_MIN", -999, 0, NONE, 4, 15),
    PD_LEN("Z_PAR_MAX", 0, 999, NONE, 5, 15),
    PD_LEN_L("DIST_MANDRINI", "P_DIST_MAND", 100, 1000, NONE, 6, 15),
    PD_LEN("DIST_MORSE", 100, 1000, NONE, 7, 15),
    PD_LEN("IMMORS_MIN", 0, 1000, NONE, 8, 15),
    PD_LEN_L("IMMORS_MIN_OBL", "P_IMM_MIN_OBL", 0, 1000, NONE, 9, 15),
    PD_NUM("MAX_VEL_ROT", "P_MAX_VEL_ROT", "P_GIRI_MIN", 0, 99999, NONE, 10, 15),
    PD_NUM("ROT_OLTRE_MAX", "P_R_OLTRE_MAX", "P_GRADI", 0, 50, NONE, 11, 15),
    PD_NUM("VEL_TAGLIO", "P_VEL_TAGLIO", "P_MT_MIN", 0, 9999, NONE, 12, 15),
    PD_LEN("POSIZ_BARRIERA", 0, 9999, NONE, 13, 15),
    PD_CHO("INSER_OTTIM", "0", 14, 3),
    PD_CHO("ROT_INTERP", "0", 15, 11),
    PD_CHO("LASER_CK_TOOL", "0", 16, 15),
    PD_LEN("EXTRA_MAND_OUT", 0, 9999, "0", 17, 12),
    PD_LEN("POSIZ_BARR_SX", 0, 19999, "0", 18, 8),
    PD_END,
};

const ParamDef g_paramGroup4[] = {
    PD_CHO("CARIC_AUTOM", "1", 0, 15),
    PD_CHO("UNIONE_INTEST", "0", 1, 15),
    PD_LEN("DIST_BOTOLA", 0, 9999, NONE, 2, 15),
    PD_LEN("DIM_BOTOLA", 0, 999, NONE, 3, 15),
    PD_LEN("DIST_SCARIC", 0, 9999, NONE, 4, 15),
    PD_LEN("RANGE_SCARIC", 0, 999, "0", 8, 3),
    PD_LEN("X_MAX_PINZA", 0, 9999, NONE, 5, 15),
    PD_LEN("X_MIN_SPATOLA", 0, 9999, "0", 9, 7),
    PD_LEN("DIM_MIN_SCARTO", 0, 9999, NONE, 6, 15),
    PD_LEN("DIM_MIN_PEZZO", 0, 9999, NONE, 7, 15),
    PD_CHO("CK_UNION_TAGLI", "1", 10, 15),
    PD_CHO("CK_ANGOLI", "0", 11, 15),
    PD_LEN("DIM_MAX_SCAR", 0, 19999, "9999", 12, 12),
    PD_LEN("DIM_PZ_CORTO", 0, 9999, "500", 13, 8),
    PD_LEN("DIM_SC_FIN_BOT", 0, 9999, "0", 14, 8),
    PD_LEN("EXTRA_H_APPR", 0, 9999, "0", 15, 8),
    PD_CHO("MODO_TAGLIO", "1", 16, 15),
    PD_LEN("DIM_MAX_PZ_BOT", 0, 9999, "0", 17, 8),
    PD_LEN("L_PROF_LR_ANT", 0, 9999, "0", 18, 8),
    PD_CHO("DISTR_SCARTO", "0", 19, 8),
    PD_LEN("H_PROF_SC_RAPIDO", 0, 9999, "0", 20, 8),
    PD_END,
};

const ParamDef g_paramGroup5[] = {
    PD_LEN("OFFX_T1", -9999, 9999, "0", 0, 15),
    PD_LEN("OFFX_T2", -9999, 9999, "0", 1, 15),
    PD_LEN("OFFX_T3", -9999, 9999, "0", 2, 15),
    PD_LEN("OFFX_T4", -9999, 9999, "0", 3, 15),
    PD_LEN("OFFY_T1", -9999, 9999, "0", 4, 15),
    PD_LEN("OFFY_T2", -9999, 9999, "0", 5, 15),
    PD_LEN("OFFY_T3", -9999, 9999, "0", 6, 15),
    PD_LEN("OFFY_T4", -9999, 9999, "0", 7, 15),
    PD_LEN("OFFZ_T1", -9999, 9999, "0", 8, 15),
    PD_LEN("OFFZ_T2", -9999, 9999, "0", 9, 15),
    PD_LEN("OFFZ_T3", -9999, 9999, "0", 10, 15),
    PD_LEN("OFFZ_T4", -9999, 9999, "0", 11, 15),
    PD_END,
};

const ParamDef g_paramGroup6[] = {
    PD_CHO("PORT_PC_PRINT", "0", 0, 15),
    PD_CHO("CONF_FILE_OTT", "0", 1, 15),
    PD_CHO("CONF_LINEA", "0", 2, 4),
    PD_CHO("CONF_CARICO", "0", 3, 8),
    PD_END,
};

const ParamDef g_paramGroup7[] = {
    PD_LEN("OFFX_T5", -9999, 9999, "0", 0, 12),
    PD_LEN("OFFX_T6", -9999, 9999, "0", 1, 12),
    PD_LEN("OFFX_T7", -9999, 9999, "0", 2, 12),
    PD_LEN("OFFX_T8", -9999, 9999, "0", 3, 12),
    PD_LEN("OFFY_T5", -9999, 9999, "0", 4, 12),
    PD_LEN("OFFY_T6", -9999, 9999, "0", 5, 12),
    PD_LEN("OFFY_T7", -9999, 9999, "0", 6, 12),
    PD_LEN("OFFY_T8", -9999, 9999, "0", 7, 12),
    PD_LEN("OFFZ_T5", -9999, 9999, "0", 8, 12),
    PD_LEN("OFFZ_T6", -9999, 9999, "0", 9, 12),
    PD_LEN("OFFZ_T7", -9999, 9999, "0", 10, 12),
    PD_LEN("OFFZ_T8", -9999, 9999, "0", 11, 12),
    PD_END,
};

const ParamDef g_paramGroup8[] = {
    PD_LEN("CORR_X_LAME", -9999, 9999, NONE, 0, 4),
    PD_LEN("CORR_P_LAME", -9999, 9999, NONE, 1, 4),
    PD_LEN("SPESS_LAMA_45", 0, 9999, NONE, 2, 4),
    PD_LEN("SPESS_LAMA_135", 0, 9999, NONE, 3, 4),
    PD_LEN_L("MAX_POLVERE", "P_DIM_POLVERE", 0, 9999, NONE, 4, 4),
    PD_LEN("OFF_SCARICO", -9999, 9999, NONE, 5, 4),
    PD_END,
};

const ParamDef g_paramGroup9[] = {
    PD_LEN("DIST_LAMA", 0, 9999, NONE, 0, 15),
    PD_LEN("SPESS_LAMA", 0, 99, NONE, 1, 15),
    PD_LEN("OFF_X_LAMA", -100, 100, NONE, 2, 15),
    PD_LEN("OFF_Y_LAMA", -100, 100, NONE, 3, 15),
    PD_LEN("Y_MIN_LAMA", -9999, 9999, "0", 4, 8),
    PD_LEN("Y_MAX_LAMA", -9999, 9999, "0", 5, 8),
    PD_LEN("DIAM_FLANGIA_LAMA", -9999, 9999, "0", 6, 8),
    PD_LEN("SPESS_FLANGIA_LAMA", -9999, 9999, "0", 7, 8),
    PD_LEN("DIAM_DADO_LAMA", -9999, 9999, "0", 8, 8),
    PD_LEN("SPESS_DADO_LAMA", -9999, 9999, "0", 9, 8),
    PD_LEN("DIAM_LAMA", 0, 9999, "0", 10, 15),
    PD_LEN("L_BRACCIO", 0, 9999, "0", 11, 8),
    PD_LEN("H_BRACCIO", 0, 9999, "0", 12, 8),
    PD_LEN("L_MOTOR", 0, 9999, "0", 13, 8),
    PD_LEN("H_MOTOR", 0, 9999, "0", 14, 8),
    PD_LEN("Z_MIN_LAMA", -9999, 9999, "0", 15, 8),
    PD_LEN("Z_MAX_LAMA", -9999, 9999, "0", 16, 8),
    PD_NUM("Q_MIN_LAMA", "P_Q_MIN_LAMA", "P_GRADI", -360, 360, "0", 17, 8),
    PD_NUM("Q_MAX_LAMA", "P_Q_MAX_LAMA", "P_GRADI", -360, 360, "0", 18, 8),
    PD_LEN("ING_Y_BRACCIO", -9999, 9999, "0", 19, 8),
    PD_LEN("ING_Y_MOTOR", -9999, 9999, "0", 20, 8),
    PD_END,
};

const ParamDef g_paramGroup10[] = {
    PD_LEN("X_MIN_MORSA", 0, 9999, "0", 0, 8),
    PD_LEN("X_MAX_MORSA", 0, 9999, "0", 1, 8),
    PD_LEN("DELTA_H_MORSE_CL", 0, 9999, "0", 2, 8),
    PD_LEN("DELTA_L_MORSE_CL", 0, 9999, "0", 3, 8),
    PD_LEN("H_MAX_MORSE_OP", 0, 9999, "0", 4, 8),
    PD_LEN("DIST_MORSE_LAMA", 0, 9999, "0", 5, 8),
    PD_LEN("DIST_MORSE34", 0, 9999, "0", 6, 8),
    PD_LEN("L_MORSA", 0, 9999, "0", 7, 8),
    PD_LEN("CORR_X_ASSE_U", -9999, 9999, "0", 8, 8),
    PD_LEN("CORR_X_ASSE_B", -9999, 9999, "0", 9, 8),
    PD_LEN("DELTA_IMMORS_B", 0, 9999, "0", 10, 8),
    PD_LEN("DELTA_X_MORSA_B", 0, 9999, "0", 11, 8),
    PD_LEN_L("DELTA_X_SUPPORTO_B", "P_DELTA_X_SUPP_B", 0, 9999, "0", 12, 8),
    PD_LEN_L("DELTA_X_SUPPORTO_34", "P_DELTA_X_SUPP_34", 0, 9999, "0", 13, 8),
    PD_LEN("DELTA_X_ING_ALTO", 0, 9999, "0", 14, 8),
    PD_LEN("SPESS_ESTRATT", 0, 9999, "0", 15, 8),
    PD_LEN("H_ESTRATT", 0, 9999, "0", 16, 8),
    PD_LEN("CORR_Y_ASSI", -9999, 9999, "0", 18, 8),
    PD_END,
};

const ParamDef g_paramGroup11[] = {
    PD_LEN("MORSE_SUPP_X1", -9999, 9999, "175", 0, 15),
    PD_LEN("MORSE_SUPP_X2", -9999, 9999, "245", 1, 15),
    PD_LEN("MORSE_SUPP_X3", -9999, 9999, "275", 2, 15),
    PD_CHO("PERC_SBALZO_IN", "10", 3, 1),
    PD_LEN("MORSE_SUPP_L", -9999, 9999, "50", 4, 15),
    PD_END,
};

const ParamDef g_paramGroup12[] = {
    PD_LEN("X_MIN_EXTRACT", 0, 9999, "0", 0, 8),
    PD_LEN("X_MAX_EXTRACT", 0, 9999, "0", 1, 8),
    PD_LEN("DIM_CONT_PZ_CORTO", 0, 9999, "0", 2, 8),
    PD_LEN("DIST_CONT_PZ_CORTO", 0, 9999, "0", 3, 8),
    PD_LEN("DELTA_SCAR_PZ_LUNGO", 0, 9999, "0", 4, 8),
    PD_LEN("DELTA_B_EXTRACT", 0, 9999, "0", 5, 8),
    PD_END,
};

#undef PD_LEN
#undef PD_LEN_L
#undef PD_NUM
#undef PD_CHO
#undef PD_END

const ParamDef* ParamTable(int group) {
    static const ParamDef* const kTables[kParamGroupCount] = {
        g_paramGroup1, g_paramGroup2, g_paramGroup3, g_paramGroup4,  g_paramGroup5,  g_paramGroup6,
        g_paramGroup7, g_paramGroup8, g_paramGroup9, g_paramGroup10, g_paramGroup11, g_paramGroup12,
    };
    if (group < 1 || group > kParamGroupCount) return nullptr;
    return kTables[group - 1];
}

int ParamGroupTitle(int group) {
    static const int kTitles[kParamGroupCount] = {352, 350, 348, 351, 353, 354, 1211, 1209, 1210, 1212, 349, 1231};
    if (group < 1 || group > kParamGroupCount) return 0;
    return kTitles[group - 1];
}

bool ParamRowInVariant(const ParamDef& row, int variant) {
    switch (variant) {
    case 0: return (row.variantMask & kMaskVariant0) != 0;
    case 1: return (row.variantMask & kMaskVariant1) != 0;
    case 2: return (row.variantMask & kMaskVariant2) != 0;
    default: return false;
    }
}

int CountParamRows(const ParamDef* table) {
    if (table == nullptr) return 0;
    int n = 0;
    while (n < kParamMaxRows && table[n].id >= 0) ++n;
    return n;
}
