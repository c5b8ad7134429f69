#include "reports/BasicStats.h"

#include "platform/log/Log.h"
#include "reports/ClassStandardScores.h"
#include "reports/ClassSubjectTables.h"
#include "reports/Format.h"
#include "reports/ReportQueries.h"

#include <algorithm>
#include <map>
#include <optional>

namespace reports {
namespace {

const QString kCountTitle = QStringLiteral("人数");
const QString kArts = QStringLiteral("文");
const QString kScience = QStringLiteral("理");

// The aggregate as the query computes it; the coefficient of variation is stdev / mean × 100.
QString Aggregate(Statistic s, const QString& column) {
    switch (s) {
    case Statistic::Min:
        return QStringLiteral("min(%1)").arg(column);
    case Statistic::Max:
        return QStringLiteral("max(%1)").arg(column);
    case Statistic::Avg:
        return QStringLiteral("avg(%1)").arg(column);
    case Statistic::StDev:
        return QStringLiteral("StDev(%1)").arg(column);
    case Statistic::CV:
        break;
    }
    return QStringLiteral("StDev(%1)/Avg(%1)*100").arg(column);
}

void WriteCountAndValue(CReportTable& table, int row, int valueCol, const db::Variant& n,
                        const db::Variant& mean) {
    table.SetText(row, valueCol + 1, FormatInt(n.ToInt64(), 3), CellAlign::Right);
    table.SetText(row, valueCol, Format62(mean.ToDouble()), CellAlign::Right);
}

// One quantity (a score column or a total): per class into the class rows, then the summary rows.
// `streamRows` maps a stream to its summary row; an empty stream means all rows of the exam.
void FillQuantity(db::Connection& connection, int examId, Statistic s, const QString& column, int valueCol,
                  int highestClass, const std::vector<std::pair<QString, int>>& streamRows,
                  CReportTable& table) {
    const QString expr = Aggregate(s, column);
    db::Recordset rs =
        Query(connection,
              QStringLiteral("SELECT class, count(*) as n,%1 as mean FROM tavrinKSK WHERE id=? "
                             "and %2 is not null GROUP BY class")
                  .arg(expr, column),
              {examId});
    for (; !rs.IsEOF(); rs.MoveNext()) {
        const db::Variant& cls = rs.Field(0);
        const db::Variant& mean = rs.Field(2);
        if (cls.IsNull() || mean.IsNull())
            continue;
        const long long c = cls.ToInt64();
        if (c < 1 || c > highestClass) // a class outside the table must not overwrite the titles
            continue;
        WriteCountAndValue(table, int(c), valueCol, rs.Field(1), mean);
    }
    const QString summary =
        QStringLiteral("SELECT count(*) as n,%1 as mean FROM tavrinKSK WHERE id=? and %2 is not null")
            .arg(expr, column);
    for (const auto& [stream, row] : streamRows) {
        db::Recordset total =
            stream.isEmpty() ? Query(connection, summary, {examId})
                             : Query(connection, summary + QStringLiteral(" and worl=?"), {examId, stream});
        if (!total.IsEOF() && !total.Field(1).IsNull())
            WriteCountAndValue(table, row, valueCol, total.Field(0), total.Field(1));
    }
}

} // namespace

QStringList StatisticItems(int mode) {
    QStringList items = {QStringLiteral("最低分"), QStringLiteral("最高分"), QStringLiteral("平均分"),
                         QStringLiteral("标准差"), QStringLiteral("变异系数")};
    if (mode >= kClassStandardScores)
        items << QStringLiteral("标准分");
    return items;
}

int DefaultStatisticIndex(int mode) {
    return mode >= kClassStandardScores ? 5 : int(Statistic::Avg);
}

QString StatisticTitle(Statistic statistic) {
    switch (statistic) {
    case Statistic::Min:
        return QStringLiteral("最低分报表");
    case Statistic::Max:
        return QStringLiteral("最高分报表");
    case Statistic::Avg:
        return QStringLiteral("平均分报表");
    case Statistic::StDev:
        return QStringLiteral("标准差报表");
    case Statistic::CV:
        break;
    }
    return QStringLiteral("变异系数报表");
}

bool HigherIsBetter(Statistic statistic) {
    return statistic != Statistic::StDev && statistic != Statistic::CV;
}

QString BasicStatInitialCaption(int mode) {
    return mode >= kClassStandardScores ? QStringLiteral("各班各科标准分报表")
                                        : QStringLiteral("各班各科基本统计量报表");
}

CReportTable InitialBasicStatTable() {
    CReportTable table(1, 2);
    table.SetFixedRowCount(1);
    table.SetFixedColumnCount(1);
    table.SetText(0, 0, QStringLiteral("班级"), CellAlign::Right);
    table.SetText(0, 1, QStringLiteral("总分"), CellAlign::Right);
    return table;
}

BasicStatPrintLayout BasicStatPrint(int mode) {
    BasicStatPrintLayout layout;
    if (mode >= kGradeStats && mode <= kSubjectClassTable)
        layout.titleSuffix = QStringLiteral("(%1)").arg(mode + 1);
    const bool blocks = mode == kClassSubjectTable || mode == kSubjectClassTable;
    layout.rowStyle = blocks ? 4 : 2;
    layout.groupOnFirstColumn = blocks;
    return layout;
}

void ComputeGradeStats(db::Connection& connection, CTextCipher& cipher, const CAnalysisContext& context,
                       const GradeStatOptions& options, CReportTable& table) {
    const int examId = context.m_nAnalysisExamId;
    if (examId == -1)
        return;
    const std::vector<int> subjects = context.ParticipatingSubjects();
    const int n = int(subjects.size());
    const bool streams = options.accumType == kStreamRows;
    const int first = streams ? 5 : 1; // value column of the first subject, less 2
    const int cols = 2 * n + 3 + (streams ? 4 : 0);

    table = CReportTable(1, cols);
    table.SetFixedRowCount(1);
    table.SetFixedColumnCount(1);
    table.caption = ExamTitle(context.m_strAnalysisExam) + StatisticTitle(options.statistic);
    table.SetText(0, 0, QStringLiteral("班级"), CellAlign::Right);
    table.SetText(0, 1, QStringLiteral("总分"), CellAlign::Right);
    table.SetText(0, 2, kCountTitle, CellAlign::Right);
    if (streams) {
        table.SetText(0, 3, QStringLiteral("文总"), CellAlign::Right);
        table.SetText(0, 4, kCountTitle, CellAlign::Right);
        table.SetText(0, 5, QStringLiteral("理总"), CellAlign::Right);
        table.SetText(0, 6, kCountTitle, CellAlign::Right);
    }
    for (int j = 1; j <= n; ++j) {
        QString name;
        GetSubjectName(connection, cipher, subjects[j - 1], name);
        table.SetText(0, 2 * j + first, name, CellAlign::Right);
        table.SetText(0, 2 * j + first + 1, kCountTitle, CellAlign::Right);
    }

    const int k = HighestClass(connection, examId);
    if (k > 0) {
        table.SetRowCount(k + 1 + (streams ? 2 : 1));
        for (int c = 1; c <= k; ++c)
            table.SetText(c, 0, ClassLabel(c), CellAlign::Right);
        std::vector<std::pair<QString, int>> summaryRows;
        if (streams) {
            table.SetText(k + 1, 0, QStringLiteral("文科"), CellAlign::Right);
            table.SetText(k + 2, 0, QStringLiteral("理科"), CellAlign::Right);
            table.SetKind(k + 1, RowKind::Summary);
            table.SetKind(k + 2, RowKind::Summary);
            summaryRows = {{kArts, k + 1}, {kScience, k + 2}};
        } else {
            table.SetText(k + 1, 0, QStringLiteral("年级"), CellAlign::Right);
            table.SetKind(k + 1, RowKind::Summary);
            summaryRows = {{QString(), k + 1}};
        }

        for (int j = 1; j <= n; ++j)
            FillQuantity(connection, examId, options.statistic, ScoreColumn(subjects[j - 1]), 2 * j + first,
                         k, summaryRows, table);
        FillQuantity(connection, examId, options.statistic, TotalColumn(3), 1, k, summaryRows, table);
        if (streams) {
            // Arts and science totals are taken over every class, and per stream below.
            FillQuantity(connection, examId, options.statistic, TotalColumn(1), 3, k, summaryRows, table);
            FillQuantity(connection, examId, options.statistic, TotalColumn(2), 5, k, summaryRows, table);
        }

        const int last = table.RowCount() - 1;
        for (int c = 1; c < cols; ++c) {
            if (streams)
                table.SetBackground(last - 1, c, ArtsRowColour());
            table.SetBackground(last, c, LastRowColour());
        }
    }

    if (!options.keepCountColumns)
        for (int c = cols - 1; c > 1; c -= 2)
            table.DeleteColumn(c);
}

void ComputeGradeRanks(db::Connection& connection, CTextCipher& cipher, const CAnalysisContext& context,
                       const GradeStatOptions& options, CReportTable& table) {
    GradeStatOptions keep = options;
    keep.keepCountColumns = true;
    ComputeGradeStats(connection, cipher, context, keep, table);
    RankGradeStats(connection, context, options.statistic, options.accumType, table);
}

std::vector<int> TotalsRead(int mode, int accumType) {
    if (mode == kGradeStats)
        return accumType == kStreamRows ? std::vector<int>{2, 0, 1} : std::vector<int>{2};
    if (mode == kClassStandardScores)
        return {2};
    return {};
}

void ComputeBasicStat(int mode, db::Connection& connection, CTextCipher& cipher,
                      const CAnalysisContext& context, const GradeStatOptions& options, CReportTable& table) {
    switch (mode) {
    case kGradeStats:
        ComputeGradeStats(connection, cipher, context, options, table);
        break;
    case kClassSubjectTable:
        ComputeClassSubjectTable(connection, cipher, context, table);
        break;
    case kSubjectClassTable:
        ComputeSubjectClassTable(connection, cipher, context, table);
        break;
    case kClassStandardScores:
        ComputeClassStandardScores(connection, cipher, context, table);
        break;
    default:
        break;
    }
}

void RankGradeStats(db::Connection& connection, const CAnalysisContext& context, Statistic statistic,
                    int accumType, CReportTable& table) {
    const int examId = context.m_nAnalysisExamId;
    if (examId == -1)
        return;
    const bool streams = accumType == kStreamRows;
    const int quantities = int(context.ParticipatingSubjects().size()) + (streams ? 3 : 1);
    const int classes = std::max(0, table.RowCount() - 1 - (streams ? 2 : 1));

    // A class is compared with the classes of its own stream; classes without one form a group
    // of their own.
    std::vector<QString> stream(classes + 1);
    if (streams) {
        try {
            for (int c = 1; c <= classes; ++c) {
                db::Recordset rs = Query(
                    connection,
                    QStringLiteral(
                        "select worl from tavrinksk where id=? and worl is not null and class=? LIMIT 1"),
                    {examId, c});
                if (!rs.IsEOF())
                    stream[c] = rs.Field(0).ToString();
            }
        } catch (const db::DbError& e) {
            // The classes not yet looked up keep no stream; the ranking goes on.
            qCWarning(vlog::db) << "class streams of exam" << examId << "cut short:" << e.Message();
        }
    }

    const bool higher = HigherIsBetter(statistic);
    for (int g = 0; g < quantities; ++g) {
        const int valueCol = 2 * g + 1;
        std::map<QString, std::vector<int>> groups;
        for (int c = 1; c <= classes; ++c)
            groups[stream[c]].push_back(c);
        for (const auto& [name, rows] : groups) {
            std::vector<std::optional<double>> values;
            for (const int r : rows)
                values.push_back(ParseNumber(table.Text(r, valueCol)));
            const std::vector<std::optional<int>> ranks = Ranks(values, higher);
            for (std::size_t i = 0; i < rows.size(); ++i)
                if (ranks[i])
                    table.SetText(rows[i], valueCol + 1, FormatInt(*ranks[i], 2), CellAlign::Right);
        }
        table.SetText(0, valueCol + 1, QStringLiteral("名次"), CellAlign::Right);
        // The summary rows are not ranked; their student counts would read as ranks.
        for (int r = classes + 1; r < table.RowCount(); ++r)
            table.SetText(r, valueCol + 1, QString());
    }
}

} // namespace reports
