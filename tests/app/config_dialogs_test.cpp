// The options, supervisor and label settings dialogs offscreen on the demo configuration: what
// they show, what they write (the bytes of "CONFIG.PAR" and "PARAM.PAR" after OK and after
// Cancel) and the notices they give.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <map>

#include "app/path_table_qt.h"
#include "app/main_frame.h"
#include "app_fixture.h"
#include "machine/error_text.h"
#include "machine/globals.h"
#include "machine/label_settings.h"
#include "machine/params.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/units.h"
#include "machine/window_scale.h"
#include "platform/paths.h"
#include "test_support/qt_modal.h"
#include "ui/LabelDialogs.h"
#include "ui/OptionDialog.h"
#include "ui/main_window_state.h"

namespace {

constexpr int kOk = 1;
constexpr int kCancel = 2;

template <typename T>
T* Ctl(ui::CResizeDialog& d, int id) {
    T* w = qobject_cast<T*>(d.Control(id));
    EXPECT_NE(w, nullptr) << "control " << id;
    return w;
}
// A click as the user makes it (QAbstractButton::click: pressed, released, clicked).
void Click(ui::CResizeDialog& d, int id) { Ctl<QAbstractButton>(d, id)->click(); }
void Type(ui::CResizeDialog& d, int id, const char* text, bool clearFirst = true) {
    QLineEdit* e = Ctl<QLineEdit>(d, id);
    if (clearFirst) {
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Delete);
    }
    QTest::keyClicks(e, QString::fromLatin1(text));
}
void Choose(ui::CResizeDialog& d, int id, int index) { Ctl<QComboBox>(d, id)->setCurrentIndex(index); }
std::string Text(ui::CResizeDialog& d, int id) { return Ctl<QLineEdit>(d, id)->text().toStdString(); }

// The bytes of a file with each "from" line replaced by "to" (lines end in CR LF).
std::string WithLine(std::string bytes, const std::string& from, const std::string& to) {
    const std::size_t p = bytes.find("\r\n" + from + "\r\n");
    EXPECT_NE(p, std::string::npos) << from;
    if (p != std::string::npos) bytes.replace(p + 2, from.size(), to);
    return bytes;
}

bool g_listOpen = false;
bool ListOpen() { return g_listOpen; }

class ConfigDialogTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        ASSERT_EQ(Start(), CVelmoApp::kStarted);
        config_ = program_ + "CONF/CONFIG.PAR";
        param_ = program_ + "CONF/PARAM.PAR";
        g_listOpen = false;
        ui::SetMainWindowListOpenQuery(&ListOpen);
    }
    std::string Config() { return ReadFile(config_); }
    std::string Param() { return ReadFile(param_); }
    std::string config_, param_;
};

using OptionDialogTest = ConfigDialogTest;
using LabelDialogTest = ConfigDialogTest;

} // namespace

// ---------------------------------------------------------------- COptionDialog

TEST_F(OptionDialogTest, OpeningWritesLabelPrintingBackAndClearingItStaysAfterCancel) {
    const struct {
        const char* print;
        const char* noShort;
        bool clearPrint;
        const char* printAfter;
        const char* noShortAfter;
    } cases[] = {
        {"1", "1", false, "1", "1"},
        {"0", "1", false, "0", "0"},   // no-short without printing is written back cleared
        {"1", "1", true, "1", "0"},    // clearing printing writes no-short 0 at once
    };
    for (const auto& c : cases) {
        WriteConfig("LABEL", "PRINT", c.print);
        WriteConfig("LABEL", "PRINT_NOSHORT", c.noShort);
        const std::string before = Config();
        const std::string param = Param();
        ui::COptionDialog d(MainFrame);
        d.show();
        EXPECT_EQ(Ctl<QCheckBox>(d, ui::opt::kNoShort)->isEnabled(), std::string(c.print) == "1");
        if (c.clearPrint) {
            Click(d, ui::opt::kLabelPrint);
            EXPECT_FALSE(Ctl<QCheckBox>(d, ui::opt::kNoShort)->isEnabled());
            EXPECT_FALSE(Ctl<QCheckBox>(d, ui::opt::kNoShort)->isChecked());
        }
        Click(d, kCancel);
        EXPECT_EQ(d.result(), IDCANCEL);
        std::string expected = WithLine(before, std::string("PRINT_NOSHORT=") + c.noShort,
                                        std::string("PRINT_NOSHORT=") + c.noShortAfter);
        expected = WithLine(expected, std::string("PRINT=") + c.print, std::string("PRINT=") + c.printAfter);
        EXPECT_EQ(Config(), expected) << c.print << c.noShort << c.clearPrint;
        EXPECT_EQ(Param(), param);
    }
}

