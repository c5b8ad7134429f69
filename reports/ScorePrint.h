#pragma once
// The score lists for printing: one class's students, or the whole grade's, or one stream's,
// ordered by a total, with the total, optional grade and class ranks, optional arts and science
// totals with their ranks, and every participating subject with an optional rank; a range keeps
// only the students within the first X places, or only those after the X-th. The class list can
// also be laid out as score slips. The class dialog and the grade dialog both describe their
// choices as ScorePrintOptions.

#include "data/AnalysisContext.h"
#include "platform/db/Connection.h"
#include "reports/ReportTable.h"

#include <QString>
#include <QStringList>

#include <vector>

class CTextCipher;

namespace reports {

// Whose values a rank compares with.
enum class RankScope { None, Grade, Arts, Science, Class };

// Which students a range keeps by a rank: all, those ranked X or better, or the others.
enum class RangeLimit { None, Top, After };

struct ScorePrintOptions {
    int classNo = -1; // the class listed; -1 lists the whole grade
    // The students listed and their order: 3 all by sum3, 1 the arts stream by sum1, 2 the science
    // stream by sum2.
    int orderTotal = 3;
    bool gradeRank = false; // a "名次" column with the total's rank in the grade
    bool classRank = false; // a "名次" column with its rank in the class
    // The arts total and the rank shown beside it, ranked within the grade or the arts stream as
    // the stream-total box names it; the same for the science total.
    bool showArts = false;
    bool artsInStream = false;
    bool showScience = false;
    bool scienceInStream = false;
    RankScope subjectRank = RankScope::None; // None: no rank column after each subject
    // The range: the rank of total `limitTotal` (1-3) decides: sum3's in the grade, a stream
    // total's within its stream, whatever rank its column shows.
    RangeLimit limit = RangeLimit::None;
    int limitTotal = 3;
    int x = 0;
    bool slips = false; // every student row after the first gets a blank row and the titles before it
};

// The items of the boxes, in order.
QStringList StreamTotalItems();
QStringList ClassRangeItems();
QStringList GradeRangeItems();

// The totals a list of the options reads, as indices of the total-type list: 总分 always (its
// column and the order), 文总 and 理总 when shown or when the list is ordered by them.
std::vector<int> TotalsRead(const ScorePrintOptions& options);

// The class dialog's choices: total ranks 0 grade, 1 class, 2 both, 3 none; subject ranks 0 grade,
// 1 arts, 2 science, 3 class, 4 none; the stream-total item and the range item (-1: none); mode 1
// for score slips. The stream ranges list only that stream and rank within it.
ScorePrintOptions ClassScorePrintOptions(int classNo, int totalRank, int subjectRank, int streamItem,
                                         int rangeItem, int x, int mode);
// The grade dialog's choices: total rank 0 none, 1 grade; subject ranks 0 none, 1 grade, 2 arts,
// 3 science; the stream-total item and the range item.
ScorePrintOptions GradeScorePrintOptions(int totalRank, int subjectRank, int streamItem, int rangeItem,
                                         int x);

// The four titles the dialogs open with, and their captions ("高一|期中" → "高一级期中成绩打印").
CReportTable InitialScorePrintTable();
QString ScorePrintCaption(const QString& examText);
QString GradeScorePrintCaption(const QString& examText);

// A name as listed: trailing blanks removed, and a name of exactly two double-byte characters
// gets the full-width space between them, so that it lines up with three-character names.
QString SpacedName(const QString& name);

// Lists the students into `table`. Without an analysis exam only the titles stay. Database errors
// reach the caller as DbError, the rows filled so far staying in the table.
void ListScorePrint(db::Connection& connection, CTextCipher& cipher, const CAnalysisContext& context,
                    const ScorePrintOptions& options, CReportTable& table);

} // namespace reports
