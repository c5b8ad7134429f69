#pragma once
// The score imports without widgets: the marks of one exam's subject read from a source table
// for the students the score-entry grid lists, matched by student number or by name and class,
// written into their score rows, and the subject's totals recomputed, all in one transaction.

#include "admin/ScoreSheet.h"
#include "admin/StudentRoster.h"
#include "platform/db/Recordset.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace scoreimport {

using roster::ImportCount;
using roster::ImportNotDone;

// What stops a mapping before anything is read (the texts of the map's rows, row 1 first).
enum class MapProblem {
    None,
    NoNumberKey, // 学号 not chosen from the offers
    NoNameKey,   // 姓名 not chosen from the offers
    NoClassKey,  // 班级 not chosen from the offers
    PaperTyped,  // a paper text typed by hand, without a column class
    NoPaper,     // neither paper mapped
};
MapProblem CheckMapping(int mode, const QStringList& texts);
// The message of a problem (empty for None).
QString MapProblemText(MapProblem problem);

// A mark read from the source. A number must not be negative; a text must be a non-negative
// decimal number once trimmed. NULL is an absent paper, and a mark above the full mark is stored
// as absent too. `ok` false: the row is counted as failed.
struct SourceMark {
    bool ok = false;
    std::optional<double> value;
};
SourceMark ReadMark(const db::Variant& value, int fullMark);

// One student the grid lists: the score row's key, number, name and class as shown.
struct GridStudent {
    long long key = 0;
    QString studentId;
    QString name;
    QString classText;
};

struct Target {
    int examId = 0;
    QString field; // the subject's score column, "s03"
    scoresheet::Papers papers;
    int cls = 0; // the class the grid lists; 0: the whole exam
    std::vector<GridStudent> students;
};

// Imports the marks: each student is looked up in the source (a numeric student-number column
// read as a nine-digit number, a numeric name or class column by its number's text, a character
// column by its text as it is; of several matches the first row counts). A student not found
// counts nowhere; a bad mark, or a row the database refuses (a constraint), counts as failed and
// writes nothing. Then the totals of the class (or the exam) are recomputed. A mapped name that is
// no column of the source throws db::DbError before anything is written; any other database
// failure, of a row or of the recompute, throws ImportNotDone and leaves the database as it was.
ImportCount ImportScores(db::Connection& connection, db::Recordset& source, int mode,
                         const QStringList& texts, const Target& target);

// The subject's totals of the class (or of the exam, class 0) from both stored papers, with the
// weights at two decimals: one paper alone counts alone, none gives no total.
void RecomputeTotals(db::Connection& connection, int examId, const QString& field,
                     const scoresheet::Papers& papers, int cls);

} // namespace scoreimport
