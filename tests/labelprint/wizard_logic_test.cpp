// The layout wizard's rules without a window: length entries, the editor's cell-to-line
// mapping, the preview grid and the editor's OK.
#include <gtest/gtest.h>

#include <algorithm>

#include "labelprint/layout.h"
#include "wizard_logic.h"

namespace lw = labelprint::wizard;

namespace {

TEST(WizardLengths, ShownWithTheStoredPrecisionAndReadBack) {
    struct Case {
        double stored;
        const char* shown;
    } cases[] = {{40.6, "40.6"}, {70.0, "70"}, {2.25, "2.25"}, {0.0, "0"}, {40.123456, "40.123456"}};
    for (const Case& c : cases) {
        EXPECT_EQ(lw::FormatLength(c.stored), c.shown) << c.stored;
        double out = -1;
        EXPECT_EQ(lw::ReadLength(c.shown, c.shown, c.stored, out), lw::LengthError::None);
        EXPECT_EQ(out, c.stored) << "an unchanged entry keeps the stored value exactly";
    }
    // A value with more decimals than shown is still kept while its entry is untouched.
    double out = 0;
    EXPECT_EQ(lw::ReadLength("1", "1", 1.0000001, out), lw::LengthError::None);
    EXPECT_EQ(out, 1.0000001);
}

TEST(WizardLengths, TypedEntries) {
    struct Case {
        const char* text;
        lw::LengthError error;
        double value;
    } cases[] = {
        {"41.5", lw::LengthError::None, 41.5},     {" 12 ", lw::LengthError::None, 12.0},
        {"0", lw::LengthError::None, 0.0},         {"-0", lw::LengthError::None, 0.0},
        {"-1", lw::LengthError::Negative, 0},      {"-0.5", lw::LengthError::Negative, 0},
        {"", lw::LengthError::NotNumber, 0},       {"abc", lw::LengthError::NotNumber, 0},
        {"12,5", lw::LengthError::NotNumber, 0},   {"40mm", lw::LengthError::NotNumber, 0},
        {"inf", lw::LengthError::NotNumber, 0},    {"nan", lw::LengthError::NotNumber, 0},
        {"0x10", lw::LengthError::NotNumber, 0},
    };
    for (const Case& c : cases) {
        double out = 99;
        EXPECT_EQ(lw::ReadLength(c.text, "70", 70.0, out), c.error) << c.text;
        if (c.error == lw::LengthError::None) {
            EXPECT_EQ(out, c.value) << c.text;
        }
    }
}

TEST(WizardEditor, CellButtonsAndCellsMapToLines) {
    struct Case {
        lw::Grid grid;
        int row;
        int left;  // line of the left "..." button
        int right; // line of the right "..." button
    } cases[] = {
        {{1, 9, false}, 0, 0, 0}, {{1, 9, false}, 4, 4, 4}, {{1, 9, false}, 8, 8, 8},
        {{2, 9, false}, 0, 0, 1}, {{2, 9, false}, 3, 6, 7}, {{2, 9, false}, 8, 16, 17},
        {{2, 9, true}, 0, 0, 0},  {{2, 9, true}, 5, 10, 5},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(lw::LeftButtonLine(c.grid, c.row), c.left) << c.grid.columns << c.grid.header << c.row;
        EXPECT_EQ(lw::RightButtonLine(c.grid, c.row), c.right) << c.grid.columns << c.grid.header << c.row;
    }
    // After the cell dialog the line is drawn in the cell its button belongs to.
    for (const lw::Grid grid : {lw::Grid{1, 9, false}, lw::Grid{2, 9, false}, lw::Grid{2, 9, true}}) {
        for (int row = 0; row < 9; ++row) {
            const lw::Cell right = lw::CellOfLine(grid, lw::RightButtonLine(grid, row));
            if (grid.columns == 2) {
                EXPECT_EQ(right.row, row);
                EXPECT_TRUE(right.right);
            }
            if (!grid.header) {
                const lw::Cell left = lw::CellOfLine(grid, lw::LeftButtonLine(grid, row));
                EXPECT_EQ(left.row, row);
                EXPECT_FALSE(left.right);
            }
        }
    }
}

TEST(WizardPreview, CellsInGridOrder) {
    using S = lw::PreviewSource;
    struct Case {
        lw::Grid grid;
        int row, column;
        S::List list;
        int line;
    } cases[] = {
        {{2, 7, false}, 0, 0, S::Label, 0}, {{2, 7, false}, 0, 1, S::Label, 1},
        {{2, 7, false}, 6, 1, S::Label, 13}, {{2, 3, false}, 3, 0, S::None, -1},
        {{1, 7, false}, 2, 0, S::Label, 2},  {{1, 7, false}, 2, 1, S::None, -1},
        {{2, 7, true}, 4, 0, S::Header, 4},  {{2, 7, true}, 4, 1, S::Label, 4},
        {{2, 9, false}, 7, 0, S::None, -1},  // the preview has seven rows
    };
    for (const Case& c : cases) {
        const S s = lw::PreviewCell(c.grid, c.row, c.column);
        EXPECT_EQ(s.list, c.list) << c.row << "," << c.column;
        EXPECT_EQ(s.line, c.line) << c.row << "," << c.column;
    }
}

void Lines(MListaRighe& list, int count) {
    for (int i = 0; i < count; ++i) {
        list.lines.push_back(std::make_unique<MRiga>(i, true, ""));
        list.lines.back()->style.text = "L" + std::to_string(i);
    }
}

TEST(WizardEditor, OkTakesHeaderTextsAndClearsUnusedLabelLines) {
    const std::vector<std::string> texts = {"H0", "H1", "H2", "H3", "H4", "H5", "H6", "H7", "H8"};
    {
        MListaRighe labels, headers;
        Lines(labels, 18);
        Lines(headers, 9);
        lw::ApplyEditorOk({2, 3, true}, texts, labels, headers);
        for (int i = 0; i < 9; ++i) {
            EXPECT_EQ(headers.Line(i)->style.text, texts[size_t(i)]);
            EXPECT_EQ(headers.Line(i)->printFlag, i < 3) << i;
        }
        for (int i = 0; i < 18; ++i) {
            const bool cleared = i >= 3 && i <= 8;
            EXPECT_EQ(labels.Line(i)->fieldId, cleared ? -1 : i) << i;
            EXPECT_EQ(labels.Line(i)->style.text.empty(), cleared) << i;
        }
        EXPECT_EQ(lw::ShownText(headers, 2), "H2");
        EXPECT_EQ(lw::ShownText(headers, 3), "") << "a line that does not print is not shown";
    }
    {
        MListaRighe labels, headers;
        Lines(labels, 18);
        Lines(headers, 9);
        lw::ApplyEditorOk({2, 3, false}, texts, labels, headers);
        EXPECT_EQ(headers.Line(0)->style.text, "L0") << "without the header column nothing changes";
        EXPECT_EQ(labels.Line(5)->fieldId, 5);
    }
}

TEST(WizardEditor, OkKeepsHiddenHeaderTextsOfLinesThatStayOff) {
    // Lines 0 to 2 print; the edits of the others showed nothing. With 5 rows lines 3 and 4
    // start to print and take their edits; lines 5 to 8 keep their texts.
    MListaRighe labels, headers;
    Lines(labels, 18);
    Lines(headers, 9);
    for (int i = 3; i < 9; ++i) headers.Line(i)->printFlag = false;
    std::vector<std::string> shown;
    for (int i = 0; i < 9; ++i) shown.push_back(lw::ShownText(headers, i));
    shown[4] = "New 4";
    lw::ApplyEditorOk({2, 5, true}, shown, labels, headers);
    const char* expected[9] = {"L0", "L1", "L2", "", "New 4", "L5", "L6", "L7", "L8"};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(headers.Line(i)->style.text, expected[i]) << i;
        EXPECT_EQ(headers.Line(i)->printFlag, i < 5) << i;
    }
}

