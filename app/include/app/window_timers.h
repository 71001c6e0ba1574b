#pragma once
// Window timers by their own ids (1, 2, 3, 5) on QObject::startTimer: a window keeps one of
// these and asks it which id a QTimerEvent belongs to.
#include <QObject>
#include <map>

namespace app {

class WindowTimers {
public:
    explicit WindowTimers(QObject* owner) : m_owner(owner) {}
    ~WindowTimers() { KillAll(); }
    WindowTimers(const WindowTimers&) = delete;
    WindowTimers& operator=(const WindowTimers&) = delete;

    // Starts (or restarts) timer id with the period in milliseconds (a period below 1 is
    // taken as 1). false when Qt refused the timer.
    bool Set(int id, int periodMs);
    // Stops timer id; false when it was not running.
    bool Kill(int id);
    void KillAll();
    bool IsRunning(int id) const { return m_byId.count(id) != 0; }
    int Period(int id) const;
    // The window's id of a Qt timer id, or 0 when it is none of this window's timers.
    int IdOf(int qtTimerId) const;

private:
    struct Entry {
        int qtId;
        int period;
    };
    QObject* m_owner;
    std::map<int, Entry> m_byId;
};

} // namespace app
