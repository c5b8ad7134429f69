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
    NoNumberKey,     // 学号 not chosen from the offers
    NoNameKey,       // 姓名 not chosen from the offers
    NoClassKey,      // 班级 not chosen from the offers
    PaperTyped,      // a paper text typed by hand, without a column class
    NoPaper,         // neither paper mapped
    SamePaperColumn, // one source column mapped to both papers
};
MapProblem CheckMapping(int mode, const QStringList& texts);
// The message of a problem (empty for None).
QString MapProblemText(MapProblem problem);

// A mark read from the source: a number, or a text that is a decimal number once trimmed, from 0
// to the paper's full mark. NULL (an empty cell) is an absent paper. Anything else is `ok` false,
// with the value and what is wrong with it in `fault` ("abc 不是数", "-5 小于0",
// "130 超过满分100", and for a text that trims to nothing "空白文字"): the row fails and writes
// nothing.
struct SourceMark {
    bool ok = false;
    std::optional<double> value;
    QString fault;
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

// Imports the marks: each source row is matched with the grid's students. A row whose mapped
// cells are all empty is no row of the source: it is counted as blank and nothing else. By number,
// a text cell names the student of that number as it is, a number cell the student of the number
// that roster::StudentIdOfCell gives with the grade's form or, failing that, of the all-digit
// number of the same value; the notes give such a row the roster's name. By name, the name and
// the class compare without surrounding blanks (a numeric column by its number's text). A key
// cell of `errorCells` (rows counted from 1 as the records come), or one whose text holds a
// control character (roster::kReasonControl), fails its row; a row of no student is noted
// 不在名单中 and counted apart; a row that names two students (同名), or a student that two rows
// name (同名, 文件中学号重复), is taken for none of them. A mark cell of
// `errorCells` (an error value is no mark, and no absent paper), a bad mark, or a row the database
// refuses fails its row and writes nothing of it; a mark's reason names its paper and the value.
// An empty cell of an imported row writes its paper absent; a stored mark it clears is counted
// (`cleared`) and noted with the paper and the mark it held.
// Every failed row is noted with its reason, in source order, its row given as the user finds it:
// the first record is row `firstRow` (2 in a workbook, whose row 1 is the header; 1 in a table of
// records). Then, when a mark was written, the totals of the class (or the exam) are recomputed
// and the exam's valid totals recorded out of date; an import that wrote nothing changes nothing.
// A mapped name that is no column of the source, or one column mapped to both papers, throws
// db::DbError before anything is written; any other database failure, of a row or of the
// recompute, throws ImportNotDone and leaves the database as it was.
ImportCount ImportScores(db::Connection& connection, db::Recordset& source, int mode,
                         const QStringList& texts, const Target& target,
                         const importsrc::ErrorCells& errorCells = {}, int firstRow = 1);

// The subject's totals of the class (or of the exam, class 0) from both stored papers, with the
// weights at two decimals, each stored at two decimals as score entry stores it (data::RoundTo2):
// one paper alone counts alone, none gives no total.
void RecomputeTotals(db::Connection& connection, int examId, const QString& field,
                     const scoresheet::Papers& papers, int cls);

} // namespace scoreimport
