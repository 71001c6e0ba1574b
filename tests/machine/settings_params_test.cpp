// The twelve parameter groups: value check and messages, storage rules, variant fix-ups,
// failures that count per variant, derived travel limits and the demo configurations.
#include <cmath>
#include <cstring>
#include <set>
#include <string>

#include "machine/number_entry.h"
#include "machine/params.h"
#include "settings_fixture.h"

namespace {

const ParamDef& Row(int group, const char* key) {
    const ParamDef* t = ParamTable(group);
    for (int r = 0; r < CountParamRows(t); ++r)
        if (std::strcmp(t[r].key, key) == 0) return t[r];
    ADD_FAILURE() << key;
    return t[0];
}

TEST(ParamTables, ShapeOfTheTables) {
    const int rows[] = {11, 18, 19, 21, 12, 4, 12, 6, 21, 18, 5, 6};
    std::set<std::string> keys;
    for (int g = 1; g <= kParamGroupCount; ++g) {
        const ParamDef* t = ParamTable(g);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(CountParamRows(t), rows[g - 1]) << g;
        std::set<int> ids;
        for (int r = 0; r < CountParamRows(t); ++r) {
            EXPECT_TRUE(ids.insert(t[r].id).second) << t[r].key;   // identifiers unique per group
            EXPECT_TRUE(keys.insert(t[r].key).second) << t[r].key; // keys unique overall
            EXPECT_NE(t[r].defaultText, nullptr);
            if (t[r].kind == kParamChoice) {
                EXPECT_EQ(t[r].unitKeyMetric, nullptr) << t[r].key;
            }
        }
    }
    EXPECT_EQ(ParamTable(0), nullptr);
    EXPECT_EQ(ParamTable(13), nullptr);
    EXPECT_EQ(ParamGroupTitle(7), 1211);
    EXPECT_EQ(ParamGroupTitle(11), 349);
    // Labels and units that are not the plain pattern.
    EXPECT_STREQ(Row(3, "DIST_MANDRINI").labelKey, "P_DIST_MAND");
    EXPECT_STREQ(Row(10, "DELTA_X_SUPPORTO_34").labelKey, "P_DELTA_X_SUPP_34");
    EXPECT_STREQ(Row(2, "VEL_H_CUT").labelKey, "P_VELH_CUT");
    EXPECT_STREQ(Row(2, "VEL_H_CUT").unitKeyMetric, "P_MM_MIN");
    EXPECT_EQ(Row(3, "ROT_OLTRE_MAX").unitKeyInch, nullptr);
    EXPECT_STREQ(Row(9, "Q_MAX_LAMA").unitKeyMetric, "P_GRADI");
    EXPECT_STREQ(Row(4, "DIM_BOTOLA").unitKeyInch, "P_IN");
    EXPECT_STREQ(Row(3, "X_PAR_MIN").defaultText, kParamNoDefault);
    EXPECT_EQ(Row(4, "RANGE_SCARIC").id, 8);
    EXPECT_EQ(Row(10, "CORR_Y_ASSI").id, 18);
    EXPECT_EQ(Row(7, "OFFZ_T8").variantMask, 12);
    EXPECT_TRUE(ParamRowInVariant(Row(1, "RIF_BARR_CH"), 1));
    EXPECT_FALSE(ParamRowInVariant(Row(1, "RIF_BARR_CH"), 0));
    EXPECT_FALSE(ParamRowInVariant(Row(3, "INSER_OTTIM"), 1)); // bit value 2 is no variant
}

class ParseTest : public SettingsTest {};

TEST_F(ParseTest, NumbersAndExactMessages) {
    MachineSettings s;
    const ParamDef& head = Row(2, "SCARTO_TESTA");
    for (int limits : {0, 1}) {
        s.CK_LIMITS = limits;
        double v = 0;
        EXPECT_EQ(ParseParamValue(s, "12.5", head, &v, 350), kParamOk);
        EXPECT_EQ(v, 12.5);
        EXPECT_EQ(ParseParamValue(s, "1e2", head, &v, 350), kParamOk);
        EXPECT_EQ(v, 100.0);
        EXPECT_EQ(ParseParamValue(s, "  -0.5\n", Row(2, "OFF_Y_PINZA"), &v, 350), kParamOk);
        EXPECT_EQ(v, -0.5);
        for (const char* bad : {"12,5", "inf", "12.5 ", "", "abc", "0x10", "1e999", "nan"}) {
            ClearErrorText();
            EXPECT_EQ(ParseParamValue(s, bad, head, &v, 350), kParamSyntaxError) << bad;
            EXPECT_STREQ(g_errorText, "Cut-off and clamp->Head scrap\nThe value is not a valid number.") << bad;
        }
    }
    // Without a title number the message is the label and the error.
    double v = 0;
    EXPECT_EQ(ParseParamValue(s, "12,5", head, &v, -1), kParamSyntaxError);
    EXPECT_STREQ(g_errorText, "Head scrap\nThe value is not a valid number.");
    // No out value: only the check.
    EXPECT_EQ(ParseParamValue(s, "3", head, nullptr, 350), kParamOk);
}

TEST_F(ParseTest, LimitsOnlyWithCkLimitsAndOnlyForNumbers) {
    MachineSettings s;
    const ParamDef& offX = Row(9, "OFF_X_LAMA");
    double v = 0;
    s.CK_LIMITS = 0;
    EXPECT_EQ(ParseParamValue(s, "150", offX, &v, 1210), kParamOk);
    EXPECT_EQ(v, 150.0);
    s.CK_LIMITS = 1;
    EXPECT_EQ(ParseParamValue(s, "150", offX, &v, 1210), kParamLimitError);
    EXPECT_STREQ(g_errorText, "Blade and blade head->Blade X offset\nThe value is outside the allowed range.\n"
                              "Allowed range: -100 .. 100 mm");
    EXPECT_EQ(ParseParamValue(s, "-100", offX, &v, 1210), kParamOk); // both ends allowed
    EXPECT_EQ(ParseParamValue(s, "100", offX, &v, 1210), kParamOk);
    EXPECT_EQ(ParseParamValue(s, "100.001", offX, &v, -1), kParamLimitError);
    EXPECT_STREQ(g_errorText, "Blade X offset\nThe value is outside the allowed range.\nAllowed range: -100 .. 100 mm");
    EXPECT_EQ(ParseParamValue(s, "77", Row(2, "TIPO_TAGLIO"), &v, 350), kParamOk); // choices: no range test
}

// A refusal names the range in the unit the operator types: a length in inches in inch mode,
// every other unit as it is.
TEST_F(ParseTest, RangeIsNamedInTheUnitShown) {
    const struct {
        int group;
        const char* key;
        int units;
        const char* range;
    } cases[] = {
        {9, "OFF_X_LAMA", kUnitMillimetres, "Allowed range: -100 .. 100 mm"},
        {9, "OFF_X_LAMA", kUnitInches, "Allowed range: -3.9370 .. 3.9370 in"},
        {3, "ROT_OLTRE_MAX", kUnitInches, "Allowed range: 0 .. 50 deg"},
        {1, "VEL_SFOND", kUnitMillimetres, "Allowed range: 0 .. 9999 mm/min"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " " + std::to_string(c.units));
        SetUnitSystem(c.units);
        EXPECT_EQ(ParamRangeText(Row(c.group, c.key)), c.range);
    }
    SetUnitSystem(kUnitMillimetres);
    SetParamWholeNumberError(Row(3, "ROT_OLTRE_MAX"));
    EXPECT_EQ(std::string(g_errorText), std::string(MsgString("P_R_OLTRE_MAX")) +
                                            "\nThe value must be a whole number.\nAllowed range: 0 .. 50 deg");
}

// The text of a whole-number field: what it takes, and why it refuses the rest.
TEST_F(ParseTest, WholeNumberEntriesTakeOnlyWholeNumbersWithinTheirRange) {
    const struct {
        const char* text;
        WholeEntry result;
        int32_t value;
    } cases[] = {
        {"12", WholeEntry::Ok, 12},          {" 12", WholeEntry::Ok, 12},        {"12.0", WholeEntry::Ok, 12},
        {"12\n", WholeEntry::Ok, 12},        {"0", WholeEntry::Ok, 0},           {"999", WholeEntry::Ok, 999},
        {"2.5", WholeEntry::NotWhole, 0},    {"-0.5", WholeEntry::NotWhole, 0},  {"-3", WholeEntry::Limit, 0},
        {"1000", WholeEntry::Limit, 0},      {"99999999999", WholeEntry::Limit, 0},
        {"", WholeEntry::Syntax, 0},         {"12abc", WholeEntry::Syntax, 0},   {"abc", WholeEntry::Syntax, 0},
        {"12 ", WholeEntry::Syntax, 0},      {"inf", WholeEntry::Syntax, 0},     {"1e999", WholeEntry::Syntax, 0},
        {"0x10", WholeEntry::Syntax, 0},     {".", WholeEntry::Syntax, 0},       {"-", WholeEntry::Syntax, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        int32_t value = -1;
        EXPECT_EQ(CheckWholeEntry(c.text, 0, 999, &value), c.result);
        if (c.result == WholeEntry::Ok) {
            EXPECT_EQ(value, c.value);
        }
    }
    EXPECT_EQ(WholeEntryRefusal(WholeEntry::NotWhole, "Speed", 0, 999, "P_GIRI_MIN"),
              std::string("Speed\nThe value must be a whole number.\nAllowed range: 0 .. 999 ") + MsgString("P_GIRI_MIN"));
    EXPECT_EQ(WholeEntryRefusal(WholeEntry::Limit, nullptr, -5, 5, nullptr),
              "The value is outside the allowed range.\nAllowed range: -5 .. 5");
    EXPECT_EQ(WholeEntryRefusal(WholeEntry::Syntax, "", 0, 1, nullptr),
              "The value is not a valid number.\nAllowed range: 0 .. 1");
}

// ---- loading ----

class LoadTest : public SettingsTest {
protected:
    void SetUpVariant(int variant, const char* folder) {
        ApplyMachineVariant(variant);
        UseDemoConf(folder);
    }
    void Param(const char* key, const char* value) { SetKey(ParamPar(), "PARAM", key, value); }
};

TEST_F(LoadTest, StorageRules) {
    SetUpVariant(0, "CONF-V0");
    Param("SCARTO_TESTA", "12.5");
    Param("SALITA_LAMA", "2");
    Param("VEL_ASPORT", "1.57");
    Param("VEL_SFOND", "800.9");
    Param("PERC_SBALZO_IN", "10");
    Param("ROT_OLTRE_MAX", "12.345");
    Param("OFF_Y_PINZA", "-0.0015");
    MachineSettings s;
    ASSERT_EQ(LoadBaseParameters(s), 0) << g_errorText;
    ASSERT_EQ(LoadAllParameters(s), 0) << g_errorText;
    EXPECT_EQ(s.SCARTO_TESTA, 12500);
    EXPECT_EQ(s.SALITA_LAMA, 3);
    EXPECT_EQ(s.VEL_ASPORT, 15);
    EXPECT_EQ(s.VEL_SFOND, 800);
    EXPECT_EQ(s.PERC_SBALZO_IN, 100);
    EXPECT_EQ(s.ROT_OLTRE_MAX, 12345);
    EXPECT_EQ(s.ROT_OLTRE_MAX2, 12345);
    EXPECT_EQ(s.OFF_Y_PINZA, -1);
    EXPECT_EQ(GetMachineTailScrap(s), 150000);

    ApplyMachineVariant(1);
    ASSERT_EQ(LoadAllParameters(s), 0) << g_errorText;
    EXPECT_EQ(s.PERC_SBALZO_IN, 0);
}

TEST_F(LoadTest, RowsAreStoredByIdentifier) {
    SetUpVariant(0, "CONF-V0");
    Param("RANGE_SCARIC", "11");   // row 5, identifier 8
    Param("X_MAX_PINZA", "2222");  // row 6, identifier 5
    Param("X_MIN_SPATOLA", "33");  // row 7, identifier 9
    Param("DIM_MIN_SCARTO", "44"); // row 8, identifier 6
    MachineSettings s;
    ASSERT_EQ(LoadParamGroup4(s), 0) << g_errorText;
    EXPECT_EQ(s.RANGE_SCARIC, 11000);
    EXPECT_EQ(s.X_MAX_PINZA, 2222000);
    EXPECT_EQ(s.X_MIN_SPATOLA, 33000);
    EXPECT_EQ(s.DIM_MIN_SCARTO, 44000);
    Param("CORR_Y_ASSI", "-7.5"); // identifier 18 after 16
    ASSERT_EQ(LoadParamGroup10(s), 0);
    EXPECT_EQ(s.CORR_Y_ASSI, -7500);
    EXPECT_EQ(s.H_ESTRATT, 100000);
}

TEST_F(LoadTest, GroupStopsAtTheFirstBadRowKeepingTheRowsBefore) {
    SetUpVariant(1, "CONF");
    SetKey(ParamPar(), "PARAM", "X_PAR_MIN", nullptr);
    MachineSettings s;
    EXPECT_EQ(LoadAllParameters(s), 1);
    EXPECT_STREQ(g_errorText, "Axes and spindles->X travel minimum\nThe value is not a valid number.");

    UseDemoConf("CONF");
    Param("DIST_MORSE", "50"); // below its minimum of 100
    EXPECT_EQ(LoadParamGroup3(s), 1);
    EXPECT_EQ(s.Z_PAR_MAX, 200000);  // rows before it loaded
    EXPECT_EQ(s.DIST_MANDRINI, 400000);
    EXPECT_EQ(s.IMMORS_MIN, 0);      // rows after it not
}

TEST_F(LoadTest, FailuresThatCountDependOnTheVariant) {
    struct Case {
        const char* key;
        int variant;
        int expected;
    };
    const Case cases[] = {
        {"OFFX_T5", 0, 0}, {"OFFX_T5", 1, 1}, {"OFFX_T5", 2, 1},                       // group 7
        {"CORR_X_LAME", 0, 0}, {"CORR_X_LAME", 1, 0}, {"CORR_X_LAME", 2, 1},           // group 8
        {"X_MIN_MORSA", 0, 0}, {"X_MIN_MORSA", 1, 1}, {"X_MIN_MORSA", 2, 0},           // group 10
        {"X_MIN_EXTRACT", 0, 0}, {"X_MIN_EXTRACT", 1, 1}, {"X_MIN_EXTRACT", 2, 0},     // group 12
        {"DIST_LAMA", 0, 1}, {"MORSE_SUPP_L", 2, 1}, {"DIST_BOTOLA", 0, 1},            // always count
    };
    const char* folders[] = {"CONF-V0", "CONF", "CONF-V2"};
    for (const Case& c : cases) {
        SetUpVariant(c.variant, folders[c.variant]);
        const bool ralla = std::strncmp(c.key, "OFF", 3) == 0;
        SetKey(ralla ? ConfigPar() : ParamPar(), ralla ? "RALLA" : "PARAM", c.key, "bad");
        MachineSettings s;
        EXPECT_EQ(LoadAllParameters(s), c.expected) << c.key << " variant " << c.variant;
    }
}

TEST_F(LoadTest, VariantFixUps) {
    SetUpVariant(0, "CONF-V0");
    Param("VEL_H_CUT", "100");
    Param("CK_DXF", "1");
    Param("EXTRA_MAND_OUT", "40");
    Param("CARIC_AUTOM", "0");
    Param("MODO_TAGLIO", "2");
    MachineSettings s;
    s.options.MORSE_SUPP = 0; // no support vices fitted: the parameter reads 0
    ASSERT_EQ(LoadAllParameters(s), 0) << g_errorText;
    ASSERT_EQ(LoadBaseParameters(s), 0) << g_errorText;
    EXPECT_EQ(s.VEL_H_CUT, 0);
    EXPECT_EQ(s.CK_DXF, 0);
    EXPECT_EQ(s.EXTRA_MAND_OUT, 0);
    EXPECT_EQ(s.MORSE_SUPP, 0);
    EXPECT_EQ(s.TIPO_CARIC, 0); // variant 0 follows CARIC_AUTOM
    EXPECT_EQ(s.MODO_TAGLIO, 0);
    EXPECT_EQ(s.RANGE_SCARIC, 100000);
    EXPECT_EQ(s.DIM_CONT_PZ_CORTO, 0); // ASSEC off

    s.options.MORSE_SUPP = 1;
    s.options.ASSEC = 1;
    ApplyMachineVariant(1);
    ASSERT_EQ(LoadAllParameters(s), 0) << g_errorText;
    ASSERT_EQ(LoadBaseParameters(s), 0) << g_errorText;
    EXPECT_EQ(s.MORSE_SUPP, 1);
    EXPECT_EQ(s.TIPO_CARIC, 1);
    EXPECT_EQ(s.MODO_TAGLIO, 2);
    EXPECT_EQ(s.RANGE_SCARIC, 0);
    EXPECT_EQ(s.DIM_CONT_PZ_CORTO, 300000);
    EXPECT_EQ(s.ROT_INTERP, 0);

    ApplyMachineVariant(2);
    Param("X_PAR_MAX", "700");
    ASSERT_EQ(LoadAllParameters(s), 0) << g_errorText;
    EXPECT_EQ(s.X_PAR_MAX, 0);
    EXPECT_EQ(s.X_TRAVEL_MAX, s.X_PAR_MIN);
    EXPECT_EQ(s.X_TRAVEL_MIN, s.X_PAR_MIN);
}

TEST_F(LoadTest, VariantOneFillsMissingGroupFourKeys) {
    SetUpVariant(1, "CONF");
    SetKey(ParamPar(), "PARAM", "DIM_MAX_PZ_BOT", nullptr);
    SetKey(ParamPar(), "PARAM", "L_PROF_LR_ANT", nullptr);
    Param("DIM_BOTOLA", "420.5");
    MachineSettings s;
    ASSERT_EQ(LoadParamGroup4(s), 0) << g_errorText;
    EXPECT_EQ(s.DIM_MAX_PZ_BOT, 420500);
    EXPECT_EQ(s.L_PROF_LR_ANT, 50000);
    EXPECT_EQ(Key(ParamPar(), "PARAM", "DIM_MAX_PZ_BOT"), "420.50");
    EXPECT_EQ(Key(ParamPar(), "PARAM", "L_PROF_LR_ANT"), "50.00");

    // On other variants nothing is written.
    SetKey(ParamPar(), "PARAM", "L_PROF_LR_ANT", nullptr);
    ApplyMachineVariant(2);
    ASSERT_EQ(LoadParamGroup4(s), 0);
    EXPECT_EQ(Key(ParamPar(), "PARAM", "L_PROF_LR_ANT"), "<missing>");
    EXPECT_EQ(s.L_PROF_LR_ANT, 0);
}

TEST_F(LoadTest, TravelLimitsPerVariantWithAndWithoutDecentr) {
    // RALLA: X offsets 0, 0.5, 0, -0.8 (T1..T4); largest |Y|,|Z| 2.0 (T3 Z), T6 Y 1.0.
    // DECRALLA: largest |Y|,|Z| 35; X offset of T2 1.0.
    struct Expect {
        int variant;
        int decentr;
        int32_t xMax, xMin, yMax, yMin, zMax, zMin;
    };
    const Expect cases[] = {
        {0, 0, 750000 - 800 - 10, 50000 + 500 + 10, 180000 - 2000 - 10, -180000 + 2000 + 10, 200000 - 2000 - 10,
         -150000 + 2000 + 10},
        {1, 0, 750000 - 800 - 10, 50000 + 500 + 10, 180000 - 2000 - 10, -180000 + 2000 + 10, 200000 - 2000 - 10,
         -150000 + 2000 + 10},
        {2, 0, 50000, 50000, 180000 - 2000 - 10, -180000 + 2000 + 10, 200000 - 2000 - 10, -150000 + 2000 + 10},
        {0, 1, 750000 - 10, 50000 + 1000 + 10, 180000 - 10, -180000 + 10, 200000 - 10, -150000 + 10},
        {1, 1, 750000 - 10, 50000 + 1000 + 10, 180000 - 10, -180000 + 10, 200000 - 10, -150000 + 10},
    };
    const char* folders[] = {"CONF-V0", "CONF", "CONF-V2"};
    for (const Expect& e : cases) {
        ResetProgramValues();
        g_decentredRalla = e.decentr;
        SetUpVariant(e.variant, folders[e.variant]);
        MachineSettings s;
        ASSERT_EQ(LoadAllParameters(s), 0) << g_errorText;
        SCOPED_TRACE(::testing::Message() << "variant " << e.variant << " decentr " << e.decentr);
        EXPECT_EQ(s.X_TRAVEL_MAX, e.xMax);
        EXPECT_EQ(s.X_TRAVEL_MIN, e.xMin);
        EXPECT_EQ(s.Y_TRAVEL_MAX, e.yMax);
        EXPECT_EQ(s.Y_TRAVEL_MIN, e.yMin);
        EXPECT_EQ(s.Z_TRAVEL_MAX, e.zMax);
        EXPECT_EQ(s.Z_TRAVEL_MIN, e.zMin);
    }
}

TEST_F(LoadTest, OffsetExtremesWidenWithThePositionsInUse) {
    SetUpVariant(0, "CONF-V0");
    SetKey(ConfigPar(), "RALLA", "OFFY_T6", "-9"); // T6 exists only with 8 positions
    MachineSettings s;
    ASSERT_EQ(LoadAllParameters(s), 0);
    EXPECT_EQ(s.offYZMax, 2000);
    ApplyMachineVariant(1);
    ASSERT_EQ(LoadAllParameters(s), 0);
    EXPECT_EQ(s.offYZMax, 9000);
    // Never narrowed by a later load.
    SetKey(ConfigPar(), "RALLA", "OFFY_T6", "0");
    ASSERT_EQ(LoadAllParameters(s), 0);
    EXPECT_EQ(s.offYZMax, 9000);
}

TEST_F(LoadTest, ReadAndWriteParamTextPerGroupFile) {
    ApplyMachineVariant(1);
    char text[kParamTextSize];
    ASSERT_TRUE(ReadParamText(11, 0, text, sizeof text));
    EXPECT_STREQ(text, "175"); // default
    ASSERT_TRUE(WriteParamText(5, 4, "1.25"));
    EXPECT_EQ(Key(ConfigPar(), "RALLA", "OFFY_T1"), "1.25");
    g_decentredRalla = 1;
    ASSERT_TRUE(WriteParamText(7, 0, "2.5"));
    EXPECT_EQ(Key(ConfigPar(), "DECRALLA", "OFFX_T5"), "2.5");
    ASSERT_TRUE(ReadParamText(7, 0, text, sizeof text));
    EXPECT_STREQ(text, "2.5");
    EXPECT_FALSE(WriteParamText(13, 0, "1"));
    EXPECT_FALSE(WriteParamText(1, 30, "1"));
    EXPECT_FALSE(ReadParamText(0, 0, text, sizeof text));
    EXPECT_STREQ(text, "");
}

TEST_F(LoadTest, ToolCheckSwitch) {
    MachineSettings s;
    s.CK_TOOL = 1;
    EXPECT_EQ(IsToolCheckOn(s), 0);
    s.LASER_CK_TOOL = 1;
    EXPECT_EQ(IsToolCheckOn(s), 1);
}

// Every demo configuration loads for its variant without an error, a message or a write.
TEST_F(LoadTest, DemoConfigurationsLoadCleanly) {
    const struct {
        const char* folder;
        int variant;
    } demos[] = {{"CONF", 1}, {"CONF-V0", 0}, {"CONF-V2", 2}};
    for (const auto& d : demos) {
        for (int decentr : {0, 1}) {
            SCOPED_TRACE(::testing::Message() << d.folder << " decentr " << decentr);
            ResetProgramValues();
            g_decentredRalla = decentr;
            SetUpVariant(d.variant, d.folder);
            EXPECT_EQ(ReadFile(ConfigPar()), ReadFile(Conf("CONFIG.X_")));
            const std::string config = ReadFile(ConfigPar());
            const std::string param = ReadFile(ParamPar());
            ClearErrorText();
            {
                MachineSettings s;
                EXPECT_EQ(LoadAllParameters(s), 0) << g_errorText;
                EXPECT_EQ(LoadBaseParameters(s), 0) << g_errorText;
                EXPECT_STREQ(g_errorText, "");
                EXPECT_GT(s.X_TRAVEL_MAX, 0);
                EXPECT_LT(s.Y_TRAVEL_MIN, s.Y_TRAVEL_MAX);
                EXPECT_LT(s.Z_TRAVEL_MIN, s.Z_TRAVEL_MAX);
                EXPECT_EQ(s.CK_LIMITS, 1);
                EXPECT_EQ(s.IMPORT_DEFPRO, 1); // no notice at start-up
                SetUnitSystem(kUnitMillimetres);
            }
            EXPECT_TRUE(ui_.boxes.empty());
            EXPECT_EQ(ReadFile(ParamPar()), param);
            EXPECT_EQ(ReadFile(ConfigPar()), config); // UN_MIS written back unchanged
        }
    }
}

} // namespace
