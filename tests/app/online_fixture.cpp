#include "online_fixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <filesystem>

#include "app/exec_dialog.h"
#include "app/label_job.h"
#include "app/main_frame.h"
#include "labelprint/Tagrix.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/serial_tty.h"

namespace fs = std::filesystem;

namespace {
constexpr const char* kPaperOk = "\x02" "030,0,0,1245,000,0,0,0,000,0,0,0\x03\r\n";
} // namespace

std::size_t CountOf(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

void OnlineRunFixture::TearDown() {
    tagrix::SetUsbRoots(nullptr, nullptr);
    printer_.reset();
    app::g_labelPending = 0;
    app_.reset();
    if (preloaded_ != nullptr) plat::FreeLibrary(preloaded_);
    plat::SetComDevice(4, "");
    AppFixture::TearDown();
}

void OnlineRunFixture::SetUpOnlineRun(const std::string& listName, int variant) {
    if (variant != 1) {
        const fs::path conf = fs::path(BRELON_SOURCE_DIR) / "demo" / ("CONF-V" + std::to_string(variant));
        for (const char* f : {"CONFIG.PAR", "CONFIG.X_", "PARAM.PAR"})
            fs::copy_file(conf / f, program_ + "CONF/" + f, fs::copy_options::overwrite_existing);
    }
    lda_ = PutTestList(listName);
    root_ = lda_.substr(0, lda_.size() - 4); // the installation's folder, above LDA/
    fs::create_directories(root_ + "UTEN");
    if (!fs::exists(root_ + "UTEN/TOOLS.TXT")) fs::copy_file(toolsTxt_, root_ + "UTEN/TOOLS.TXT");
    WriteConfig("GENERAL", "ISO_TIMER", "20");
    WriteConfig("GENERAL", "PRINT_TIMER", "20");
    WriteConfig("GENERAL", "STATUS_TIMER", "20");
    WriteConfig("GENERAL", "STEP_RIP", "2");
    WriteConfig("GENERAL", "TYPE_EXEC", "2");
    events_ = tmp_ + "events/";
    fs::create_directories(events_);
    WriteConfig("GENERAL", "LOG_SUPERVISOR", "1");
    WriteConfig("GENERAL", "DIR_LOG", events_.c_str());
    WriteConfig("LABEL", "PRINT", "1");
    plat::WriteProfileString("PARAM", "CONF_FILE_OTT", "1", (program_ + "CONF/PARAM.PAR").c_str());
    // The demo's label layout (Code 128, which encodes every piece name).
    fs::copy_file(fs::path(BRELON_SOURCE_DIR) / "demo" / "TAGRIX.INI", program_ + "TAGRIX.INI",
                  fs::copy_options::overwrite_existing);
    for (const char* d : {"ISO", "DXF", "VLK", "LOG", "V1V2"}) fs::create_directories(root_ + d);
    fs::copy(fs::path(BRELON_SOURCE_DIR) / "demo" / "DXF", root_ + "DXF",
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    for (const auto& e : fs::directory_iterator(fs::path(BRELON_SOURCE_DIR) / "demo" / "VLK"))
        fs::copy_file(e.path(), root_ + "VLK/" + e.path().filename().string(), fs::copy_options::overwrite_existing);

    const std::string usb = tmp_ + "usb";
    lptest::AddSysfsPrinter(usb, "lp0", "1-1", "0a5f\n");
    printer_ = std::make_unique<lptest::FakePrinter>(usb, "lp0");
    printer_->SetStatusReply(kPaperOk);
    tagrix::SetUsbRoots((usb + "/sys").c_str(), (usb + "/dev").c_str());
    MakeOnline();
    // The controller laid out for the variant, as scripts/layout-demo.sh lays it out: its
    // machine description in the work directory. The library as the program will find it is
    // loaded first (the program's load then shares it) and powered on there.
    WriteFile(drives_ + "/C/UVEN/LAV/LAV/SIMCNC.INI", MachineDescription(variant));
    preloaded_ = plat::LoadLibraryByName(drives_ + "/C/parvolt/libUvenlibVB.so");
    ASSERT_NE(preloaded_, nullptr) << plat::LastLibraryError();
    simcnc::Controls early;
    ASSERT_TRUE(early.Bind([this](const char* n) { return plat::GetProcAddress(preloaded_, n); }));
    early.SimSetDrivesRoot(drives_.c_str());
    early.SimReset();
}

std::string OnlineRunFixture::MachineDescription(int variant) {
    const char* regs = variant == 0   ? "R700=1\r\nR813=0\r\nR814=0"
                       : variant == 2 ? "R700=0\r\nR813=1\r\nR814=1"
                                      : "R700=1\r\nR813=1\r\nR814=1";
    return std::string("[MACHINE]\r\n") + regs + "\r\nR7007=0\r\nR7011=0\r\nR727=0\r\n";
}

bool OnlineRunFixture::RunUntilClosed(int limitMs) {
    QElapsedTimer t;
    t.start();
    bool stuck = false;
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        stuck = true;
        ADD_FAILURE() << "the run did not end\n" << ControllerTrace();
        if (MainFrame != nullptr) {
            if (auto* monitor = qobject_cast<CExecDialog*>(MainFrame->execDialog.data())) monitor->EndJob(2);
            MainFrame->close();
        }
    });
    watchdog.start(limitMs);
    while (t.elapsed() < limitMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (MainFrame == nullptr || !MainFrame->isVisible()) return !stuck;
    }
    return false;
}

int OnlineRunFixture::ProgramStarts() {
    int starts = 0;
    const int commands = Sim().SimCommandLogCount();
    for (int i = 0; i < commands; ++i) {
        int code = 0, sub = 0, result = 0;
        char text[64] = {};
        Sim().SimCommandLogEntry(i, &code, &sub, text, sizeof text, &result);
        if (code == 4 && result == 0) ++starts;
    }
    return starts;
}

std::vector<OnlineRunFixture::RWrite> OnlineRunFixture::RWrites() {
    std::vector<RWrite> out;
    const int n = Sim().SimRWriteLogCount();
    for (int i = 0; i < n; ++i) {
        RWrite w{};
        if (Sim().SimRWriteLogEntry(i, &w.number, &w.value) == 0) out.push_back(w);
    }
    return out;
}

std::string OnlineRunFixture::EventLog() {
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(events_))
        if (e.path().extension() == ".LGC") files.push_back(e.path());
    std::sort(files.begin(), files.end());
    std::string all;
    for (const auto& f : files) all += ReadFile(f.string());
    return all;
}

std::string OnlineRunFixture::ControllerTrace() {
    std::string t = "program state " + std::to_string(Sim().SimProgramState()) + " block " +
                    std::to_string(Sim().SimProgramBlock()) + " last error '" + Sim().SimLastError() + "'\n";
    for (int r : {452, 599, 590, 485, 450, 451, 455})
        t += "R" + std::to_string(r) + "=" + std::to_string(Sim().SimGetR(r)) + " ";
    t += "\ncommands:";
    const int n = Sim().SimCommandLogCount();
    for (int i = 0; i < n; ++i) {
        int code = 0, sub = 0, result = 0;
        char text[64] = {};
        Sim().SimCommandLogEntry(i, &code, &sub, text, sizeof text, &result);
        t += " (" + std::to_string(code) + "," + std::to_string(sub) + "," + text + ")=" + std::to_string(result);
    }
    t += "\nwrites:";
    for (const RWrite& w : RWrites()) t += " R" + std::to_string(w.number) + "=" + std::to_string(w.value);
    for (const auto& b : ui_->boxes) t += "\nbox " + b.title + ": " + b.text;
    return t;
}
