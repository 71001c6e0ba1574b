// Filters wired into entries, the input box and the password prompt offscreen, and the
// path arithmetic and file dialog of the pickers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <functional>

#include "machine/number_entry.h"
#include "machine/ui_services_fake.h"
#include "machine/settings_support.h"
#include "machine/units.h"
#include "msgtable/Dictavo.h"
#include "machine/window_scale.h"
#include "platform/paths.h"
#include "qt_app.h"
#include "test_support/qt_modal.h"
#include "ui/EditFilters.h"
#include "ui/InputDialog.h"
#include "ui/Pickers.h"
#include "ui/picker_paths.h"

namespace fs = std::filesystem;

namespace {

// ---------------------------------------------------------------- filters on an entry

struct EntryFixture : ::testing::Test {
    std::unique_ptr<QLineEdit> edit;
    void SetUp() override {
        TestApp();
        edit = std::make_unique<QLineEdit>();
        edit->show();
    }
    // Puts text in the entry with the caret at pos, then types keys as the user would.
    void TypeAt(const char* text, int pos, const char* keys) {
        edit->setText(QString::fromLatin1(text));
        edit->setCursorPosition(pos);
        QTest::keyClicks(edit.get(), QString::fromLatin1(keys));
    }
};

TEST_F(EntryFixture, DecimalFilterKeepsFirstPointAndCaret) {
    ui::ConnectRealFilter(edit.get(), true);
    TypeAt("12.3", 4, ".");
    EXPECT_EQ(edit->text(), "12.3");
    EXPECT_EQ(edit->cursorPosition(), 4);
    // A point typed before the existing one is the first point of the text: it stays.
    TypeAt("1.23", 0, ".");
    EXPECT_EQ(edit->text(), ".123");
    EXPECT_EQ(edit->cursorPosition(), 0);
    TypeAt("12", 1, "x");
    EXPECT_EQ(edit->text(), "12");
    EXPECT_EQ(edit->cursorPosition(), 1);
}

TEST_F(EntryFixture, MinusOnlyFirstAndOnlyWhenAllowed) {
    ui::ConnectRealFilter(edit.get(), true);
    TypeAt("12", 1, "-");
    EXPECT_EQ(edit->text(), "12");
    TypeAt("12", 0, "-");
    EXPECT_EQ(edit->text(), "-12");
    EXPECT_EQ(edit->cursorPosition(), 1);

    QLineEdit noMinus;
    ui::ConnectIntegerFilter(&noMinus, false);
    noMinus.setText("12");
    noMinus.setCursorPosition(0);
    QTest::keyClicks(&noMinus, "-");
    EXPECT_EQ(noMinus.text(), "12");
    QTest::keyClicks(&noMinus, "7.");
    EXPECT_EQ(noMinus.text(), "712");   // digits pass, the point does not
}

TEST_F(EntryFixture, TextFilterCutsAndUpperCases) {
    ui::ConnectTextFilter(edit.get(), 5, true);
    TypeAt("", 0, "abcdef");
    EXPECT_EQ(edit->text(), "ABCD");
    // A character outside the code page counts as one, the caret stays after it.
    edit->clear();
    QKeyEvent euro(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8("\xe2\x82\xac"));
    QApplication::sendEvent(edit.get(), &euro);   // the euro sign is in the code page
    QTest::keyClicks(edit.get(), "a");
    EXPECT_EQ(edit->text(), QString::fromUtf8("\xe2\x82\xac" "A"));
    EXPECT_EQ(edit->cursorPosition(), 2);
}

// ---------------------------------------------------------------- input box

struct InputFixture : ::testing::Test {
    RecordingUi fake;
    void SetUp() override {
        TestApp();
        SetUi(&fake);
    }
    void TearDown() override {
        SetUi(nullptr);
        SetUnitSystem(kUnitMillimetres);
    }
    // Shows the dialog, types entry, presses OK; returns the dialog result (0 while open).
    static int Submit(ui::CInputDialog& dlg, const char* entry) {
        dlg.show();
        dlg.Entry()->setText(QString::fromLatin1(entry));
        QTest::mouseClick(static_cast<QPushButton*>(dlg.Control(ui::kIdOk)), Qt::LeftButton);
        return dlg.isVisible() ? 0 : dlg.result();
    }
};

TEST_F(InputFixture, NumericCheckAcceptsRangeAndRejectsWithTheRightMessage) {
    struct Case {
        const char* entry;
        int result;
        const char* message;
    } cases[] = {
        {"0", IDOK, nullptr},           {"100", IDOK, nullptr},        {" 50", IDOK, nullptr},
        {"50\n", IDOK, nullptr},        {"100.5", 0, "ERR_LIMIT"},     {"-1", 0, "ERR_LIMIT"},
        {"50a", 0, "ERR_SYNTAX"},       {"", 0, "ERR_SYNTAX"},         {"inf", 0, "ERR_SYNTAX"},
        {"0x10", 0, "ERR_SYNTAX"},
    };
    for (const Case& c : cases) {
        fake.boxes.clear();
        std::string text;
        ui::CInputDialog dlg(nullptr, "Title", "Prompt", text, 20, 0, false, true, 0, 100);
        EXPECT_EQ(Submit(dlg, c.entry), c.result) << c.entry;
        if (c.message == nullptr) {
            EXPECT_TRUE(fake.boxes.empty()) << c.entry;
        } else {
            ASSERT_EQ(fake.boxes.size(), 1u) << c.entry;
            EXPECT_EQ(fake.boxes[0].title, "T_ERRORE");
            // A value out of range is told with the range it must lie in.
            const std::string range = std::strcmp(c.message, "ERR_LIMIT") == 0 ? "\n" + RangeText(0, 100, nullptr) : "";
            EXPECT_EQ(fake.boxes[0].text, MsgError(c.message) + range);
            EXPECT_EQ(fake.boxes[0].icon, BoxIcon::Warning);
        }
        EXPECT_EQ(text, c.entry) << "the caller's text holds what was typed, also when rejected";
    }
}

TEST_F(InputFixture, WithoutNumericCheckOnlyEmptyIsRefused) {
    std::string text = "OLD";
    ui::CInputDialog dlg(nullptr, "T", "P", text, 20, 0, false, false, 0, 0);
    EXPECT_EQ(Submit(dlg, ""), 0);
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].text, "ERR_SYNTAX");
    EXPECT_EQ(text, "");
    EXPECT_EQ(Submit(dlg, "anything"), IDOK);
    EXPECT_EQ(text, "anything");
}

