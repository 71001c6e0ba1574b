// Edit filters, window arithmetic and the user-interface services with their fakes.
#include <gtest/gtest.h>

#include "machine/edit_filters.h"
#include "machine/ui_services.h"
#include "machine/ui_services_fake.h"
#include "machine/window_scale.h"

namespace {
EditState Edit(const char* text, int caret) { return EditState{text, caret, caret}; }
} // namespace

TEST(EditFilters, DecimalField) {
    EditState e = Edit("12.3.", 5); // a second point typed after 12.3
    EXPECT_TRUE(FilterRealEdit(e, true));
    EXPECT_EQ(e.text, "12.3");
    EXPECT_EQ(e.selStart, 4);
    EXPECT_EQ(e.selEnd, 4);

    e = Edit(".1.23", 1); // a point typed in front of the point of 1.23
    EXPECT_TRUE(FilterRealEdit(e, true));
    EXPECT_EQ(e.text, ".123");
    EXPECT_EQ(e.selStart, 0);

    e = Edit("12-3", 3);
    EXPECT_TRUE(FilterRealEdit(e, true));
    EXPECT_EQ(e.text, "123");
    EXPECT_EQ(e.selStart, 2);

    e = Edit("-12", 1);
    EXPECT_FALSE(FilterRealEdit(e, true));
    EXPECT_EQ(e.text, "-12");
    EXPECT_EQ(e.selStart, 1);
    EXPECT_TRUE(FilterRealEdit(e, false));
    EXPECT_EQ(e.text, "12");
    EXPECT_EQ(e.selStart, 0);

    e = Edit("a", 0); // dropped at the very start: the caret cannot move before 0
    EXPECT_TRUE(FilterDecimalEdit(e, true));
    EXPECT_EQ(e.text, "");
    EXPECT_EQ(e.selStart, 0);

    // A comma stays for OK to refuse (never 1,5 read as 15); one separator only.
    e = Edit("1,5", 2);
    EXPECT_FALSE(FilterRealEdit(e, false));
    EXPECT_EQ(e.text, "1,5");
    e = Edit("1.5,", 4);
    EXPECT_TRUE(FilterRealEdit(e, false));
    EXPECT_EQ(e.text, "1.5");
}

