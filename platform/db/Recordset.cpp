#include "platform/db/Recordset.h"

#include "platform/db/DbError.h"

#include <algorithm>
#include <bit>
#include <memory>
#include <new>

namespace db {
namespace {

// Field names are SQL identifiers: ASCII case folding is what the database itself does.
bool SameName(const QString& a, const QString& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a.at(i).unicode();
        char16_t y = b.at(i).unicode();
        if (x >= u'A' && x <= u'Z')
            x += u'a' - u'A';
        if (y >= u'A' && y <= u'Z')
            y += u'a' - u'A';
        if (x != y)
            return false;
    }
    return true;
}

// Block b holds kFirstBlockRows·4^b rows' worth of values.
constexpr std::size_t kFirstBlockRows = 64;
std::size_t FirstBlockValues(std::size_t columns) {
    return kFirstBlockRows * std::max<std::size_t>(columns, 1);
}

} // namespace

std::size_t CellBlocks::BlockValues(std::size_t block) const {
    return FirstBlockValues(m_columns) << (2 * block);
}

void CellBlocks::AddBlock() {
    const std::size_t values = BlockValues(m_blocks.size());
    m_blocks.reserve(m_blocks.size() + 1); // so that nothing can fail once the room is taken
    auto* block = static_cast<Variant*>(::operator new(values * sizeof(Variant)));
    if (!m_blocks.empty())
        m_valuesBefore += BlockValues(m_blocks.size() - 1);
    m_blocks.push_back(block);
    m_next = block;
    m_end = block + values;
}

void CellBlocks::AddIndexPart() {
    m_index.push_back(std::make_unique_for_overwrite<std::uint64_t[]>(kIndexRows * (1 + m_words)));
}

CellBlocks::CellBlocks(const CellBlocks& other) : m_columns(other.m_columns), m_words(other.m_words) {
    CopyFrom(other);
}

CellBlocks::CellBlocks(CellBlocks&& other) noexcept : m_columns(other.m_columns), m_words(other.m_words) {
    TakeFrom(other);
}

CellBlocks& CellBlocks::operator=(const CellBlocks& other) {
    if (this != &other) {
        Clear();
        m_columns = other.m_columns;
        m_words = other.m_words;
        CopyFrom(other);
    }
    return *this;
}

CellBlocks& CellBlocks::operator=(CellBlocks&& other) noexcept {
    if (this != &other) {
        Clear();
        m_columns = other.m_columns;
        m_words = other.m_words;
        TakeFrom(other);
    }
    return *this;
}

void CellBlocks::CopyFrom(const CellBlocks& other) {
    // The copy's blocks are laid out as those of `other`, so that a value is found the same way.
    m_rows = other.m_rows;
    m_column = other.m_column;
    m_started = other.m_started;
    const std::size_t entry = 1 + m_words;
    for (std::size_t part = 0; part < other.m_index.size(); ++part) {
        AddIndexPart();
        const std::size_t rows = std::min(kIndexRows, other.m_started - part * kIndexRows);
        std::copy_n(other.m_index[part].get(), rows * entry, m_index.back().get());
    }
    if (other.m_row)
        m_row = m_index.back().get() + (m_started - 1) % kIndexRows * entry;
    for (std::size_t b = 0; b < other.m_blocks.size(); ++b) {
        AddBlock();
        const Variant* from = other.m_blocks[b];
        const Variant* end = b + 1 < other.m_blocks.size() ? from + BlockValues(b) : other.m_next;
        for (; from != end; ++from) {
            ::new (static_cast<void*>(m_next)) Variant(*from);
            ++m_next;
        }
    }
}

void CellBlocks::TakeFrom(CellBlocks& other) noexcept {
    m_index = std::move(other.m_index);
    m_blocks = std::move(other.m_blocks);
    m_rows = std::exchange(other.m_rows, 0);
    m_column = std::exchange(other.m_column, 0);
    m_started = std::exchange(other.m_started, 0);
    m_row = std::exchange(other.m_row, nullptr);
    m_valuesBefore = std::exchange(other.m_valuesBefore, 0);
    m_next = std::exchange(other.m_next, nullptr);
    m_end = std::exchange(other.m_end, nullptr);
    other.m_index.clear();
    other.m_blocks.clear();
}

