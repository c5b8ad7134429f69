#pragma once
// The program's tables of texts by numeric id, each read on first use from one folder of the
// compiled-in resources: every "*.txt" in it, in file-name order, with lines "id<TAB>text" ("\t",
// "\n" and "\\" escapes; '#' starts a comment line). An id given twice keeps its first text.

#include <QHash>
#include <QString>

namespace res {

enum class IdTable {
    Strings, // ":/veltora/strings", the string table
    Prompts, // ":/veltora/prompts", the command prompts
};
const QHash<int, QString>& IdTexts(IdTable table);

} // namespace res
