#pragma once
// A record set read completely into memory when its statement executed.

#include "platform/db/Variant.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace db {

class Recordset {
public:
    Recordset() = default; // closed, no fields (what an INSERT/UPDATE/DELETE/DDL returns)
    Recordset(QStringList names, QStringList declaredTypes, std::vector<std::vector<Variant>> rows);

    bool IsOpen() const { return m_open; }
    void Close();

    bool IsEOF() const; // true for an empty or closed record set
    bool IsBOF() const;
    void MoveFirst();
    void MoveNext(); // past the last row IsEOF() becomes true; throws DbError when already at EOF
    int RecordCount() const { return static_cast<int>(m_rows.size()); }
    int Position() const { return m_pos; }

    int FieldCount() const { return static_cast<int>(m_names.size()); }
    QString FieldName(int ordinal) const;      // as the statement named it
    QString FieldType(int ordinal) const;      // the column's declared type, "" for an expression
    int FieldIndex(const QString& name) const; // case-insensitive; -1 when absent

    // The current row's value; throws DbError for an unknown name or ordinal and at BOF/EOF.
    const Variant& Field(const QString& name) const;
    const Variant& Field(int ordinal) const;

    // Rows changed by the statement (INSERT/UPDATE/DELETE), else 0.
    long long RowsAffected() const { return m_rowsAffected; }
    void SetRowsAffected(long long n) { m_rowsAffected = n; }

private:
    bool m_open = false;
    QStringList m_names;
    QStringList m_types;
    std::vector<std::vector<Variant>> m_rows;
    int m_pos = 0;
    long long m_rowsAffected = 0;
};

} // namespace db
