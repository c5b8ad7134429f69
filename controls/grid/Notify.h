#pragma once
// WM_NOTIFY between a control and its owner, carried by the window messages of platform/ui: the
// control fills a record that begins with NMHDR and sends it, synchronously, as
//     ui::SendMessage(owner, WM_NOTIFY, controlId, reinterpret_cast<std::intptr_t>(&record.hdr))
// and reads the owner's answer as the result. The owner (a dialog, or a test's event filter)
// recognises the message in event():
//     if (NMHDR* hdr = NotifyHeader(event)) { ... message->SetResult(answer); return true; }
// and reaches the full record by casting hdr to the record type the code implies. An owner that
// does not answer leaves the result 0.

#include "platform/ui/Messages.h"

#include <cstdint>

class QWidget;

using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

inline constexpr unsigned WM_NOTIFY = 0x004E;

struct NMHDR {
    QWidget* hwndFrom = nullptr;
    std::uintptr_t idFrom = 0;
    int code = 0;
};

// Sends the notification to `target` now and returns its answer (0 without a target).
inline LRESULT SendNotify(QObject* target, int controlId, NMHDR* header) {
    if (!target || !header)
        return 0;
    return ui::SendMessage(target, WM_NOTIFY, static_cast<std::uintptr_t>(controlId),
                           reinterpret_cast<std::intptr_t>(header));
}

// The header of a WM_NOTIFY carried by `event`, or null for any other event.
inline NMHDR* NotifyHeader(QEvent* event) {
    ui::WindowMessage* m = ui::AsWindowMessage(event);
    return m && m->Message() == WM_NOTIFY ? reinterpret_cast<NMHDR*>(m->LParam()) : nullptr;
}
