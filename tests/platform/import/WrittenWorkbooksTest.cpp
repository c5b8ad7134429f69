// The workbooks of tests/data/workbooks, written by spreadsheet programs (see the README there):
// each reads whole through the program's reading path, every sheet's table cell by cell as its
// FILE.expect.tsv says: the sheets in order, the header's names, the number of rows and each
// cell's value.

#include "platform/import/Reader.h"
#include "platform/import/Source.h"
#include "tests/platform/import/SourceFiles.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QFile>

#include <cctype>
#include <cmath>
#include <string>
#include <vector>

namespace {

// A sheet as FILE.expect.tsv gives it: "#sheet NAME ROWS", then the header and the rows, each a
// line of cells ("s:TEXT" a text, "n:NUMBER" a number, "e:" an error value, "" an empty cell).
struct ExpectedSheet {
    QString name;
    int rows = 0;
    std::vector<QStringList> lines;
};

std::vector<ExpectedSheet> ReadExpected(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    std::vector<ExpectedSheet> sheets;
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1String("#sheet "))) {
            const QString rest = line.mid(7);
            const qsizetype space = rest.lastIndexOf(u' ');
            sheets.push_back({rest.left(space), rest.mid(space + 1).toInt(), {}});
        } else if (!sheets.empty()) {
            sheets.back().lines.push_back(line.split(u'\t'));
        }
    }
    return sheets;
}

// A number formatted as a date reads as its day ("2024-05-06"), with its time where it has one.
QString DateOfSerial(double days) {
    const double whole = std::floor(days);
    const long long ms = std::llround((days - whole) * 86400.0) * 1000;
    const QDate date = QDate(1899, 12, 30).addDays(static_cast<qint64>(whole));
    return importsrc::DateTimeText(date.year(), date.month(), date.day(), ms);
}

// Why the loaded value `actual` of a column of `type` is not the expected cell; empty when it is.
QString Mismatch(const QString& expected, const db::Variant& actual, const QString& type, bool errorCell) {
    const QString value = expected.mid(2);
    const bool number = actual.Type() == db::VariantType::Integer || actual.Type() == db::VariantType::Real;
    const bool text = actual.Type() == db::VariantType::Text;
    if (expected.isEmpty())
        return actual.IsNull() ? QString() : QStringLiteral("not empty");
    if (expected.startsWith(QLatin1String("e:")))
        return actual.IsNull() && errorCell ? QString() : QStringLiteral("no error cell");
    if (expected.startsWith(QLatin1String("s:"))) {
        if (text && actual.ToString() == value)
            return {};
        // A column of numbers takes a text that reads as a number for that number.
        double parsed = 0;
        if (number && type == QLatin1String(importsrc::kNumber) && importsrc::ParseNumber(value, &parsed) &&
            parsed == actual.ToDouble())
            return {};
        return QStringLiteral("not the text");
    }
    if (expected.startsWith(QLatin1String("n:"))) {
        const double n = value.toDouble();
        if (number && actual.ToDouble() == n)
            return {};
        if (text && actual.ToString() == DateOfSerial(n))
            return {};
        return QStringLiteral("not the number");
    }
    return QStringLiteral("unknown expectation");
}

class WrittenWorkbook : public ::testing::TestWithParam<QString> {};

TEST_P(WrittenWorkbook, ReadsWholeCellByCell) {
    const QString name = GetParam();
    const QString path = importtest::WrittenWorkbook(name);
    const std::vector<ExpectedSheet> expected = ReadExpected(path + QStringLiteral(".expect.tsv"));
    ASSERT_FALSE(expected.empty());
    try {
        importsrc::SourceFile file(path);
        QStringList tables;
        for (const ExpectedSheet& sheet : expected)
            tables << sheet.name + QLatin1Char('$');
        ASSERT_EQ(file.Tables(), tables);
        db::Connection conn;
        conn.OpenFile(QStringLiteral(":memory:"));
        for (const ExpectedSheet& sheet : expected) {
            SCOPED_TRACE(sheet.name.toStdString());
            const QString table = sheet.name + QLatin1Char('$');
            file.Load(table, conn);
            const importsrc::ErrorCells errors = file.LoadedErrorCells();
            db::Recordset rs = conn.Execute(QStringLiteral("SELECT * FROM ") + importsrc::QuoteName(table));
            const int fields = rs.FieldCount();
            // Columns past the table's are empty in every row.
            for (const QStringList& line : sheet.lines)
                for (qsizetype c = fields; c < line.size(); ++c)
                    EXPECT_EQ(line[c], QString()) << "column " << c + 1 << " not loaded";
            if (!sheet.lines.empty()) {
                const QStringList& header = sheet.lines.front();
                for (int c = 0; c < fields && c < header.size(); ++c) {
                    // A header cell names its column; an empty one leaves the name to the reader.
                    const QString& cell = header[c];
                    const QString name = cell.startsWith(QLatin1String("n:"))
                                             ? importsrc::NumberText(cell.mid(2).toDouble())
                                             : cell.mid(2);
                    if (!cell.isEmpty()) {
                        EXPECT_EQ(rs.FieldName(c), name) << "header, column " << c + 1;
                    }
                }
            }
            int row = 0;
            for (; !rs.IsEOF(); rs.MoveNext()) {
                ++row;
                const QStringList line = static_cast<size_t>(row) < sheet.lines.size()
                                             ? sheet.lines[static_cast<size_t>(row)]
                                             : QStringList();
                for (int c = 0; c < fields; ++c) {
                    const QString cell = line.value(c);
                    const db::Variant value = rs.Field(c);
                    const QString wrong = Mismatch(cell, value, rs.FieldType(c), errors.count({row, c}) > 0);
                    EXPECT_TRUE(wrong.isEmpty())
                        << "row " << row << ", column " << c + 1 << ": " << wrong.toStdString()
                        << ": expected \"" << cell.toStdString() << "\", read \""
                        << value.ToString().toStdString() << "\" of " << rs.FieldType(c).toStdString();
                }
            }
            EXPECT_EQ(row, sheet.rows);
        }
    } catch (const db::DbError& e) {
        FAIL() << e.Message().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Each, WrittenWorkbook, ::testing::ValuesIn(importtest::WrittenWorkbooks()),
                         [](const ::testing::TestParamInfo<QString>& info) {
                             std::string name = info.param.chopped(4).toStdString();
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

} // namespace
