#pragma once
// Helpers of the wizard tests: answering modal dialogs. The one offscreen QApplication is the
// dialog toolkit tests' TestApp().
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "qt_app.h"

namespace lptest {

// Calls answer with the next modal dialog once it runs; a dialog answer leaves open is
// rejected, so a failed expectation cannot hang the test.
inline void AnswerModal(std::function<void(QWidget*)> answer) {
    QTimer::singleShot(0, [answer] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) return;
        answer(modal);
        if (modal->isVisible()) QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection);
    });
}

} // namespace lptest
