#include "analysis/QualifyLines.h"

#include "reports/Format.h"
#include "reports/ReportQueries.h"

#include <algorithm>

namespace qualify {
namespace {

// " and worl=?" with its parameter for the arts and science ranges; nothing for the others.
QString StreamCondition(int range, std::vector<db::Variant>& params) {
    if (range == kArtsTop)
        params.emplace_back(QStringLiteral("文"));
    else if (range == kScienceTop)
        params.emplace_back(QStringLiteral("理"));
    else
        return {};
    return QStringLiteral(" and worl=?");
}

// Both sides at the two decimals the line and the scores are shown with, so that the score the
// line was taken from always reaches it: the condition takes LineBound(line) as its parameter.
QString ReachesLine(const QString& s) {
    return QStringLiteral(" and %1>=?").arg(s);
}

double LineBound(double line) {
    return reports::LeastShownAs(line);
}

// The last of the best max(X, 1) scores that the statement's conditions select.
std::optional<double> XthBest(db::Connection& connection, const QString& s, const QString& conditions,
                              std::vector<db::Variant> params, int x) {
    params.emplace_back(std::max(x, 1));
    db::Recordset rs =
        reports::Query(connection,
                       QStringLiteral("SELECT %1 as fs FROM tavrinKSK WHERE id=? and %1 is not null").arg(s) +
                           conditions + QStringLiteral(" order by %1 desc LIMIT ?").arg(s),
                       params);
    std::optional<double> line;
    for (; !rs.IsEOF(); rs.MoveNext())
        line = rs.Field(0).ToDouble();
    return line;
}

// X % of the full mark, X taken within 0 … 100.
double ShareOfFullMark(double full, int x) {
    return double(std::clamp(x, 0, 100)) * full / 100.0;
}

std::optional<int> ClassOf(const db::Variant& v, int highestClass) {
    const std::optional<int> k = reports::ClassNumber(v);
    return k && *k <= highestClass ? k : std::nullopt;
}

void CountColumn(db::Connection& connection, int examId, const QString& s, int range, double line, int col,
                 int highestClass, CReportTable& table) {
    std::vector<db::Variant> params{examId, LineBound(line)};
    const QString sql =
        QStringLiteral("SELECT class,count(*) as n FROM tavrinKSK WHERE id=? and %1 is not null").arg(s) +
        ReachesLine(s) + StreamCondition(range, params) + QStringLiteral(" group by class");
    long long total = 0;
    for (db::Recordset rs = reports::Query(connection, sql, params); !rs.IsEOF(); rs.MoveNext()) {
        const long long n = rs.Field(1).ToInt64();
        total += n;
        if (const std::optional<int> k = ClassOf(rs.Field(0), highestClass))
            table.SetText(*k, col, reports::FormatInt(n, 4));
    }
    if (total != 0)
        table.SetText(highestClass + 1, col, reports::FormatInt(total, 4));
}

void AverageColumn(db::Connection& connection, int examId, const QString& s, int range, double line, int col,
                   int highestClass, CReportTable& table) {
    std::vector<db::Variant> params{examId, LineBound(line)};
    const QString where = QStringLiteral(" FROM tavrinKSK WHERE id=? and %1 is not null").arg(s) +
                          ReachesLine(s) + StreamCondition(range, params);
    for (db::Recordset rs = reports::Query(connection,
                                           QStringLiteral("SELECT class,avg(%1) as fs").arg(s) + where +
                                               QStringLiteral(" group by class"),
                                           params);
         !rs.IsEOF(); rs.MoveNext())
        if (const std::optional<int> k = ClassOf(rs.Field(0), highestClass); k && !rs.Field(1).IsNull())
            table.SetText(*k, col, reports::Format62(rs.Field(1).ToDouble()));
    // The grade's figure is the mean of every qualifying student, not of the class means.
    db::Recordset grade =
        reports::Query(connection, QStringLiteral("SELECT avg(%1) as fs").arg(s) + where, params);
    if (!grade.IsEOF() && !grade.Field(0).IsNull())
        table.SetText(highestClass + 1, col, reports::Format62(grade.Field(0).ToDouble()));
}

void ClassTopColumn(db::Connection& connection, int examId, int subject, int x, int col, int highestClass,
                    CReportTable& table) {
    const QString s = reports::ScoreColumn(subject);
    for (int k = 1; k <= highestClass; ++k) {
        const std::optional<double> line = ClassLine(connection, examId, subject, k, x);
        if (!line)
            continue;
        db::Recordset rs = reports::Query(
            connection,
            QStringLiteral("SELECT avg(%1) as fs FROM tavrinKSK WHERE id=? and %1 is not null").arg(s) +
                ReachesLine(s) + QStringLiteral(" and class=?"),
            {examId, LineBound(*line), k});
        if (!rs.IsEOF() && !rs.Field(0).IsNull())
            table.SetText(k, col, reports::Format62(rs.Field(0).ToDouble()));
    }
}

} // namespace

QStringList RangeItems() {
    return {QStringLiteral("年级前Ｘ名"), QStringLiteral("文科前Ｘ名"), QStringLiteral("理科前Ｘ名"),
            QStringLiteral("班级前Ｘ名"), QStringLiteral("单科X%以上")};
}

QStringList ObjectItems() {
    return {QStringLiteral("各班人数分布"), QStringLiteral("各班平均分数")};
}

CReportTable InitialTable() {
    CReportTable table(1, 1);
    table.SetFixedRowCount(1);
    table.SetFixedColumnCount(1);
    table.SetText(0, 0, QStringLiteral("班级"), CellAlign::Right);
    return table;
}

QString QualifyTitle(const QString& examText, const QString& rangeText, int x, const QString& objectText) {
    QString range = rangeText;
    const QString number = reports::FormatInt(x, 2);
    range.replace(u'X', number).replace(QChar(0xFF38), number);
    return reports::ExamTitle(examText) + range + objectText;
}

int RunRange(int object, int range) {
    if (range == -1 || (object == kCountByClass && range == kClassTop))
        return kGradeTop;
    return range;
}

std::optional<double> SubjectFullMark(db::Connection& connection, int examId, int subject) {
    db::Recordset rs = reports::Query(
        connection, QStringLiteral("select t1,t2,t1w,t2w from tavrinKMWGT where id=? and kmfld=?"),
        {examId, reports::ScoreColumn(subject)});
    if (rs.IsEOF())
        return std::nullopt;
    const auto value = [&](int i) { return rs.Field(i).IsNull() ? 0.0 : rs.Field(i).ToDouble(); };
    const double full = value(0) * value(2) + value(1) * value(3);
    if (!(full > 0))
        return std::nullopt;
    return full;
}

std::optional<double> SubjectLine(db::Connection& connection, int examId, int subject, int range, int x) {
    if (range != kPercentOfFull) {
        std::vector<db::Variant> params{examId};
        const QString stream = StreamCondition(range, params);
        return XthBest(connection, reports::ScoreColumn(subject), stream, params, x);
    }
    const std::optional<double> full = SubjectFullMark(connection, examId, subject);
    if (!full)
        return std::nullopt;
    return ShareOfFullMark(*full, x);
}

std::optional<double> ClassLine(db::Connection& connection, int examId, int subject, int cls, int x) {
    return XthBest(connection, reports::ScoreColumn(subject), QStringLiteral(" and class=?"), {examId, cls},
                   x);
}

QString ComputeQualifyLines(db::Connection& connection, CTextCipher& cipher, const CAnalysisContext& context,
                            const QualifyOptions& options, CReportTable& table) {
    table = InitialTable();
    const int examId = context.m_nAnalysisExamId;
    if (examId == -1)
        return {};
    const std::vector<int> subjects = context.ParticipatingSubjects();
    table.SetColumnCount(int(subjects.size()) + 1);
    for (std::size_t i = 0; i < subjects.size(); ++i) {
        QString name; // a subject without a name keeps an empty title
        reports::GetSubjectName(connection, cipher, subjects[i], name);
        table.SetText(0, int(i) + 1, name, CellAlign::Right);
    }
    const int n = reports::HighestClass(connection, examId);
    if (n <= 0)
        return {};
    const int range = RunRange(options.object, options.range);
    const bool classTop = options.object == kAverageByClass && range == kClassTop;
    table.SetRowCount(classTop ? n + 1 : n + 2);
    for (int k = 1; k <= n; ++k)
        table.SetText(k, 0, reports::ClassLabel(k), CellAlign::Right);
    if (!classTop)
        table.SetText(n + 1, 0, QStringLiteral("年级"), CellAlign::Right);

    QStringList withoutFullMark;
    for (std::size_t i = 0; i < subjects.size(); ++i) {
        const int col = int(i) + 1;
        if (classTop) {
            ClassTopColumn(connection, examId, subjects[i], options.x, col, n, table);
            continue;
        }
        std::optional<double> line;
        if (range == kPercentOfFull) {
            const std::optional<double> full = SubjectFullMark(connection, examId, subjects[i]);
            if (!full) {
                // The header may be empty (a subject without a name): the notice names its column.
                const QString title = table.Text(0, col);
                withoutFullMark << (title.isEmpty() ? reports::ScoreColumn(subjects[i]) : title);
                continue;
            }
            line = ShareOfFullMark(*full, options.x);
        } else {
            line = SubjectLine(connection, examId, subjects[i], range, options.x);
        }
        if (!line)
            continue; // no score in the range: the column stays empty
        const QString s = reports::ScoreColumn(subjects[i]);
        if (options.object == kAverageByClass)
            AverageColumn(connection, examId, s, range, *line, col, n, table);
        else
            CountColumn(connection, examId, s, range, *line, col, n, table);
    }
    if (withoutFullMark.isEmpty())
        return {};
    return reports::ExamHasFullMarks(connection, examId) ? reports::NoSubjectFullMarksMessage(withoutFullMark)
                                                         : reports::NoFullMarksMessage();
}

} // namespace qualify
