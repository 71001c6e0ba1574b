#pragma once
// The user-interface services of the core layers (machine/ui_services.h) on Qt: message boxes
// titled by a message key or a literal title in the scaled dialog font, status panes of the
// main window, the wait cursor. Also the message sinks of the shape compiler and the label
// library, which show their messages as boxes through the same services.
#include <QMessageBox>
#include <functional>

#include "machine/ui_services.h"

namespace app {

class QtUiServices : public UiServices {
public:
    int ShowMessageBox(const MessageBoxRequest& request) override;
    void SetPaneText(int paneId, const std::string& text) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;

    // Called with every box just before it runs (tests answer it from here).
    static void SetBoxObserver(std::function<void(QMessageBox&)> observer);

private:
    int m_waitDepth = 0;
};

// Builds the box a request describes (not shown). Title: the key's text in "STRING.MSG" or the
// literal title.
void PrepareMessageBox(QMessageBox& box, const MessageBoxRequest& request);

// Installs (true) or removes (false) the sinks of the shape compiler library (bound handle)
// and of the label library.
void InstallLibrarySinks(void* shapeCompilerLibrary);
void RemoveLibrarySinks(void* shapeCompilerLibrary);

} // namespace app
