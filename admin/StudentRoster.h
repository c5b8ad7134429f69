#pragma once
// The student roster (tavrinName) without widgets: listing a grade or a class, adding a student
// under a proposed number, cell edits, clearing, the class taken from the student number,
// numbering a class, and the roster import. The student number is the roster's key: the program
// keeps it unique and non-empty. A listed row is changed by its rowid, read when it was listed,
// together with the 学号 it was listed with: rowids are used again once rows are deleted.
// Routines that read or write throw db::DbError unless they say otherwise.

#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/import/Source.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace roster {

// The roster grid's columns.
enum Column {
    kColStudentId = 0,
    kColClass = 1,
    kColNo = 2,
    kColName = 3,
    kColGender = 4,
    kColActive = 5,
    kColAb = 6,
    kColType = 7,
    kColStream = 8,
};

struct RosterRow {
    long long rowid = 0;
    QString studentId;
    std::optional<int> cls;
    std::optional<int> no; // the number within the class (id)
    QString name;
    QString gender;
    QString active;
    QString ab;
    QString type;
    QString stream;
    // The grid text of column `col` ("%1d" for class and number, empty for NULL).
    QString Text(int col) const;
};

// A grade code beginning with "1" is a senior grade, which has the stream column.
bool IsSeniorGrade(const QString& gradeCode);

// The rows of the grade (class 0) or of one class, in the roster's own order.
std::vector<RosterRow> ListStudents(db::Connection& connection, const QString& gradeCode, int cls);

// The first two characters of the first two student categories; empty texts when there are fewer.
QStringList StudentTypeCodes(db::Connection& connection);

// The number proposed for a new student of the class: grade code, two-digit class and the seat
// after the highest seat (numerically) of the class's numbers on the roster, or 01 when there is
// none, passing over the numbers that still have score rows in the grade (a student cleared from
// the roster keeps his marks, which a new student must not take over).
QString ProposeStudentId(db::Connection& connection, const QString& gradeCode, int cls);

// The score rows a student number has in the grade's exams: in how many exams, and the names
// they carry (each once, in the order of the exams).
struct NumberScoreRows {
    int exams = 0;
    QStringList names;
};
NumberScoreRows ScoreRowsOfNumber(db::Connection& connection, const QString& gradeCode,
                                  const QString& studentId);
// Why a new student cannot take a number that has score rows: "学号120080301在2个考试中已有学生
// [张三]的成绩".
QString ScoreRowsRefusal(const QString& studentId, const NumberScoreRows& rows);

// A 学号 or a text cell as typed, the way it is stored: full-width digits (０…９) become plain
// digits and the blanks around it are dropped, so a text of blanks is empty. Characters the code
// page lacks are kept: the caller refuses them (admin::CodePageRefusal) before anything is stored.
QString TypedText(const QString& text);

// Whether some roster row has the number.
bool StudentIdTaken(db::Connection& connection, const QString& studentId);

// Adds an active student of the class with the number (as TypedText stores it) and returns its
// rowid; nothing is added, and nothing returned, for an empty number, one already on the roster,
// one that has score rows in the grade or one holding characters the code page lacks.
std::optional<long long> AddStudent(db::Connection& connection, const QString& gradeCode, int cls,
                                    const QString& studentId);

// A listed row as the grid shows it: the rowid it was listed under and its 学号.
struct RowKey {
    long long rowid = 0;
    QString studentId;
};

// What a write throws, having written nothing, when a listed row no longer holds the 学号 it was
// listed with (another window cleared, imported or deleted rows meanwhile).
class RowChanged : public db::DbError {
public:
    explicit RowChanged(const RowKey& row);
};
// What the user is told then: "该学生的记录已被另一个窗口修改或删除，请重新列出。"
QString RowChangedMessage();

// A cell edit of the listed row: class an integer 0..99, number an integer of at least 0, and the
// text columns (as TypedText stores them; emptied or blanks: NULL). False, with nothing stored, for a
// text the column does not take; RowChanged when the row no longer holds its 学号.
bool UpdateCell(db::Connection& connection, const RowKey& row, int col, const QString& text);