TEST_F(OptionDialogTest, OkWithoutChangeWritesOnlyTheFixedSelectionAndBarcodeTypes) {
    // The demo holds BC_FAMILY=1; the disabled lists always confirm their first item.
    const std::string before = Config();
    ui::COptionDialog d(MainFrame);
    d.show();
    EXPECT_FALSE(Ctl<QComboBox>(d, ui::opt::kTipoSelez)->isEnabled());
    EXPECT_FALSE(Ctl<QComboBox>(d, ui::opt::kBcFamily)->isEnabled());
    EXPECT_EQ(Text(d, ui::opt::kDirLda), "C:\\BRELON3\\VELMO\\LDA\\");
    EXPECT_EQ(Ctl<QComboBox>(d, ui::opt::kTypeOttim)->currentIndex(), 2);
    Click(d, kOk);
    EXPECT_EQ(d.result(), IDOK);
    EXPECT_EQ(Config(), WithLine(before, "BC_FAMILY=1", "BC_FAMILY=0"));
    EXPECT_EQ(g_pSettings->LabelChanged, 0);
    EXPECT_EQ(g_pSettings->ToolsChanged, 0);
    EXPECT_TRUE(ui_->boxes.empty());
}

TEST_F(OptionDialogTest, DirectoriesAreTrimmedAndEndInABackslash) {
    ui::COptionDialog d(MainFrame);
    d.show();
    Type(d, ui::opt::kDirLda, "  D:\\LISTS  ");
    Type(d, ui::opt::kDirVlk, "D:\\SHAPES\\");
    Click(d, ui::opt::kInches);
    EXPECT_FALSE(Ctl<QCheckBox>(d, ui::opt::kMillimetres)->isChecked());
    Click(d, kOk);
    const std::string text = Config();
    EXPECT_NE(text.find("\r\nDIR_LDA=D:\\LISTS\\\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nDIR_VLK=D:\\SHAPES\\\r\n"), std::string::npos);
    EXPECT_STREQ(g_pSettings->DIR_LDA, "D:\\LISTS\\");
    EXPECT_EQ(GetUnitSystem(), 2);
}

