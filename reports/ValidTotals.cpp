#include "reports/ValidTotals.h"

#include "data/TotalsState.h"
#include "platform/db/Transaction.h"
#include "reports/ReportQueries.h"

#include <algorithm>
#include <optional>
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
    data::MarkTotalsComputed(connection, examId, totalType + 1);
    data::RecordTotalSubjects(connection, examId, totalType + 1, subjects);
    transaction.Commit();
    return true;
}

namespace {

QString NotComputedMessage(db::Connection& connection, int examId, const std::vector<int>& subjects,
                           const std::vector<int>& totalTypes) {
    if (examId == -1 || subjects.empty() || totalTypes.empty())
        return {};
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

bool HasMarks(db::Connection& connection, int examId, const std::vector<int>& subjects) {
    QStringList present;
    for (const int no : subjects)
        present << ScoreColumn(no) + QStringLiteral(" IS NOT NULL");
    return !Query(connection,
                  QStringLiteral("SELECT 1 FROM tavrinKSK WHERE id=? AND (%1) LIMIT 1")
                      .arg(present.join(" OR ")),
                  {examId})
                .IsEOF();
}

} // namespace

QString TotalsNotComputedMessage(db::Connection& connection, const CAnalysisContext& context,
                                 const std::vector<int>& totalTypes) {
    return NotComputedMessage(connection, context.m_nAnalysisExamId, context.ParticipatingSubjects(),
                              totalTypes);
}

QString NoMarksMessage() {
    return QStringLiteral("本次考试还没有成绩，请先录入或导入成绩！");
}

ReportDataCheck CheckReportData(db::Connection& connection, int examId, const std::vector<int>& subjects,
                                const ReportReads& reads) {
    ReportDataCheck check;
    if (examId == -1 || subjects.empty())
        return check;
    if (!HasMarks(connection, examId, subjects)) {
        check.state = ReportDataState::NoMarks;
        check.message = NoMarksMessage();
        return check;
    }
    if (reads.fullMarks && !ExamHasFullMarks(connection, examId, subjects)) {
        check.state = ReportDataState::NoFullMarks;
        check.message = NoFullMarksMessage();
        return check;
    }
    check.message = NotComputedMessage(connection, examId, subjects, reads.totalTypes);
    if (!check.message.isEmpty()) {
        check.state = ReportDataState::NotComputed;
        return check;
    }
    const std::vector<int> stale = data::StaleTotals(connection, examId);
    for (const int type : reads.totalTypes)
        if (std::find(stale.begin(), stale.end(), type + 1) != stale.end() &&
            std::find(check.staleTypes.begin(), check.staleTypes.end(), type) == check.staleTypes.end())
            check.staleTypes.push_back(type);
    if (!check.staleTypes.empty()) {
        std::sort(check.staleTypes.begin(), check.staleTypes.end());
        check.state = ReportDataState::Stale;
        check.message = StaleTotalsQuestion(check.staleTypes);
    }
    return check;
}

ReportDataCheck CheckReportData(db::Connection& connection, const CAnalysisContext& context,
                                const ReportReads& reads) {
    return CheckReportData(connection, context.m_nAnalysisExamId, context.ParticipatingSubjects(), reads);
}

QString StaleTotalsQuestion(const std::vector<int>& staleTypes) {
    const QStringList items = TotalTypeItems();
    QStringList names;
    for (const int type : staleTypes)
        names << items.value(type);
    return QStringLiteral("本次考试的成绩在计算学生有效总分（%1）之后有过改动，总分已不是最新的。\n"
                          "是否现在按各总分上次计算时所选的科目重新计算有效总分？\n"
                          "选“否”则按原来的总分统计。")
        .arg(names.join(u'、'));
}

std::vector<int> RecomputeStaleTotals(db::Connection& connection, int examId,
                                      const std::vector<int>& staleTypes) {
    std::vector<int> unknown;
    for (const int type : staleTypes) {
        // A total is recomputed only from the subjects it was computed from: the analysis
        // parameters' subjects are those of whichever total was computed last.
        if (const std::optional<std::vector<int>> subjects =
                data::TotalSubjects(connection, examId, type + 1))
            ComputeValidTotals(connection, examId, type, *subjects);
        else if (std::find(unknown.begin(), unknown.end(), type) == unknown.end())
            unknown.push_back(type);
    }
    std::sort(unknown.begin(), unknown.end());
    return unknown;
}

QString SubjectsUnknownMessage(const std::vector<int>& types) {
    const QStringList items = TotalTypeItems();
    QStringList names;
    for (const int type : types)
        names << items.value(type);
    const QString joined = names.join(u'、');
    return QStringLiteral("%1是在本程序开始记录所用科目之前计算的，无法按原来的科目自动重新计算。\n"
                          "请先运行“统计分析→算学生有效总分”，勾选科目重新计算%1后再统计。")
        .arg(joined);
}

QString OldTotalsCaptionMark() {
    return QStringLiteral("（总分未按最新成绩重新计算）");
}

} // namespace reports
