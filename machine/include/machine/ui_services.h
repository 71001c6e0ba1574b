#pragma once
// The few user-interface services that the core layers need: message boxes, posting a private
// message to a window, status-bar panes and the wait cursor. The core sees only these
// interfaces; the Qt program implements them, tests use the recording fake
// (ui_services_fake.h). Nothing here starts a window system.
#include <cstdint>
#include <string>

// Window messages: private messages keep their numbers from WM_USER.
inline constexpr uint32_t WM_USER = 0x400;
inline constexpr uint32_t UM_CNC_CMD_RESULT = WM_USER + 0x64;

// Buttons of a message box.
enum class BoxButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
enum class BoxIcon { None, Warning, Question, Information, Error };

// Answers keep the numbers callers compare with.
enum BoxAnswer : int {
    IDOK = 1,
    IDCANCEL = 2,
    IDABORT = 3,
    IDRETRY = 4,
    IDIGNORE = 5,
    IDYES = 6,
    IDNO = 7,
};

struct MessageBoxRequest {
    std::string title;        // a message key (titleIsKey) or a literal title ("Velmo-Errore")
    bool titleIsKey = true;
    std::string text;         // the text shown, already looked up by the caller
    BoxButtons buttons = BoxButtons::Ok;
    BoxIcon icon = BoxIcon::None;
    bool taskModal = true;
    bool scaled = true;       // font and size scaled to the screen (false for the few unscaled boxes)
    bool defaultSecond = false; // the second button is the default one (No of Yes/No)
};

// A window that receives posted messages (handled later, in its own turn of the event loop).
class IWindow {
public:
    virtual ~IWindow() = default;
    virtual void Post(uint32_t msg, intptr_t wParam, intptr_t lParam) = 0;
};

class UiServices {
public:
    virtual ~UiServices() = default;
    // Shows the box and returns the answer (one of BoxAnswer).
    virtual int ShowMessageBox(const MessageBoxRequest& request) = 0;
    // Sets the text of the status-bar pane with this id (unknown ids are ignored).
    virtual void SetPaneText(int paneId, const std::string& text) = 0;
    // Nested: the cursor stays busy until every Begin has its End.
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;
};

// The services in use. Without any set, a silent implementation answers every box with its
// refusing button (OK for an OK box, else Cancel, No or Abort), writes the box to stderr,
// and ignores panes and cursor.
UiServices& Ui();
void SetUi(UiServices* services); // null restores the silent one

// The answer the silent implementation gives for a set of buttons.
int RefusingAnswer(BoxButtons buttons);

// Conveniences.
int ShowBox(const char* titleKey, const std::string& text, BoxButtons buttons = BoxButtons::Ok,
            BoxIcon icon = BoxIcon::Warning);
int ShowBoxLiteralTitle(const char* title, const std::string& text, BoxButtons buttons = BoxButtons::Ok,
                        BoxIcon icon = BoxIcon::None);

// Busy cursor for the lifetime of the object.
class WaitCursor {
public:
    WaitCursor() { Ui().BeginWaitCursor(); }
    ~WaitCursor() { Ui().EndWaitCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};
