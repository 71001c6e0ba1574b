// The edit dialog against the machine: positions taken from the simulated controller, and a
// set saved through the dialog changing the next computation of a demo bar of that profile.
// The fixtures first: the machine headers use names that Qt defines as macros.
#include "../engine/iso_test_support.h"
#include "par_prof_fixture.h"

#include <QLineEdit>
#include <fstream>

#include "engine/iso_generator.h"
#include "machine/cnc_state.h"
#include "machine/ini_routines.h"
#include "machine/profile_overrides.h"
#include "machine/uvenlib_binding.h"
#include "par_prof_fixture.h"
#include "platform/dynlib.h"
#include "simcnc/simcnc.h"
#include "ui/ParProfDialog.h"

namespace parproftest {
namespace {

std::string Text(QWidget* dlg, const char* key) {
    const int id = ui::FindSetField(key)->controlId;
    return dlg->findChild<QLineEdit*>(QStringLiteral("id_%1").arg(id))->text().toStdString();
}

class TakePositionsTest : public ParProfTest {
protected:
    static inline simcnc::Controls sim;

    static void SetUpTestSuite() {
        if (g_uvenlib.IsLoaded()) return;
        const std::string lib = std::string(BRELON_BINARY_DIR) + "/bin/libUvenlibVB.so";
        ASSERT_TRUE(g_uvenlib.Bind(lib.c_str(), nullptr)) << plat::LastLibraryError();
        ASSERT_TRUE(sim.Bind([](const char* n) { return plat::GetProcAddress(g_uvenlib.Handle(), n); }));
    }
    void SetUp() override {
        ParProfTest::SetUp();
        sim.SimSetDrivesRoot((root + "/drives").c_str());
        sim.SimReset();
        sim.SimSetAutoAdvance(0);
        fs::create_directories(root + "/drives/C/UVEN/LAV/LAV/SPECIAL");
        SetAlarmLogPath("C:\\BRELON3\\VELMO\\");
        SetCncWorkDir("C:\\UVEN\\LAV\\LAV\\");
        cnc = std::make_unique<CStatoCncOn>();
        g_pCncState = cnc.get();
        WriteCp("ALU60", "[A6010]\nFLAG=1\nOFFY_PINZA=1\nOFFZ_PINZA=2\nOFFC_PINZA=3\nCH_V_VICE=4\nCH_H_VICE=5\n");
    }
    void TearDown() override {
        g_pCncState = nullptr;
        cnc.reset();
        sim.SimSetDrivesRoot(nullptr);
        ParProfTest::TearDown();
    }
    void R(int n, double v) { sim.SimSetR(n, v); }

