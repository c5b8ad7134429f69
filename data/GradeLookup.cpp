#include "data/GradeLookup.h"

#include "platform/log/Log.h"

#include <algorithm>

namespace data {

bool IsGradeCode(const QString& text) {
    return text.size() == 5 &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

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
