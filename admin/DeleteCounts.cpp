#include "admin/DeleteCounts.h"

#include "admin/ScoreSheet.h"
#include "admin/StudentRoster.h"

#include <vector>

namespace deletecounts {

namespace {

int CountOf(db::Connection& connection, const QString& sql, const std::vector<db::Variant>& params) {
    const db::Recordset rs = connection.Execute(sql, params);
    return rs.IsEOF() ? 0 : static_cast<int>(rs.Field(0).ToInt64());
}

} // namespace

int ExamScoreRows(db::Connection& connection, int examId) {
    return CountOf(connection, QStringLiteral("SELECT count(*) FROM tavrinKSK WHERE id=?"),
                   {db::Variant(examId)});
}

GradeHoldings HoldingsOfGrade(db::Connection& connection, const QString& gradeCode) {
    GradeHoldings held;
    held.students =
        CountOf(connection, QStringLiteral("SELECT count(*) FROM tavrinName WHERE ") + roster::GradeCondition(),
                {db::Variant(static_cast<int>(gradeCode.size())), db::Variant(gradeCode)});
    held.exams = CountOf(connection, QStringLiteral("SELECT count(*) FROM tavrinKSLB WHERE grade=?"),
                         {db::Variant(gradeCode)});
    return held;
}

int StudentsWithMarks(db::Connection& connection, const QString& gradeCode, int cls) {
    QString sql = QStringLiteral("SELECT count(*) FROM tavrinName WHERE ") + roster::GradeCondition() +
                  QStringLiteral(" AND studentid IN (SELECT studentid FROM tavrinKSK WHERE %1)")
                      .arg(scoresheet::CarriesMark(connection));
    std::vector<db::Variant> params{db::Variant(static_cast<int>(gradeCode.size())), db::Variant(gradeCode)};
    if (cls != 0) {
        sql += QStringLiteral(" AND class=?");
        params.emplace_back(cls);
    }
    return CountOf(connection, sql, params);
}

} // namespace deletecounts
