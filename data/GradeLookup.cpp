#include "data/GradeLookup.h"

#include "platform/log/Log.h"

namespace data {

void GetGradeNo(db::Connection& connection, QString& grade) {
    try {
        db::Recordset rs =
            connection.Execute(QStringLiteral("SELECT gradeno FROM tavrinGrade WHERE mydesc=?"), grade);
        if (!rs.IsEOF() && !rs.Field(QStringLiteral("gradeno")).IsNull())
            grade = rs.Field(QStringLiteral("gradeno")).ToString();
        rs.Close();
    } catch (const db::DbError& e) {
        // The caller goes on with the name, as it always has for an unknown grade.
        qCWarning(vlog::db) << "grade code of" << grade << "not read:" << e.Message();
    }
}

} // namespace data
