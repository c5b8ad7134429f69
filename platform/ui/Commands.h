#pragma once
// Command ids and their routing: each command target keeps a dispatch map from command ids to its
// handlers (the message map of a Windows application framework) and an optional update handler that says
// whether a command is enabled or checked right now.

#include <functional>
#include <unordered_map>

namespace ui {

// Command ids that the framework itself defines.
inline constexpr int ID_FILE_PRINT_SETUP = 57606;
inline constexpr int ID_FILE_PRINT = 57607;
inline constexpr int ID_FILE_PRINT_DIRECT = 57608;
inline constexpr int ID_FILE_PRINT_PREVIEW = 57609;
inline constexpr int ID_EDIT_COPY = 57634;
inline constexpr int ID_EDIT_CUT = 57635;
inline constexpr int ID_EDIT_PASTE = 57637;
inline constexpr int ID_EDIT_SELECT_ALL = 57642;
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_APP_EXIT = 57665;
inline constexpr int ID_HELP = 57670;
inline constexpr int ID_NEXT_PANE = 57680;
inline constexpr int ID_PREV_PANE = 57681;
inline constexpr int ID_VIEW_TOOLBAR = 59392;
inline constexpr int ID_VIEW_STATUS_BAR = 59393;
inline constexpr int AFX_IDW_TOOLBAR = 0xE800;
inline constexpr int AFX_IDW_STATUS_BAR = 0xE801;
// The idle prompt of the status bar.
inline constexpr int AFX_IDS_IDLEMESSAGE = 57345;

// What an update handler may say about a command.
struct CmdUI {
    bool enabled = true;
    bool checkable = false;
    bool checked = false;

    void Enable(bool on = true) { enabled = on; }
    void SetCheck(bool on) {
        checkable = true;
        checked = on;
    }
};

class CommandMap {
public:
    using Handler = std::function<void()>;
    using UpdateHandler = std::function<void(CmdUI&)>;

    // ON_COMMAND: a later entry for the same id replaces the earlier one.
    void On(int id, Handler handler) { m_handlers[id] = std::move(handler); }
    // ON_UPDATE_COMMAND_UI.
    void OnUpdate(int id, UpdateHandler handler) { m_updates[id] = std::move(handler); }

    bool Has(int id) const { return m_handlers.count(id) != 0; }

    // Runs the handler of `id`; false when the map has none.
    bool Dispatch(int id) const;

    // Fills `ui` when the map knows `id` (an update handler, or else a handler: enabled);
    // false when it knows nothing of it.
    bool Update(int id, CmdUI& ui) const;

private:
    std::unordered_map<int, Handler> m_handlers;
    std::unordered_map<int, UpdateHandler> m_updates;
};

// Something that commands are routed to.
class CommandTarget {
public:
    virtual ~CommandTarget() = default;
    // True when the command was handled.
    virtual bool OnCmdMsg(int id) = 0;
    // True when some target knows the command; `ui` tells its state.
    virtual bool OnUpdateCmdUI(int id, CmdUI& ui) = 0;
};

} // namespace ui
