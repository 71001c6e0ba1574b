// The job's record and the open list's identity: what the record keeps (owed names whole, a
// finished repetition the list does not count yet) and what the program writes into, removes
// or reads from a list the office changed while it was open (nothing).
#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "barlist_fixture.h"
#include "machine/bar_progress.h"
#include "machine/error_text.h"
#include "machine/settings_support.h"
#include "platform/paths.h"

namespace barlist_test {
namespace {

using ldatest::ListSpec;

uint16_t StoredRepetitions(const std::string& path, const BarRecord& bar) {
    return lda::GetU16(ldatest::ReadBytes(path).data() + bar.repetitionsOffset);
}

class JobRecordListTest : public BarListTest {
protected:
    void SetUp() override {
        BarListTest::SetUp();
        std::snprintf(g_barProgressPath, kBarProgressPathSize, "%s", P("STATBAR.TXT").c_str());
        g_pSettings->CHANGE_RIP = 1;
    }
    void TearDown() override {
        g_barProgressPath[0] = '\0';
        BarListTest::TearDown();
    }
public:
    // The office's other list (another first bar's repetitions), or the same list with one byte
    // more: a file of the same name that is not the list read.
    ListSpec OtherList(int repetitions) {
        ListSpec spec = SmallList();
        spec.bars[0].repetitions = repetitions;
        return spec;
    }
};

// What the office does to the open list's file.
struct OfficeChange {
    const char* name;
    std::function<void(JobRecordListTest&, const std::string&)> apply;
};

// Each change, between the opening and the program's write, removal or re-read: the program
// writes and removes nothing, and says the list changed, naming it.
TEST_F(JobRecordListTest, AListTheOfficeChangedIsNeitherWrittenNorRemoved) {
    const std::vector<OfficeChange> changes = {
        {"renamed over by a corrected list",
         [](JobRecordListTest& t, const std::string& path) {
             const std::string fresh = path + ".new";
             ldatest::WriteBytes(fresh, ldatest::BuildLda(t.OtherList(5)));
             std::filesystem::rename(fresh, path);
         }},
        {"rewritten in place, same size",
         [](JobRecordListTest& t, const std::string& path) {
             std::vector<uint8_t> bytes = ldatest::ReadBytes(path);
             bytes[lda::hdr::kDescription] ^= 0x20;
             ldatest::WriteBytes(path, bytes);
             (void)t;
         }},
        {"truncated",
         [](JobRecordListTest&, const std::string& path) {
             std::filesystem::resize_file(path, lda::kFirstBarOffset + 10);
         }},
        {"removed", [](JobRecordListTest&, const std::string& path) { std::filesystem::remove(path); }},
    };
    for (const OfficeChange& change : changes) {
        for (int step = 0; step < 3; ++step) {
            SCOPED_TRACE(std::string(change.name) + (step == 0 ? ", then a count" : step == 1 ? ", then the end" : ", then a check"));
            ListSpec spec = SmallList();
            spec.state = lda::kStateOpened;
            const std::string path = P("L.lda");
            auto list = Load(spec, "L.lda");
            ASSERT_TRUE(list->IsLoaded()) << g_errorText;
            // The program's own write is still its list.
            ASSERT_EQ(list->SetBarRepetitionsLeft(1, 1), 0) << g_errorText;
            ASSERT_TRUE(list->IsStillTheListRead());
            change.apply(*this, path);
            const bool existed = std::filesystem::exists(path);
            const std::vector<uint8_t> before = existed ? ldatest::ReadBytes(path) : std::vector<uint8_t>{};
            ClearErrorText();
            if (step == 0) {
                EXPECT_EQ(list->SetBarRepetitionsLeft(0, 0), 1);
                EXPECT_EQ(list->Bar(0)->repetitionsLeft, 0) << "the count in memory follows the machine";
            } else if (step == 1) {
                list->SetBarRepetitionsLeft(0, 0);
                list->SetBarRepetitionsLeft(1, 0);
                EXPECT_EQ(list->SortBarsByRepetitionsLeft(), 0);
                EXPECT_TRUE(list->FinishedListKept());
            } else {
                EXPECT_FALSE(list->IsStillTheListRead());
            }
            EXPECT_EQ(std::filesystem::exists(path), existed);
            if (existed) {
                EXPECT_EQ(ldatest::ReadBytes(path), before) << "nothing written into the office's file";
            }
            const std::string text = g_errorText;
            EXPECT_EQ(text.rfind(MsgError("ERR_LIST_CHANGED"), 0), 0u) << text;
            EXPECT_NE(text.find(list->ListName()), std::string::npos) << text;
            // Changed for good: even the file put back is not written.
            EXPECT_EQ(list->SetBarRepetitionsLeft(1, 0), 1);
            list.reset();
            std::filesystem::remove(path);
        }
    }
}

// The record keeps every owed name whole, whatever it holds, and reads back what it wrote.
TEST_F(JobRecordListTest, TheRecordKeepsOwedNamesWhole) {
    const std::vector<std::string> names = {
        "TRAV SUP", "A\r\nB", "back\\slash\\r", std::string(1500, 'N') + ", " + std::string(20, 'M'),
        "  blank ends  ", "=;[STATBAR]",
    };
    for (const std::string& name : names) {
        SCOPED_TRACE(name.substr(0, 30));
        ::JobRecord r;
        r.progress = true;
        r.listPath = "C:\\LDA\\L.lda";
        r.barId = 3;
        r.piecesDone = 2;
        r.owedLabels = name;
        r.owedSupervisor = name + "2";
        ASSERT_EQ(KeepJobRecord(r), 0) << g_errorText;
        EXPECT_EQ(ReadJobRecord(), r);
        // The progress keys stay readable as the progress file.
        EXPECT_EQ(ReadBarProgress(3, "C:\\LDA\\L.lda"), 2);
        // A progress write keeps the names.
        ASSERT_EQ(WriteBarProgress(3, "C:\\LDA\\L.lda", 0), 0);
        EXPECT_EQ(ReadJobRecord().owedLabels, name);
    }
}

// A repetition the record holds finished: the list's count is written at its next reading
// when it still holds the count before that repetition, and the record forgets it.
TEST_F(JobRecordListTest, AFinishedRepetitionTheListDoesNotCountIsCountedAtTheNextReading) {
    struct Case {
        const char* name;
        int inFile;    // the list's count when read again
        int after;     // the record's count once the repetition is counted
        bool sameList; // the record names this list
        int expected;  // the count the list then holds
    };
    const std::vector<Case> cases = {
        {"cut before the list's count", 3, 2, true, 2},
        {"cut after the list's count", 2, 2, true, 2},
        {"the last repetition", 1, 0, true, 0},
        {"the office changed the count", 5, 2, true, 5},
        {"another list's record", 3, 2, false, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ListSpec spec = SmallList();
        spec.state = lda::kStateOpened;
        spec.bars[0].repetitions = c.inFile;
        const std::string path = P("R.lda");
        ldatest::WriteBytes(path, ldatest::BuildLda(spec));
        ::JobRecord r;
        r.progress = true;
        r.listPath = c.sameList ? path : P("OTHER.lda");
        r.barId = 1;
        r.repetitionsAfter = c.after;
        r.owedLabels = "FRAME";
        ASSERT_EQ(KeepJobRecord(r), 0);
        BarList list(path.c_str());
        ASSERT_TRUE(list.IsLoaded()) << g_errorText;
        const BarRecord* bar = nullptr;
        for (int i = 0; i < list.BarCount(); ++i)
            if (list.Bar(i)->index == 1) bar = list.Bar(i);
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->repetitionsLeft, c.expected);
        EXPECT_EQ(StoredRepetitions(path, *bar), c.expected);
        const ::JobRecord after = ReadJobRecord();
        EXPECT_EQ(after.repetitionsAfter, c.sameList ? -1 : c.after);
        EXPECT_EQ(after.owedLabels, "FRAME") << "the owed names stay until told";
        std::filesystem::remove(path);
    }
}

} // namespace
} // namespace barlist_test
