// importbench                     times loading the import sources (the figures below)
// importbench dump FILE [TABLE]   lists the tables of a source file and prints one table
//
// Figures: a 10,000-row table from a workbook and from a FoxPro table (open, load, select);
// the 512-row tables of the Jet 3 and Jet 4 test files and their time per 10,000 rows; and
// 10,000 lookups by student number as the score import makes them, without and with the index.
#include "platform/import/Source.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kRows = 10000;
constexpr int kRuns = 5;

int Dump(const QString& path, const QString& table) {
    try {
        importsrc::SourceFile file(path);
        const QStringList tables = file.Tables();
        std::printf("tables: %s\n", qPrintable(tables.join(QStringLiteral(" | "))));
        const QString chosen = table.isEmpty() ? tables.value(0) : table;
        db::Connection conn;
        conn.OpenFile(QStringLiteral(":memory:"));
        file.Load(chosen, conn);
        db::Recordset rs = conn.Execute(QStringLiteral("SELECT * FROM ") + importsrc::QuoteName(chosen));
        QStringList head;
        for (int c = 0; c < rs.FieldCount(); ++c)
            head << rs.FieldName(c) + QLatin1Char(':') + rs.FieldType(c);
        std::printf("%s\n", qPrintable(head.join(QLatin1Char(','))));
        for (; !rs.IsEOF(); rs.MoveNext()) {
            QStringList cells;
            for (int c = 0; c < rs.FieldCount(); ++c)
                cells << (rs.Field(c).IsNull() ? QStringLiteral("<NULL>") : rs.Field(c).ToString());
            std::printf("%s\n", qPrintable(cells.join(QLatin1Char(','))));
        }
    } catch (const db::DbError& e) {
        std::printf("error %d: %s\n", e.Code(), qPrintable(e.Message()));
        return 1;
    }
    return 0;
}

// Median of the runs, in milliseconds.
double Median(const std::function<void()>& work, int runs = kRuns) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Open, load and "select *", as the import road does.
int LoadOnce(const QString& path, const QString& table, db::Connection& conn) {
    importsrc::SourceFile file(path);
    file.Tables();
    file.Load(table, conn);
    return conn.Execute(QStringLiteral("SELECT * FROM ") + importsrc::QuoteName(table)).RecordCount();
}

double TimeLoad(const QString& path, const QString& table, int* rows) {
    return Median([&] {
        db::Connection conn;
        conn.OpenFile(QStringLiteral(":memory:"));
        *rows = LoadOnce(path, table, conn);
    });
}

// Without an index each lookup reads the whole table: one run of those is enough.
double TimeLookups(db::Connection& conn, const QString& sqlHead, bool numericKey, int runs) {
    return Median(
        [&] {
            for (int i = 0; i < kRows; ++i) {
                const QString number = QStringLiteral("0200%1").arg(i, 5, 10, QLatin1Char('0'));
                // The score import writes the student number into the statement text.
                conn.Execute(sqlHead + (numericKey ? QString::number(number.toLongLong()) : number) +
                             QLatin1Char('\''));
            }
        },
        runs);
}

int Bench() {
    QTemporaryDir dir;
    const QString python = QStringLiteral(VELTORA_PYTHON3);
    const QString script = QStringLiteral(VELTORA_TEST_DATA "/import/make_sources.py");
    const QString n = QString::number(kRows);
    if (QProcess::execute(python, {script, dir.path(), QStringLiteral("rows.xls:") + n,
                                   QStringLiteral("rows.dbf:") + n}) != 0) {
        std::fprintf(stderr, "the generator failed (python3-xlwt and python3-dbf installed?)\n");
        return 1;
    }
    try {
        int rows = 0;
        double ms = TimeLoad(dir.filePath(QStringLiteral("rows.xls")), QStringLiteral("Sheet1$"), &rows);
        std::printf("workbook, %d rows: %.1f ms (goal < 2000 ms)\n", rows, ms);
        ms = TimeLoad(dir.filePath(QStringLiteral("rows.dbf")), QStringLiteral("rows.dbf"), &rows);
        std::printf("FoxPro table, %d rows: %.1f ms (goal < 2000 ms)\n", rows, ms);

        for (const char* name : {"compIndexTestV1997.mdb", "compIndexTestV2000.mdb"}) {
            const QString path = QStringLiteral(VELTORA_TEST_DATA "/access/") + QLatin1String(name);
            const double open = Median([&] { importsrc::SourceFile(path).Tables(); });
            ms = TimeLoad(path, QStringLiteral("Table1"), &rows);
            std::printf("Access %s, %d rows: %.1f ms (opening and listing %.1f ms); "
                        "%.1f ms per 10,000 rows read\n",
                        name, rows, ms, open, (ms - open) * kRows / std::max(rows, 1));
        }

        db::Connection conn;
        conn.OpenFile(QStringLiteral(":memory:"));
        LoadOnce(dir.filePath(QStringLiteral("rows.xls")), QStringLiteral("Sheet1$"), conn);
        const QString byText = QStringLiteral("select P1,P2 from [Sheet1$] where XH='");
        const QString byNumber = QStringLiteral("select P1,P2 from [Sheet1$] where trim(str(BJ2))='");
        conn.Execute(QStringLiteral("ALTER TABLE [Sheet1$] ADD COLUMN BJ2 NUMBER"));
        conn.Execute(QStringLiteral("UPDATE [Sheet1$] SET BJ2 = CAST(XH AS INTEGER)"));
        const double plainText = TimeLookups(conn, byText, false, 1);
        const double plainNumber = TimeLookups(conn, byNumber, true, 1);
        importsrc::IndexColumn(conn, QStringLiteral("Sheet1$"), QStringLiteral("XH"),
                               importsrc::ColumnClass::Character);
        importsrc::IndexColumn(conn, QStringLiteral("Sheet1$"), QStringLiteral("BJ2"),
                               importsrc::ColumnClass::Numeric);
        std::printf("10,000 lookups by a text key: %.1f ms without the index, %.1f ms with it\n", plainText,
                    TimeLookups(conn, byText, false, kRuns));
        std::printf("10,000 lookups by a numeric key: %.1f ms without the index, %.1f ms with it\n",
                    plainNumber, TimeLookups(conn, byNumber, true, kRuns));
    } catch (const db::DbError& e) {
        std::fprintf(stderr, "error: %s\n", qPrintable(e.Message()));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 3 && args.at(1) == QLatin1String("dump"))
        return Dump(args.at(2), args.value(3));
    if (args.size() == 1)
        return Bench();
    std::fprintf(stderr, "usage: importbench [dump FILE [TABLE]]\n");
    return 2;
}
