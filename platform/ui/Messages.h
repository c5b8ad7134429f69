#pragma once
// Window messages between our windows, carried as custom events: posted ones are queued and
// delivered later by the event loop, sent ones are delivered at once and carry a result back.

#include <QEvent>
#include <QPointer>

#include <cstdint>

class QObject;

namespace ui {

inline constexpr unsigned WM_USER = 0x0400;
inline constexpr unsigned WM_APP = 0x8000;
inline constexpr unsigned WM_CLOSE = 0x0010;
// wParam: the control id in the low word and the notification code in the high word; lParam: the
// control's widget.
inline constexpr unsigned WM_COMMAND = 0x0111;

class WindowMessage : public QEvent {
public:
    WindowMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
        : QEvent(EventType()), m_message(message), m_wParam(wParam), m_lParam(lParam) {}

    // The event type all window messages share.
    static QEvent::Type EventType();

    unsigned Message() const { return m_message; }
    std::uintptr_t WParam() const { return m_wParam; }
    std::intptr_t LParam() const { return m_lParam; }

    // The answer of a sent message.
    std::intptr_t Result() const { return m_result; }
    void SetResult(std::intptr_t result) { m_result = result; }

private:
    unsigned m_message;
    std::uintptr_t m_wParam;
    std::intptr_t m_lParam;
    std::intptr_t m_result = 0;
};

// Queues the message for `target`; false when there is no target.
bool PostMessage(QObject* target, unsigned message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);

// Delivers the message to `target` now and returns its result (0 without a target).
std::intptr_t SendMessage(QObject* target, unsigned message, std::uintptr_t wParam = 0,
                          std::intptr_t lParam = 0);

// The message carried by `event`, or nullptr when it is no window message.
inline WindowMessage* AsWindowMessage(QEvent* event) {
    return event && event->type() == WindowMessage::EventType() ? static_cast<WindowMessage*>(event)
                                                                : nullptr;
}

} // namespace ui
