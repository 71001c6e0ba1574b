// The settings binder without a window: a map stands for the dialog's controls, a temporary
// INI file for the configuration.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <unistd.h>
#include <sstream>
#include <string>
#include <vector>

#include "ui/ConfigBinder.h"

namespace {

using ui::BindCheck;
using ui::BindKind;
using ui::Binding;
using ui::ConfigBinder;

// Controls as values: edits by text, combos and check boxes by index.
class MapForm : public ui::BinderForm {
public:
    std::map<int, std::string> texts;
    std::map<int, int> indices;
    std::string Text(int id) const override {
        auto it = texts.find(id);
        return it == texts.end() ? std::string() : it->second;
    }
    void SetText(int id, const std::string& text) override { texts[id] = text; }
    int Index(int id) const override {
        auto it = indices.find(id);
        return it == indices.end() ? -1 : it->second;
    }
    void SetIndex(int id, int index) override { indices[id] = index; }
};

class BinderTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("binder_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
        file = (dir / "CONFIG.PAR").string();
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    void Write(const std::string& text) { std::ofstream(file, std::ios::binary) << text; }
    std::string Bytes() const {
        std::ifstream in(file, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::filesystem::path dir;
    std::string file;
    MapForm form;
};

std::vector<Binding> SampleBindings() {
    std::vector<Binding> list;
    list.push_back(Binding(10, "GENERAL", "NAME", BindKind::Text, "NONE").Size(6));   // five characters
    list.push_back(Binding(11, "GENERAL", "COUNT", BindKind::Int, "4").Range(1, 8));
    list.push_back(Binding(12, "GENERAL", "LEN", BindKind::Real, "1.5"));
    list.push_back(Binding(13, "GENERAL", "ON", BindKind::Check, "0"));
    list.push_back(Binding(14, "LABEL", "KIND", BindKind::ComboIndex, "0"));
    list.push_back(Binding(15, "LABEL", "FONT", BindKind::ComboIndex, "28").Values({"16", "24", "28", "29"}));
    return list;
}

TEST_F(BinderTest, LoadShowsStoredValuesAndDefaults) {
    Write("[GENERAL]\r\nNAME=ABCDEFGH\r\nON=7\r\n[LABEL]\r\nKIND=2\r\nFONT=29\r\n");
    ConfigBinder binder(form, file, SampleBindings());
    binder.Load();
    EXPECT_EQ(form.texts[10], "ABCDE");   // cut to the field's size
    EXPECT_EQ(form.texts[11], "4");       // missing: the default
    EXPECT_EQ(form.texts[12], "1.50");
    EXPECT_EQ(form.indices[13], 1);       // any non-zero value ticks
    EXPECT_EQ(form.indices[14], 2);
    EXPECT_EQ(form.indices[15], 3);       // position of "29" in the values
    EXPECT_FALSE(binder.HasChanged());
}

TEST_F(BinderTest, ComboValueOutsideItsListShowsNoSelectionAndSavesNothing) {
    Write("[LABEL]\r\nFONT=30\r\n");
    ConfigBinder binder(form, file, {SampleBindings()[5]});
    binder.Load();
    EXPECT_EQ(form.indices[15], -1);
    const std::string before = Bytes();
    EXPECT_TRUE(binder.Save());
    EXPECT_EQ(Bytes(), before);
}

TEST_F(BinderTest, SaveWritesEveryKeyInListOrder) {
    Write("");
    ConfigBinder binder(form, file, SampleBindings());
    binder.Load();
    form.texts[10] = "XY";
    form.texts[11] = "007";
    form.texts[12] = "2.5";
    form.indices[15] = 0;
    EXPECT_TRUE(binder.HasChanged());
    EXPECT_TRUE(binder.HasChanged(12));
    EXPECT_FALSE(binder.HasChanged(13));
    EXPECT_TRUE(binder.Save());
    EXPECT_EQ(Bytes(), "[GENERAL]\r\nNAME=XY\r\nCOUNT=7\r\nLEN=2.50\r\nON=0\r\n[LABEL]\r\nKIND=0\r\nFONT=16\r\n");
    EXPECT_FALSE(binder.HasChanged());
}

TEST_F(BinderTest, HooksReplaceTheFileAndSeeStoredValues) {
    std::vector<std::string> written;
    const Binding b = Binding(20, "X", "Y", BindKind::ComboIndex)
                          .Values({"1", "2", "3"})
                          .Read([] { return std::string("3"); })
                          .Write([&](const std::string& v) { written.push_back(v); });
    ConfigBinder binder(form, file, {b});
    binder.Load();
    EXPECT_EQ(form.indices[20], 2);
    form.indices[20] = 0;
    EXPECT_EQ(binder.Loaded(20), "3");
    EXPECT_EQ(binder.Current(20), "1");
    binder.Save();
    EXPECT_EQ(written, std::vector<std::string>{"1"});
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(BinderTest, ValidateStopsAtTheFirstBadValueInListOrder) {
    struct Case {
        const char* count;
        const char* len;
        BindCheck::Result result;
        int controlId;
    };
    const Case cases[] = {
        {"4", "1.5", BindCheck::Ok, 0},
        {"", "x", BindCheck::Syntax, 11},      // empty entry
        {"9", "", BindCheck::Limit, 11},       // above the range; the later error is not reached
        {"1", "1.2.3", BindCheck::Syntax, 12},
        {"-1", "1", BindCheck::Limit, 11},
        {"4", "inf", BindCheck::Syntax, 12},
        {"4", "1e3", BindCheck::Syntax, 12},
        {"2.5", "1", BindCheck::Syntax, 11},   // an integer has no point
    };
    ConfigBinder binder(form, file, SampleBindings());
    binder.Load();
    for (const Case& c : cases) {
        form.texts[11] = c.count;
        form.texts[12] = c.len;
        const BindCheck check = binder.Validate();
        EXPECT_EQ(check.result, c.result) << c.count << " " << c.len;
        if (c.result != BindCheck::Ok) {
            EXPECT_EQ(check.controlId, c.controlId) << c.count << " " << c.len;
        }
    }
}

TEST_F(BinderTest, TextLongerThanItsMaximumIsRefused) {
    ConfigBinder binder(form, file, {Binding(30, "GENERAL", "DIR", BindKind::Text, "").MaxLength(5)});
    form.texts[30] = "ABCDE";
    EXPECT_TRUE(binder.Validate());
    form.texts[30] = "ABCDEF";
    EXPECT_EQ(binder.Validate().result, BindCheck::Limit);
}

} // namespace