// The pairs of check boxes of which one is always ticked (the unit of measure, the supervisor's
// daily or monthly files), clicked with the mouse as the operator does, on the box or on its
// text, at every screen size: a click on the other one ticks it and clears the first, and a click
// on the ticked one leaves it ticked, so the pair never shows no choice while OK stores one.
TEST_F(OptionDialogTest, PairsClickedWithTheMouseKeepOneChoiceTicked) {
    const auto mouse = [](QCheckBox* box, bool onText) {
        const int indicator = box->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, box);
        const int x = onText ? indicator + 6 + box->fontMetrics().horizontalAdvance(box->text()) / 2 : indicator / 2;
        QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(x, box->height() / 2));
    };
    // From the first ticked: twice on the second, then twice on the first.
    const auto clickPair = [&](ui::CResizeDialog& d, int first, int second, bool onText) {
        QCheckBox* a = Ctl<QCheckBox>(d, first);
        QCheckBox* b = Ctl<QCheckBox>(d, second);
        ASSERT_TRUE(a->isChecked());
        for (QCheckBox* box : {b, a}) {
            for (int click = 0; click < 2; ++click) {
                mouse(box, onText);
                EXPECT_TRUE(box->isChecked()) << first << " click " << click;
                EXPECT_FALSE((box == a ? b : a)->isChecked()) << first << " click " << click;
            }
        }
    };
    const struct {
        int width, height;
        bool onText;
    } screens[] = {{1024, 768, false}, {1280, 800, true}, {1366, 768, false}, {1920, 1080, true}};
    for (const auto& screen : screens) {
        SCOPED_TRACE(std::to_string(screen.width) + (screen.onText ? " on the text" : " on the box"));
        SetScreenSize(screen.width, screen.height);
        ui::COptionDialog options(MainFrame);
        options.show();
        clickPair(options, ui::opt::kMillimetres, ui::opt::kInches, screen.onText);
        Click(options, kOk);
        EXPECT_EQ(GetUnitSystem(), 1);

        ui::CSupervisorDialog supervisor(MainFrame);
        supervisor.show();
        Click(supervisor, ui::sup::kLogOn);
        clickPair(supervisor, ui::sup::kDaily, ui::sup::kMonthly, screen.onText);
        Click(supervisor, kCancel);
    }
    SetScreenSize(1024, 768);
}

TEST_F(OptionDialogTest, BrowseStartsOnTheDirectoryAndPutsTheChoiceWithABackslash) {
    QDir().mkpath(QString::fromStdString(drives_ + "/C/BRELON3/VELMO/LDA"));
    QDir().mkpath(QString::fromStdString(drives_ + "/C/NEWLDA"));
    ui::COptionDialog d(MainFrame);
    d.show();
    QString title, start;
    WhenModal<QFileDialog>([&](QFileDialog* dlg) {
        title = dlg->windowTitle();
        start = dlg->directory().absolutePath();
        dlg->setDirectory(QString::fromStdString(drives_ + "/C/NEWLDA"));
        QMetaObject::invokeMethod(dlg, "accept");
    });
    Click(d, ui::opt::kBrowseLda);
    EXPECT_EQ(title.toStdString(), MsgString("S_DIRLDA"));
    EXPECT_EQ(start.toStdString(), drives_ + "/C/BRELON3/VELMO/LDA");
    EXPECT_EQ(Text(d, ui::opt::kDirLda), "C:\\NEWLDA\\");
    WhenModal<QFileDialog>([](QFileDialog* dlg) { dlg->reject(); });
    Click(d, ui::opt::kBrowseIso);
    EXPECT_EQ(Text(d, ui::opt::kDirIso), "C:\\BRELON3\\VELMO\\ISO\\");
    Click(d, kCancel);
}

TEST_F(OptionDialogTest, ToolDirectoryRebuildsThePathsOnlyOnARealChange) {
    const std::string toolsPath = (*g_pPathTable)[PathTable::kToolsTxt];
    {
        ui::COptionDialog d(MainFrame);
        d.show();
        Type(d, ui::opt::kDirUten, "c:\\brelon3\\velmo\\uten\\");   // the same, in another case
        Click(d, kOk);
        EXPECT_EQ(std::string((*g_pPathTable)[PathTable::kToolsTxt]), toolsPath);
        EXPECT_EQ(g_pSettings->ToolsChanged, 0);
        EXPECT_NE(Config().find("\r\nDIR_UTEN=C:\\BRELON3\\VELMO\\UTEN\\\r\n"), std::string::npos);
    }
    ui::COptionDialog d(MainFrame);
    d.show();
    Type(d, ui::opt::kDirUten, "C:\\TOOLS");
    Click(d, kOk);
    EXPECT_EQ(std::string((*g_pPathTable)[PathTable::kToolsTxt]), "C:\\TOOLS\\TOOLS.TXT");
    EXPECT_EQ(std::string((*g_pPathTable)[PathTable::kStoreIni]), "C:\\TOOLS\\STORE.INI");
    EXPECT_EQ(g_pSettings->ToolsChanged, 1);
    EXPECT_NE(Config().find("\r\nDIR_UTEN=C:\\TOOLS\\\r\n"), std::string::npos);
}

