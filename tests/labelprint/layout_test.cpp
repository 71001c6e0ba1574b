// Label layout model and "TAGRIX.INI".
#include <gtest/gtest.h>

#include "label_test_util.h"
#include "labelprint/layout.h"
#include "platform/profile.h"

namespace {

std::string Get(const std::string& ini, const char* sec, const char* key) {
    return plat::ReadProfileString(sec, key, "<none>", ini.c_str());
}

TEST(Layout, DefaultsWithoutFile) {
    lptest::TempDir dir;
    MConfigura cfg;
    cfg.Load(dir / "TAGRIX.INI");
    EXPECT_EQ(cfg.labelHeight, 40.0);
    EXPECT_EQ(cfg.labelWidth, 70.0);
    EXPECT_EQ(cfg.labelCount, 1);
    EXPECT_EQ(cfg.alignment, 1);
    EXPECT_EQ(cfg.orientation, 0);
    EXPECT_TRUE(cfg.useBarcode);
    EXPECT_TRUE(cfg.workTag);
    EXPECT_FALSE(cfg.barcodeByJob);
    EXPECT_EQ(cfg.barcodeKind, 0);
    EXPECT_EQ(cfg.barcodeSize, 1);
    EXPECT_EQ(cfg.layout, 2);
    EXPECT_EQ(cfg.infoTemplate, 2);
    EXPECT_EQ(cfg.pictureKind, 0);
    EXPECT_EQ(cfg.gridRows, 7);
    EXPECT_EQ(cfg.gridColumns, 2);
    EXPECT_EQ(cfg.wizardCounter, 1);
    EXPECT_FALSE(cfg.headerColumn);
    ASSERT_EQ(cfg.labelLines.Count(), 18);
    ASSERT_EQ(cfg.headerLines.Count(), 9);
    int ids[20], sizes[20];
    cfg.CopyIds(ids);
    cfg.CopySizes(sizes);
    for (int i = 0; i < 18; ++i) {
        EXPECT_EQ(ids[i], i);
        EXPECT_EQ(sizes[i], 4);
        EXPECT_EQ(cfg.labelLines.Line(i)->FieldId(), -1);
        EXPECT_TRUE(cfg.labelLines.Line(i)->PrintFlag());
    }
    EXPECT_EQ(ids[18], -1);
    EXPECT_EQ(ids[19], -1);
    EXPECT_EQ(sizes[18], -1);
    EXPECT_EQ(sizes[19], -1);
    EXPECT_FALSE(lptest::FileExists(dir / "TAGRIX.INI")); // reading creates nothing
}

TEST(Layout, LineCountsAreFixedWhateverTheFileSays) {
    lptest::TempDir dir;
    const std::string ini = dir / "TAGRIX.INI";
    lptest::WriteFile(ini, "[LABEL]\r\nLinCount=5\r\nLinID3=11\r\n[INTEST]\r\nLinCount=30\r\n"
                           "[LABEL-LinId-3-Riga-Intest-Testo]\r\nSize=6.7\r\n[LABEL-LinId-3-Riga]\r\nID=9\r\n"
                           "Intestazione=Length\r\n");
    MConfigura cfg;
    cfg.Load(ini);
    EXPECT_EQ(cfg.labelLines.Count(), 18);
    EXPECT_EQ(cfg.headerLines.Count(), 9);
    EXPECT_EQ(cfg.labelLines.ids[3], 11);
    EXPECT_EQ(cfg.labelLines.sizes[3], 6);
    EXPECT_EQ(cfg.labelLines.Line(3)->FieldId(), 9);
    EXPECT_EQ(cfg.labelLines.Line(3)->style.text, "Length");
}

TEST(Layout, SaveWritesTheDocumentedFormsAndEmptiesTheLists) {
    lptest::TempDir dir;
    const std::string ini = dir / "TAGRIX.INI";
    MConfigura cfg;
    cfg.Load(ini);
    cfg.labelLines.Line(2)->style.size = 6.0f;
    cfg.labelLines.Line(2)->SetFieldId(5);
    cfg.labelLines.Line(4)->SetPrintFlag(false);
    cfg.headerLines.Line(2)->style.size = 1.0f; // replaced by the label line's size
    cfg.Save(ini);
    EXPECT_EQ(cfg.labelLines.Count(), 0);
    EXPECT_EQ(cfg.headerLines.Count(), 0);
    EXPECT_EQ(Get(ini, "SYSTEM", "HETI"), "40.000000");
    EXPECT_EQ(Get(ini, "SYSTEM", "MARGSXET"), "0.000000");
    EXPECT_EQ(Get(ini, "SYSTEM", "USABC"), "1");
    EXPECT_EQ(Get(ini, "LABEL", "LinCount"), "18");
    EXPECT_EQ(Get(ini, "INTEST", "LinCount"), "9");
    EXPECT_EQ(Get(ini, "LABEL", "LinID2"), "5");
    EXPECT_EQ(Get(ini, "LABEL", "LinStampaInEtichetta4"), "0");
    EXPECT_EQ(Get(ini, "LABEL-LinId-2-Riga-Intest-Testo", "Size"), "6.0");
    EXPECT_EQ(Get(ini, "LABEL-LinId-0-Riga-Intest-Testo", "Size"), "4.0");
    for (int i = 0; i < 9; ++i) {
        const std::string label = "LABEL-LinId-" + std::to_string(i) + "-Riga-Intest-Testo";
        const std::string header = "INTEST-LinId-" + std::to_string(i) + "-Riga-Intest-Testo";
        EXPECT_EQ(Get(ini, header.c_str(), "Size"), Get(ini, label.c_str(), "Size")) << i;
    }
    EXPECT_EQ(Get(ini, "LABEL-LinId-2-Riga", "ID"), "5");
    EXPECT_EQ(cfg.labelLines.ids[2], 5);
    EXPECT_EQ(cfg.labelLines.sizes[2], 6);
}

TEST(Layout, LoadSaveLoadIsIdentity) {
    lptest::TempDir dir;
    const std::string ini = dir / "TAGRIX.INI";
    {
        MConfigura cfg;
        cfg.Load(ini);
        cfg.labelHeight = 35.5;
        cfg.labelWidth = 80.25;
        cfg.labelCount = 2;
        cfg.marginLeft = 1.5;
        cfg.marginTop = 2;
        cfg.alignment = 2;
        cfg.orientation = 1;
        cfg.workTag = false;
        cfg.useBarcode = true;
        cfg.barcodeByJob = true;
        cfg.barcodeKind = 5;
        cfg.barcodeSize = 2;
        cfg.layout = 6;
        cfg.infoTemplate = 3;
        cfg.pictureKind = 1;
        cfg.gridRows = 9;
        cfg.gridColumns = 1;
        cfg.headerColumn = true;
        for (int i = 0; i < 18; ++i) {
            cfg.labelLines.Line(i)->SetFieldId(i % 12 - 1);
            cfg.labelLines.Line(i)->style.size = float(i % 8);
            cfg.labelLines.Line(i)->style.text = "Line " + std::to_string(i);
        }
        cfg.headerLines.Line(1)->style.text = "Piece";
        cfg.Save(ini);
    }
    const std::string first = lptest::ReadFile(ini);
    MConfigura a;
    a.Load(ini);
    EXPECT_EQ(a.labelHeight, 35.5);
    EXPECT_EQ(a.labelWidth, 80.25);
    EXPECT_EQ(a.marginLeft, 1.5);
    EXPECT_EQ(a.alignment, 2);
    EXPECT_EQ(a.orientation, 1);
    EXPECT_FALSE(a.workTag);
    EXPECT_TRUE(a.barcodeByJob);
    EXPECT_EQ(a.barcodeKind, 5);
    EXPECT_EQ(a.layout, 6);
    EXPECT_EQ(a.pictureKind, 1);
    EXPECT_EQ(a.gridRows, 9);
    EXPECT_TRUE(a.headerColumn);
    EXPECT_EQ(a.headerLines.Line(1)->style.text, "Piece");
    EXPECT_EQ(a.headerLines.Line(3)->style.size, 3.0f); // the label line's size
    for (int i = 0; i < 18; ++i) {
        EXPECT_EQ(a.labelLines.ids[i], i % 12 - 1);
        EXPECT_EQ(a.labelLines.sizes[i], i % 8);
        EXPECT_EQ(a.labelLines.Line(i)->style.text, "Line " + std::to_string(i));
    }
    a.Save(ini);
    EXPECT_EQ(lptest::ReadFile(ini), first);
}

TEST(Layout, CNumberParsing) {
    EXPECT_EQ(labelprint::AtoiC("  42abc"), 42);
    EXPECT_EQ(labelprint::AtoiC("-7"), -7);
    EXPECT_EQ(labelprint::AtoiC("x"), 0);
    EXPECT_EQ(labelprint::AtoiC("99999999999"), 2147483647);
    EXPECT_EQ(labelprint::AtoiC("-99999999999"), -2147483647 - 1);
    EXPECT_EQ(labelprint::AtofC("12.5"), 12.5);  // whatever the locale
    EXPECT_EQ(labelprint::AtofC("12,5"), 12.0);
    EXPECT_EQ(labelprint::AtofC("inf"), 0.0);
}

} // namespace
