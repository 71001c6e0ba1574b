// Tests of the message table: file format, escapes, look-ups, load failures and the
// translation of menus and dialog controls through fake widget trees.
#include "msgtable/Dictavo.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class TempDir {
public:
    TempDir() {
        std::string tmpl = (fs::temp_directory_path() / "dictavo-XXXXXX").string();
        if (::mkdtemp(tmpl.data()) == nullptr)
            throw std::runtime_error("mkdtemp");
        path_ = tmpl;
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::string Write(const std::string& name, const std::string& bytes) const {
        const fs::path p = fs::path(path_) / name;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << bytes;
        return p.string();
    }
    std::string Path(const std::string& name) const { return (fs::path(path_) / name).string(); }

private:
    std::string path_;
};

class DictavoTest : public ::testing::Test {
protected:
    // Writes the bytes as a message file and loads them into table_.
    int Load(const std::string& bytes) {
        table_ = std::make_unique<Dictavo>(dir_.Write("T.MSG", bytes).c_str());
        return table_->LoadStrings();
    }
    std::string Msg(const char* key) const { return table_->Message(key); }

    TempDir dir_;
    std::unique_ptr<Dictavo> table_;
};

// ---- Line format, line ends and escapes ------------------------------------------------

// One row per rule of a message line: the file's bytes, a key and the text it must give.
TEST_F(DictavoTest, LinesLoadByTheirRules) {
    const struct {
        const char* rule;
        std::string file;
        const char* key;
        std::string want;
    } rows[] = {
        {"blanks after the key and the text", "T_A   Some text  \r\n", "T_A", "Some text"},
        {"a tab separates; inner blanks stay", "T_B\tTabbed\t text \t\r\n", "T_B", "Tabbed\t text"},
        {"a leading blank gives the empty key", " LEADING blank\r\n", "", "LEADING blank"},
        {"keys are case-sensitive", "T_A text\r\n", "t_a", "t_a"},
        {"the first of two equal keys wins", "K first\r\nK second\r\n", "K", "first"},
        {"LF only", "A lf only\nB lf\n", "B", "lf"},
        {"CR only: the first character after it is kept", "A cr only\rB cr\r", "B", "cr"},
        {"mixed line ends", "A mixed\r\nB lf\nC cr\rD last", "C", "cr"},
        {"CR CR LF", "A one\r\r\nB two\r\n", "A", "one"},
        {"CR CR LF, the next line", "A one\r\r\nB two\r\n", "B", "two"},
        {"last line without a line end", "A first\r\nB no line end  ", "B", "no line end"},
        {"a single line without a line end", "ONLY line", "ONLY", "line"},
        {"a NUL byte cuts the text", std::string("A before\r\nB cut\0here\r\nC after\r\n", 31), "B", "cut"},
        {"nothing after a NUL byte loads", std::string("A before\r\nB cut\0here\r\nC after\r\n", 31), "C", "C"},
        {"hexadecimal escapes", "HEX A\\x41B\\xA9\\xa9\r\n", "HEX", "AAB\xA9\xA9"},
        {"an escaped NUL ends the text", "NUL cut\\x00here\r\n", "NUL", "cut"},
        {"\\n is CR LF", "NL two\\nlines\r\n", "NL", "two\r\nlines"},
        {"\\t is a tab", "TAB a\\tb\r\n", "TAB", "a\tb"},
        {"a backslash never escapes another one", "PATH C:\\pippo\\\\new\r\n", "PATH", "C:\\pippo\\\r\new"},
        {"\\x without two hexadecimal digits stays", "BADHEX \\xG1 \\x4G \\x4\r\n", "BADHEX", "\\xG1 \\x4G \\x4"},
        {"\\x at the end stays", "ENDX ends \\x\r\n", "ENDX", "ends \\x"},
        {"a backslash at the end stays", "ENDBS ends \\\r\n", "ENDBS", "ends \\"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.rule);
        ASSERT_EQ(1, Load(r.file));
        EXPECT_EQ(r.want, Msg(r.key));
    }
    ASSERT_EQ(1, Load("A mixed\r\nB lf\nC cr\rD last"));
    EXPECT_EQ(4, table_->EntryCount());
}