TEST(WizardLengths, LabelSizeWithinWhatThePrinterPrints) {
    using E = lw::LabelSizeError;
    struct Case {
        double width, height;
        bool upright;
        E error;
    } cases[] = {
        {70, 40, false, E::None},        {70, 104, false, E::None},         {70, 104.01, false, E::HeightAcross},
        {104, 40, true, E::None},        {150, 40, true, E::WidthAcross},   {150, 40, false, E::None},
        {4000, 40, false, E::None},      {999999, 40, false, E::WidthAlong}, {70, 4001, true, E::HeightAlong},
        {70, 150, true, E::None},
    };
    for (const Case& c : cases)
        EXPECT_EQ(lw::CheckLabelSize(c.width, c.height, c.upright), c.error) << c.width << " x " << c.height << " " << c.upright;
}

TEST(WizardLines, WorkingLinesTakeTheProgramsIdsAndFieldNames) {
    MListaRighe labels;
    Lines(labels, 5);
    for (int i = 0; i < 5; ++i) labels.lines[size_t(i)]->fieldId = -1; // no line keys in the file
    const int ids[5] = {0, 1, 7, -1, 2};
    std::copy(ids, ids + 5, labels.ids);
    lw::PrepareLabelLines(labels, {"Order", "Piece", "Length"});
    for (int i = 0; i < 5; ++i) EXPECT_EQ(labels.Line(i)->fieldId, ids[i]) << i;
    EXPECT_EQ(labels.Line(0)->style.text, "Order");
    EXPECT_EQ(labels.Line(1)->style.text, "Piece");
    EXPECT_EQ(labels.Line(2)->style.text, "L2") << "an id beyond the offered names keeps its text";
    EXPECT_EQ(labels.Line(3)->style.text, "L3");
    EXPECT_EQ(labels.Line(4)->style.text, "Length");
}

} // namespace
