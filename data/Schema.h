#pragma once
// The tables of the program's database and the columns that each subject brings.

#include "platform/db/Connection.h"

#include <QString>
#include <QStringList>

#include <cstdint>

class CTextCipher;

namespace data {

// The mark in the header of every database file the program makes or upgrades (PRAGMA
// application_id): "VELT".
inline constexpr std::int32_t kApplicationId = 0x56454C54;

// True when the file holds the program's roster, the table every version of its files has
// (tavrinName with its student numbers): an unmarked file from before the mark is still ours.
bool HoldsProgramTables(db::Connection& connection);

// Whether the file has the table (names compared without regard to case, as the program's SQL
// names them).
bool HasTable(db::Connection& connection, const QString& table);

// Writes the mark (in the caller's transaction, if any).
void MarkDatabase(db::Connection& connection);

// The check of a file the program opens (db::Connection::SetFileCheck), which reads and writes
// nothing else: a file marked by another program, or unmarked and without the program's tables,
// is refused as foreign (DbError::kForeignFile); one carrying triggers or views (the program
// makes none) is refused as DbError::kForeignSchema, naming them; a file that fails SQLite's quick check is
// refused as damaged (DbError::kDamagedFile, the message naming the damage).
void CheckDatabaseFile(db::Connection& connection);

// The DDL shipped with the program (res/schema.sql), one statement per entry.
QStringList SchemaStatements();

// Creates every table of an empty database, and marks it, in one transaction.
void CreateSchema(db::Connection& connection);

// "s%02d" of a subject number: the subject's weighted-score column; its paper columns add 1 and 2.
QString SubjectField(int subjectNo);

// Adds those of the three score columns of subject `subjectNo` that tavrinKSK lacks (a deleted
// subject leaves its columns behind; the caller's transaction, if any, makes it all or nothing).
void AddSubjectColumns(db::Connection& connection, int subjectNo);

// What a subject number's score columns and paper weights hold: the score rows with a mark in one
// of its three columns, the exams of those rows, and the exams with its paper weights. A deleted
// subject leaves all of them behind; columns the score table lacks hold nothing.
struct SubjectLeftovers {
    int marks = 0;
    int exams = 0;
    int weightExams = 0;
    bool Any() const { return marks > 0 || weightExams > 0; }
};
SubjectLeftovers SubjectLeftoversOf(db::Connection& connection, const QString& field);

// Empties the three score columns of `field` in every score row and deletes its paper weights, so
// that a new subject of that number starts with none (the caller's transaction makes it all or
// nothing with the add).
void ClearSubjectLeftovers(db::Connection& connection, const QString& field);

// The score column of the subject row `rowid` of tavrinKMK; empty when the row is gone.
QString SubjectFieldOfRow(db::Connection& connection, long long rowid);

// The rows a new school starts with: nine common subjects (names enciphered with the column key,
// with their score columns), common exam names, grade values and the two student categories.
void InstallDefaults(db::Connection& connection, CTextCipher& cipher);

} // namespace data