// How many rows the class holds, or the grade for class 0.
int CountStudents(db::Connection& connection, const QString& gradeCode, int cls);

// Deletes the class's rows, or the grade's for class 0.
void ClearStudents(db::Connection& connection, const QString& gradeCode, int cls);

// Sets every student's class of the grade from `count` characters of the number starting at
// character `start` (from 1), in one transaction. False, with nothing changed, when some
// student's slice is not all digits.
bool ClassFromStudentId(db::Connection& connection, const QString& gradeCode, int start, int count);

// Numbers the listed rows 1, 2, … in the order given, in one transaction: all of them, or none when
// one no longer holds its 学号 (RowChanged).
void NumberStudents(db::Connection& connection, const std::vector<RowKey>& rows);

// ---- the roster import

// One source row an import did not take as it stood, in the order of the source: its row as the
// user finds it in the file (see the imports' `firstRow`), its 学号 and 姓名, and why.
struct ImportRowNote {
    int sourceRow = 0;
    QString studentId;
    QString name;
    QString reason;
};

// The reasons of the notes. A padded number is told, not refused: its row was imported. A reason
// about one cell begins with the target field it feeds, "I卷：", by CellReason.
inline const QString kReasonTaken = QStringLiteral("学号已存在");
inline const QString kReasonDuplicate = QStringLiteral("文件中学号重复");
inline const QString kReasonNotListed = QStringLiteral("不在名单中");
inline const QString kReasonSameName = QStringLiteral("同名");
inline const QString kReasonOutsideGbk = QStringLiteral("字符集外文字");
// A key cell (学号, 姓名, 班级) holding a NUL, a tab, a line break or another control character
// (a damaged file's text, as text::HasControlCharacter finds it): its row fails, as the editors
// refuse such a text.
inline const QString kReasonControl = QStringLiteral("含有控制字符");
inline const QString kReasonPadded = QStringLiteral("已补足前导0");
inline const QString kReasonNameCut = QStringLiteral("姓名超过8个字节，已截短");
inline const QString kReasonNoNumber = QStringLiteral("学号为空");
inline const QString kReasonRefused = QStringLiteral("数据库拒绝");
// A student stored without a class is in no class's score sheet: the roster import tells it.
inline const QString kReasonNoClass = QStringLiteral("班级为空：请在学生名单中填写班级，否则不能准备登分表");
// A mark cell holding a text of blanks (or an empty text): no mark, and no absent paper either.
inline const QString kReasonBlankText = QStringLiteral("空白文字");
// A cell the import takes holds an error value (#DIV/0!, #N/A…, typed or a formula's result: the
// source does not tell them apart): its row is refused when the cell is a key or a mark, and
// imported with the cell left empty otherwise (kReasonErrorLeftEmpty).
inline const QString kReasonErrorValue = QStringLiteral("单元格是错误值");
inline const QString kReasonErrorLeftEmpty = QStringLiteral("单元格是错误值，已留空");

// "<field>：<reason>", the reason of one cell: "学号：单元格是错误值".
QString CellReason(const QString& field, const QString& reason);

// "<text> 不是数", the reason of a value that is to be a number and is not.
QString NotANumber(const QString& text);

// Whether cell (row, field) of a loaded source is one of its `errorCells` (rows counted from 1
// as the records come); an unmapped field (-1) is none.
bool IsErrorCell(const importsrc::ErrorCells& errorCells, int row, int field);

// Whether an error cell keeps its text. A workbook's error value reads as NULL; a number field
// whose text is no number (a FoxPro table's "*****", written for a number too wide for its field,
// or a damaged digit) keeps its text, and fails its row in every import, whichever field it feeds.
bool KeepsItsText(const db::Variant& errorCell);

// The reason of a mapped cell of the error cells: "学号：单元格是错误值", or for one that keeps
// its text, named as a bad mark is, "I卷：***** 不是数".
QString ErrorCellReason(const QString& field, const db::Variant& value);

// Whether a source cell says nothing: NULL or a text of blanks.
bool IsEmptyCell(const db::Variant& value);

// The roster rows of a grade, as an SQL condition on tavrinName taking the code's length and the
// code: the grade code is the leading part of the row's grade.
QString GradeCondition();

