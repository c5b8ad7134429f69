#pragma once
// The program's string table: texts by numeric id, read from the compiled-in resources
// ":/veltora/strings/*.txt" (format in IdTexts.h). It holds texts only: the prompts of commands
// are in the prompt table, so a string may share its number with a command.

#include <QString>

namespace res {

// The text of string `id`, or an empty string when the table has no such entry.
QString LoadString(int id);

// Whether the table has an entry `id`.
bool HasString(int id);

} // namespace res
