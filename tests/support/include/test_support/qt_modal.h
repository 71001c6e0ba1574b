#pragma once
// Acting on a file dialog that a Qt test opens modally: the act runs as soon as the dialog is
// the active modal widget (polled, so a slow start never hangs the test).
#include <QApplication>
#include <QFileDialog>
#include <QTimer>
#include <functional>

inline void WhenFileDialogShown(std::function<void(QFileDialog*)> act) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        if (auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            act(dlg);
        }
    });
    poll->start(20);
}
