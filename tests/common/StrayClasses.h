#pragma once
// Score rows with class numbers the program never gives (it numbers classes 1 … 99), as a foreign
// or damaged database file may hold them, and a cell-by-cell picture of a report table to compare
// the reports with and without such rows.

#include "platform/db/Connection.h"
#include "reports/ReportTable.h"

#include <QStringList>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace strayclasses {

// Just past the range, large, near the top of a 32-bit number, and 2^32 + 1, which a 32-bit
// conversion would turn into class 1.
inline const std::vector<long long> kClasses = {100, 5000, 2000000000, 4294967297LL};

// Adds to exam `examId`, for every stray class, a row without any score, or (with `copyOf`) a copy
// of every row of class `copyOf` of that exam with `columns` (the score and total columns) kept.
inline void AddRows(db::Connection& conn, int examId, const QStringList& columns,
                    std::optional<int> copyOf = std::nullopt) {
    for (const long long cls : kClasses) {
        const QString id = QStringLiteral("stray%1").arg(cls);
        if (!copyOf) {
            conn.Execute(QStringLiteral("INSERT INTO tavrinKSK (id, studentid, name, class, worl) "
                                        "VALUES (?, ?, ?, ?, '理')"),
                         examId, id, id, cls);
            continue;
        }
        const QString kept = columns.join(u',');
        conn.Execute(
            QStringLiteral("INSERT INTO tavrinKSK (id, grade, studentid, name, class, gender, worl, %1) "
                           "SELECT id, grade, studentid || ?, name, ?, gender, worl, %1 "
                           "FROM tavrinKSK WHERE id=? AND class=?")
                .arg(kept),
            id, cls, examId, *copyOf);
    }
}

// Every cell's text, a row to a line, with the table's size first.
inline QStringList Cells(const CReportTable& table) {
    QStringList lines{QStringLiteral("%1×%2").arg(table.RowCount()).arg(table.ColumnCount())};
    for (int r = 0; r < table.RowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < table.ColumnCount(); ++c)
            row << table.Text(r, c);
        lines << row.join(u'|');
    }
    return lines;
}

// The first line where two pictures of a table differ, both versions; empty when they agree.
inline std::string FirstDifference(const QStringList& actual, const QStringList& expected) {
    for (qsizetype i = 0; i < std::max(actual.size(), expected.size()); ++i) {
        const QString a = actual.value(i, QStringLiteral("(none)"));
        const QString e = expected.value(i, QStringLiteral("(none)"));
        if (a != e)
            return QStringLiteral("line %1: \"%2\" instead of \"%3\"").arg(i).arg(a, e).toStdString();
    }
    return {};
}

} // namespace strayclasses
