#include "data/ExamChooser.h"

#include "data/GradeLookup.h"
#include "data/TextCipher.h"
#include "platform/log/Log.h"
#include "platform/text/Gbk.h"

#include <algorithm>
#include <map>

namespace data {

QString GradeName(db::Connection& connection, const QString& code) {
    try {
        db::Recordset rs =
            connection.Execute(QStringLiteral("SELECT mydesc FROM tavrinGrade WHERE gradeno=?"), code);
        if (!rs.IsEOF() && !rs.Field(0).IsNull())
            return rs.Field(0).ToString();
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "grade name of" << code << "not read:" << e.Message();
    }
    return code;
}

std::vector<ExamEntry> ExamEntries(db::Connection& connection, CTextCipher& cipher) {
    std::vector<ExamEntry> entries;
    try {
        db::Recordset rs =
            connection.Execute(QStringLiteral("SELECT id, grade, mydesc FROM tavrinKSLB ORDER BY id DESC"));
        const QString key = DescriptionKey();
        std::map<QString, QString> gradeNames;
        for (; !rs.IsEOF(); rs.MoveNext()) {
            ExamEntry e;
            e.id = rs.Field(0).ToInt();
            e.grade = rs.Field(1).ToString();
            auto it = gradeNames.find(e.grade);
            if (it == gradeNames.end())
                it = gradeNames.emplace(e.grade, GradeName(connection, e.grade)).first;
            e.text = it->second + u'|';
            if (const db::Variant& name = rs.Field(2); !name.IsNull())
                e.text += cipher.DecodeText(key, name.ToString());
            entries.push_back(std::move(e));
        }
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "exam list cut short:" << e.Message();
    }
    std::stable_sort(entries.begin(), entries.end(), [](const ExamEntry& a, const ExamEntry& b) {
        return text::CompareGbk(a.text, b.text) < 0;
    });
    return entries;
}

ExamRef ResolveExam(db::Connection& connection, CTextCipher& cipher, const QString& text) {
    const QString key = DescriptionKey();
    for (qsizetype bar = text.indexOf(u'|'); bar >= 0; bar = text.indexOf(u'|', bar + 1)) {
        const QString grade = text.left(bar);
        const QString name = text.mid(bar + 1);
        // An empty name cannot be enciphered, so no exam carries it.
        if (name.isEmpty())
            continue;
        db::Recordset rs = connection.Execute(
            QStringLiteral("SELECT id, grade FROM tavrinKSLB WHERE mydesc=? AND (grade=? OR grade IN "
                           "(SELECT gradeno FROM tavrinGrade WHERE mydesc=?)) ORDER BY id LIMIT 1"),
            cipher.EncodeText(key, name), grade, grade);
        if (!rs.IsEOF())
            return {rs.Field(0).ToInt(), rs.Field(1).ToString()};
    }
    return {};
}

ExamRef ResolveExam(db::Connection& connection, CTextCipher& cipher, const QString& text,
                    const QVariant& entryData) {
    if (!entryData.isValid())
        return ResolveExam(connection, cipher, text);
    db::Recordset rs =
        connection.Execute(QStringLiteral("SELECT id, grade FROM tavrinKSLB WHERE id=?"), entryData.toInt());
    if (rs.IsEOF())
        return {};
    return {rs.Field(0).ToInt(), rs.Field(1).ToString()};
}

std::vector<GradeEntry> GradeEntries(db::Connection& connection, GradeOrder order) {
    std::vector<GradeEntry> grades;
    try {
        for (db::Recordset rs = connection.Execute(
                 order == GradeOrder::Code
                     ? QStringLiteral("SELECT mydesc, gradeno FROM tavrinGrade ORDER BY gradeno")
                     : QStringLiteral("SELECT mydesc, gradeno FROM tavrinGrade ORDER BY id"));
             !rs.IsEOF(); rs.MoveNext())
            if (!rs.Field(0).IsNull() && !rs.Field(1).IsNull() && IsGradeCode(rs.Field(1).ToString()))
                grades.push_back({rs.Field(0).ToString(), rs.Field(1).ToString()});
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "grade list cut short:" << e.Message();
    }
    return grades;
}

QString ResolveGradeCode(db::Connection& connection, const QString& text, const QVariant& entryData) {
    if (entryData.isValid())
        return entryData.toString();
    QString grade = text;
    GetGradeNo(connection, grade);
    return grade;
}

} // namespace data
