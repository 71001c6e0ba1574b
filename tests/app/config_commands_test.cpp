// The command table of the main window: enable rules per variant and option, the settings
// windows still to come, the two-level configuration gate and the label settings routing.
#include <QAction>
#include <QHelpEvent>
#include <QMenuBar>
#include <QToolTip>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <functional>

#include "app/config_commands.h"
#include "app/main_frame.h"
#include "app_fixture.h"
#include "machine/globals.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "test_support/qt_modal.h"
#include "ui/InputDialog.h"
#include "ui/LabelDialogs.h"

namespace {

using app::CommandRuleEnabled;
using app::CommandState;

// Answers the password prompt with text (null: cancel).
void AnswerPassword(const char* text) {
    WhenModal<ui::CPasswordDialog>([text](ui::CPasswordDialog* d) {
        if (text == nullptr) {
            QTest::mouseClick(qobject_cast<QPushButton*>(d->Control(ui::kIdCancel)), Qt::LeftButton);
            return;
        }
        QTest::keyClicks(d->Entry(), QString::fromLatin1(text));
        QTest::mouseClick(qobject_cast<QPushButton*>(d->Control(ui::kIdOk)), Qt::LeftButton);
    });
}

int g_runs = 0;
int g_lastCommand = 0;
int RecordRun(int commandId, QWidget*) {
    ++g_runs;
    g_lastCommand = commandId;
    return IDOK;
}

struct ConfigLabCall {
    int count = 0;
    std::vector<std::string> names;
    bool arraysCleared = false;
};
ConfigLabCall g_configLab;
int RecordConfigLab(int count, const char* const* names, int* ids, int* sizes) {
    g_configLab.count = count;
    g_configLab.names.assign(names, names + count);
    g_configLab.arraysCleared = true;
    for (int i = 0; i < 20; ++i)
        if (ids[i] != -1 || sizes[i] != -1) g_configLab.arraysCleared = false;
    return 0;
}

class ConfigCommandTest : public AppFixture {
protected:
    void TearDown() override {
        app::OverrideSettingsDialog("RunParameterDialog", nullptr);
        app::OverrideSettingsDialog("RunToolTableDialog", nullptr);
        app::SetConfigLabEntry(nullptr);
        AppFixture::TearDown();
    }
};

} // namespace

