// The exported interface of libTagrix.so, as the main program uses it.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include "label_test_util.h"
#include "labelprint/Tagrix.h"
#include "zpl_check.h"

namespace {

class Recorder : public tagrix::MessageSink {
public:
    void Show(const char* text, const char* caption, int icon) override {
        shown.push_back(std::string(caption) + "|" + text + "|" + std::to_string(icon));
    }
    std::vector<std::string> shown;
};

class Exports : public ::testing::Test {
protected:
    void SetUp() override {
        tagrix::SetProgramDirectory(dir.Path().c_str());
        tagrix::SetUsbRoots((dir / "sys").c_str(), (dir / "dev").c_str());
        tagrix::SetMessageSink(&recorder);
        lptest::MakeDirs(dir / "MSG");
        lptest::WriteFile(dir / "MSG/TAGRIX.msg",
                          lptest::ReadFile(std::string(BRELON_SOURCE_DIR) + "/demo/MSG/TAGRIX.msg"));
    }
    void TearDown() override {
        tagrix::SetMessageSink(nullptr);
        tagrix::SetUsbRoots(nullptr, nullptr);
    }
    void Printer() { lptest::AddSysfsPrinter(dir.Path(), "lp0", "1-1", "0a5f\n"); }
    lptest::TempDir dir;
    Recorder recorder;
};

const char* const kParams[7] = {"1", "8001234567897", "", "", "", "", ""};
const char* const kValues[3] = {"ORD-117", "P-0042", "S60"};

TEST_F(Exports, ZebraStampaThroughTheCInterfaceWritesACompleteLabel) {
    Printer();
    lptest::FakePrinter printer(dir.Path(), "lp0");
    void* lib = ::dlopen((std::string(BRELON_BINARY_DIR) + "/bin/libTagrix.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << ::dlerror();
    using ZebraStampaFn = int (*)(int, const char* const*, const char* const*);
    auto zebraStampa = reinterpret_cast<ZebraStampaFn>(::dlsym(lib, "ZebraStampa"));
    ASSERT_NE(zebraStampa, nullptr);
    for (const char* name : {"SetFields", "ConfigLab", "GetSelectedID", "IsPaperOut", "ZebraStampaPrn"})
        EXPECT_NE(::dlsym(lib, name), nullptr) << name;
    EXPECT_EQ(::dlsym(lib, "_ZN4plat16ProgramDirectoryEv"), nullptr) << "the platform layer stays private";

    EXPECT_EQ(zebraStampa(3, kParams, kValues), 0);
    const std::string label = printer.Received(200);
    EXPECT_EQ(label.rfind("^XA^PW832", 0), 0u) << label;
    EXPECT_EQ(label.substr(label.size() - 3), "^XZ");
    EXPECT_TRUE(lptest::CheckZpl(label).empty());
    EXPECT_NE(label.find("^BER,"), std::string::npos);
    EXPECT_NE(label.find("^FDS60^FS"), std::string::npos);
    EXPECT_NE(label.find("^FD#^FS"), std::string::npos);
    EXPECT_TRUE(recorder.shown.empty());
    ::dlclose(lib);
}

TEST_F(Exports, ZebraStampaWithoutPrinterSaysSoAndReturnsZero) {
    EXPECT_EQ(ZebraStampa(3, kParams, kValues), 0);
    ASSERT_EQ(recorder.shown.size(), 1u);
    EXPECT_EQ(recorder.shown[0].substr(0, 6), "Error|");
    EXPECT_NE(recorder.shown[0].find("label printer cannot be reached"), std::string::npos);
    EXPECT_FALSE(tagrix::HasMessageTable()) << "no table is held between calls";
}

TEST_F(Exports, EveryCallReloadsTheMessageTable) {
    ZebraStampa(0, kParams, nullptr);
    lptest::WriteFile(dir / "MSG/TAGRIX.msg", "ID_ERROR Fault\r\nID_NO_COMM No printer\r\n");
    ZebraStampa(0, kParams, nullptr);
    ASSERT_EQ(recorder.shown.size(), 2u);
    EXPECT_EQ(recorder.shown[1], "Fault|No printer|0");
    std::remove((dir / "MSG/TAGRIX.msg").c_str());
    ZebraStampa(0, kParams, nullptr);
    EXPECT_EQ(recorder.shown[2], "ID_ERROR|ID_NO_COMM|0") << "without the file the keys show";
}

TEST_F(Exports, GetSelectedIdWithoutLayoutFile) {
    int ids[20], sizes[20];
    for (int i = 0; i < 20; ++i) ids[i] = sizes[i] = 99;
    EXPECT_EQ(GetSelectedID(ids, sizes), 0);
    for (int i = 0; i < 18; ++i) {
        EXPECT_EQ(ids[i], i);
        EXPECT_EQ(sizes[i], 4);
    }
    EXPECT_EQ(ids[18], -1);
    EXPECT_EQ(ids[19], -1);
    EXPECT_EQ(sizes[18], -1);
    EXPECT_EQ(sizes[19], -1);
}

TEST_F(Exports, SetFieldsAndConfigLabChangeNothing) {
    const char* const names[2] = {"Nothing", "Order"};
    lptest::WriteFile(dir / "TAGRIX.INI", "[LABEL]\r\nLinID0=4\r\n");
    EXPECT_EQ(SetFields(2, names), 0);
    int ids[20], sizes[20];
    EXPECT_EQ(ConfigLab(2, names, ids, sizes), 0);
    EXPECT_EQ(lptest::ReadFile(dir / "TAGRIX.INI"), "[LABEL]\r\nLinID0=4\r\n");
    ASSERT_EQ(recorder.shown.size(), 1u);
    EXPECT_NE(recorder.shown[0].find("wizard is not available"), std::string::npos);
    EXPECT_EQ(ids[0], 4);
    EXPECT_EQ(ids[1], 1);
    EXPECT_EQ(sizes[19], -1);
}

TEST_F(Exports, IsPaperOut) {
    bool out = true;
    EXPECT_EQ(IsPaperOut(&out), 0);
    EXPECT_FALSE(out) << "no printer: no stale reply read";
    EXPECT_EQ(recorder.shown.size(), 1u);

    Printer();
    lptest::FakePrinter printer(dir.Path(), "lp0");
    printer.SetStatusReply("\x02" "030,1,0,1245,000,0,0,0,000,0,0,0\x03\r\n");
    EXPECT_EQ(IsPaperOut(&out), 0);
    EXPECT_TRUE(out);
    EXPECT_EQ(printer.Received(9), "^XA~HS^XZ");
    EXPECT_EQ(recorder.shown.size(), 1u);
}

TEST_F(Exports, ZebraStampaPrn) {
    Printer();
    lptest::FakePrinter printer(dir.Path(), "lp0");
    const char* const keys[3] = {"<ROW_1>", "<ROW_2>", "<BAR_CODE_1>"};
    const char* const values[3] = {"A <ROW_2> <ROW_1>", "B", "P-0042"};
    lptest::WriteFile(dir / "PIECE.PRN", "^XA<ROW_1>|<ROW_1>|<BAR_CODE_1>^XZ");
    EXPECT_EQ(ZebraStampaPrn(0, keys, values, (dir / "PIECE.PRN").c_str()), 0);
    const std::string first = "^XA<ROW_1>|<ROW_1>|<BAR_CODE_1>^XZ";
    EXPECT_EQ(printer.Received(first.size()), first);
    EXPECT_EQ(ZebraStampaPrn(3, keys, values, (dir / "PIECE.PRN").c_str()), 0);
    // Every occurrence replaced; a value is a list's text and prints as written: one holding
    // a key (its own or another) is never searched for keys.
    const std::string both = first + "^XAA <ROW_2> <ROW_1>|A <ROW_2> <ROW_1>|P-0042^XZ";
    EXPECT_EQ(printer.Received(both.size()), both);
    EXPECT_TRUE(recorder.shown.empty());

    EXPECT_EQ(ZebraStampaPrn(3, keys, values, (dir / "NONE.PRN").c_str()), -1);
    ASSERT_EQ(recorder.shown.size(), 1u);
    EXPECT_EQ(recorder.shown[0], "|Opening file error: " + (dir / "NONE.PRN") + "|1");
}

TEST(ExportsSubstitution, Cases) {
    const char* const keys[2] = {"<K>", "<L>"};
    const char* const values[2] = {"<K><K>", "x"};
    EXPECT_EQ(tagrix::SubstituteKeys("<K>-<K>", 1, keys, values), "<K><K>-<K><K>");
    EXPECT_EQ(tagrix::SubstituteKeys("<L><K>", 2, keys, values), "x<K><K>");
    const char* const empty[1] = {""};
    EXPECT_EQ(tagrix::SubstituteKeys("abc", 1, empty, values), "abc");
    EXPECT_EQ(tagrix::SubstituteKeys("abc", 0, nullptr, nullptr), "abc");
}

} // namespace
