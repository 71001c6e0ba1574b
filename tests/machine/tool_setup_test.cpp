// Tool-setup optimiser of the bar selection: selection, the three optimisation modes, the
// decentred-ralla checks and the "OUTPUT.BAR" report.
#include <initializer_list>
#include <stdexcept>

#include "barlist_fixture.h"
#include "platform/text.h"

#ifndef BRELON_SOURCE_DIR
#define BRELON_SOURCE_DIR "."
#endif

namespace barlist_test {
namespace {

// Tool indices of the fixture's tool table.
constexpr int32_t A = 1; // PUNTA5
constexpr int32_t B = 2; // PUNTA8
constexpr int32_t C = 3; // FRESA8
constexpr int32_t D = 4; // FRESA6
constexpr int32_t E = 5; // PUNTA10
constexpr int32_t F = 6; // FRESA10

class ToolSetupTest : public BarListTest {
protected:
    void SetUp() override {
        BarListTest::SetUp();
        WriteText("TOOLS.TXT", std::string(kDemoTools) +
                                   "* PUNTA10 1 10 \r\n2000 1 2\r\n10 0 0 0 10 0\r\n50 0 0 10 70 0\r\n\r\n"
                                   "* FRESA10 0 20 \r\n12000 5 3\r\n10 0 0 0 10 0\r\n30 0 0 10 60 0\r\n\r\n");
        ASSERT_EQ(tools_->LoadTools(), 0) << g_errorText;
        ASSERT_EQ(tools_->FindTool("FRESA10"), F);
        settings_->TYPE_OTTIM = 0;
    }

