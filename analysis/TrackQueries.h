#pragma once
// The queries of score tracking over a grade's exams: the grade's exams in date order, the subject
// list with its three totals and the score column a subject text names, one student's score and
// rank in an exam, the students of a class, and the student tracking table (score and rank per
// tracked exam and the weighted sum 综合). Widget-free; the tracking dialogs show what it returns.

#include "platform/db/Connection.h"
#include "reports/ReportTable.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class CTextCipher;

namespace analysis {

// Rank scopes, the positions of the target list.
enum TrackTarget { kClassRank = 0, kGradeRank = 1, kArtsRank = 2, kScienceRank = 3 };
QStringList TrackTargetItems(); // 班级名次 年级名次 文科名次 理科名次

QString SubjectNotListedMessage(); // 对不起，科目只能在列表中选择！

struct TrackExam {
    std::optional<int> id;
    std::optional<QString> name; // deciphered; none when the stored name is NULL
};
// The exams of grade `gradeCode` in the order of their dates.
std::vector<TrackExam> GradeExams(db::Connection& connection, CTextCipher& cipher, const QString& gradeCode);

// 文总 理总 总分 and every subject's deciphered name in id order; empty when there is no subject.
QStringList TrackSubjects(db::Connection& connection, CTextCipher& cipher);

// The score column a subject text names: sum1, sum2 or sum3 for the totals, the subject's checked
// "sNN" column for a subject's name; none for a text that names no subject.
std::optional<QString> SubjectColumn(db::Connection& connection, CTextCipher& cipher, const QString& subject);

// The totals a column of SubjectColumn reads, as indices of the total-type list: the total's own
// for sum1 to sum3, none for a subject.
std::vector<int> TotalsRead(const QString& column);

// A student's score in an exam and the rank in the target's scope (1 + the scores strictly
// higher, compared at two decimals; NULL scores rank nobody). No score without a row or with a NULL
// value; no rank for a target outside the four, nor a stream's rank for a student whose row in
// that exam is not of that stream.
struct TrackScore {
    std::optional<double> score;
    std::optional<int> rank;
};
// `column` must come from SubjectColumn.
TrackScore GetStudentRank(db::Connection& connection, int examId, const QString& column,
                          const QString& studentId, int target);

// A name as the student list shows it: trailing blanks removed, and "　" put between the halves of
// a name of 4 GBK bytes that is two Chinese characters or four single-byte letters.
QString PadShortName(const QString& name);

struct TrackStudent {
    QString studentId;
    QString name;
};
// The students whose grade begins with `gradePattern` in class `classNo`, by number; names padded.
std::vector<TrackStudent> ClassStudents(db::Connection& connection, const QString& gradePattern, int classNo);

// The student list before tracking: 学号 姓名 and a row per student.
CReportTable StudentListTable(const std::vector<TrackStudent>& students);

// An exam row of the exam list as the tracking table takes it.
struct TrackedExam {
    int position = 0; // its 1-based place in the exam list (第%1d次)
    int examId = 0;
    QString weightText; // the 加权系数 cell
};

// The weight a 加权系数 text gives, read as atof reads it ("abc" 0, "0.5kg" 0.5), in single precision.
double WeightOf(const QString& text);

// Compares two cell texts of the column titled `title`: 姓名, 考试 and 文理 as GBK text, every
// other column as numbers with their decimals (an empty or non-numeric text counts 0).
int CompareCells(const QString& title, const QString& a, const QString& b);

// The tracking table: the student rows (学号, 姓名) as given, then per tracked exam 第%1d次 with
// the score "%6.2f" and 名次 with the rank, and 综合, the weighted sum (each step kept at two
// decimals), rows sorted from the highest 综合 down (equal sums keep their order).
// DbError reaches the caller.
CReportTable TrackTable(db::Connection& connection, const std::vector<TrackStudent>& students,
                        const std::vector<TrackedExam>& exams, const QString& column, int target);

// ---- the score-tracking chart ---------------------------------------------------------------

// Targets of the chart, the positions of its target list.
enum TraceTarget {
    kTraceScore = 0,
    kTraceClassRank = 1,
    kTraceGradeRank = 2,
    kTraceArtsRank = 3,
    kTraceScienceRank = 4
};
QStringList TraceTargetItems(); // 原始分数 班级名次 年级名次 文科名次 理科名次

// One student's bar of an exam: the score for kTraceScore, else the rank in the target's scope as
// the tracking table ranks (1 + the scores strictly higher at two decimals, in the student's own
// class of that exam, the grade or a stream). None when the student has no row in the exam or a
// NULL score there, for a stream's rank when the student's row is not of that stream, and for a
// target outside the five. `column` must come from SubjectColumn. DbError reaches the caller.
std::optional<double> StudentTraceValue(db::Connection& connection, int examId, const QString& column,
                                        const QString& studentId, int target);

// A class's average in an exam over its present scores; none when the class has no score in the
// exam (no row, or every score NULL). DbError reaches the caller.
std::optional<double> ClassAverage(db::Connection& connection, int examId, const QString& column,
                                   int classNo);

// A class's rank among the classes of an exam by their averages at two decimals: 1 + the classes
// with a strictly higher average (equal averages share a rank; a class whose scores are all NULL
// ranks nobody). kTraceClassRank ranks the class within itself: always 1. kTraceArtsRank and
// kTraceScienceRank rank the stream's rows only. None when the class has no score in that scope
// (no row of it, no row of the stream in the exam, or only NULL scores), or for another target.
// DbError reaches the caller.
std::optional<int> ClassRank(db::Connection& connection, int examId, const QString& column, int classNo,
                             int target);

// The distinct class numbers of the roster of the grade whose code begins with `gradeCode`,
// ascending; for kTraceArtsRank and kTraceScienceRank of that stream's students only. DbError
// reaches the caller.
std::vector<int> RosterClasses(db::Connection& connection, const QString& gradeCode, int target);

// One roster row of a class, as stored (NULL as none).
struct RosterStudent {
    std::optional<QString> studentId;
    std::optional<QString> name;
};
// The roster rows of class `classNo` of the grade whose code begins with `gradeCode`, by number.
// DbError reaches the caller.
std::vector<RosterStudent> ClassRoster(db::Connection& connection, const QString& gradeCode, int classNo);

// The bars of a trace: per exam id, in the order given, its value, none where the exam gives no
// bar (no row, or a failed query, which is logged).
std::vector<std::optional<double>> StudentTrace(db::Connection& connection, const std::vector<int>& examIds,
                                                const QString& column, const QString& studentId, int target);
// kTraceScore gives the class's averages, the other targets its ranks.
std::vector<std::optional<double>> ClassTrace(db::Connection& connection, const std::vector<int>& examIds,
                                              const QString& column, int classNo, int target);

} // namespace analysis
