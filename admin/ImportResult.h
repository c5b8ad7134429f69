#pragma once
// What an import tells the user when it is done, without widgets: the count line, how many rows
// were of no student, how many student numbers were given back their leading zeros, how many
// stored marks empty cells cleared, how many empty rows were skipped, and the rows it did not take
// as they stood, one a line with the row as the user finds it in the file, 学号, 姓名 and the
// reason.

#include "admin/StudentRoster.h"

#include <QString>

namespace admin {

// How many notes the result dialog shows; the saved file holds them all.
constexpr int kShownImportNotes = 200;

// Whether the import has more to tell than its count line.
bool HasImportNotes(const roster::ImportCount& count);

// The count line, then a line for the rows not in the list, one for the padded numbers, one for
// the stored marks that empty cells cleared and one for the empty rows skipped, each when there
// are any; no line ends with a line break. An import
// where no row named a student of the list says so, with the likely cause, in place of the count.
QString ImportSummaryText(const roster::ImportCount& count);

// The report: the summary, then a header and the first `maxNotes` notes (all of them when
// `maxNotes` is negative), and a last line with how many more there are when some are left out.
QString ImportReportText(const roster::ImportCount& count, int maxNotes);

} // namespace admin
