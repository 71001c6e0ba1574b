#include "app_fixture.h"

#include <QStandardPaths>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/path_table_qt.h"
#include "app/main_frame.h"
#include "machine/globals.h"
#include "machine/uvenlib_binding.h"
#include "platform/dynlib.h"
#include "platform/paths.h"
#include "platform/profile.h"

namespace fs = std::filesystem;

QApplication& TestApp() {
    static int argc = 1;
    static char name[] = "app_tests";
    static char* argv[] = {name, nullptr};
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QApplication* app = new QApplication(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    // The look command writes its registry value: keep it away from the user's own settings.
    QStandardPaths::setTestModeEnabled(true);
    return *app;
}

extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

void AppTestUi::SetPaneText(int paneId, const std::string& text) {
    RecordingUi::SetPaneText(paneId, text);
    if (MainFrame != nullptr) MainFrame->SetPaneText(paneId, text);
}

void AppFixture::SetUp() {
    TestApp();
    char pattern[] = "/tmp/brelon_app_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    tmp_ = std::string(pattern) + "/";
    program_ = tmp_ + "prog/";
    drives_ = tmp_ + "drives";
    const fs::path demo = fs::path(BRELON_SOURCE_DIR) / "demo";
    fs::create_directories(program_ + "LOG");
    fs::copy(demo / "CONF", program_ + "CONF", fs::copy_options::recursive);
    fs::copy(demo / "MSG", program_ + "MSG", fs::copy_options::recursive);
    fs::create_directories(drives_ + "/C/BRELON3/VELMO/UTEN");
    toolsTxt_ = drives_ + "/C/BRELON3/VELMO/UTEN/TOOLS.TXT";
    fs::copy_file(demo / "UTEN" / "TOOLS.TXT", toolsTxt_);
    fs::create_directories(tmp_ + "lock");
    plat::SetDrivesRoot(drives_);
    ResetProgramValues();
    ui_ = std::make_unique<AppTestUi>();
}

void AppFixture::TearDown() {
    app_.reset();
    ui_.reset();
    plat::SetDrivesRoot("");
    std::error_code ec;
    fs::remove_all(tmp_, ec);
}

void AppFixture::MakeOnline(const std::string& variant) {
    fs::create_directories(drives_ + "/C/UVEN/LAV/LAV");
    fs::create_directories(drives_ + "/C/parvolt");
    fs::copy_file(std::string(BRELON_BINARY_DIR) + "/bin" + variant + "/libUvenlibVB.so",
                  drives_ + "/C/parvolt/libUvenlibVB.so", fs::copy_options::overwrite_existing);
}

CVelmoApp::StartResult AppFixture::Start(const std::string& commandLine, bool createWindow) {
    app_ = std::make_unique<CVelmoApp>();
    CVelmoApp::Options o;
    o.moduleDir = program_;
    o.commandLine = commandLine;
    o.lockDir = tmp_ + "lock";
    o.createMainWindow = createWindow;
    o.startControllerProgram = false;
    o.installQtServices = false;
    const CVelmoApp::StartResult r = app_->InitInstance(o);
    if (g_uvenlib.IsLoaded()) {
        void* lib = g_uvenlib.Handle();
        sim_.Bind([lib](const char* n) { return plat::GetProcAddress(lib, n); });
    }
    return r;
}

simcnc::Controls& AppFixture::Sim() { return sim_; }

void AppFixture::WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string AppFixture::ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void AppFixture::WriteConfig(const char* section, const char* key, const char* value) {
    plat::WriteProfileString(section, key, value, (program_ + "CONF/CONFIG.PAR").c_str());
}

int AppFixture::CountBoxesContaining(const std::string& text) const {
    int n = 0;
    for (const auto& b : ui_->boxes)
        if (b.text.find(text) != std::string::npos) ++n;
    return n;
}

std::string AppFixture::PutTestList(const std::string& listName) {
    const std::string config = program_ + "CONF/CONFIG.PAR";
    const std::string lda = plat::NativePath(plat::ReadProfileString("GENERAL", "DIR_LDA", "", config.c_str()));
    fs::create_directories(lda);
    fs::copy_file(fs::path(BRELON_SOURCE_DIR) / "demo" / "LDA" / listName, lda + listName,
                  fs::copy_options::overwrite_existing);
    WriteFile(lda + "TestList.txt", listName + "\r\n");
    const std::string test = program_ + "CONF/TEST.PAR";
    plat::WriteProfileString("TEST", "FLAG_TEST_MACHINE", "1", test.c_str());
    plat::WriteProfileString("TEST", "FLAG_TEST_HIDE_POPUP", "1", test.c_str());
    return lda;
}
