// Blade cuts within the machine's reach: the vice bound of a cut against the blade disc sampled
// over the whole vice band, on heads whose vices travel a short way.
#include <gtest/gtest.h>

#include "blade_test_machine.h"
#include "engine/blade_composition.h"
#include "vice_sampling.h"

namespace {

// Vices from 0 to a short travel's end; the blade then meets them beyond their travel for some
// cuts. The bound of a cut is never below what its disc needs, and a need beyond the travel gives
// a bound beyond the travel (which the cut block refuses), never the travel's end.
TEST(BladeReach, ViceBoundFollowsTheDiscBeyondAShortTravel) {
    const BladeSection section = TestSection();
    int beyond = 0, within = 0;
    for (int32_t travel : {500000, 600000, 700000}) {
        BladeHead h = TestHead();
        h.X_MIN_MORSA = 0;
        h.X_MAX_MORSA = travel;
        for (int32_t A = 10000; A <= 170000; A += 20000) {
            for (int32_t barX = 3300000; barX <= 3900000; barX += 50000) {
                for (int32_t z : {150000, 330000}) {
                    BladeWorkingFields f;
                    BladeComposer comp(h, section, f);
                    BladeCut cut = OneVertexCut(A, z);
                    const double need = vicesample::DiscNeed(h, section, A, barX, cut.Y[0], z);
                    const int32_t bound = comp.ViceClearance(cut, barX, 1, 0, 0, 0);
                    if (need < h.X_MIN_MORSA) continue;
                    SCOPED_TRACE(testing::Message() << "travel=" << travel << " A=" << A << " x=" << barX << " z=" << z);
                    EXPECT_GE(bound, need - 2);
                    if (need > travel + 2) {
                        ++beyond;
                        EXPECT_GT(bound, travel);
                    } else {
                        ++within;
                    }
                }
            }
        }
    }
    EXPECT_GT(beyond, 10);
    EXPECT_GT(within, 10);
}

} // namespace
