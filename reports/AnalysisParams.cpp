#include "reports/AnalysisParams.h"

#include "data/ExamChooser.h"
#include "data/TextCipher.h"
#include "platform/log/Log.h"
#include "reports/ReportQueries.h"

#include <algorithm>

namespace reports {

std::vector<SubjectRow> SubjectRows(db::Connection& connection, CTextCipher& cipher,
                                    const CAnalysisContext& context) {
    std::vector<SubjectRow> rows;
    try {
        db::Recordset rs = Query(connection, QStringLiteral("select * from tavrinKMK order by id"));
        const QString key = data::DescriptionKey();
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
    } catch (const db::DbError& e) {
        // The rows read so far stay.
        qCWarning(vlog::db) << "analysis subjects cut short:" << e.Message();
    }
    return rows;
}

SaveResult SaveParams(db::Connection& connection, CTextCipher& cipher, const QString& examText,
                      const std::vector<bool>& checks, CAnalysisContext& context, const QVariant& entryData) {
    if (examText.isEmpty())
        return SaveResult::NoExam;
    // A context without an exam would let every report start and find nothing.
    int examId = -1;
    try {
        examId = data::ResolveExam(connection, cipher, examText, entryData).id;
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "analysis exam not resolved:" << e.Message();
    }
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
