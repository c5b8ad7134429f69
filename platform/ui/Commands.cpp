#include "platform/ui/Commands.h"

namespace ui {

bool CommandMap::Dispatch(int id) const {
    const auto it = m_handlers.find(id);
    if (it == m_handlers.end() || !it->second)
        return false;
    // A copy: the handler may replace entries of this map while it runs.
    const Handler handler = it->second;
    handler();
    return true;
}

bool CommandMap::Update(int id, CmdUI& ui) const {
    if (const auto it = m_updates.find(id); it != m_updates.end() && it->second) {
        it->second(ui);
        return true;
    }
    if (Has(id)) {
        ui.Enable(true);
        return true;
    }
    return false;
}

} // namespace ui