    // A bar of the hand-made list; `index` is its bar number.
    BarRecord& AddBar(int32_t index, std::initializer_list<int32_t> tools, const char* series = "S1",
                      const char* code = "C1", float ap = 0, int32_t config = 1) {
        auto bar = std::make_unique<BarRecord>();
        bar->index = index;
        std::snprintf(bar->series, sizeof bar->series, "%s", series);
        std::snprintf(bar->code, sizeof bar->code, "%s", code);
        std::snprintf(bar->displayCode, sizeof bar->displayCode, "%s", code);
        bar->realValue = ap;
        bar->configNumber = config;
        bar->repetitionsLeft = 1;
        int q = 0;
        for (int32_t t : tools) bar->requiredTools[q++] = t;
        list_.Bars().push_back(std::move(bar));
        return *list_.Bars().back();
    }
    void Install(std::initializer_list<int32_t> tools, int32_t config = 1) {
        std::fill(std::begin(tools_->positionTools), std::end(tools_->positionTools), 0);
        int p = 0;
        for (int32_t t : tools) tools_->positionTools[p++] = t;
        tools_->configNumber = config;
    }
    void SelectAll() {
        list_.MarkBarSelected(-1);
        list_.CollectSelectedBars();
    }
    std::vector<int32_t> Order() const {
        std::vector<int32_t> out;
        for (int i = 0; i < list_.selectedCount; ++i) out.push_back(list_.Bar(i)->index);
        return out;
    }
    // Set-up and use marks of bar number `index` (first n positions).
    std::vector<int32_t> Chosen(int32_t index, int n = 4) const {
        const BarRecord& b = ByNumber(index);
        return std::vector<int32_t>(b.chosenTools, b.chosenTools + n);
    }
    std::vector<int> Marks(int32_t index) const {
        const BarRecord& b = ByNumber(index);
        return std::vector<int>(b.chosenMarks, b.chosenMarks + 4);
    }
    const BarRecord& ByNumber(int32_t index) const {
        for (int i = 0; i < list_.BarCount(); ++i)
            if (list_.Bar(i)->index == index) return *list_.Bar(i);
        throw std::runtime_error("no bar " + std::to_string(index));
    }
    void Optimise(int mode) {
        settings_->TYPE_OTTIM = mode;
        SelectAll();
        ASSERT_EQ(list_.OptimizeToolSetup(), 0) << g_errorText;
    }
    std::string Golden(const char* name) {
        std::ifstream in(std::string(BRELON_SOURCE_DIR) + "/tests/fixtures/machine/" + name, std::ios::binary);
        EXPECT_TRUE(in.good()) << name;
        return plat::WithCrLf(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    }

    BarList list_;
};

using V = std::vector<int32_t>;
using M = std::vector<int>;

TEST_F(ToolSetupTest, SelectionPutsMarkedBarsFirstInNumberOrder) {
    AddBar(3, {});
    AddBar(1, {});
    AddBar(4, {});
    AddBar(2, {});
    list_.MarkBarSelected(2); // bar 4
    list_.MarkBarSelected(0); // bar 3
    list_.MarkBarSelected(9); // out of range: ignored
    list_.CollectSelectedBars();
    EXPECT_EQ(list_.selectedCount, 2);
    V all;
    for (int i = 0; i < list_.BarCount(); ++i) {
        all.push_back(list_.Bar(i)->index);
        EXPECT_EQ(list_.Bar(i)->selectionMark, 0);
    }
    EXPECT_EQ(all, (V{3, 4, 1, 2}));
    // Every bar at once: a bar whose repetitions are all done stays out.
    list_.Bar(1)->repetitionsLeft = 0;
    SelectAll();
    EXPECT_EQ(Order(), (V{1, 2, 3}));
}

TEST_F(ToolSetupTest, NoSelectionWritesTheHeadingsOnly) {
    Install({B, 0, A, 0});
    AddBar(1, {C});
    list_.CollectSelectedBars();
    ASSERT_EQ(list_.OptimizeToolSetup(), 0) << g_errorText;
    EXPECT_EQ(ReadText("OUTPUT.BAR"),
              plat::WithCrLf("CARATTERISTICHE BARRE\n\n\nTipo ottim: 0\nConf uten:  1\n"
                             "Uten. iniz: PUNTA8  0  PUNTA5  0\n\n"
                             "\n Id Conf     Serie    Codice     z_min     z_max     y_min     y_max      Lung      Ap"
                             "     Utensili\n\n\n\n RISULTATO OTTIMIZZAZIONE:\n\n"));
    EXPECT_EQ(Chosen(1), (V{0, 0, 0, 0}));
}

TEST_F(ToolSetupTest, MountedToolsKeepTheSetupInEveryMode) {
    for (int mode : {0, 1, 2}) {
        SCOPED_TRACE(mode);
        list_.Bars().clear();
        Install({A, C, 0, B});
        AddBar(2, {C, A});
        AddBar(1, {B}, "S2");
        AddBar(3, {});
        Optimise(mode);
        for (int n = 1; n <= 3; ++n) EXPECT_EQ(Chosen(n), (V{A, C, 0, B}));
        EXPECT_EQ(Marks(2), (M{1, 1, 0, 0}));
        EXPECT_EQ(Marks(1), (M{0, 0, 0, 1}));
        EXPECT_EQ(Marks(3), (M{0, 0, 0, 0}));
    }
}

TEST_F(ToolSetupTest, ToolOnTwoPositionsIsMarkedTwoOnBoth) {
    Install({A, 0, A, 0});
    AddBar(1, {A});
    AddBar(2, {B, B}); // listed twice: mounted twice
    Optimise(0);
    EXPECT_EQ(Marks(1), (M{2, 0, 2, 0}));
    EXPECT_EQ(Chosen(2), (V{A, B, A, B}));
    EXPECT_EQ(Marks(2), (M{0, 2, 0, 2}));
}

TEST_F(ToolSetupTest, ModeZeroRunsBarsInNumberOrderChangingToolsAsNeeded) {
    AddBar(3, {A, E});
    AddBar(1, {A, B});
    AddBar(4, {F, C});
    AddBar(2, {C, D});
    Optimise(0);
    EXPECT_EQ(Order(), (V{1, 2, 3, 4}));
    EXPECT_EQ(Chosen(1), (V{A, B, 0, 0})); // empty positions first
    EXPECT_EQ(Chosen(2), (V{A, B, C, D}));
    EXPECT_EQ(Chosen(3), (V{A, E, C, D})); // B was the first tool bar 3 does not use
    EXPECT_EQ(Marks(3), (M{1, 1, 0, 0}));
    EXPECT_EQ(Chosen(4), (V{F, E, C, D})); // then A
    EXPECT_EQ(tools_->positionTools[0], 0); // the installed set-up is not touched
}

TEST_F(ToolSetupTest, ModeOneRunsReadyBarsFirstByProfile) {
    Install({A, B});
    AddBar(1, {C}, "S2");
    AddBar(2, {A}, "S2");
    AddBar(3, {A, B}, "S1");
    AddBar(4, {D, A}, "S1");
    Optimise(1);
    EXPECT_EQ(Order(), (V{3, 2, 4, 1}));
    EXPECT_EQ(Chosen(2), (V{A, B, 0, 0}));
    EXPECT_EQ(Chosen(4), (V{A, B, D, 0}));
    EXPECT_EQ(Chosen(1), (V{A, B, D, C}));

    // Bars of the installed configuration number form the first group.
    list_.Bars().clear();
    Install({}, 0);
    AddBar(1, {A}, "S1", "C1", 0, 1);
    AddBar(2, {B}, "S1", "C1", 0, 0);
    AddBar(3, {A}, "S1", "C1", 0, 1);
    AddBar(4, {B}, "S1", "C1", 0, 0);
    Optimise(1);
    EXPECT_EQ(Order(), (V{2, 4, 1, 3}));
    EXPECT_EQ(Chosen(1), (V{B, A, 0, 0}));
}

TEST_F(ToolSetupTest, ModeTwoGroupsByProfileThenAp) {
    AddBar(1, {A}, "S1", "C1", 0);
    AddBar(2, {B}, "S2", "C2", 0);
    AddBar(3, {C}, "S1", "C1", 90.5f);
    AddBar(4, {A, D}, "S1", "C1", 0.9f); // Ap 0 like bar 1
    Optimise(2);
    // Bar 4 starts (most tools to mount); bar 1 shares its profile and Ap, bar 3 only its
    // profile; bar 2, alone in its profile, forms the last group.
    EXPECT_EQ(Order(), (V{1, 4, 3, 2}));
    EXPECT_EQ(Chosen(1), (V{A, D, 0, 0}));
    EXPECT_EQ(Chosen(3), (V{A, D, C, 0}));
    EXPECT_EQ(Chosen(2), (V{A, D, C, B}));
    EXPECT_EQ(ByNumber(2).groupMark, 2);
}

TEST_F(ToolSetupTest, ExtraPositionsOnlyWhenEnabled) {
    ApplyMachineVariant(1);
    g_extraPositionOn[0] = g_extraPositionOn[2] = 1; // T5, T7
    tools_->positionTools[5] = A;                    // T6 is disabled: its tool does not count
    AddBar(1, {A, B, C, D, E, F});
    Optimise(0);
    EXPECT_EQ(Chosen(1, 8), (V{A, B, C, D, E, 0, F, 0}));
    // A missing tool listed beyond T4 while the one enabled extra position holds one of the
    // bar's own tools still gets the free standard position.
    g_extraPositionOn[2] = 0;
    Install({A, 0, 0, 0, D});
    list_.Bars().clear();
    AddBar(1, {A, B, C, D, E});
    Optimise(2);
    EXPECT_EQ(Chosen(1, 8), (V{A, B, C, E, D, 0, 0, 0}));
    // A tool the bar lists on an extra position reserves a free enabled extra position and is
    // mounted there, leaving the standard positions to the other tools.
    Install({});
    list_.Bars().clear();
    AddBar(1, {A, 0, 0, 0, E});
    Optimise(0);
    EXPECT_EQ(Chosen(1, 8), (V{A, 0, 0, 0, E, 0, 0, 0}));
}

TEST_F(ToolSetupTest, MoreToolsThanUsablePositionsNeverHangs) {
    ApplyMachineVariant(1); // no extra position enabled: four usable positions
    for (int mode : {0, 1, 2}) {
        SCOPED_TRACE(mode);
        list_.Bars().clear();
        Install({});
        AddBar(1, {A, B, C, D, E});
        AddBar(2, {F});
        Optimise(mode);
        EXPECT_EQ(Chosen(1, 8), (V{A, B, C, D, 0, 0, 0, 0}));
        EXPECT_EQ(ByNumber(2).chosenTools[0], F);
    }
}

TEST_F(ToolSetupTest, DecentredRallaChecksTheInstalledSetup) {
    g_decentredRalla = 1;
    AddBar(2, {A});
    AddBar(1, {C, A});
    const char* d1 = "D1:Attrezzaggio iniziale errato!";
    // D1: T1 with T2, T4 or its twin on T3; T2 with T3 or its twin on T4; T3 with T4.
    for (const V& refused : {V{A, B, 0, 0}, V{A, 0, A, 0}, V{A, 0, 0, B}, V{0, A, 0, A}, V{0, A, B, 0},
                             V{0, 0, A, B}}) {
        Install({refused[0], refused[1], refused[2], refused[3]});
        SelectAll();
        EXPECT_EQ(list_.OptimizeToolSetup(), 1);
        EXPECT_STREQ(g_errorText, d1);
        EXPECT_EQ(Chosen(1), (V{0, 0, 0, 0}));
    }
    for (const V& accepted : {V{C, 0, A, 0}, V{0, C, 0, A}, V{0, 0, C, 0}}) {
        Install({accepted[0], accepted[1], accepted[2], accepted[3]});
        ClearErrorText();
        SelectAll();
        list_.OptimizeToolSetup();
        EXPECT_STRNE(g_errorText, d1);
    }
    // Accepted and every bar runnable: bars in number order, no tool moved.
    Install({A, 0, C, 0});
    Optimise(2);
    EXPECT_EQ(Order(), (V{1, 2}));
    EXPECT_EQ(Chosen(1), (V{A, 0, C, 0}));
    EXPECT_EQ(Marks(2), (M{1, 0, 0, 0}));
    // D2: bar 1 needs C, which is not mounted; nothing is stored in any bar.
    Install({A, 0, 0, 0});
    for (auto& bar : list_.Bars()) std::fill(std::begin(bar->chosenTools), std::end(bar->chosenTools), 0);
    SelectAll();
    ASSERT_EQ(list_.OptimizeToolSetup(), 1);
    EXPECT_STREQ(g_errorText, "D2:Barre non eseguibili con l'attrezzaggio installato!");
    EXPECT_EQ(Chosen(2), (V{0, 0, 0, 0}));
}

// Two bars of a real list against the golden reports of the four- and eight-position ralla.
TEST_F(ToolSetupTest, ReportMatchesTheGoldenFiles) {
    for (int variant : {0, 1}) {
        SCOPED_TRACE(variant);
        ApplyMachineVariant(variant);
        g_extraPositionOn[1] = variant; // T6
        settings_->TYPE_OTTIM = 2;
        ldatest::ListSpec spec = SmallList();
        spec.bars[0].realValue = 90.75f;
        spec.bars[1].realValue = -45.5f;
        auto list = Load(spec);
        ASSERT_TRUE(list->IsLoaded()) << g_errorText;
        Install({B, D, C, 0, 0, D});
        list->MarkBarSelected(-1);
        list->CollectSelectedBars();
        ASSERT_EQ(list->OptimizeToolSetup(), 0) << g_errorText;
        EXPECT_EQ(ReadText("OUTPUT.BAR"), Golden(variant == 0 ? "output_bar_v0.txt" : "output_bar_v1.txt"));
    }
}

TEST_F(ToolSetupTest, ReportThatCannotBeCreatedFailsAndKeepsTheSetups) {
    SetSlot(PathTable::kProgramDir, P("missing/"));
    AddBar(1, {A});
    SelectAll();
    EXPECT_EQ(list_.OptimizeToolSetup(), 1);
    EXPECT_EQ(std::string(g_errorText).rfind("ERR_FILE_WRITE", 0), 0u) << g_errorText;
    EXPECT_EQ(Chosen(1), (V{A, 0, 0, 0}));
}

} // namespace
} // namespace barlist_test
