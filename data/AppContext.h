#pragma once
// What every dialog and computation reaches of the running program, kept below them: the one
// database connection, the name cipher (the main frame's cipher holder, which deciphers the
// database password), the analysis context, the program directory and the window that gets the
// grid's print request. The application fills it at start-up; tests fill it with a fixture school.
// User-interface thread only.

#include "data/AnalysisContext.h"
#include "data/TextCipher.h"
#include "platform/db/Connection.h"

#include <QString>

#include <memory>

class QObject;

namespace data {

// The program's open connection. Throws db::DbError (kNotOpen, "no database connection") when
// there is none, so that a dialog's catch of DbError covers a missing connection too.
db::Connection& Database();
bool HasDatabase();
// Takes `connection` as the program's connection; the one before is closed. Null closes it.
void SetDatabase(std::unique_ptr<db::Connection> connection);

// The text a user is shown for a database failure: "对不起，数据库连接失败！" when the failure is
// that there is no connection, the reason where the program's rule knows one (a full disk, a
// read-only file or folder, another program holding the database: KnownDatabaseFailureReason),
// otherwise the error's own text.
QString DbErrorText(const db::DbError& error);

// The cipher holder of the main frame.
CTextCipher& NameCipher();

// The analysis context: the one the application registered (the main frame), or the home's own,
// which names nothing until the analysis parameters are saved into it.
CAnalysisContext& AnalysisContext();
// Exam `examId` is deleted: when it is the analysis exam, the context is cleared, so that the
// reports ask for the analysis parameters as at start.
void ForgetAnalysisExam(int examId);
// Subject `subjectNo` (its row in subject order) is deleted: its flag and its count go.
void DropAnalysisSubject(int subjectNo);
// Registers `context` (null: back to the home's own, emptied). The registered object must
// outlive its registration.
void SetAnalysisContext(CAnalysisContext* context);

// The program directory, ending in '/': the one set, else ProgramDirectory().
QString AppDirectory();
void SetAppDirectory(const QString& directory);
// The executable's directory, or $VELTORA_HOME when it is set; ending in '/'.
QString ProgramDirectory();

// The window that gets the next grid print request; forgotten when it is destroyed.
QObject* PrintTarget();
void SetPrintTarget(QObject* target);

// Closes the connection and forgets everything else (tests between cases, the program at exit).
void ResetAppContext();

} // namespace data
