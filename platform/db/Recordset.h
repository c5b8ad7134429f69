#pragma once
// A record set read completely into memory when its statement executed.

#include "platform/db/Variant.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>
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
//
// Appending is the inner loop of reading every result, so it does no division and makes no
// value twice: the place in the row is counted, each value is made where it is stored, and a row
// costs one entry in the row index (its first value's place and its bits, side by side).
class CellBlocks {
public:
    explicit CellBlocks(std::size_t columns = 0)
        : m_columns(columns), m_words(columns == 0 ? 0 : (columns + 63) / 64) {}
    CellBlocks(const CellBlocks& other);
    CellBlocks(CellBlocks&& other) noexcept;
    CellBlocks& operator=(const CellBlocks& other);
    CellBlocks& operator=(CellBlocks&& other) noexcept;
    ~CellBlocks() { Clear(); }

    // Appends the next value (rows are filled left to right, one after another): a Variant as it
    // is, anything else as the Variant made of it, nothing as a NULL.
    template <typename... Args> void Add(Args&&... args) {
        if constexpr (sizeof...(Args) == 0) {
            AddNull();
        } else if constexpr (sizeof...(Args) == 1 && (std::is_same_v<std::decay_t<Args>, Variant> && ...)) {
            if ((args.IsNull() && ...))
                AddNull();
            else
                AddValue(std::forward<Args>(args)...);
        } else if constexpr (sizeof...(Args) == 1 &&
                             (std::is_same_v<std::decay_t<Args>, std::nullptr_t> && ...)) {
            AddNull();
        } else {
            AddValue(std::forward<Args>(args)...);
        }
    }
    void AddNull() {
        if (m_column == 0 && !StartAddedRow())
            return;
        NextColumn();
    }

    // Appending a row at a time, for a reader that goes through each row's columns in order:
    // StartRow, then Set for each column that holds a value (in increasing order; the others are
    // NULL), then EndRow. Only between complete rows of Add.
    void StartRow() {
        const std::size_t place = m_started % kIndexRows;
        if (place == 0)
            AddIndexPart();
        m_row = m_index.back().get() + place * (1 + m_words);
        m_row[0] = Values();
        std::fill_n(m_row + 1, m_words, std::uint64_t{0});
        ++m_started;
    }
    template <typename... Args> void Set(std::size_t column, Args&&... args) {
        if (m_next == m_end)
            AddBlock();
        ::new (static_cast<void*>(m_next)) Variant(std::forward<Args>(args)...);
        ++m_next;
        m_row[1 + column / 64] |= std::uint64_t{1} << (column % 64);
    }
    void EndRow() { ++m_rows; }

    std::size_t Columns() const { return m_columns; }
    std::size_t Rows() const { return m_rows; }
    const Variant& At(std::size_t row, std::size_t column) const;
    void Clear();

private:
    template <typename... Args> void AddValue(Args&&... args) {
        if (m_column == 0 && !StartAddedRow())
            return;
        Set(m_column, std::forward<Args>(args)...);
        NextColumn();
    }
    bool StartAddedRow() {
        if (m_columns == 0)
            return false;
        StartRow();
        return true;
    }
    void NextColumn() {
        if (++m_column == m_columns) {
            m_column = 0;
            ++m_rows;
        }
    }
    void AddBlock();
    void AddIndexPart();
    // The values stored (the cells that are not NULL).
    std::size_t Values() const {
        return m_blocks.empty() ? 0 : m_valuesBefore + static_cast<std::size_t>(m_next - m_blocks.back());
    }
    std::size_t BlockValues(std::size_t block) const; // the room of a block
    void CopyFrom(const CellBlocks& other);
    void TakeFrom(CellBlocks& other) noexcept;

    std::size_t m_columns;
    std::size_t m_words;      // bit words per row
    std::size_t m_rows = 0;   // rows complete
    std::size_t m_column = 0; // the column the next value goes to
    // Per row, 1 + m_words words: the number of values stored before the row, then the bits
    // (bit c set when column c holds a value). The rows are kept in parts of kIndexRows, so that
    // the index never moves (nor is held twice) while it grows.
    static constexpr std::size_t kIndexRows = 1024;
    std::vector<std::unique_ptr<std::uint64_t[]>> m_index;
    std::size_t m_started = 0;      // rows in the index (the one being filled included)
    std::uint64_t* m_row = nullptr; // the entry of the row being filled
    // Each block is raw room for BlockValues(b) values, made in place one after another; all but
    // the last are full.
    std::vector<Variant*> m_blocks;
    std::size_t m_valuesBefore = 0; // in the blocks before the last
    Variant* m_next = nullptr;      // the last block's next free place
    Variant* m_end = nullptr;       // the last block's end
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
