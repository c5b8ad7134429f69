#include "platform/ui/Messages.h"

#include <QCoreApplication>

namespace ui {

QEvent::Type WindowMessage::EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

bool PostMessage(QObject* target, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (!target)
        return false;
    QCoreApplication::postEvent(target, new WindowMessage(message, wParam, lParam));
    return true;
}

std::intptr_t SendMessage(QObject* target, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (!target)
        return 0;
    WindowMessage m(message, wParam, lParam);
    QCoreApplication::sendEvent(target, &m);
    return m.Result();
}

} // namespace ui
