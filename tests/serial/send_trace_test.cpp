// SendString leaves its trace line and blinks the send row for every string sent: an empty
// string and a write the line refuses included, so the trace shows each attempt.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "pty_fixture.h"
#include "serial/serial_comm.h"

using namespace porvl4;

namespace {

// A link monitor that records the messages posted to it.
class RecordingMonitor : public CommMonitor {
  public:
    explicit RecordingMonitor(std::vector<uint32_t>& posted) : posted_(posted) {}
    bool CreateWindow() override { return true; }
    void DestroyWindow() override {}
    void Show(bool) override {}
    void Post(uint32_t message) override { posted_.push_back(message); }

  private:
    std::vector<uint32_t>& posted_;
};

class MonitorOwner : public CommWindow {
  public:
    CommMonitor* CreateMonitor() override { return new RecordingMonitor(posted); }
    std::vector<uint32_t> posted;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

TEST(SerialSendString, EveryStringSentIsTracedAndBlinksTheSendRow) {
    serialtest::Pty pty;
    ASSERT_FALSE(pty.path.empty());
    serialtest::MapCom(1, pty.path);
    const std::string trace = testing::TempDir() + "serial_send_string.trc";
    MonitorOwner owner;
    MSerialComm comm(1, &owner);
    comm.SetParametri(9600, 8, 'N', 1, 1, 0, trace.c_str());
    comm.SetRecTimeOut(60);
    ASSERT_NE(comm.OpenComm(), nullptr);

    EXPECT_EQ(comm.SendString("AB"), 0);
    EXPECT_EQ(pty.Take(2), "AB");
    EXPECT_EQ(comm.SendString(""), 0);
    // The peer goes away: the write fails and says so, and is traced all the same.
    ::close(pty.master);
    pty.master = -1;
    EXPECT_NE(comm.SendString("C"), 0);
    comm.CloseComm();

    EXPECT_EQ(ReadFile(trace), "INIZIO TEST\r\n-> (65)\r\n-> (0)\r\n-> (67)\r\nFINE TEST\r\n");
    EXPECT_EQ(owner.posted, (std::vector<uint32_t>{WM_MONITOR_SEND, WM_MONITOR_SEND, WM_MONITOR_SEND}));
}
