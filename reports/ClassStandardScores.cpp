#include "reports/ClassStandardScores.h"

#include "reports/Format.h"
#include "reports/ReportQueries.h"

#include <cmath>

namespace reports {

void ComputeClassStandardScores(db::Connection& connection, CTextCipher& cipher,
                                const CAnalysisContext& context, CReportTable& table) {
    const int examId = context.m_nAnalysisExamId;
    if (examId == -1)
        return;
    const std::vector<int> subjects = context.ParticipatingSubjects();
    const int n = int(subjects.size());

    table = CReportTable(1, n + 2);
    table.SetFixedRowCount(1);
    table.SetFixedColumnCount(1);
    table.caption = ExamTitle(context.m_strAnalysisExam) + QStringLiteral("标准分");
    table.SetText(0, 0, QStringLiteral("班级"), CellAlign::Right);
    table.SetText(0, 1, QStringLiteral("总分"), CellAlign::Right);
    for (int j = 1; j <= n; ++j) {
        QString name;
        GetSubjectName(connection, cipher, subjects[j - 1], name);
        table.SetText(0, j + 1, name, CellAlign::Right);
    }

    const int k = HighestClass(connection, examId);
    if (k <= 0)
        return;
    table.SetRowCount(k + 1);
    for (int c = 1; c <= k; ++c)
        table.SetText(c, 0, ClassLabel(c), CellAlign::Right);

    std::vector<std::pair<QString, int>> quantities;
    for (int j = 1; j <= n; ++j)
        quantities.emplace_back(ScoreColumn(subjects[j - 1]), j + 1);
    quantities.emplace_back(TotalColumn(3), 1);

    for (const auto& [column, col] : quantities) {
        // The grade's mean and deviation belong to this quantity alone: with no score, or all
        // scores equal, its classes have no standard score.
        db::Recordset grade =
            Query(connection,
                  QStringLiteral("SELECT avg(%1) as mean,StDev(%1) as meanstd FROM tavrinKSK "
                                 "WHERE id=? and %1 is not null")
                      .arg(column),
                  {examId});
        if (grade.IsEOF() || grade.Field(0).IsNull() || grade.Field(1).IsNull())
            continue;
        const double mean = grade.Field(0).ToDouble();
        const double deviation = grade.Field(1).ToDouble();
        if (deviation == 0)
            continue;

        db::Recordset rs = Query(connection,
                                 QStringLiteral("SELECT class,count(*) as n,avg(%1) as mean FROM tavrinKSK "
                                                "WHERE id=? and %1 is not null group by class")
                                     .arg(column),
                                 {examId});
        for (; !rs.IsEOF(); rs.MoveNext()) {
            const db::Variant& cls = rs.Field(0);
            const db::Variant& m = rs.Field(2);
            if (cls.IsNull() || m.IsNull())
                continue;
            const long long c = cls.ToInt64();
            if (c < 1 || c > k)
                continue;
            const double z = (m.ToDouble() - mean) * std::sqrt(double(rs.Field(1).ToInt64())) / deviation;
            table.SetText(int(c), col, Format62(z));
        }
    }
}

} // namespace reports