    std::unique_ptr<CStatoCnc> cnc;
};

TEST_F(TakePositionsTest, GateGivesItsErrorsAndTheFieldsKeepTheirText) {
    const struct {
        int connected;
        double r456, r453;
        const char* error;
    } cases[] = {{0, 0, 1, "ERR_NO_CNC_ON"}, {0, 1, 0, "ERR_ASSI_NO_RIF"}, {1, 0, 0, "ERR_ASSI_NO_RIF"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        g_machineConnected = c.connected;
        R(456, c.r456);
        R(453, c.r453);
        R(741, 1);
        R(672, 99);
        ui::CParProfEditDialog dlg(nullptr, "ALU60", "A6010");
        dlg.show();
        ui.boxes.clear();
        dlg.OnTakePliers();
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_EQ(ui.boxes[0].title, "T_ERRORE");
        EXPECT_EQ(ui.boxes[0].text, MsgError(c.error));
        EXPECT_STREQ(g_errorText, MsgError(c.error));
        EXPECT_EQ(Text(&dlg, "OFFY_PINZA"), "1.00");
    }
}

TEST_F(TakePositionsTest, PliersAndVicesComeFromTheirRVariables) {
    g_machineConnected = 1;
    R(453, 1);
    R(741, 0);      // no Y: the field keeps its text
    R(672, 11.111);
    R(742, 1);
    R(673, 22.226);
    R(886, 1);
    R(887, 3);      // odd: C taken on variant 1
    R(939, -7.5);
    for (int variant : {1, 2}) {
        SCOPED_TRACE(variant);
        ApplyMachineVariant(variant);
        R(7509, 1);
        R(7550, 2);   // even: no C on variant 2
        R(6249, 4);
        R(7510, 1);
        R(6209, 40.25);
        R(7520, 0);
        R(6219, 50);
        ui::CParProfEditDialog dlg(nullptr, "ALU60", "A6010");
        dlg.show();
        dlg.OnTakePliers();
        EXPECT_EQ(Text(&dlg, "OFFY_PINZA"), "1.00");
        EXPECT_EQ(Text(&dlg, "OFFZ_PINZA"), "22.23");
        EXPECT_EQ(Text(&dlg, "OFFC_PINZA"), variant == 1 ? "-7.50" : "3.00");
        if (variant == 2) {
            dlg.OnTakeVices();
            EXPECT_EQ(Text(&dlg, "CH_V_VICE"), "40.25");
            EXPECT_EQ(Text(&dlg, "CH_H_VICE"), "5.00");
        }
        EXPECT_TRUE(ui.boxes.empty());
        // Only shown: nothing is written before OK.
        EXPECT_EQ(CpReadOffZPinza("ALU60", "A6010"), "2");
    }
}

// The demo list FINESTRE computed before and after the set of its ALU60 T6001 bars is edited.
class SetInForceTest : public enginetest::IsoTest {
protected:
    // The part program of the first ALU60 T6001 bar of the list FINESTRE, computed anew;
    // offsetY, when given, receives the bar's offset Y.
    std::string ComputeT6001(int32_t* offsetY = nullptr) {
        const std::string list = dir_ + "FINESTRE.lda";
        SetCurrentListName(list.c_str());
        IsoProgramGenerator g(list.c_str());
        EXPECT_TRUE(g.IsLoaded()) << g_errorText;
        for (int i = 0; i < g.BarCount(); ++i) {
            if (std::string(g.Bar(i)->series) != "ALU60" || std::string(g.Bar(i)->code) != "T6001") continue;
            if (offsetY != nullptr) *offsetY = g.Bar(i)->offsetY;
            EXPECT_EQ(CheckBarSize(*g.Bar(i)), 0) << g_errorText;
            EXPECT_EQ(g.ComputeBar(i, 1), 0) << g_errorText;
            EXPECT_EQ(g.GenerateIsoProgram(1, 0), 0) << g_errorText;
            return enginetest::ReadFile(dir_ + "OUTPUT.ISO");
        }
        ADD_FAILURE() << "no ALU60 T6001 bar";
        return std::string();
    }
};

TEST_F(SetInForceTest, EditedSetChangesTheNextComputationOfThatProfile) {
    TestApp();
    ASSERT_TRUE(ldatest::WriteDemoLists(dir_));
    int32_t before = 0, after = 0;
    const std::string first = ComputeT6001(&before);

    ui::CParProfEditDialog dlg(nullptr, "ALU60", "T6001");
    dlg.show();
    QLineEdit* offY = dlg.findChild<QLineEdit*>(QStringLiteral("id_%1").arg(ui::FindSetField("OFFY")->controlId));
    offY->setText("2.5");
    dlg.OnOK();
    ASSERT_EQ(CpReadFlag("ALU60", "T6001"), 1);

    const std::string second = ComputeT6001(&after);
    EXPECT_EQ(after - before, 2500);
    EXPECT_NE(first, second);
}

// A set not in force (FLAG 0, no VELH_CUT, stored offsets the engine does not use, as the
// shipped Z7200 set is) keeps every value the engine uses when one value of it that the part
// program does not carry (the label count) is edited: the next FINESTRE program of that
// profile is the same, byte for byte, while the set is now in force.
TEST_F(SetInForceTest, EditingASetNotInForceKeepsEveryOtherValueTheEngineUses) {
    TestApp();
    ASSERT_TRUE(ldatest::WriteDemoLists(dir_));
    std::ofstream(dir_ + "CONF/ALU60.CP", std::ios::binary)
        << "[T6001]\r\nFLAG=0\r\nOFFY=0\r\nOFFZ=0\r\nTIPO_TAGLIO=2\r\nSALITA_LAMA=0\r\nOFFY_PINZA=0\r\nOFFZ_PINZA=0\r\n";
    // Clamp offsets of the machine that the set must keep (Y in mm, C in degrees).
    const std::string param = dir_ + "CONF/PARAM.PAR";
    for (const auto& [key, value] : {std::pair{"OFF_Y_PINZA", "2.00"}, {"OFF_C_PINZA", "2.00"}})
        WriteIniString("PARAM", key, value, param.c_str());
    ASSERT_EQ(LoadBaseParameters(*g_pSettings), 0) << g_errorText;
    const std::string before = ComputeT6001();
    // The machine's head-cut feed and clamp offsets are in the program.
    for (const char* r : {"R520=2000 ", "R537=2 ", "R553=2 "})
        EXPECT_NE(before.find(r), std::string::npos) << r;

    ui::CParProfEditDialog dlg(nullptr, "ALU60", "T6001");
    dlg.show();
    EXPECT_TRUE(dlg.findChild<QWidget*>(QStringLiteral("id_%1").arg(ui::parprof::kNotInForce))->isVisible());
    EXPECT_EQ(Text(&dlg, "OFFC_PINZA"), "2.00");
    EXPECT_EQ(Text(&dlg, "VELH_CUT"), "0");
    QLineEdit* labels = dlg.findChild<QLineEdit*>(QStringLiteral("id_%1").arg(ui::FindSetField("NR_LABEL")->controlId));
    labels->setText("2");
    dlg.OnOK();
    ASSERT_EQ(CpReadFlag("ALU60", "T6001"), 1);
    EXPECT_EQ(CpGetNrLabel("ALU60", "T6001"), 2);

    EXPECT_EQ(ComputeT6001(), before);
}

// An offset that cannot be held (typed before values were range-checked) fails the list
// opening with the profile's file and section named, not a record of the list.
TEST_F(SetInForceTest, AnOffsetBeyondItsRangeNamesTheProfileFileAtListOpening) {
    TestApp();
    ASSERT_TRUE(ldatest::WriteDemoLists(dir_));
    std::ofstream(dir_ + "CONF/ALU72.CP", std::ios::binary) << "[Z7200]\r\nFLAG=1\r\nOFFY=123456789012345678901234567890\r\n";
    IsoProgramGenerator g((dir_ + "VETRINA.lda").c_str());
    EXPECT_FALSE(g.IsLoaded());
    const std::string error = g_errorText;
    EXPECT_NE(error.find("ALU72.CP [Z7200]"), std::string::npos) << error;
    EXPECT_EQ(error.find("LISTA"), std::string::npos) << error;
}

} // namespace
} // namespace parproftest
