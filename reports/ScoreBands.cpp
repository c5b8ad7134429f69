#include "reports/ScoreBands.h"

#include "platform/res/StringTable.h"
#include "reports/Format.h"
#include "reports/ReportQueries.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>
#include <optional>

namespace reports {
namespace {

QString ColumnOf(int subject) {
    return subject > 0 ? ScoreColumn(subject) : TotalColumn(-subject);
}

// The counts of every band and of the row of the low bound, per class: counts[row][class], rows
// numbered as the tables number them (1 the highest band, B + 1 the low bound's row).
using BandCounts = std::map<int, std::map<int, long long>>;

BandCounts CountBands(db::Connection& connection, int examId, const QString& column, const BandPlan& plan,
                      std::optional<int> onlyClass) {
    BandCounts counts;
    const int b = int(plan.bands.size());
    std::vector<db::Variant> params{examId, plan.low, b > 0 ? plan.bands.front().upper : double(plan.low)};
    QString sql =
        QStringLiteral("SELECT class,%1,count(*) FROM tavrinKSK WHERE id=? and %1>=? and %1<=?").arg(column);
    if (onlyClass) {
        sql += QStringLiteral(" and class=?");
        params.emplace_back(*onlyClass);
    }
    sql += QStringLiteral(" GROUP BY class,%1").arg(column);
    for (db::Recordset rs = Query(connection, sql, params); !rs.IsEOF(); rs.MoveNext()) {
        if (rs.Field(0).IsNull())
            continue;
        const long long cls = rs.Field(0).ToInt64();
        const double s = rs.Field(1).ToDouble();
        const long long n = rs.Field(2).ToInt64();
        int row = -1;
        if (s == plan.low) {
            row = b + 1;
        } else {
            // Band j from the bottom holds lo < s ≤ upper; start from the arithmetic guess and
            // settle it by the same comparisons the bounds make.
            int j = std::clamp(int(std::ceil((s - plan.low) / plan.width)) - 1, 0, b - 1);
            const auto band = [&](int from) -> const ScoreBand& {
                return plan.bands[std::size_t(b - 1 - from)];
            };
            while (j > 0 && s <= band(j).lo)
                --j;
            while (j < b - 1 && s > band(j).upper)
                ++j;
            if (s > band(j).lo && s <= band(j).upper)
                row = b - j;
        }
        if (row > 0 && cls >= 0 && cls <= INT_MAX)
            counts[row][int(cls)] += n;
    }
    return counts;
}

// The row labels: the bands from the highest down, then the low bound.
void WriteLabels(CReportTable& table, const BandPlan& plan) {
    const int b = int(plan.bands.size());
    table.SetRowCount(b + 2);
    for (int i = 0; i < b; ++i)
        table.SetText(i + 1, 0, plan.bands[std::size_t(i)].label);
    table.SetText(b + 1, 0, QString::number(plan.low));
}

QString Percent(double value) {
    return u'%' + FormatFixed(value, 1, 2);
}

} // namespace

std::vector<BandSubject> BandSubjects(db::Connection& connection, CTextCipher& cipher,
                                      const CAnalysisContext& context) {
    std::vector<BandSubject> items;
    for (const int no : context.ParticipatingSubjects()) {
        QString name;
        GetSubjectName(connection, cipher, no, name);
        items.push_back({name, no});
    }
    items.push_back({res::LoadString(57677), -3}); // 总分
    items.push_back({res::LoadString(57672), -1}); // 文总
    items.push_back({res::LoadString(57673), -2}); // 理总
    return items;
}

float GetFullMarks(db::Connection& connection, int examId, int no) {
    db::Recordset rs = Query(
        connection, QStringLiteral("select t1*t1w+t2*t2w as fManfen from tavrinKMWGT where id=? and kmfld=?"),
        {examId, ScoreColumn(no)});
    if (rs.IsEOF() || rs.Field(0).IsNull())
        return 0;
    return float(rs.Field(0).ToDouble());
}

float GetAllFullMarks(db::Connection& connection, const CAnalysisContext& context) {
    float sum = 0;
    for (db::Recordset rs = Query(
             connection, QStringLiteral("select kmfld,t1*t1w+t2*t2w as fManfen from tavrinKMWGT where id=?"),
             {context.m_nAnalysisExamId});
         !rs.IsEOF(); rs.MoveNext()) {
        QString field = rs.Field(0).ToString();
        field.remove(QChar(u's'), Qt::CaseInsensitive);
        bool ok = false;
        const int no = field.toInt(&ok);
        if (!ok || no < 1 || no > CAnalysisContext::kMaxSubjects ||
            !context.m_aSubjectSelected[std::size_t(no - 1)])
            continue;
        if (!rs.Field(1).IsNull())
            sum += float(rs.Field(1).ToDouble());
    }
    return sum;
}

BandPlan PlanBands(int low, int high, int width, double fullMark) {
    BandPlan plan;
    plan.width = width > 0 ? width : 5;
    const int truncated = int(std::trunc(std::clamp(fullMark, -1e9, 1e9)));
    if (low == high) {
        high = truncated;
        low = 0;
    } else if (high < low) {
        high = low;
    }
    if (fullMark < high)
        high = truncated;
    plan.low = low;
    plan.high = high;
    if (low >= truncated)
        return plan;
    plan.valid = true;
    const long long span = (long long)high - low;
    const int b = int(span / plan.width + (span % plan.width != 0 ? 1 : 0));
    const double fullLimit = Format62(fullMark).trimmed().toDouble();
    for (int k = b - 1; k >= 0; --k) {
        ScoreBand band;
        band.lo = int((long long)low + (long long)k * plan.width);
        const long long hi = (long long)low + (long long)(k + 1) * plan.width;
        if (hi >= high) {
            band.hi = high; // the top band is cut at the high bound
            band.upper = high == truncated ? fullLimit : double(high);
        } else {
            band.hi = int(hi);
            band.upper = band.hi;
        }
        band.label = QStringLiteral("(%1,%2]").arg(band.lo).arg(band.hi);
        plan.bands.push_back(band);
    }
    return plan;
}

double BandFullMark(db::Connection& connection, const CAnalysisContext& context, int subject) {
    return subject > 0 ? GetFullMarks(connection, context.m_nAnalysisExamId, subject)
                       : GetAllFullMarks(connection, context);
}

BandCheck CheckBandSubject(db::Connection& connection, CTextCipher& cipher, const CAnalysisContext& context,
                           int subject) {
    BandCheck check;
    check.maxWidth = INT_MAX;
    if (!context.HasExam())
        return check;
    const int examId = context.m_nAnalysisExamId;
    if (!ExamHasFullMarks(connection, examId)) {
        check.refusal = NoFullMarksMessage();
        return check;
    }
    const double full = BandFullMark(connection, context, subject);
    if (full > 0) {
        check.maxWidth = std::max(1, int(std::trunc(std::min(full, double(INT_MAX)))));
        return check;
    }
    QStringList names;
    for (const int no : subject > 0 ? std::vector<int>{subject} : context.ParticipatingSubjects())
        if (!(GetFullMarks(connection, examId, no) > 0)) {
            QString name = ScoreColumn(no);
            GetSubjectName(connection, cipher, no, name);
            names << name;
        }
    check.refusal = names.isEmpty() ? NoFullMarksMessage() : NoSubjectFullMarksMessage(names);
    return check;
}

QString NoBandsMessage(int low, double fullMark) {
    return QStringLiteral("分数范围的下限%1不低于满分%2，没有可统计的分数段！")
        .arg(low)
        .arg(FormatFixed(fullMark, 0, 2));
}

BandResult ComputeGradeBands(db::Connection& connection, const CAnalysisContext& context,
                             const BandRequest& request, CReportTable& table) {
    BandResult result;
    table = CReportTable(1, 1);
    table.SetFixedRowCount(1);
    table.SetFixedColumnCount(1);
    table.SetText(0, 0, request.subjectText);
    const int examId = context.m_nAnalysisExamId;
    if (examId == -1) {
        result.status = BandStatus::NoExam;
        return result;
    }
    const int m = HighestClass(connection, examId);
    if (m <= 0) {
        result.status = BandStatus::NoRows;
        return result;
    }
    table.SetColumnCount(m + 1);
    for (int c = 1; c <= m; ++c)
        table.SetText(0, c, ClassLabel(c), CellAlign::Right);
    result.fullMark = BandFullMark(connection, context, request.subject);
    result.plan = PlanBands(request.low, request.high, request.width, result.fullMark);
    if (!result.plan.valid) {
        result.status = BandStatus::NoBands;
        return result;
    }
    WriteLabels(table, result.plan);
    const BandCounts counts =
        CountBands(connection, examId, ColumnOf(request.subject), result.plan, std::nullopt);
    for (const auto& [row, classes] : counts) {
        long long running = 0;
        for (int c = 1; c <= m; ++c) {
            const auto it = classes.find(c);
            if (it == classes.end() || it->second <= 0)
                continue;
            running += it->second;
            table.SetText(row, c, FormatInt(it->second, 3) + u'/' + FormatInt(running, 2), CellAlign::Right);
        }
    }
    return result;
}

BandResult ComputeClassBands(db::Connection& connection, const CAnalysisContext& context,
                             const BandRequest& request, int cls, CReportTable& table) {
    BandResult result;
    table = CReportTable(1, 5);
    table.SetFixedRowCount(1);
    table.SetFixedColumnCount(1);
    table.SetText(0, 0, QStringLiteral("%1班").arg(cls) + request.subjectText);
    const char* titles[] = {"人数", "百分比", "累计人数", "累计百分比"};
    for (int c = 1; c <= 4; ++c)
        table.SetText(0, c, QString::fromUtf8(titles[c - 1]), CellAlign::Right);
    const int examId = context.m_nAnalysisExamId;
    if (examId == -1) {
        result.status = BandStatus::NoExam;
        return result;
    }
    result.fullMark = BandFullMark(connection, context, request.subject);
    result.plan = PlanBands(request.low, request.high, request.width, result.fullMark);
    if (!result.plan.valid) {
        result.status = BandStatus::NoBands;
        return result;
    }
    WriteLabels(table, result.plan);
    const BandCounts counts = CountBands(connection, examId, ColumnOf(request.subject), result.plan, cls);
    // The class's total: every score the table shows, the row of the low bound included.
    long long total = 0;
    for (const auto& [row, classes] : counts)
        for (const auto& [c, n] : classes)
            total += n;
    long long cumulative = 0;
    for (const auto& [row, classes] : counts) {
        long long n = 0;
        for (const auto& [c, k] : classes)
            n += k;
        if (n <= 0)
            continue;
        cumulative += n;
        table.SetText(row, 1, FormatInt(n, 3), CellAlign::Right);
        table.SetText(row, 3, FormatInt(cumulative, 3), CellAlign::Right);
        if (total > 0) {
            table.SetText(row, 2, Percent(double(n) * 100.0 / double(total)), CellAlign::Right);
            table.SetText(row, 4, Percent(double(cumulative) * 100.0 / double(total)), CellAlign::Right);
        }
    }
    return result;
}

BandMarker ClassMarker(db::Connection& connection, const CAnalysisContext& context, int subject, int cls) {
    BandMarker marker;
    const QString column = ColumnOf(subject);
    db::Recordset rs = Query(connection,
                             QStringLiteral("SELECT count(*),avg(%1),stdev(%1) FROM tavrinKSK WHERE id=? "
                                            "and %1 is not null and class=?")
                                 .arg(column),
                             {context.m_nAnalysisExamId, cls});
    if (rs.IsEOF())
        return marker;
    marker.count = rs.Field(0).IsNull() ? 0 : int(rs.Field(0).ToInt64());
    marker.mean = rs.Field(1).IsNull() ? 0 : rs.Field(1).ToDouble();
    marker.sd = rs.Field(2).IsNull() ? 0 : rs.Field(2).ToDouble();
    return marker;
}

std::vector<ChartValue> ChartValues(const CReportTable& gradeTable, int cls) {
    std::vector<ChartValue> values;
    if (cls < 1 || cls >= gradeTable.ColumnCount())
        return values;
    for (int row = gradeTable.RowCount() - 1; row >= 1; --row) {
        const QString text = gradeTable.Text(row, cls);
        const int n = text.left(text.indexOf(u'/')).trimmed().toInt();
        values.push_back({double(std::max(n, 0)), gradeTable.Text(row, 0)});
    }
    const auto nonEmpty = [](const ChartValue& v) { return v.value > 0; };
    const auto first = std::find_if(values.begin(), values.end(), nonEmpty);
    if (first == values.end())
        return {};
    const auto last = std::find_if(values.rbegin(), values.rend(), nonEmpty).base();
    return {first, last};
}

} // namespace reports
