#pragma once
// "上线情况": for each class and participating subject of an exam, how many students reach a line,
// or their average score. The line of a subject is the X-th best score of the grade, of the arts or
// of the science stream, or X % of the subject's full mark; for the class-top averages each class
// has its own line, the X-th best score of the class. Line and scores compare at two decimals, so
// the X-th student always counts.

#include "data/AnalysisContext.h"
#include "platform/db/Connection.h"
#include "reports/ReportTable.h"

#include <QString>
#include <QStringList>

#include <optional>

class CTextCipher;

namespace qualify {

enum Range { kGradeTop = 0, kArtsTop = 1, kScienceTop = 2, kClassTop = 3, kPercentOfFull = 4 };
enum Object { kCountByClass = 0, kAverageByClass = 1 };

// The items of the range and object boxes, in their order.
QStringList RangeItems();
QStringList ObjectItems();

// "班级" alone.
CReportTable InitialTable();

// The window title of a run: the exam text as titles show it, the range's text with every X and Ｘ
// replaced by "%2d" of x, and the object's text.
QString QualifyTitle(const QString& examText, const QString& rangeText, int x, const QString& objectText);

// The range a run works with: counting treats nothing chosen (-1) and the class top as the grade
// top; averages treat nothing chosen as the grade top.
int RunRange(int object, int range);

// The full mark t1·t1w + t2·t2w of the subject in the exam (a missing value as 0); nullopt without
// a weight row or with a full mark ≤ 0. Throws db::DbError.
std::optional<double> SubjectFullMark(db::Connection& connection, int examId, int subject);
// The line of subject `subject` for range 0, 1, 2 or 4. The X-th best score counts equal scores
// separately; X ≤ 1 gives the best score, an X above the number of scores the lowest. Range 4 is
// X % (clamped to 0 … 100) of the full mark. nullopt when the subject has no score in the range,
// or (range 4) no full mark: a line is never taken as 0.
std::optional<double> SubjectLine(db::Connection& connection, int examId, int subject, int range, int x);
// The X-th best score of the subject in class `cls`; nullopt when the class has none.
std::optional<double> ClassLine(db::Connection& connection, int examId, int subject, int cls, int x);

struct QualifyOptions {
    int range = -1; // the range box's selection, -1 for none
    int object = kCountByClass;
    int x = 30;
};

// Fills the table as 统计 does: the subject titles, one row per class 1 … N ("%2d班") and, except
// for the class-top averages, the "年级" row of the whole grade or stream. Only counts above 0 and
// existing averages are written. Without an exam only the title row is left; without score rows
// the subject titles too. Database errors reach the caller as DbError, the columns done kept.
// Returns what the run has to tell: for range 4, the subjects whose columns stay empty for want
// of a full mark and where to set it (the exam's want of any full mark when it has none); empty
// when there is nothing to tell.
QString ComputeQualifyLines(db::Connection& connection, CTextCipher& cipher, const CAnalysisContext& context,
                            const QualifyOptions& options, CReportTable& table);

} // namespace qualify
