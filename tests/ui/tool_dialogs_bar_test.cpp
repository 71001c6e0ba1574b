// A tool written in the tool table reaches the next bar computation: created through the
// dialog opened as the main window opens it, written on OK, reloaded as the list opening
// reloads a changed table, and used by the engine on a demo bar.
#include "../engine/engine_fixture.h"
#include "tool_dialogs_fixture.h"

#include "engine/ordering.h"
#include "ui/ToolDialog.h"

namespace tooltest {
namespace {

TEST_F(ToolDialogTest, ANewToolIsUsedByTheNextBarComputation) {
    g_machineConnected = 0; // office mode: the password is asked once
    g_pSpecialPrograms = new SpecialProgramList;
    std::filesystem::create_directories(dir_ + "MSG"); // the report template of a full computation
    std::filesystem::copy_file(BRELON_SOURCE_DIR "/demo/MSG/DEBTG.MSG", dir_ + "MSG/DEBTG.MSG");
    // Variant 1 at start-up: the blade records join the table.
    ASSERT_EQ(AppendMissingBladeRecords(), 0) << g_errorText;
    const std::string list = dir_ + "LIST.lda";
    ldatest::PieceSpec a = enginetest::Piece("A", 1200000);
    a.machinings = {enginetest::Drill(100000, 90, "PUNTA7", 7000)};
    ASSERT_TRUE(ldatest::WriteLda(list, enginetest::List({enginetest::Bar({a})})));
    // The drill's spindle speed and tool radius in a computation of the bar; -1 when the list
    // does not open.
    auto compute = [&](int32_t* speed, int32_t* radius) {
        BarComputation bc(list.c_str());
        if (!bc.IsLoaded()) return -1;
        const int result = bc.ComputeBar(0, 1);
        CheckMachiningSpeeds(bc); // the speeds of the part program, from the tool
        for (const WorkingMachining* m : bc.order)
            if (m->Uten == g_pRallaTools->FindTool("PUNTA7")) {
                *speed = m->Vel_rot;
                *radius = m->toolRadius;
            }
        return result;
    };
    int32_t speed = 0, radius = 0;
    EXPECT_EQ(compute(&speed, &radius), -1); // no such tool yet
    EXPECT_NE(std::string(g_errorText).find("PUNTA7"), std::string::npos) << g_errorText;

    ModalScript script(nullptr);
    script.Then([](QWidget* table) { ClickIn(table, ui::CToolDialog::kNewId); })
        .Then(Password())
        .Then(NewTool("PUNTA7", 1))
        .Then(EditTool(Bit7()))
        .ThenOn("ui::CToolDialog", Ok());
    const int result = ui::RunToolTableDialog(nullptr);
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(script.unexpected, 0);
    ASSERT_EQ(result, IDOK);
    // The file keeps every tool and both blade records, once each.
    const std::string text = ReadFile(ToolsTxt());
    for (const char* name : {"PUNTA5 ", "PUNTA8 ", "FRESA8 ", "FRESA6 ", "FRESA10 ", "SVAS12 ", "MASCH6 ", "PUNTA7 ",
                             "QBLADE ", "BLADE "}) {
        const std::string head = std::string("* ") + name;
        EXPECT_NE(text.find(head), std::string::npos) << name;
        EXPECT_EQ(text.find(head), text.rfind(head)) << name;
    }
    // The main window marks the table changed; the next list opening reloads it.
    g_pSettings->ToolsChanged = 1;
    g_pSettings->ToolsChanged = g_pRallaTools->LoadTools();
    ASSERT_EQ(g_pSettings->ToolsChanged, 0) << g_errorText;

    EXPECT_EQ(compute(&speed, &radius), 0) << g_errorText;
    EXPECT_EQ(speed, 2000);
    EXPECT_EQ(radius, 3500);
    delete g_pSpecialPrograms;
    g_pSpecialPrograms = nullptr;
}

} // namespace
} // namespace tooltest
