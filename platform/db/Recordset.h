#pragma once
// A record set read completely into memory when its statement executed.

#include "platform/db/Variant.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace db {

// The values of a result, row after row. A NULL costs one bit: each row keeps a bit per column
// that says whether the column holds a value, and the values themselves are stored one after
// another, so that a wide sheet with a far cell (mostly empty rows and columns) takes little more
// than its values. The values are kept in blocks that grow fourfold (the first holds 64 rows'
// worth): appending never moves a value already stored, and a large result costs a handful of
// allocations, none per row or per number. Growing fourfold keeps all blocks together below
// twice the largest, so that freeing a result does not make the C library hand its memory back
// to the system, only to fault it in again for the next one.
class CellBlocks {
public:
    explicit CellBlocks(std::size_t columns = 0)
        : m_columns(columns), m_words(columns == 0 ? 0 : (columns + 63) / 64) {}

    // Appends the next value (rows are filled left to right, one after another).
    template <typename... Args> void Add(Args&&... args) {
        Variant value(std::forward<Args>(args)...);
        if (m_columns == 0)
            return;
        const std::size_t column = m_count % m_columns;
        if (column == 0) {
            m_rowStart.push_back(m_values);
            m_present.resize(m_present.size() + m_words, 0);
        }
        ++m_count;
        if (value.IsNull())
            return;
        m_present[m_present.size() - m_words + column / 64] |= std::uint64_t{1} << (column % 64);
        if (m_blocks.empty() || m_blocks.back().size() == m_blocks.back().capacity())
            AddBlock();
        m_blocks.back().push_back(std::move(value));
        ++m_values;
    }

    std::size_t Columns() const { return m_columns; }
    std::size_t Rows() const { return m_columns ? m_count / m_columns : 0; }
    const Variant& At(std::size_t row, std::size_t column) const;
    void Clear();

private:
    void AddBlock();

    std::size_t m_columns;
    std::size_t m_words;                  // bit words per row
    std::size_t m_count = 0;              // cells appended, NULLs included
    std::size_t m_values = 0;             // values stored (the cells that are not NULL)
    std::vector<std::size_t> m_rowStart;  // per row: the values stored before it
    std::vector<std::uint64_t> m_present; // per row, m_words words: bit c set when column c holds a value
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
