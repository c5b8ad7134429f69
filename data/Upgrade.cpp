#include "data/Upgrade.h"

#include "platform/text/Gbk.h"

#include <QByteArray>
#include <QSet>
#include <QStringList>

#include <cstring>

namespace data {
namespace {

QSet<QString> ColumnNames(db::Connection& connection, const QString& table) {
    db::Recordset rs = connection.Execute(QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(table));
    QSet<QString> names;
    for (int i = 0; i < rs.FieldCount(); ++i)
        names.insert(rs.FieldName(i).toLower());
    rs.Close();
    return names;
}

// Adds each named column to the table unless the table has it already.
bool AddMissingColumns(db::Connection& connection, const QString& table,
                       const QList<std::pair<QString, QString>>& columns) {
    try {
        const QSet<QString> present = ColumnNames(connection, table);
        for (const auto& [name, type] : columns) {
            if (!present.contains(name.toLower()))
                connection.Execute(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3").arg(table, name, type));
        }
        return true;
    } catch (const db::DbError&) {
        return false;
    }
}

bool Run(db::Connection& connection, const QString& sql) {
    try {
        connection.Execute(sql);
        return true;
    } catch (const db::DbError&) {
        return false;
    }
}

} // namespace

bool NeedsUpgrade(const QString& storedVersion) {
    const QByteArray stored = text::ToGbk(storedVersion);
    return std::strcmp(kDataVersion, stored.constData()) > 0;
}

bool UpgradeDatabase(db::Connection& connection) {
    bool ok = true;
    // Exam numbers and grade codes.
    for (const QString& table : {QStringLiteral("tavrinName"), QStringLiteral("tavrinKSK")})
        ok &= AddMissingColumns(connection, table,
                                {{QStringLiteral("kh"), QStringLiteral("char(4)")},
                                 {QStringLiteral("grade"), QStringLiteral("char(5)")}});
    ok &= Run(connection,
              QStringLiteral("UPDATE tavrinName SET grade=substr(studentid,1,5) WHERE grade IS NULL"));
    ok &= Run(connection,
              QStringLiteral("UPDATE tavrinKSK SET grade=substr(studentid,1,5) WHERE grade IS NULL"));
    // Student category and A/B group.
    for (const QString& table : {QStringLiteral("tavrinName"), QStringLiteral("tavrinKSK")})
        ok &= AddMissingColumns(connection, table,
                                {{QStringLiteral("xjType"), QStringLiteral("char(2)")},
                                 {QStringLiteral("AB"), QStringLiteral("char(1)")}});
    return ok;
}

} // namespace data
