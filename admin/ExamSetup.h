#pragma once
// The queries behind the exam set-up dialogs (registration, maintenance, paper weights, score-sheet
// preparation), kept apart from their widgets. Routines that write throw db::DbError and leave the
// database as it was; look-ups that may fail quietly say so.

#include "platform/db/Connection.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class CTextCipher;

namespace examsetup {

// ---- registration

struct SchoolYearChoice {
    int firstListedYear = 0; // the year list runs over 20 years from here
    int startYear = 0;       // the school year start..start + 1
    int termIndex = 0;       // 0 上学期, 1 下学期
};
SchoolYearChoice DefaultSchoolYear(const QDate& today);

// 2007至2008学年上学期期中考试
QString ExamDescription(const QString& firstYear, const QString& secondYear, const QString& term,
                        const QString& examName);

// The common exam names offered for registration, in id order.
QStringList CommonExamNames(db::Connection& connection);

enum class RegisterResult { Registered, Duplicate };
// Registers the exam unless one of the same enciphered description and grade exists (the date
// plays no part in that check).
RegisterResult RegisterExam(db::Connection& connection, const QString& cipherText, const QString& gradeCode,
                            const QDate& date);

// ---- dates

// The stored form, so that exams sort by date.
QString ExamDateText(const QDate& date);
// A typed date: year-month-day with '-', '/' or '.' between, leading zeros optional.
std::optional<QDate> ParseExamDate(const QString& text);
// The shown form "%4d-%02d-%02d"; a stored text that is no date is shown as it is.
QString ShowExamDate(const db::Variant& stored);

// ---- maintenance

struct GradeChoice {
    QString name; // the grade's name; its code when the grade is gone
    QString code;
};
// The grades that have registered exams, in the order the program sorts texts.
std::vector<GradeChoice> GradesWithExams(db::Connection& connection);

struct RegisteredExam {
    int id = -1;
    QString grade;       // the grade's name
    QString description; // deciphered
    QString date;        // as shown (ShowExamDate)
};
// The grade's exams, newest registration first.
std::vector<RegisteredExam> GradeExams(db::Connection& connection, CTextCipher& cipher,
                                       const QString& gradeCode);

void SetExamDate(db::Connection& connection, int examId, const QDate& date);
// The exam's score rows and the exam itself, all or nothing.
void DeleteExam(db::Connection& connection, int examId);

// ---- paper weights

// Gives every subject that the exam lacks its default row (100, 50, 1, 1); all or nothing.
void InitWeights(db::Connection& connection, int examId);

struct WeightRow {
    long long key = 0; // the row's rowid: its edits are written under it
    QString field;     // kmfld, the subject's score column
    QString name;      // the subject's name; the field itself when the subject is gone
    db::Variant t1, t1w, t2, t2w;
};
std::vector<WeightRow> LoadWeights(db::Connection& connection, CTextCipher& cipher, int examId);

struct WeightValues {
    double t1 = 0, t1w = 0, t2 = 0, t2w = 0;
    // The subject's full mark in the exam.
    double FullMark() const { return t1 * t1w + t2 * t2w; }
};

// A typed full mark: a number without sign that rounds to a whole number from 0 to 1000 (0: the
// subject has one paper); a typed weight: a number without sign that rounds, at two decimals, to at
// most 10. Leading and trailing blanks are allowed; anything else ("abc", "-5", "1.2.3", "8kg") is
// not a number here.
bool IsFullMarkText(const QString& text);
bool IsWeightText(const QString& text);
inline constexpr int kMaxFullMark = 1000;
inline constexpr int kMaxWeight = 10;
// The four cell texts as they are written: full marks rounded to whole numbers, weights to two
// decimals (paper II's weight passes through single precision first, as its column holds it).
// They round as every mark does (data/NumberFormat.h): an exact tie to the even digit, so "50.5"
// is stored 50 and "0.125" 0.12.
WeightValues WeightsFromTexts(const QString& t1, const QString& t1w, const QString& t2, const QString& t2w);
// The texts the grid shows and the values are read back from: "%3.0f" and "%6.2f".
QString FullMarkText(double value);
QString WeightText(double value);
// A full mark lowered below marks the exam already holds for that paper.
struct MarksAboveFullMark {
    int paper = 1;      // 1: paper I, 2: paper II
    int fullMark = 0;   // the full mark typed
    double highest = 0; // the highest stored mark of that paper in the exam
};
// What the user is told of such a full mark: the paper, the mark typed and the highest stored mark.
QString RefusalMessage(const MarksAboveFullMark& refusal);

struct WeightWrite {
    // The full mark refused; nothing was written.
    std::optional<MarksAboveFullMark> refused;
    bool written = false;    // the row held other values and was written
    long long rederived = 0; // score rows whose stored subject score changed with the weights
};
// Writes the row of `key` (WeightRow::key), all in one transaction; a row that is gone throws
// db::DbError. A row that already holds these values writes nothing. A full mark lowered below
// the highest stored mark of its paper in the exam is refused. Changed weights re-derive the
// subject score of every score row of the exam from its stored papers, by score entry's rule
// (scoresheet::Papers::Total), and record the exam's valid totals out of date when any changed.
WeightWrite WriteWeights(db::Connection& connection, long long key, const WeightValues& values);

// ---- score-sheet preparation

// What a preparation did with the grade's roster.
struct Preparation {
    long long added = 0;           // score rows made
    long long rosterStudents = 0;  // active roster students of the grade with a class number
    long long withoutClass = 0;    // active students of the grade left out for having no class
    long long withoutNumber = 0;   // of those with a class, left out for having no number
    long long repeatedNumbers = 0; // student numbers that several of them have
    long long repeatedLeftOut = 0; // students left out because an earlier roster row has their number
    long long updated = 0;         // rows already on the sheet whose list details changed
    long long streamsChanged = 0;  // of those, rows whose stream changed
    long long markedKept = 0;      // rows with marks whose list details were kept as the exam had them
    long long notInRoster = 0;     // rows on the sheet that no eligible roster student stands for
};

// Whether the rows that carry marks take the roster's current list details too.
enum class MarkedRows { Keep, Refresh };

// How many rows of the exam that carry a mark (a paper, a subject score or a total) would take
// other list details from the roster: the number a preparation asks about before it rewrites the
// record of an exam that was sat.
long long MarkedRowsToRefresh(db::Connection& connection, int examId, const QString& gradeCode);
// The question asked before such rows are rewritten.
QString RefreshMarkedRowsQuestion(long long markedRows);

// Copies every active roster student of the grade with a class number and a student number who has
// no row in the exam yet, all in one transaction. Of several such students with one number only
// the first in the roster is copied: a score row is found by its student number, and two rows of
// one number would take each other's marks. The rows already there first take that roster row's
// current list details (name, class, roster number, stream, exam number, AB, category, gender;
// never marks), and a row of a student no longer in school (在读 否) takes the emptied exam number
// the room arrangement left him, so that no two rows share one. Rows that carry a mark keep the
// details they had when the exam was sat unless `marked` is Refresh. A row no roster student
// stands for any more stays as it is. A changed stream records the exam's valid totals out of date
// (data/TotalsState.h).
Preparation PrepareScoreRows(db::Connection& connection, int examId, const QString& gradeCode,
                             MarkedRows marked = MarkedRows::Keep);
// What the user is told after a preparation: how many rows were made and how many updated (or why
// nobody could be), who was left out (for having no class, no number or a repeated number), which
// rows with marks kept their details, and how many rows no roster student stands for.
QString PreparationReport(const Preparation& preparation, const QString& gradeName);
// Every score row of the exam takes the stream the roster holds now for its student number. The
// valid totals do not depend on the stream: none is recorded out of date.
long long CopyStreams(db::Connection& connection, int examId);

// The exam's score rows in class and student-number order, as the preparation grid shows them:
// student number, name, class, AB, category, roster number, stream.
std::vector<QStringList> LoadScoreRows(db::Connection& connection, int examId);

} // namespace examsetup
