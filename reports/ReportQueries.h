#pragma once
// What the report computations share: running their statements (with an optional trace for the
// measuring tool), the queries every report makes, and their fixed texts.

#include "platform/db/Connection.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class CTextCipher;

namespace reports {

// Runs one statement of a report computation; the active trace, if any, records it.
db::Recordset Query(db::Connection& connection, const QString& sql,
                    const std::vector<db::Variant>& params = {});

struct TracedStatement {
    QString sql;
    std::vector<db::Variant> params;
};

// While alive, records every statement that Query runs on this thread (for replaying the same SQL
// elsewhere). Traces do not nest: a new one replaces the outer one until it ends.
class CSqlTrace {
public:
    CSqlTrace();
    ~CSqlTrace();
    CSqlTrace(const CSqlTrace&) = delete;
    CSqlTrace& operator=(const CSqlTrace&) = delete;

    void Record(const QString& sql, const std::vector<db::Variant>& params);
    const std::vector<TracedStatement>& Statements() const { return m_statements; }

private:
    CSqlTrace* m_outer;
    std::vector<TracedStatement> m_statements;
};

// The score column of subject `no`, "s%02d"; refuses numbers outside 1..99, so that only checked
// names reach an SQL text.
QString ScoreColumn(int no);
// "sum1", "sum2" or "sum3".
QString TotalColumn(int k);

// The deciphered name of subject `no` (tavrinKMK row with that id); true when it was read. When
// there is no row, its name is NULL or the database fails, `name` keeps what the caller passed.
bool GetSubjectName(db::Connection& connection, CTextCipher& cipher, int no, QString& name);

// The class numbers the program gives: 1 … kMaxClass.
inline constexpr int kMaxClass = 99;

// The highest class number among the exam's score rows, counting only numbers within 1 … kMaxClass;
// 0 when there is none. The per-class tables are sized by it, so a row with a number the program
// never gives (a foreign or damaged file) leaves the tables as they are without it.
int HighestClass(db::Connection& connection, int examId);
// The class number a score row's class field holds when it is one of 1 … kMaxClass; nullopt for
// NULL or any other value (also one that would wrap round into that range as a 32-bit number).
std::optional<int> ClassNumber(const db::Variant& cls);

// The caption of the reports' message boxes and the text they show for a database error.
QString MessageCaption();
QString DbErrorMessage(const QString& errorText);

// Whether the exam has a full mark for any subject (of `subjects`, row numbers, when given): a
// weights row whose t1·t1w + t2·t2w (a missing value as 0) is above 0. Throws db::DbError.
bool ExamHasFullMarks(db::Connection& connection, int examId, const std::vector<int>& subjects = {});
// What a report that needs the full marks says when the exam has none.
QString NoFullMarksMessage();
// What it says when some subjects have none: their names, and where the full marks are set.
QString NoSubjectFullMarksMessage(const QStringList& subjects);

} // namespace reports
