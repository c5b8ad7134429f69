#pragma once
// Fields in box texts: "[#SystemVar(PageNumber)#]", "[#SystemVar(PageCount)#]",
// "[#SystemVar(RecordCount)#]", "[#SystemVar(ReportTitle)#]" and "[#name#]" for the value of the
// record field `name`. A field that cannot be resolved is printed as written.

#include <QString>

#include <functional>

namespace report {

struct MacroContext {
    int pageNumber = 0; // 1-based
    int pageCount = 0;
    int recordCount = 0;
    QString title;
    // The value of a record field, or nullopt-like: return false when there is no such field.
    std::function<bool(const QString& name, QString& value)> field;
};

QString ExpandMacros(const QString& text, const MacroContext& context);

// Whether the text holds any "[#...#]" field (plain texts skip the expansion).
bool HasMacros(const QString& text);

} // namespace report
