#include "data/GradeLookup.h"

namespace data {

void GetGradeNo(db::Connection& connection, QString& grade) {
    try {
        db::Recordset rs =
            connection.Execute(QStringLiteral("SELECT gradeno FROM tavrinGrade WHERE mydesc=?"), grade);
        if (!rs.IsEOF() && !rs.Field(QStringLiteral("gradeno")).IsNull())
            grade = rs.Field(QStringLiteral("gradeno")).ToString();
        rs.Close();
    } catch (const db::DbError&) {
        // The caller goes on with the name, as it always has for an unknown grade.
    }
}

} // namespace data
