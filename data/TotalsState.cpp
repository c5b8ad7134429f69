#include "data/TotalsState.h"

namespace data {
namespace {

bool HasStateTable(db::Connection& connection) {
    return !connection
                .Execute(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='table' AND "
                                        "name='tavrinSumState' COLLATE NOCASE"))
                .IsEOF();
}

} // namespace

void AddTotalsStateTable(db::Connection& connection) {
    connection.Execute(QStringLiteral("CREATE TABLE IF NOT EXISTS tavrinSumState (id INTEGER NOT NULL, "
                                      "sumno INTEGER NOT NULL, PRIMARY KEY (id, sumno))"));
}

void MarkTotalsStale(db::Connection& connection, int examId) {
    // A file opened without its upgrade gets the table with its first mark. The table is looked
    // for first: a CREATE, even one that creates nothing, lets the connection forget its prepared
    // statements, and marks are written one at a time while a teacher types.
    if (!HasStateTable(connection))
        AddTotalsStateTable(connection);
    connection.Execute(
        QStringLiteral("INSERT OR IGNORE INTO tavrinSumState (id, sumno) VALUES (?, 1), (?, 2), (?, 3)"),
        examId, examId, examId);
}

void MarkTotalsComputed(db::Connection& connection, int examId, int sumNo) {
    if (HasStateTable(connection))
        connection.Execute(QStringLiteral("DELETE FROM tavrinSumState WHERE id=? AND sumno=?"), examId,
                           sumNo);
}

void ForgetTotalsState(db::Connection& connection, int examId) {
    if (HasStateTable(connection))
        connection.Execute(QStringLiteral("DELETE FROM tavrinSumState WHERE id=?"), examId);
}

std::vector<int> StaleTotals(db::Connection& connection, int examId) {
    std::vector<int> stale;
    if (!HasStateTable(connection))
        return stale;
    for (db::Recordset rs = connection.Execute(
             QStringLiteral("SELECT sumno FROM tavrinSumState WHERE id=? ORDER BY sumno"), examId);
         !rs.IsEOF(); rs.MoveNext())
        stale.push_back(rs.Field(0).ToInt());
    return stale;
}

} // namespace data
