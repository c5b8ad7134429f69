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
    };

    DbError(int code, const QString& message)
        : std::runtime_error(message.toStdString()), m_code(code), m_message(message) {}

    int Code() const { return m_code; }
    const QString& Message() const { return m_message; }

private:
    int m_code;
    QString m_message;
};

} // namespace db