TEST_F(InputFixture, EntryCutToBufferAndCancelKeepsLastAttempt) {
    std::string text;
    ui::CInputDialog dlg(nullptr, "T", "P", text, 4, 0, false, true, 0, 10);
    EXPECT_EQ(Submit(dlg, "12345"), 0);   // cut to "123", over the maximum
    EXPECT_EQ(text, "123");
    QTest::mouseClick(static_cast<QPushButton*>(dlg.Control(ui::kIdCancel)), Qt::LeftButton);
    EXPECT_EQ(dlg.result(), IDCANCEL);
    EXPECT_EQ(text, "123");
}

TEST_F(InputFixture, LengthConversionShowsInchesAndStoresMillimetres) {
    SetUnitSystem(kUnitInches);
    std::string text = "25.4";
    ui::CInputDialog dlg(nullptr, "T", "P", text, 8, ui::kInputFilterReal, true, false, 0, 0);
    dlg.show();
    EXPECT_EQ(dlg.Entry()->text(), "1.0000");
    // A long inch value becomes a longer millimetre text: kept whole, nothing overruns.
    dlg.Entry()->setText("99999.9");
    QTest::mouseClick(static_cast<QPushButton*>(dlg.Control(ui::kIdOk)), Qt::LeftButton);
    EXPECT_EQ(dlg.result(), IDOK);
    EXPECT_EQ(text, "2539997.46");
}