TEST_F(OptionDialogTest, ADirectoryTooLongIsRefusedAndNothingIsWritten) {
    const struct {
        int edit;
        std::size_t length;   // typed, without the final backslash
        bool refused;
    } cases[] = {
        {ui::opt::kDirLda, 258, false},    // 259 with the backslash: fits
        {ui::opt::kDirLda, 259, true},     // 260 with the backslash
        {ui::opt::kDirUten, 249, false},   // room for "TOOLS.TXT"
        {ui::opt::kDirUten, 250, true},
    };
    for (const auto& c : cases) {
        ui_->boxes.clear();
        const std::string before = Config();
        const std::string toolsPath = (*g_pPathTable)[PathTable::kToolsTxt];
        ui::COptionDialog d(MainFrame);
        d.show();
        QApplication::setActiveWindow(&d);
        const std::string dir = "C:\\" + std::string(c.length - 3, 'A');
        Ctl<QLineEdit>(d, c.edit)->setText(QString::fromStdString(dir));
        Click(d, kOk);
        if (c.refused) {
            EXPECT_TRUE(d.isVisible()) << c.length;
            ASSERT_EQ(ui_->boxes.size(), 1u);
            EXPECT_EQ(ui_->boxes[0].title, "T_ERRORE");
            EXPECT_NE(ui_->boxes[0].text.find(MsgString("M_DIR_TOO_LONG")), std::string::npos);
            EXPECT_EQ(QApplication::focusWidget(), d.Control(c.edit));
            EXPECT_EQ(Config(), before);
            EXPECT_EQ(std::string((*g_pPathTable)[PathTable::kToolsTxt]), toolsPath);
            Click(d, kCancel);
        } else {
            EXPECT_EQ(d.result(), IDOK) << c.length;
            EXPECT_NE(Config().find(dir + "\\\r\n"), std::string::npos) << c.length;
        }
    }
}

TEST_F(OptionDialogTest, NoticesWhileAListIsOpen) {
    g_listOpen = true;
    ui::COptionDialog d(MainFrame);
    d.show();
    Click(d, ui::opt::kLabelPrint);      // printing on
    Click(d, ui::opt::kChangeRip);       // repetition update changed
    Click(d, kOk);
    EXPECT_EQ(CountBoxesContaining(MsgString("M_TAB_CHANGED")), 2);
    EXPECT_EQ(g_pSettings->LabelChanged, 1);
    EXPECT_NE(Config().find("\r\nCHANGE_RIP=1\r\n"), std::string::npos);
    EXPECT_NE(Config().find("\r\nPRINT=1\r\n"), std::string::npos);
}

TEST_F(OptionDialogTest, SupervisorCannotBeOpenedWhileAListIsOpen) {
    g_listOpen = true;
    ui::COptionDialog d(MainFrame);
    d.show();
    bool supervisorShown = false;
    QTimer::singleShot(200, [&] {
        if (auto* s = qobject_cast<ui::CSupervisorDialog*>(QApplication::activeModalWidget())) {
            supervisorShown = true;
            s->reject();
        }
    });
    Click(d, ui::opt::kSupervisor);
    QTest::qWait(250);
    EXPECT_FALSE(supervisorShown);
    ASSERT_EQ(ui_->boxes.size(), 1u);
    EXPECT_EQ(ui_->boxes[0].title, "T_ATTENZIONE");
    EXPECT_EQ(ui_->boxes[0].text, MsgString("M_LOG_ACCESS"));
}

// ---------------------------------------------------------------- CSupervisorDialog

