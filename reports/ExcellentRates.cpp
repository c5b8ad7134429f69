#include "reports/ExcellentRates.h"

#include "platform/res/PromptTable.h"
#include "reports/Format.h"
#include "reports/ReportQueries.h"

#include <QRegularExpression>

#include <cmath>
#include <map>

namespace reports {
namespace {

const int kModeCommands[] = {32843, 32844, 32845};

QString StreamOf(int scope) {
    return scope == kArtsStudents      ? QStringLiteral("文")
           : scope == kScienceStudents ? QStringLiteral("理")
                                       : QString();
}

// " and worl=?" with its parameter for a stream; nothing for all students.
QString StreamCondition(int scope, std::vector<db::Variant>& params) {
    const QString stream = StreamOf(scope);
    if (stream.isEmpty())
        return {};
    params.emplace_back(stream);
    return QStringLiteral(" and worl=?");
}

// The K-th best score of the subject in scope, as stored, when there is one.
std::optional<double> KthScore(db::Connection& connection, int examId, const QString& column, int scope,
                               const QString& percent) {
    std::vector<db::Variant> params{examId};
    const QString where = QStringLiteral(" FROM tavrinKSK WHERE id=? and %1 is not null").arg(column) +
                          StreamCondition(scope, params);
    db::Recordset n = Query(connection, QStringLiteral("SELECT count(*) as n") + where, params);
    const long long k = TopCount(n.IsEOF() ? 0 : n.Field(0).ToInt64(), percent);
    if (k <= 0)
        return std::nullopt;
    params.emplace_back(k - 1);
    db::Recordset rs = Query(connection,
                             QStringLiteral("SELECT %1 as n").arg(column) + where +
                                 QStringLiteral(" order by %1 desc LIMIT 1 OFFSET ?").arg(column),
                             params);
    if (rs.IsEOF() || rs.Field(0).IsNull())
        return std::nullopt;
    return rs.Field(0).ToDouble();
}

} // namespace

QString ExcellentRateTitle(int mode) {
    const int m = std::clamp(mode, 0, 2);
    return res::LoadPrompt(kModeCommands[m]).toolTip.right(5);
}

QString CutLeadText(int method) {
    return method == kCutByScore ? QStringLiteral("分数不低于") : QStringLiteral("全年级前");
}

QString CutTailText(int mode, int method) {
    static const char* const tails[] = {"%为优秀", "%为及格", "%平均分"};
    QString tail = QString::fromUtf8(tails[std::clamp(mode, 0, 2)]);
    if (method == kCutByScore)
        tail.replace(u'%', QStringLiteral("分"));
    return tail;
}

float DefaultCut(int mode, int method) {
    static const float byScore[] = {80, 60, 0};
    static const float byProportion[] = {20, 60, 100};
    const int m = std::clamp(mode, 0, 2);
    return method == kCutByScore ? byScore[m] : byProportion[m];
}

QString CutRefusal(int method, const QString& cut) {
    if (!(cut.trimmed().toFloat() > 0))
        return QStringLiteral("看来您并不需要此项功能，请使用基本统计量报表功能！");
    if (method == kCutByProportion && cut.trimmed().toDouble() > 100)
        return QStringLiteral("按人数比例计算时，比例不能超过100%，请重新输入！");
    return {};
}

CReportTable InitialExcellentRateTable() {
    CReportTable table(1, 1);
    table.SetFixedRowCount(1);
    table.SetFixedColumnCount(1);
    table.SetText(0, 0, QStringLiteral("班级"), CellAlign::Right);
    return table;
}

long long TopCount(long long n, const QString& percent) {
    static const QRegularExpression decimal(QStringLiteral("^\\+?(\\d{0,9})(?:\\.(\\d{0,9}))?$"));
    const QRegularExpressionMatch m = decimal.match(percent.trimmed());
    if (m.hasMatch() && (m.capturedLength(1) + m.capturedLength(2)) > 0 && n >= 0 && n < (1LL << 24)) {
        // P = digits / 10^d exactly; K = ⌈n · digits / (100 · 10^d)⌉ in whole numbers.
        const QString frac = m.captured(2);
        const long long digits = (m.captured(1) + frac).toLongLong();
        long long scale = 100;
        for (qsizetype i = 0; i < frac.size(); ++i)
            scale *= 10;
        // n < 2^24 and digits < 10^18 could overflow: work in long double for the rare long texts.
        if (digits < (1LL << 38)) {
            const long long num = n * digits;
            return num / scale + (num % scale != 0 ? 1 : 0);
        }
    }
    bool ok = false;
    const double p = percent.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(p))
        return 0;
    return (long long)std::ceil(double(n) * p / 100.0);
}

