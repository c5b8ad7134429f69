#include "reports/ValidTotals.h"

#include "platform/db/Transaction.h"
#include "reports/ReportQueries.h"

#include <stdexcept>

namespace reports {

QStringList TotalTypeItems() {
    return {QStringLiteral("文总"), QStringLiteral("理总"), QStringLiteral("总分")};
}

QString TotalTypeHeader(int index) {
    switch (index) {
    case 0:
        return QStringLiteral("是否计入文科总分");
    case 1:
        return QStringLiteral("是否计入理科总分");
    case 2:
        return QStringLiteral("是否计入总分");
    default:
        return {};
    }
}

QString TotalTypeCaption(int index) {
    const QStringList items = TotalTypeItems();
    return TotalsButtonText() + (index >= 0 && index < items.size() ? items[index] : QString());
}

bool ComputeValidTotals(db::Connection& connection, int examId, int totalType,
                        const std::vector<int>& subjects) {
    if (examId == -1)
        return false;
    const QString sum = TotalColumn(totalType + 1);
    std::vector<QString> columns;
    for (const int no : subjects)
        columns.push_back(ScoreColumn(no));

    db::Transaction transaction(connection);
    Query(connection, QStringLiteral("Update tavrinKSK set %1=null where id=?").arg(sum), {examId});
    for (const QString& s : columns) {
        // Adding to the totals already started first, then starting the others, counts each score
        // once and leaves a total NULL while none of its scores is present.
        Query(connection,
              QStringLiteral(
                  "Update tavrinKSK set %1=%1+%2 where ((%1 is not null) and (%2 is not null) and id=?)")
                  .arg(sum, s),
              {examId});
        Query(connection,
              QStringLiteral("Update tavrinKSK set %1=%2 where ((%1 is null) and id=?)").arg(sum, s),
              {examId});
    }
    transaction.Commit();
    return true;
}

QString TotalsNotComputedMessage(db::Connection& connection, const CAnalysisContext& context,
                                 const std::vector<int>& totalTypes) {
    const std::vector<int> subjects = context.ParticipatingSubjects();
    if (!context.HasExam() || subjects.empty() || totalTypes.empty())
        return {};
    const int examId = context.m_nAnalysisExamId;
    const QStringList items = TotalTypeItems();
    QStringList missing;
    for (const int type : totalTypes)
        if (Query(connection,
                  QStringLiteral("SELECT 1 FROM tavrinKSK WHERE id=? AND %1 IS NOT NULL LIMIT 1")
                      .arg(TotalColumn(type + 1)),
                  {examId})
                .IsEOF())
            missing << items.value(type);
    if (missing.isEmpty())
        return {};
    // Without any score there is nothing to total yet: the report says so by its empty cells.
    QStringList present;
    for (const int no : subjects)
        present << ScoreColumn(no) + QStringLiteral(" IS NOT NULL");
    if (Query(connection,
              QStringLiteral("SELECT 1 FROM tavrinKSK WHERE id=? AND (%1) LIMIT 1").arg(present.join(" OR ")),
              {examId})
            .IsEOF())
        return {};
    return QStringLiteral("本次考试的学生有效总分（%1）还没有计算。\n请先运行“统计分析→算学生有效总分”！")
        .arg(missing.join(u'、'));
}

} // namespace reports
