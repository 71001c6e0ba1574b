// Decisions of the bar selection and bar confirmation: step and repetition input, find, the
// bar-loading list, the automatic next bar, next-bar lengths, program codes and the time log.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/job_logic.h"
#include "machine/barlist.h"
#include "machine/error_text.h"
#include "platform/paths.h"

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

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class TempDir : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/brelon_selconf_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

} // namespace

TEST(SelConfStep, BoxLinesByConfiguredStep) {
    using V = std::vector<std::string>;
    EXPECT_EQ(app::StepBoxEntries(0, "All"), (V{"1", "All"}));
    EXPECT_EQ(app::StepBoxEntries(1, "All"), (V{"All", "1"}));
    EXPECT_EQ(app::StepBoxEntries(5, "All"), (V{"All", "1", "5"}));
}

TEST(SelConfStep, StepTextAndRepetitionsToRun) {
    int step = -5;
    ASSERT_TRUE(app::ParseStepText("All", "All", &step));
    EXPECT_EQ(step, 0);
    EXPECT_EQ(app::RepetitionsToRun(step, 7), 7);
    ASSERT_TRUE(app::ParseStepText("3", "All", &step));
    EXPECT_EQ(app::RepetitionsToRun(step, 7), 3);
    ASSERT_TRUE(app::ParseStepText("12", "All", &step));
    EXPECT_EQ(app::RepetitionsToRun(step, 7), 7);
    ASSERT_TRUE(app::ParseStepText("4\r\n", "All", &step));
    EXPECT_EQ(step, 4);
    for (const char* bad : {"0", "-1", "3a", "", "all", " ", "3 4", "40000", "99999999999999999999"})
        EXPECT_FALSE(app::ParseStepText(bad, "All", &step)) << bad;
    EXPECT_EQ(app::RepetitionsToRun(2, 0), 0);
    EXPECT_EQ(app::RepetitionsToRun(2, -3), 0); // never a negative count
}

TEST(SelConfStep, TypedRepetitionsStayInTheirRange) {
    uint16_t n = 9;
    ASSERT_TRUE(app::ParseRepetitionsText("0", &n));
    EXPECT_EQ(n, 0);
    ASSERT_TRUE(app::ParseRepetitionsText("32767\n", &n));
    EXPECT_EQ(n, 32767);
    for (const char* bad : {"32768", "65535", "70000", "-1", "", "1e3", "12x"}) {
        n = 9;
        EXPECT_FALSE(app::ParseRepetitionsText(bad, &n)) << bad;
        EXPECT_EQ(n, 9);
    }
}

TEST(SelConfFind, AsteriskMatchesByPrefixElseWholeNameInAnyCase) {
    const std::vector<std::string> names = {"ABC", "AB", "XAB", "ABD", "abx", "B"};
    app::FindQuery q = app::PrepareFindText("ab*");
    EXPECT_EQ(q.text, "AB");
    EXPECT_TRUE(q.contains);
    // abx begins with "ab" ignoring case but does not contain "AB": containment is exact.
    EXPECT_EQ(app::FindMatchingRows(names, q), (std::vector<int>{0, 1, 3}));
    q = app::PrepareFindText("ab");
    EXPECT_FALSE(q.contains);
    EXPECT_EQ(app::FindMatchingRows(names, q), (std::vector<int>{1}));
    EXPECT_EQ(app::FindMatchingRows({"ab", "AB"}, q), (std::vector<int>{0, 1}));
}

TEST(SelConfFind, TextIsCleanedBeforeTheSearch) {
    EXPECT_EQ(app::PrepareFindText("  a_b *\t").text, "A B");
    EXPECT_TRUE(app::PrepareFindText("  a_b *\t").contains);
    EXPECT_EQ(app::PrepareFindText("007").text, "7");
    EXPECT_EQ(app::PrepareFindText("000").text, "0");
    EXPECT_EQ(app::PrepareFindText("0A1").text, "0A1");
    // At most 19 characters are taken: the final star of a longer text is lost.
    const app::FindQuery longText = app::PrepareFindText(std::string(19, 'A') + "*");
    EXPECT_FALSE(longText.contains);
    EXPECT_EQ(longText.text.size(), 19u);
    const std::vector<std::string> names = {"A1", "B2"};
    EXPECT_EQ(app::FindMatchingRows(names, app::PrepareFindText("*")), (std::vector<int>{0, 1}));
    EXPECT_TRUE(app::FindMatchingRows(names, app::PrepareFindText("")).empty());
    EXPECT_TRUE(app::FindMatchingRows(names, app::PrepareFindText("C")).empty());
}

