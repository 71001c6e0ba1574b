// ConfigLab on a Qt application, through libTagrix.so as the program calls it: the wizard
// opens, and a layout finished there changes the next printed label.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QWizard>

#include "label_test_util.h"
#include "labelprint/Tagrix.h"
#include "wizard_test_util.h"

namespace {

class Recorder : public tagrix::MessageSink {
public:
    void Show(const char* text, const char*, int) override { shown.emplace_back(text); }
    std::vector<std::string> shown;
};

class WizardExports : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        tagrix::SetProgramDirectory(dir.Path().c_str());
        tagrix::SetUsbRoots((dir / "sys").c_str(), (dir / "dev").c_str());
        tagrix::SetMessageSink(&recorder);
        lptest::MakeDirs(dir / "MSG");
        lptest::WriteFile(dir / "MSG/TAGRIX.msg",
                          lptest::ReadFile(std::string(BRELON_SOURCE_DIR) + "/demo/MSG/TAGRIX.msg"));
        lptest::AddSysfsPrinter(dir.Path(), "lp0", "1-1", "0a5f\n");
    }
    void TearDown() override {
        tagrix::SetMessageSink(nullptr);
        tagrix::SetUsbRoots(nullptr, nullptr);
    }
    template <class T> static T* Find(QWidget* parent, int id) {
        return parent->findChild<T*>(QStringLiteral("id_%1").arg(id));
    }
    lptest::TempDir dir;
    Recorder recorder;
};

const char* const kNames[3] = {"Order", "Piece", "Profile"};
const char* const kParams[7] = {"0", "", "", "", "", "", ""};
const char* const kValues[3] = {"ORD-117", "P-0042", "S60"};

TEST_F(WizardExports, ALayoutFinishedInTheWizardChangesTheNextLabel) {
    lptest::FakePrinter printer(dir.Path(), "lp0");
    ZebraStampa(3, kParams, kValues);
    const std::string first = printer.Received(100);
    // The default layout's two columns share a 374-dot grid: line 0 prints the order whole,
    // in a smaller font than its size 4 where column 1 leaves it less room.
    EXPECT_NE(first.find("^FO531,186,^AQR,28,28^FDORD-117^FS"), std::string::npos) << first;
    EXPECT_EQ(first.find("^ATR,48,48"), std::string::npos) << first;

    // Label line 0 gets the field "Piece" in text size 5.
    bool shown = false;
    lptest::AnswerModal([&](QWidget* w) {
        auto* sheet = qobject_cast<QWizard*>(w);
        ASSERT_NE(sheet, nullptr);
        shown = true;
        sheet->next();
        sheet->next();
        lptest::AnswerModal([](QWidget* editor) {
            lptest::AnswerModal([](QWidget* cell) {
                Find<QListWidget>(cell, 1002)->setCurrentRow(1);
                Find<QSpinBox>(cell, 20073)->setValue(5);
                Find<QPushButton>(cell, 1)->click();
            });
            Find<QPushButton>(editor, 20011)->click();
            Find<QPushButton>(editor, 20031)->click();
        });
        Find<QPushButton>(sheet->currentPage(), 20034)->click();
        sheet->button(QWizard::FinishButton)->click();
    });
    int ids[20], sizes[20];
    EXPECT_EQ(ConfigLab(3, kNames, ids, sizes), 0);
    EXPECT_TRUE(shown);
    EXPECT_TRUE(recorder.shown.empty()) << recorder.shown.front();
    EXPECT_EQ(ids[0], 1);
    EXPECT_EQ(sizes[0], 5);
    // Without a layout file the lines have no keys of their own: they keep the fields the
    // program reads (0 to 17) through the wizard.
    for (int i = 1; i < 18; ++i) EXPECT_EQ(ids[i], i) << i;
    EXPECT_EQ(ids[18], -1);
    EXPECT_FALSE(tagrix::HasMessageTable());

    const char* const values[3] = {"P-0042", "P-0042", "S60"}; // the program's text of field 1
    ZebraStampa(3, kParams, values);
    const std::string second = printer.Received(first.size() + 100).substr(first.size());
    // Line 0 now prints the piece in column 0's place, its row a font of size 5 (T, 48 dots)
    // high: x 528, not 531; whole, in the largest font that fits column 0's 186 dots (R).
    EXPECT_NE(second.find("^FO528,186,^ARR,35,35^FDP-0042^FS"), std::string::npos) << second;
}

TEST_F(WizardExports, CancelWritesNothing) {
    lptest::WriteFile(dir / "TAGRIX.INI", "[LABEL]\r\nLinID0=2\r\n");
    lptest::AnswerModal([](QWidget* w) {
        if (auto* sheet = qobject_cast<QWizard*>(w)) sheet->button(QWizard::CancelButton)->click();
    });
    int ids[20], sizes[20];
    EXPECT_EQ(ConfigLab(3, kNames, ids, sizes), 0);
    EXPECT_EQ(lptest::ReadFile(dir / "TAGRIX.INI"), "[LABEL]\r\nLinID0=2\r\n");
    EXPECT_EQ(ids[0], 2);
    EXPECT_TRUE(recorder.shown.empty());
}

} // namespace
