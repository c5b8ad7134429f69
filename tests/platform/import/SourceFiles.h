#pragma once
// Source files for the import tests: the Access files kept in tests/data/access, and workbooks
// and FoxPro tables written by tests/data/import/make_sources.py.

#include <QString>
#include <QStringList>

namespace importtest {

// A file of tests/data/access.
QString AccessFile(const QString& name);

// Writes the named sources into `dir` ("school.xls", "stu.dbf", "nulls.dbf", "rows.xls:N",
// "rows.dbf:N", "blanks.xls:N"); false, with a test failure, when the generator fails.
bool MakeSources(const QString& dir, const QStringList& names);

// Copies `from` to `to` (replacing it), writable; false when it cannot.
bool CopyFile(const QString& from, const QString& to);

} // namespace importtest
