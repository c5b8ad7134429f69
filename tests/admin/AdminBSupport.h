#pragma once
// Exam set-up dialogs on a small sample school: the application object holds a connection to a
// fixture database in a temporary folder, message boxes answer from a script, buttons are clicked
// with the mouse, and cells are edited through the grid's own notification path.

#include "AdminSupport.h"
#include "data/TextCipher.h"

#include <string>

class QComboBox;

namespace adminb {

using admintest::Click;
using admintest::GridColumn;
using admintest::Open;

class AdminBTest : public admintest::AdminTestBase {
protected:
    void SetUp() override;

    int Count(const QString& sql, const std::vector<db::Variant>& params = {}) {
        return Scalar(sql, params).toInt();
    }
    // From here on every `event` (INSERT, UPDATE or DELETE) on `table` fails with "refused", and
    // the test expects the failure to be logged.
    void FailOn(const QString& event, const QString& table);
    QString Encode(const QString& text) { return cipher.EncodeText(fixtures::DescriptionKey(), text); }
    QString Decode(const QString& hex) { return cipher.DecodeText(fixtures::DescriptionKey(), hex); }
    // A line "table digest" for each table, the digest of its rows: equal texts, equal contents.
    std::string TableDigests();
    // From here on the database can grow by `pages` pages only: a write that needs more fails
    // with SQLITE_FULL, "database or disk is full", as on a full disk.
    void FillDiskAfter(int pages);
    // The two failures of a write that the user is told the reason of, each with the second line
    // of its message: a full disk (every `event` on `table` needs more room than is left: it fails
    // with SQLITE_FULL) and a read-only database file (every write refused with SQLITE_READONLY, as
    // by a file the program may not write). The test expects the failure to be logged.
    enum class WriteFailure { DiskFull, ReadOnly };
    static constexpr WriteFailure kWriteFailures[] = {WriteFailure::DiskFull, WriteFailure::ReadOnly};
    void FailWrites(WriteFailure failure, const QString& event, const QString& table);
    // Writes succeed again.
    void EndWriteFailure();
    static QString ReasonOf(WriteFailure failure);
    // The exam list entry of an exam of the fixture, "grade name|description".
    QString EntryOf(const fixtures::ExamInfo& exam) const;
    const fixtures::GradeInfo& GradeOf(const fixtures::ExamInfo& exam) const;
    // The first exam of a senior grade that is no entrance exam (the score imports' exam), or
    // nullptr.
    const fixtures::ExamInfo* FirstSeniorExam() const;
    // Registers an exam directly; returns its id.
    int AddExam(const QString& grade, const QString& description, const QString& date = "2009-09-01");

    CTextCipher cipher;
    std::unique_ptr<ExpectWarning> refused;
};

// Runs a Python script (with xlwt and dbf at hand) that writes its file to the path it is given
// as its first argument; false, with a test failure, when it fails.
bool WriteWithPython(const QString& script, const QString& path);

// The user picks the entry of that text from the drop-down list; false when there is none.
bool Choose(QComboBox* combo, const QString& text);
// The user types into the box's edit field.
void Type(QComboBox* combo, const QString& text);
// The texts of row `row`.
QStringList GridRow(CGridCtrl& grid, int row);
// The row whose column `col` reads `text`; -1 when none does.
int FindRow(CGridCtrl& grid, int col, const QString& text);

// An in-place edit as the grid makes it: refused for a cell the user cannot edit; otherwise the
// begin-edit notification to the owner, then the grid's end-of-edit path with the typed text (it
// stores the text, notifies the owner and puts the old text back when the owner refuses). False
// when the cell cannot be edited or the owner vetoed the start.
bool EditCell(CGridCtrl& grid, int row, int col, const QString& text);
// Real typing: the cell gets the focus, the text is typed (which opens the grid's in-place editor)
// and Enter ends the edit.
void TypeIntoCell(CGridCtrl& grid, int row, int col, const QString& text);
// A left click on a cell, as the grid reports it to its owner.
void ClickCell(CGridCtrl& grid, int row, int col);

} // namespace adminb
