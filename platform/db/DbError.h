#pragma once
// The error every failing database call throws: the stand-in for the COM error the dialogs catch.

#include <QString>

#include <stdexcept>

namespace db {

class DbError : public std::runtime_error {
public:
    // Other codes are SQLite's extended result codes (Code() & 0xFF is the primary one, e.g.
    // SQLITE_BUSY); ours below have a low byte that no SQLite code has, so they never clash.
    enum : int {
        kWrongPassword = 1001, // the database password does not match
        kMultipleStatements,   // more than one statement in one Execute
        kNotOpen,              // a call on a closed connection or record set
        kNoSuchField,          // a field name or ordinal that the record set lacks
        kNoCurrentRecord,      // a field read at BOF/EOF
        kBadConnectionString,  // no data source, or an unknown form
        kBadParameterCount,    // bound values do not match the statement's placeholders
        kForeignFile,          // a database, but not one the program accepts
        kDamagedFile,          // a database that fails its integrity check
        kForeignSchema,        // the program's database, carrying triggers or views it never made
    };

    // `systemErrno` is the operating system's error behind a failed file operation, 0 if none.
    DbError(int code, const QString& message, int systemErrno = 0)
        : std::runtime_error(message.toStdString()), m_code(code), m_message(message),
          m_systemErrno(systemErrno) {}

    int Code() const { return m_code; }
    const QString& Message() const { return m_message; }
    int SystemErrno() const { return m_systemErrno; }

private:
    int m_code;
    QString m_message;
    int m_systemErrno;
};

} // namespace db