TEST_F(TempDir, LoadingListOneLinePerRepetitionOfOneProfile) {
    BarList list;
    list.Bars().push_back(MakeBar("ALU60", "A6010", "RAL9010", 6500500, 3));
    list.Bars().push_back(MakeBar("alu60", "a6010", "ral9010", 6000000, 2));
    list.Bars().push_back(MakeBar("OTHER", "X", "Y", 1000, 4)); // not selected
    list.selectedCount = 2;
    const std::string path = (dir_ / "L.NV1").string();
    ASSERT_EQ(app::WriteLoadingList(list, path, 1), app::kLoadingWritten);
    EXPECT_EQ(ReadAll(path), "A6010;6500.5;1\r\nA6010;6500.5;1\r\nA6010;6500.5;1\r\n"
                             "a6010;6000;1\r\na6010;6000;1\r\n");

    EXPECT_EQ(app::WriteLoadingList(list, path, 0), app::kLoadingDisabled);
    list.selectedCount = 0;
    EXPECT_EQ(app::WriteLoadingList(list, path, 1), app::kLoadingNoBars);
    list.selectedCount = 2;
    EXPECT_EQ(app::WriteLoadingList(list, (dir_ / "missing" / "L.NV1").string(), 1), app::kLoadingCannotCreate);
}

TEST_F(TempDir, LoadingListOfDifferentProfilesLeavesNoFile) {
    const std::string path = (dir_ / "L.NV1").string();
    std::ofstream(path) << "an older list\r\n";
    for (int differing = 0; differing < 3; ++differing) {
        BarList list;
        list.Bars().push_back(MakeBar("ALU60", "A6010", "RAL9010", 6500000, 3));
        auto other = MakeBar("ALU60", "A6010", "RAL9010", 6500000, 2);
        if (differing == 0) std::snprintf(other->series, sizeof other->series, "ALU72");
        if (differing == 1) std::snprintf(other->code, sizeof other->code, "A6011");
        if (differing == 2) std::snprintf(other->displayLabel, sizeof other->displayLabel, "GREY");
        list.Bars().push_back(std::move(other));
        list.selectedCount = 2;
        EXPECT_EQ(app::WriteLoadingList(list, path, 1), app::kLoadingDifferentProfiles) << differing;
        EXPECT_FALSE(fs::exists(path));
    }
}

TEST(SelConfLoading, PathFromTheConfiguredFolder) {
    EXPECT_EQ(app::LoadingListPath("", "/p/", "PORTE"), "/p/CONF\\PORTE.NV1");
    EXPECT_EQ(app::LoadingListPath("C:\\LOAD", "/p/", "PORTE"), "C:\\LOAD\\PORTE.NV1");
    EXPECT_EQ(app::LoadingListPath("C:\\LOAD\\", "/p/", "PORTE"), "C:\\LOAD\\PORTE.NV1");
}

TEST(SelConfAutoNext, DecisionTable) {
    const app::BarIdentity a{"ALU60", "A6010", "RAL9010", 6500000};
    const app::BarIdentity sameOtherCase{"alu60", "a6010", "ral9010", 6500000};
    const app::BarIdentity otherLength{"ALU60", "A6010", "RAL9010", 6400000};
    const app::BarIdentity otherColour{"ALU60", "A6010", "GREY", 6500000};
    app::AutoNextInputs in;
    in.result = 1;
    in.typeExec = 1;
    in.tipoCaric = 1;
    in.stepRip = 0;
    EXPECT_TRUE(app::AutoNextBar(in, sameOtherCase, a));
    EXPECT_FALSE(app::AutoNextBar(in, otherLength, a));
    EXPECT_FALSE(app::AutoNextBar(in, otherColour, a));
    in.typeExec = 2;
    EXPECT_TRUE(app::AutoNextBar(in, otherLength, a)); // always
    auto refused = [&](auto change) {
        app::AutoNextInputs x = in;
        change(x);
        return !app::AutoNextBar(x, a, a);
    };
    EXPECT_TRUE(refused([](app::AutoNextInputs& x) { x.result = 2; }));  // aborted run
    EXPECT_TRUE(refused([](app::AutoNextInputs& x) { x.flags = 1; }));   // set-up differs
    EXPECT_TRUE(refused([](app::AutoNextInputs& x) { x.flags = 5; }));
    EXPECT_TRUE(refused([](app::AutoNextInputs& x) { x.typeExec = 0; }));
    EXPECT_TRUE(refused([](app::AutoNextInputs& x) { x.tipoCaric = 0; }));
    EXPECT_TRUE(refused([](app::AutoNextInputs& x) { x.tipoCaric = 2; }));
    EXPECT_TRUE(refused([](app::AutoNextInputs& x) { x.stepRip = 1; }));
    EXPECT_FALSE(refused([](app::AutoNextInputs& x) { x.flags = 4; })); // outputs-deleted bit only
}

