#pragma once
// The score-band report: how many students of each class scored in each band of a chosen width,
// for one participating subject or one of the three totals, with running totals across the
// classes; the bands of one class with percentages and cumulative figures; and what the chart of
// one class shows (its bands as values, the normal curve's parameters).

#include "data/AnalysisContext.h"
#include "platform/db/Connection.h"
#include "reports/ReportTable.h"

#include <QString>
#include <QStringList>

#include <vector>

class CTextCipher;

namespace reports {

// The subject combo's entries: the participating subjects by name (each with its number), then
// "总分", "文总", "理总" (numbers −3, −1, −2: a total is −kind, sum1 文总, sum2 理总, sum3 总分).
struct BandSubject {
    QString name;
    int no = 0; // a subject's number, or −1, −2, −3 for sum1, sum2, sum3
};
std::vector<BandSubject> BandSubjects(db::Connection& connection, CTextCipher& cipher,
                                      const CAnalysisContext& context);

// A subject's full mark in the exam: t1·t1w + t2·t2w of its weights row, at single precision; 0
// without a row or with a NULL value.
float GetFullMarks(db::Connection& connection, int examId, int no);
// The sum of the full marks of the participating subjects (flags 1–50); it serves all three totals.
float GetAllFullMarks(db::Connection& connection, const CAnalysisContext& context);

// One band lo < score ≤ hi; the top band, when the high bound is the full mark's whole-number
// part, counts up to the full mark itself.
struct ScoreBand {
    int lo = 0;
    int hi = 0;
    double upper = 0; // the limit the band counts up to
    QString label;
};

// The bands from the highest down; the bounds and width as normalised.
struct BandPlan {
    int low = 0;
    int high = 0;
    int width = 10;
    std::vector<ScoreBand> bands;
    bool valid = false; // false: the low bound is at or above the truncated full mark
};
// Normalises as the report does: a width ≤ 0 becomes 5; equal bounds mean the whole range 0 to
// the truncated full mark; a high bound below the low one is raised to it, one above the full
// mark lowered to the truncated full mark. A band counts only the scores inside its label, the top
// band cut at the high bound too; only a high bound at the truncated full mark lets the top band
// reach the full mark (97 of 97.5).
BandPlan PlanBands(int low, int high, int width, double fullMark);

// The full mark the bands of `subject` (as BandSubject::no) run to: the subject's own, or for a
// total the participating subjects' sum.
double BandFullMark(db::Connection& connection, const CAnalysisContext& context, int subject);

// What is known of a band report before any counting: why it cannot be made (empty when it can)
// and the widest band its full mark allows.
struct BandCheck {
    QString refusal;
    int maxWidth = 0; // the full mark's whole-number part, at least 1
};
// Refuses an exam without any full mark (NoFullMarksMessage) and a subject without one (for a
// total: every participating subject without one, so the sum is 0), naming the subjects. Without
// an exam nothing is refused. Throws db::DbError.
BandCheck CheckBandSubject(db::Connection& connection, CTextCipher& cipher, const CAnalysisContext& context,
                           int subject);

enum class BandStatus { Done, NoExam, NoRows, NoBands };

struct BandRequest {
    int subject = 0; // as BandSubject::no
    QString subjectText;
    int low = 0;
    int high = 0;
    int width = 10;
};

struct BandResult {
    BandStatus status = BandStatus::Done;
    BandPlan plan;
    double fullMark = 0;
};

// The grade table: row 0 the subject and "%2d班" of each class, then one row per band from the
// highest and the row of the low bound; "%3d" counts followed by "/%2d" running totals.
BandResult ComputeGradeBands(db::Connection& connection, const CAnalysisContext& context,
                             const BandRequest& request, CReportTable& table);

// The one-class table: "人数", "百分比", "累计人数", "累计百分比" per band of class `cls`. The
// percentages are of every score the table shows, the row of the low bound included, so that the
// cumulative one ends at 100.00.
BandResult ComputeClassBands(db::Connection& connection, const CAnalysisContext& context,
                             const BandRequest& request, int cls, CReportTable& table);

// The normal curve's parameters of one class: its count of scores, their mean and deviation (a
// NULL mean or deviation is 0).
struct BandMarker {
    int count = 0;
    double mean = 0;
    double sd = 0;
};
BandMarker ClassMarker(db::Connection& connection, const CAnalysisContext& context, int subject, int cls);

// The values the chart of class `cls` shows from the grade table, in ascending band order: every
// band between the lowest and the highest non-empty one, an empty band inside as 0.
struct ChartValue {
    double value = 0;
    QString label;
};
std::vector<ChartValue> ChartValues(const CReportTable& gradeTable, int cls);

// The message when the low bound leaves no band.
QString NoBandsMessage(int low, double fullMark);

} // namespace reports
