// Window timers by id over QObject::startTimer.
#include "app/window_timers.h"

namespace app {

bool WindowTimers::Set(int id, int periodMs) {
    Kill(id);
    if (periodMs < 1) periodMs = 1;
    const int qtId = m_owner->startTimer(periodMs);
    if (qtId == 0) return false;
    m_byId[id] = Entry{qtId, periodMs};
    return true;
}

bool WindowTimers::Kill(int id) {
    auto it = m_byId.find(id);
    if (it == m_byId.end()) return false;
    m_owner->killTimer(it->second.qtId);
    m_byId.erase(it);
    return true;
}

void WindowTimers::KillAll() {
    for (const auto& [id, entry] : m_byId) m_owner->killTimer(entry.qtId);
    m_byId.clear();
}

int WindowTimers::Period(int id) const {
    auto it = m_byId.find(id);
    return it == m_byId.end() ? 0 : it->second.period;
}

int WindowTimers::IdOf(int qtTimerId) const {
    for (const auto& [id, entry] : m_byId)
        if (entry.qtId == qtTimerId) return id;
    return 0;
}

} // namespace app
