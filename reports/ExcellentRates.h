#pragma once
// Excellent rates, pass rates and the averages of the top students: for every participating
// subject, each class's share of students at or above a cut (or their mean), the cut given as a
// score or as the best P % of the grade, for all students or one stream.

#include "data/AnalysisContext.h"
#include "platform/db/Connection.h"
#include "reports/ReportTable.h"

#include <QString>

#include <optional>

class CTextCipher;

namespace reports {

enum ExcellentRateMode { kExcellentRate = 0, kPassRate = 1, kTopAverage = 2 };
enum CutMethod { kCutByScore = 0, kCutByProportion = 1 };
enum RateScope { kAllStudents = 0, kArtsStudents = 1, kScienceStudents = 2 };

// The caption's tail of a mode: the end of its command's tooltip ("优生率报表", "及格率报表",
// "平均分报表").
QString ExcellentRateTitle(int mode);
// The texts before and after the cut's edit box ("全年级前" … "%为优秀", "分数不低于" … "分为优秀").
QString CutLeadText(int method);
QString CutTailText(int mode, int method);
// The cut the dialog opens with.
float DefaultCut(int mode, int method);

// Why a cut as typed can give no table, as the message that says so; empty when it can. A cut of
// 0 or less (read as the calculation reads it), and by proportion a share above 100 %.
QString CutRefusal(int method, const QString& cut);

// The table before any calculation: "班级" alone.
CReportTable InitialExcellentRateTable();

// How many of `n` scores are the best `percent` % (as typed): ⌈n·P/100⌉ worked out on the decimal
// text exactly, so that 2.4 % of 125 is 3, not 4.
long long TopCount(long long n, const QString& percent);

struct ExcellentRateOptions {
    int mode = kExcellentRate;
    int method = kCutByProportion;
    int scope = kAllStudents;
    QString cut; // the cut as typed: a score, or a percentage of the students
};

// Fills the table as "确定" does. Leaves only the title row (and the subject columns) without an
// exam or score rows. A subject without a cut of its own (the K-th score does not exist) keeps its
// column empty. Database errors reach the caller as DbError.
void ComputeExcellentRates(db::Connection& connection, CTextCipher& cipher, const CAnalysisContext& context,
                           const ExcellentRateOptions& options, CReportTable& table);

} // namespace reports
