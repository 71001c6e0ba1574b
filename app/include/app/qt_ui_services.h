#pragma once
// The user-interface services of the core layers (machine/ui_services.h) on Qt: message boxes
// titled by a message key or a literal title in the scaled dialog font, status panes of the
// main window, the wait cursor. Also the message sinks of the shape compiler and the label
// library, which show their messages as boxes through the same services.
#include <QMessageBox>
#include <functional>

#include "machine/ui_services.h"

class QLabel;

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

// A message box enlarged with the screen (SetEnlargement with ScreenScalePercent: 25 on an
// 800-pixel screen, 100 from 1025) as MessageBoxRect decides: laid out in the screen's font,
// at least as large as the same box in the plain font grown by the per cent, within the
// screen's room; centred and kept on the screen, and never moved once shown. A text too large
// for the room wraps at the room's width (a long path too, at its separators or anywhere
// within a long name) and scrolls when still too high.
class ScaledMessageBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;
    void SetEnlargement(int percent);

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void Enlarge();
    QSize PlainSize() const;
    void ScrollText(QLabel& label);
    int m_percent = 0;
    QSize m_plain;
    QSize m_enlarged;
};

// Ends every message box now open as if it was closed without a button (each returns its
// refusing answer).
void EndOpenMessageBoxes();
// The same, and every box asked for afterwards ends at once with its refusing answer, so a
// termination request ends the program however many boxes are still to come. A termination
// request does this before asking the main window to close.
void EndAllMessageBoxes();

// Installs (true) or removes (false) the sinks of the shape compiler library (bound handle)
// and of the label library.
void InstallLibrarySinks(void* shapeCompilerLibrary);
void RemoveLibrarySinks(void* shapeCompilerLibrary);

} // namespace app
