#pragma once
// The program's string table: texts by numeric id, read from the compiled-in resources
// ":/veltora/strings/*.txt" (lines "id<TAB>text"; "\t", "\n" and "\\" escapes; '#' starts a
// comment line). An id given twice keeps its first text, in file-name order.

#include <QString>

namespace res {

// The text of string `id`, or an empty string when the table has no such entry.
QString LoadString(int id);

// Whether the table has an entry `id`.
bool HasString(int id);

} // namespace res
