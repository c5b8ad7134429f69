#pragma once
// The teaching-effect evaluation between two exams of a grade, class by class, for one subject:
// the M method (five z-score levels per exam, each class's transition table, the stationary shares
// of its Markov chain and a weighted score with its rank) and the F method (four levels cut at 30,
// 60 and 90 % of the grade's ranking, the level counts, two mean-score rates and the stage F
// value). The table has one row per class number from 1 to the second exam's highest class.

#include "platform/db/Connection.h"
#include "reports/ReportTable.h"

#include <QColor>
#include <QString>

#include <array>
#include <functional>
#include <optional>

namespace teacheval {

enum Method { kMethodM = 0, kMethodF = 1 };
// The classes compared: 0 the whole grade, 1 arts students, 2 science students (M method only).
enum Range { kWholeGrade = 0, kArts = 1, kScience = 2 };

inline constexpr int kMColumns = 18;
inline constexpr int kFColumns = 12;
inline constexpr int kLevelsM = 5;

// The light grey of the second exam's count columns.
inline QColor SecondExamShade() {
    return QColor(231, 231, 231);
}

int ColumnCount(int method);
// The second exam's count columns of the method's layout: first and last.
std::pair<int, int> SecondExamColumns(int method);
// "%02d班".
QString ClassLabel(int cls);

// The empty table of a method: the header row, one labelled row per class 1 … rowCount − 1, every
// cell right-aligned, the second exam's count columns shaded.
CReportTable EmptyTable(int method, int rowCount);

struct Choice {
    int firstExamId = -1;
    int secondExamId = -1;
    int subject = 0; // subject number, 1 … 99
    int range = kWholeGrade;
};

// Whether the exit (second) exam was held before the entry (first) exam, by their registered
// dates; an exam without a readable date is never the earlier one. Throws db::DbError.
bool ExitExamIsEarlier(db::Connection& connection, int firstExamId, int secondExamId);

// Level 0 … 4 (A … E) of a z value; a z on a threshold goes to the lower level.
int LevelOfZ(double z);

using Transitions = std::array<std::array<double, kLevelsM>, kLevelsM>;
struct Shares {
    std::array<double, kLevelsM> x{};
    double score = 0;
};
// The stationary shares of the transition table T (T[i][j]: students at level i in the first exam
// and level j in the second) by quorrel's Matrix, each level that nobody started on pinned to 0 and
// each level that everybody kept pinned to its share of the class; and the class score, the shares
// weighted 90, 70, 50, 30, 10. Nothing when Matrix cannot solve, or when its shares are not a
// distribution (each at least 0, together 1, within 1e-6): a pin that the flows between the
// levels contradict leaves the other levels at 0, and a score from those would rank the class as
// if its students had gone.
std::optional<Shares> StationaryShares(const Transitions& t);
// What the row of a class with students but without stationary shares shows under "名次".
QString NoStationarySharesText();
// What the row of a class none of whose students (of the range's stream) has a score in both
// exams shows under "名次": it has nothing to compare.
QString NoStudentInBothExamsText(int range);

// Which of the two exams holds no score of the subject (of the range's stream, in the M method):
// then nothing is compared and the table stays empty.
enum class MissingScores { None, FirstExam, SecondExam, BothExams };
// The notice of missing scores, one line per exam: "第一次考试没有文科学生的语文成绩。"; empty for
// MissingScores::None.
QString MissingScoresMessage(MissingScores missing, int range, const QString& subject);

// Progress of the M analysis: the position on a bar from 0 to rowCount + 2 (past its top at the end).
using Progress = std::function<void(int position)>;

// Fill `table` (an EmptyTable of the method, its data cells empty) for the choice, unless an exam
// has no score to compare: then the table is left as it is and the answer says which. Database
// errors reach the caller as db::DbError, the cells written so far staying in the table.
MissingScores RunMAnalysis(db::Connection& connection, const Choice& choice, CReportTable& table,
                           const Progress& progress = {});
// The F method compares the whole grade whatever the choice's range.
MissingScores RunFAnalysis(db::Connection& connection, const Choice& choice, CReportTable& table);

// The report's title line: "教师教学效果评价 " + grade + subject.
QString ReportTitle(const QString& caption, const QString& grade, const QString& subject);

struct ColumnGroupSpec {
    QString title;
    int first = 0;
    int last = 0;
};
// The column groups of the method's printed table.
std::vector<ColumnGroupSpec> ReportColumnGroups(int method);
// Whether the printed title of a column is the level letter alone (the count columns).
bool IsLevelCountColumn(int method, int column);

} // namespace teacheval
