// What the wizard shows and allows is the label the program prints: the sample is the
// composer's label for the program's piece job, and a margin that leaves a text of the label
// without a place is refused with the margin it may take.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <string>
#include <vector>

#include "label_test_util.h"
#include "labelprint/composer.h"
#include "labelprint/layout.h"
#include "labelprint/library.h"
#include "msgtable/Dictavo.h"
#include "sample_label.h"
#include "wizard_logic.h"
#include "wizard_pages.h"
#include "wizard_test_util.h"

namespace lw = labelprint::wizard;

namespace {

// The names the program offers: field 0 is its "none".
const std::vector<std::string> kProgramFields = {"None",   "Order",  "Piece", "Series", "Code",  "Length",
                                                 "Colour", "Angles", "Info1", "Info2",  "Info3", "Info4"};

// A layout with seven texts on a 62.5 x 35.25 mm label (rotated print), two columns.
std::string LayoutFile(const char* system) {
    std::string file = std::string("[SYSTEM]\r\nHETI=35.250000\r\nLETI=62.500000\r\nALIGNMENT=1\r\n") + system +
                       "NRRIGHESTR=7\r\nNRCOLSTR=2\r\nM_TEMPLPOS=2\r\n[LABEL]\r\nLinCount=18\r\n";
    for (int i = 0; i < 18; ++i) file += "LinID" + std::to_string(i) + "=" + std::to_string(i < 7 ? i + 1 : -1) + "\r\n";
    return file;
}

void Load(MConfigura& cfg, const lptest::TempDir& dir, const std::string& file) {
    lptest::WriteFile(dir / "TAGRIX.INI", file);
    std::vector<const char*> names;
    for (const auto& n : kProgramFields) names.push_back(n.c_str());
    cfg.AddFieldNames(int(names.size()), names.data());
    cfg.Load(dir / "TAGRIX.INI");
}

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// Text fields the label holds, read off its ZPL (not the composer's own count).
std::size_t TextFields(const std::string& zpl) { return Count(zpl, ",^A"); }

class WizardLabel : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        auto* table = new Dictavo((std::string(BRELON_SOURCE_DIR) + "/demo/MSG/TAGRIX.msg").c_str());
        table->LoadStrings();
        labelprint::SetMessageTable(table);
    }
    void TearDown() override { labelprint::SetMessageTable(nullptr); }

    // The label of cfg with margins left and top, as the sample job composes it.
    std::string Label(const MConfigura& cfg, double left, double top) {
        MConfigura c;
        c.CopyFrom(cfg);
        c.marginLeft = left;
        c.marginTop = top;
        MDlgMainCutHelp composer;
        return composer.ComposeZpl(lw::SampleJob(c, samples.Drawing()), &c);
    }

    lptest::TempDir dir;
    lw::SampleLabel samples;
};

struct MarginRow {
    const char* what;
    double height, width;
    int orientation; // 0 rotated print
    int layout;
    double left, top;
    bool refused;
};

// Label sizes, orientations and margins: each is refused with a limit that keeps every text,
// or every text is on the label.
const MarginRow kMarginRows[] = {
    {"noMargins", 35.25, 62.5, 0, 2, 0, 0, false},
    {"left10Rotated", 35.25, 62.5, 0, 2, 10, 0, true},
    {"left20Rotated", 35.25, 62.5, 0, 2, 20, 0, true},
    {"left30Rotated", 35.25, 62.5, 0, 2, 30, 0, true},
    {"left80Rotated", 35.25, 62.5, 0, 2, 80, 0, true},
    {"top80OnA62mmLabel", 35.25, 62.5, 0, 2, 0, 80, true},
    {"top10Rotated", 35.25, 62.5, 0, 2, 0, 10, false},
    {"left2Rotated", 35.25, 62.5, 0, 2, 2, 0, false},
    {"left10Upright", 35.25, 62.5, 1, 2, 10, 0, true},
    {"top5Upright", 35.25, 62.5, 1, 2, 0, 5, false},
    {"left5TallUpright", 80, 100, 1, 4, 5, 5, false},
    {"left50TallUpright", 80, 100, 1, 4, 50, 0, true},
    {"left12Layout5", 35.25, 62.5, 0, 5, 12, 0, false},
    {"left16Layout5", 35.25, 62.5, 0, 5, 16, 0, true},
    {"fractionsCountWhole", 35.25, 62.5, 0, 2, 1.9, 0.9, false},
};

class MarginTable : public WizardLabel, public ::testing::WithParamInterface<MarginRow> {};

INSTANTIATE_TEST_SUITE_P(Labels, MarginTable, ::testing::ValuesIn(kMarginRows),
                         [](const ::testing::TestParamInfo<MarginRow>& i) { return i.param.what; });

} // namespace

