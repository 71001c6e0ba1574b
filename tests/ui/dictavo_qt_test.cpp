// Translation of a Qt menu bar and a dialog through the message table.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <cstdio>
#include <filesystem>

#include "qt_app.h"
#include "ui/DictavoQt.h"
#include "ui/qt_text.h"

namespace {

struct Table : ::testing::Test {
    std::filesystem::path file;
    std::unique_ptr<Dictavo> table;
    void SetUp() override {
        TestApp();
        file = std::filesystem::temp_directory_path() /
               ("uikit_" + std::to_string(::getpid()) + "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".MSG");
        FILE* f = std::fopen(file.c_str(), "wb");
        ASSERT_NE(nullptr, f);
        std::fputs("M_FILE &File\r\nM_OPEN Open list...\r\nM_EXIT E&xit\r\nB_OK OK\r\n"
                   "B_CLOSE Chiud\xE8\r\nS_NAME Name\r\nC_AUTO Automatic\r\nG_MODE Mode\r\n", f);
        std::fclose(f);
        table = std::make_unique<Dictavo>(file.c_str());
        ASSERT_EQ(Dictavo::kLoaded, table->LoadStrings());
    }
    void TearDown() override { std::filesystem::remove(file); }
};

} // namespace

TEST_F(Table, MenuBarAndPopupsAreTranslated) {
    QMainWindow frame;
    QMenu* file = frame.menuBar()->addMenu(QStringLiteral("M_FILE"));
    QAction* open = file->addAction(QStringLiteral("M_OPEN"));
    open->setCheckable(true);
    open->setChecked(true);
    open->setEnabled(false);
    file->addSeparator();
    QAction* exit = file->addAction(QStringLiteral("M_EXIT"));
    QAction* unknown = file->addAction(QStringLiteral("M_NONE"));
    ui::TranslateMenu(*table, &frame);
    EXPECT_EQ(QStringLiteral("&File"), file->menuAction()->text());
    EXPECT_EQ(QStringLiteral("Open list..."), open->text());
    EXPECT_TRUE(open->isEnabled());        // a replaced item is plain, enabled, unchecked
    EXPECT_FALSE(open->isChecked());
    EXPECT_EQ(QStringLiteral("E&xit"), exit->text());
    EXPECT_EQ(QStringLiteral("M_NONE"), unknown->text());   // absent key: the key itself
    EXPECT_EQ(4, static_cast<int>(file->actions().size()));
}

TEST_F(Table, DialogButtonsAndLabelsAreTranslated) {
    QDialog dlg;
    auto* ok = new QPushButton(QStringLiteral("B_OK"), &dlg);
    auto* close = new QPushButton(QStringLiteral("B_CLOSE"), &dlg);
    auto* name = new QLabel(QStringLiteral("S_NAME"), &dlg);
    auto* check = new QCheckBox(QStringLiteral("C_AUTO"), &dlg);
    auto* group = new QGroupBox(QStringLiteral("G_MODE"), &dlg);
    auto* inner = new QRadioButton(QStringLiteral("B_OK"), group);
    auto* edit = new QLineEdit(QStringLiteral("B_OK"), &dlg);
    ui::TranslateDialog(*table, &dlg);
    EXPECT_EQ(QStringLiteral("OK"), ok->text());
    EXPECT_EQ(QString::fromUtf8("Chiud\xC3\xA8"), close->text());   // Windows-1252 to QString
    EXPECT_EQ(QStringLiteral("Name"), name->text());
    EXPECT_EQ(QStringLiteral("Automatic"), check->text());
    EXPECT_EQ(QStringLiteral("Mode"), group->title());
    EXPECT_EQ(QStringLiteral("B_OK"), inner->text());   // only direct children
    EXPECT_EQ(QStringLiteral("B_OK"), edit->text());    // edits are not translated

    ui::QtDictavoWindow w(&dlg);
    EXPECT_EQ(nullptr, w.MenuBar());
    ASSERT_EQ(6, w.ChildCount());
    EXPECT_EQ("Button", w.Child(0)->ClassName());
    EXPECT_EQ("Static", w.Child(2)->ClassName());
    EXPECT_EQ("Button", w.Child(4)->ClassName());
    EXPECT_EQ("Edit", w.Child(5)->ClassName());
    EXPECT_EQ("Chiud\xE8", w.Child(1)->Text());
}

TEST(QtText, Cp1252RoundTrip) {
    const std::string cp = "\x80 \xE0\xE8\xF9 abc";
    EXPECT_EQ(QString::fromUtf8("\xE2\x82\xAC \xC3\xA0\xC3\xA8\xC3\xB9 abc"), ui::ToQt(cp));
    EXPECT_EQ(cp, ui::FromQt(ui::ToQt(cp)));
    EXPECT_EQ("?", ui::FromQt(QString::fromUtf8("\xE2\x88\x9E")));   // not in the code page
}