TEST(SelConfNextBar, LengthsOfTheFollowingBars) {
    int32_t l1 = -1, l2 = -1;
    app::NextBarLengths(1, 1, 6000, 5000, &l1, &l2);
    EXPECT_EQ(l1, 5000);
    EXPECT_EQ(l2, 0);
    app::NextBarLengths(1, 1, 6000, 0, &l1, &l2); // the last bar
    EXPECT_EQ(l1, 0);
    app::NextBarLengths(1, 3, 6000, 5000, &l1, &l2);
    EXPECT_EQ(l1, 6000);
    EXPECT_EQ(l2, 5000);
    app::NextBarLengths(0, 3, 6000, 5000, &l1, &l2);
    EXPECT_EQ(l1, 0);
    EXPECT_EQ(l2, 0);
}

TEST(SelConfIsoCode, OfficeCodeAndOnlineCodesInRangeAndNew) {
    EXPECT_EQ(app::DrawIsoCode(0, 9999, [] { return 5; }), 9999);
    // Draws: 0, the previous code, a value beyond 16 bits, then a fresh one.
    std::vector<int> draws = {0, 1234, 0x12345678, 77};
    std::size_t i = 0;
    const int32_t code = app::DrawIsoCode(1, 1234, [&] { return draws[i++ % draws.size()]; });
    EXPECT_GE(code, 1);
    EXPECT_LE(code, 32767);
    EXPECT_NE(code, 1234);
    // A generator stuck on the previous code still gives a different one.
    EXPECT_EQ(app::DrawIsoCode(1, 42, [] { return 42; }), 43);
    EXPECT_EQ(app::DrawIsoCode(1, 32767, [] { return 32767; }), 1);
    for (int k = 0; k < 200; ++k) {
        const int32_t c = app::DrawIsoCode(1, k, [k] { return k * 7919 + 3; });
        EXPECT_TRUE(c >= 1 && c <= 32767 && c != k) << k;
    }
}

TEST(SelConfShown, ToolAndCutTypeTexts) {
    EXPECT_EQ(app::ToolCellText("F6", 2), "{F6}");
    EXPECT_EQ(app::ToolCellText("F6", 1), "(F6)");
    EXPECT_EQ(app::ToolCellText("F6", 0), "F6");
    BarRecord bar;
    EXPECT_EQ(app::CutTypeText(bar, 0), "     ");
    bar.pieceCount = 2;
    bar.TIPO_TAGLIO = 1;
    EXPECT_EQ(app::CutTypeText(bar, 1), "INT");
    EXPECT_EQ(app::CutTypeText(bar, 0), "INT-1");
    bar.TIPO_TAGLIO = 2;
    EXPECT_EQ(app::CutTypeText(bar, 1), "EXT");
    EXPECT_EQ(app::CutTypeText(bar, 2), "EXT-2");
}

TEST(SelConfTimeLog, LineSeconds) {
    EXPECT_EQ(app::TimeLogLineSeconds("          ALU60          A6010         PORTA1        12' 35\""), 12 * 60 + 35);
    // A single-digit seconds field right after the apostrophe and a blank adds no seconds.
    EXPECT_EQ(app::TimeLogLineSeconds("  12' 5\""), 12 * 60);
    EXPECT_EQ(app::TimeLogLineSeconds("     3'"), 180);      // minutes only
    EXPECT_EQ(app::TimeLogLineSeconds("         42\""), 0);   // no apostrophe: nothing
    EXPECT_EQ(app::TimeLogLineSeconds("          Serie           Code           Name      Exec Time"), 0);
    // Marks at the very start of the line: nothing is read before it.
    EXPECT_EQ(app::TimeLogLineSeconds("'\""), 0);
    EXPECT_EQ(app::TimeLogLineSeconds("5'"), 300);
    EXPECT_EQ(app::TimeLogLineSeconds(""), 0);
}