TEST_F(InputFixture, FilterModesWired) {
    std::string text;
    ui::CInputDialog upper(nullptr, "T", "P", text, 6, ui::kInputFilterText, false, false, 0, 0);
    upper.show();
    upper.Entry()->clear();
    QTest::keyClicks(upper.Entry(), "abcdefgh");
    EXPECT_EQ(upper.Entry()->text(), "ABCDE");

    ui::CInputDialog integer(nullptr, "T", "P", text, 20, ui::kInputFilterInteger, false, false, 0, 0);
    integer.show();
    integer.Entry()->clear();
    QTest::keyClicks(integer.Entry(), "-1.5x");
    EXPECT_EQ(integer.Entry()->text(), "-1.5");   // kept for OK to refuse, never read as 15

    ui::CInputDialog real(nullptr, "T", "P", text, 20, ui::kInputFilterReal, false, false, 0, 0);
    real.show();
    real.Entry()->clear();
    QTest::keyClicks(real.Entry(), "-1.5.2");
    EXPECT_EQ(real.Entry()->text(), "-1.52");
}

// ---------------------------------------------------------------- password

TEST(PasswordDecision, LevelTwoFirstIgnoringCase) {
    EXPECT_EQ(ui::PasswordLevel("abc", "ABC", "xyz"), ui::kPasswordLevel1);
    EXPECT_EQ(ui::PasswordLevel("XyZ", "ABC", "xyz"), ui::kPasswordLevel2);
    EXPECT_EQ(ui::PasswordLevel("same", "SAME", "Same"), ui::kPasswordLevel2);
    EXPECT_EQ(ui::PasswordLevel("abd", "ABC", "xyz"), 0);
    EXPECT_EQ(ui::PasswordLevel("", "ABC", "xyz"), 0);
}

TEST_F(InputFixture, PasswordDialogWrongEntryClearsAndStaysOpen) {
    ui::CPasswordDialog dlg(nullptr, "one", "two");
    dlg.show();
    EXPECT_EQ(dlg.Entry()->echoMode(), QLineEdit::Password);
    auto* ok = static_cast<QPushButton*>(dlg.Control(ui::kIdOk));
    dlg.Entry()->setText("three");
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_TRUE(dlg.Entry()->text().isEmpty());
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].title, "T_ERRORE");
    EXPECT_EQ(fake.boxes[0].text, "M_WRONG_PASS");
    dlg.Entry()->setText("ONE");
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), ui::kPasswordLevel1);

    ui::CPasswordDialog esc(nullptr, "one", "two");
    esc.show();
    QTest::keyClick(&esc, Qt::Key_Escape);
    EXPECT_EQ(esc.result(), IDCANCEL);
}

// ---------------------------------------------------------------- pickers

