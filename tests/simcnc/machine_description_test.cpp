// The machine the simulated controller describes at power-on: "SIMCNC.INI" in its work
// directory gives the variables the program reads for the machine variant and its options.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "sim_fixture.h"

namespace fs = std::filesystem;

namespace {

class MachineDescription : public SimCnc {
protected:
    fs::path root;
    fs::path work; // native folder of "C:\UVEN\LAV\LAV\"

    void SetUp() override {
        SimCnc::SetUp();
        char tmpl[] = "/tmp/simcnc_desc_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
        work = root / "drives" / "C" / "UVEN" / "LAV" / "LAV";
        fs::create_directories(work);
        sim.SimSetDrivesRoot((root / "drives").c_str());
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove(work / "SIMCNC.INI", ec);
        sim.SimReset(); // the next test starts on the machine without a description
        sim.SimSetDrivesRoot(nullptr);
        fs::remove_all(root, ec);
    }
};

struct DescriptionRow {
    const char* what;
    const char* file; // null: no file
    double r700, r813, r814, r7007, r727;
    bool refused;
};

const DescriptionRow kRows[] = {
    {"none", nullptr, 1, 1, 1, 0, 0, false},
    {"variant0", "[MACHINE]\r\nR700=1\r\nR813=0\r\nR814=0\r\n", 1, 0, 0, 0, 0, false},
    {"variant2", "[MACHINE]\r\nR700=0\r\nR813=1\r\nR814=1\r\n", 0, 1, 1, 0, 0, false},
    {"optionsAndLf", "[machine]\nR7007=1\nR727=1.5\n", 1, 1, 1, 1, 1.5, false},
    {"otherVariablesIgnored", "[MACHINE]\r\nR599=7\r\nR813=0\r\nR814=0\r\n", 1, 0, 0, 0, 0, false},
    {"notANumber", "[MACHINE]\r\nR700=0\r\nR813=one\r\nR814=1\r\n", 1, 1, 1, 0, 0, true},
    {"infinity", "[MACHINE]\r\nR700=inf\r\nR813=0\r\n", 1, 1, 1, 0, 0, true},
};

} // namespace

TEST_F(MachineDescription, SetsTheVariantVariablesAtResetOrRefusesTheWholeFile) {
    for (const DescriptionRow& row : kRows) {
        SCOPED_TRACE(row.what);
        std::error_code ec;
        fs::remove(work / "SIMCNC.INI", ec);
        if (row.file != nullptr) std::ofstream(work / "SIMCNC.INI", std::ios::binary) << row.file;
        sim.SimReset();
        EXPECT_EQ(sim.SimGetR(700), row.r700);
        EXPECT_EQ(sim.SimGetR(813), row.r813);
        EXPECT_EQ(sim.SimGetR(814), row.r814);
        EXPECT_EQ(sim.SimGetR(7007), row.r7007);
        EXPECT_EQ(sim.SimGetR(727), row.r727);
        EXPECT_EQ(sim.SimGetR(599), 0.0) << "only the machine's variant and option variables";
        const std::string error = sim.SimLastError();
        if (row.refused) EXPECT_NE(error.find("SIMCNC.INI"), std::string::npos) << error;
        else EXPECT_EQ(error, "");
    }
}
