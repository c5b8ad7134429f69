#pragma once
// A record set read completely into memory when its statement executed.

#include "platform/db/Variant.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <utility>
#include <vector>

namespace db {

// The values of a result, row after row, in blocks that grow fourfold (the first holds 64 rows):
// appending never moves a value already stored, and a large result costs a handful of
// allocations, none per row or per number. Growing fourfold keeps all blocks together below
// twice the largest, so that freeing a result does not make the C library hand its memory back
// to the system, only to fault it in again for the next one.
class CellBlocks {
public:
    explicit CellBlocks(std::size_t columns = 0) : m_columns(columns) {}

    // Appends the next value (rows are filled left to right, one after another).
    template <typename... Args> void Add(Args&&... args) {
        if (m_blocks.empty() || m_blocks.back().size() == m_blocks.back().capacity())
            AddBlock();
        m_blocks.back().emplace_back(std::forward<Args>(args)...);
        ++m_count;
    }

    std::size_t Columns() const { return m_columns; }
    std::size_t Rows() const { return m_columns ? m_count / m_columns : 0; }
    const Variant& At(std::size_t row, std::size_t column) const;
    void Clear();

private:
    static constexpr std::size_t kFirstRows = 64;
    void AddBlock();

    std::size_t m_columns;
    std::size_t m_count = 0;
    std::vector<std::vector<Variant>> m_blocks;
};

class Recordset {
public:
    Recordset() = default; // closed, no fields (what an INSERT/UPDATE/DELETE/DDL returns)
    Recordset(QStringList names, QStringList declaredTypes, std::vector<std::vector<Variant>> rows);
    // `cells` holds one value per name in each row; a last row left incomplete is dropped.
    Recordset(QStringList names, QStringList declaredTypes, CellBlocks cells);

    bool IsOpen() const { return m_open; }
    void Close();

    bool IsEOF() const; // true for an empty or closed record set
    bool IsBOF() const;
    void MoveFirst();
    void MoveNext(); // past the last row IsEOF() becomes true; throws DbError when already at EOF
    int RecordCount() const { return m_rowCount; }
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
    CellBlocks m_cells;
    int m_rowCount = 0;
    int m_pos = 0;
    long long m_rowsAffected = 0;
};

} // namespace db
