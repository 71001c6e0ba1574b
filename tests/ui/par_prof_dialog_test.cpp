// The profile sets dialog and the set edit dialog offscreen, with the ".CP" bytes compared.
// The fixture first: the machine headers use names that Qt defines as macros.
#include "par_prof_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "machine/number_entry.h"
#include "machine/profile_overrides.h"
#include "ui/ParProfDialog.h"
#include "machine/window_scale.h"
#include "ui/ViewDxfStatic.h"

namespace parproftest {
namespace {

using namespace ui::parprof;

template <typename T>
T* Find(QWidget* dlg, int id) {
    return dlg->findChild<T*>(QStringLiteral("id_%1").arg(id));
}
int Id(const char* key) { return ui::FindSetField(key)->controlId; }
std::string Text(QWidget* dlg, const char* key) { return Find<QLineEdit>(dlg, Id(key))->text().toStdString(); }
void Type(QWidget* dlg, const char* key, const char* text) {
    QLineEdit* e = Find<QLineEdit>(dlg, Id(key));
    e->selectAll();
    QTest::keyClicks(e, text);
}
std::vector<std::string> Items(QComboBox* box) {
    std::vector<std::string> v;
    for (int i = 0; i < box->count(); ++i) v.push_back(box->itemText(i).toStdString());
    return v;
}
std::vector<std::string> Items(QListWidget* box) {
    std::vector<std::string> v;
    for (int i = 0; i < box->count(); ++i) v.push_back(box->item(i)->text().toStdString());
    return v;
}

class SetsDialogTest : public ParProfTest {
protected:
    void SetUp() override {
        ParProfTest::SetUp();
        WriteCp("ALU60", "[A6010]\nFLAG=1\nOFFY=25.4\nTIPO_TAGLIO=7\nSALITA_LAMA=3\n[T6001]\nFLAG=-1\n");
        WriteCp("PVC70", "[P7020]\nFLAG=1\nTIPO_TAGLIO=1\n");
    }
    std::unique_ptr<ui::CParProfDialog> Open(bool listOpen = false) {
        auto dlg = std::make_unique<ui::CParProfDialog>(nullptr, listOpen);
        dlg->SetDrawingChooser([this](const std::string& folder, std::string& path) {
            chooserFolders.push_back(folder);
            path = chosen;
            return chosen.empty() ? 2 : 1;
        });
        dlg->show();
        return dlg;
    }
    std::string chosen;
    std::vector<std::string> chooserFolders;
};

TEST_F(SetsDialogTest, ListsSeriesAndCodesAndShowsTheFirstSet) {
    auto dlg = Open();
    EXPECT_EQ(Items(dlg->SeriesBox()), (std::vector<std::string>{"ALU60", "PVC70"}));
    EXPECT_EQ(Items(dlg->CodeBox()), (std::vector<std::string>{"A6010"}));   // T6001's FLAG is negative
    EXPECT_EQ(dlg->CurrentCode(), "A6010");
    EXPECT_EQ(Text(dlg.get(), "OFFY"), "25.40");
    EXPECT_EQ(Text(dlg.get(), "TIPO_TAGLIO"), "Default");
    EXPECT_FALSE(Find<QLineEdit>(dlg.get(), Id("SALITA_LAMA"))->isVisible());   // variant 1
    EXPECT_TRUE(Find<QCheckBox>(dlg.get(), Id("RIB_SCAR"))->isVisible());
    EXPECT_NE(dlg->Preview()->Path().find("A6010"), std::string::npos);
    dlg->SeriesBox()->setCurrentIndex(1);
    EXPECT_EQ(dlg->CurrentCode(), "P7020");
    EXPECT_EQ(Text(dlg.get(), "TIPO_TAGLIO"), MsgString("S_VETRO_INT"));
}

// The values only show here: their fields take no Tab stop and do not look like entries.
TEST_F(SetsDialogTest, ShownValuesTakeNoTabStopAndLookReadOnly) {
    auto dlg = Open();
    for (const char* key : {"OFFY", "OFFZ", "TIPO_TAGLIO", "DELTA_DIMY"}) {
        SCOPED_TRACE(key);
        QLineEdit* e = Find<QLineEdit>(dlg.get(), Id(key));
        EXPECT_TRUE(e->isReadOnly());
        EXPECT_EQ(e->focusPolicy(), Qt::NoFocus);
        EXPECT_EQ(e->palette().color(QPalette::Base), e->palette().color(QPalette::Window));
    }
}

TEST_F(SetsDialogTest, ButtonsFollowTheOpenListAndImportSwitch) {
    const struct {
        bool listOpen;
        int importDefpro;
        bool edits, import;
    } cases[] = {{false, 1, true, true}, {false, 0, true, false}, {true, 1, false, false}};
    for (const auto& c : cases) {
        g_pSettings->IMPORT_DEFPRO = c.importDefpro;
        auto dlg = Open(c.listOpen);
        for (int id : {kNew, kDelete, kEdit, kCopy}) EXPECT_EQ(Find<QPushButton>(dlg.get(), id)->isEnabled(), c.edits);
        EXPECT_EQ(Find<QPushButton>(dlg.get(), kImport)->isEnabled(), c.import);
    }
}

TEST_F(SetsDialogTest, NewAsksOnlyForAProfileWithoutASet) {
    auto dlg = Open();
    chosen = "C:\\BRELON3\\VELMO\\DXF\\PVC70\\P7020.dxf";   // has a set: nothing asked, selected
    dlg->OnNew();
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(dlg->CurrentSeries(), "PVC70");
    EXPECT_EQ(dlg->CurrentCode(), "P7020");
    EXPECT_EQ(chooserFolders.back(), "C:\\BRELON3\\VELMO\\DXF\\ALU60");

    chosen = "C:\\BRELON3\\VELMO\\DXF\\PVC70\\P7031.dxf";
    ui.script = {IDNO};
    dlg->OnNew();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, std::string(MsgString("M_NEW_PAR_PROF")) + " P7031?");
    EXPECT_EQ(CpReadFlag("PVC70", "P7031"), 0);
    ui.script = {IDYES};
    dlg->OnNew();
    EXPECT_EQ(CpReadFlag("PVC70", "P7031"), 1);
    EXPECT_EQ(Items(dlg->CodeBox()), (std::vector<std::string>{"P7020", "P7031"}));
    EXPECT_EQ(dlg->CodeBox()->currentItem()->text().toStdString(), "P7031");
}

TEST_F(SetsDialogTest, DeletingTheOnlyCodeRemovesFileAndSeries) {
    auto dlg = Open();
    dlg->SeriesBox()->setCurrentIndex(1);
    ui.script = {IDYES};
    dlg->OnDelete();
    EXPECT_FALSE(fs::exists(Cp("PVC70")));
    EXPECT_EQ(Items(dlg->SeriesBox()), (std::vector<std::string>{"ALU60"}));
    // ALU60's last listed code goes, its hidden set and file stay.
    ui.script = {IDYES};
    dlg->OnDelete();
    EXPECT_EQ(ReadCp("ALU60"), "[T6001]\r\nFLAG=-1\r\n");
    EXPECT_TRUE(Items(dlg->CodeBox()).empty());
}

TEST_F(SetsDialogTest, CopyAsksBeforeReplacingASet) {
    auto dlg = Open();
    chosen = "C:\\BRELON3\\VELMO\\DXF\\PVC70\\P7020.dxf";
    ui.script = {IDNO};
    const std::string before = ReadCp("PVC70");
    dlg->OnCopy();
    EXPECT_EQ(ui.boxes.back().text, MsgString("M_NEW_PARPROF"));
    EXPECT_EQ(ReadCp("PVC70"), before);
    ui.script = {IDYES};
    dlg->OnCopy();
    EXPECT_EQ(CpReadOffY("PVC70", "P7020"), "25.4");
    EXPECT_EQ(CpReadTipoTaglio("PVC70", "P7020"), 7);
    EXPECT_EQ(dlg->CurrentSeries(), "PVC70");
}

TEST_F(SetsDialogTest, ImportAsksPerSeriesAndReportsSkippedDrawings) {
    WriteBytes(prog + "UTEN/DEFPRO.TXT", plat::WithCrLf("[ALU60_T6001]\nTypeCut=1\n[PVC70_P7031]\nTypeCut=2\n"));
    WriteCp("ALU60", "[A6010]\nFLAG=1\n");
    WriteBytes(prog + "DXF/PVC70/P7031.dxf", "");
    auto dlg = Open();
    // The question names the file and the folder.
    ui.script = {IDYES, IDYES, IDNO, IDYES, IDOK};
    dlg->OnImport();
    const std::string dxf = g_pSettings->DIR_DXF;
    ASSERT_GE(ui.boxes.size(), 5u);
    EXPECT_NE(ui.boxes[0].text.find(std::string(g_pSettings->DIR_UTEN) + "DEFPRO.TXT"), std::string::npos);
    EXPECT_EQ(ui.boxes[1].text, std::string(MsgString("M_IMPORTA_SERIE")) + " ALU60?");
    EXPECT_EQ(ui.boxes[2].text, std::string(MsgString("M_IMPORTA_SERIE")) + " ALU72?");
    EXPECT_EQ(ui.boxes[4].text, std::string(MsgString("M_DEFPRO_NO_DXF")) + "\nPVC70 P7031");
    EXPECT_EQ(CpReadTipoTaglio("ALU60", "T6001"), 1);
    EXPECT_EQ(Items(dlg->CodeBox()), (std::vector<std::string>{"A6010", "T6001"}));
    EXPECT_EQ(ui.waitDepth, 0);
    EXPECT_GE(ui.waitBegins, 2);
}

// ---------------------------------------------------------------- the edit dialog

class EditDialogTest : public ParProfTest {
protected:
    std::unique_ptr<ui::CParProfEditDialog> Open(const char* series = "ALU60", const char* code = "A6010") {
        auto dlg = std::make_unique<ui::CParProfEditDialog>(nullptr, series, code);
        dlg->show();
        return dlg;
    }
};

TEST_F(EditDialogTest, UnchangedOkWritesNothingAndKeepsTheFlag) {
    // A set not in force shows the offset the engine uses (none), not the one stored.
    const struct {
        int variant;
        int units;
        int flag;
        const char* stored;
        const char* shown;
    } cases[] = {{0, kUnitMillimetres, 0, "12.5", "0.00"}, {1, kUnitMillimetres, 1, "12.5", "12.50"},
                 {2, kUnitInches, 1, "25.40", "1.0000"}, {1, kUnitInches, 0, "25.41", "0.0000"},
                 {1, kUnitInches, 1, "25.41", "1.0004"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.variant);
        ApplyMachineVariant(c.variant);
        SetUnitSystem(c.units);
        WriteCp("ALU60", "[A6010]\nFLAG=" + std::to_string(c.flag) + "\nOFFY=" + c.stored + "\nSALITA_LAMA=3\n");
        auto dlg = Open();
        EXPECT_EQ(Text(dlg.get(), "OFFY"), c.shown);
        EXPECT_EQ(Find<QWidget>(dlg.get(), kNotInForce)->isVisible(), c.flag == 0);
        const std::string loaded = ReadCp("ALU60");   // the machine's values filled in on variant 1
        dlg->OnOK();
        EXPECT_EQ(dlg->result(), IDOK);
        EXPECT_EQ(ReadCp("ALU60"), loaded);
        EXPECT_EQ(CpReadFlag("ALU60", "A6010"), c.flag);
    }
}

// The clamp rotation is in degrees in both units: shown, typed and stored unconverted.
TEST_F(EditDialogTest, ClampRotationIsDegreesInInchMode) {
    for (int variant : {1, 2}) {
        SCOPED_TRACE(variant);
        ApplyMachineVariant(variant);
        SetUnitSystem(kUnitInches);
        WriteCp("ALU60", "[A6010]\nFLAG=1\nOFFC_PINZA=2.5\nOFFY=25.4\n");
        auto dlg = Open();
        EXPECT_EQ(Text(dlg.get(), "OFFC_PINZA"), "2.50");
        EXPECT_EQ(Find<QLabel>(dlg.get(), kUnitBase + 6)->text().toStdString(), MsgString("P_GRADI"));
        EXPECT_EQ(Find<QLabel>(dlg.get(), kUnitBase + 0)->text().toStdString(), MsgString("P_IN"));
        Type(dlg.get(), "OFFC_PINZA", "1.5");
        dlg->OnOK();
        EXPECT_EQ(CpReadOffCPinza("ALU60", "A6010"), "1.5");
        EXPECT_EQ(CpGetOffCPinza("ALU60", "A6010", *g_pSettings), 1500);
        EXPECT_EQ(CpGetOffY("ALU60", "A6010"), 25400);   // the length went back to millimetres
        auto sets = std::make_unique<ui::CParProfDialog>(nullptr);
        sets->show();
        EXPECT_EQ(Text(sets.get(), "OFFC_PINZA"), "1.50");
    }
    SetUnitSystem(kUnitMillimetres);
}

// Each value keeps the limits of the machine parameter it overrides (CK_LIMITS on), and any
// value must fit the thousandths it is kept in; the box names the field and the range in the
// unit shown, and nothing is written.
TEST_F(EditDialogTest, ValuesOutsideTheirParametersLimitsAreRefused) {
    const struct {
        int variant;
        int ckLimits;
        const char* key;
        const char* text;
        const char* range;   // null: accepted
    } cases[] = {
        {1, 1, "VELH_CUT", "-5", "0 .. 99999 mm/min"},      {1, 1, "VELH_CUT", "99999", nullptr},
        {1, 1, "VELH_CUT", "100000", "0 .. 99999 mm/min"},  {1, 0, "VELH_CUT", "100000", nullptr},
        {0, 1, "OFFY", "123456789012345678901234567890", "-9999 .. 9999 mm"},
        {0, 0, "OFFY", "123456789012345678901234567890", "-2147484 .. 2147484 mm"},
        {0, 1, "OFFZ_PINZA", "-10000", "-9999 .. 9999 mm"}, {2, 1, "OFFC_PINZA", "361", "-360 .. 360 deg"},
        {2, 1, "OFFC_PINZA", "-360", nullptr},              {2, 1, "CH_V_VICE", "-1", "0 .. 9999 mm"},
        {1, 1, "TAIL_SCRAP", "10000", "0 .. 9999 mm"},      {1, 1, "DELTA_DIMY", "-9999", nullptr},
        {1, 1, "ING_SCARICO", "-1", " .. "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " " + c.text);
        ApplyMachineVariant(c.variant);
        g_pSettings->CK_LIMITS = c.ckLimits;
        WriteCp("ALU60", "[A6010]\nFLAG=1\n");
        auto dlg = Open();
        const std::string before = ReadCp("ALU60");
        Find<QLineEdit>(dlg.get(), Id(c.key))->setText(c.text);
        dlg->OnOK();
        if (c.range == nullptr) {
            EXPECT_TRUE(ui.boxes.empty());
            EXPECT_NE(ReadCp("ALU60"), before);
        } else {
            ASSERT_NE(ui.LastBox(), nullptr);
            const std::string& text = ui.LastBox()->text;
            EXPECT_NE(text.find(MsgError("LIMIT_ERROR")), std::string::npos) << text;
            EXPECT_NE(text.find(c.range), std::string::npos) << text;
            EXPECT_EQ(text.find("not a valid number"), std::string::npos) << text;
            EXPECT_EQ(ReadCp("ALU60"), before);
            EXPECT_EQ(dlg->focusWidget(), Find<QLineEdit>(dlg.get(), Id(c.key)));
        }
        ui.boxes.clear();
    }
    g_pSettings->CK_LIMITS = 1;
}

TEST_F(EditDialogTest, OneChangeWritesEveryValueAndTheFlag) {
    ApplyMachineVariant(0);
    WriteCp("ALU60", "[A6010]\nOFFY=1\n");
    auto dlg = Open();
    // "Default" is the last cut type and the first blade rise.
    QComboBox* tipo = Find<QComboBox>(dlg.get(), Id("TIPO_TAGLIO"));
    QComboBox* salita = Find<QComboBox>(dlg.get(), Id("SALITA_LAMA"));
    EXPECT_EQ(tipo->currentIndex(), 2);
    EXPECT_EQ(tipo->currentText(), "Default");
    EXPECT_EQ(salita->currentIndex(), 0);
    EXPECT_EQ(Items(salita), (std::vector<std::string>{"Default", "1", "2", "3", "4"}));
    Type(dlg.get(), "OFFZ_PINZA", "-3.5");
    dlg->OnOK();
    // The set was not in force: its stored offset was not in use and the engine's 0 is written.
    EXPECT_EQ(ReadCp("ALU60"), "[A6010]\r\nOFFY=0.00\r\nFLAG=1\r\nOFFZ=0.00\r\nTIPO_TAGLIO=2\r\nSALITA_LAMA=0\r\n"
                               "OFFY_PINZA=0.00\r\nOFFZ_PINZA=-3.5\r\n");   // millimetres: as typed
}

TEST_F(EditDialogTest, BadNumbersKeepTheDialogOpenWithTheFieldsMessage) {
    const struct {
        int variant;
        const char* key;
        const char* text;
        const char* error;
    } cases[] = {
        {0, "OFFY", "", "ERR_OFFY_PROF"},          {1, "VELH_CUT", "-", "ERR_VELH_CUT"},
        {2, "CH_H_VICE", ".", "ERR_CH_H_VICE"},    {1, "DELTA_DIMY", "-.", "ERR_DELTA_DIM_Y"},
        {1, "HEAD_SCRAP", "-", "ERR_SCARTO_TESTA"}, {1, "NR_LABEL", "1.5", "ERR_NR_LABEL"},
        {1, "ING_SCARICO", ".", "ERR_ING_SCARICO"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        ApplyMachineVariant(c.variant);
        WriteCp("ALU60", "[A6010]\nFLAG=1\n");
        auto dlg = Open();
        const std::string before = ReadCp("ALU60");
        Find<QLineEdit>(dlg.get(), Id(c.key))->setText(c.text);
        dlg->OnOK();
        ASSERT_NE(ui.LastBox(), nullptr);
        EXPECT_EQ(ui.LastBox()->title, "T_ERRORE");
        // A label count names why and the range it takes; the others their field's text.
        const std::string expected =
            std::strcmp(c.key, "NR_LABEL") == 0
                ? std::string(MsgString("P_NR_LABEL")) + "\n" + MsgError("WHOLE_NUMBER_ERROR") + "\n" +
                      RangeText(0, INT32_MAX, nullptr)
                : std::string(MsgError(c.error));
        EXPECT_EQ(ui.LastBox()->text, expected);
        EXPECT_EQ(ReadCp("ALU60"), before);
        ui.boxes.clear();
    }
}

TEST_F(EditDialogTest, EmptyFallbackFieldStoresMinusOneAndUnshownBladeRiseIsKept) {
    ApplyMachineVariant(1);
    WriteCp("ALU60", "[A6010]\nFLAG=1\nHEAD_SCRAP=9.00\nSALITA_LAMA=4\n");
    auto dlg = Open();
    EXPECT_EQ(Find<QComboBox>(dlg.get(), Id("SALITA_LAMA"))->currentIndex(), -1);   // 4 is not offered here
    Find<QLineEdit>(dlg.get(), Id("HEAD_SCRAP"))->clear();
    dlg->OnOK();
    EXPECT_TRUE(ui.boxes.empty());
    const std::string file = ReadCp("ALU60");
    EXPECT_NE(file.find("\r\nHEAD_SCRAP=-1\r\n"), std::string::npos) << file;
    EXPECT_NE(file.find("\r\nSALITA_LAMA=4\r\n"), std::string::npos) << file;
    // The engine's reader then takes the machine's head scrap.
    EXPECT_EQ(CpGetHeadScrap("ALU60", "A6010", *g_pSettings), g_pSettings->SCARTO_TESTA);
}

} // namespace
} // namespace parproftest

namespace parproftest {
namespace {

// With BRELON_GRAB_DIR set, both dialogs are grabbed on each variant at 1024x768 and 1920x1080
// for a look; each must fit its screen.
TEST_F(SetsDialogTest, DialogsFitTheScreens) {
    const char* grab = std::getenv("BRELON_GRAB_DIR");
    for (const auto& [w, h] : {std::pair{1024, 768}, std::pair{1920, 1080}}) {
        for (int variant : {0, 1, 2}) {
            SetScreenSize(w, h);
            ApplyMachineVariant(variant);
            auto sets = Open();
            ui::CParProfEditDialog edit(nullptr, "ALU60", "A6010");
            edit.show();
            for (QWidget* dlg : {static_cast<QWidget*>(sets.get()), static_cast<QWidget*>(&edit)}) {
                EXPECT_LE(dlg->width(), w);
                EXPECT_LE(dlg->height() + 40, h);
                if (grab != nullptr)
                    dlg->grab().save(QString("%1/%2-v%3-%4.png").arg(grab, dlg == &edit ? "edit" : "sets")
                                         .arg(variant).arg(w));
            }
        }
    }
    SetScreenSize(0, 0);
}

} // namespace
} // namespace parproftest
