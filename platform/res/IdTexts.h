#pragma once
// Texts by numeric id, read from one folder of the compiled-in resources: every "*.txt" in it, in
// file-name order, with lines "id<TAB>text" ("\t", "\n" and "\\" escapes; '#' starts a comment
// line). An id given twice keeps its first text.

#include <QHash>
#include <QString>

namespace res {

QHash<int, QString> ReadIdTexts(const QString& folder);

} // namespace res
