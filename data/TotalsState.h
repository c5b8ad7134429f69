#pragma once
// Which valid totals (sum1 to sum3) of an exam are out of date: every write of a mark records its
// exam here in the same transaction, and computing a total clears its record. A total with a
// record was computed from marks that have changed since; one without was computed from the marks
// as they are (or never computed at all, which the totals themselves show).

#include "platform/db/Connection.h"

#include <vector>

namespace data {

// Creates the table of the records where the file lacks it (files made before it existed); the
// schema holds it for new files. In the caller's transaction, if any.
void AddTotalsStateTable(db::Connection& connection);

// Records all three totals of the exam as out of date. Call it in the transaction that writes the
// marks, so that a mark never stands without its record.
void MarkTotalsStale(db::Connection& connection, int examId);

// Clears the record of total `sumNo` (1 to 3) of the exam: it has just been computed.
void MarkTotalsComputed(db::Connection& connection, int examId, int sumNo);

// Forgets the exam's records (the exam is deleted).
void ForgetTotalsState(db::Connection& connection, int examId);

// The totals (1 to 3) of the exam that are recorded out of date, in ascending order.
std::vector<int> StaleTotals(db::Connection& connection, int examId);

} // namespace data
