#pragma once
// The report's record set: declared fields and the records fed to them. A record is started
// with Append, filled field by field and kept by Post.

#include "platform/report/Definition.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <optional>
#include <vector>

namespace report {

class Recordset;

// A declared field. Its value is the one in the record being filled.
class Field {
public:
    const QString& Name() const;
    int Type() const;
    int Index() const { return m_index; }

    // Sets the value in the record being filled; throws com::ComError (E_UNEXPECTED) when no
    // record was appended.
    void SetAsString(const QString& value);
    QString AsString() const;

private:
    friend class Recordset;
    Field(Recordset& owner, int index) : m_owner(&owner), m_index(index) {}
    Recordset* m_owner;
    int m_index;
};

class Recordset {
public:
    Recordset() = default;
    Recordset(const Recordset& other);
    Recordset& operator=(const Recordset& other);

    // Declares a field; a name declared before keeps its place and takes the new type.
    Field& AddField(const QString& name, int type);
    // The field of that name (case-insensitive, as field names are matched), or nullptr.
    Field* FindField(const QString& name);
    const Field* FindField(const QString& name) const;
    int FieldCount() const { return static_cast<int>(m_defs.size()); }
    const FieldDef& FieldAt(int index) const { return m_defs[index]; }
    const std::vector<FieldDef>& Fields() const { return m_defs; }

    // Starts a record with empty values; a record still being filled is posted first.
    void Append();
    // Keeps the record being filled; throws com::ComError (E_UNEXPECTED) when there is none.
    void Post();
    // Posts the record being filled, if any.
    void PostPending();
    bool HasPending() const { return m_pending.has_value(); }

    int RecordCount() const { return static_cast<int>(m_records.size()); }
    const QStringList& Record(int index) const { return m_records[index]; }
    QString Value(int record, int field) const;

    void ClearRecords();
    void Clear(); // fields and records

private:
    friend class Field;
    void Rebuild();

    std::vector<FieldDef> m_defs;
    std::deque<Field> m_fields; // stable addresses for the handles given out
    std::vector<QStringList> m_records;
    std::optional<QStringList> m_pending;
};

} // namespace report