void ComputeExcellentRates(db::Connection& connection, CTextCipher& cipher, const CAnalysisContext& context,
                           const ExcellentRateOptions& options, CReportTable& table) {
    table = InitialExcellentRateTable();
    const float cut = options.cut.trimmed().toFloat();
    if (!(cut > 0))
        return;
    const int examId = context.m_nAnalysisExamId;
    if (examId == -1)
        return;
    const std::vector<int> subjects = context.ParticipatingSubjects();
    table.SetColumnCount(int(subjects.size()) + 1);
    for (std::size_t k = 0; k < subjects.size(); ++k) {
        QString name;
        GetSubjectName(connection, cipher, subjects[k], name);
        table.SetText(0, int(k) + 1, name, CellAlign::Right);
    }
    const int m = HighestClass(connection, examId);
    if (m <= 0)
        return;
    table.SetRowCount(m + 2);
    for (int r = 1; r <= m; ++r)
        table.SetText(r, 0, ClassLabel(r), CellAlign::Right);
    const int gradeRow = m + 1;
    table.SetText(gradeRow, 0, QStringLiteral("年级"), CellAlign::Right);

    const bool mean = options.mode == kTopAverage;
    for (std::size_t k = 0; k < subjects.size(); ++k) {
        const int col = int(k) + 1;
        const QString s = ScoreColumn(subjects[k]);
        double t = cut;
        if (options.method == kCutByProportion) {
            const std::optional<double> kth = KthScore(connection, examId, s, options.scope, options.cut);
            if (!kth)
                continue; // no cut of its own: the column stays empty
            t = *kth;
            if (!mean)
                table.SetText(gradeRow, col, FormatFixed(t, 0, 2));
        }
        // Scores and cut compare as they are shown, at two decimals: a score counts when it shows
        // at or above the cut, so the K-th student always reaches his own cut.
        const double limit = LeastShownAs(t);
        std::vector<db::Variant> params;
        if (mean) {
            params = {examId, limit};
            const QString where =
                QStringLiteral(" FROM tavrinKSK WHERE id=? and %1 is not null and %1>=?").arg(s) +
                StreamCondition(options.scope, params);
            for (db::Recordset rs = Query(connection,
                                          QStringLiteral("SELECT class,avg(%1) as n").arg(s) + where +
                                              QStringLiteral(" group by class"),
                                          params);
                 !rs.IsEOF(); rs.MoveNext()) {
                const db::Variant& c = rs.Field(0);
                if (c.IsNull() || c.ToInt64() < 1 || c.ToInt64() > m || rs.Field(1).IsNull())
                    continue;
                table.SetText(int(c.ToInt64()), col, FormatFixed(rs.Field(1).ToDouble(), 0, 2));
            }
            db::Recordset grade =
                Query(connection, QStringLiteral("SELECT avg(%1) as n").arg(s) + where, params);
            if (!grade.IsEOF() && !grade.Field(0).IsNull())
                table.SetText(gradeRow, col, FormatFixed(grade.Field(0).ToDouble(), 0, 2));
            continue;
        }
        // The numerator counts the students in scope at or above the cut, the denominator every
        // student of the class with a score, whatever the stream.
        params = {limit};
        QString inScope = QStringLiteral("%1>=?").arg(s);
        const QString stream = StreamOf(options.scope);
        if (!stream.isEmpty()) {
            inScope += QStringLiteral(" and worl=?");
            params.emplace_back(stream);
        }
        params.emplace_back(examId);
        for (db::Recordset rs = Query(connection,
                                      QStringLiteral("SELECT class,sum(CASE WHEN %1 THEN 1 ELSE 0 END) as n,"
                                                     "count(*) as t FROM tavrinKSK WHERE id=? and %2 is "
                                                     "not null group by class")
                                          .arg(inScope, s),
                                      params);
             !rs.IsEOF(); rs.MoveNext()) {
            const db::Variant& c = rs.Field(0);
            if (c.IsNull() || c.ToInt64() < 1 || c.ToInt64() > m)
                continue;
            const long long n = rs.Field(1).ToInt64();
            const long long total = rs.Field(2).ToInt64();
            if (n <= 0 || total <= 0)
                continue;
            table.SetText(int(c.ToInt64()), col, FormatFixed(double(n) * 100.0 / double(total), 0, 2) + u'%');
        }
    }
}

} // namespace reports
