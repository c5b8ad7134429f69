#pragma once
// The students' valid totals: sum1 (arts), sum2 (science) or sum3 (all subjects) recomputed for
// the analysis exam as the sum of the scores present in the ticked subjects, NULL when none is.

#include "data/AnalysisContext.h"
#include "platform/db/Connection.h"
#include "platform/res/StringTable.h"
#include "platform/text/Gbk.h"
#include "reports/ReportQueries.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace reports {

// The items of the total-type list, in order: index 0 writes sum1, 1 sum2, 2 sum3.
QStringList TotalTypeItems();
// The title of the check column for a total type; empty for an index outside the list.
QString TotalTypeHeader(int index);
constexpr int kDefaultTotalType = 2;

// Texts of the dialog in its totals mode: the caption is string 57670, the button its first four
// bytes in code page 936 ("计算").
inline constexpr int IDS_TOTALS_CAPTION = 57670;
inline QString TotalsCaption() {
    return res::LoadString(IDS_TOTALS_CAPTION);
}
inline QString TotalsButtonText() {
    return text::CutToGbkBytes(TotalsCaption(), 4);
}
// The caption after a total type is chosen: "计算文总", "计算理总", "计算总分".
QString TotalTypeCaption(int index);
inline QString TotalsDoneMessage() {
    return TotalsButtonText() + QStringLiteral("任务已经完成！");
}

// Recomputes the chosen total of every score row of the exam from the subjects (numbers, 1-based)
// in `subjects`, and records them as the total's subjects (data::RecordTotalSubjects), all in one
// transaction: on a database error nothing changes and the DbError reaches the caller. Returns
// false, doing nothing, when there is no exam (-1) or the exam is no longer registered (deleted
// since it was chosen). An index outside the list throws std::out_of_range.
bool ComputeValidTotals(db::Connection& connection, int examId, int totalType,
                        const std::vector<int>& subjects);

// The check every report that reads the totals makes before it computes: for the analysis exam, the
// totals of `totalTypes` (indices of the total-type list) that were never computed, that is that
// no score row holds while some row holds a score of a participating subject. Empty when all were
// computed (or there is no exam, no subject or no score to total); otherwise the message telling
// the user to run 算学生有效总分 first, naming the missing totals and the items to compute them
// with. Throws db::DbError.
QString TotalsNotComputedMessage(db::Connection& connection, const CAnalysisContext& context,
                                 const std::vector<int>& totalTypes);

// What a report says of an exam without a single mark (of one whose papers have no full marks:
// NoFullMarksMessage, ReportQueries.h).
QString NoMarksMessage();
// What a report with arts and science rows says of an exam none of whose students has a stream.
QString NoStreamsMessage();
// What 算学生有效总分 says when the analysis exam has been deleted since it was chosen.
QString ExamGoneMessage();

// What a report reads besides the marks: the totals (indices of the total-type list) and whether
// the subjects' full marks, and whether it has arts and science rows that 累计类型 年级 replaces by
// one grade row.
struct ReportReads {
    std::vector<int> totalTypes;
    bool fullMarks = false;
    bool streamRows = false;
};

enum class ReportDataState {
    Ready,       // the report may compute
    NoMarks,     // no participating subject has a mark in the exam
    NoFullMarks, // no participating subject has a full mark above 0 in the exam
    NoStreams,   // arts and science rows asked for, and no student of the exam has a stream
    NotComputed, // a total read was never computed
    Stale,       // marks were written after a total read was computed
};

struct ReportDataCheck {
    ReportDataState state = ReportDataState::Ready;
    QString message;             // what the user is told (for Stale: the question)
    std::vector<int> staleTypes; // Stale: the totals read that are out of date (total-type indices)
};

// The one check every report makes before it computes, for exam `examId` with the participating
// `subjects` (numbers): no marks first, then no full marks (when read), then no streams (for stream
// rows), then totals never computed, then totals out of date. Ready without an exam (-1) or without
// subjects. Throws db::DbError.
ReportDataCheck CheckReportData(db::Connection& connection, int examId, const std::vector<int>& subjects,
                                const ReportReads& reads);
// The same for the analysis exam and its subjects.
ReportDataCheck CheckReportData(db::Connection& connection, const CAnalysisContext& context,
                                const ReportReads& reads);
// The question asked of out-of-date totals (total-type indices).
QString StaleTotalsQuestion(const std::vector<int>& staleTypes);
// Recomputes the totals of `staleTypes` of the exam, each from the subjects it was last computed
// from and in its own transaction. A total whose subjects are not recorded (computed before they
// were) is left as it is and out of date; those are returned (total-type indices, ascending), for
// SubjectsUnknownMessage. Throws db::DbError.
std::vector<int> RecomputeStaleTotals(db::Connection& connection, int examId,
                                      const std::vector<int>& staleTypes);
// What the user is told of totals (total-type indices) whose subjects are not recorded, or name a
// subject deleted since: run 算学生有效总分 for them.
QString SubjectsUnknownMessage(const std::vector<int>& types);
// What a report run on out-of-date totals adds to its caption.
QString OldTotalsCaptionMark();

} // namespace reports
