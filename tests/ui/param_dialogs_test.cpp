// The twelve machine-parameter dialogs offscreen: their rows on every variant, the checks on
// OK, typing filters, inch display, what a save writes, the notice of an open list, the ralla
// position boxes, and the blade records of the tool table.
#include "machine/tool_table.h"
#include "refused_config_writes.h"
#include "platform/paths.h"
#include "machine/window_scale.h"
#include "param_dialogs_fixture.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include "ui/ParamDialogs.h"
#include "ui/qt_text.h"

namespace paramtest {
namespace {

const int kCommands[] = {336, 337, 343, 344, 345, 346, 347, 32775, 32779, 32781, 32784, 32787};

struct FileStamp {
    std::string bytes;
    timespec mtime{};
    bool operator==(const FileStamp& o) const {
        return bytes == o.bytes && mtime.tv_sec == o.mtime.tv_sec && mtime.tv_nsec == o.mtime.tv_nsec;
    }
};
FileStamp Stamp(const std::string& path) {
    FileStamp s;
    s.bytes = ReadFile(path);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) s.mtime = st.st_mtim;
    return s;
}

// The rows of every dialog on every variant's demo configuration: names, hidden rows, texts;
// OK without a change closes with 1, shows nothing and leaves every file as it was.
TEST_F(ParamDialogTest, EveryDialogOnEveryVariantOpensAndOkWithoutChangeWritesNothing) {
    for (int variant = 0; variant <= 2; ++variant) {
        Reinstall(variant);
        // A variant-1 machine with support vices, so its stored MORSE_SUPP is the one shown.
        if (variant == 1) g_pSettings->options.MORSE_SUPP = 1;
        for (int command : kCommands) {
            SCOPED_TRACE(testing::Message() << "variant " << variant << " command " << command);
            const FileStamp param = Stamp(ParamPar()), config = Stamp(ConfigPar()), tools = Stamp(ToolsTxt());
            ui::CParamBaseDialog& d = Open(command);
            EXPECT_TRUE(ui_->boxes.empty()) << (ui_->boxes.empty() ? "" : ui_->boxes[0].text);
            const ui::ParamDialogSpec& spec = d.Spec();
            const ParamDef* table = ParamTable(spec.group);
            ASSERT_EQ(d.RowCount(), CountParamRows(table));
            EXPECT_NE(d.windowTitle().toStdString(), spec.titleKey); // the title key has a text
            for (int i = 0; i < d.RowCount(); ++i) {
                const ui::RowLayout want = ui::DecideRow(spec, table[i], variant, g_pSettings->options.BARR_SX,
                                                         g_pSettings->options.MORSE_SUPP);
                auto* label = d.findChild<QLabel*>(QStringLiteral("id_%1").arg(701 + i));
                QWidget* value = d.findChild<QWidget*>(QStringLiteral("id_%1").arg(727 + i));
                ASSERT_TRUE(label && value && d.findChild<QLabel*>(QStringLiteral("id_%1").arg(753 + i)));
                EXPECT_EQ(value, d.ValueControl(i));
                EXPECT_EQ(qobject_cast<QComboBox*>(value) != nullptr, table[i].kind == kParamChoice) << table[i].key;
                EXPECT_EQ(label->isHidden(), want.hidden) << table[i].key;
                if (!spec.positionBoxes) {
                    EXPECT_EQ(value->isEnabled(), ParamRowInVariant(table[i], variant)) << table[i].key;
                }
                if (!want.hidden) {
                    EXPECT_EQ(label->text(), ui::ToQt(MsgString(want.labelKey))) << table[i].key;
                }
                if (auto* combo = qobject_cast<QComboBox*>(value); combo && !want.hidden && value->isEnabled()) {
                    EXPECT_GT(combo->count(), 0) << table[i].key;
                    EXPECT_NE(combo->itemText(0).left(2), QStringLiteral("S_")) << table[i].key;
                }
            }
            Click(1);
            EXPECT_FALSE(d.isVisible());
            EXPECT_EQ(d.result(), 1);
            EXPECT_TRUE(ui_->boxes.empty());
            EXPECT_TRUE(Stamp(ParamPar()) == param);
            EXPECT_TRUE(Stamp(ConfigPar()) == config);
            EXPECT_TRUE(Stamp(ToolsTxt()) == tools);
        }
    }
}

const ParamDef& RowOf(const ui::ParamDialogSpec& spec, const char* key) {
    const ParamDef* table = ParamTable(spec.group);
    for (int i = 0; i < CountParamRows(table); ++i)
        if (std::strcmp(table[i].key, key) == 0) return table[i];
    ADD_FAILURE() << key;
    return table[0];
}

// One case per rule of the dialogs' variant layouts.
TEST(ParamDialogRules, RowsByVariantAndOption) {
    using ui::ParamFilter;
    const struct {
        int dialog;
        const char* key;
        int variant, barrSx, morseSupp;
        bool hidden, disabled;
        int forced;
        bool clear;
        ParamFilter filter;
        const char* label; // null: the row's own
    } cases[] = {
        {ui::kConfFresa1, "X_PAR_MAX", 0, 0, 0, false, false, -1, false, ParamFilter::RealMinus, nullptr},
        {ui::kConfFresa1, "X_PAR_MAX", 2, 0, 0, true, true, -1, false, ParamFilter::None, nullptr},
        {ui::kConfFresa1, "INSER_OTTIM", 1, 0, 0, true, true, 0, false, ParamFilter::None, nullptr},
        {ui::kConfFresa1, "ROT_INTERP", 0, 0, 0, false, false, -1, false, ParamFilter::None, nullptr},
        {ui::kConfFresa1, "EXTRA_MAND_OUT", 0, 0, 0, true, true, -1, false, ParamFilter::Real, nullptr},
        {ui::kConfFresa1, "POSIZ_BARR_SX", 1, 0, 0, true, false, -1, false, ParamFilter::Real, nullptr},
        {ui::kConfFresa1, "POSIZ_BARR_SX", 1, 1, 0, false, false, -1, false, ParamFilter::Real, nullptr},
        {ui::kConfFresa1, "MAX_VEL_ROT", 1, 0, 0, false, false, -1, false, ParamFilter::Integer, nullptr},
        {ui::kConfFresa2, "PERC_SBALZO_IN", 1, 0, 0, true, true, -1, false, ParamFilter::None, nullptr},
        {ui::kConfFresa2, "MORSE_SUPP_L", 0, 0, 0, false, false, -1, false, ParamFilter::None, nullptr},
        {ui::kConfTronca, "CARIC_AUTOM", 2, 0, 0, true, false, 1, false, ParamFilter::None, nullptr},
        {ui::kConfTronca, "X_MIN_SPATOLA", 1, 0, 0, true, true, -1, false, ParamFilter::Real, nullptr},
        {ui::kConfTronca, "DIM_MAX_SCAR", 2, 0, 0, true, false, -1, false, ParamFilter::Real, nullptr},
        {ui::kConfTronca, "H_PROF_SC_RAPIDO", 0, 0, 0, false, true, -1, false, ParamFilter::Real, nullptr},
        {ui::kConfLama, "OFF_X_LAMA", 2, 0, 0, false, false, -1, false, ParamFilter::RealMinus, "P_OFF_Z_LAMA"},
        {ui::kConfLama, "ING_Y_MOTOR", 1, 0, 0, false, false, -1, false, ParamFilter::None, nullptr},
        {ui::kConfLink, "CONF_CARICO", 0, 0, 0, true, true, -1, false, ParamFilter::None, nullptr},
        {ui::kConfLink, "CONF_LINEA", 2, 0, 0, false, false, -1, false, ParamFilter::None, nullptr},
        {ui::kParFresa, "MORSE_SUPP", 1, 0, 0, true, false, 0, true, ParamFilter::None, nullptr},
        {ui::kParFresa, "MORSE_SUPP", 1, 0, 1, false, false, -1, false, ParamFilter::None, nullptr},
        {ui::kParFresa, "MORSE_SUPP", 2, 0, 0, true, true, 0, false, ParamFilter::None, nullptr},
        {ui::kParFresa, "RIF_BARR_CH", 0, 0, 0, true, true, 0, true, ParamFilter::None, nullptr},
        {ui::kParFresa, "RIF_BARR_CH", 1, 1, 0, false, false, -1, false, ParamFilter::None, nullptr},
        {ui::kParTronca, "TIPO_CARIC", 1, 0, 0, true, false, 1, false, ParamFilter::None, nullptr},
        {ui::kParTronca, "SALITA_LAMA", 1, 0, 0, true, false, -1, false, ParamFilter::None, nullptr},
        {ui::kParTronca, "VEL_H_CUT", 1, 0, 0, false, false, -1, false, ParamFilter::RealMinus, "P_VELH_CUT_ALU"},
        {ui::kParTronca, "VEL_H_CUT", 0, 0, 0, true, true, -1, false, ParamFilter::RealMinus, nullptr},
        {ui::kParTronca, "CH_V_VICE", 1, 0, 0, true, true, -1, false, ParamFilter::None, nullptr},
        {ui::kParTronca, "SCARTO_TESTA", 2, 0, 0, false, false, -1, false, ParamFilter::Real, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.key << " variant " << c.variant);
        const ui::ParamDialogSpec& spec = ui::ParamDialogSpecs()[static_cast<std::size_t>(c.dialog)];
        const ParamDef& row = RowOf(spec, c.key);
        const ui::RowLayout r = ui::DecideRow(spec, row, c.variant, c.barrSx, c.morseSupp);
        EXPECT_EQ(r.hidden, c.hidden);
        EXPECT_EQ(r.disabled, c.disabled);
        EXPECT_EQ(r.forcedChoice, c.forced);
        EXPECT_EQ(r.clearSetting, c.clear);
        EXPECT_EQ(r.filter, c.filter);
        EXPECT_STREQ(r.labelKey, c.label != nullptr ? c.label : row.labelKey);
    }
}

TEST(ParamDialogRules, ChoiceListsByVariant) {
    const struct {
        int dialog;
        const char* key;
        std::size_t counts[3]; // variants 0, 1, 2
    } cases[] = {
        {ui::kParFresa, "TIPO_SCARIC", {4, 1, 2}},   {ui::kParTronca, "TIPO_TAGLIO", {2, 2, 1}},
        {ui::kParTronca, "SALITA_LAMA", {4, 4, 2}},  {ui::kParTronca, "CK_DXF", {0, 2, 0}},
        {ui::kConfLink, "CONF_FILE_OTT", {2, 3, 2}}, {ui::kConfLink, "PORT_PC_PRINT", {5, 5, 5}},
        {ui::kConfTronca, "MODO_TAGLIO", {0, 3, 0}}, {ui::kConfFresa2, "PERC_SBALZO_IN", {11, 11, 11}},
    };
    for (const auto& c : cases)
        for (int v = 0; v <= 2; ++v)
            EXPECT_EQ(ui::ChoicesOf(ui::ParamDialogSpecs()[static_cast<std::size_t>(c.dialog)], c.key, v).size(),
                      c.counts[v])
                << c.key << " variant " << v;
}

// The dialogs as the operator sees them, on both screens, grabbed for a look.
TEST_F(ParamDialogTest, EveryDialogIsGrabbedOnBothScreens) {
    const std::string out = BRELON_BINARY_DIR "/param_dialog_pngs/";
    QDir().mkpath(QString::fromStdString(out));
    for (int variant = 0; variant <= 2; ++variant) {
        Reinstall(variant);
        for (const auto& [w, h] : {std::pair{1024, 768}, std::pair{1920, 1080}}) {
            SetScreenSize(w, h);
            for (int command : kCommands) {
                ui::CParamBaseDialog& d = Open(command);
                EXPECT_LE(d.width(), w);
                EXPECT_LE(d.height(), h - 40);
                const std::string name = out + d.objectName().toStdString() + "_v" + std::to_string(variant) + "_" +
                                         std::to_string(w) + ".png";
                EXPECT_TRUE(d.grab().save(QString::fromStdString(name)));
            }
        }
    }
    SetScreenSize(1024, 768);
}

TEST_F(ParamDialogTest, LimitsAreCheckedOnlyWithCkLimits) {
    for (int limits : {0, 1}) {
        SCOPED_TRACE(limits);
        g_pSettings->CK_LIMITS = limits;
        SetParam("VEL_SFOND", "800");
        ui::CParamBaseDialog& d = Open(336);
        Type("VEL_SFOND", "99999"); // maximum 9999
        Click(1);
        if (limits == 0) {
            EXPECT_FALSE(d.isVisible());
            EXPECT_EQ(Param("VEL_SFOND"), "99999");
            EXPECT_TRUE(ui_->boxes.empty());
        } else {
            EXPECT_TRUE(d.isVisible());
            EXPECT_EQ(Param("VEL_SFOND"), "800");
            ASSERT_EQ(ui_->boxes.size(), 1u);
            EXPECT_EQ(ui_->boxes[0].title, "T_ATTENZIONE");
            EXPECT_EQ(ui_->boxes[0].text,
                      std::string(MsgString("P_VEL_SFOND")) + "\n" + MsgError("LIMIT_ERROR") + "\n" +
                          MsgError("LIMIT_RANGE") + " 0 .. 9999 " + MsgString("P_MM_MIN"));
            EXPECT_EQ(d.focusWidget(), Edit("VEL_SFOND"));
        }
        ui_->boxes.clear();
    }
}

TEST_F(ParamDialogTest, SyntaxErrorNamesTheRowAndKeepsTheFileWhole) {
    const std::string before = ReadFile(ParamPar());
    ui::CParamBaseDialog& d = Open(337);
    Type("SCARTO_CODA", "");
    Type("SCARTO_TESTA", "12"); // a valid change before the bad row
    Click(1);
    EXPECT_TRUE(d.isVisible());
    ASSERT_EQ(ui_->boxes.size(), 1u);
    EXPECT_EQ(ui_->boxes[0].text, std::string(MsgString("P_SCARTO_CODA")) + "\n" + MsgError("SYNTAX_ERROR"));
    EXPECT_EQ(ReadFile(ParamPar()), before);
}

// What typing leaves in a number row, by the row's filter.
TEST_F(ParamDialogTest, TypingIsFilteredByTheRowsFilter) {
    const struct {
        int command;
        const char* key;
        const char* typed;
        const char* shown;
    } cases[] = {
        {337, "SCARTO_TESTA", "12.3.4", "12.34"},   // a second point is dropped
        {337, "SCARTO_TESTA", "-3", "-3"},          // kept, for OK to refuse (never read as 3)
        {337, "SCARTO_TESTA", "2,5", "2,5"},        // kept, for OK to refuse (never read as 25)
        {337, "OFF_Y_PINZA", "-3", "-3"},           // minus allowed first
        {337, "OFF_Y_PINZA", "3-", "3"},            // and only first
        {343, "MAX_VEL_ROT", "1.5", "1.5"},         // kept, for OK to refuse (never read as 15)
        {343, "MAX_VEL_ROT", "1.5.", "1.5"},        // a second point dropped as in a decimal row
        {336, "DELTA_DIM_Y", "-2.5", "-2.5"},       // a size correction goes both ways
        {343, "X_PAR_MIN", "-2", "-2"},
        {32781, "ING_Y_BRACCIO", "1a.2.", "1a.2."}, // not filtered
        {337, "SCARTO_POSIZ", "12345678901", "1234567890"}, // ten characters typed at most
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        Open(c.command);
        Type(c.key, c.typed);
        EXPECT_EQ(Edit(c.key)->text().toStdString(), c.shown);
    }
}

TEST_F(ParamDialogTest, XParMaxIsNotFilteredOnVariant2) {
    Reinstall(0);
    Open(343);
    Type("X_PAR_MAX", "-1");
    EXPECT_EQ(Edit("X_PAR_MAX")->text(), "-1");
    Reinstall(2);
    Open(343);
    EXPECT_TRUE(dialog_->RowHidden(Row("X_PAR_MAX")));
}

TEST_F(ParamDialogTest, InchModeShowsFourDecimalsAndWritesMillimetres) {
    SetUnitSystem(kUnitInches);
    ui::CParamBaseDialog& d = Open(337);
    EXPECT_EQ(Edit("SCARTO_TESTA")->text(), "0.3937"); // 10.00 mm
    EXPECT_EQ(d.findChild<QLabel*>(QStringLiteral("id_%1").arg(753 + Row("SCARTO_TESTA")))->text(),
              ui::ToQt(MsgString("P_IN")));
    EXPECT_EQ(Edit("VEL_H_CUT")->text(), "2000.00"); // a speed: no inch unit, shown as stored
    Type("SCARTO_TESTA", "1");
    Click(1);
    EXPECT_EQ(Param("SCARTO_TESTA"), "25.40");
    EXPECT_EQ(Param("SCARTO_CODA"), "150.00"); // left as shown: the stored text, not 149.9998
}

// A stored value longer than what can be typed is shown and written back whole.
TEST_F(ParamDialogTest, LongStoredValueIsKeptWhole) {
    SetParam("VEL_SFOND", "1234.56789");
    Open(336);
    EXPECT_EQ(Edit("VEL_SFOND")->text(), "1234.56789");
    Type("SGROSSATURA", "6");
    Click(1);
    EXPECT_EQ(Param("SGROSSATURA"), "6");
    EXPECT_EQ(Param("VEL_SFOND"), "1234.56789");
    EXPECT_EQ(g_pSettings->VEL_SFOND, 1234);
}

TEST_F(ParamDialogTest, TableChangedNoticeOncePerDialogOnlyWithAListOpen) {
    for (bool listOpen : {false, true}) {
        SCOPED_TRACE(listOpen);
        ui_->boxes.clear();
        ui::CParamBaseDialog& d = Open(337, listOpen);
        Type("SCARTO_TESTA", listOpen ? "11" : "12");
        ASSERT_EQ(d.ValidateValues(), 1);
        d.SaveValues();
        d.SaveValues();
        EXPECT_EQ(ui_->boxes.size(), listOpen ? 1u : 0u);
        if (listOpen) {
            EXPECT_EQ(ui_->boxes[0].text, MsgString("M_TAB_CHANGED"));
        }
        EXPECT_EQ(g_pSettings->ParamChanged, 1);
    }
}

TEST_F(ParamDialogTest, UnsetChoiceShowsFirstEntryAndCountsAsChanged) {
    SetParam("TIPO_SCARIC", "??");
    ui::CParamBaseDialog& d = Open(336);
    EXPECT_EQ(Combo("TIPO_SCARIC")->currentIndex(), 0);
    EXPECT_EQ(d.ValidateValues(), 1);
    Click(1);
    EXPECT_EQ(Param("TIPO_SCARIC"), "0");
}

// A stored choice that the variant's list does not offer is kept, not written as "no selection".
TEST_F(ParamDialogTest, StoredChoiceOutsideTheVariantsListIsKept) {
    Reinstall(0);
    SetParam("CONF_FILE_OTT", "2"); // "PRN" is offered on variant 1 only
    Open(347);
    Combo("PORT_PC_PRINT")->setCurrentIndex(2);
    Click(1);
    EXPECT_EQ(Param("PORT_PC_PRINT"), "2");
    EXPECT_EQ(Param("CONF_FILE_OTT"), "2");
}

// Hidden choice rows take the value the dialog sets for the variant; MORSE_SUPP without the
// machine option also clears the loaded value.
TEST_F(ParamDialogTest, HiddenChoiceRowsTakeTheirVariantValue) {
    g_pSettings->MORSE_SUPP = 1;
    ui::CParamBaseDialog& d = Open(336); // variant 1 without the MORSE_SUPP option
    EXPECT_TRUE(d.RowHidden(Row("MORSE_SUPP")));
    EXPECT_EQ(g_pSettings->MORSE_SUPP, 0);
    EXPECT_EQ(d.ValidateValues(), 1); // stored 1, set to "no"
    Click(1);
    EXPECT_EQ(Param("MORSE_SUPP"), "0");
}

// A row the operator cannot reach never blocks OK, and is written back as it was.
TEST_F(ParamDialogTest, UnreachableRowWithoutValueDoesNotBlockOk) {
    SetParam("CORR_X_LAME", "??");
    SetParam("OFF_SCARICO", "12.345");
    const FileStamp before = Stamp(ParamPar());
    ui::CParamBaseDialog& d = Open(32779); // blade corrections: variant 2 rows, disabled on variant 1
    EXPECT_FALSE(Edit("CORR_X_LAME")->isEnabled());
    Click(1);
    EXPECT_FALSE(d.isVisible());
    EXPECT_TRUE(ui_->boxes.empty());
    EXPECT_TRUE(Stamp(ParamPar()) == before);
}

TEST_F(ParamDialogTest, PositionBoxWritesAtOnceAndCancelKeepsIt) {
    ui::CParamBaseDialog& d = Open(32775);
    auto* t6 = d.findChild<QCheckBox*>(QStringLiteral("id_1088"));
    ASSERT_TRUE(t6 && t6->isChecked());
    EXPECT_TRUE(Edit("OFFY_T6")->isEnabled());
    Click(1088);
    EXPECT_FALSE(Edit("OFFY_T6")->isEnabled());
    EXPECT_FALSE(Edit("OFFX_T6")->isEnabled());
    EXPECT_TRUE(Edit("OFFX_T5")->isEnabled());
    EXPECT_EQ(plat::ReadProfileString("CONF_RALLA", "T6_ON", "", ConfigPar().c_str()), "0");
    Click(2);
    EXPECT_EQ(d.result(), 2);
    EXPECT_EQ(plat::ReadProfileString("CONF_RALLA", "T6_ON", "", ConfigPar().c_str()), "0");
    EXPECT_EQ(g_extraPositionOn[1], 0);
}

// ---------------------------------------------------------------- blade records

const char* const kToolsWithBladesInside =
    "# 42\r\n\r\n"
    "* PUNTA5 1 10 \r\n3000 1 2\r\n5 0 0 0 5 0\r\n40 0 0 10 60 0\r\n\r\n"
    "* QBLADE 3 60 \r\n12000 0 10 \r\n500 0 0 120 300 \r\n4.2 0 0 300 304.2 \r\n\r\n"
    "* FRESA8 0 20 \n12000 5 3\n8 0 0 0 8 0\n30 0 0 10 60 0\n\n"
    "* BLADE 3 60 \r\n12000 0 10 \r\n500 0 0 120 300 \r\n4.2 0 0 300 304.2 \r\n\r\n"
    "* SVAS12 2 10 \r\n4000 2 1\r\n12 0 0 0 12 0\r\n15 0 0 5 45 0";

TEST_F(ParamDialogTest, BladeRewriteKeepsEveryOtherLineByteForByte) {
    WriteFile(ToolsTxt(), kToolsWithBladesInside);
    BladeDimensions blade;
    blade.diameter = 550;
    blade.thickness = 4.5;
    blade.flangeThickness = 11;
    blade.flangeDiameter = 125.5;
    blade.armHeight = 160;
    blade.armLength = 310;
    ASSERT_EQ(RewriteBladeRecords(blade, 42), 0);
    EXPECT_EQ(ReadFile(ToolsTxt()),
              "# 42\r\n\r\n"
              "* PUNTA5 1 10 \r\n3000 1 2\r\n5 0 0 0 5 0\r\n40 0 0 10 60 0\r\n\r\n"
              "* FRESA8 0 20 \n12000 5 3\n8 0 0 0 8 0\n30 0 0 10 60 0\n\n"
              "* SVAS12 2 10 \r\n4000 2 1\r\n12 0 0 0 12 0\r\n15 0 0 5 45 0\r\n"
              "* QBLADE 3 42 \r\n12000 0 11 \r\n550 0 0 125.5 320 \r\n4.5 0 0 310 314.5 \r\n\r\n"
              "* BLADE 3 42 \r\n12000 0 11 \r\n550 0 0 125.5 320 \r\n4.5 0 0 310 314.5 \r\n\r\n");
}

TEST_F(ParamDialogTest, BladeRewriteOfAMissingTableCreatesNothing) {
    std::filesystem::remove(ToolsTxt());
    EXPECT_EQ(RewriteBladeRecords(BladeDimensions{}, 60), 1);
    EXPECT_EQ(std::string(g_errorText).rfind(std::string(MsgError("PATH_ERROR")) + "\n", 0), 0u) << g_errorText;
    EXPECT_FALSE(std::filesystem::exists(ToolsTxt()));
}

TEST_F(ParamDialogTest, BladeDialogRewritesTheBladeRecordsOnVariant1Only) {
    for (int variant : {1, 0}) {
        SCOPED_TRACE(variant);
        Reinstall(variant);
        WriteFile(ToolsTxt(), kToolsWithBladesInside);
        Open(32781);
        Type("DIAM_LAMA", "600");
        Click(1);
        EXPECT_EQ(Param("DIAM_LAMA"), "600");
        EXPECT_EQ(g_pSettings->ConfigChanged, 1);
        const std::string tools = ReadFile(ToolsTxt());
        if (variant == 0) {
            EXPECT_EQ(tools, kToolsWithBladesInside);
        } else {
            EXPECT_NE(tools.find("* FRESA8 0 20 \n"), std::string::npos);
            EXPECT_NE(tools.find("* QBLADE 3 60 \r\n12000 0 10 \r\n600 0 0 120 300 \r\n4.2 0 0 300 304.2 \r\n"),
                      std::string::npos);
            EXPECT_EQ(tools.find("500 0 0"), std::string::npos);
        }
        EXPECT_TRUE(ui_->boxes.empty());
    }
}

// "PARAM.PAR" cannot be read when the blade dialog saves (a folder in its place): its rows are
// defaults, not the blade, and their writes are refused, so the blade records stay as they are
// and the box names the file and the read.
TEST_F(ParamDialogTest, BladeDialogOnAParameterFileThatCannotBeReadKeepsTheBladeRecords) {
    WriteFile(ToolsTxt(), kToolsWithBladesInside);
    Open(32781);
    Type("DIAM_LAMA", "600");
    std::filesystem::rename(ParamPar(), ParamPar() + ".aside");
    std::filesystem::create_directory(ParamPar());
    Click(1);
    EXPECT_EQ(ReadFile(ToolsTxt()), kToolsWithBladesInside);
    ASSERT_FALSE(ui_->boxes.empty());
    const std::string& text = ui_->boxes[0].text;
    EXPECT_EQ(text.rfind(std::string(MsgError("ERR_FILE_READ")) + " (" + MsgError("ERR_IS_FOLDER") + "):\n", 0), 0u)
        << text;
    EXPECT_NE(text.find("PARAM.PAR"), std::string::npos) << text;
    std::filesystem::remove(ParamPar());
    std::filesystem::rename(ParamPar() + ".aside", ParamPar());
}

TEST_F(ParamDialogTest, BladeTableThatCannotBeReadIsReportedAndTheRowsSaved) {
    std::filesystem::remove(ToolsTxt());
    Open(32781);
    Type("DIAM_LAMA", "600");
    Click(1);
    ASSERT_EQ(ui_->boxes.size(), 1u);
    EXPECT_EQ(ui_->boxes[0].text.rfind(std::string(MsgError("PATH_ERROR")) + "\n", 0), 0u) << ui_->boxes[0].text;
    EXPECT_EQ(Param("DIAM_LAMA"), "600");
}

// A row write the drive refuses (no space): the box names the file, the write and why, the
// dialog stays open with the typed value and the file is as it was; OK again once the drive has
// room saves and closes.
std::string g_refusedPath;
int RefuseWrites(const char* nativePath, plat::FileOp op) {
    return op == plat::FileOp::Write && g_refusedPath == nativePath ? ENOSPC : 0;
}

TEST_F(ParamDialogTest, ARowWriteTheDriveRefusesIsToldAndKeepsTheDialogOpen) {
    const std::string before = ReadFile(ParamPar());
    ui::CParamBaseDialog& d = Open(32781);
    Type("DIAM_LAMA", "600");
    g_refusedPath = ParamPar();
    plat::SetFileFaultForTests(RefuseWrites);
    Click(1);
    plat::SetFileFaultForTests(nullptr);
    EXPECT_EQ(ReadFile(ParamPar()), before);
    ASSERT_FALSE(ui_->boxes.empty());
    const std::string& text = ui_->boxes[0].text;
    EXPECT_EQ(text.rfind(std::string(MsgError("ERR_FILE_WRITE")) + " (" + MsgError("ERR_NO_SPACE") + "):\n", 0), 0u)
        << text;
    EXPECT_NE(text.find("PARAM.PAR"), std::string::npos) << text;
    EXPECT_TRUE(d.isVisible());
    Click(1);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(Param("DIAM_LAMA"), "600");
}

// With the range check off, a whole-number row still refuses a fraction and a negative value
// (neither could be typed into it before), naming the range; a value above it is taken.
TEST_F(ParamDialogTest, AWholeNumberRowRefusesAFractionAndANegativeAlsoWithTheRangeCheckOff) {
    g_pSettings->CK_LIMITS = 0;
    const std::string range = std::string(MsgError("LIMIT_RANGE")) + " 0 .. 50 " + MsgString("P_GRADI");
    const struct {
        const char* typed;
        const char* reason; // null: taken
    } cases[] = {{"2.5", "WHOLE_NUMBER_ERROR"}, {"-3", "LIMIT_ERROR"}, {"60", nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        ui_->boxes.clear();
        ui::CParamBaseDialog& d = Open(343);
        Type("ROT_OLTRE_MAX", c.typed);
        Click(1);
        if (c.reason == nullptr) {
            EXPECT_TRUE(ui_->boxes.empty());
            EXPECT_EQ(Param("ROT_OLTRE_MAX"), c.typed);
            continue;
        }
        ASSERT_EQ(ui_->boxes.size(), 1u);
        EXPECT_EQ(ui_->boxes[0].text,
                  std::string(MsgString("P_R_OLTRE_MAX")) + "\n" + MsgError(c.reason) + "\n" + range);
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(Edit("ROT_OLTRE_MAX")->text(), c.typed);
        Click(2);
    }
}

// The ralla set-up that OK saves first cannot be recorded, though no row changed: the operator
// is told which file and the dialog stays open (never closing as if saved); once the file takes
// writes again, OK records it and closes.
TEST_F(ParamDialogTest, ASetUpThatCannotBeRecordedIsToldNamingTheFileAndKeepsTheDialogOpen) {
    // The file lacks the set-up's configuration number: OK has it to record.
    plat::WriteProfileString("CONF_RALLA", "CONF", nullptr, ConfigPar().c_str());
    ui::CParamBaseDialog& d = Open(32775);
    const std::string before = ReadFile(ConfigPar());
    plat::SetFileFaultForTests(RefuseConfigWrites);
    Click(1);
    plat::SetFileFaultForTests(nullptr);
    EXPECT_EQ(ReadFile(ConfigPar()), before);
    ASSERT_EQ(ui_->boxes.size(), 1u);
    EXPECT_EQ(ui_->boxes[0].title, "T_ERRORE");
    ExpectConfigWriteRefused(ui_->boxes[0].text);
    EXPECT_TRUE(d.isVisible());
    EXPECT_TRUE(g_pRallaTools->SetupUnrecorded());
    Click(1);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), IDOK);
    EXPECT_FALSE(g_pRallaTools->SetupUnrecorded());
    EXPECT_EQ(plat::ReadProfileString("CONF_RALLA", "CONF", "", ConfigPar().c_str()), "1");
}

TEST_F(ParamDialogTest, UnknownCommandRunsNothing) {
    EXPECT_EQ(ui::RunParameterDialog(338, nullptr), -1);
    EXPECT_EQ(ui::RunParameterDialog(325, nullptr, true), -1);
}

} // namespace
} // namespace paramtest
