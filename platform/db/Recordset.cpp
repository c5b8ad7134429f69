#include "platform/db/Recordset.h"

#include "platform/db/DbError.h"

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

} // namespace

Recordset::Recordset(QStringList names, QStringList declaredTypes, std::vector<std::vector<Variant>> rows)
    : m_open(true), m_names(std::move(names)), m_types(std::move(declaredTypes)), m_rows(std::move(rows)) {}

void Recordset::Close() {
    m_open = false;
    m_names.clear();
    m_types.clear();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_pos = 0;
}

bool Recordset::IsEOF() const {
    return !m_open || m_pos >= RecordCount();
}

bool Recordset::IsBOF() const {
    return !m_open || m_rows.empty();
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
    return m_rows[static_cast<size_t>(m_pos)][static_cast<size_t>(ordinal)];
}

} // namespace db