TEST_F(DictavoTest, LinesWithoutTextHoldNoEntry) {
    ASSERT_EQ(1, Load("\r\nONLYKEY\r\nBLANKS   \t \r\n\r\n\r\nNEXT loads\r\n\r\nLAST too\r\n"));
    EXPECT_EQ(2, table_->EntryCount());
    const char* key = "ONLYKEY";
    EXPECT_EQ(key, table_->Message(key)); // the caller's pointer comes back
    EXPECT_EQ("BLANKS", Msg("BLANKS"));
    EXPECT_EQ("loads", Msg("NEXT"));
    EXPECT_EQ("too", Msg("LAST"));
}

// ---- Look-up by number -----------------------------------------------------------------

TEST_F(DictavoTest, LookUpByNumber) {
    ASSERT_EQ(1, Load("1 one\r\n012 leading zero\r\n12 twelve\r\n"));
    EXPECT_EQ(nullptr, table_->Message(0));
    EXPECT_EQ(nullptr, table_->Message(-5));
    EXPECT_STREQ("twelve", table_->Message(12));
    EXPECT_STREQ("one", table_->Message(1));
    EXPECT_STREQ("", table_->Message(13)); // empty text, not the digits
    EXPECT_EQ(nullptr, table_->Message(static_cast<const char*>(nullptr)));
}

// ---- Load failures -------------------------------------------------------------------------

TEST_F(DictavoTest, LoadFailuresReportTheirCode) {
    Dictavo missing(dir_.Path("NOFILE.MSG").c_str());
    EXPECT_EQ(-1, missing.LoadStrings());
    const char* key = "T_ERRORE";
    EXPECT_EQ(key, missing.Message(key));
    EXPECT_STREQ("", missing.Message(3));

    fs::create_directories(dir_.Path("FOLDER.MSG"));
    Dictavo folder(dir_.Path("FOLDER.MSG").c_str());
    EXPECT_EQ(-1, folder.LoadStrings());

    EXPECT_EQ(-6, Load(""));
    EXPECT_EQ(0, table_->EntryCount());
}

// The byte-order mark tells the text's encoding: UTF-8 with its mark loads as the table's
// single-byte text, first key included; what single-byte text cannot hold is refused.
struct MarkRow {
    const char* what;
    std::string bytes;
    int result;
    const char* text; // of the first key, "T_ERRORE", when loaded
};

TEST_F(DictavoTest, ByteOrderMarkIsReadAndWhatTheTableCannotHoldIsRefused) {
    const std::string bom = "\xEF\xBB\xBF";
    const MarkRow rows[] = {
        {"UTF-8 with its mark", bom + "T_ERRORE Errore\r\nB_OK OK\r\n", 1, "Errore"},
        {"UTF-8 accents become single bytes", bom + "T_ERRORE Qualit\xC3\xA0\r\n", 1, "Qualit\xE0"},
        {"no mark: single-byte text as it is", "T_ERRORE Qualit\xE0\r\n", 1, "Qualit\xE0"},
        {"UTF-8 with a character single-byte text lacks", bom + "T_ERRORE \xCE\xA9\r\n", -7, nullptr},
        {"UTF-8 mark and a broken sequence", bom + "T_ERRORE \xC3\r\n", -7, nullptr},
        {"UTF-16 little-endian with its mark", std::string("\xFF\xFET\0_\0E\0 \0x\0\r\0\n\0", 16), -7, nullptr},
        {"UTF-16 big-endian with its mark", std::string("\xFE\xFF\0T\0_\0E\0 \0x\0\r\0\n", 16), -7, nullptr},
        {"UTF-16 without a mark", std::string("T\0_\0E\0 \0x\0\r\0\n\0", 14), -7, nullptr},
        {"the mark alone", bom, -6, nullptr},
    };
    for (const MarkRow& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(Load(r.bytes), r.result);
        if (r.text != nullptr) EXPECT_EQ(Msg("T_ERRORE"), r.text);
        else EXPECT_EQ(table_->EntryCount(), 0);
    }
}

TEST_F(DictavoTest, FailedLoadKeepsTheTable) {
    const std::string path = dir_.Write("KEEP.MSG", "K kept\r\n");
    Dictavo table(path.c_str());
    ASSERT_EQ(1, table.LoadStrings());
    fs::remove(path);
    EXPECT_EQ(-1, table.LoadStrings());
    EXPECT_STREQ("kept", table.Message("K"));
    dir_.Write("KEEP.MSG", "");
    EXPECT_EQ(-6, table.LoadStrings());
    EXPECT_STREQ("kept", table.Message("K"));
}

