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
    // An exam deleted since it was chosen (in this window or another) has no rows to total, and
    // no record of its totals may outlive it.
    if (Query(connection, QStringLiteral("SELECT 1 FROM tavrinKSLB WHERE id=?"), {examId}).IsEOF())
        return false;
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

// How the user gets the missing totals (total-type indices, in the order read): the items to
// compute in 算学生有效总分, and, for a report with arts and science rows whose overall total is
// there, the grade row that needs no other.
QString WayToTotals(const std::vector<int>& missing, bool streamRows) {
    const QStringList items = TotalTypeItems();
    QStringList quoted;
    for (const int type : missing)
        quoted << QStringLiteral("“%1”").arg(items.value(type));
    QString way =
        missing.size() == 1
            ? QStringLiteral("请先运行“统计分析→算学生有效总分”，在“计算”框中选%1，勾选计入的科目后计算！")
                  .arg(quoted.front())
            : QStringLiteral("请先运行“统计分析→算学生有效总分”，在“计算”框中依次选%1，"
                             "每次勾选计入的科目后计算一次！")
                  .arg(quoted.join(u'、'));
    const bool overallMissing = std::find(missing.begin(), missing.end(), 2) != missing.end();
    if (streamRows && !overallMissing)
        way += QStringLiteral("\n或者把“累计类型”选为“年级”，不分文理科统计。");
    return way;
}

QString NotComputedMessage(db::Connection& connection, int examId, const std::vector<int>& subjects,
                           const std::vector<int>& totalTypes, bool streamRows) {
    if (examId == -1 || subjects.empty() || totalTypes.empty())
        return {};
    const QStringList items = TotalTypeItems();
    QStringList missing;
    std::vector<int> missingTypes;
    for (const int type : totalTypes)
        if (Query(connection,
                  QStringLiteral("SELECT 1 FROM tavrinKSK WHERE id=? AND %1 IS NOT NULL LIMIT 1")
                      .arg(TotalColumn(type + 1)),
                  {examId})
                .IsEOF()) {
            missing << items.value(type);
            missingTypes.push_back(type);
        }
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
    return QStringLiteral("本次考试的学生有效总分（%1）还没有计算。\n").arg(missing.join(u'、')) +
           WayToTotals(missingTypes, streamRows);
}

bool HasStreams(db::Connection& connection, int examId) {
    return !Query(connection,
                  QStringLiteral("SELECT 1 FROM tavrinKSK WHERE id=? AND worl IN ('文', '理') LIMIT 1"),
                  {examId})
                .IsEOF();
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
                              totalTypes, false);
}

QString NoMarksMessage() {
    return QStringLiteral("本次考试还没有成绩，请先录入或导入成绩！");
}

QString NoStreamsMessage() {
    return QStringLiteral("本次考试的学生还没有文理科信息，请选择“年级”累计。");
}

QString ExamGoneMessage() {
    return QStringLiteral(
        "要计算的考试已被删除，没有计算任何总分。\n请先重新运行“统计分析→设定成绩分析参数”！");
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
    if (reads.streamRows && !HasStreams(connection, examId)) {
        check.state = ReportDataState::NoStreams;
        check.message = NoStreamsMessage();
        return check;
    }
    check.message = NotComputedMessage(connection, examId, subjects, reads.totalTypes, reads.streamRows);
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
    return QStringLiteral("%1是在本程序开始记录所用科目之前计算的，或者计算时所用的科目已被删除，"
                          "无法按原来的科目自动重新计算。\n"
                          "请先运行“统计分析→算学生有效总分”，勾选科目重新计算%1后再统计。")
        .arg(joined);
}

QString OldTotalsCaptionMark() {
    return QStringLiteral("（总分未按最新成绩重新计算）");
}

} // namespace reports
