#pragma once
// The standard score of every class in every participating subject and in the overall total: how
// far the class mean lies from the grade mean, (class mean − grade mean) × √(class count) / grade
// deviation.

#include "data/AnalysisContext.h"
#include "platform/db/Connection.h"
#include "reports/ReportTable.h"

class CTextCipher;

namespace reports {

// Column 0 the class, column 1 the total sum3, the subjects from column 2. Without an analysis exam
// the table is left as it is; without score rows only the title row stays. A quantity whose grade
// deviation is NULL or 0 keeps an empty column. Database errors reach the caller as DbError, the
// rows filled so far staying in the table.
void ComputeClassStandardScores(db::Connection& connection, CTextCipher& cipher,
                                const CAnalysisContext& context, CReportTable& table);

} // namespace reports
