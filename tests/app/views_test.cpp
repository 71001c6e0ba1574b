// The operator's views of a job: merging of equal bars, the rest of a bar, the cut texts, the
// end-of-list box with its report button, and the three views opened offscreen on demo data.
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/fine_liste.h"
#include "app/list_bar_dialog.h"
#include "app/main_frame.h"
#include "app/views_list.h"
#include "app/views_logic.h"
#include "app/vis_bar_pcs.h"
#include "app_fixture.h"
#include "engine/iso_generator.h"
#include "machine/barlist.h"
#include "machine/error_text.h"
#include "machine/file_routines.h"
#include "machine/globals.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/units.h"
#include "machine/window_scale.h"
#include "ui/ViewDxfStatic.h"

namespace fs = std::filesystem;

namespace {

std::unique_ptr<BarRecord> MakeBar(const char* series, const char* code, const char* colour, int32_t length,
                                   uint16_t reps) {
    auto b = std::make_unique<BarRecord>();
    std::snprintf(b->series, sizeof b->series, "%s", series);
    std::snprintf(b->code, sizeof b->code, "%s", code);
    std::snprintf(b->displayLabel, sizeof b->displayLabel, "%s", colour);
    b->length = length;
    b->repetitionsLeft = reps;
    return b;
}

std::vector<const BarRecord*> Pointers(const std::vector<std::unique_ptr<BarRecord>>& bars) {
    std::vector<const BarRecord*> v;
    for (const auto& b : bars) v.push_back(b.get());
    return v;
}

WorkingPiece Piece(int32_t length, int32_t leftAngle, int32_t rightAngle = 90000) {
    WorkingPiece p;
    p.Lung = length;
    p.ASx = leftAngle;
    p.ADx = rightAngle;
    return p;
}

app::RestParams Params(int variant) {
    app::RestParams p;
    p.variant = variant;
    p.headScrap = 10000;
    p.spacing = 5000;
    p.blade = 4000;
    p.bladeOffsetX = 2000;
    p.tailScrap = 30000;
    return p;
}

} // namespace

// ---------------------------------------------------------------- bar list lines

TEST(ViewsLogic, EqualBarsMergeOnlyWithTheLinesFirstBar) {
    std::vector<std::unique_ptr<BarRecord>> bars;
    bars.push_back(MakeBar("ALU60", "A6010", "RAL9010", 6500000, 2));
    bars.push_back(MakeBar("ALU72", "T7201", "GREY", 6000000, 1));
    bars.push_back(MakeBar("alu72", "t7201", "grey", 6000000, 3));   // equal to bar 2, ignoring case
    bars.push_back(MakeBar("ALU60", "A6010", "RAL9010", 6500000, 4)); // equal to bar 1, not adjacent
    bars.push_back(MakeBar("ALU60", "A6010", "RAL9010", 6400000, 5)); // other length
    const auto lines = app::MergeEqualBars(Pointers(bars), 0);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].firstBar, 0);
    EXPECT_EQ(lines[0].repetitions, 2);
    EXPECT_EQ(lines[1].firstBar, 1);
    EXPECT_EQ(lines[1].repetitions, 4);
    EXPECT_EQ(lines[2].firstBar, 3);
    EXPECT_EQ(lines[3].firstBar, 4);

    const auto last = app::MergeEqualBars(Pointers(bars), 4);
    ASSERT_EQ(last.size(), 1u);
    EXPECT_EQ(last[0].firstBar, 4);
    EXPECT_EQ(last[0].repetitions, 5);
    EXPECT_TRUE(app::MergeEqualBars(Pointers(bars), 5).empty());
    EXPECT_TRUE(app::MergeEqualBars(Pointers(bars), -1).empty());

    // Another colour opens a line of its own.
    std::snprintf(bars[2]->displayLabel, sizeof bars[2]->displayLabel, "BLACK");
    EXPECT_EQ(app::MergeEqualBars(Pointers(bars), 0).size(), 5u);
}

// ---------------------------------------------------------------- rest of the bar

