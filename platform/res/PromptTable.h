#pragma once
// The command prompts: for each command id, the text the status bar shows while the command is
// pointed at and the tooltip of its toolbar button. Read from the compiled-in resources
// ":/veltora/prompts/*.txt" (format in IdTexts.h; the text is "status text\ntooltip").

#include <QString>

namespace res {

struct CommandPrompt {
    QString statusText;
    QString toolTip;
};

// The prompt of command `id`; both texts are empty when the table has no entry for it.
CommandPrompt LoadPrompt(int id);

// Whether the table has an entry `id`.
bool HasPrompt(int id);

} // namespace res
