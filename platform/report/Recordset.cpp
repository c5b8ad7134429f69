#include "platform/report/Recordset.h"

#include "platform/com/ComError.h"
#include "platform/report/Report.h"

namespace report {

const QString& Field::Name() const {
    return m_owner->m_defs[m_index].name;
}
int Field::Type() const {
    return m_owner->m_defs[m_index].type;
}

void Field::SetAsString(const QString& value) {
    auto& pending = m_owner->m_pending;
    if (!pending)
        throw com::ComError(com::E_UNEXPECTED, IID_IReport,
                            QStringLiteral("字段“%1”赋值之前没有追加记录").arg(Name()));
    while (pending->size() <= m_index)
        pending->append(QString());
    (*pending)[m_index] = value;
}

QString Field::AsString() const {
    const auto& pending = m_owner->m_pending;
    return pending && m_index < pending->size() ? pending->at(m_index) : QString();
}

Recordset::Recordset(const Recordset& other)
    : m_defs(other.m_defs), m_records(other.m_records), m_pending(other.m_pending) {
    Rebuild();
}

Recordset& Recordset::operator=(const Recordset& other) {
    if (this != &other) {
        m_defs = other.m_defs;
        m_records = other.m_records;
        m_pending = other.m_pending;
        Rebuild();
    }
    return *this;
}

void Recordset::Rebuild() {
    m_fields.clear();
    for (int i = 0; i < static_cast<int>(m_defs.size()); ++i)
        m_fields.push_back(Field(*this, i));
}

Field& Recordset::AddField(const QString& name, int type) {
    if (Field* f = FindField(name)) {
        m_defs[f->Index()].type = type;
        return *f;
    }
    m_defs.push_back(FieldDef{name, type});
    m_fields.push_back(Field(*this, static_cast<int>(m_defs.size()) - 1));
    return m_fields.back();
}

Field* Recordset::FindField(const QString& name) {
    for (Field& f : m_fields)
        if (m_defs[f.Index()].name.compare(name, Qt::CaseInsensitive) == 0)
            return &f;
    return nullptr;
}

const Field* Recordset::FindField(const QString& name) const {
    return const_cast<Recordset*>(this)->FindField(name);
}

void Recordset::Append() {
    PostPending();
    QStringList values;
    values.reserve(static_cast<int>(m_defs.size()));
    for (std::size_t i = 0; i < m_defs.size(); ++i)
        values.append(QString());
    m_pending = std::move(values);
}

void Recordset::Post() {
    if (!m_pending)
        throw com::ComError(com::E_UNEXPECTED, IID_IReport, QStringLiteral("没有正在编辑的记录"));
    PostPending();
}

void Recordset::PostPending() {
    if (!m_pending)
        return;
    // Fields declared after the record was started still get their (empty) place.
    while (m_pending->size() < static_cast<int>(m_defs.size()))
        m_pending->append(QString());
    m_records.push_back(std::move(*m_pending));
    m_pending.reset();
}

QString Recordset::Value(int record, int field) const {
    if (record < 0 || record >= RecordCount())
        return {};
    const QStringList& r = m_records[record];
    return field >= 0 && field < r.size() ? r[field] : QString();
}

void Recordset::ClearRecords() {
    m_records.clear();
    m_pending.reset();
}

void Recordset::Clear() {
    ClearRecords();
    m_defs.clear();
    m_fields.clear();
}

} // namespace report