TEST(SelConfTimeLog, TotalTexts) {
    EXPECT_EQ(app::ElapsedText(0), "0\"");
    EXPECT_EQ(app::ElapsedText(59), "59\"");
    EXPECT_EQ(app::ElapsedText(60), "1'");
    EXPECT_EQ(app::ElapsedText(61), "1' 1\"");
    EXPECT_EQ(app::ElapsedText(3725), "62' 5\"");
    EXPECT_EQ(app::TimeLogTotalText(true, 0.0, ""), "0");
    EXPECT_EQ(app::TimeLogTotalText(true, 2.5, ""), "2' 30\"");
    EXPECT_EQ(app::TimeLogTotalText(true, 0.5, ""), "30\"");
    EXPECT_EQ(app::TimeLogTotalText(true, 0.001, ""), "0\"");
    const std::string log = "======================= Time Log File ======================\r\n"
                            "          Serie           Code           Name      Exec Time\r\n"
                            "          ALU60          A6010         PORTA1         2' 30\"\r\n"
                            "          ALU60          A6010         PORTA2             3'\r\n"
                            "          ALU60          A6010         PORTA3            45\"";
    EXPECT_EQ(app::TimeLogTotalText(false, 99.0, log), "5' 30\""); // 45" has no apostrophe
    EXPECT_EQ(app::TimeLogTotalText(false, 99.0, ""), "0\"");
}

// What is appended to a list's time log at the end of the list: the total of its lines, read
// whatever the log's size; nothing when the log cannot be read (the total would be wrong).
TEST_F(TempDir, TimeLogTotalAppendedAfterTheLines) {
    const std::string line = "          ALU60          A6010         PORTA1        12' 35\"\r\n"; // 755 s
    const std::size_t longLines = (plat::kTextFileBound + (1u << 20)) / line.size(); // beyond the text bound
    std::string longLog;
    for (std::size_t i = 0; i < longLines; ++i) longLog += line;
    const std::string head = std::string(60, '=') + "\r\n\r\nTotal Elapsed Time: ";
    struct Row {
        const char* name;
        std::string log; // before; empty: no file
        bool fresh;
        double minutes;
        int readFault; // errno of every read of the log, 0 none
        app::TimeLogTotalResult result;
        std::string total; // appended total ("" none)
    } rows[] = {
        {"summed", "head\r\n         A         B         C          1' 10\"\r\n", false, 0.0, 0,
         app::TimeLogTotalResult::Written, "1' 10\""},
        {"fresh from the list time", "", true, 3.0, 0, app::TimeLogTotalResult::Written, "3'"},
        {"missing log totals nothing", "", false, 3.0, 0, app::TimeLogTotalResult::Written, "0\""},
        {"beyond the text bound", longLog, false, 0.0, 0, app::TimeLogTotalResult::Written,
         app::ElapsedText(static_cast<int64_t>(longLines) * 755)},
        {"unreadable log", line, false, 0.0, EIO, app::TimeLogTotalResult::NotRead, ""},
    };
    static int fault = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const fs::path log = dir_ / "L.tmx";
        fs::remove(log);
        if (!row.log.empty()) std::ofstream(log, std::ios::binary) << row.log;
        fault = row.readFault;
        plat::SetFileFaultForTests([](const char*, plat::FileOp op) { return op == plat::FileOp::Read ? fault : 0; });
        const app::TimeLogTotalResult result = app::AppendTimeLogTotal(log.string(), row.fresh, row.minutes);
        plat::SetFileFaultForTests(nullptr);
        EXPECT_EQ(result, row.result);
        const std::string after = ReadAll(log);
        if (row.total.empty()) {
            EXPECT_EQ(after.size(), row.log.size()) << "nothing appended";
            EXPECT_NE(std::string(g_errorText).find("L.tmx"), std::string::npos) << g_errorText;
        } else {
            EXPECT_EQ(after.substr(std::min(after.size(), row.log.size())), head + row.total + "\r\n");
        }
    }
    EXPECT_EQ(app::AppendTimeLogTotal((dir_ / "none" / "X.tmx").string(), true, 1.0),
              app::TimeLogTotalResult::NotOpened);
}
