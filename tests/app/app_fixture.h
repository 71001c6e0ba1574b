#pragma once
// A program directory in a temporary folder (demo CONF and MSG, the tool table in DIR_UTEN,
// drive letters under its own drives root) and the application object started on it, with
// boxes recorded instead of shown.
#include <gtest/gtest.h>

#include <QApplication>
#include <memory>
#include <string>

#include "app/velmo_app.h"
#include "machine/ui_services_fake.h"
#include "simcnc/simcnc.h"

QApplication& TestApp();

// Boxes recorded; panes recorded and also shown in the main window's status bars, as the
// program's own services do.
class AppTestUi : public ScopedRecordingUi {
public:
    void SetPaneText(int paneId, const std::string& text) override;
};

class AppFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Makes the controller work directory and puts a controller library at "C:\parvolt\"
    // (variant "" the full simulated library, "/missing" the one lacking an entry point).
    void MakeOnline(const std::string& variant = "");
    // The demo list `name` alone in the lists folder's "TestList.txt", and the automatic test
    // run switched on without modal boxes (CONF\TEST.PAR).
    void LayOutTestRunOf(const char* name);
    CVelmoApp::StartResult Start(const std::string& commandLine = "", bool createWindow = true);
    // The simulated controller's control calls (after an on-line start).
    simcnc::Controls& Sim();

    void WriteFile(const std::string& path, const std::string& text);
    std::string ReadFile(const std::string& path);
    void WriteConfig(const char* section, const char* key, const char* value);
    int CountBoxesContaining(const std::string& text) const;

    std::string tmp_;      // native, trailing '/'
    std::string program_;  // program directory
    std::string drives_;
    std::string toolsTxt_;
    std::unique_ptr<AppTestUi> ui_;
    std::unique_ptr<CVelmoApp> app_;
    simcnc::Controls sim_;
};
