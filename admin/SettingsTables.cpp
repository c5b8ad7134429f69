#include "admin/SettingsTables.h"

#include "data/Schema.h"
#include "data/TextCipher.h"
#include "platform/db/Transaction.h"

#include <QSet>

#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>
#include <stdexcept>

namespace settings {

namespace {

// Names formatted into the SQL text: only these.
const QString& Checked(const QString& name) {
    static const QSet<QString> known{QStringLiteral("tavrinGrade"), QStringLiteral("tavrinKSMC"),
                                     QStringLiteral("tavrinDJZ"),   QStringLiteral("tavrinKMK"),
                                     QStringLiteral("mydesc"),      QStringLiteral("gradeno")};
    if (!known.contains(name))
        throw std::invalid_argument("not a settings table or field: " + name.toStdString());
    return name;
}

// A statement that changes the one row of a key; a row that is gone is a failure.
void WriteRow(db::Connection& connection, const QString& sql, const std::vector<db::Variant>& params) {
    if (connection.Execute(sql, params).RowsAffected() != 1)
        throw db::DbError(db::DbError::kNoCurrentRecord, QStringLiteral("the row is gone: %1").arg(sql));
}

// The id as a whole number, or nothing ("x", 2.5, NULL).
std::optional<long long> WholeNumber(const db::Variant& id) {
    switch (id.Type()) {
    case db::VariantType::Integer:
        return id.ToInt64();
    case db::VariantType::Real: {
        const double v = id.ToDouble();
        if (std::isfinite(v) && std::floor(v) == v && std::fabs(v) < 1e15)
            return static_cast<long long>(v);
        return std::nullopt;
    }
    case db::VariantType::Text: {
        bool ok = false;
        const long long v = id.ToString().toLongLong(&ok);
        return ok ? std::optional<long long>(v) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

} // namespace

// ---- new ids

int NextId(db::Connection& connection, const QString& table) {
    long long largest = 0;
    for (db::Recordset rs = connection.Execute(QStringLiteral("SELECT id FROM %1").arg(Checked(table)));
         !rs.IsEOF(); rs.MoveNext())
        if (const std::optional<long long> id = WholeNumber(rs.Field(0)))
            largest = std::max(largest, *id);
    return static_cast<int>(std::min<long long>(largest, INT_MAX - 1) + 1);
}

// ---- the lookup tables

std::vector<LookupRow> LoadLookupRows(db::Connection& connection, const QString& table,
                                      const QStringList& fields) {
    QString columns;
    for (const QString& field : fields)
        columns += QStringLiteral(", ") + Checked(field);
    std::vector<LookupRow> rows;
    db::Recordset rs = connection.Execute(
        QStringLiteral("SELECT rowid, id%1 FROM %2 ORDER BY id").arg(columns, Checked(table)));
    for (; !rs.IsEOF(); rs.MoveNext()) {
        LookupRow row;
        row.key = rs.Field(0).ToInt64();
        row.id = rs.Field(1);
        for (int i = 0; i < fields.size(); ++i)
            row.values.push_back(rs.Field(i + 2));
        rows.push_back(std::move(row));
    }
    return rows;
}

void UpdateLookupField(db::Connection& connection, const QString& table, const QString& field, RowKey key,
                       const QString& text) {
    WriteRow(connection,
             QStringLiteral("UPDATE %1 SET %2=? WHERE rowid=?").arg(Checked(table), Checked(field)),
             {text, key});
}

RowKey AddLookupRow(db::Connection& connection, const QString& table, int id, const QString& field,
                    const QString& text) {
    return AddLookupRow(connection, table, id, QStringList{field}, {text});
}

RowKey AddLookupRow(db::Connection& connection, const QString& table, int id, const QStringList& fields,
                    const std::vector<db::Variant>& values) {
    if (fields.size() != static_cast<qsizetype>(values.size()))
        throw std::invalid_argument("a value for each field");
    QString columns = QStringLiteral("id");
    QString marks = QStringLiteral("?");
    for (const QString& field : fields) {
        columns += u',' + Checked(field);
        marks += QStringLiteral(",?");
    }
    std::vector<db::Variant> params{id};
    params.insert(params.end(), values.begin(), values.end());
    connection.Execute(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(Checked(table), columns, marks),
                       params);
    return connection.LastInsertId();
}

void DeleteLookupRow(db::Connection& connection, const QString& table, RowKey key) {
    WriteRow(connection, QStringLiteral("DELETE FROM %1 WHERE rowid=?").arg(Checked(table)), {key});
}

bool GradeCodeTaken(db::Connection& connection, const QString& code, std::optional<RowKey> key) {
    return !connection
                .Execute(
                    QStringLiteral("SELECT 1 FROM tavrinGrade WHERE gradeno=? AND rowid IS NOT ? LIMIT 1"),
                    code, key ? db::Variant(*key) : db::Variant())
                .IsEOF();
}

// ---- subjects

std::vector<SubjectRow> LoadSubjects(db::Connection& connection, CTextCipher& cipher) {
    std::vector<SubjectRow> rows;
    const QString key = data::DescriptionKey();
    db::Recordset rs =
        connection.Execute(QStringLiteral("SELECT rowid, id, mydesc, type FROM tavrinKMK ORDER BY id"));
    for (; !rs.IsEOF(); rs.MoveNext()) {
        SubjectRow row;
        row.key = rs.Field(0).ToInt64();
        row.id = rs.Field(1);
        if (const db::Variant& name = rs.Field(2); !name.IsNull()) {
            // Older files kept a new subject's placeholder unenciphered.
            const QString stored = name.ToString();
            row.name = stored == kPlaceholder ? stored : cipher.DecodeText(key, stored);
        }
        row.type = rs.Field(3);
        rows.push_back(std::move(row));
    }
    return rows;
}

int NextSubjectNo(db::Connection& connection) {
    int no = NextId(connection, QStringLiteral("tavrinKMK"));
    // A subject whose id is no number may still own the column of the next number.
    while (no < INT_MAX &&
           !connection
                .Execute(QStringLiteral("SELECT 1 FROM tavrinKMK WHERE fldname=? COLLATE NOCASE LIMIT 1"),
                         data::SubjectField(no))
                .IsEOF())
        ++no;
    return no;
}

RowKey AddSubject(db::Connection& connection, CTextCipher& cipher, int no) {
    db::Transaction transaction(connection);
    connection.Execute(QStringLiteral("INSERT INTO tavrinKMK (id,fldname,mydesc,type) VALUES (?,?,?,?)"), no,
                       data::SubjectField(no), cipher.EncodeText(data::DescriptionKey(), kPlaceholder),
                       kScored);
    const RowKey key = connection.LastInsertId();
    data::AddSubjectColumns(connection, no);
    transaction.Commit();
    return key;
}

void DeleteSubject(db::Connection& connection, RowKey key) {
    WriteRow(connection, QStringLiteral("DELETE FROM tavrinKMK WHERE rowid=?"), {key});
}

bool SubjectNameTaken(db::Connection& connection, CTextCipher& cipher, const QString& name, RowKey key) {
    // The same name enciphers to the same text; a placeholder may be stored plain.
    return !connection
                .Execute(
                    QStringLiteral("SELECT 1 FROM tavrinKMK WHERE mydesc IN (?, ?) AND rowid<>? LIMIT 1"),
                    cipher.EncodeText(data::DescriptionKey(), name), name, key)
                .IsEOF();
}

void RenameSubject(db::Connection& connection, CTextCipher& cipher, RowKey key, const QString& name) {
    WriteRow(connection, QStringLiteral("UPDATE tavrinKMK SET mydesc=? WHERE rowid=?"),
             {cipher.EncodeText(data::DescriptionKey(), name), key});
}

void SetSubjectType(db::Connection& connection, RowKey key, const QString& type) {
    WriteRow(connection, QStringLiteral("UPDATE tavrinKMK SET type=? WHERE rowid=?"), {type, key});
}

// ---- student categories

void CreateStudentTypeTable(db::Connection& connection) {
    if (data::HasTable(connection, QStringLiteral("tavrinXJLB")))
        return;
    db::Transaction transaction(connection);
    connection.Execute(QStringLiteral("CREATE TABLE tavrinXJLB(xjtype char(2) PRIMARY KEY,xjdesc char(10))"));
    connection.Execute(QStringLiteral("INSERT INTO tavrinXJLB(xjtype,xjdesc) VALUES (?,?)"),
                       QStringLiteral("正"), QStringLiteral("正式学籍"));
    connection.Execute(QStringLiteral("INSERT INTO tavrinXJLB(xjtype,xjdesc) VALUES (?,?)"),
                       QStringLiteral("旁"), QStringLiteral("旁听生"));
    transaction.Commit();
}

std::vector<StudentTypeRow> LoadStudentTypes(db::Connection& connection) {
    std::vector<StudentTypeRow> rows;
    for (db::Recordset rs =
             connection.Execute(QStringLiteral("SELECT rowid, xjtype, xjdesc FROM tavrinXJLB"));
         !rs.IsEOF(); rs.MoveNext())
        rows.push_back({rs.Field(0).ToInt64(), rs.Field(1), rs.Field(2)});
    return rows;
}

void SetStudentTypeCode(db::Connection& connection, RowKey key, const QString& code) {
    WriteRow(connection, QStringLiteral("UPDATE tavrinXJLB SET xjtype=? WHERE rowid=?"), {code, key});
}

bool StudentTypeCodeTaken(db::Connection& connection, const QString& code, RowKey key) {
    return !connection
                .Execute(QStringLiteral("SELECT 1 FROM tavrinXJLB WHERE xjtype=? AND rowid<>? LIMIT 1"), code, key)
                .IsEOF();
}

void SetStudentTypeDescription(db::Connection& connection, RowKey key, const QString& description) {
    WriteRow(connection, QStringLiteral("UPDATE tavrinXJLB SET xjdesc=? WHERE rowid=?"), {description, key});
}

} // namespace settings
