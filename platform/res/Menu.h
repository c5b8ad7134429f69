#pragma once
// Menu resources by id, read from the compiled-in ":/veltora/menus/<id>.rc": the menu part of a
// resource script, e.g.
//
//     POPUP "系统设置(&S)"
//     BEGIN
//         MENUITEM "升级数据库(&U)", 32842
//         MENUITEM SEPARATOR
//     END
//
// Strings take the escapes \t, \" and \\; "//" and "#" start comment lines.

#include <QString>

#include <optional>
#include <vector>

namespace res {

struct MenuItem {
    enum class Kind { Command, Separator, Popup };
    Kind kind = Kind::Command;
    QString text;                // with its "&" mnemonic and any "\t" accelerator text
    int id = 0;                  // commands only
    std::vector<MenuItem> items; // popups only

    // The text without the "\t" accelerator part.
    QString Label() const;
    // The accelerator text after "\t", if any.
    QString AcceleratorText() const;
};

struct Menu {
    std::vector<MenuItem> items; // the menu bar's popups

    // Every command id in the menu, depth first in menu order.
    std::vector<int> CommandIds() const;
    // The item of command `id`, or nullptr.
    const MenuItem* FindCommand(int id) const;
};

// Parses a menu script; nothing when it is malformed.
std::optional<Menu> ParseMenu(const QString& script);

// The compiled-in menu `id`; nothing when there is none or it does not parse.
std::optional<Menu> LoadMenu(int id);

} // namespace res
