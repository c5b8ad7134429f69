#pragma once
// The students' valid totals: sum1 (arts), sum2 (science) or sum3 (all subjects) recomputed for
// the analysis exam as the sum of the scores present in the ticked subjects, NULL when none is.

#include "data/AnalysisContext.h"
#include "platform/db/Connection.h"
#include "platform/res/StringTable.h"
#include "platform/text/Gbk.h"

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
// in `subjects`, all in one transaction: on a database error nothing changes and the DbError
// reaches the caller. Returns false, doing nothing, when there is no exam (-1). An index outside
// the list throws std::out_of_range.
bool ComputeValidTotals(db::Connection& connection, int examId, int totalType,
                        const std::vector<int>& subjects);

// The check every report that reads the totals makes before it computes: for the analysis exam, the
// totals of `totalTypes` (indices of the total-type list) that were never computed, that is that
// no score row holds while some row holds a score of a participating subject. Empty when all were
// computed (or there is no exam, no subject or no score to total); otherwise the message telling
// the user to run 算学生有效总分 first, naming the missing totals. Throws db::DbError.
QString TotalsNotComputedMessage(db::Connection& connection, const CAnalysisContext& context,
                                 const std::vector<int>& totalTypes);

} // namespace reports
