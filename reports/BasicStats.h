#pragma once
// The basic-statistics report: one chosen statistic of the total and of every participating
// subject, per class and for the grade or the two streams, and the ranking of the classes. Also
// the frame the basic-statistics dialog shares with its other modes (class-by-subject tables,
// subject-by-class tables, class standard scores): its opening table, captions and print layout.

#include "data/AnalysisContext.h"
#include "platform/db/Connection.h"
#include "reports/ReportTable.h"

#include <QColor>
#include <QString>
#include <QStringList>

class CTextCipher;

namespace reports {

// The dialog's modes.
enum BasicStatMode {
    kGradeStats = 0,
    kClassSubjectTable = 1,
    kSubjectClassTable = 2,
    kClassStandardScores = 3
};

// The entries of the statistic list, in index order.
enum class Statistic { Min = 0, Max = 1, Avg = 2, StDev = 3, CV = 4 };
QStringList StatisticItems(int mode); // mode 3 adds "标准分"
int DefaultStatisticIndex(int mode);  // "平均分", or "标准分" in mode 3
// "最低分报表" ... "变异系数报表".
QString StatisticTitle(Statistic statistic);
// Lower standard deviations and coefficients of variation rank better; the rest rank higher first.
bool HigherIsBetter(Statistic statistic);

// Accumulation type: one grade row, or an arts row and a science row.
enum AccumType { kGradeRow = 0, kStreamRows = 1 };

// The window title the dialog opens with, and the table it shows before the first computation.
QString BasicStatInitialCaption(int mode);
CReportTable InitialBasicStatTable();

// What the report build and the record feed take from the mode.
struct BasicStatPrintLayout {
    QString titleSuffix;     // "(1)" ... "(3)" in modes 0-2, empty in mode 3
    int rowStyle = 2;        // style code of the detail rows: 4 in modes 1 and 2, else 2
    bool groupOnFirstColumn; // modes 1 and 2: one group per block
};
BasicStatPrintLayout BasicStatPrint(int mode);

// Backgrounds of the summary rows: the arts row, and the last row (grade or science).
inline QColor ArtsRowColour() {
    return QColor(255, 255, 224);
}
inline QColor LastRowColour() {
    return QColor(153, 204, 255);
}

struct GradeStatOptions {
    Statistic statistic = Statistic::Avg;
    int accumType = kStreamRows;
    // The "人数" columns stay (the "打印" choice); otherwise they are removed after the computation.
    bool keepCountColumns = false;
};

// Fills `table` with the chosen statistic. Without an analysis exam the table is left as it is.
// Database errors reach the caller as DbError, the rows filled so far staying in the table.
void ComputeGradeStats(db::Connection& connection, CTextCipher& cipher, const CAnalysisContext& context,
                       const GradeStatOptions& options, CReportTable& table);

// "名次统计": the computation with its count columns kept, each of which then holds the classes'
// ranks in the quantity to its left (by stream with two summary rows).
void ComputeGradeRanks(db::Connection& connection, CTextCipher& cipher, const CAnalysisContext& context,
                       const GradeStatOptions& options, CReportTable& table);

// The totals a computation of the mode reads, as indices of the total-type list: 总分 in modes 0
// and 3, and 文总 and 理总 too in mode 0 by stream; none in the block tables.
std::vector<int> TotalsRead(int mode, int accumType);
// Whether the mode reads the subjects' full marks: the block tables compare with them.
inline bool ReadsFullMarks(int mode) {
    return mode == kClassSubjectTable || mode == kSubjectClassTable;
}

// "统计计算" in any mode: the grade statistics (mode 0, with `options`), the class-by-subject or
// subject-by-class table (modes 1 and 2) or the class standard scores (mode 3).
void ComputeBasicStat(int mode, db::Connection& connection, CTextCipher& cipher,
                      const CAnalysisContext& context, const GradeStatOptions& options, CReportTable& table);

// The ranking alone, on a table that ComputeGradeStats filled with its count columns kept.
void RankGradeStats(db::Connection& connection, const CAnalysisContext& context, Statistic statistic,
                    int accumType, CReportTable& table);

} // namespace reports