const Variant& CellBlocks::At(std::size_t row, std::size_t column) const {
    static const Variant null;
    const std::uint64_t* entry = m_index[row / kIndexRows].get() + row % kIndexRows * (1 + m_words);
    const std::uint64_t* bits = entry + 1;
    const std::uint64_t word = bits[column / 64];
    const std::uint64_t bit = std::uint64_t{1} << (column % 64);
    if ((word & bit) == 0)
        return null;
    // The value's place among all values: those of the rows before, then those left of it.
    std::size_t index =
        static_cast<std::size_t>(entry[0]) + static_cast<std::size_t>(std::popcount(word & (bit - 1)));
    for (std::size_t w = 0; w < column / 64; ++w)
        index += static_cast<std::size_t>(std::popcount(bits[w]));
    // Values before block b: first·(4^b − 1)/3, so the value is in block ⌊log4(⌊3·index/first⌋ + 1)⌋.
    const std::size_t first = FirstBlockValues(m_columns);
    const std::size_t x = 3 * index / first + 1;
    const std::size_t b = (static_cast<std::size_t>(std::bit_width(x)) - 1) / 2;
    const std::size_t before = first * ((std::size_t{1} << (2 * b)) - 1) / 3;
    return m_blocks[b][index - before];
}

void CellBlocks::Clear() {
    for (std::size_t b = 0; b < m_blocks.size(); ++b) {
        Variant* block = m_blocks[b];
        Variant* const end = b + 1 < m_blocks.size() ? block + BlockValues(b) : m_next;
        std::destroy(block, end);
        ::operator delete(static_cast<void*>(block));
    }
    m_blocks = {};
    m_index = decltype(m_index)();
    m_started = 0;
    m_row = nullptr;
    m_rows = 0;
    m_column = 0;
    m_valuesBefore = 0;
    m_next = nullptr;
    m_end = nullptr;
}

Recordset::Recordset(QStringList names, QStringList declaredTypes, std::vector<std::vector<Variant>> rows)
    : m_open(true), m_names(std::move(names)), m_types(std::move(declaredTypes)),
      m_cells(static_cast<std::size_t>(m_names.size())) {
    for (std::vector<Variant>& row : rows) {
        row.resize(m_cells.Columns());
        for (Variant& v : row)
            m_cells.Add(std::move(v));
    }
    m_rowCount = static_cast<int>(m_cells.Rows());
}

Recordset::Recordset(QStringList names, QStringList declaredTypes, CellBlocks cells)
    : m_open(true), m_names(std::move(names)), m_types(std::move(declaredTypes)), m_cells(std::move(cells)) {
    m_rowCount =
        m_cells.Columns() == static_cast<std::size_t>(m_names.size()) ? static_cast<int>(m_cells.Rows()) : 0;
}

void Recordset::Close() {
    m_open = false;
    m_names.clear();
    m_types.clear();
    m_cells.Clear();
    m_rowCount = 0;
    m_pos = 0;
}

bool Recordset::IsEOF() const {
    return !m_open || m_pos >= RecordCount();
}

bool Recordset::IsBOF() const {
    return !m_open || m_rowCount == 0;
}

void Recordset::MoveFirst() {
    if (!m_open)
        throw DbError(DbError::kNotOpen, QStringLiteral("the record set is closed"));
    m_pos = 0;
}

void Recordset::MoveNext() {
    if (!m_open)
        throw DbError(DbError::kNotOpen, QStringLiteral("the record set is closed"));
    if (m_pos >= RecordCount())
        throw DbError(DbError::kNoCurrentRecord, QStringLiteral("no current record (already at EOF)"));
    ++m_pos;
}

QString Recordset::FieldName(int ordinal) const {
    if (ordinal < 0 || ordinal >= FieldCount())
        throw DbError(DbError::kNoSuchField, QStringLiteral("no field at ordinal %1").arg(ordinal));
    return m_names.at(ordinal);
}

QString Recordset::FieldType(int ordinal) const {
    if (ordinal < 0 || ordinal >= FieldCount())
        throw DbError(DbError::kNoSuchField, QStringLiteral("no field at ordinal %1").arg(ordinal));
    return ordinal < m_types.size() ? m_types.at(ordinal) : QString();
}

int Recordset::FieldIndex(const QString& name) const {
    for (int i = 0; i < FieldCount(); ++i) {
        if (SameName(m_names.at(i), name))
            return i;
    }
    return -1;
}

const Variant& Recordset::Field(const QString& name) const {
    if (!m_open)
        throw DbError(DbError::kNotOpen, QStringLiteral("the record set is closed"));
    const int i = FieldIndex(name);
    if (i < 0)
        throw DbError(DbError::kNoSuchField, QStringLiteral("no field named \"%1\"").arg(name));
    return Field(i);
}

const Variant& Recordset::Field(int ordinal) const {
    if (!m_open)
        throw DbError(DbError::kNotOpen, QStringLiteral("the record set is closed"));
    if (ordinal < 0 || ordinal >= FieldCount())
        throw DbError(DbError::kNoSuchField, QStringLiteral("no field at ordinal %1").arg(ordinal));
    if (IsEOF())
        throw DbError(DbError::kNoCurrentRecord, QStringLiteral("no current record"));
    return m_cells.At(static_cast<std::size_t>(m_pos), static_cast<std::size_t>(ordinal));
}

} // namespace db
