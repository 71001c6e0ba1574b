// The on-line start-up without a window, against the simulated controller: the variant taken
// only from settled readings while the controller's variables come one by one, the variant
// read again before a start after the controller was reset as another machine, and a
// termination request during the wait.
#include <functional>
#include <string>
#include <vector>

#include "app/startup_cnc.h"
#include "app/startup_logic.h"
#include "app_fixture.h"
#include "machine/cnc_state.h"
#include "machine/globals.h"
#include "machine/settings_support.h"
#include "platform/clock.h"
#include "simcnc/uvenlib_api.h"

namespace {

// One change of the controller's variables at a time of the wait (ms since it began); a
// variable of -1 is a link that fails every read until then.
struct Change {
    int atMs;
    int variable; // 700, 813, 814, or -1: reads fail up to atMs
    double value;
};

class StartUpCncTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        MakeOnline();
        ASSERT_EQ(Start("", false), CVelmoApp::kStarted);
        Sim().SimReset();
        plat::SetClock(&clock_);
        delete g_pCncState;
        g_pCncState = nullptr;
    }
    void TearDown() override {
        plat::SetClock(nullptr);
        delete g_pCncState;
        g_pCncState = nullptr;
        app_.reset();
        AppFixture::TearDown();
    }
    // Hooks whose wait display plays the controller's changes as the fake clock passes them.
    StartUpHooks Hooks(std::vector<Change> changes) {
        changes_ = std::move(changes);
        StartUpHooks h;
        h.showWait = [this](const std::string& text) {
            texts_.push_back(text);
            Play();
            if (stopAtMs_ >= 0 && clock_.MonotonicMs() >= stopAtMs_) stop_ = true;
        };
        h.askRetry = [this](const std::string& text, bool) {
            asked_.push_back(text);
            return false;
        };
        h.tell = [this](const std::string& text) { told_.push_back(text); };
        h.stopRequested = [this] { return stop_; };
        return h;
    }
    void Play() {
        const int64_t now = clock_.MonotonicMs() - start_;
        for (Change& c : changes_) {
            if (c.atMs < 0 || c.atMs > now) continue;
            if (c.variable < 0) Sim().SimSetFailNextRead(0, 0);
            else Sim().SimSetR(c.variable, c.value);
            c.atMs = -1;
        }
    }
    plat::FakeClock clock_;
    int64_t start_ = 0;
    std::vector<Change> changes_;
    std::vector<std::string> texts_, asked_, told_;
    bool stop_ = false;
    int64_t stopAtMs_ = -1;
};

} // namespace