TEST(ViewsLogic, RestSubtractsTheBladeBySineOfTheLeftCut) {
    const BarRecord bar = *MakeBar("S", "C", "K", 6000000, 1);
    const app::RestParams p = Params(0);
    const int32_t start = app::StartingRest(bar, p);
    EXPECT_EQ(start, 6000000 - 10000);
    // Without pieces the rest is the starting rest.
    EXPECT_EQ(app::BarRest(bar, {}, p), start);
    // A right-angle left cut takes exactly the blade thickness.
    WorkingPiece square = Piece(1000000, 90000);
    EXPECT_EQ(app::RestAfterPiece(start, bar, square, p), start - 1000000 - 5000 - 4000);
    // 45 degrees: thickness / sin 45, truncated toward zero.
    WorkingPiece angled = Piece(1000000, 45000);
    const double expected = start - 1000000.0 - 5000.0 - 4000.0 / std::sin(M_PI / 4.0);
    EXPECT_EQ(app::RestAfterPiece(start, bar, angled, p), static_cast<int32_t>(expected));
    std::vector<WorkingPiece*> two{&square, &angled};
    EXPECT_EQ(app::BarRest(bar, two, p), static_cast<int32_t>(expected - 1000000 - 5000 - 4000));
    // A cut angle whose sine is about zero leaves the blade out instead of dividing by zero.
    for (int32_t a : {0, 180000, 360000}) {
        WorkingPiece flat = Piece(1000000, a);
        EXPECT_EQ(app::RestAfterPiece(start, bar, flat, p), start - 1000000 - 5000) << a;
    }
    // A thousandth of a degree still counts, held within the 32-bit range.
    WorkingPiece tiny = Piece(1000000, 1);
    const int32_t r = app::RestAfterPiece(start, bar, tiny, p);
    EXPECT_LT(r, start - 1000000 - 5000 - 4000);
    WorkingPiece huge = Piece(2000000000, 90000);
    EXPECT_EQ(app::RestAfterPiece(INT32_MIN + 10, bar, huge, p), INT32_MIN);
}

TEST(ViewsLogic, StartingRestByTransferModeAndVariant) {
    BarRecord bar = *MakeBar("S", "C", "K", 6000000, 1);
    bar.HEAD_SCRAP = 7000;
    bar.POSIZ_SCRAP = 3000;
    app::RestParams p = Params(0);
    p.autoTrasLav = 1;
    EXPECT_EQ(app::StartingRest(bar, p), 6000000 - 4000 - 10000 - 2000 - 30000);
    p.variant = 1;
    EXPECT_EQ(app::StartingRest(bar, p), 6000000 - 7000 - 3000 - 4000 - 2000);
    p.autoTrasLav = 0;
    EXPECT_EQ(app::StartingRest(bar, p), 6000000 - 7000);
    // On variant 1 the bar's own spacing separates the pieces.
    WorkingPiece square = Piece(1000000, 90000);
    EXPECT_EQ(app::RestAfterPiece(100000000, bar, square, p), 100000000 - 1000000 - 3000 - 4000);
}

// ---------------------------------------------------------------- cut texts

TEST(ViewsLogic, CutSignsOfVariantOneByDirectionAndBarFlag) {
    WorkingPiece p = Piece(1000000, 60000, 60000);
    using app::CutTexts;
    const struct {
        int dir;
        bool flag;
        CutTexts left, right;
    } cases[] = {
        {0, false, {"   \\", "60.00", ""}, {"   /", "60.00", ""}},
        {0, true, {"   /", "120.00", ""}, {"   \\", "120.00", ""}},
        {1, false, {"   /", "60.00", ""}, {"   \\", "60.00", ""}},
        {1, true, {"   \\", "120.00", ""}, {"   /", "120.00", ""}},
    };
    for (const auto& c : cases) {
        p.SSx = p.SDx = c.dir;
        EXPECT_EQ(app::PieceCutTexts(p, app::kLeftEnd, 1, c.flag), c.left) << c.dir << c.flag;
        EXPECT_EQ(app::PieceCutTexts(p, app::kRightEnd, 1, c.flag), c.right) << c.dir << c.flag;
    }
    WorkingPiece square = Piece(1000000, 90000);
    square.SSx = 1;
    EXPECT_EQ(app::PieceCutTexts(square, app::kLeftEnd, 1, true), (CutTexts{"   |", "90.00", ""}));
    // The flag is the bar's cut type, whatever its mirror field.
    BarRecord bar;
    bar.flag = 1;
    EXPECT_FALSE(app::BarCutFlag(bar));
    bar.flag = 0;
    bar.TIPO_TAGLIO = 1;
    EXPECT_TRUE(app::BarCutFlag(bar));
}