TEST_F(OptionDialogTest, SupervisorLogOffShowsDailyTickedButDisabled) {
    ui::CSupervisorDialog d(MainFrame);
    d.show();
    EXPECT_FALSE(Ctl<QCheckBox>(d, ui::sup::kLogOn)->isChecked());
    EXPECT_TRUE(Ctl<QCheckBox>(d, ui::sup::kDaily)->isChecked());
    for (int id : {ui::sup::kDaily, ui::sup::kMonthly, ui::sup::kMachineName, ui::sup::kDirLog, ui::sup::kPort,
                   ui::sup::kBrowse})
        EXPECT_FALSE(d.Control(id)->isEnabled()) << id;
    Click(d, ui::sup::kLogOn);
    for (int id : {ui::sup::kDaily, ui::sup::kMonthly, ui::sup::kMachineName, ui::sup::kDirLog, ui::sup::kPort,
                   ui::sup::kBrowse})
        EXPECT_TRUE(d.Control(id)->isEnabled()) << id;
    Click(d, kCancel);
}

TEST_F(OptionDialogTest, SupervisorWithoutChangeClosesWithoutNotice) {
    const std::string config = Config();
    const std::string param = Param();
    ui::CSupervisorDialog d(MainFrame);
    d.show();
    Click(d, kOk);
    EXPECT_EQ(d.result(), IDOK);
    EXPECT_TRUE(ui_->boxes.empty());
    EXPECT_EQ(Config(), config);
    EXPECT_EQ(Param(), param);
}

TEST_F(OptionDialogTest, SupervisorStoresFirstUpperCaseWordMonthlyModeAndPort) {
    const std::string config = Config();
    const std::string param = Param();
    ui::CSupervisorDialog d(MainFrame);
    d.show();
    Click(d, ui::sup::kLogOn);
    Click(d, ui::sup::kMonthly);
    EXPECT_FALSE(Ctl<QCheckBox>(d, ui::sup::kDaily)->isChecked());
    Type(d, ui::sup::kMachineName, "line two");
    EXPECT_EQ(Text(d, ui::sup::kMachineName), "LINE TWO");
    Type(d, ui::sup::kMachineName, "abcdefghijklmnopqrstuvw", true);
    EXPECT_EQ(Text(d, ui::sup::kMachineName), "ABCDEFGHIJKLMNOPQRS");   // 19 characters
    Type(d, ui::sup::kMachineName, "line two");
    Choose(d, ui::sup::kPort, 2);
    Click(d, kOk);
    ASSERT_EQ(ui_->boxes.size(), 1u);
    EXPECT_EQ(ui_->boxes[0].text, MsgString("M_LOG_CHANGED"));
    EXPECT_EQ(Config(),
              WithLine(WithLine(config, "NOME_MACCHINA_LOG=BRELON3", "NOME_MACCHINA_LOG=LINE"), "LOG_SUPERVISOR=0",
                       "LOG_SUPERVISOR=2"));
    EXPECT_EQ(Param(), WithLine(param, "PORT_MSV=0", "PORT_MSV=2"));
}

// A new supervisor port takes effect at the next start: the parameter loads that follow (a
// parameter dialog's save, the next list opening) go on without PORT_CHANGED.
TEST_F(OptionDialogTest, ChangedSupervisorPortDoesNotBlockTheNextParameterLoad) {
    const int port = g_pSettings->PORT_MSV;
    ui::CSupervisorDialog d(MainFrame);
    d.show();
    Click(d, ui::sup::kLogOn);
    Choose(d, ui::sup::kPort, 3);
    Click(d, kOk);
    ASSERT_EQ(GetPortMsv(), 3);
    EXPECT_EQ(LoadAllParameters(*g_pSettings), 0) << g_errorText;
    EXPECT_EQ(g_pSettings->PORT_MSV, port);
}

// ---------------------------------------------------------------- CParLabelDialog

