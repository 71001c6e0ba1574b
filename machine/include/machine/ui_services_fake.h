#pragma once
// Recording fakes of the user-interface services for tests of every layer: boxes are recorded
// and answered from a script, panes and posted messages are recorded.
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "machine/ui_services.h"

class RecordingUi : public UiServices {
public:
    // Answers, consumed one per box in order; when empty the responder (if set) answers, else
    // defaultAnswer, else the refusing answer of the box's buttons.
    std::deque<int> script;
    std::function<int(const MessageBoxRequest&)> responder;
    int defaultAnswer = 0;

    std::vector<MessageBoxRequest> boxes;       // every box shown, in order
    std::vector<int> answers;                   // the answer given to each
    std::map<int, std::string> panes;           // last text per pane id
    std::vector<std::pair<int, std::string>> paneLog; // every pane write
    int waitDepth = 0;
    int waitBegins = 0;

    int ShowMessageBox(const MessageBoxRequest& request) override {
        boxes.push_back(request);
        int answer;
        if (!script.empty()) {
            answer = script.front();
            script.pop_front();
        } else if (responder) {
            answer = responder(request);
        } else if (defaultAnswer != 0) {
            answer = defaultAnswer;
        } else {
            answer = RefusingAnswer(request.buttons);
        }
        answers.push_back(answer);
        return answer;
    }
    void SetPaneText(int paneId, const std::string& text) override {
        panes[paneId] = text;
        paneLog.emplace_back(paneId, text);
    }
    void BeginWaitCursor() override {
        ++waitDepth;
        ++waitBegins;
    }
    void EndWaitCursor() override { --waitDepth; }

    // Titles of the boxes shown (keys or literal titles).
    std::vector<std::string> Titles() const {
        std::vector<std::string> t;
        for (const auto& b : boxes) t.push_back(b.title);
        return t;
    }
    const MessageBoxRequest* LastBox() const { return boxes.empty() ? nullptr : &boxes.back(); }
};

// Installs a RecordingUi for the scope of a test and restores the previous services after.
class ScopedRecordingUi : public RecordingUi {
public:
    ScopedRecordingUi() : previous_(&Ui()) { SetUi(this); }
    ~ScopedRecordingUi() override { SetUi(previous_); }
    ScopedRecordingUi(const ScopedRecordingUi&) = delete;
    ScopedRecordingUi& operator=(const ScopedRecordingUi&) = delete;

private:
    UiServices* previous_;
};

struct PostedMessage {
    uint32_t msg;
    intptr_t wParam;
    intptr_t lParam;
    bool operator==(const PostedMessage&) const = default;
};

// A window that records what is posted to it.
class RecordingWindow : public IWindow {
public:
    std::vector<PostedMessage> posted;
    void Post(uint32_t msg, intptr_t wParam, intptr_t lParam) override { posted.push_back({msg, wParam, lParam}); }
};