TEST(PickerPaths, StoredFormAndCombinedText) {
    plat::SetDrivesRoot("/tmp/drv");
    EXPECT_EQ(ui::StoredPathFromNative("/tmp/drv/C/UVEN/LAV"), "C:\\UVEN\\LAV");
    EXPECT_EQ(ui::StoredPathFromNative("/tmp/drv/c"), "C:\\");
    EXPECT_EQ(ui::StoredPathFromNative("/tmp/drv/C/"), "C:\\");
    EXPECT_EQ(ui::StoredPathFromNative("/tmp/drvX/C"), "\\tmp\\drvX\\C");
    EXPECT_EQ(ui::StoredPathFromNative("/tmp/drv/CD/x"), "\\tmp\\drv\\CD\\x");
    plat::SetDrivesRoot("");

    EXPECT_EQ(ui::CombineFolderPattern("C:\\UVEN\\LAV", "*.lda"), "C:\\UVEN\\LAV\\*.lda");
    EXPECT_EQ(ui::CombineFolderPattern("C:\\UVEN\\LAV\\", "*.lda"), "C:\\UVEN\\LAV\\*.lda");
    EXPECT_EQ(ui::CombineFolderPattern("", "*.lda"), "*.lda");
    // A folder of any length plus the pattern: nothing is cut or overrun.
    const std::string longFolder(300, 'A');
    EXPECT_EQ(ui::CombineFolderPattern(longFolder, "*.lda"), longFolder + "\\*.lda");

    // What the operator reads in the filter box is the system's text; the patterns that pick
    // the files are this platform's ("*.*" is every file, names without an extension too).
    const struct {
        const char* filter;
        const char* pattern;
        std::vector<std::string> shown;
        std::vector<std::vector<std::string>> patterns;
    } filterCases[] = {
        {"Files ISO (*.*)", "*.*", {"Files ISO (*.*)"}, {{"*"}}},                 // no bars at all
        {"Files LDA (*.lda)|*.lda|", "*.lda", {"Files LDA (*.lda)"}, {{"*.lda"}}},
        {"Bar lists|*.lda|All files|*.*;*||", "*.lda", {"Bar lists (*.lda)", "All files (*.* *)"},
         {{"*.lda"}, {"*", "*"}}},
        {"", "*.lda", {}, {}},
    };
    for (const auto& c : filterCases) {
        SCOPED_TRACE(c.filter);
        const auto filters = ui::FileFiltersOf(c.filter, c.pattern);
        ASSERT_EQ(filters.size(), c.shown.size());
        for (std::size_t i = 0; i < filters.size(); ++i) {
            EXPECT_EQ(filters[i].shown, c.shown[i]);
            EXPECT_EQ(filters[i].patterns, c.patterns[i]);
        }
    }
    EXPECT_EQ(ui::NativeWildcard("*.*"), "*");
    EXPECT_EQ(ui::NativeWildcard("*.lda"), "*.lda");
}

TEST(PickerDialogs, FileDialogStartsOnFolderAndPatternAndCancelGivesCombinedText) {
    TestApp();
    std::string folder = "/tmp";
    std::string result;
    QString shownDirectory;
    bool detail = false;
    WhenModal<QFileDialog>([&](QFileDialog* dlg) {
        shownDirectory = dlg->directory().absolutePath();
        detail = dlg->viewMode() == QFileDialog::Detail;
        dlg->reject();
    });
    EXPECT_EQ(ui::RunFileDialog("Lists|*.lda||", folder, "*.lda", result, "Open"), IDCANCEL);
    EXPECT_EQ(folder, "/tmp\\*.lda");
    EXPECT_EQ(result, folder);
    EXPECT_EQ(shownDirectory, "/tmp");
    EXPECT_TRUE(detail);
}

TEST(PickerDialogs, IsoPickerShowsTheSystemsFilterAndListsProgramsWithoutExtension) {
    TestApp();
    const fs::path dir = fs::temp_directory_path() / ("brelon_iso_picker_" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const char* name : {"ISONV", "BAR1.ISO", "P.txt"}) std::ofstream(dir / name) << "%\n";
    std::string folder = dir.string();
    std::string result;
    QStringList filters, listed;
    QString selected;
    WhenModal<QFileDialog>([&](QFileDialog* dlg) {
        filters = dlg->nameFilters();
        selected = dlg->selectedNameFilter();
        auto* model = dlg->findChild<QFileSystemModel*>(QStringLiteral("qt_filesystem_model"));
        auto* view = dlg->findChild<QTreeView*>(QStringLiteral("treeView"));
        if (model != nullptr && view != nullptr) {
            (void)QTest::qWaitFor([&] { return model->rowCount(view->rootIndex()) >= 3; }, 3000);
            const QModelIndex root = view->rootIndex();
            for (int r = 0; r < model->rowCount(root); ++r) {
                const QModelIndex i = model->index(r, 0, root);
                // A name the filter refuses stays in the model but is hidden from the list.
                if (!view->isRowHidden(r, root) && (model->flags(i) & Qt::ItemIsEnabled)) listed << i.data().toString();
            }
        }
        dlg->reject();
    });
    EXPECT_EQ(ui::RunFileDialog("Files ISO (*.*)", folder, "*.*", result, "ISO"), IDCANCEL);
    fs::remove_all(dir);
    EXPECT_EQ(filters, QStringList{QStringLiteral("Files ISO (*.*)")});
    EXPECT_EQ(selected, QStringLiteral("Files ISO (*.*)"));
    listed.sort();
    EXPECT_EQ(listed, (QStringList{QStringLiteral("BAR1.ISO"), QStringLiteral("ISONV"), QStringLiteral("P.txt")}));
}

