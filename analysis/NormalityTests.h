#pragma once
// The normality test of each class's scores in one subject of an exam (count, lowest and highest
// score, mean, standard deviation, skewness G1, excess kurtosis G2 and a verdict from their
// standard errors), and the significance test between every two classes (the two-sample
// Kolmogorov–Smirnov statistic over the even scores 2, 4, 6, … against 1.63·√((na+nb)/(na·nb))).
// A class's scores are its values above 0; 0 and empty scores do not count.

#include "platform/db/Connection.h"
#include "reports/ReportTable.h"

#include <QString>

#include <map>
#include <optional>
#include <vector>

namespace normality {

enum TestMode { kNormality = 0, kSignificance = 1 };
// What the comparison of two classes found.
enum PairResult { kNotSat = -1, kSame = 0, kSignificant = 1 };

// The caption's tail of a mode: "成绩正态分布检验" or "成绩显著性差异检验".
QString TestTitle(int mode);
// "没考", "相同" or "显著", cut from the string table's "没考相同显著".
QString PairText(int result);

// The table before any run: mode 0 one row per class 1 … N with the statistics' titles; mode 1 the
// classes 1 … N − 1 down the side and 2 … N across the top. N = 0 (no score rows): "班级" alone.
CReportTable TestTable(int mode, int highestClass);

// One class's row of the normality table.
struct NormalityRow {
    int n = 0;
    double lowest = 0;
    double highest = 0;
    double mean = 0;
    double sd = 0;
    // Missing when every score is the same (sd 0): skewness and kurtosis are then undefined.
    std::optional<double> g1;
    std::optional<double> g2;
    QString verdict;
};

// The bias-corrected skewness G1 and excess kurtosis G2 of at least 4 scores, from their mean and
// sample standard deviation; nullopt when sd is 0 (or n < 4).
struct Shape {
    double g1 = 0;
    double g2 = 0;
};
std::optional<Shape> SampleShape(const std::vector<double>& scores, double mean, double sd);
// The verdict of G1 and G2 of n scores: each divided by its standard error and compared with 1.96.
QString NormalityVerdict(int n, double g1, double g2);
// The row of a class from its scores in ascending order, with the mean and standard deviation the
// database computed; nullopt for 3 scores or fewer.
std::optional<NormalityRow> NormalityOf(const std::vector<double>& ascending, double mean, double sd);

struct PairTest {
    int result = kNotSat;
    double d = 0;        // the largest difference of the two distribution functions
    double critical = 0; // 1.63·√((na+nb)/(na·nb))
};
// Compares the scores of two classes (any order); kNotSat when either has none.
PairTest CompareClasses(std::vector<double> a, std::vector<double> b);

// Fills the result cells of a table laid out by TestTable for the subject (score column number
// `subject`): cell (0, 0) becomes the subject's name, every result cell is emptied first (and
// loses its red), then each class row (mode 0) or pair cell (mode 1) is written; 显著 cells are red.
// Database errors reach the caller as DbError, the cells written so far kept.
void RunTest(db::Connection& connection, int mode, int examId, int subject, const QString& subjectName,
             CReportTable& table);

// The red of a significant difference.
QColor SignificantColour();

} // namespace normality
