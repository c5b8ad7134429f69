#pragma once
// Source files for the import tests: the Access files kept in tests/data/access, the LibreOffice
// workbook in tests/data/import, the spreadsheet programs' workbooks in tests/data/workbooks, and
// workbooks and FoxPro tables written by tests/data/import/make_sources.py.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace importtest {

// A file of tests/data/access.
QString AccessFile(const QString& name);

// A file of tests/data/import (formulas.xls, written by LibreOffice).
QString ImportFile(const QString& name);

// The workbooks of tests/data/workbooks (each beside its FILE.expect.tsv), by file name, and the
// path of one.
QStringList WrittenWorkbooks();
QString WrittenWorkbook(const QString& name);

// The bytes of a file (empty when it cannot be read), and a file written with `bytes`.
QByteArray ReadBytes(const QString& path);
bool WriteBytes(const QString& path, const QByteArray& bytes);

// Writes the named sources into `dir` ("school.xls", "stu.dbf", "nulls.dbf", "rows.xls:N",
// "rows.dbf:N", "blanks.xls:N"); false, with a test failure, when the generator fails.
bool MakeSources(const QString& dir, const QStringList& names);

// Copies `from` to `to` (replacing it), writable; false when it cannot.
bool CopyFile(const QString& from, const QString& to);

// A FoxPro table as dBase and FoxPro write it, byte by byte, so that a test can put into it what
// no library writes: its fields ("XH C(9)", "P1 N(5,1)"), its records as the texts of their
// fields, each padded to its field's width with blanks on the left of a number and on the right
// of a text ("*****" stands as it is given), and the end-of-file mark 0x1A behind them. The
// header counts the records given unless `count` says another number. Texts are Latin-1.
QByteArray FoxProTable(const QStringList& fields, const std::vector<QStringList>& records, int count = -1);

} // namespace importtest
