#pragma once
// Acting on a dialog that a Qt test opens modally: the act runs on the first modal dialog of
// type T as soon as it shows (polled, so a slow start never hangs the test); the poll ends when
// the dialog was handled.
#include <QApplication>
#include <QTimer>
#include <functional>

template <typename T>
void WhenModal(std::function<void(T*)> act) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        if (auto* d = qobject_cast<T*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            act(d);
        }
    });
    poll->start(20);
}
