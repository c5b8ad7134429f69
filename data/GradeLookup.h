#pragma once
// A grade's code by its name, and what a grade code is.

#include "platform/db/Connection.h"

#include <QString>

namespace data {

// A grade code is five digits (the school level, then the year).
bool IsGradeCode(const QString& text);

// Replaces the grade name in `grade` by its code from tavrinGrade; leaves it unchanged when the
// grade is not found, its code is NULL or the database fails.
void GetGradeNo(db::Connection& connection, QString& grade);

} // namespace data
