#pragma once
// The queries behind the settings dialogs (grades, common exam names, grade values, subjects and
// student categories), kept apart from their widgets. Every row is read with its own key, the
// table's rowid, and later changed and deleted by that key, never by the id or the text a grid
// shows: nothing keeps the ids unique, and an older file may hold any text in them. Routines that
// write throw db::DbError, also when the row of the key is gone.

#include "platform/db/Connection.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class CTextCipher;

namespace settings {

using RowKey = long long;

// The text a new row shows until the user names it.
inline const QString kPlaceholder = QStringLiteral("*****");

// ---- new ids

// The id a new row of `table` takes: the largest id that is a whole number, plus 1; 1 when there
// is none (or none above 0). Ids that are not whole numbers play no part.
int NextId(db::Connection& connection, const QString& table);

// ---- the lookup tables: tavrinGrade (mydesc, gradeno), tavrinKSMC and tavrinDJZ (mydesc)

struct LookupRow {
    RowKey key = 0;
    db::Variant id;
    std::vector<db::Variant> values; // the fields asked for, in their order
};
// The table's rows in id order. Table and field names outside those above throw
// std::invalid_argument.
std::vector<LookupRow> LoadLookupRows(db::Connection& connection, const QString& table,
                                      const QStringList& fields);
void UpdateLookupField(db::Connection& connection, const QString& table, const QString& field, RowKey key,
                       const QString& text);
// Appends the row (id, `text` in `field`) and returns its key.
RowKey AddLookupRow(db::Connection& connection, const QString& table, int id, const QString& field,
                    const QString& text);
// Appends the row (id, each of `values` in its field of `fields`) and returns its key.
RowKey AddLookupRow(db::Connection& connection, const QString& table, int id, const QStringList& fields,
                    const std::vector<db::Variant>& values);
void DeleteLookupRow(db::Connection& connection, const QString& table, RowKey key);

// Whether a grade other than the row `key` (without a key: any grade) has the code. A grade code is
// data::IsGradeCode.
bool GradeCodeTaken(db::Connection& connection, const QString& code, std::optional<RowKey> key);

// ---- subjects (tavrinKMK)

inline const QString kScored = QStringLiteral("分数型");
inline const QString kGraded = QStringLiteral("等级型");

struct SubjectRow {
    RowKey key = 0;
    db::Variant id;
    db::Variant name; // deciphered
    db::Variant type;
};
std::vector<SubjectRow> LoadSubjects(db::Connection& connection, CTextCipher& cipher);

// The number a new subject takes: the next id (NextId), past any number whose score column
// another subject already uses.
int NextSubjectNo(db::Connection& connection);
// Adds subject `no` (score column "s%02d", the placeholder as its name, 分数型) with those of its
// score columns that the score table lacks (a deleted subject leaves its columns and scores, and
// adding its number again takes them over); all or nothing. Returns the new row's key.
RowKey AddSubject(db::Connection& connection, CTextCipher& cipher, int no);
// Only the subject's row goes: its score columns, scores and paper weights stay.
void DeleteSubject(db::Connection& connection, RowKey key);

// Whether a subject other than the row `key` has the name.
bool SubjectNameTaken(db::Connection& connection, CTextCipher& cipher, const QString& name, RowKey key);
void RenameSubject(db::Connection& connection, CTextCipher& cipher, RowKey key, const QString& name);
void SetSubjectType(db::Connection& connection, RowKey key, const QString& type);

// ---- student categories (tavrinXJLB)

// Makes the table with its two rows 正 正式学籍 and 旁 旁听生 when the database lacks it; a table
// that exists keeps its rows untouched.
void CreateStudentTypeTable(db::Connection& connection);

struct StudentTypeRow {
    RowKey key = 0;
    db::Variant code;
    db::Variant description;
};
std::vector<StudentTypeRow> LoadStudentTypes(db::Connection& connection);
void SetStudentTypeCode(db::Connection& connection, RowKey key, const QString& code);
// Whether a category other than row `key` has the code.
bool StudentTypeCodeTaken(db::Connection& connection, const QString& code, RowKey key);
void SetStudentTypeDescription(db::Connection& connection, RowKey key, const QString& description);

} // namespace settings