TEST_F(LabelDialogTest, OkWithoutChangeWritesNothingAndShowsNothing) {
    g_listOpen = true;
    const std::string before = Config();
    for (int which = 0; which < 2; ++which) {
        std::unique_ptr<ui::CResizeDialog> d;
        if (which == 0) d = std::make_unique<ui::CParLabelDialog>(MainFrame);
        else d = std::make_unique<ui::CParEtichetteDialog>(MainFrame);
        d->show();
        Click(*d, kOk);
        EXPECT_EQ(d->result(), IDOK);
    }
    EXPECT_EQ(Config(), before);
    EXPECT_TRUE(ui_->boxes.empty());
    EXPECT_EQ(g_pSettings->LabelChanged, 0);
}

TEST_F(LabelDialogTest, TypedCaptionsAreUpperCasedAndCutAtTheirLimit) {
    WriteConfig("LABEL", "LEN_ROW", "12");
    g_pSettings->LEN_ROW = 12;
    ui::CParLabelDialog d(MainFrame);
    d.show();
    Type(d, ui::lab::kFirstStr, "abc");
    EXPECT_EQ(Text(d, ui::lab::kFirstStr), "ABC");
    Type(d, ui::lab::kFirstStr + 1, "abcdefghi");
    EXPECT_EQ(Text(d, ui::lab::kFirstStr + 1), "ABCDEFGH");
    Type(d, ui::lab::kHeadText, "a very long heading");
    EXPECT_EQ(Text(d, ui::lab::kHeadText), "A VERY LONG");   // LEN_ROW - 1
    Click(d, kCancel);
}

TEST_F(LabelDialogTest, BarcodeTypeAndHeadingTypeDriveTheirControls) {
    ui::CParLabelDialog d(MainFrame);
    d.show();
    const int line7[] = {213, 229, 204, 221};
    const int line8[] = {214, 230, 205, 222};
    auto linesEnabled = [&](bool on) {
        for (int id : line7) EXPECT_EQ(d.Control(id)->isEnabled(), on) << id;
        for (int id : line8) EXPECT_EQ(d.Control(id)->isEnabled(), on) << id;
    };
    EXPECT_FALSE(d.Control(ui::lab::kBcHeight)->isEnabled());   // demo: no barcode
    linesEnabled(true);
    Choose(d, ui::lab::kBcType, 4);   // "Code 39"
    EXPECT_EQ(Ctl<QComboBox>(d, ui::lab::kBcType)->currentText(), "Code 39");
    EXPECT_TRUE(d.Control(ui::lab::kBcHeight)->isEnabled());
    EXPECT_TRUE(d.Control(242)->isEnabled());
    linesEnabled(false);
    Choose(d, ui::lab::kBcType, 0);
    linesEnabled(true);
    EXPECT_TRUE(d.Control(ui::lab::kHeadText)->isEnabled());
    Choose(d, ui::lab::kHeadType, 1);   // notes
    EXPECT_FALSE(d.Control(ui::lab::kHeadText)->isEnabled());
    EXPECT_FALSE(d.Control(197)->isEnabled());
    Click(d, kCancel);
}

TEST_F(LabelDialogTest, SaveWritesChangedValuesInPlaceAndKeepsUnknownSizes) {
    WriteConfig("LABEL", "BC_HEIGHT", "3");
    WriteConfig("LABEL", "HEAD_FONT", "30");   // not a size of the list
    const std::string before = Config();
    g_listOpen = true;
    ui::CParLabelDialog d(MainFrame);
    d.show();
    EXPECT_EQ(Ctl<QComboBox>(d, ui::lab::kBcHeight)->currentText(), "3");
    EXPECT_EQ(Ctl<QComboBox>(d, ui::lab::kHeadFont)->currentIndex(), -1);
    EXPECT_EQ(Ctl<QComboBox>(d, ui::lab::kFont)->currentText(), "29");
    EXPECT_EQ(Ctl<QComboBox>(d, ui::lab::kFirstType + 2)->currentText(), "Series");
    Choose(d, ui::lab::kBcHeight, 0);
    Choose(d, ui::lab::kFirstType + 4, 11);
    Type(d, ui::lab::kFirstStr + 4, "info");
    Click(d, kOk);
    std::string expected = WithLine(before, "BC_HEIGHT=3", "BC_HEIGHT=1");
    expected = WithLine(expected, "STR5=", "STR5=INFO");
    expected = WithLine(expected, "TYPE5=0", "TYPE5=11");
    EXPECT_EQ(Config(), expected);
    EXPECT_EQ(g_pSettings->BC_HEIGHT, 1);
    EXPECT_EQ(g_pSettings->LabelChanged, 1);
    EXPECT_EQ(CountBoxesContaining(MsgString("M_TAB_CHANGED")), 1);
}

