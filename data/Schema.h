#pragma once
// The tables of the program's database and the columns that each subject brings.

#include "platform/db/Connection.h"

#include <QString>
#include <QStringList>

class CTextCipher;

namespace data {

// The DDL shipped with the program (res/schema.sql), one statement per entry.
QStringList SchemaStatements();

// Creates every table of an empty database in one transaction.
void CreateSchema(db::Connection& connection);

// "s%02d" of a subject number: the subject's weighted-score column; its paper columns add 1 and 2.
QString SubjectField(int subjectNo);

// Adds those of the three score columns of subject `subjectNo` that tavrinKSK lacks (a deleted
// subject leaves its columns behind; the caller's transaction, if any, makes it all or nothing).
void AddSubjectColumns(db::Connection& connection, int subjectNo);

// The rows a new school starts with: nine common subjects (names enciphered with the column key,
// with their score columns), common exam names, grade values and the two student categories.
void InstallDefaults(db::Connection& connection, CTextCipher& cipher);

} // namespace data
