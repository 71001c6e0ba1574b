// The layout wizard offscreen: its three pages, the label editor and the cell dialog, what
// Finish saves and what every other way out leaves untouched.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "label_test_util.h"
#include "labelprint/composer.h"
#include "labelprint/layout.h"
#include "labelprint/library.h"
#include "labelprint/wizard.h"
#include "msgtable/Dictavo.h"
#include "static_ex.h"
#include "wizard_editor.h"
#include "wizard_pages.h"
#include "wizard_test_util.h"
#include "zpl_picture.h"

namespace lw = labelprint::wizard;

namespace {

const std::vector<std::string> kFields = {"Order", "Piece", "Length", "Profile", "Customer", "Bar"};

// A layout file as an installation has it: a 40.6 x 70 mm label, hand-made key order.
const char* const kLayoutFile =
    "[SYSTEM]\r\nHETI=40.600000\r\nLETI=70.000000\r\nNRETI=1\r\nMARGSXET=1.500000\r\nMARGUPET=0.000000\r\n"
    "ALIGNMENT=1\r\nORIENTATION=0\r\nUSABC=1\r\nTAGLAV=1\r\nBCLAV=0\r\nBCTYPE=0\r\nBCHEIGHT=1\r\n"
    "M_TEMPLPOS=2\r\nTEMPLINFO=3\r\nTEMPIMG=0\r\nNRRIGHESTR=7\r\nNRCOLSTR=2\r\nWIZCUR=5\r\nINTEST=0\r\n"
    "[LABEL]\r\nLinCount=18\r\nLinID0=1\r\nLinID1=0\r\n";

template <class T> T* Find(QWidget* parent, int id) {
    T* w = parent->findChild<T*>(QStringLiteral("id_%1").arg(id));
    EXPECT_NE(w, nullptr) << "id_" << id;
    return w;
}

class Wizard : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        auto* table = new Dictavo((std::string(BRELON_SOURCE_DIR) + "/demo/MSG/TAGRIX.msg").c_str());
        table->LoadStrings();
        labelprint::SetMessageTable(table);
        lptest::WriteFile(Ini(), kLayoutFile);
    }
    void TearDown() override { labelprint::SetMessageTable(nullptr); }

    std::string Ini() const { return dir / "TAGRIX.INI"; }
    static void Offer(MConfigura& cfg) {
        std::vector<const char*> names;
        for (const auto& n : kFields) names.push_back(n.c_str());
        cfg.AddFieldNames(int(names.size()), names.data());
    }
    // Runs the wizard as ConfigLab does, with drive called on the shown sheet.
    labelprint::WizardResult Run(MConfigura& cfg, std::function<void(lw::MMainPag&)> drive) {
        lptest::AnswerModal([drive](QWidget* w) {
            auto* sheet = dynamic_cast<lw::MMainPag*>(w);
            ASSERT_NE(sheet, nullptr);
            drive(*sheet);
        });
        return labelprint::RunLayoutWizard(cfg, Ini());
    }
    static void Finish(lw::MMainPag& sheet) { sheet.button(QWizard::FinishButton)->click(); }

    lptest::TempDir dir;
};

TEST_F(Wizard, CancelOrClosingLeavesTheLayoutFileByteIdentical) {
    for (int way = 0; way < 3; ++way) {
        MConfigura cfg;
        Offer(cfg);
        const auto result = Run(cfg, [way](lw::MMainPag& sheet) {
            Find<QLineEdit>(sheet.SizePage(), 6004)->setText("55");
            sheet.next();
            Find<QRadioButton>(sheet.LayoutPage(), 1014)->click();
            sheet.next();
            Find<QCheckBox>(sheet.InfoPage(), 6011)->click();
            Find<QComboBox>(sheet.InfoPage(), 6015)->setCurrentIndex(4);
            if (way == 0) sheet.button(QWizard::CancelButton)->click();
            else if (way == 1) sheet.close();
            else sheet.reject(); // Escape
        });
        EXPECT_EQ(result, labelprint::WizardResult::Cancelled) << way;
        EXPECT_EQ(lptest::ReadFile(Ini()), kLayoutFile) << way;
    }
}

