#pragma once
// A scratch installation for the parameter dialogs: a demo configuration of one variant, the
// demo's message tables and tool table, the settings loaded as the main window loads them, the
// ralla tool set, and boxes recorded instead of shown.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "machine/error_text.h"
#include "machine/globals.h"
#include "machine/params.h"
#include "machine/path_table.h"
#include "machine/ralla_tools.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/ui_services_fake.h"
#include "machine/units.h"
#include "msgtable/Dictavo.h"
#include "platform/profile.h"
#include "test_support/scratch_install.h"
// Qt after the machine headers: its "slots" keyword would clash with their names.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "qt_app.h"
#include "ui/ParamBaseDialog.h"

namespace paramtest {

using scratch::ReadFile;
using scratch::WriteFile;

// A control of a dialog by its id.
inline QWidget* Child(QWidget* dialog, int id) {
    return dialog->findChild<QWidget*>(QStringLiteral("id_%1").arg(id));
}
inline void ClickIn(QWidget* dialog, int id) {
    QTest::mouseClick(qobject_cast<QAbstractButton*>(Child(dialog, id)), Qt::LeftButton);
}
// Replaces an entry's text by typing, so its filter runs.
inline void TypeOver(QLineEdit* edit, const char* text) {
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, QString::fromLatin1(text));
}
inline void TypeInto(QWidget* dialog, int id, const char* text) {
    TypeOver(qobject_cast<QLineEdit*>(Child(dialog, id)), text);
}

class ParamDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        Install(1, "CONF");
    }
    void TearDown() override { Uninstall(); }

    // variant 0 uses "CONF-V0", 1 "CONF", 2 "CONF-V2".
    void Install(int variant, const std::string& conf) {
        ResetProgramValues();
        ApplyMachineVariant(variant);
        ASSERT_NO_FATAL_FAILURE(scratch::MakeInstallDir("brelon-param", dir_));
        scratch::CopyDemoConf(conf, dir_ + "CONF/");
        std::filesystem::copy_file(BRELON_SOURCE_DIR "/demo/UTEN/TOOLS.TXT", dir_ + "TOOLS.TXT");
        scratch::PointPathsAt(dir_);
        ASSERT_NO_FATAL_FAILURE(scratch::LoadDemoMessages());
        SetUnitSystem(kUnitMillimetres);
        g_pSettings = new MachineSettings();
        ASSERT_EQ(LoadAllParameters(*g_pSettings), 0) << g_errorText;
        ASSERT_EQ(LoadBaseParameters(*g_pSettings), 0) << g_errorText;
        g_pRallaTools = new RallaToolSet(1);
        ASSERT_EQ(g_pRallaTools->LoadTools(), 0) << g_errorText;
        ui_ = std::make_unique<ScopedRecordingUi>();
    }

    void Uninstall() {
        dialog_.reset();
        ui_.reset();
        delete g_pRallaTools;
        g_pRallaTools = nullptr;
        delete g_pSettings;
        g_pSettings = nullptr;
        scratch::FreeMessagesAndPaths();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
        ResetProgramValues();
        SetUnitSystem(kUnitMillimetres);
    }

    void Reinstall(int variant) {
        Uninstall();
        Install(variant, variant == 0 ? "CONF-V0" : variant == 2 ? "CONF-V2" : "CONF");
    }

    // Builds the dialog of a command and shows it (its initialisation runs then).
    ui::CParamBaseDialog& Open(int command, bool listOpen = false) {
        dialog_ = ui::MakeParameterDialog(command, nullptr, listOpen);
        EXPECT_NE(dialog_, nullptr);
        dialog_->show();
        return *dialog_;
    }
    int Row(const char* key) const { return dialog_->RowIndex(key); }
    QLineEdit* Edit(const char* key) const { return qobject_cast<QLineEdit*>(dialog_->ValueControl(Row(key))); }
    QComboBox* Combo(const char* key) const { return qobject_cast<QComboBox*>(dialog_->ValueControl(Row(key))); }
    // Replaces the row's text by typing, so the filters run.
    void Type(const char* key, const char* text) { TypeOver(Edit(key), text); }
    void Click(int id) { ClickIn(dialog_.get(), id); }

    std::string ParamPar() const { return dir_ + "CONF/PARAM.PAR"; }
    std::string ConfigPar() const { return dir_ + "CONF/CONFIG.PAR"; }
    std::string ToolsTxt() const { return dir_ + "TOOLS.TXT"; }
    std::string Param(const char* key) const {
        return plat::ReadProfileString("PARAM", key, "<missing>", ParamPar().c_str());
    }
    void SetParam(const char* key, const char* value) {
        ASSERT_TRUE(plat::WriteProfileString("PARAM", key, value, ParamPar().c_str()));
    }

    std::string dir_;
    std::unique_ptr<ScopedRecordingUi> ui_;
    std::unique_ptr<ui::CParamBaseDialog> dialog_;
};

} // namespace paramtest
