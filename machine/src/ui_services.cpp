// The user-interface services in use, and the silent ones used when none are set.
#include "machine/ui_services.h"

#include <cstdio>

namespace {

class SilentUi final : public UiServices {
public:
    int ShowMessageBox(const MessageBoxRequest& request) override {
        std::fprintf(stderr, "[%s] %s\n", request.title.c_str(), request.text.c_str());
        return RefusingAnswer(request.buttons);
    }
    void SetPaneText(int, const std::string&) override {}
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
};

SilentUi g_silentUi;
UiServices* g_ui = nullptr;

} // namespace

UiServices& Ui() { return g_ui != nullptr ? *g_ui : g_silentUi; }

void SetUi(UiServices* services) { g_ui = services; }

int RefusingAnswer(BoxButtons buttons) {
    switch (buttons) {
    case BoxButtons::Ok: return IDOK;
    case BoxButtons::OkCancel:
    case BoxButtons::YesNoCancel:
    case BoxButtons::RetryCancel: return IDCANCEL;
    case BoxButtons::YesNo: return IDNO;
    case BoxButtons::AbortRetryIgnore: return IDABORT;
    }
    return IDCANCEL;
}

namespace {
int ShowRequest(const char* title, bool titleIsKey, const std::string& text, BoxButtons buttons, BoxIcon icon) {
    MessageBoxRequest r;
    r.title = title != nullptr ? title : "";
    r.titleIsKey = titleIsKey;
    r.text = text;
    r.buttons = buttons;
    r.icon = icon;
    return Ui().ShowMessageBox(r);
}
} // namespace

int ShowBox(const char* titleKey, const std::string& text, BoxButtons buttons, BoxIcon icon) {
    return ShowRequest(titleKey, true, text, buttons, icon);
}

int ShowBoxLiteralTitle(const char* title, const std::string& text, BoxButtons buttons, BoxIcon icon) {
    return ShowRequest(title, false, text, buttons, icon);
}