TEST_F(Wizard, PassingThroughUnchangedKeepsTheStoredPrecision) {
    MConfigura cfg;
        Offer(cfg);
    std::string shownHeight, shownMargin;
    const auto result = Run(cfg, [&](lw::MMainPag& sheet) {
        shownHeight = Find<QLineEdit>(sheet.SizePage(), 6007)->text().toStdString();
        shownMargin = Find<QLineEdit>(sheet.SizePage(), 6038)->text().toStdString();
        sheet.next();
        sheet.next();
        Finish(sheet);
    });
    ASSERT_EQ(result, labelprint::WizardResult::Finished);
    EXPECT_EQ(shownHeight, "40.6");
    EXPECT_EQ(shownMargin, "1.5");
    const std::string saved = lptest::ReadFile(Ini());
    EXPECT_NE(saved.find("HETI=40.600000\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("MARGSXET=1.500000\r\n"), std::string::npos);
    EXPECT_NE(saved.find("WIZCUR=1\r\n"), std::string::npos);

    // Values of a hand-edited file that the controls cannot show stay as they are while the
    // operator does not touch them: an upright print of another value than 1 (the composer
    // prints every non-zero value upright) shows ticked; 12 rows are more than the editor offers.
    std::string upright = kLayoutFile;
    upright.replace(upright.find("ORIENTATION=0"), 13, "ORIENTATION=2");
    upright.replace(upright.find("NRRIGHESTR=7"), 12, "NRRIGHESTR=12");
    lptest::WriteFile(Ini(), upright);
    MConfigura again;
    Offer(again);
    bool ticked = false;
    Run(again, [&ticked](lw::MMainPag& sheet) {
        ticked = Find<QCheckBox>(sheet.SizePage(), 20118)->isChecked();
        sheet.next();
        sheet.next();
        Finish(sheet);
    });
    EXPECT_TRUE(ticked);
    EXPECT_NE(lptest::ReadFile(Ini()).find("ORIENTATION=2\r\n"), std::string::npos);
    EXPECT_NE(lptest::ReadFile(Ini()).find("NRRIGHESTR=12\r\n"), std::string::npos);
}

TEST_F(Wizard, BadLengthsAreRefusedOnThePage) {
    struct Case {
        int id;
        const char* text;
        const char* says;
    } cases[] = {{6004, "abc", "Width: type a number"},    {6007, "", "Height: type a number"},
                 {6038, "-2", "Left: the value cannot be negative"}, {6011, "3,5", "Top: type a number"},
                 {6007, "nan", "Height: type a number"}};
    MConfigura cfg;
        Offer(cfg);
    lw::MMainPag sheet(cfg, Ini());
    sheet.show();
    auto* message = Find<QLabel>(sheet.SizePage(), 20200);
    for (const Case& c : cases) {
        auto* edit = Find<QLineEdit>(sheet.SizePage(), c.id);
        const QString before = edit->text();
        edit->setText(c.text);
        sheet.next();
        EXPECT_EQ(sheet.currentPage(), sheet.SizePage()) << c.text;
        EXPECT_TRUE(message->isVisible()) << c.text;
        EXPECT_TRUE(message->text().startsWith(c.says)) << message->text().toStdString();
        edit->setText(before);
    }
    Find<QLineEdit>(sheet.SizePage(), 6004)->setText("55.25");
    sheet.next();
    EXPECT_EQ(sheet.currentPage(), sheet.LayoutPage());
    EXPECT_EQ(cfg.labelWidth, 55.25);
    EXPECT_EQ(cfg.labelHeight, 40.6);
    sheet.reject();
    EXPECT_EQ(lptest::ReadFile(Ini()), kLayoutFile);
}

TEST_F(Wizard, LabelSizesThePrinterCannotPrintAreRefused) {
    // The file's label: 40.6 mm high (across the printer under rotated print), 70 mm wide.
    struct Case {
        int id;
        const char* text;
        bool upright;
        const char* says; // null: accepted
    } cases[] = {
        {6004, "999999", false, "Width: the printer takes labels of at most 4000 mm"},
        {6007, "150", false, "Height: the printer prints at most 104 mm across"},
        {6007, "104", false, nullptr},
        {6004, "150", true, "Width: the printer prints at most 104 mm across"},
        {6004, "104", true, nullptr},
        {6007, "4000.5", true, "Height: the printer takes labels of at most 4000 mm"},
        {6004, "4000", false, nullptr},
    };
    for (const Case& c : cases) {
        MConfigura cfg;
        Offer(cfg);
        lw::MMainPag sheet(cfg, Ini());
        sheet.show();
        auto* upright = Find<QCheckBox>(sheet.SizePage(), 20118);
        upright->setChecked(c.upright);
        Find<QLineEdit>(sheet.SizePage(), c.id)->setText(c.text);
        sheet.next();
        auto* message = Find<QLabel>(sheet.SizePage(), 20200);
        if (c.says) {
            EXPECT_EQ(sheet.currentPage(), sheet.SizePage()) << c.text;
            EXPECT_TRUE(message->isVisible()) << c.text;
            EXPECT_TRUE(message->text().startsWith(c.says)) << message->text().toStdString();
            EXPECT_TRUE(Find<QLineEdit>(sheet.SizePage(), c.id)->hasFocus() || !sheet.isActiveWindow());
        } else {
            EXPECT_EQ(sheet.currentPage(), sheet.LayoutPage()) << c.text << " " << message->text().toStdString();
        }
        sheet.reject();
    }
    EXPECT_EQ(lptest::ReadFile(Ini()), kLayoutFile);
}

TEST_F(Wizard, PictureRadiosOnlyForLayoutsWithAPictureSlot) {
    MConfigura cfg;
        Offer(cfg);
    lw::MMainPag sheet(cfg, Ini());
    sheet.show();
    sheet.next();
    for (int layout = 0; layout < 8; ++layout) {
        Find<QRadioButton>(sheet.LayoutPage(), 1008 + layout)->click();
        sheet.next();
        ASSERT_EQ(sheet.currentPage(), sheet.InfoPage());
        EXPECT_EQ(Find<QRadioButton>(sheet.InfoPage(), 1008)->isEnabled(), layout < 4) << layout;
        EXPECT_EQ(Find<QRadioButton>(sheet.InfoPage(), 1009)->isEnabled(), layout < 4) << layout;
        sheet.back();
    }
    sheet.reject();
}

TEST_F(Wizard, ArrowsKeepTheCounterAtOne) {
    MConfigura cfg;
        Offer(cfg);
    const auto result = Run(cfg, [&cfg](lw::MMainPag& sheet) {
        sheet.next();
        sheet.next();
        cfg.wizardCounter = 5;
        Find<QPushButton>(sheet.InfoPage(), 20033)->click();
        EXPECT_EQ(cfg.wizardCounter, 1);
        cfg.wizardCounter = 5;
        Find<QPushButton>(sheet.InfoPage(), 20035)->click();
        EXPECT_EQ(cfg.wizardCounter, 1);
        EXPECT_EQ(Find<QLabel>(sheet.InfoPage(), 20036)->text(), "Custom");
        Finish(sheet);
    });
    ASSERT_EQ(result, labelprint::WizardResult::Finished);
    MConfigura back;
    back.Load(Ini());
    EXPECT_EQ(back.wizardCounter, 1);
}

// The editor over working lists: 18 label lines with ids 0 to 17, 9 header lines.
struct EditorLists {
    EditorLists() {
        for (int i = 0; i < 18; ++i) labels.lines.push_back(std::make_unique<MRiga>(i, true, ""));
        for (int i = 0; i < 9; ++i) headers.lines.push_back(std::make_unique<MRiga>(-1, true, "Head"));
    }
    MListaRighe labels, headers;
};

TEST_F(Wizard, EditorOneColumnClearsAndDisablesTheHeaderColumn) {
    EditorLists l;
    lw::MDlgEditEti editor({2, 7, true}, l.labels, l.headers, kFields, nullptr);
    editor.show();
    auto* header = Find<QCheckBox>(&editor, 20100);
    auto* columns = Find<QComboBox>(&editor, 20029);
    EXPECT_TRUE(header->isChecked());
    EXPECT_TRUE(Find<QLineEdit>(&editor, 20102)->isVisible()) << "header texts take the left column";
    EXPECT_FALSE(Find<QWidget>(&editor, 20039)->isVisible());
    EXPECT_FALSE(Find<QWidget>(&editor, 20102 + 7)->isVisible()) << "rows beyond the row count are hidden";

    columns->setCurrentIndex(0);
    emit columns->activated(0);
    EXPECT_FALSE(header->isChecked());
    EXPECT_FALSE(header->isEnabled());
    EXPECT_FALSE(editor.Result().header);
    EXPECT_FALSE(Find<QWidget>(&editor, 20048)->isVisible()) << "one column: no right column";
    EXPECT_TRUE(Find<QWidget>(&editor, 20039)->isVisible());

    columns->setCurrentIndex(1);
    emit columns->activated(1);
    EXPECT_TRUE(header->isEnabled());
    EXPECT_FALSE(header->isChecked());
    editor.reject(); // Escape ends with OK
    EXPECT_EQ(editor.result(), QDialog::Accepted);
}

// Opens the cell dialog of a "..." button and chooses a field in it.
void ChooseInCell(QWidget* editor, int button, int field) {
    lptest::AnswerModal([field](QWidget* dialog) {
        Find<QListWidget>(dialog, 1002)->setCurrentRow(field);
        Find<QPushButton>(dialog, 1)->click();
    });
    Find<QPushButton>(editor, button)->click();
}

TEST_F(Wizard, EditorButtonsOpenTheirLines) {
    struct Case {
        lw::Grid grid;
        int button;   // "..." of left cells 20011 + row, right cells 20020 + row
        int line;     // the line it edits
        int cell;     // the cell that shows it afterwards
    } cases[] = {
        {{1, 9, false}, 20011 + 3, 3, 20039 + 3},
        {{2, 9, false}, 20011 + 3, 6, 20039 + 3},
        {{2, 9, false}, 20020 + 3, 7, 20048 + 3},
        {{2, 9, true}, 20020 + 3, 3, 20048 + 3},
    };
    for (const Case& c : cases) {
        EditorLists l;
        lw::MDlgEditEti editor(c.grid, l.labels, l.headers, kFields, nullptr);
        editor.show();
        ChooseInCell(&editor, c.button, 4);
        EXPECT_EQ(l.labels.Line(c.line)->fieldId, 4) << c.button;
        EXPECT_EQ(l.labels.Line(c.line)->style.text, "Customer");
        EXPECT_EQ(Find<QLabel>(&editor, c.cell)->text(), "Customer") << c.cell;
        for (int i = 0; i < 18; ++i)
            if (i != c.line) {
                EXPECT_EQ(l.labels.Line(i)->fieldId, i) << "line " << i << " untouched";
            }
    }
}

TEST_F(Wizard, EditorOkTakesTheHeaderTexts) {
    EditorLists l;
    lw::MDlgEditEti editor({2, 4, true}, l.labels, l.headers, kFields, nullptr);
    editor.show();
    Find<QLineEdit>(&editor, 20102 + 1)->setText("Ordine");
    Find<QPushButton>(&editor, 20031)->click();
    EXPECT_EQ(l.headers.Line(1)->style.text, "Ordine");
    EXPECT_FALSE(l.headers.Line(4)->printFlag) << "rows beyond the count do not print";
}

TEST_F(Wizard, EditorOkLeavesTheTextsOfHeaderLinesThatDoNotPrint) {
    EditorLists l;
    for (int i = 0; i < 9; ++i) {
        l.headers.Line(i)->style.text = "Head " + std::to_string(i);
        l.headers.Line(i)->printFlag = i < 4;
    }
    lw::MDlgEditEti editor({2, 4, true}, l.labels, l.headers, kFields, nullptr);
    editor.show();
    Find<QPushButton>(&editor, 20031)->click();
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(l.headers.Line(i)->style.text, "Head " + std::to_string(i)) << i;
        EXPECT_EQ(l.headers.Line(i)->printFlag, i < 4) << i;
    }
}

TEST_F(Wizard, CellDialogOnALineWithoutFieldKeepsItUntilTheOperatorChooses) {
    MRiga line(-1, true, "");
    lw::MDCfgCell cell(line, kFields, nullptr);
    cell.show();
    QApplication::setActiveWindow(&cell);
    auto* list = Find<QListWidget>(&cell, 1002);
    list->setFocus(Qt::TabFocusReason); // the first control takes the focus
    QApplication::processEvents();
    EXPECT_EQ(line.fieldId, -1);
    EXPECT_EQ(line.style.text, "");
    Find<QPushButton>(&cell, 1)->click();
    EXPECT_EQ(line.fieldId, -1) << "OK without a choice leaves the line without field";
    list->setCurrentRow(3);
    EXPECT_EQ(line.fieldId, 3);
    EXPECT_EQ(line.style.text, "Profile");
}

TEST_F(Wizard, CellDialogChoosesResizesAndDeletes) {
    MRiga line(1, true, "");
    line.style.text = "Piece";
    line.style.size = 4;
    lw::MDCfgCell cell(line, kFields, nullptr);
    cell.show();
    auto* list = Find<QListWidget>(&cell, 1002);
    auto* size = Find<QSpinBox>(&cell, 20073);
    auto* preview = Find<CStaticEx>(&cell, 6026);
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_EQ(size->value(), 4);
    EXPECT_EQ(size->minimum(), 0);
    EXPECT_EQ(size->maximum(), 100);
    EXPECT_EQ(preview->font().pointSizeF(), 8.0);
    EXPECT_FALSE(Find<QWidget>(&cell, 6027)->isVisible());

    list->setCurrentRow(2);
    EXPECT_EQ(line.fieldId, 2);
    EXPECT_EQ(line.style.text, "Length");
    EXPECT_EQ(preview->text(), "Length");

    size->setValue(7);
    EXPECT_EQ(line.style.size, 7.0f);
    EXPECT_EQ(preview->font().pointSizeF(), 14.0);

    Find<QPushButton>(&cell, 3)->click();
    EXPECT_EQ(line.fieldId, -1);
    EXPECT_EQ(line.style.text, "");
    EXPECT_EQ(preview->text(), "");
}

TEST_F(Wizard, FinishSavesTheEditedLayoutAndKeepsEverythingElse) {
    // A complete file: every key and line as a save writes them.
    {
        MConfigura start;
        start.Load(Ini());
        start.Save(Ini());
    }
    MConfigura before;
    before.Load(Ini());

    MConfigura cfg;
        Offer(cfg);
    const auto result = Run(cfg, [](lw::MMainPag& sheet) {
        Find<QLineEdit>(sheet.SizePage(), 6004)->setText("55.5");
        Find<QRadioButton>(sheet.SizePage(), 20114)->click();
        Find<QCheckBox>(sheet.SizePage(), 20118)->click();
        sheet.next();
        Find<QRadioButton>(sheet.LayoutPage(), 1008 + 5)->click();
        sheet.next();
        Find<QCheckBox>(sheet.InfoPage(), 6012)->click();
        Find<QComboBox>(sheet.InfoPage(), 6015)->setCurrentIndex(5);
        lptest::AnswerModal([](QWidget* editor) {
            auto* rows = Find<QComboBox>(editor, 20037);
            rows->setCurrentIndex(4);
            emit rows->activated(4);
            lptest::AnswerModal([](QWidget* dialog) {
                Find<QListWidget>(dialog, 1002)->setCurrentRow(3);
                Find<QSpinBox>(dialog, 20073)->setValue(6);
                Find<QPushButton>(dialog, 1)->click();
            });
            Find<QPushButton>(editor, 20011)->click(); // left cell of row 0: line 0
            Find<QPushButton>(editor, 20031)->click();
        });
        Find<QPushButton>(sheet.InfoPage(), 20034)->click();
        EXPECT_EQ(Find<QLabel>(sheet.InfoPage(), 20039)->text(), "Profile") << "the preview shows the new field";
        Finish(sheet);
    });
    ASSERT_EQ(result, labelprint::WizardResult::Finished);

    MConfigura after;
    after.Load(Ini());
    EXPECT_EQ(after.labelWidth, 55.5);
    EXPECT_EQ(after.alignment, 0);
    EXPECT_EQ(after.orientation, 1);
    EXPECT_EQ(after.layout, 5);
    EXPECT_FALSE(after.workTag);
    EXPECT_EQ(after.barcodeKind, 5);
    EXPECT_EQ(after.gridRows, 5);
    EXPECT_EQ(after.labelLines.ids[0], 3);
    EXPECT_EQ(after.labelLines.sizes[0], 6);
    EXPECT_EQ(after.headerLines.sizes[0], 6) << "header line 0 takes label line 0's size";
    // Everything else as it was.
    EXPECT_EQ(after.labelHeight, before.labelHeight);
    EXPECT_EQ(after.labelCount, before.labelCount);
    EXPECT_EQ(after.marginLeft, before.marginLeft);
    EXPECT_EQ(after.marginTop, before.marginTop);
    EXPECT_EQ(after.useBarcode, before.useBarcode);
    EXPECT_EQ(after.barcodeByJob, before.barcodeByJob);
    EXPECT_EQ(after.barcodeSize, before.barcodeSize);
    EXPECT_EQ(after.infoTemplate, before.infoTemplate);
    EXPECT_EQ(after.pictureKind, before.pictureKind);
    EXPECT_EQ(after.gridColumns, before.gridColumns);
    EXPECT_EQ(after.headerColumn, before.headerColumn);
    for (int i = 1; i < MListaRighe::kSlots; ++i) {
        EXPECT_EQ(after.labelLines.ids[i], before.labelLines.ids[i]) << i;
        EXPECT_EQ(after.labelLines.sizes[i], before.labelLines.sizes[i]) << i;
        EXPECT_EQ(after.headerLines.ids[i], before.headerLines.ids[i]) << i;
    }
    EXPECT_EQ(cfg.labelLines.ids[0], 3) << "the wizard's layout holds the saved ids for ConfigLab";

    // The next label prints line 0 in the font of size 6, upright, in layout 5: with a barcode
    // the grid starts 2 x 55 dots past the 1 mm margin, and the six 53-dot cells of the value
    // end within the 440-dot label.
    LabelJob job;
    job.barcodeText = "P-0042";
    job.values = {"VALUE0"};
    MDlgMainCutHelp composer;
    const std::string zpl = composer.ComposeZpl(job, &after);
    EXPECT_NE(zpl.find("^FO118,8,^AUN,60,60^FDVALUE0^FS"), std::string::npos) << zpl;
    EXPECT_NE(zpl.find("^BC"), std::string::npos) << "Code 128";
}

TEST(WizardPictures, ZplIsDrawnWhereThePrinterPutsIt) {
    TestApp();
    const QImage img = lw::RenderZpl("^XA^FO10,20^GB30,40,3^FS^FO60,60,^GFA,2,2,1,80FF^FS^XZ", 100, 100);
    auto black = [&img](int x, int y) { return img.pixelColor(x, y) == Qt::black; };
    EXPECT_TRUE(black(10, 20));
    EXPECT_TRUE(black(39, 59));
    EXPECT_FALSE(black(25, 40)) << "a box is a frame";
    EXPECT_TRUE(black(60, 60));
    EXPECT_FALSE(black(61, 60));
    EXPECT_TRUE(black(67, 61));
    EXPECT_FALSE(black(5, 5));
}

TEST_F(Wizard, LayoutPicturesComeFromTheComposer) {
    MConfigura cfg;
        Offer(cfg);
    cfg.Load(Ini());
    lw::SampleLabel samples;
    std::vector<QImage> pictures;
    for (int layout = 0; layout < 8; ++layout)
        pictures.push_back(samples.LayoutPicture(cfg, layout, {160, 120}).toImage());
    for (int a = 0; a < 8; ++a)
        for (int b = a + 1; b < 8; ++b)
            if (!(a == 0 && b == 2) && !(a == 1 && b == 7)) {
                EXPECT_NE(pictures[size_t(a)], pictures[size_t(b)]) << a << " " << b;
            }
    // The picture kinds come from the label's picture writers: a drawn profile, a picture.
    EXPECT_NE(samples.PictureKind(0, {120, 100}).toImage(), samples.PictureKind(1, {120, 100}).toImage());
    // The sample files feed the composer: a layout with both slots gets both elements.
    LabelJob job;
    job.profileLibrary = samples.ProfileLibrary();
    job.recordId = 1;
    job.dxfFile = samples.Drawing();
    cfg.layout = 2;
    MDlgMainCutHelp composer;
    const std::string zpl = composer.ComposeZpl(job, &cfg);
    EXPECT_NE(zpl.find("^GB"), std::string::npos) << "profile drawing";
    EXPECT_NE(zpl.find("^GFA"), std::string::npos) << "drawing";
}

TEST_F(Wizard, PagesAsTheOperatorSeesThem) {
    const QString shots = QStringLiteral(BRELON_BINARY_DIR "/wizard-shots");
    QDir().mkpath(shots);
    MConfigura cfg;
        Offer(cfg);
    lw::MMainPag sheet(cfg, Ini());
    sheet.show();
    EXPECT_LE(sheet.width(), 1024);
    EXPECT_LE(sheet.height(), 768);
    for (int page = 1; page <= 3; ++page) {
        EXPECT_TRUE(sheet.grab().save(shots + QStringLiteral("/page%1.png").arg(page)));
        sheet.next();
    }
    EditorLists l;
    lw::MDlgEditEti editor({2, 7, true}, l.labels, l.headers, kFields, nullptr);
    editor.show();
    EXPECT_TRUE(editor.grab().save(shots + "/editor.png"));
    MRiga line(2, true, "");
    line.style.text = "Length";
    line.style.size = 5;
    lw::MDCfgCell cell(line, kFields, nullptr);
    cell.show();
    EXPECT_TRUE(cell.grab().save(shots + "/cell.png"));
    editor.reject();
    sheet.reject();
}

} // namespace
