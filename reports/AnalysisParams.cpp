#include "reports/AnalysisParams.h"

#include "data/TextCipher.h"
#include "platform/text/Gbk.h"
#include "reports/ReportQueries.h"

#include <algorithm>

namespace reports {

std::vector<ExamEntry> ExamEntries(db::Connection& connection, CTextCipher& cipher) {
    std::vector<ExamEntry> entries;
    try {
        db::Recordset rs = Query(connection, QStringLiteral("select * from tavrinKSLB order by id desc"));
        const QString key = DescriptionKey();
        for (; !rs.IsEOF(); rs.MoveNext()) {
            QString grade = rs.Field(QStringLiteral("grade")).ToString();
            LookupGrade(connection, 0, grade);
            ExamEntry e;
            e.text = grade + u'|';
            const db::Variant& desc = rs.Field(QStringLiteral("mydesc"));
            if (!desc.IsNull())
                e.text += cipher.DecodeText(key, desc.ToString());
            e.id = rs.Field(QStringLiteral("id")).ToInt();
            entries.push_back(e);
        }
    } catch (const db::DbError&) {
        // The list keeps what was read.
    }
    std::stable_sort(entries.begin(), entries.end(), [](const ExamEntry& a, const ExamEntry& b) {
        return text::CompareGbk(a.text, b.text) < 0;
    });
    return entries;
}

void LookupGrade(db::Connection& connection, int direction, QString& value) {
    try {
        const bool toName = direction == 0;
        db::Recordset rs = Query(connection,
                                 toName ? QStringLiteral("select * from tavrinGrade where gradeno=?")
                                        : QStringLiteral("select * from tavrinGrade where mydesc=?"),
                                 {value});
        if (rs.IsEOF())
            return;
        const db::Variant& v = rs.Field(toName ? QStringLiteral("mydesc") : QStringLiteral("gradeno"));
        if (!v.IsNull())
            value = v.ToString();
    } catch (const db::DbError&) {
        // The value stays as it was.
    }
}

std::vector<SubjectRow> SubjectRows(db::Connection& connection, CTextCipher& cipher,
                                    const CAnalysisContext& context) {
    std::vector<SubjectRow> rows;
    try {
        db::Recordset rs = Query(connection, QStringLiteral("select * from tavrinKMK order by id"));
        const QString key = DescriptionKey();
        // The context has a flag for the first 50 subjects only; later ones cannot take part.
        for (; !rs.IsEOF() && int(rows.size()) < CAnalysisContext::kMaxSubjects; rs.MoveNext()) {
            SubjectRow row;
            row.number = int(rows.size()) + 1;
            const db::Variant& desc = rs.Field(QStringLiteral("mydesc"));
            if (!desc.IsNull())
                row.name = cipher.DecodeText(key, desc.ToString());
            row.checked = context.m_aSubjectSelected[row.number - 1] != 0;
            rows.push_back(row);
        }
    } catch (const db::DbError&) {
        // The rows read so far stay.
    }
    return rows;
}

int GetExamId(db::Connection& connection, CTextCipher& cipher, const QString& examText) {
    const qsizetype bar = examText.indexOf(u'|');
    QString grade = bar >= 0 ? examText.left(bar) : QString();
    LookupGrade(connection, 1, grade);
    const QString name = bar >= 0 ? examText.mid(bar + 1) : examText;
    // The cipher is deterministic, so the stored description compares in its enciphered form.
    const QString cipherText = cipher.EncodeText(DescriptionKey(), name);
    try {
        db::Recordset rs =
            Query(connection, QStringLiteral("select * from tavrinKSLB where grade=? and mydesc=?"),
                  {grade, cipherText});
        if (rs.IsEOF() || rs.Field(QStringLiteral("id")).IsNull())
            return -1;
        return rs.Field(QStringLiteral("id")).ToInt();
    } catch (const db::DbError&) {
        return -1;
    }
}

SaveResult SaveParams(db::Connection& connection, CTextCipher& cipher, const QString& examText,
                      const std::vector<bool>& checks, CAnalysisContext& context) {
    if (examText.isEmpty())
        return SaveResult::NoExam;
    // A context without an exam would let every report start and find nothing.
    const int examId = GetExamId(connection, cipher, examText);
    if (examId == -1)
        return SaveResult::NoExam;
    const int listed = std::min<int>(int(checks.size()), CAnalysisContext::kMaxSubjects);
    context.m_nSelectedSubjects = 0;
    for (int i = 0; i < listed; ++i) {
        context.m_aSubjectSelected[i] = checks[i] ? 1 : 0;
        context.m_nSelectedSubjects += checks[i] ? 1 : 0;
    }
    context.m_nAnalysisExamId = examId;
    context.m_strAnalysisExam = examText;
    return SaveResult::Saved;
}

} // namespace reports