TEST(ViewsLogic, SliceCutTextsAndOtherVariants) {
    WorkingPiece p = Piece(1000000, 90000, 90000);
    p.leftSlice = 1;
    p.leftSliceAngle = 45000;
    p.leftSecondAngle = 30000;
    p.leftSliceHeight = 12500;
    EXPECT_EQ(app::PieceCutTexts(p, app::kLeftEnd, 1, true), (app::CutTexts{"45.00", "30.00", "12.50 mm"}));
    p.rightSlice = 2;
    p.rightSecondAngle = 75000;
    p.rightSliceHeight = 20000;
    EXPECT_EQ(app::PieceCutTexts(p, app::kRightEnd, 1, false), (app::CutTexts{"90.00", "75.00", "20.00 mm"}));
    EXPECT_EQ(app::PieceCutTexts(p, app::kRightEnd, 1, true), (app::CutTexts{"90.00", "105.00", "20.00 mm"}));

    // Variants 0 and 2: the angle alone, in degrees also when lengths are shown in inches.
    WorkingPiece q = Piece(1000000, 45000, 67500);
    const int unit = GetUnitSystem();
    for (int u : {kUnitMillimetres, kUnitInches}) {
        SetUnitSystem(u);
        for (int variant : {0, 2}) {
            EXPECT_EQ(app::PieceCutTexts(q, app::kLeftEnd, variant, false), (app::CutTexts{"45.00", "", ""}));
            EXPECT_EQ(app::PieceCutTexts(q, app::kRightEnd, variant, true), (app::CutTexts{"67.50", "", ""}));
        }
    }
    SetUnitSystem(unit);
}

TEST(ViewsLogic, MachiningColumnsAndDrawingPath) {
    WorkingMachining m;
    m.Id = 7;
    std::snprintf(m.cutTool, sizeof m.cutTool, "DISCO");
    m.X = 12500;
    m.TipoLavor = kKindQBlade;
    std::snprintf(m.NomeLdt, sizeof m.NomeLdt, "BLADE_RED");
    m.IdLdt = 3;
    const int unit = GetUnitSystem();
    SetUnitSystem(kUnitMillimetres);
    const auto cols = app::MachiningColumns(m, 1, nullptr);
    ASSERT_EQ(cols.size(), 8u);
    EXPECT_EQ(cols[0], "7");
    EXPECT_EQ(cols[1], "DISCO");
    EXPECT_EQ(cols[2], "12.50");
    EXPECT_EQ(cols[5], "BLADE");
    EXPECT_EQ(cols[6], "BLADE_RED");
    EXPECT_EQ(cols[7], "3");
    EXPECT_EQ(app::MachiningColumns(m, 0, nullptr)[5], ""); // no blade kind off variant 1
    SetUnitSystem(unit);

    BarRecord bar = *MakeBar("ALU60", "A6010", "K", 1, 1);
    EXPECT_EQ(app::ProfileDrawingPath("C:\\DXF\\", bar), "C:\\DXF\\ALU60\\A6010.dxf");
    std::snprintf(bar.series, sizeof bar.series, "..");
    EXPECT_EQ(app::ProfileDrawingPath("C:\\DXF\\", bar), "");
}

// ---------------------------------------------------------------- the dialogs

namespace {
// With BRELON_GRAB_DIR set, each view is saved there as a PNG (to look at it).
void MaybeGrab(QWidget* w, const std::string& name) {
    const char* dir = std::getenv("BRELON_GRAB_DIR");
    if (dir == nullptr) return;
    QCoreApplication::processEvents();
    w->grab().save(QString::fromStdString(std::string(dir) + "/" + name + ".png"));
}

bool WaitForFile(const std::string& path) {
    for (int i = 0; i < 200; ++i) {
        std::ifstream in(path);
        std::string line;
        if (in && std::getline(in, line) && !line.empty()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return false;
}
} // namespace

class ViewsAppTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        const fs::path demo = fs::path(BRELON_SOURCE_DIR) / "demo";
        fs::create_directories(drives_ + "/C/BRELON3/VELMO/LDA");
        fs::copy(demo / "DXF", drives_ + "/C/BRELON3/VELMO/DXF", fs::copy_options::recursive);
        for (const char* n : {"PORTE.lda", "FINESTRE.lda"})
            fs::copy_file(demo / "LDA" / n, drives_ + "/C/BRELON3/VELMO/LDA/" + n);
    }
    // Starts the program and opens a demo list with every bar collected for the job.
    void OpenList(const char* name) {
        ASSERT_EQ(Start(), CVelmoApp::kStarted);
        ASSERT_NE(MainFrame, nullptr);
        MainFrame->resize(1024, 740);
        MainFrame->show();
        auto* list = new IsoProgramGenerator((std::string("C:\\BRELON3\\VELMO\\LDA\\") + name).c_str());
        delete g_pBarList;
        g_pBarList = list;
        ASSERT_TRUE(list->IsLoaded()) << g_errorText;
        list->MarkBarSelected(-1);
        list->CollectSelectedBars();
    }
    // Every view must fit on the screen it was scaled for.
    static void ExpectOnScreen(QWidget* w, int width, int height) {
        EXPECT_LE(w->width(), width);
        EXPECT_LE(w->height(), height - 30);
    }
};

