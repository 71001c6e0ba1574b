// A value changed in a parameter dialog reaches the next bar computation: saved through the
// dialog, reloaded as the main window reloads flagged parameters when it opens a list, and
// used by the engine on a demo bar.
#include "../engine/engine_fixture.h"
#include "param_dialogs_fixture.h"

namespace paramtest {
namespace {

TEST_F(ParamDialogTest, ChangedHeadScrapReachesTheNextBarComputation) {
    Reinstall(0); // the head scrap places the first piece on variants 0 and 2
    g_pSpecialPrograms = new SpecialProgramList;
    std::filesystem::create_directories(dir_ + "MSG"); // the report template of a full computation
    std::filesystem::copy_file(BRELON_SOURCE_DIR "/demo/MSG/DEBTG.MSG", dir_ + "MSG/DEBTG.MSG");
    const std::string list = dir_ + "LIST.lda";
    ldatest::PieceSpec a = enginetest::Piece("A", 1200000);
    a.machinings = {enginetest::Drill(100000, 90)};
    ASSERT_TRUE(ldatest::WriteLda(list, enginetest::List({enginetest::Bar({a})})));
    auto headCutX = [&] {
        BarComputation bc(list.c_str());
        EXPECT_TRUE(bc.IsLoaded()) << g_errorText;
        EXPECT_EQ(bc.ComputeBar(0, 1), 0) << g_errorText;
        return bc.pieces.empty() ? 0 : bc.pieces[0]->endCutX[0];
    };
    const int32_t before = headCutX();

    Open(337);
    Type("SCARTO_TESTA", "30"); // 10 mm in the demo configuration
    Click(1);
    EXPECT_EQ(Param("SCARTO_TESTA"), "30");
    // The main window at the next list opening: what a dialog flagged is reloaded from the files.
    ASSERT_EQ(g_pSettings->ParamChanged, 1);
    g_pSettings->ParamChanged = LoadBaseParameters(*g_pSettings);
    ASSERT_EQ(g_pSettings->ParamChanged, 0) << g_errorText;
    EXPECT_EQ(g_pSettings->SCARTO_TESTA, 30000);

    EXPECT_EQ(before - headCutX(), 20000);
    delete g_pSpecialPrograms;
    g_pSpecialPrograms = nullptr;
}

} // namespace
} // namespace paramtest