TEST(CommandRules, EnableTablePerVariantAndOption) {
    struct Case {
        int id;
        CommandState state;
        bool enabled;
    };
    const Case cases[] = {
        {ID_STATUS, {0, 1, 1, 0}, false},
        {ID_CONF_GEN2, {0, 0, 0, 0}, true},          // variant 0
        {ID_CONF_GEN2, {1, 0, 0, 0}, false},
        {ID_CONF_GEN2, {2, 1, 0, 0}, true},          // support vices
        {ID_OFFSET_RALLA2, {0, 0, 0, 0}, false},
        {ID_OFFSET_RALLA2, {1, 0, 0, 0}, true},
        {ID_OFFSET_RALLA2, {2, 0, 0, 0}, true},
        {ID_PAR_TRONCA2, {1, 0, 0, 0}, false},
        {ID_PAR_TRONCA2, {2, 0, 0, 0}, true},
        {ID_PAR_TRONCA4, {1, 0, 0, 0}, true},
        {ID_PAR_TRONCA4, {2, 0, 0, 0}, false},
        {ID_PAR_TRONCA5, {1, 0, 0, 0}, false},
        {ID_PAR_TRONCA5, {0, 0, 1, 0}, true},
        {ID_LABEL, {0, 0, 0, 1}, false},              // list open
        {ID_LABEL_TB, {0, 0, 0, 1}, false},
        {ID_LABEL, {0, 0, 0, 0}, true},
        {ID_CONF_GEN1, {0, 0, 0, 1}, true},           // configuration stays available
        {ID_PREFER, {0, 0, 0, 1}, true},
        {ID_LOOK_AQUA, {2, 0, 0, 1}, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CommandRuleEnabled(c.id, c.state), c.enabled)
            << c.id << " variant " << c.state.variant << " list " << c.state.listActive;
}

TEST_F(ConfigCommandTest, EveryWindowIsInPlaceAndFollowsTheTablesRules) {
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    // Every settings window of the command table opens from its commands.
    for (int id : {ID_TOOLS, ID_TOOLS_TB, ID_PROFILO, ID_PROFILO_TB, ID_PAR_FRESA, ID_PAR_TRONCA, ID_CONF_GEN1,
                   ID_CONF_LINK, ID_PAR_TRONCA3, ID_PAR_FRESA_TB, ID_PAR_TRONCA_TB}) {
        EXPECT_NE(app::SettingsDialogFor(id), nullptr) << id;
        EXPECT_TRUE(MainFrame->IsCommandEnabled(id)) << id;
    }
    // Menu entries and tool-bar buttons are enabled exactly by the table's rules.
    auto* bar = MainFrame->findChild<QToolBar*>("id_129");
    ASSERT_NE(bar, nullptr);
    for (QAction* a : bar->actions()) {
        if (a->data().isValid()) {
            EXPECT_EQ(a->isEnabled(), MainFrame->IsCommandEnabled(a->data().toInt()));
        }
    }
    EXPECT_FALSE(MainFrame->Action(ID_STATUS)->isEnabled());
    EXPECT_TRUE(MainFrame->Action(ID_PREFER)->isEnabled());
    EXPECT_TRUE(MainFrame->Action(ID_LABEL)->isEnabled());
    MainFrame->SetListTitle(1, "LIST.LDA");
    EXPECT_FALSE(MainFrame->Action(ID_LABEL)->isEnabled());
    MainFrame->SetListTitle(0, nullptr);
    EXPECT_TRUE(MainFrame->Action(ID_LABEL)->isEnabled());
}

TEST_F(ConfigCommandTest, ToolTableResultOkMarksTheToolsChanged) {
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    app::OverrideSettingsDialog("RunToolTableDialog", &RecordRun);
    g_pSettings->ToolsChanged = 0;
    MainFrame->OnCommand(ID_TOOLS_TB);
    EXPECT_EQ(g_lastCommand, ID_TOOLS_TB);
    EXPECT_EQ(g_pSettings->ToolsChanged, 1);
    EXPECT_EQ(MainFrame->configUnlocked, 0);   // the tool table asks its own password
}

TEST_F(ConfigCommandTest, PasswordGateCancelLevelOneAndLevelTwo) {
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    app::OverrideSettingsDialog("RunParameterDialog", &RecordRun);
    g_runs = 0;

    // Cancel: no window, the flag unchanged.
    AnswerPassword(nullptr);
    MainFrame->OnCommand(ID_CONF_GEN1);
    EXPECT_EQ(g_runs, 0);
    EXPECT_EQ(MainFrame->configUnlocked, 0);

    // A wrong password is refused and the prompt stays; then cancel.
    bool refused = false;
    WhenModal<ui::CPasswordDialog>([&](ui::CPasswordDialog* d) {
        QTest::keyClicks(d->Entry(), "WRONG");
        QTest::mouseClick(qobject_cast<QPushButton*>(d->Control(ui::kIdOk)), Qt::LeftButton);
        refused = d->isVisible() && d->Entry()->text().isEmpty();
        QTest::mouseClick(qobject_cast<QPushButton*>(d->Control(ui::kIdCancel)), Qt::LeftButton);
    });
    MainFrame->OnCommand(ID_CONF_LINK);
    EXPECT_TRUE(refused);
    EXPECT_EQ(CountBoxesContaining(MsgString("M_WRONG_PASS")), 1);
    EXPECT_EQ(g_runs, 0);
    // The passwords never appear in a message.
    for (const auto& box : ui_->boxes) {
        EXPECT_EQ(box.text.find("TVKRO"), std::string::npos);
        EXPECT_EQ(box.text.find("DERVO"), std::string::npos);
    }

    // Level 1 lets this one command through; the next one asks again.
    AnswerPassword("tvkro");
    MainFrame->OnCommand(ID_OFFSET_RALLA);
    EXPECT_EQ(g_runs, 1);
    EXPECT_EQ(g_lastCommand, ID_OFFSET_RALLA);
    EXPECT_EQ(MainFrame->configUnlocked, 0);

    // Level 2 unlocks every later configuration command.
    AnswerPassword("DERVO");
    MainFrame->OnCommand(ID_PAR_TRONCA1);
    EXPECT_EQ(g_runs, 2);
    EXPECT_EQ(MainFrame->configUnlocked, 1);
    MainFrame->OnCommand(ID_PAR_TRONCA3);   // no prompt: nothing would answer it
    MainFrame->OnCommand(ID_CONF_GEN1);
    EXPECT_EQ(g_runs, 4);
    EXPECT_EQ(g_lastCommand, ID_CONF_GEN1);

    // Commands outside the configuration menu never ask.
    MainFrame->configUnlocked = 0;
    MainFrame->OnCommand(ID_PAR_FRESA);
    EXPECT_EQ(g_runs, 5);
}

TEST(LabelRouting, ByOutputModeAndVariant) {
    using app::LabelRoute;
    const struct {
        int mode, variant;
        LabelRoute route;
    } cases[] = {
        {2, 1, LabelRoute::Etichette}, {2, 0, LabelRoute::Layout}, {2, 2, LabelRoute::Layout},
        {1, 0, LabelRoute::Wizard},    {1, 1, LabelRoute::Wizard}, {0, 1, LabelRoute::Layout},
        {3, 2, LabelRoute::Layout},
    };
    for (const auto& c : cases)
        EXPECT_EQ(app::RouteLabelSettings(c.mode, c.variant), c.route) << c.mode << " " << c.variant;
}

TEST_F(ConfigCommandTest, LabelCommandOpensTheWindowOfItsMode) {
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    const struct {
        int mode, variant;
        const char* className;
    } cases[] = {
        {2, 1, "ui::CParEtichetteDialog"},
        {2, 2, "ui::CParLabelDialog"},
        {0, 0, "ui::CParLabelDialog"},
    };
    for (const auto& c : cases) {
        g_pSettings->CONF_FILE_OTT = c.mode;
        MachineVariant = c.variant;
        std::string seen;
        WhenModal<ui::CResizeDialog>([&](ui::CResizeDialog* d) {
            seen = d->metaObject()->className();
            d->reject();
        });
        MainFrame->OnCommand(ID_LABEL);
        EXPECT_EQ(seen, c.className) << c.mode << " " << c.variant;
    }
}

TEST_F(ConfigCommandTest, LabelModeOneCallsTheWizardWithTheTwelveNames) {
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    g_pSettings->CONF_FILE_OTT = 1;
    WriteConfig("LABEL", "PRINT", "1");
    app::SetConfigLabEntry(&RecordConfigLab);
    g_configLab = {};
    g_pSettings->labelLineCount = -1;   // SetupLabelLayout rebuilds it afterwards
    MainFrame->OnCommand(ID_LABEL_TB);
    EXPECT_EQ(g_configLab.count, 12);
    const std::vector<std::string> expected = {"None",   "Order",  "Name",    "Series",  "Code",    "Length",
                                               "Colour", "Angles", "Info #1", "Info #2", "Info #3", "Info #4"};
    EXPECT_EQ(g_configLab.names, expected);
    EXPECT_TRUE(g_configLab.arraysCleared);
    EXPECT_GE(g_pSettings->labelLineCount, 0);
}
