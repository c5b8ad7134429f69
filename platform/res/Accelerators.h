#pragma once
// Accelerator tables by id, read from the compiled-in ":/veltora/menus/<id>.acc": one line per key,
// "<keys><TAB><command id>", keys in Qt's portable text ("Ctrl+N", "Shift+F6", "Alt+X"); '#'
// starts a comment line.

#include <QKeyCombination>
#include <QString>

#include <optional>
#include <vector>

namespace res {

struct Accelerator {
    QKeyCombination key;
    int command = 0;
};

using AcceleratorTable = std::vector<Accelerator>;

// Nothing when a line does not parse.
std::optional<AcceleratorTable> ParseAccelerators(const QString& text);
std::optional<AcceleratorTable> LoadAccelerators(int id);

// The command of `key` in `table`, or 0.
int FindAccelerator(const AcceleratorTable& table, QKeyCombination key);

} // namespace res