TEST_F(DictavoTest, WindowsPathWithOtherCaseOpens) {
    dir_.Write("MSG/STRING.MSG", "T_ERRORE Error\r\n");
    const std::string path = dir_.Path("") + "msg\\String.Msg";
    Dictavo table(path.c_str());
    ASSERT_EQ(1, table.LoadStrings());
    EXPECT_STREQ("Error", table.Message("T_ERRORE"));
}

TEST_F(DictavoTest, LongPathIsCutTo254Characters) {
    const std::string longPath(400, 'a');
    Dictavo table(longPath.c_str());
    EXPECT_EQ(254u, std::string(table.Path()).size());
    EXPECT_EQ(-1, table.LoadStrings());
    Dictavo none(nullptr);
    EXPECT_EQ(-1, none.LoadStrings());
}

// ---- Translation through fake widget trees -----------------------------------------------

struct FakeMenu : DictavoMenu {
    struct Item {
        std::string text;
        FakeMenu* sub = nullptr;
        bool enabled = true;
        bool checked = false;
        int replaced = 0;
    };
    std::vector<Item> items;

    static Item I(std::string text, FakeMenu* sub = nullptr, bool enabled = true,
                  bool checked = false) {
        Item it;
        it.text = std::move(text);
        it.sub = sub;
        it.enabled = enabled;
        it.checked = checked;
        return it;
    }

    int ItemCount() const override { return static_cast<int>(items.size()); }
    std::string ItemText(int pos) const override { return items.at(pos).text; }
    DictavoMenu* SubMenu(int pos) override { return items.at(pos).sub; }
    void ReplaceItem(int pos, const char* text) override {
        Item& it = items.at(pos);
        it.text = text;
        it.enabled = true;
        it.checked = false;
        ++it.replaced;
    }
};

struct FakeWindow : DictavoWindow {
    std::string cls;
    std::string text;
    FakeMenu* menu = nullptr;
    std::vector<FakeWindow*> children;
    int sets = 0;

    FakeWindow(std::string c, std::string t) : cls(std::move(c)), text(std::move(t)) {}
    DictavoMenu* MenuBar() override { return menu; }
    int ChildCount() const override { return static_cast<int>(children.size()); }
    DictavoWindow* Child(int i) override { return children.at(i); }
    std::string ClassName() const override { return cls; }
    std::string Text() const override { return text; }
    void SetText(const char* t) override {
        text = t;
        ++sets;
    }
};

TEST_F(DictavoTest, MenuTranslation) {
    const std::string long60 = "M_" + std::string(58, 'L');
    ASSERT_EQ(1, Load("M_FILE File\r\nM_OPEN Open\r\nM_DEEP Deep\r\n" + long60.substr(0, 49) +
                      " Long item\r\n"));
    FakeMenu deep;
    deep.items = {FakeMenu::I("M_DEEP")};
    FakeMenu file;
    file.items = {FakeMenu::I("M_OPEN", nullptr, false, true), FakeMenu::I(""), FakeMenu::I(long60),
                  FakeMenu::I("M_UNKNOWN"), FakeMenu::I("M_SUB", &deep)};
    FakeMenu bar;
    bar.items = {FakeMenu::I("M_FILE", &file)};
    FakeWindow frame("Frame", "");
    frame.menu = &bar;

    table_->CompileMenuStrings(&frame);
    EXPECT_EQ("File", bar.items[0].text);
    EXPECT_EQ("Open", file.items[0].text);
    EXPECT_TRUE(file.items[0].enabled); // the replacement resets the item's state
    EXPECT_FALSE(file.items[0].checked);
    EXPECT_EQ(0, file.items[1].replaced); // separator skipped
    EXPECT_EQ("Long item", file.items[2].text);
    EXPECT_EQ("M_UNKNOWN", file.items[3].text);
    EXPECT_EQ("Deep", deep.items[0].text);

    FakeWindow noMenu("Frame", "");
    table_->CompileMenuStrings(&noMenu); // no menu bar: nothing to do
}

TEST_F(DictavoTest, SelfContainingMenuDoesNotHang) {
    ASSERT_EQ(1, Load("X y\r\n"));
    FakeMenu loop;
    loop.items = {FakeMenu::I("X", &loop)};
    table_->CompileSubMenu(&loop);
    EXPECT_EQ("y", loop.items[0].text);
}

