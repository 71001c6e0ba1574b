#pragma once
// Acting on the dialogs that a Qt test opens modally. A dialog is answered only when it opened
// after the act was set up (or after the previous answer ran): in the moment between one modal
// dialog closing and the next one opening, the dialog underneath (still modal, still visible)
// is the active modal widget, and a poll that took whatever is active would answer it in the
// next dialog's place.
#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>

namespace modal_clock {

// Stamps every window as it shows, from a counter that only goes up.
class ShowClock : public QObject {
public:
    static ShowClock& Instance() {
        static ShowClock* clock = [] {
            auto* c = new ShowClock;
            QCoreApplication::instance()->installEventFilter(c);
            return c;
        }();
        return *clock;
    }
    // The stamp of the latest show so far.
    uint64_t Now() const { return now_; }
    // The stamp of the window's latest show; 0 when it has not shown since the clock started.
    static uint64_t ShownAt(const QWidget* w) {
        const QVariant v = w->property(kProperty);
        return v.isValid() ? v.toULongLong() : 0;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow())
            watched->setProperty(kProperty, QVariant::fromValue<qulonglong>(++now_));
        return false;
    }

private:
    static constexpr const char* kProperty = "testShownAt";
    uint64_t now_ = 0;
};

// Starts the clock (dialogs shown before it are never "opened after" anything); the current stamp.
inline uint64_t Now() { return ShowClock::Instance().Now(); }

// The active modal dialog when it is visible and opened after the stamp; else null.
inline QWidget* ModalOpenedAfter(uint64_t stamp) {
    QWidget* w = QApplication::activeModalWidget();
    if (w == nullptr || !w->isVisible() || ShowClock::ShownAt(w) <= stamp) return nullptr;
    return w;
}

} // namespace modal_clock

// The act runs on the first modal dialog of type T that opens after this call, as soon as it
// shows (polled, so a slow start never hangs the test); the poll ends when the dialog was handled.
template <typename T>
void WhenModal(std::function<void(T*)> act) {
    const uint64_t since = modal_clock::Now();
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, act, since] {
        if (auto* d = qobject_cast<T*>(modal_clock::ModalOpenedAfter(since))) {
            poll->stop();
            poll->deleteLater();
            act(d);
        }
    });
    poll->start(20);
}
