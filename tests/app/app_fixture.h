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
    CVelmoApp::StartResult Start(const std::string& commandLine = "", bool createWindow = true);
    // The simulated controller's control calls (after an on-line start).
    simcnc::Controls& Sim();

    void WriteFile(const std::string& path, const std::string& text);
    std::string ReadFile(const std::string& path);
    void WriteConfig(const char* section, const char* key, const char* value);
    int CountBoxesContaining(const std::string& text) const;
    // The demo list listName in the configuration's DIR_LDA as the automatic test run's list
    // ("TestList.txt"), with the test run's flags on (FLAG_TEST_MACHINE, FLAG_TEST_HIDE_POPUP).
    // Returns the list folder, native, with its trailing '/'. Before the start.
    std::string PutTestList(const std::string& listName);

    std::string tmp_;      // native, trailing '/'
    std::string program_;  // program directory
    std::string drives_;
    std::string toolsTxt_;
    std::unique_ptr<AppTestUi> ui_;
    std::unique_ptr<CVelmoApp> app_;
    simcnc::Controls sim_;
};
