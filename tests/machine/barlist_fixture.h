#pragma once
// A scratch installation for the bar-list and tool-table tests: path table, settings, a tool
// table with the tools the lists use, and a recording sink for the job records.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "machine/barlist.h"
#include "machine/error_text.h"
#include "machine/globals.h"
#include "machine/path_table.h"
#include "machine/ralla_tools.h"
#include "machine/settings.h"
#include "platform/profile.h"
#include "test_support/lda_writer.h"

namespace barlist_test {

struct JobRecord {
    std::string path;
    int32_t first;
    int32_t second;
};

class RecordingEvents : public BarListEvents {
public:
    void LogJob(const char* listPath, int32_t first, int32_t second) override {
        jobs.push_back({listPath != nullptr ? listPath : "", first, second});
    }
    std::vector<JobRecord> jobs;
};

inline const char* kDemoTools =
    "# 60\r\n\r\n"
    "* PUNTA5 1 10 \r\n3000 1 2\r\n5 0 0 0 5 0\r\n40 0 0 10 60 0\r\n\r\n"
    "* PUNTA8 1 10 \r\n2500 1 2\r\n8 0 0 0 8 0\r\n50 0 0 10 70 0\r\n\r\n"
    "* FRESA8 0 20 \r\n12000 5 3\r\n8 0 0 0 8 0\r\n30 0 0 10 60 0\r\n\r\n"
    "* FRESA6 0 20 \r\n14000 4 3\r\n6 0 0 0 6 0\r\n25 0 0 10 50 0\r\n\r\n";

class BarListTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("brelon-barlist-" + std::to_string(::getpid()) + "-" +
                                                          std::to_string(counter_++));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_ / "CONF");
        ResetProgramValues();
        ApplyMachineVariant(0);
        g_machineConnected = 0;
        paths_ = std::make_unique<PathTable>();
        g_pPathTable = paths_.get();
        SetSlot(PathTable::kConfigPar, P("CONF/CONFIG.PAR"));
        SetSlot(PathTable::kParamPar, P("CONF/PARAM.PAR"));
        SetSlot(PathTable::kProgramDir, P(""));
        SetSlot(PathTable::kToolsTxt, P("TOOLS.TXT"));
        settings_ = std::make_unique<MachineSettings>();
        g_pSettings = settings_.get();
        WriteText("TOOLS.TXT", kDemoTools);
        tools_ = std::make_unique<RallaToolSet>(1);
        g_pRallaTools = tools_.get();
        ASSERT_EQ(tools_->LoadTools(), 0) << g_errorText;
        SetBarListEvents(&events_);
        ClearErrorText();
    }
    void TearDown() override {
        SetBarListEvents(nullptr);
        g_pRallaTools = nullptr;
        tools_.reset();
        g_pSettings = nullptr;
        settings_.reset();
        g_pPathTable = nullptr;
        paths_.reset();
        ResetProgramValues();
        std::filesystem::remove_all(dir_);
    }

    std::string P(const std::string& name) const { return (dir_ / name).string(); }
    void SetSlot(int slot, const std::string& value) {
        std::snprintf(paths_->slots[slot], PathTable::kSlotSize, "%s", value.c_str());
    }
    void WriteText(const std::string& name, const std::string& text) {
        std::ofstream(P(name), std::ios::binary) << text;
    }
    std::string ReadText(const std::string& name) {
        std::ifstream in(P(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::string Config(const char* section, const char* key) {
        return plat::ReadProfileString(section, key, "", P("CONF/CONFIG.PAR").c_str());
    }

    // Writes the list and loads it.
    std::unique_ptr<BarList> Load(const ldatest::ListSpec& spec, const std::string& name = "LIST.lda") {
        EXPECT_TRUE(ldatest::WriteLda(P(name), spec));
        return std::make_unique<BarList>(P(name).c_str());
    }
    std::unique_ptr<BarList> LoadBytes(const std::vector<uint8_t>& bytes, const std::string& name = "LIST.lda") {
        EXPECT_TRUE(ldatest::WriteBytes(P(name), bytes));
        return std::make_unique<BarList>(P(name).c_str());
    }

    std::filesystem::path dir_;
    std::unique_ptr<PathTable> paths_;
    std::unique_ptr<MachineSettings> settings_;
    std::unique_ptr<RallaToolSet> tools_;
    RecordingEvents events_;
    static inline int counter_ = 0;
};

// A small list: one bar with two pieces and three machinings, one bar with its own machinings.
inline ldatest::ListSpec SmallList(int version = 102) {
    ldatest::ListSpec spec;
    spec.version = version;
    spec.description = "  SMALL LIST ";
    ldatest::BarSpec a;
    a.name = "frame";
    a.series = "alu60";
    a.code = "t6001";
    a.label = "12";
    a.yMin = 1000;
    a.yMax = 61000;
    a.zMin = -2000;
    a.zMax = 43000;
    a.length = 6500000;
    a.repetitions = 2;
    ldatest::PieceSpec p1;
    p1.name = "TOP";
    p1.length = 1200000;
    p1.addInfo = "ORD 1";
    ldatest::MachiningSpec drill;
    drill.figure = 1;
    drill.tool = "PUNTA5";
    drill.faceAngle = 90;
    drill.x = 100000;
    drill.params = {5000};
    drill.nomeLdt = "D1";
    drill.idLdt = 1;
    drill.byte252 = 2;
    drill.byte253 = 1;
    ldatest::MachiningSpec slot = drill;
    slot.figure = 2;
    slot.tool = "FRESA8";
    slot.params = {30000, 8000, 4000};
    slot.depthCount = 3;
    slot.tail = ldatest::DepthTail({1500, 3000});
    slot.idLdt = 2;
    p1.machinings = {drill, slot};
    ldatest::PieceSpec p2 = p1;
    p2.name = "SIDE";
    p2.machinings = {drill};
    a.pieces = {p1, p2};
    ldatest::BarSpec b;
    b.name = "post";
    b.series = "PVC70";
    b.code = "?";
    b.label = "";
    b.yMax = 70000;
    b.zMax = 80000;
    b.length = 2000000;
    b.firstCutAngle = 4500;
    b.repetitions = 1;
    ldatest::MachiningSpec d2 = drill;
    d2.tool = "PUNTA8";
    b.machinings = {d2, d2};
    spec.bars = {a, b};
    return spec;
}

} // namespace barlist_test