// ---------------------------------------------------------------- CParEtichetteDialog

TEST_F(LabelDialogTest, EtichetteSavesSwitchesHeadingsAndFields) {
    const std::string before = Config();
    g_listOpen = true;
    ui::CParEtichetteDialog d(MainFrame);
    d.show();
    for (int id : {211, 212, 213, 214, 445, 1171, 1172, 1173, 1174, 1177, 1150, 1180}) {
        EXPECT_FALSE(d.Control(id)->isVisible()) << id;
        EXPECT_FALSE(d.Control(id)->isEnabled()) << id;
    }
    EXPECT_EQ(Ctl<QComboBox>(d, ui::eti::kBarcode1)->count(), 2);
    Choose(d, ui::eti::kBarcode2, 1);
    Type(d, ui::eti::kFirstHead + 3, "colour of the bar");
    EXPECT_EQ(Text(d, ui::eti::kFirstHead + 3), "COLOUR OF THE BAR");   // 17 characters
    Type(d, ui::eti::kFirstHead + 3, "x", false);
    EXPECT_EQ(Text(d, ui::eti::kFirstHead + 3), "COLOUR OF THE BAR");
    Choose(d, ui::eti::kFirstInfo + 3, 6);
    Click(d, kOk);
    EXPECT_EQ(g_pSettings->LabelChanged, 1);
    EXPECT_EQ(CountBoxesContaining(MsgString("M_TAB_CHANGED")), 1);
    std::string expected = WithLine(before, "STAMPA_BARCODE2=0", "STAMPA_BARCODE2=1");
    expected = WithLine(expected, "HEAD4=", "HEAD4=COLOUR OF THE BAR");
    expected = WithLine(expected, "INFO4=0", "INFO4=6");
    EXPECT_EQ(Config(), expected);
}

// ---------------------------------------------------------------- looks

TEST_F(ConfigDialogTest, GrabEveryDialogAtTwoScreenSizes) {
    const char* dir = std::getenv("BRELON_GRAB_DIR");
    for (const auto& [w, h] : {std::pair{1024, 768}, std::pair{1920, 1080}}) {
        SetScreenSize(w, h);
        std::vector<std::pair<std::string, std::unique_ptr<ui::CResizeDialog>>> dialogs;
        dialogs.emplace_back("options", std::make_unique<ui::COptionDialog>(MainFrame));
        dialogs.emplace_back("supervisor", std::make_unique<ui::CSupervisorDialog>(MainFrame));
        dialogs.emplace_back("label", std::make_unique<ui::CParLabelDialog>(MainFrame));
        dialogs.emplace_back("etichette", std::make_unique<ui::CParEtichetteDialog>(MainFrame));
        for (auto& [name, d] : dialogs) {
            d->show();
            QCoreApplication::processEvents();
            EXPECT_LE(d->width(), w) << name;
            EXPECT_LE(d->height(), h) << name;
            // No raw message key is shown.
            for (QWidget* c : d->findChildren<QWidget*>()) {
                QString text;
                if (auto* b = qobject_cast<QAbstractButton*>(c)) text = b->text();
                if (auto* l = qobject_cast<QLabel*>(c)) text = l->text();
                if (!c->isVisible() || text.isEmpty()) continue;
                EXPECT_FALSE(QRegularExpression("^[A-Z]+_[A-Z0-9_]+$").match(text).hasMatch())
                    << name << " " << c->objectName().toStdString() << " " << text.toStdString();
            }
            if (dir != nullptr) d->grab().save(QString("%1/%2_%3.png").arg(dir).arg(name.c_str()).arg(w));
            d->reject();
        }
    }
}