TEST_P(MarginTable, RefusedWithAWorkingLimitOrEveryTextOnTheLabel) {
    const MarginRow& row = GetParam();
    MConfigura cfg;
    Load(cfg, dir, LayoutFile(""));
    cfg.labelHeight = row.height;
    cfg.labelWidth = row.width;
    cfg.orientation = row.orientation;
    cfg.layout = row.layout;
    cfg.marginLeft = row.left;
    cfg.marginTop = row.top;
    const std::size_t texts = lw::SampleJob(cfg, samples.Drawing()).values.size();
    ASSERT_EQ(texts, 7u);
    const lw::TextRoom room = lw::CheckTextRoom(cfg, samples.Drawing());
    if (!row.refused) {
        EXPECT_EQ(room.kind, lw::TextRoom::Fits);
        EXPECT_EQ(TextFields(Label(cfg, row.left, row.top)), texts) << Label(cfg, row.left, row.top);
        return;
    }
    ASSERT_TRUE(room.kind == lw::TextRoom::Left || room.kind == lw::TextRoom::Top) << room.kind;
    const bool left = room.kind == lw::TextRoom::Left;
    EXPECT_EQ(left, row.left > row.top) << "the margin that takes the room is named";
    // At the limit every text is on the label; a millimetre more is refused again, and leaves a
    // text out where the margin does not already take half the label.
    const double l = left ? room.limitMm : row.left, t = left ? row.top : room.limitMm;
    EXPECT_LT(left ? l : t, left ? row.left : row.top);
    EXPECT_EQ(TextFields(Label(cfg, l, t)), texts) << Label(cfg, l, t);
    MConfigura more;
    more.CopyFrom(cfg);
    more.marginLeft = left ? l + 1 : l;
    more.marginTop = left ? t : t + 1;
    EXPECT_NE(lw::CheckTextRoom(more, samples.Drawing()).kind, lw::TextRoom::Fits);
    const double half = (left ? cfg.labelHeight : cfg.labelWidth) / 2;
    if ((left ? l : t) + 1 < half - 1) {
        EXPECT_LT(TextFields(Label(cfg, more.marginLeft, more.marginTop)), texts);
    }
}

// Page 1 refuses the margin with its limit named, and takes the limit.
TEST_F(WizardLabel, PageOneNamesTheMarginsLimit) {
    lptest::WriteFile(dir / "TAGRIX.INI", LayoutFile(""));
    MConfigura cfg;
    std::vector<const char*> names;
    for (const auto& n : kProgramFields) names.push_back(n.c_str());
    cfg.AddFieldNames(int(names.size()), names.data());
    lw::MMainPag sheet(cfg, dir / "TAGRIX.INI");
    sheet.show();
    auto* left = sheet.SizePage()->findChild<QLineEdit*>("id_6038");
    auto* message = sheet.SizePage()->findChild<QLabel*>("id_20200");
    ASSERT_TRUE(left && message);
    MConfigura trial;
    trial.CopyFrom(cfg);
    trial.marginLeft = 10;
    const lw::TextRoom room = lw::CheckTextRoom(trial, samples.Drawing());
    ASSERT_EQ(room.kind, lw::TextRoom::Left);
    left->setText("10");
    sheet.next();
    EXPECT_EQ(sheet.currentPage(), sheet.SizePage());
    EXPECT_TRUE(message->isVisible());
    EXPECT_TRUE(message->text().startsWith(QStringLiteral("Left: at most %1 mm").arg(room.limitMm)))
        << message->text().toStdString();
    left->setText(QString::number(room.limitMm));
    sheet.next();
    EXPECT_EQ(sheet.currentPage(), sheet.LayoutPage()) << message->text().toStdString();
    EXPECT_EQ(cfg.marginLeft, room.limitMm);
    sheet.reject();
}

// The sample is the label the program prints for a piece: the composer's label for the job
// the program hands the library (barcode text, the profile drawing, the rest empty), for each
// barcode, work tag and picture setting of page 3 and every layout.
TEST_F(WizardLabel, SampleIsTheComposedLabelOfTheProgramsPieceJob) {
    MConfigura cfg;
    Load(cfg, dir, LayoutFile(""));
    const std::string barcode = "8001234567897";
    std::vector<std::string> lines;
    for (int i = 0; i < 7; ++i) lines.push_back(kProgramFields[size_t(i + 1)]);
    std::vector<const char*> values;
    for (const auto& v : lines) values.push_back(v.c_str());
    const char* params[7] = {"", barcode.c_str(), "", "", samples.Drawing().c_str(), "", ""};
    for (int setting = 0; setting < 16; ++setting) {
        cfg.useBarcode = (setting & 1) != 0;
        cfg.barcodeByJob = (setting & 2) != 0;
        cfg.workTag = (setting & 4) != 0;
        cfg.pictureKind = (setting & 8) != 0 ? 1 : 0;
        for (int layout = 0; layout < 8; ++layout) {
            SCOPED_TRACE(::testing::Message() << "setting " << setting << " layout " << layout);
            MConfigura printed;
            printed.CopyFrom(cfg);
            printed.layout = layout;
            MDlgMainCutHelp composer;
            const std::string label =
                composer.ComposeZpl(MDlgMainCutHelp::UnpackJob(int(values.size()), params, values.data()), &printed);
            const std::string sample = samples.LayoutZpl(cfg, layout);
            EXPECT_EQ(sample, label);
            EXPECT_EQ(Count(sample, "^BY") != 0, cfg.useBarcode) << "a barcode only where the label has one";
            EXPECT_EQ(Count(sample, "^FD#^FS"), 0u) << "the program's labels never carry the work tag";
            EXPECT_EQ(Count(sample, "^FDText"), 0u);
            EXPECT_EQ(Count(sample, "^FDNone^FS"), 0u);
        }
    }
}