// A whole-number field keeps what would change the value if dropped (a point, a comma, a
// leading minus) for OK to refuse; what can be no part of a number goes as it is typed.
TEST(EditFilters, WholeNumberFieldsKeepWhatOkMustRefuse) {
    const struct {
        const char* text;
        int caret;
        const char* kept;
        int caretAfter;
    } cases[] = {
        {"2.5", 2, "2.5", 2}, {"2,5", 2, "2,5", 2}, {"-3", 1, "-3", 1},   {"12a", 3, "12", 2},
        {"2.5.", 4, "2.5", 3}, {"2.5,", 4, "2.5", 3}, {"3-", 2, "3", 1}, {"1 2", 2, "12", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EditState e = Edit(c.text, c.caret);
        EXPECT_EQ(FilterWholeNumberEdit(e), std::string(c.kept) != c.text);
        EXPECT_EQ(e.text, c.kept);
        EXPECT_EQ(e.selStart, c.caretAfter);
    }
}

TEST(EditFilters, IntegerAndTextFields) {
    EditState e = Edit("12.5", 3);
    EXPECT_TRUE(FilterIntegerEdit(e, false));
    EXPECT_EQ(e.text, "125");
    EXPECT_EQ(e.selStart, 2);
    e = Edit("-7", 1);
    EXPECT_TRUE(FilterIntegerEdit(e, false));
    EXPECT_EQ(e.text, "7");
    e = Edit("-7", 1);
    EXPECT_FALSE(FilterIntegerEdit(e, true));

    // Size 10: at most 9 characters, upper-cased, the caret kept.
    e = Edit("abcdefghij", 10);
    EXPECT_TRUE(FilterTextEdit(e, 10, true));
    EXPECT_EQ(e.text, "ABCDEFGHI");
    EXPECT_EQ(e.selStart, 9);
    e = Edit("Tool1", 2);
    EXPECT_TRUE(FilterTextEdit(e, 10, true));
    EXPECT_EQ(e.text, "TOOL1");
    EXPECT_EQ(e.selStart, 2);
    e = Edit("TOOL1", 2);
    EXPECT_FALSE(FilterTextEdit(e, 10, true));
    e = Edit("abc", 3);
    EXPECT_FALSE(FilterTextEdit(e, -1, false)); // no limit, no upper case
    e = Edit("", 0);
    EXPECT_FALSE(FilterTextEdit(e, 0, true));
    // Accented letters (Windows-1252) are raised with the rest; the division sign, the sharp s
    // and the signs around them are not letters to raise.
    const struct {
        const char* typed;
        const char* shown;
    } accents[] = {
        {"\xe8x", "\xc8X"},          // e grave
        {"\xe0\xe7\xf1\xfe", "\xc0\xc7\xd1\xde"},
        {"\x9a\x9c\x9e\xff", "\x8a\x8c\x8e\x9f"},
        {"a\xf7\xdf\xd7", "A\xf7\xdf\xd7"},
    };
    for (const auto& c : accents) {
        e = Edit(c.typed, 1);
        EXPECT_TRUE(FilterTextEdit(e, 20, true)) << c.typed;
        EXPECT_EQ(e.text, c.shown);
    }
}

TEST(WindowScale, ScreenWidthTables) {
    EXPECT_EQ(ScreenScalePercent(640), 1);
    EXPECT_EQ(ScreenScalePercent(641), 25);
    EXPECT_EQ(ScreenScalePercent(800), 25);
    EXPECT_EQ(ScreenScalePercent(801), 60);
    EXPECT_EQ(ScreenScalePercent(1024), 60);
    EXPECT_EQ(ScreenScalePercent(1025), 100);
    EXPECT_EQ(DialogFontHeight(800), 14);
    EXPECT_EQ(DialogFontHeight(801), 20);
    EXPECT_EQ(DialogFontHeight(1024), 20);
    EXPECT_EQ(DialogFontHeight(1025), 26);
    EXPECT_EQ(DialogScaleFactor(801), 1.0);
    EXPECT_EQ(DialogScaleFactor(802), 1.28);
    EXPECT_EQ(DialogScaleFactor(1024), 1.28);
    EXPECT_EQ(DialogScaleFactor(1025), 1.6);
    SetScreenSize(1280, 1024);
    EXPECT_EQ(ScreenScalePercent(), 100);
    EXPECT_EQ(ScreenWidth(), 1280);
    SetScreenSize(0, 0);
}

TEST(WindowScale, ScaleWindowTree) {
    WindowNode box{{10, 20, 110, 220}, {}};
    box.children.push_back({{4, 8, 44, 28}, {}});
    box.children[0].children.push_back({{1, 2, 4, 5}, {}});
    ScaleWindowTree(box, 25); // an 800-pixel screen
    EXPECT_EQ(box.rect, (WinRect{10, 20, 135, 270}));
    EXPECT_EQ(box.children[0].rect, (WinRect{5, 10, 55, 35}));
    EXPECT_EQ(box.children[0].children[0].rect, (WinRect{1, 2, 4, 5})); // 25 % of 1..3 truncates to 0

    WindowNode wide{{0, 0, 300, 200}, {}};
    ScaleWindowTree(wide, ScreenScalePercent(1280));
    EXPECT_EQ(wide.rect, (WinRect{0, 0, 600, 400}));
}

TEST(WindowScale, PlaceOverWindow) {
    const WinRect ref{100, 50, 201, 101};
    WinRect w{0, 0, 50, 20};
    EXPECT_TRUE(PlaceOverWindow(ref, w, 2));
    EXPECT_EQ(w, (WinRect{125, 65, 175, 85}));
    EXPECT_TRUE(PlaceOverWindow(ref, w, 1));
    EXPECT_EQ(w, (WinRect{100, 50, 150, 70}));
    WinRect untouched{1, 2, 3, 4};
    EXPECT_FALSE(PlaceOverWindow(ref, untouched, 3));
    EXPECT_EQ(untouched, (WinRect{1, 2, 3, 4}));
}

TEST(UiServices, RecordingFakeAndSilentDefault) {
    // Without services set, boxes get their refusing answer.
    EXPECT_EQ(ShowBox("T_ATTENZIONE", "delete?", BoxButtons::YesNo, BoxIcon::Question), IDNO);
    EXPECT_EQ(RefusingAnswer(BoxButtons::Ok), IDOK);
    EXPECT_EQ(RefusingAnswer(BoxButtons::OkCancel), IDCANCEL);
    EXPECT_EQ(RefusingAnswer(BoxButtons::AbortRetryIgnore), IDABORT);

    UiServices* before = &Ui();
    {
        ScopedRecordingUi ui;
        ui.script = {IDYES};
        EXPECT_EQ(ShowBox("T_ATTENZIONE", "go on?", BoxButtons::YesNo, BoxIcon::Question), IDYES);
        EXPECT_EQ(ShowBoxLiteralTitle("Velmo-Errore", "Funzione dirnav non trovata"), IDOK);
        ui.defaultAnswer = IDRETRY;
        EXPECT_EQ(ShowBox("T_ERRORE", "again", BoxButtons::RetryCancel), IDRETRY);
        ASSERT_EQ(ui.boxes.size(), 3u);
        EXPECT_EQ(ui.Titles(), (std::vector<std::string>{"T_ATTENZIONE", "Velmo-Errore", "T_ERRORE"}));
        EXPECT_TRUE(ui.boxes[0].titleIsKey);
        EXPECT_FALSE(ui.boxes[1].titleIsKey);
        EXPECT_EQ(ui.answers, (std::vector<int>{IDYES, IDOK, IDRETRY}));

        Ui().SetPaneText(312, "READY");
        Ui().SetPaneText(312, "RUN");
        EXPECT_EQ(ui.panes[312], "RUN");
        EXPECT_EQ(ui.paneLog.size(), 2u);
        {
            WaitCursor busy;
            WaitCursor nested;
            EXPECT_EQ(ui.waitDepth, 2);
        }
        EXPECT_EQ(ui.waitDepth, 0);
    }
    EXPECT_EQ(&Ui(), before);

    RecordingWindow w;
    IWindow& target = w;
    target.Post(UM_CNC_CMD_RESULT, -1, 0);
    EXPECT_EQ(w.posted, (std::vector<PostedMessage>{{UM_CNC_CMD_RESULT, -1, 0}}));
}
