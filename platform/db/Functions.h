#pragma once
// SQL functions and the collation that the program's SQL dialect has and SQLite lacks; registered
// on every connection when it opens.

#include <optional>
#include <vector>

#include <QString>

struct sqlite3;

namespace db {

void RegisterFunctions(sqlite3* handle);

// The arithmetic behind the SQL functions, for tests and for callers that compute the same value
// outside SQL.
std::optional<double> SampleStdev(const std::vector<double>& values); // NULL below two values
QString JetStr(double value); // str(): leading blank for non-negative numbers
QString JetMid(const QString& s, long long start, std::optional<long long> length);

} // namespace db