TEST_F(ViewsAppTest, EndOfListReportStartsTheViewerWithTheTimeLog) {
    OpenList("PORTE.lda");
    const std::string record = tmp_ + "viewer.txt";
    const std::string script = tmp_ + "viewer.sh";
    WriteFile(script, "#!/bin/sh\nprintf '%s\\n' \"$1\" > '" + record + "'\n");
    fs::permissions(script, fs::perms::owner_all);
    const std::string log = tmp_ + "PORTE.tmx";
    WriteFile(log, "log\r\n");
    std::snprintf(MainFrame->timeLogPath, sizeof MainFrame->timeLogPath, "%s", log.c_str());
    setenv("BRELON_TEXT_VIEWER", script.c_str(), 1);
    SetTextViewerCommand("");

    FineListe box(MainFrame);
    box.show();
    EXPECT_TRUE(box.isVisible());
    EXPECT_EQ(box.windowTitle().toStdString(), MsgString("ID_END_EXEC"));
    qobject_cast<QPushButton*>(box.Control(FineListe::kIdReport))->click();
    unsetenv("BRELON_TEXT_VIEWER");
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), FineListe::kResultReport);
    EXPECT_TRUE(ui_->boxes.empty());
    ASSERT_TRUE(WaitForFile(record));
    std::ifstream in(record);
    std::string arg;
    std::getline(in, arg);
    EXPECT_EQ(fs::path(arg), fs::path(log));
}

TEST_F(ViewsAppTest, EndOfListWithoutLogWarnsAndStaysOpen) {
    OpenList("PORTE.lda");
    std::snprintf(MainFrame->timeLogPath, sizeof MainFrame->timeLogPath, "%s", (tmp_ + "missing.tmx").c_str());
    FineListe box(MainFrame);
    box.show();
    qobject_cast<QPushButton*>(box.Control(FineListe::kIdReport))->click();
    EXPECT_TRUE(box.isVisible());
    ASSERT_EQ(ui_->boxes.size(), 1u);
    EXPECT_EQ(ui_->boxes[0].title, "T_ATTENZIONE");
    EXPECT_EQ(ui_->boxes[0].text, MsgString("M_NO_BARLOG"));
    EXPECT_EQ(ui_->boxes[0].icon, BoxIcon::Warning);
    EXPECT_FALSE(ui_->boxes[0].taskModal);
    qobject_cast<QPushButton*>(box.Control(FineListe::kIdClose))->click();
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), FineListe::kResultClosed);
}

TEST_F(ViewsAppTest, BarListShowsMergedLinesAndTheChosenProfile) {
    OpenList("PORTE.lda");
    const int count = app::JobBarCount(*g_pBarList);
    ASSERT_GT(count, 0);
    CListBarDialog dlg(MainFrame, 0);
    dlg.show();
    QCoreApplication::processEvents();
    std::vector<const BarRecord*> bars;
    for (int i = 0; i < count; ++i) bars.push_back(g_pBarList->Bar(i));
    const auto expected = app::MergeEqualBars(bars, 0);
    ASSERT_EQ(dlg.BarLines()->RowCount(), static_cast<int>(expected.size()));
    EXPECT_EQ(dlg.ChosenLine(), 0);
    const BarRecord& first = *g_pBarList->Bar(0);
    EXPECT_EQ(dlg.BarLines()->Cell(0, 0).toStdString(), first.series);
    EXPECT_EQ(dlg.BarLines()->Cell(0, 3).toInt(), expected[0].repetitions);
    EXPECT_TRUE(dlg.findChild<QLabel*>("id_408")->text().startsWith("Offset Y:  "));
    EXPECT_TRUE(dlg.Drawing()->State().outline);
    EXPECT_TRUE(dlg.Drawing()->State().bar.has_value());
    // A click on the last line shows that line's first bar.
    const int lastLine = dlg.BarLines()->RowCount() - 1;
    QTreeWidgetItem* item = dlg.BarLines()->topLevelItem(lastLine);
    QTest::mouseClick(dlg.BarLines()->viewport(), Qt::LeftButton, {},
                      QPoint(8, dlg.BarLines()->visualItemRect(item).center().y()));
    EXPECT_EQ(dlg.ChosenLine(), lastLine);
    // Opening on the last bar shows one line.
    CListBarDialog onLast(MainFrame, count - 1);
    onLast.show();
    EXPECT_EQ(onLast.BarLines()->RowCount(), 1);
    qobject_cast<QPushButton*>(dlg.Control(CListBarDialog::kIdOk))->click();
    EXPECT_FALSE(dlg.isVisible());
}

