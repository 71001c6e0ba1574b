#pragma once
// Helpers of the wizard tests: answering modal dialogs. The one offscreen QApplication is the
// dialog toolkit tests' TestApp().
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "qt_app.h"
#include "test_support/qt_modal.h"

namespace lptest {

// Calls answer with the next modal dialog that opens after this call, once it runs (polled,
// never a dialog that was already open, such as the one that schedules the answer); a dialog
// answer leaves open is rejected, so a failed expectation cannot hang the test.
inline void AnswerModal(std::function<void(QWidget*)> answer) {
    const uint64_t since = modal_clock::Now();
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, answer, since] {
        QWidget* modal = modal_clock::ModalOpenedAfter(since);
        if (!modal) return;
        poll->stop();
        poll->deleteLater();
        answer(modal);
        if (modal->isVisible()) QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection);
    });
    poll->start(0);
}

} // namespace lptest
