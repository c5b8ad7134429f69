#pragma once
// What a delete takes with it or leaves behind, counted for the question asked before it.

#include "platform/db/Connection.h"

#include <QString>

namespace deletecounts {

// The score rows of the exam.
int ExamScoreRows(db::Connection& connection, int examId);

// The roster rows and the registered exams filed under a grade code.
struct GradeHoldings {
    int students = 0;
    int exams = 0;
};
GradeHoldings HoldingsOfGrade(db::Connection& connection, const QString& gradeCode);

// How many students of the class (of the whole grade for class 0) have a mark in some exam.
int StudentsWithMarks(db::Connection& connection, const QString& gradeCode, int cls);

} // namespace deletecounts