TEST_F(DictavoTest, DialogTranslation) {
    ASSERT_EQ(1, Load("B_OK OK\r\nS_NAME Name\r\nE_FIELD no\r\n  empty key text\r\n"));
    FakeWindow dlg("#32770", "");
    FakeWindow ok("Button", "B_OK"), name("STATIC", "S_NAME"), edit("Edit", "E_FIELD"),
        empty("static", ""), group("Button", "B_GROUP"), inner("Button", "B_OK"),
        odd("ButtonX", "B_OK");
    group.children = {&inner};
    dlg.children = {&ok, &name, &edit, &empty, &group, nullptr, &odd};

    table_->CompileDialogStrings(&dlg);
    EXPECT_EQ("OK", ok.text);
    EXPECT_EQ("Name", name.text);
    EXPECT_EQ("E_FIELD", edit.text);
    EXPECT_EQ(0, edit.sets);
    EXPECT_EQ("empty key text", empty.text);
    EXPECT_EQ("B_GROUP", group.text); // absent key: the key itself
    EXPECT_EQ(0, inner.sets);         // only direct children
    EXPECT_EQ(0, odd.sets);
}

TEST_F(DictavoTest, NothingIsTranslatedBeforeASuccessfulLoad) {
    Dictavo never(dir_.Path("NOFILE.MSG").c_str());
    ASSERT_EQ(-1, never.LoadStrings());
    FakeMenu bar;
    bar.items = {FakeMenu::I("M_FILE", nullptr, false, true)};
    FakeWindow frame("Frame", "");
    frame.menu = &bar;
    FakeWindow ok("Button", "B_OK");
    frame.children = {&ok};
    never.CompileMenuStrings(&frame);
    never.CompileSubMenu(&bar);
    never.CompileDialogStrings(&frame);
    EXPECT_EQ(0, bar.items[0].replaced);
    EXPECT_FALSE(bar.items[0].enabled);
    EXPECT_EQ(0, ok.sets);
}

// ---- The demo installation's message files ------------------------------------------------

class DemoMessageFile : public ::testing::TestWithParam<const char*> {};

TEST_P(DemoMessageFile, LoadsWithCrLfLinesAndOneEntryPerLine) {
    const std::string path = std::string(BRELON_SOURCE_DIR) + "/demo/MSG/" + GetParam();
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << path;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(bytes.empty());
    ASSERT_EQ("\r\n", bytes.substr(bytes.size() - 2)) << "last line without CR LF";

    std::set<std::string> keys;
    size_t lineNo = 1;
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t lf = bytes.find('\n', start);
        const std::string line = bytes.substr(start, lf - start);
        ASSERT_NE(std::string::npos, lf) << "line " << lineNo << " has no line end";
        ASSERT_EQ(line.size() - 1, line.find('\r')) << "line " << lineNo << " is not CR LF";
        start = lf + 1;
        ++lineNo;
        const std::string body = line.substr(0, line.size() - 1);
        if (body.empty())
            continue; // empty lines are harmless
        const std::string key = body.substr(0, body.find_first_of(" \t"));
        EXPECT_TRUE(keys.insert(key).second) << "key " << key << " twice, line " << lineNo - 1;
        for (size_t i = 0; i + 1 < body.size(); ++i) {
            const auto c = static_cast<unsigned char>(body[i]);
            const auto d = static_cast<unsigned char>(body[i + 1]);
            EXPECT_FALSE((c == 0xC2 || c == 0xC3) && d >= 0x80 && d <= 0xBF)
                << "line " << lineNo - 1 << " looks UTF-8; the files are Windows-1252";
        }
    }

    Dictavo table(path.c_str());
    ASSERT_EQ(1, table.LoadStrings());
    EXPECT_EQ(static_cast<int>(keys.size()), table.EntryCount()) << "a line without text";
}

INSTANTIATE_TEST_SUITE_P(Demo, DemoMessageFile, ::testing::Values("STRING.MSG", "ERR.MSG"));

TEST(DemoMessages, TitleKeysHaveTexts) {
    Dictavo table((std::string(BRELON_SOURCE_DIR) + "/demo/MSG/STRING.MSG").c_str());
    ASSERT_EQ(1, table.LoadStrings());
    EXPECT_STRNE("T_ERRORE", table.Message("T_ERRORE"));
    EXPECT_STRNE("T_ATTENZIONE", table.Message("T_ATTENZIONE"));
}

} // namespace