// Whether the current record of a source says nothing in the mapped `fields` (-1: not mapped):
// each is empty and none is an error cell of row `row`. Such a row is no row of the source (a
// stray cell far below the table makes a sheet of that many rows): both imports skip it and
// count it as blank.
bool IsBlankRow(const db::Recordset& record, int row, const std::vector<int>& fields,
                const importsrc::ErrorCells& errorCells);

struct ImportCount {
    int written = 0;
    int failed = 0;    // rows counted as failed: the notes but 不在名单中 and those of rows imported
    int notListed = 0; // source rows of no student the import works on
    int padded = 0;    // numbers given back their leading zeros
    int blank = 0;     // rows whose mapped cells are all empty: skipped, neither written nor failed
    int cleared = 0;   // stored marks that an empty cell of an imported row cleared
    std::vector<ImportRowNote> notes;
};

// What an import throws when the database failed it otherwise than by refusing single rows (a
// full disk, an I/O error, a busy database, …): it has stopped at that row and rolled back
// everything it wrote. It carries the database's own error.
class ImportNotDone : public db::DbError {
public:
    explicit ImportNotDone(const db::DbError& error) : db::DbError(error) {}
};

// "成功倒入%1d条，有%1d条因失败未导入！" with the counts.
QString ImportResultText(const ImportCount& count);

// The form of a grade's student numbers: the grade's five-digit code followed by class and seat,
// `length` characters in all.
struct StudentIdForm {
    QString gradeCode;
    int length = 9;
};
// The form of the grade's numbers: the length the most of the grade's numbers that begin with
// its code have on the roster (9 when there is none).
StudentIdForm GradeStudentIdForm(db::Connection& connection, const QString& gradeCode);
// The same from numbers already known (the students a score grid lists).
StudentIdForm StudentIdFormOf(const QString& gradeCode, const QStringList& studentIds);

// The student number of a source cell, for every import. A number cell gives its whole-number
// digits; when zeros on the left up to the form's length make them begin with the grade code,
// they are padded (a spreadsheet dropped the leading 0 of 020240104) and `padded` is set,
// otherwise they stand as they are (145 stays "145"). A text cell, and a number that is not
// whole, give their text as it is; NULL gives an empty text.
struct CellStudentId {
    QString id;
    bool padded = false;
};
CellStudentId StudentIdOfCell(const db::Variant& value, const StudentIdForm& form);

// The class and the number within the class as the import reads them: the first two characters
// must be digits (a single digit will do), so "12" and "123" give 12, "3班" and "A" nothing.
std::optional<int> TwoDigitNumber(const QString& text);

// Inserts one roster row of the grade per source row, from the columns the map's nine texts name
// (学号, 姓名, 性别, 班级, 序号, 在读, 文理, AB班, 类别; empty: not imported), with the byte
// limits of the roster's columns cut on character boundaries. A row whose mapped cells are all
// empty is skipped and counted as blank. A row with an empty number, a number already on the
// roster (earlier rows of the source included), a 学号, 姓名 or 班级 holding a control character
// (kReasonControl) or a text the code page cannot hold is counted as failed, skipped and noted
// with its reason, and so is a row the database refuses (a duplicate key, a constraint); a number
// cell's 学号 follows StudentIdOfCell with the grade's form, and a padded one is noted too, and so
// is a row whose name was cut to its 8 bytes, and a row stored without a class (班级 not mapped,
// empty or no number: kReasonNoClass). A mapped cell of `errorCells` (rows counted from 1 as the
// records come) refuses its row when it is the 学号 or keeps a number field's text that is no
// number (ErrorCellReason), and is noted otherwise. Notes give the rows as the user finds them:
// the first record is row `firstRow` (2 in a workbook, whose row 1 is the header; 1 in a table of
// records). All rows go in one transaction: a mapped name that is no column of the source throws
// db::DbError before anything is written, and any other database failure throws ImportNotDone with
// nothing written.
ImportCount ImportRoster(db::Connection& connection, db::Recordset& source, const QStringList& mapTexts,
                         const QString& gradeCode, const importsrc::ErrorCells& errorCells = {},
                         int firstRow = 1);

} // namespace roster
