#pragma once
// What the analysis-parameter dialog lists and stores: the subject rows with their checks, and
// saving the choice into the analysis context. The exam box lists data::ExamEntries.

#include "data/AnalysisContext.h"
#include "platform/db/Connection.h"

#include <QString>
#include <QVariant>

#include <vector>

class CTextCipher;

namespace reports {

struct SubjectRow {
    int number = 0; // 1-based row in subject order: score column "s%02d" of it
    QString name;
    bool checked = false; // the context's flag for this row
};

// The subjects in id order, at most the context's 50; a database error ends the list (logged).
std::vector<SubjectRow> SubjectRows(db::Connection& connection, CTextCipher& cipher,
                                    const CAnalysisContext& context);

enum class SaveResult { NoExam, Saved };

// Writes the exam text, its id and the checks of the listed rows (checks[i] for subject i + 1, at
// most 50) into the context. The exam is the one of the box's entry (`entryData`, its id) or, for
// a typed text, the one the text names (data::ResolveExam). An empty exam text, or one that names
// no registered exam, is refused and changes nothing; so is a database failure (logged). Flags
// past the listed rows keep their values.
SaveResult SaveParams(db::Connection& connection, CTextCipher& cipher, const QString& examText,
                      const std::vector<bool>& checks, CAnalysisContext& context,
                      const QVariant& entryData = {});

// Fixed texts of the dialog.
inline QString ParamCaption() {
    return QStringLiteral("成绩分析参数设定");
}
inline QString SubjectColumnTitle() {
    return QStringLiteral("科目");
}
inline QString ParticipationTitle() {
    return QStringLiteral("是否参与数据分析");
}
inline QString CheckCellText() {
    return QStringLiteral("是");
}
inline QString NoExamMessage() {
    return QStringLiteral("对不起，必须选择考试名称！");
}
inline QString SavedMessage() {
    return QStringLiteral("成绩分析参数已经设置完毕！");
}
inline QString AutoCloseSuffix() {
    return QStringLiteral("【1秒后自动关闭】");
}

} // namespace reports
