#pragma once
// Which registered exam a chooser means. Every exam box lists the exams as "grade name|exam name"
// entries; a chosen entry is resolved by the exam id it was listed with, a typed text by its
// names, every grade of that name tried (two grades may share a name). Names are enciphered in
// the database, so the comparison is made on the enciphered form.

#include "platform/db/Connection.h"

#include <QString>
#include <QVariant>

#include <vector>

class CTextCipher;

namespace data {

// A grade's name by its code; the code itself when no grade has it, its name is NULL or the
// database fails (the failure is logged).
QString GradeName(db::Connection& connection, const QString& code);

struct ExamEntry {
    QString text;  // grade name (the code when the grade is gone), "|", deciphered exam name
    int id = -1;   // tavrinKSLB.id
    QString grade; // the exam's grade code
};

// One entry per registered exam, in the order the program sorts texts (newest first among equal
// texts). A database failure ends the list with the entries read so far and is logged.
std::vector<ExamEntry> ExamEntries(db::Connection& connection, CTextCipher& cipher);

struct ExamRef {
    int id = -1; // -1: no such exam
    QString grade;
    bool IsValid() const { return id >= 0; }
};

// The exam a text names: the grade part (a grade name, or a code) and the exam name meet at a
// '|'; every '|' of the text is tried from the left, so either name may hold one. Of several
// exams that match, the one registered first. A text without '|' names no exam. Throws
// db::DbError when the database fails.
ExamRef ResolveExam(db::Connection& connection, CTextCipher& cipher, const QString& text);

// The exam a chooser shows: `entryData` is the id of the entry the text belongs to (an invalid
// QVariant when the text was typed), which names that very exam (none once it is deleted);
// without it the text is resolved as above. Throws db::DbError when the database fails.
ExamRef ResolveExam(db::Connection& connection, CTextCipher& cipher, const QString& text,
                    const QVariant& entryData);

struct GradeEntry {
    QString name;
    QVariant code;
};
// The order of a grade list: the table's (by id) or the codes'.
enum class GradeOrder { Table, Code };
// The grades every grade list offers, each with its code: those with a name and a grade code
// (IsGradeCode). A row without them names no grade (an unfinished row of an older file: a list
// would open on it with an empty grade). A database failure ends the list with the entries read so
// far and is logged.
std::vector<GradeEntry> GradeEntries(db::Connection& connection, GradeOrder order = GradeOrder::Table);

// The code of the grade a grade box shows: `entryData` is the code the entry was listed with; a
// typed name gives the code of the first grade of that name, and a text that names no grade is
// taken as it is (data::GetGradeNo).
QString ResolveGradeCode(db::Connection& connection, const QString& text, const QVariant& entryData);

} // namespace data
