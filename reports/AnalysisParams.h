#pragma once
// What the analysis-parameter dialog lists and stores: the exam entries, the subject rows with
// their checks, the exam id of a chosen text, and saving the choice into the analysis context.

#include "platform/db/Connection.h"
#include "reports/AnalysisContext.h"

#include <QString>

#include <vector>

class CTextCipher;

namespace reports {

struct ExamEntry {
    QString text; // grade description (or code), "|", deciphered exam description
    int id = -1;
};

// One entry per registered exam, in text order (the order the sorted exam box shows). A database
// error ends the list quietly; the entries read so far stay.
std::vector<ExamEntry> ExamEntries(db::Connection& connection, CTextCipher& cipher);

// Direction 0 turns a grade code into its description, direction 1 a description into its code.
// No match, a NULL column or a database error leave `value` as it was.
void LookupGrade(db::Connection& connection, int direction, QString& value);

struct SubjectRow {
    int number = 0; // 1-based row in subject order: score column "s%02d" of it
    QString name;
    bool checked = false; // the context's flag for this row
};

// The subjects in id order, at most the context's 50; a database error ends the list quietly.
std::vector<SubjectRow> SubjectRows(db::Connection& connection, CTextCipher& cipher,
                                    const CAnalysisContext& context);

// The exam named by a text of the exam box: the part before the first "|" is the grade (its
// description turned back into its code), the rest the exam description. -1 when no registered
// exam matches or the database fails.
int GetExamId(db::Connection& connection, CTextCipher& cipher, const QString& examText);

enum class SaveResult { NoExam, Saved };

// Writes the exam text, its id and the checks of the listed rows (checks[i] for subject i + 1, at
// most 50) into the context. An empty exam text, or one that names no registered exam, is refused
// and changes nothing. Flags past the listed rows keep their values.
SaveResult SaveParams(db::Connection& connection, CTextCipher& cipher, const QString& examText,
                      const std::vector<bool>& checks, CAnalysisContext& context);

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
