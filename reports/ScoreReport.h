#pragma once
// The score report: one class's list for one subject of the analysis exam, ordered by the subject
// score, with both papers and the rank in the class. Mode 0 lays the list out as two half lists
// side by side; modes 1-3 add each student's standard score, T score or score standardised to a
// chosen mean and deviation, computed against the mean and deviation of the grade or a stream.

#include "data/AnalysisContext.h"
#include "platform/db/Connection.h"
#include "reports/ReportTable.h"

#include <QString>

namespace reports {

enum ScoreReportMode { kSubjectList = 0, kStandardScores = 1, kTScores = 2, kStandardised = 3 };

// The scope whose scores give the mean and deviation: the scope box's items in order.
enum ScoreScope { kWholeGrade = 0, kArtsStream = 1, kScienceStream = 2 };
QStringList ScoreScopeItems();

// "标准分", "T分数" or "标准化"; empty in mode 0.
QString ScoreReportModeText(int mode);
// The exam text with "|" as "级", then "成绩报表", and in modes 1-3 "[" mode text "]".
QString ScoreReportCaption(const QString& examText, int mode);
// The four titles the dialog opens with: "学号", "姓名", "I卷", "II卷".
CReportTable InitialScoreReportTable();

// Mode 0 places student k (from 1) in 34-row halves: 68 students to a band of rows, the left half
// first; a band below holds the next 68.
struct HalfListCell {
    int row;
    int column; // 0 for the left half, 6 for the right
};
HalfListCell HalfListPlace(int k);
// Rows of the mode-0 grid for n students: the title row and 34 per 68 students, at least 35.
int HalfListRows(int n);

struct ScoreReportOptions {
    int mode = kSubjectList;
    int subject = 0;     // subject number (score column "s%02d")
    QString subjectName; // its title
    int classNo = 1;
    int scope = kWholeGrade;
    float targetMean = 80; // mode 3's scale
    float targetSD = 20;
};

// Mean and sample deviation of the subject's scores in the scope, read as single precision; a
// deviation that is NULL (fewer than two scores) is marked.
struct ScopeMoments {
    float mean = 0;
    float sd = 0;
    bool sdNull = true;
};
ScopeMoments ScoreScopeMoments(db::Connection& connection, int examId, int subject, int scope);

// Lists the class into `table` by the mode. Without an analysis exam the table is left as it is.
// Database errors reach the caller as DbError, the rows filled so far staying in the table.
void ListScoreReport(db::Connection& connection, const CAnalysisContext& context,
                     const ScoreReportOptions& options, CReportTable& table);

} // namespace reports