TEST_F(ViewsAppTest, BarListHoldsMoreThanAHundredLines) {
    OpenList("PORTE.lda");
    auto& bars = g_pBarList->Bars();
    bars.clear();
    for (int i = 0; i < 150; ++i) bars.push_back(MakeBar("ALU60", "A6010", "RAL9010", 1000000 + 1000 * i, 1));
    g_pBarList->selectedCount = 150;
    CListBarDialog dlg(MainFrame, 0);
    dlg.show();
    EXPECT_EQ(dlg.BarLines()->RowCount(), 150);
    dlg.ShowLine(149);
    EXPECT_EQ(dlg.ChosenLine(), 149);
}

TEST_F(ViewsAppTest, PiecesViewListsPiecesRestAndMachinings) {
    OpenList("PORTE.lda");
    ASSERT_EQ(g_pBarList->ComputeBar(0, 0), 0) << g_errorText;
    BarRecord* bar = g_pBarList->currentBar;
    ASSERT_NE(bar, nullptr);
    CVisBarPcs dlg(MainFrame, bar);
    dlg.show();
    QCoreApplication::processEvents();
    const int pieces = static_cast<int>(g_pBarList->pieces.size());
    ASSERT_GT(pieces, 0);
    EXPECT_EQ(dlg.PieceCount(), pieces);
    EXPECT_EQ(dlg.PieceLines()->RowCount(), pieces);
    const app::RestParams params = app::RestParamsOf(*g_pSettings, MachineVariant);
    EXPECT_EQ(dlg.Rest(), app::BarRest(*bar, g_pBarList->pieces, params));
    EXPECT_EQ(dlg.findChild<QLabel*>("id_1052")->text().toStdString(), app::LengthText(dlg.Rest()));
    EXPECT_EQ(dlg.PieceLines()->Cell(0, 0).toStdString(), g_pBarList->pieces[0]->Nome);
    EXPECT_FALSE(dlg.Drawing()->State().outline);
    EXPECT_EQ(dlg.MachiningLines()->RowCount(), 0);
    // A click on a piece fills its machinings.
    int withMachinings = -1;
    for (int i = 0; i < pieces && withMachinings < 0; ++i)
        if (g_pBarList->pieces[static_cast<std::size_t>(i)]->Lav > 0) withMachinings = i;
    ASSERT_GE(withMachinings, 0);
    QTreeWidgetItem* item = dlg.PieceLines()->topLevelItem(withMachinings);
    QTest::mouseClick(dlg.PieceLines()->viewport(), Qt::LeftButton, {},
                      QPoint(8, dlg.PieceLines()->visualItemRect(item).center().y()));
    EXPECT_EQ(dlg.ChosenPiece(), withMachinings);
    const WorkingPiece& p = *g_pBarList->pieces[static_cast<std::size_t>(withMachinings)];
    ASSERT_EQ(dlg.MachiningLines()->RowCount(), p.Lav);
    EXPECT_EQ(dlg.MachiningLines()->Cell(0, 0).toInt(), g_pBarList->records[static_cast<std::size_t>(p.FstLav)]->Id);
}

TEST_F(ViewsAppTest, ViewsFitTheScreenTheyAreScaledFor) {
    OpenList("PORTE.lda");
    ASSERT_EQ(g_pBarList->ComputeBar(0, 0), 0) << g_errorText;
    for (const auto& [w, h] : {std::pair{1024, 768}, std::pair{1920, 1080}}) {
        SetScreenSize(w, h);
        MainFrame->resize(w, h - 40);
        const std::string size = std::to_string(w) + "x" + std::to_string(h);
        {
            CListBarDialog dlg(MainFrame, 0);
            dlg.show();
            ExpectOnScreen(&dlg, w, h);
            MaybeGrab(&dlg, "list_bar_" + size);
        }
        {
            CVisBarPcs dlg(MainFrame, g_pBarList->currentBar);
            dlg.show();
            if (dlg.PieceLines()->RowCount() > 0) dlg.PieceLines()->SelectRow(0);
            ExpectOnScreen(&dlg, w, h);
            MaybeGrab(&dlg, "vis_bar_pcs_" + size);
        }
        {
            FineListe dlg(MainFrame);
            dlg.show();
            ExpectOnScreen(&dlg, w, h);
            MaybeGrab(&dlg, "fine_liste_" + size);
        }
    }
    SetScreenSize(0, 0);
}
