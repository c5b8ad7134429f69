#pragma once
// One student's score history: finding a grade's students by part of a name, and every exam row of
// one student with the exam's name, the totals and every subject. Widget-free; the score-history
// dialog shows the tables it returns.

#include "platform/db/Connection.h"
#include "reports/ReportTable.h"

#include <QString>

class CTextCipher;

namespace analysis {

// The messages of the score history.
QString EmptyKeyMessage(); // 对不起，关键字不能为空！
QString NotFoundMessage(); // 对不起，没有找到相关信息！

// The search table before any search: 学号 姓名 班级 考试.
CReportTable HistorySearchHeader();

// The code of the grade named `gradeName`: the first row's gradeno, empty when there is none.
QString FindGradeCode(db::Connection& connection, const QString& gradeName);

// The grade's students whose number begins with `gradeCode` and whose name contains `namePart`,
// both taken literally ("%" and "_" match only themselves), in the order the database returns them:
// 学号, 姓名, 班级 ("%1d"), an empty 考试 cell. Row 0 holds the titles.
CReportTable SearchStudents(db::Connection& connection, const QString& gradeCode, const QString& namePart);

// The name of exam `examId`, deciphered; "Error" when the exam has no row or no name.
QString GetExamName(db::Connection& connection, CTextCipher& cipher, int examId);

// Every score row of the student numbered exactly `studentId`: 学号 姓名 班级 考试, with `streams`
// also 文理, then 总分 (and with `streams` 文总 理总), then one column per subject in id order,
// titled with its deciphered name. Scores are "%.2f"; a NULL value leaves its cell empty without
// moving the others. Row 0 holds the titles; with no score row the table has the titles only.
CReportTable ScoreHistory(db::Connection& connection, CTextCipher& cipher, const QString& studentId,
                          bool streams);

} // namespace analysis
