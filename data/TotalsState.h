#pragma once
// Which valid totals (sum1 to sum3) of an exam are out of date: every write of a mark records its
// exam here in the same transaction, and computing a total clears its record. A total with a
// record was computed from marks that have changed since; one without was computed from the marks
// as they are (or never computed at all, which the totals themselves show).
//
// Beside the records, the subjects each total was last computed from (the ones ticked in
// 算学生有效总分), written with the totals, so that a total out of date is recomputed from its own
// subjects. A total computed before the program kept them has none.

#include "platform/db/Connection.h"

#include <optional>
#include <vector>

namespace data {

// Creates the table of the records and the table of the totals' subjects where the file lacks them
// (files made before they existed); the schema holds them for new files. In the caller's
// transaction, if any.
void AddTotalsStateTable(db::Connection& connection);

// Records all three totals of the exam as out of date. Call it in the transaction that writes the
// marks, so that a mark never stands without its record.
void MarkTotalsStale(db::Connection& connection, int examId);
// Records as out of date the totals of the exam that a changed mark of subject `subjectNo` (its
// score column "s%02d") enters: those whose recorded subjects include it, and those whose subjects
// are not recorded or not readable (they may include it). A total computed from other subjects
// stays as it is. In the transaction that writes the mark, as above.
void MarkTotalsStale(db::Connection& connection, int examId, int subjectNo);

// Clears the record of total `sumNo` (1 to 3) of the exam: it has just been computed.
void MarkTotalsComputed(db::Connection& connection, int examId, int sumNo);

// Records the subjects (numbers, in the order given) total `sumNo` (1 to 3) of the exam has just
// been computed from, replacing what was recorded. Call it in the transaction that writes the
// total. An empty list is a total computed from no subject.
void RecordTotalSubjects(db::Connection& connection, int examId, int sumNo, const std::vector<int>& subjects);

// The subjects total `sumNo` of the exam was last computed from; nothing when none is recorded (a
// total never computed, or computed before the program recorded them) and when the record is not
// a list of subjects the file has, each once (a damaged or hand-edited file). Throws db::DbError.
std::optional<std::vector<int>> TotalSubjects(db::Connection& connection, int examId, int sumNo);

// Forgets the exam's records and the subjects of its totals (the exam is deleted).
void ForgetTotalsState(db::Connection& connection, int examId);

// Takes subject `subjectNo` (it is deleted) out of the totals of every exam: it leaves the
// recorded subjects of each total that counted it, and that total is recorded out of date, so that
// it is recomputed from the subjects that remain, never from the deleted subject's columns nor from
// those of a subject that later takes its number. A total whose subjects are not recorded or not
// readable may have counted it, and is recorded out of date too (its list stays as it is). In the
// transaction that deletes the subject.
void TakeSubjectOutOfTotals(db::Connection& connection, int subjectNo);

// The totals (1 to 3) of the exam that are recorded out of date, in ascending order.
std::vector<int> StaleTotals(db::Connection& connection, int examId);

} // namespace data
