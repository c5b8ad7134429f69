#pragma once
// Source files for the import tests: the Access files kept in tests/data/access, the LibreOffice
// workbook in tests/data/import, and workbooks and FoxPro tables written by
// tests/data/import/make_sources.py.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace importtest {

// A file of tests/data/access.
QString AccessFile(const QString& name);

// A file of tests/data/import (formulas.xls, written by LibreOffice).
QString ImportFile(const QString& name);

// The bytes of a file (empty when it cannot be read), and a file written with `bytes`.
QByteArray ReadBytes(const QString& path);
bool WriteBytes(const QString& path, const QByteArray& bytes);

// Writes the named sources into `dir` ("school.xls", "stu.dbf", "nulls.dbf", "rows.xls:N",
// "rows.dbf:N", "blanks.xls:N"); false, with a test failure, when the generator fails.
bool MakeSources(const QString& dir, const QStringList& names);

// Copies `from` to `to` (replacing it), writable; false when it cannot.
bool CopyFile(const QString& from, const QString& to);

} // namespace importtest