// The variables as a controller sets them while it loads its machine description: the machine
// is the one all three finally describe, never the one a partial set looks like; values that
// never settle are named and nothing is started.
TEST_F(StartUpCncTest, TheVariantComesOnlyFromReadingsThatSettled) {
    const struct {
        const char* what;
        double r700, r813, r814; // at the start of the wait
        std::vector<Change> changes;
        int variant; // -1: unknown, office mode
        const char* named;
    } cases[] = {
        {"a variant-1 controller with R813 and R814 at 0 for 3 s", 1, 0, 0, {{3000, 813, 1}, {3000, 814, 1}}, 1, nullptr},
        {"R700, then R813 at 2 s, then R814 at 4 s", 1, 0, 0, {{2000, 813, 1}, {4000, 814, 1}}, 1, nullptr},
        {"R813 and R814 first, R700 at 4.5 s", 0, 1, 1, {{4500, 700, 1}}, 1, nullptr},
        {"a variant-0 controller", 1, 0, 0, {}, 0, nullptr},
        {"a variant-2 controller", 0, 1, 1, {}, 2, nullptr},
        {"the link up at 19 s with variant 1", 1, 1, 1, {{-2, -1, 0}, {19000, -1, 0}}, 1, nullptr},
        {"values changing every 3 s to the end", 1, 0, 0,
         {{3000, 813, 1}, {6000, 813, 0}, {9000, 813, 1}, {12000, 813, 0}, {15000, 813, 1}, {18000, 813, 0},
          {21000, 813, 1}, {24000, 813, 0}},
         -1, " R700=1 R813=1 R814=0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Sim().SimReset();
        Sim().SimSetR(700, c.r700);
        Sim().SimSetR(813, c.r813);
        Sim().SimSetR(814, c.r814);
        std::vector<Change> changes = c.changes;
        for (const Change& ch : changes)
            if (ch.variable < 0 && ch.atMs == -2) Sim().SimSetFailNextRead(UVEN_RW_NOT_READY, 1000000);
        asked_.clear();
        texts_.clear();
        start_ = clock_.MonotonicMs();
        MachineVariant = -1;
        const OnlineStart started = CreateOnlineCncState(Hooks(changes));
        Sim().SimSetFailNextRead(0, 0);
        const int64_t waited = clock_.MonotonicMs() - start_;
        if (c.variant >= 0) {
            EXPECT_EQ(started, OnlineStart::kOnline);
            EXPECT_EQ(MachineVariant, c.variant);
            EXPECT_EQ(SessionControllerVariant(), c.variant);
            EXPECT_TRUE(asked_.empty());
        } else {
            EXPECT_EQ(started, OnlineStart::kOffice);
            EXPECT_EQ(g_pCncState, nullptr);
            ASSERT_EQ(asked_.size(), 1u);
            EXPECT_EQ(asked_[0], VariantUnknownText(c.named));
        }
        // Never longer than the start's wait and one settling time.
        EXPECT_LE(waited, kControllerStartWaitMs + kVariantSettleMs + kControllerRetryMs);
        EXPECT_EQ(Sim().SimCommandLogCount(), 0);
        ASSERT_FALSE(texts_.empty());
        EXPECT_EQ(texts_.back(), "") << "the wait's text ends with the wait";
        delete g_pCncState;
        g_pCncState = nullptr;
    }
}

// The controller reset as another machine while the session stays up: before a start the
// variables are read again and anything but the session's machine, or a read that fails,
// refuses the start naming what was read.
TEST_F(StartUpCncTest, BeforeAStartTheControllerMustStillBeTheSessionsMachine) {
    const struct {
        const char* what;
        int session;   // the variant at start-up
        int now;       // the variant the controller describes now (-1: reads fail)
        bool same;
        const char* named;
    } cases[] = {
        {"unchanged variant 1", 1, 1, true, ""},
        {"variant 1 reset as variant 0", 1, 0, false, " R700=1 R813=0 R814=0"},
        {"variant 0 reset as variant 1", 0, 1, false, " R700=1 R813=1 R814=1"},
        {"variant 2 reset as variant 1", 2, 1, false, " R700=1 R813=1 R814=1"},
        {"the link lost", 1, -1, false, " R700 R813 R814"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Sim().SimReset();
        Sim().SimSetVariantRegs(c.session);
        ASSERT_EQ(CreateOnlineCncState(Hooks({})), OnlineStart::kOnline);
        if (c.now >= 0) Sim().SimSetVariantRegs(c.now);
        else Sim().SimSetFailNextRead(UVEN_RW_NOT_READY, 1000);
        std::string told;
        EXPECT_EQ(ControllerIsSessionMachine(g_pCncState, told), c.same);
        EXPECT_EQ(told, c.named);
        Sim().SimSetFailNextRead(0, 0);
        delete g_pCncState;
        g_pCncState = nullptr;
    }
}

// A termination request during the wait ends it at once: no box, no further controller read,
// no CNC state object left, well within the wait's own bound.
TEST_F(StartUpCncTest, ATerminationRequestEndsTheWait) {
    Sim().SimSetFailNextRead(UVEN_RW_NOT_READY, 1000000); // the controller never answers
    stopAtMs_ = 2000;
    start_ = clock_.MonotonicMs();
    const OnlineStart started = CreateOnlineCncState(Hooks({}));
    Sim().SimSetFailNextRead(0, 0);
    EXPECT_EQ(started, OnlineStart::kStopped);
    EXPECT_EQ(g_pCncState, nullptr);
    EXPECT_TRUE(asked_.empty());
    EXPECT_TRUE(told_.empty());
    EXPECT_LE(clock_.MonotonicMs() - start_, 2000 + kControllerRetryMs);
    EXPECT_EQ(texts_.back(), "");
}
