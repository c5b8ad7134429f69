#pragma once
// The class-by-subject table (blocks by class, a row per subject) and the subject-by-class table
// (blocks by subject, a row per class): full mark, count, lowest, highest, mean, deviation,
// coefficient of variation, excellent and pass rates of each class in each participating subject.

#include "data/AnalysisContext.h"
#include "platform/db/Connection.h"
#include "reports/ReportTable.h"

#include <QString>
#include <QStringList>

#include <optional>

class CTextCipher;

namespace reports {

constexpr int kBlockTableColumns = 11;

// The eleven column titles of a mode (1 or 2).
QStringList BlockTableTitles(int mode);

// A subject's full mark in an exam: t1·t1w + t2·t2w of its weights row (NULL fields count as 0),
// in single precision; nullopt without a weights row.
std::optional<float> FullMark(db::Connection& connection, int examId, int subjectNo);
// "%4d" of the full mark truncated, "??" without one.
QString FullMarkText(const std::optional<float>& fullMark);

// Mode 1 and mode 2. Without an analysis exam, or without score rows, only the title row is left.
// Database errors reach the caller as DbError, the rows filled so far staying in the table (the
// final removal of empty rows then has not run).
void ComputeClassSubjectTable(db::Connection& connection, CTextCipher& cipher,
                              const CAnalysisContext& context, CReportTable& table);
void ComputeSubjectClassTable(db::Connection& connection, CTextCipher& cipher,
                              const CAnalysisContext& context, CReportTable& table);

} // namespace reports
