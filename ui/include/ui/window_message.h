#pragma once
// A window message (number and two parameters) carried as a Qt event; windows dispatch it by
// number in event(). WM_USER keeps its value.
#include <QEvent>
#include <cstdint>

namespace ui {

constexpr unsigned kWmUser = 0x400;

class WindowMessageEvent : public QEvent {
public:
    WindowMessageEvent(unsigned msg, uintptr_t wParam, intptr_t lParam)
        : QEvent(EventType()), m_msg(msg), m_wParam(wParam), m_lParam(lParam) {}
    static QEvent::Type EventType();
    unsigned Msg() const { return m_msg; }
    uintptr_t WParam() const { return m_wParam; }
    intptr_t LParam() const { return m_lParam; }

private:
    unsigned m_msg;
    uintptr_t m_wParam;
    intptr_t m_lParam;
};

} // namespace ui
