#include "analysis/NormalityTests.h"

#include "platform/res/StringTable.h"
#include "reports/Format.h"
#include "reports/ReportQueries.h"

#include <algorithm>
#include <cmath>

namespace normality {
namespace {

constexpr int IDS_PAIR_WORDS = 57707;
// The two-sided 5 % point of the standard normal distribution.
constexpr double kLimit = 1.96;
// The two-sample Kolmogorov–Smirnov coefficient at 5 %.
constexpr double kKsCoefficient = 1.63;

const char* const kNormalityTitles[] = {"班级",   "人数", "最低分", "最高分",        "平均分",
                                        "标准差", "偏度", "峰度",   "正态性检验结果"};
constexpr int kNormalityColumns = 9;

// Each class's scores above 0, ascending; rows without a class number of 1 … 99 are left out.
std::map<int, std::vector<double>> ClassScores(db::Connection& connection, int examId, const QString& s) {
    std::map<int, std::vector<double>> scores;
    for (db::Recordset rs = reports::Query(
             connection,
             QStringLiteral("SELECT class, %1 as fs FROM tavrinKSK WHERE id=? and %1>0 order by class, %1")
                 .arg(s),
             {examId});
         !rs.IsEOF(); rs.MoveNext()) {
        if (const std::optional<int> cls = reports::ClassNumber(rs.Field(0)))
            scores[*cls].push_back(rs.Field(1).ToDouble());
    }
    return scores;
}

struct MeanSd {
    double mean = 0;
    double sd = 0;
};

// The database's mean and sample standard deviation of each class's scores above 0.
std::map<int, MeanSd> ClassMeans(db::Connection& connection, int examId, const QString& s) {
    std::map<int, MeanSd> means;
    for (db::Recordset rs = reports::Query(
             connection,
             QStringLiteral(
                 "SELECT class, avg(%1), stdev(%1) FROM tavrinKSK WHERE id=? and %1>0 group by class")
                 .arg(s),
             {examId});
         !rs.IsEOF(); rs.MoveNext()) {
        const std::optional<int> cls = reports::ClassNumber(rs.Field(0));
        if (!cls)
            continue;
        MeanSd& m = means[*cls];
        if (!rs.Field(1).IsNull())
            m.mean = rs.Field(1).ToDouble();
        if (!rs.Field(2).IsNull())
            m.sd = rs.Field(2).ToDouble();
    }
    return means;
}

void WriteNormalityRow(CReportTable& table, int row, const NormalityRow& r) {
    using reports::FormatFixed;
    const auto put = [&](int col, const QString& text) { table.SetText(row, col, text, CellAlign::Right); };
    put(1, reports::FormatInt(r.n, 3));
    put(2, FormatFixed(r.lowest, 0, 1));
    put(3, FormatFixed(r.highest, 0, 1));
    put(4, FormatFixed(r.mean, 0, 2));
    put(5, FormatFixed(r.sd, 0, 2));
    if (r.g1)
        put(6, FormatFixed(*r.g1, 0, 4));
    if (r.g2)
        put(7, FormatFixed(*r.g2, 0, 4));
    put(8, r.verdict);
}

// The smallest even number ≥ 2 that the score does not exceed: where the test's grid first counts it.
double GridPoint(double x) {
    return std::max(2.0, 2.0 * std::ceil(x / 2.0));
}

} // namespace

QString TestTitle(int mode) {
    return mode == kSignificance ? QStringLiteral("成绩显著性差异检验") : QStringLiteral("成绩正态分布检验");
}

QString PairText(int result) {
    const QString words = res::LoadString(IDS_PAIR_WORDS);
    switch (result) {
    case kNotSat:
        return words.left(2);
    case kSame:
        return words.mid(2, 2);
    case kSignificant:
        return words.right(2);
    default:
        return {};
    }
}

QColor SignificantColour() {
    return QColor(255, 0, 0);
}

CReportTable TestTable(int mode, int highestClass) {
    CReportTable table(1, 1);
    table.SetFixedRowCount(1);
    table.SetFixedColumnCount(1);
    table.SetText(0, 0, QStringLiteral("班级"), CellAlign::Right);
    const int n = std::max(highestClass, 0);
    if (n == 0)
        return table;
    if (mode == kSignificance) {
        table.Resize(n, n);
        for (int k = 1; k < n; ++k) {
            table.SetText(k, 0, reports::ClassLabel(k), CellAlign::Right);
            table.SetText(0, k, reports::ClassLabel(k + 1), CellAlign::Right);
        }
    } else {
        table.Resize(n + 1, kNormalityColumns);
        for (int c = 1; c < kNormalityColumns; ++c)
            table.SetText(0, c, QString::fromUtf8(kNormalityTitles[c]), CellAlign::Right);
        for (int k = 1; k <= n; ++k)
            table.SetText(k, 0, reports::ClassLabel(k), CellAlign::Right);
    }
    return table;
}

std::optional<Shape> SampleShape(const std::vector<double>& scores, double mean, double sd) {
    const double n = double(scores.size());
    if (scores.size() < 4 || !(sd > 0))
        return std::nullopt;
    double s3 = 0;
    double s4 = 0;
    for (const double x : scores) {
        const double d = x - mean;
        s3 += d * d * d;
        s4 += d * d * d * d;
    }
    const double sd2 = sd * sd;
    Shape shape;
    shape.g1 = n * s3 / ((n - 1) * (n - 2) * sd2 * sd);
    shape.g2 = n * (n + 1) * s4 / ((n - 1) * (n - 2) * (n - 3) * sd2 * sd2) -
               3 * (n - 1) * (n - 1) / ((n - 2) * (n - 3));
    return shape;
}

QString NormalityVerdict(int count, double g1, double g2) {
    const double n = count;
    const double se1 = std::sqrt(6 * n * (n - 1) / ((n - 2) * (n + 1) * (n + 3)));
    const double se2 = std::sqrt(24 * n * (n - 1) * (n - 1) / ((n - 3) * (n - 2) * (n + 3) * (n + 5)));
    const bool skewed = std::abs(g1) / se1 >= kLimit;
    const bool shaped = std::abs(g2) / se2 >= kLimit;
    if (!skewed && !shaped)
        return QStringLiteral("成绩分布服从正态分布(P>0.05)");
    QString text = QStringLiteral("呈");
    if (skewed)
        text += g1 > 0 ? QStringLiteral("正偏态") : QStringLiteral("负偏态");
    // A positive excess kurtosis is a peaked distribution, a negative one a flat one.
    if (shaped)
        text += (g2 > 0 ? QStringLiteral("陡峭") : QStringLiteral("平坡")) + QStringLiteral("型");
    return text + QStringLiteral("分布");
}

std::optional<NormalityRow> NormalityOf(const std::vector<double>& ascending, double mean, double sd) {
    if (ascending.size() <= 3)
        return std::nullopt;
    NormalityRow row;
    row.n = int(ascending.size());
    row.lowest = ascending.front();
    row.highest = ascending.back();
    row.mean = mean;
    row.sd = sd;
    if (const std::optional<Shape> shape = SampleShape(ascending, mean, sd)) {
        row.g1 = shape->g1;
        row.g2 = shape->g2;
        row.verdict = NormalityVerdict(row.n, shape->g1, shape->g2);
    }
    return row;
}

PairTest CompareClasses(std::vector<double> a, std::vector<double> b) {
    PairTest test;
    if (a.empty() || b.empty())
        return test;
    for (double& x : a)
        x = GridPoint(x);
    for (double& x : b)
        x = GridPoint(x);
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    const double na = double(a.size());
    const double nb = double(b.size());
    // Walk the grid points that hold a score; between them both distribution functions are flat.
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() || j < b.size()) {
        const double g = j == b.size() || (i < a.size() && a[i] <= b[j]) ? a[i] : b[j];
        while (i < a.size() && a[i] == g)
            ++i;
        while (j < b.size() && b[j] == g)
            ++j;
        test.d = std::max(test.d, std::abs(double(i) / na - double(j) / nb));
    }
    test.critical = kKsCoefficient * std::sqrt((na + nb) / (na * nb));
    test.result = test.d >= test.critical ? kSignificant : kSame;
    return test;
}

