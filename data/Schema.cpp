#include "data/Schema.h"

#include "data/TextCipher.h"
#include "platform/db/Transaction.h"
#include "platform/res/StringTable.h"

#include <QFile>
#include <QRegularExpression>

#include <sqlite3.h>

namespace data {

QStringList SchemaStatements() {
    QFile f(QStringLiteral(":/veltora/schema.sql"));
    if (!f.open(QIODevice::ReadOnly))
        throw db::DbError(db::DbError::kBadConnectionString, QStringLiteral("schema resource missing"));
    QString all = QString::fromUtf8(f.readAll());
    all.remove(QRegularExpression(QStringLiteral("--[^\n]*")));
    QStringList out;
    for (const QString& part : all.split(u';')) {
        const QString s = part.trimmed();
        if (!s.isEmpty())
            out << s;
    }
    return out;
}

void CreateSchema(db::Connection& connection) {
    db::Transaction t(connection);
    for (const QString& s : SchemaStatements())
        connection.Execute(s);
    MarkDatabase(connection);
    t.Commit();
}

bool HasTable(db::Connection& connection, const QString& table) {
    return !connection
                .Execute(QStringLiteral(
                             "SELECT 1 FROM sqlite_master WHERE type='table' AND name=? COLLATE NOCASE"),
                         table)
                .IsEOF();
}

bool HoldsProgramTables(db::Connection& connection) {
    const db::Recordset table = connection.Execute(
        QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' AND name=? COLLATE NOCASE"),
        QStringLiteral("tavrinName"));
    if (table.IsEOF())
        return false;
    const db::Recordset column =
        connection.Execute(QStringLiteral("SELECT 1 FROM pragma_table_info(?) WHERE name=? COLLATE NOCASE"),
                           table.Field(0), QStringLiteral("studentid"));
    return !column.IsEOF();
}

void MarkDatabase(db::Connection& connection) {
    connection.Execute(QStringLiteral("PRAGMA application_id=%1").arg(kApplicationId));
}

namespace {

// The program makes tables and indexes only. A trigger or view in its file was put there by
// someone else and runs with every write the program makes (a trigger can delete every mark when
// a name is edited), so such a file is not opened at all.
void RefuseForeignObjects(db::Connection& connection) {
    QStringList names;
    for (db::Recordset rs = connection.Execute(QStringLiteral(
             "SELECT name FROM sqlite_master WHERE type IN ('trigger','view') ORDER BY type, name"));
         !rs.IsEOF(); rs.MoveNext())
        names << rs.Field(0).ToString();
    if (!names.isEmpty())
        throw db::DbError(db::DbError::kForeignSchema, names.join(QStringLiteral("、")));
}

} // namespace

void CheckDatabaseFile(db::Connection& connection) {
    const std::int32_t mark = static_cast<std::int32_t>(
        connection.Execute(QStringLiteral("PRAGMA application_id")).Field(0).ToInt64());
    if (mark != kApplicationId && (mark != 0 || !HoldsProgramTables(connection)))
        throw db::DbError(
            db::DbError::kForeignFile,
            mark != 0 ? QStringLiteral("the file belongs to another program (application id %1)").arg(mark)
                      : QStringLiteral("the file holds none of the program's tables"));
    RefuseForeignObjects(connection);
    // The first finding names the damage (asking for more can end in an error that hides it).
    QStringList findings;
    try {
        for (db::Recordset rs = connection.Execute(QStringLiteral("PRAGMA quick_check(1)")); !rs.IsEOF();
             rs.MoveNext())
            findings << rs.Field(0).ToString();
    } catch (const db::DbError& e) {
        const int primary = e.Code() & 0xFF;
        if (primary != SQLITE_CORRUPT && primary != SQLITE_NOTADB)
            throw;
        findings = QStringList{e.Message()};
    }
    if (findings != QStringList{QStringLiteral("ok")})
        throw db::DbError(db::DbError::kDamagedFile, findings.join(QStringLiteral("; "))
                                                         .remove(QStringLiteral("*** in database main ***"))
                                                         .simplified());
}

QString SubjectField(int subjectNo) {
    return QStringLiteral("s%1").arg(subjectNo, 2, 10, QChar(u'0'));
}

void AddSubjectColumns(db::Connection& connection, int subjectNo) {
    const db::Recordset columns = connection.Execute(QStringLiteral("SELECT * FROM tavrinKSK LIMIT 0"));
    const QString field = SubjectField(subjectNo);
    for (const QString& suffix : {QString(), QStringLiteral("1"), QStringLiteral("2")})
        if (columns.FieldIndex(field + suffix) < 0)
            connection.Execute(
                QStringLiteral("ALTER TABLE tavrinKSK ADD COLUMN %1%2 REAL").arg(field, suffix));
}

namespace {

// Those of the three score columns of `field` that tavrinKSK has.
QStringList ExistingSubjectColumns(db::Connection& connection, const QString& field) {
    const db::Recordset columns = connection.Execute(QStringLiteral("SELECT * FROM tavrinKSK LIMIT 0"));
    QStringList existing;
    for (const QString& suffix : {QString(), QStringLiteral("1"), QStringLiteral("2")})
        if (const int index = columns.FieldIndex(field + suffix); index >= 0)
            existing << columns.FieldName(index);
    return existing;
}

QString Quoted(const QString& column) {
    return u'"' + column + u'"';
}

} // namespace

SubjectLeftovers SubjectLeftoversOf(db::Connection& connection, const QString& field) {
    SubjectLeftovers left;
    if (field.isEmpty())
        return left;
    QStringList held;
    for (const QString& column : ExistingSubjectColumns(connection, field))
        held << Quoted(column) + QStringLiteral(" IS NOT NULL");
    if (!held.isEmpty()) {
        const db::Recordset rs =
            connection.Execute(QStringLiteral("SELECT count(*), count(DISTINCT id) FROM tavrinKSK WHERE ") +
                               held.join(QStringLiteral(" OR ")));
        left.marks = static_cast<int>(rs.Field(0).ToInt64());
        left.exams = static_cast<int>(rs.Field(1).ToInt64());
    }
    left.weightExams = static_cast<int>(
        connection
            .Execute(
                QStringLiteral("SELECT count(DISTINCT id) FROM tavrinKMWGT WHERE kmfld=? COLLATE NOCASE"),
                field)
            .Field(0)
            .ToInt64());
    return left;
}

void ClearSubjectLeftovers(db::Connection& connection, const QString& field) {
    db::Transaction t(connection);
    QStringList cleared, held;
    for (const QString& column : ExistingSubjectColumns(connection, field)) {
        cleared << Quoted(column) + QStringLiteral("=NULL");
        held << Quoted(column) + QStringLiteral(" IS NOT NULL");
    }
    if (!cleared.isEmpty())
        connection.Execute(QStringLiteral("UPDATE tavrinKSK SET %1 WHERE %2")
                               .arg(cleared.join(u','), held.join(QStringLiteral(" OR "))));
    connection.Execute(QStringLiteral("DELETE FROM tavrinKMWGT WHERE kmfld=? COLLATE NOCASE"), field);
    t.Commit();
}

QString SubjectFieldOfRow(db::Connection& connection, long long rowid) {
    const db::Recordset rs =
        connection.Execute(QStringLiteral("SELECT fldname FROM tavrinKMK WHERE rowid=?"), rowid);
    return rs.IsEOF() || rs.Field(0).IsNull() ? QString() : rs.Field(0).ToString();
}

void InstallDefaults(db::Connection& connection, CTextCipher& cipher) {
    const QString key = res::LoadString(57676);
    db::Transaction t(connection);
    const char* subjects[] = {"语文", "数学", "英语", "物理", "化学", "生物", "政治", "历史", "地理"};
    int no = 0;
    for (const char* name : subjects) {
        ++no;
        connection.Execute(
            QStringLiteral("INSERT INTO tavrinKMK (id, fldname, mydesc, type) VALUES (?, ?, ?, ?)"), no,
            SubjectField(no), cipher.EncodeText(key, QString::fromUtf8(name)), QStringLiteral("分数型"));
        AddSubjectColumns(connection, no);
    }
    const char* examNames[] = {"第一次月考", "期中考试", "第二次月考", "期末考试", "模拟考试"};
    no = 0;
    for (const char* name : examNames)
        connection.Execute(QStringLiteral("INSERT INTO tavrinKSMC (id, mydesc) VALUES (?, ?)"), ++no,
                           QString::fromUtf8(name));
    const char* gradeValues[] = {"优秀", "良好", "及格", "不及格"};
    no = 0;
    for (const char* value : gradeValues)
        connection.Execute(QStringLiteral("INSERT INTO tavrinDJZ (id, mydesc) VALUES (?, ?)"), ++no,
                           QString::fromUtf8(value));
    connection.Execute(QStringLiteral("INSERT INTO tavrinXJLB (xjtype, xjdesc) VALUES (?, ?)"),
                       QStringLiteral("旁"), QStringLiteral("旁听生"));
    connection.Execute(QStringLiteral("INSERT INTO tavrinXJLB (xjtype, xjdesc) VALUES (?, ?)"),
                       QStringLiteral("正"), QStringLiteral("正式学籍"));
    t.Commit();
}

} // namespace data
