#include "reports/ScoreReport.h"

#include "platform/res/StringTable.h"
#include "reports/Format.h"
#include "reports/ReportQueries.h"

#include <algorithm>

namespace reports {
namespace {

constexpr int kHalfRows = 34;
constexpr int kHalfColumns = 6;

QString RankTitle() {
    return res::LoadString(57660); // 名次
}

// A number as the query hands it to the text: at the two decimals "%6.2f" writes.
double AtTwoDecimals(double value) {
    return Format62(value).toDouble();
}

void SetNumber(CReportTable& table, int row, int col, const db::Variant& value, CNumberTexts& texts) {
    if (!value.IsNull())
        table.SetText(row, col, texts.Fixed62(value.ToDouble()), CellAlign::Right);
}

// The rank walk over the list in descending score order: equal shown scores share the rank of the
// first of them, the next lower score takes its position; a student without a score does not count.
class CRankWalk {
public:
    // The rank of the next score.
    int Next(double score) {
        ++m_position;
        const long long key = RankKey(score);
        if (key < m_previous)
            m_rank = m_position;
        m_previous = key;
        return m_rank;
    }

private:
    int m_position = 0;
    int m_rank = 0;
    long long m_previous = RankKey(9999);
};

// Writes one student's number, name, papers, score and rank from column `base`; the score is taken
// at single precision, as stored, and that value is shown and ranked.
void WriteStudent(CReportTable& table, int row, int base, int rankCol, const db::Recordset& rs,
                  CRankWalk& ranks, CNumberTexts& texts) {
    table.SetText(row, base, rs.Field(0).ToString(), CellAlign::Right);
    table.SetText(row, base + 1, rs.Field(1).ToString());
    SetNumber(table, row, base + 2, rs.Field(3), texts);
    SetNumber(table, row, base + 3, rs.Field(4), texts);
    const db::Variant& s = rs.Field(5);
    if (s.IsNull())
        return;
    const double score = static_cast<float>(s.ToDouble());
    table.SetText(row, base + 4, texts.Fixed62(score), CellAlign::Right);
    table.SetText(row, rankCol, texts.Int(ranks.Next(score)), CellAlign::Right);
}

void SetTitles(CReportTable& table, const ScoreReportOptions& options, int columns) {
    const CReportTable initial = InitialScoreReportTable();
    table = CReportTable(1, columns);
    table.SetFixedRowCount(1);
    for (int c = 0; c < initial.ColumnCount(); ++c)
        table.SetText(0, c, initial.Text(0, c), CellAlign::Right);
    table.SetText(0, 4, options.subjectName, CellAlign::Right);
}

void ListHalves(db::Connection& connection, int examId, const ScoreReportOptions& options,
                CReportTable& table) {
    SetTitles(table, options, kHalfColumns);
    table.SetText(0, 5, RankTitle(), CellAlign::Right);
    table.SetColumnCount(2 * kHalfColumns);
    for (int c = 0; c < kHalfColumns; ++c) // the right half's titles in the grid's own format
        table.SetText(0, kHalfColumns + c, table.Text(0, c));

    const QString s = ScoreColumn(options.subject);
    db::Recordset rs = Query(
        connection,
        QStringLiteral("SELECT studentid,name,class,%1 as s1,%2 as s2,%3 as s FROM tavrinKSK WHERE id=? "
                       "and class=? order by %3 desc")
            .arg(s + u'1', s + u'2', s),
        {examId, options.classNo});
    table.SetRowCount(HalfListRows(0));
    CRankWalk ranks;
    CNumberTexts texts(2);
    for (int k = 1; !rs.IsEOF(); rs.MoveNext(), ++k) {
        const HalfListCell place = HalfListPlace(k);
        if (place.row >= table.RowCount())
            table.SetRowCount(HalfListRows(k));
        WriteStudent(table, place.row, place.column, place.column + 5, rs, ranks, texts);
    }
}

void ListStandardScores(db::Connection& connection, int examId, const ScoreReportOptions& options,
                        CReportTable& table) {
    SetTitles(table, options, 7);
    table.SetFixedColumnCount(1);
    table.SetText(0, 5, ScoreReportModeText(options.mode), CellAlign::Right);
    table.SetText(0, 6, RankTitle(), CellAlign::Right);

    const ScopeMoments m = ScoreScopeMoments(connection, examId, options.subject, options.scope);
    const double mean = AtTwoDecimals(m.mean);
    const double sd = AtTwoDecimals(m.sd);
    // A deviation that is missing or shows as 0.00 gives no standard score.
    const bool blank = m.sdNull || sd == 0;

    const QString s = ScoreColumn(options.subject);
    QString expression;
    std::vector<db::Variant> params;
    switch (options.mode) {
    case kStandardScores:
        expression = QStringLiteral("(%1-?)/?").arg(s);
        params = {mean, sd};
        break;
    case kTScores:
        expression = QStringLiteral("10*(%1-?)/?+50").arg(s);
        params = {mean, sd};
        break;
    default:
        expression = QStringLiteral("?*(%1-?)/?+?").arg(s);
        params = {AtTwoDecimals(options.targetSD), mean, sd, AtTwoDecimals(options.targetMean)};
        break;
    }
    params.emplace_back(examId);
    params.emplace_back(options.classNo);
    db::Recordset rs =
        Query(connection,
              QStringLiteral("SELECT studentid,name,class,%1 as s1,%2 as s2,%3 as s,%4 as fstd "
                             "FROM tavrinKSK WHERE id=? and class=? order by %3 desc")
                  .arg(s + u'1', s + u'2', s, expression),
              params);
    CRankWalk ranks;
    CNumberTexts texts(2);
    for (; !rs.IsEOF(); rs.MoveNext()) {
        const int row = table.RowCount();
        table.SetRowCount(row + 1);
        WriteStudent(table, row, 0, 6, rs, ranks, texts);
        if (!blank)
            SetNumber(table, row, 5, rs.Field(6), texts);
    }
}

} // namespace

QStringList ScoreScopeItems() {
    return {QStringLiteral("全年级"), QStringLiteral("文科"), QStringLiteral("理科")};
}

QString ScoreReportModeText(int mode) {
    switch (mode) {
    case kStandardScores:
        return res::LoadString(57658);
    case kTScores:
        return res::LoadString(57659);
    case kStandardised:
        return QStringLiteral("标准化");
    default:
        return {};
    }
}

QString ScoreReportCaption(const QString& examText, int mode) {
    QString caption = ExamTitle(examText) + QStringLiteral("成绩报表");
    if (mode != kSubjectList)
        caption += u'[' + ScoreReportModeText(mode) + u']';
    return caption;
}

CReportTable InitialScoreReportTable() {
    CReportTable table(1, 4);
    table.SetFixedRowCount(1);
    table.SetFixedColumnCount(1);
    const char* titles[] = {"学号", "姓名", "I卷", "II卷"};
    for (int c = 0; c < 4; ++c)
        table.SetText(0, c, QString::fromUtf8(titles[c]), CellAlign::Right);
    return table;
}

HalfListCell HalfListPlace(int k) {
    const int i = k - 1;
    return {kHalfRows * (i / (2 * kHalfRows)) + i % kHalfRows + 1,
            i % (2 * kHalfRows) < kHalfRows ? 0 : kHalfColumns};
}

int HalfListRows(int n) {
    const int bands = (n + 2 * kHalfRows - 1) / (2 * kHalfRows);
    return 1 + kHalfRows * std::max(1, bands);
}

ScopeMoments ScoreScopeMoments(db::Connection& connection, int examId, int subject, int scope) {
    const QString s = ScoreColumn(subject);
    QString sql = QStringLiteral("SELECT avg(%1) as mean,stdev(%1) as mystd FROM tavrinKSK WHERE id=? and %1 "
                                 "is not null")
                      .arg(s);
    std::vector<db::Variant> params{examId};
    if (scope == kArtsStream || scope == kScienceStream) {
        sql += QStringLiteral(" and worl=?");
        params.emplace_back(scope == kArtsStream ? QStringLiteral("文") : QStringLiteral("理"));
    }
    db::Recordset rs = Query(connection, sql, params);
    ScopeMoments m;
    if (rs.IsEOF())
        return m;
    if (!rs.Field(0).IsNull())
        m.mean = static_cast<float>(rs.Field(0).ToDouble());
    m.sdNull = rs.Field(1).IsNull();
    if (!m.sdNull)
        m.sd = static_cast<float>(rs.Field(1).ToDouble());
    return m;
}

void ListScoreReport(db::Connection& connection, const CAnalysisContext& context,
                     const ScoreReportOptions& options, CReportTable& table) {
    if (!context.HasExam())
        return;
    if (options.mode == kSubjectList)
        ListHalves(connection, context.m_nAnalysisExamId, options, table);
    else
        ListStandardScores(connection, context.m_nAnalysisExamId, options, table);
}

} // namespace reports