void RunTest(db::Connection& connection, int mode, int examId, int subject, const QString& subjectName,
             CReportTable& table) {
    for (int r = 1; r < table.RowCount(); ++r)
        for (int c = 1; c < table.ColumnCount(); ++c) {
            table.SetText(r, c, QString());
            table.SetBackground(r, c, QColor());
        }
    table.SetText(0, 0, subjectName, CellAlign::Right);
    const QString s = reports::ScoreColumn(subject);

    if (mode == kSignificance) {
        const int n = table.ColumnCount();
        if (n < 2)
            return;
        const std::map<int, std::vector<double>> scores = ClassScores(connection, examId, s);
        const std::vector<double> none;
        const auto of = [&](int cls) -> const std::vector<double>& {
            const auto it = scores.find(cls);
            return it == scores.end() ? none : it->second;
        };
        for (int i = 1; i < n; ++i)
            for (int j = i + 1; j <= n; ++j) {
                const int result = CompareClasses(of(i), of(j)).result;
                table.SetText(i, j - 1, PairText(result), CellAlign::Right);
                if (result == kSignificant)
                    table.SetBackground(i, j - 1, SignificantColour());
            }
        return;
    }

    const int n = table.RowCount() - 1;
    if (n < 1)
        return;
    const std::map<int, MeanSd> means = ClassMeans(connection, examId, s);
    const std::map<int, std::vector<double>> scores = ClassScores(connection, examId, s);
    for (const auto& [cls, list] : scores) {
        const auto m = means.find(cls);
        if (cls > n || m == means.end())
            continue;
        if (const std::optional<NormalityRow> row = NormalityOf(list, m->second.mean, m->second.sd))
            WriteNormalityRow(table, cls, *row);
    }
}

} // namespace normality
