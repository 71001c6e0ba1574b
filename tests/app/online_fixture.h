#pragma once
// The automatic test run of a demo list on-line against the simulated controller: the run's
// flags and quick ticks, the event log, labels on a fake USB label printer, the controller's
// work directory with its machine description, and what the controller and the logs saw after.
#include <memory>
#include <string>
#include <vector>

#include "app_fixture.h"
#include "label_test_util.h"
#include "platform/dynlib.h"

// Occurrences of what in text.
std::size_t CountOf(const std::string& text, const std::string& what);

class OnlineRunFixture : public AppFixture {
public:
    // A write of an R variable the controller received.
    struct RWrite {
        int number;
        double value;
    };

protected:
    void TearDown() override;

    // listName (a file of demo/LDA) as the test run's list; a variant other than 1 runs on its
    // demo configuration, with the controller's variables telling that variant to the main
    // window. The step offered first is "all" and a bar that ended well starts the next one.
    void SetUpOnlineRun(const std::string& listName, int variant = 1);
    // "SIMCNC.INI" of a machine of the variant without options.
    static std::string MachineDescription(int variant);

    // Runs the event loop until the main window closed itself. The monitor runs in a nested
    // loop: past the limit a watchdog ends it (as stopped) so that a stuck run fails, not hangs.
    bool RunUntilClosed(int limitMs);

    // Programs the controller accepted and started.
    int ProgramStarts();
    std::vector<RWrite> RWrites();
    // The event log files of the run, in order (after the program ended its log).
    std::string EventLog();
    // What the controller saw, for a run that did not end.
    std::string ControllerTrace();

    std::string lda_;
    std::string root_; // the installation's folder (DIR_LDA's parent), native, trailing '/'
    std::string events_;
    std::unique_ptr<lptest::FakePrinter> printer_;
    plat::LibHandle preloaded_ = nullptr;
    bool ended_ = false;
};
