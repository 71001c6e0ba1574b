// Per-profile overrides in the ".CP" file of a series.
#include <filesystem>

#include "machine/profile_overrides.h"
#include "settings_fixture.h"

namespace {

class OverridesTest : public SettingsTest {
protected:
    void SetUp() override {
        SettingsTest::SetUp();
        settings_ = std::make_unique<MachineSettings>();
        MachineSettings& s = *settings_;
        s.SCARTO_TESTA = 10000;
        s.SCARTO_CODA = 150000;
        s.SCARTO_POSIZ = 5500;
        s.DELTA_DIM_Y = -250;
        s.MODO_TAGLIO = 2;
        s.TIPO_TAGLIO = 1;
        s.SALITA_LAMA = 3;
        s.OFF_Y_PINZA = 1000;
        s.VEL_H_CUT = 2000000;
        s.CH_V_VICE = 7000;
    }
    std::string Cp() const { return Conf("SER.CP"); }
    const MachineSettings& S() const { return *settings_; }
    std::unique_ptr<MachineSettings> settings_;
};

TEST_F(OverridesTest, NoSectionFallsBackAndTouchesNothing) {
    EXPECT_EQ(CpGetTailScrap("SER", "P1", S()), 150000);
    EXPECT_EQ(CpGetOffY("SER", "P1"), 0);
    EXPECT_EQ(CpGetTipoTaglio("SER", "P1", S()), 1);
    EXPECT_EQ(CpGetSalitaLama("SER", "P1", S()), 3);
    EXPECT_EQ(CpGetOffYPinza("SER", "P1", S()), 1000);
    EXPECT_EQ(CpGetVelhCut("SER", "P1", S()), 2000000);
    EXPECT_EQ(CpGetOptimLevel("SER", "P1"), 1);
    EXPECT_EQ(CpGetCutMode90("SER", "P1", S()), 2);
    EXPECT_EQ(CpGetNrLabel("SER", "P1"), 1);
    EXPECT_EQ(CpGetIngScarico("SER", "P1"), 0);
    EXPECT_FALSE(std::filesystem::exists(Cp()));
    // With FLAG 0 the profile's values are ignored and nothing is filled.
    WriteFile(Cp(), "[P1]\r\nFLAG=0\r\nOFFY=3\r\nTAIL_SCRAP=20\r\n");
    EXPECT_EQ(CpGetOffY("SER", "P1"), 0);
    EXPECT_EQ(CpGetHeadScrap("SER", "P1", S()), 10000);
    EXPECT_EQ(Key(Cp(), "P1", "HEAD_SCRAP"), "<missing>");
}

TEST_F(OverridesTest, FlagOneFillsMissingKeysWithTheMachineValues) {
    WriteFile(Cp(), "[P1]\r\nFLAG=1\r\n");
    EXPECT_EQ(CpGetTailScrap("SER", "P1", S()), 150000);
    EXPECT_EQ(Key(Cp(), "P1", "TAIL_SCRAP"), "150.00");
    EXPECT_EQ(CpGetPosizScrap("SER", "P1", S()), 5500);
    EXPECT_EQ(Key(Cp(), "P1", "POSIZ_SCRAP"), "5.50");
    EXPECT_EQ(CpReadDeltaDimY("SER", "P1", S()), "-0.25");
    EXPECT_EQ(CpGetCutModeNo90("SER", "P1", S()), 2);
    EXPECT_EQ(Key(Cp(), "P1", "CUT_MODE_NO_90"), "2");
    EXPECT_EQ(CpGetNrLabel("SER", "P1"), 1);
    EXPECT_EQ(Key(Cp(), "P1", "NR_LABEL"), "1");
    EXPECT_EQ(CpGetIngScarico("SER", "P1"), 0);
    EXPECT_EQ(Key(Cp(), "P1", "ING_SCARICO"), "0.00");
    // A filled key is then the profile's value.
    SetKey(Cp(), "P1", "TAIL_SCRAP", "80.5");
    EXPECT_EQ(CpGetTailScrap("SER", "P1", S()), 80500);
    // Defaults of keys that are not filled.
    EXPECT_EQ(CpGetVelhCut("SER", "P1", S()), S().VEL_H_CUT); // a missing feed is "as the machine"
    EXPECT_EQ(CpGetTipoTaglio("SER", "P1", S()), 1); // default 2 means "as the machine"
}

TEST_F(OverridesTest, GetRulesOfTheProfileValues) {
    WriteFile(Cp(), "[P1]\r\nFLAG=1\r\nTIPO_TAGLIO=0\r\nOPTIM_LEVEL=7\r\nSALITA_LAMA=0\r\nCUT_MODE_90=3\r\n"
                    "CUT_MODE_NO_90=5\r\nVELH_CUT=0\r\nOFFY_PINZA=-2.5\r\nCH_V_VICE=abc\r\nNR_LABEL=3\r\n"
                    "[P2]\r\nFLAG=1\r\nCUT_MODE_90=-2\r\nOPTIM_LEVEL=3\r\nSALITA_LAMA=4\r\n");
    EXPECT_EQ(CpGetTipoTaglio("SER", "P1", S()), 0);
    EXPECT_EQ(CpGetOptimLevel("SER", "P1"), 1);
    EXPECT_EQ(CpGetSalitaLama("SER", "P1", S()), 3);
    EXPECT_EQ(CpGetCutMode90("SER", "P1", S()), 3);
    EXPECT_EQ(CpGetCutModeNo90("SER", "P1", S()), 2);
    EXPECT_EQ(CpGetVelhCut("SER", "P1", S()), 2000000);
    EXPECT_EQ(CpGetOffYPinza("SER", "P1", S()), -2500);
    EXPECT_EQ(CpGetChVVice("SER", "P1", S()), 7000); // not a number: the machine's value
    EXPECT_EQ(CpGetNrLabel("SER", "P1"), 3);
    EXPECT_EQ(CpGetCutMode90("SER", "P2", S()), -2);
    EXPECT_EQ(CpGetOptimLevel("SER", "P2"), 3);
    EXPECT_EQ(CpGetSalitaLama("SER", "P2", S()), 4);
}

TEST_F(OverridesTest, WritersPutTheOverridesInForce) {
    CpWriteOffY("SER", "NEW", "1.5");
    EXPECT_EQ(Key(Cp(), "NEW", "OFFY"), "1.5");
    EXPECT_EQ(Key(Cp(), "NEW", "FLAG"), "1");
    EXPECT_EQ(CpGetOffY("SER", "NEW"), 1500);
    CpWriteFlag("SER", "NEW", 0);
    CpWriteOptimLevel("SER", "NEW", 2);
    EXPECT_EQ(Key(Cp(), "NEW", "OPTIM_LEVEL"), "2");
    EXPECT_EQ(CpReadFlag("SER", "NEW"), 1);
    CpWriteOffY("SER", "NEW", nullptr); // a null text removes the key
    EXPECT_EQ(Key(Cp(), "NEW", "OFFY"), "<missing>");
    EXPECT_EQ(CpReadOffY("SER", "NEW"), "0");
}

// Under a flag cache (a list load) every write to a profile file is seen by the next read.
TEST_F(OverridesTest, FlagCacheSeesEveryWrite) {
    const CpFlagCache cache;
    EXPECT_EQ(CpGetOffY("SER", "P1"), 0); // no file yet
    CpWriteOffY("SER", "P1", "1.5");
    EXPECT_EQ(CpGetOffY("SER", "P1"), 1500);
    CpWriteFlag("SER", "P1", 0);
    EXPECT_EQ(CpGetOffY("SER", "P1"), 0);
    CpWriteFlag("SER", "P1", 1);
    EXPECT_EQ(CpGetOffY("SER", "P1"), 1500);
    CpDeleteProfile("SER", "P1", 1);
    EXPECT_EQ(CpGetOffY("SER", "P1"), 0);
}

TEST_F(OverridesTest, DeleteKeepsTheFileWhileOtherProfilesAreLeft) {
    CpWriteOffZ("SER", "A", "1");
    CpWriteOffZ("SER", "B", "2");
    CpDeleteProfile("SER", "A", 2);
    ASSERT_TRUE(std::filesystem::exists(Cp()));
    EXPECT_EQ(CpReadFlag("SER", "A"), 0);
    EXPECT_EQ(CpReadFlag("SER", "B"), 1);
    CpDeleteProfile("SER", "B", 1);
    EXPECT_FALSE(std::filesystem::exists(Cp()));
}

} // namespace
