#include "data/Upgrade.h"

#include "data/Schema.h"
#include "data/TotalsState.h"
#include "platform/db/Transaction.h"
#include "platform/log/Log.h"
#include "platform/text/Gbk.h"

#include <QByteArray>
#include <QSet>

#include <cstring>

namespace data {
namespace {

QSet<QString> ColumnNames(db::Connection& connection, const QString& table) {
    db::Recordset rs = connection.Execute(QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(table));
    QSet<QString> names;
    for (int i = 0; i < rs.FieldCount(); ++i)
        names.insert(rs.FieldName(i).toLower());
    return names;
}

// Adds each column to the table unless the table has it already.
void AddMissingColumns(db::Connection& connection, const QString& table,
                       const QList<std::pair<QString, QString>>& columns) {
    const QSet<QString> present = ColumnNames(connection, table);
    for (const auto& [name, type] : columns) {
        if (!present.contains(name.toLower()))
            connection.Execute(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3").arg(table, name, type));
    }
}

} // namespace

bool NeedsUpgrade(const QString& storedVersion) {
    const QByteArray stored = text::ToGbk(storedVersion);
    return std::strcmp(kDataVersion, stored.constData()) > 0;
}

UpgradeOutcome RunUpgrade(db::Connection& connection) {
    UpgradeOutcome outcome;
    try {
        db::Transaction transaction(connection);
        for (const QString& table : {QStringLiteral("tavrinName"), QStringLiteral("tavrinKSK")}) {
            if (!HasTable(connection, table)) {
                outcome.missingTables << table;
                continue;
            }
            // Exam numbers and grade codes, then student category and A/B group.
            AddMissingColumns(connection, table,
                              {{QStringLiteral("kh"), QStringLiteral("char(4)")},
                               {QStringLiteral("grade"), QStringLiteral("char(5)")},
                               {QStringLiteral("xjType"), QStringLiteral("char(2)")},
                               {QStringLiteral("AB"), QStringLiteral("char(1)")}});
            connection.Execute(
                QStringLiteral("UPDATE %1 SET grade=substr(studentid,1,5) WHERE grade IS NULL").arg(table));
        }
        // The record of out-of-date totals, and of the subjects of each total, came after the
        // first files were made.
        if (outcome.missingTables.isEmpty())
            AddTotalsStateTable(connection);
        if (HoldsProgramTables(connection) &&
            connection.Execute(QStringLiteral("PRAGMA application_id")).Field(0).ToInt64() != kApplicationId)
            MarkDatabase(connection);
        transaction.Commit();
        outcome.complete = outcome.missingTables.isEmpty();
        if (!outcome.complete)
            qCInfo(vlog::db) << "upgrade: the database lacks" << outcome.missingTables;
    } catch (const db::DbError& e) {
        outcome.error = e;
        qCInfo(vlog::db) << "upgrade failed and was rolled back:" << e.Message();
    }
    return outcome;
}

bool UpgradeDatabase(db::Connection& connection) {
    return RunUpgrade(connection).complete;
}

} // namespace data
