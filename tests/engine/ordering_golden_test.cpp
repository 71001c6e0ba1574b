// Elaborated report sections of a demo bar and the final orders of demo bars on each machine
// variant, frozen as reviewed goldens under tests/fixtures/engine/ordering/. A missing golden
// is written beside the test binary as <name>.new for review.

#include <algorithm>
#include <vector>

#include "engine/ordering.h"
#include "engine_fixture.h"
#include "machine/path_table.h"
#include "platform/text.h"

namespace enginetest {
namespace {

std::string GoldenPath(const std::string& name) { return BRELON_SOURCE_DIR "/tests/fixtures/engine/ordering/" + name; }

void ExpectGolden(const std::string& name, const std::string& text) {
    const std::string golden = ReadFile(GoldenPath(name));
    if (golden.empty()) WriteFile(std::string(BRELON_BINARY_DIR) + "/" + name + ".new", text);
    EXPECT_EQ(text, golden) << name;
}

// One line per record of the final order.
std::string OrderText(const BarComputation& bc) {
    std::string s;
    for (int i = 0; i < bc.orderedRecords; ++i) {
        const WorkingMachining& m = *bc.order[static_cast<std::size_t>(i)];
        s += plat::StrFormatC("%3d kind %d pass %2d Xcaric %8d TipoCaric %2d T%d Pos_Ralla %7d\n", static_cast<int>(m.Id),
                              static_cast<int>(m.TipoLavor), static_cast<int>(m.PosGroup), static_cast<int>(m.Xcaric),
                              static_cast<int>(m.TipoCaric), static_cast<int>(m.rallaPosition + 1),
                              static_cast<int>(m.Pos_Ralla));
    }
    return s;
}

// Mounts the tools the list's bars ask for on the ralla positions, as the bar confirmation
// would before the part program is written.
void MountListTools(const std::string& path) {
    std::vector<int32_t> wanted;
    {
        BarList probe(path.c_str());
        for (int b = 0; b < probe.BarCount(); ++b)
            for (int32_t t : probe.Bar(b)->requiredTools)
                if (t > 0 && std::find(wanted.begin(), wanted.end(), t) == wanted.end()) wanted.push_back(t);
    }
    for (int p = 0; p < kRallaMaxPositions; ++p)
        g_pRallaTools->positionTools[p] = p < g_rallaPositions && p < static_cast<int>(wanted.size()) ? wanted[p] : 0;
}

// The demo list FINESTRE on each variant's demo configuration: the first bars that compute in
// full are elaborated; their orders are frozen, and on the demo variant the sections that the
// elaboration appends to the reports.
TEST_F(EngineTest, ElaboratedDemoBarsMatchTheirGoldens) {
    const struct {
        int variant;
        const char* conf;
    } cases[] = {{0, "CONF-V0"}, {1, "CONF"}, {2, "CONF-V2"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.conf);
        Reinstall(c.variant, c.conf);
        ASSERT_TRUE(ldatest::WriteDemoLists(dir_));
        const std::string path = dir_ + "FINESTRE.lda";
        SetCurrentListName(path.c_str());
        MountListTools(path);
        BarComputation list(path.c_str());
        ASSERT_TRUE(list.IsLoaded()) << g_errorText;
        ASSERT_EQ(list.CheckListTools(), 0) << g_errorText;
        std::string orders;
        int done = 0;
        for (int i = 0; i < list.BarCount() && done < 2; ++i) {
            if (list.ComputeBar(i, 1) != 0) continue;
            const std::string lav = ReadFile(dir_ + "OUTPUT.LAV");
            const std::string deb = ReadFile(dir_ + "OUTPUT.DEB");
            ElaborationWarnings warnings;
            ASSERT_EQ(ElaborateMachinings(list, 1, 1, &warnings), 0) << g_errorText;
            orders += plat::StrFormatC("bar %d\n", i);
            orders += OrderText(list);
            for (const std::string& w : warnings.texts) orders += "warning: " + w + "\n";
            if (c.variant == 1 && done == 0) {
                const std::string lav2 = ReadFile(dir_ + "OUTPUT.LAV");
                const std::string deb2 = ReadFile(dir_ + "OUTPUT.DEB");
                ASSERT_EQ(lav2.compare(0, lav.size(), lav), 0);
                ASSERT_EQ(deb2.compare(0, deb.size(), deb), 0);
                ExpectGolden("FINESTRE_LAV_GROUPS.txt", lav2.substr(lav.size()));
                ExpectGolden("FINESTRE_DEB_ELABORATED.txt", deb2.substr(deb.size()));
            }
            ++done;
        }
        EXPECT_EQ(done, 2);
        ExpectGolden(std::string("FINESTRE_ORDER_V") + std::to_string(c.variant) + ".txt", orders);
    }
}

} // namespace
} // namespace enginetest