namespace {

class LongFolderKeyTest : public AppFixture {};

} // namespace

// A folder key of "CONFIG.PAR" that a stored path cannot hold (with the files the program puts
// in that folder) is not cut into another folder: the start names the key and the file, and the
// folder takes the key's default, so the tool table's own message names the file it looked for.
TEST_F(LongFolderKeyTest, TheStartNamesTheKeyAndFileAndUsesTheDefault) {
    const struct {
        const char* key;
        std::size_t length;
        int most;   // 0: accepted
    } cases[] = {
        {"DIR_LDA", 259, 0},      // the most a stored path holds
        {"DIR_ISO", 260, 259},
        {"DIR_UTEN", 251, 250},   // leaves no room for "TOOLS.TXT"
        {"DIR_LOG", 247, 0},      // room for the daily "YYYYMMDD.LGC"
    };
    std::map<std::string, std::string> values;
    for (const auto& c : cases) {
        values[c.key] = "C:\\" + std::string(c.length - 4, 'F') + "\\";
        WriteConfig("GENERAL", c.key, values[c.key].c_str());
    }
    ASSERT_EQ(Start("OFFICE"), CVelmoApp::kStarted);
    // The file by its path on this system, where the operator opens it.
    const std::string config = plat::NativePath(PathSlot(PathTable::kConfigPar));
    const std::map<std::string, const char*> fields = {{"DIR_LDA", g_pSettings->DIR_LDA},
                                                       {"DIR_ISO", g_pSettings->DIR_ISO},
                                                       {"DIR_UTEN", g_pSettings->DIR_UTEN},
                                                       {"DIR_LOG", g_pSettings->DIR_LOG}};
    std::size_t keyBoxes = 0, lastKeyBox = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        const std::string named = config + " [GENERAL] " + c.key + ": ";
        std::size_t at = ui_->boxes.size();
        for (std::size_t i = 0; i < ui_->boxes.size(); ++i)
            if (ui_->boxes[i].text.find(named) != std::string::npos) at = i;
        if (c.most == 0) {
            EXPECT_EQ(at, ui_->boxes.size());
            EXPECT_EQ(std::string(fields.at(c.key)), values[c.key]);
            continue;
        }
        ASSERT_LT(at, ui_->boxes.size());
        ++keyBoxes;
        lastKeyBox = std::max(lastKeyBox, at);
        // Then the key's value as configured, its beginning when long.
        EXPECT_EQ(ui_->boxes[at].text, std::string(MsgError("ERR_DIR_KEY_LONG")) + "\n" + named +
                                            std::to_string(c.length) + " > " + std::to_string(c.most) + "\n" +
                                            values[c.key].substr(0, 40) + "...");
        EXPECT_EQ(std::string(fields.at(c.key)), "\\");
        // The file keeps the operator's value: nothing is rewritten behind the box.
        EXPECT_NE(ReadFile(program_ + "CONF/CONFIG.PAR").find(std::string(c.key) + "=" + values[c.key] + "\r\n"),
                  std::string::npos);
    }
    EXPECT_EQ(keyBoxes, 2u);
    // The tool table is looked for in the default folder, and its message says where.
    std::size_t toolBox = ui_->boxes.size();
    for (std::size_t i = 0; i < ui_->boxes.size(); ++i)
        if (ui_->boxes[i].text == std::string(MsgError("PATH_ERROR")) + "\n\\TOOLS.TXT") toolBox = i;
    ASSERT_LT(toolBox, ui_->boxes.size());
    EXPECT_GT(toolBox, lastKeyBox);
}