TEST(PickerDialogs, FolderPickerOnMissingPathOpensOnDrives) {
    TestApp();
    plat::SetDrivesRoot("/tmp");
    std::string path = "Q:\\NO\\SUCH\\FOLDER\\";
    QString shownDirectory;
    WhenModal<QFileDialog>([&](QFileDialog* dlg) {
        shownDirectory = dlg->directory().absolutePath();
        dlg->reject();
    });
    EXPECT_EQ(ui::BrowseForFolderDlg(nullptr, path, "Folder"), 0);
    plat::SetDrivesRoot("");
    EXPECT_EQ(path, "Q:\\NO\\SUCH\\FOLDER");   // the trailing backslash goes even on cancel
    EXPECT_EQ(shownDirectory, "/tmp");
}

} // namespace

namespace {

// Pictures of the two dialogs for a look by eye (only when a folder is given).
TEST(DialogPictures, GrabWhenAsked) {
    const char* dir = std::getenv("BRELON_UI_GRAB_DIR");
    if (dir == nullptr) GTEST_SKIP() << "BRELON_UI_GRAB_DIR not set";
    TestApp();
    Dictavo strings((std::string(BRELON_SOURCE_DIR) + "/demo/MSG/STRING.MSG").c_str());
    ASSERT_EQ(strings.LoadStrings(), Dictavo::kLoaded);
    g_msgStrings = &strings;
    for (int width : {800, 1024, 1280}) {
        SetScreenSize(width, width * 3 / 4);
        std::string text = "125.50";
        ui::CInputDialog input(nullptr, "Bar length", "Length of the bar to load on the machine, in millimetres:", text, 20, ui::kInputFilterReal, false,
                               true, 0, 7000);
        input.show();
        input.grab().save(QString("%1/input_%2.png").arg(dir).arg(width));
        ui::CPasswordDialog password(nullptr, "a", "b");
        password.show();
        password.Entry()->setText("secret");
        password.grab().save(QString("%1/password_%2.png").arg(dir).arg(width));
    }
    SetScreenSize(0, 0);
    g_msgStrings = nullptr;
}

} // namespace

namespace {

TEST(PickerDialogs, FolderPickerChosenFolderInStoredForm) {
    TestApp();
    const std::string root = "/tmp/uihost_drives_" + std::to_string(::getpid());
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(root + "/C/UVEN/LAV")));
    plat::SetDrivesRoot(root);
    std::string path = "C:\\UVEN\\";
    QString shownDirectory;
    WhenModal<QFileDialog>([&](QFileDialog* dlg) {
        shownDirectory = dlg->directory().absolutePath();
        dlg->setDirectory(QString::fromStdString(root + "/C/UVEN/LAV"));
        QMetaObject::invokeMethod(dlg, "accept");
    });
    EXPECT_NE(ui::BrowseForFolderDlg(nullptr, path, "Folder"), 0);
    plat::SetDrivesRoot("");
    QDir(QString::fromStdString(root)).removeRecursively();
    EXPECT_EQ(shownDirectory, QString::fromStdString(root + "/C/UVEN"));
    EXPECT_EQ(path, "C:\\UVEN\\LAV");
}

} // namespace
