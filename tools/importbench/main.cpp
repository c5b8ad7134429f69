// importbench                     times loading the import sources (the figures below)
// importbench dump FILE [TABLE]   lists the tables of a source file and prints one table
// importbench memory              the peak memory and time of loading two large workbooks: one of
//                                 65,535 rows × 30 columns of 300-character texts (1,000 distinct,
//                                 28 MB) and one of 65,536 × 256 numbers (every cell filled, 100 MB)
// importbench write texts|numbers FILE [LENGTH [COLUMNS]]   writes one of those workbooks (the
//                                 texts LENGTH characters long in COLUMNS columns, 300 and 30
//                                 unless given)
// importbench load FILE TABLE     loads a table as the import does (open, load, "select *") and
//                                 prints the time of each step, the program's and the reading
//                                 child's peak memory, the size of the temporary copy of the table
//                                 and the processor time of the program (its threads) and of the
//                                 reading children
// importbench select FILE TABLE [RUNS]   loads a table once and reads it back as the import does
//                                 ("select *") RUNS times (5 unless given): the median time
// importbench copies              the size of the temporary copy, the time and the peak memory of
//                                 loading three workbooks: one 30,000-character text in 500 × 4
//                                 cells (104 KB), the 28 MB text workbook above, and ten rows with
//                                 one number in IV65536 (6 KB)
//
// Figures: a 10,000-row table from a workbook and from a FoxPro table (open, load, select);
// the 512-row tables of the Jet 3 and Jet 4 test files and their time per 10,000 rows; and
// 10,000 lookups by student number as the score import makes them, without and with the index.
// libgsf's headers come before Qt's, which define "signals" as a word of their own.
#include <gsf/gsf.h>

#include "platform/import/Child.h"
#include "platform/import/Source.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <sys/resource.h>
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
        db::Recordset rs = importsrc::SelectLoaded(conn, chosen);
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
    return importsrc::SelectLoaded(conn, table).RecordCount();
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
        // The loaded sheet is read through a view; the numeric key goes into a table of its own.
        const QString byNumber = QStringLiteral("select P1,P2 from [Numbers] where trim(str(BJ2))='");
        conn.Execute(QStringLiteral("CREATE TABLE Numbers (BJ2 NUMBER, P1 NUMBER, P2 NUMBER)"));
        conn.Execute(QStringLiteral("INSERT INTO Numbers SELECT CAST(XH AS INTEGER), P1, P2 FROM [Sheet1$]"));
        const double plainText = TimeLookups(conn, byText, false, 1);
        const double plainNumber = TimeLookups(conn, byNumber, true, 1);
        importsrc::IndexColumn(conn, QStringLiteral("Sheet1$"), QStringLiteral("XH"),
                               importsrc::ColumnClass::Character);
        importsrc::IndexColumn(conn, QStringLiteral("Numbers"), QStringLiteral("BJ2"),
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

// ---- large workbooks ---------------------------------------------------------------------

// A BIFF8 workbook stream, record by record.
class Stream {
public:
    void U16(std::uint16_t v) {
        m_body.push_back(static_cast<char>(v & 0xFF)), m_body.push_back(static_cast<char>(v >> 8));
    }
    void U32(std::uint32_t v) {
        U16(static_cast<std::uint16_t>(v & 0xFFFF));
        U16(static_cast<std::uint16_t>(v >> 16));
    }
    void Bytes(const std::string& b) { m_body += b; }
    size_t BodySize() const { return m_body.size(); }
    void End(std::uint16_t type) {
        std::string head;
        head.push_back(static_cast<char>(type & 0xFF));
        head.push_back(static_cast<char>(type >> 8));
        head.push_back(static_cast<char>(m_body.size() & 0xFF));
        head.push_back(static_cast<char>(m_body.size() >> 8));
        m_out += head + m_body;
        m_body.clear();
    }
    std::string& Out() { return m_out; }

private:
    std::string m_body;
    std::string m_out;
};

constexpr std::uint16_t kMaxBody = 8224;

// 8-bit characters of a text of its own (a sheet name): length, flags, characters.
std::string ShortText(const std::string& s) {
    return std::string(1, static_cast<char>(s.size())) + std::string(1, '\0') + s;
}

// A workbook of one sheet, "Sheet1": `rows` × `columns` cells, each a shared string
// (`strings` distinct ones, of `length` characters) or, with no strings, a number.
std::string MakeWorkbook(std::uint32_t rows, std::uint16_t columns, std::uint32_t strings, size_t length) {
    Stream s;
    s.U16(0x0600), s.U16(0x0005), s.U32(0), s.U32(0), s.U32(0);
    s.End(0x0809); // BOF, globals
    const size_t boundSheetAt = s.Out().size();
    s.U32(0), s.U16(0), s.Bytes(ShortText("Sheet1"));
    s.End(0x0085); // BOUNDSHEET, its offset filled in below
    if (strings > 0) {
        // Each string whole in its record: a new CONTINUE where the next one does not fit.
        s.U32(rows * columns), s.U32(strings);
        std::uint16_t type = 0x00FC;
        for (std::uint32_t i = 0; i < strings; ++i) {
            std::string text = std::to_string(i) + ":";
            text.resize(length, static_cast<char>('a' + i % 26));
            if (s.BodySize() + 3 + text.size() > kMaxBody) {
                s.End(type);
                type = 0x003C;
            }
            s.U16(static_cast<std::uint16_t>(text.size()));
            s.Bytes(std::string(1, '\0') + text);
        }
        s.End(type);
    }
    s.End(0x000A); // EOF
    const std::uint32_t sheetAt = static_cast<std::uint32_t>(s.Out().size());
    std::memcpy(&s.Out()[boundSheetAt + 4], &sheetAt, 4);

    s.U16(0x0600), s.U16(0x0010), s.U32(0), s.U32(0), s.U32(0);
    s.End(0x0809); // BOF, worksheet
    s.U32(0), s.U32(rows), s.U16(0), s.U16(columns), s.U16(0);
    s.End(0x0200); // DIMENSIONS
    for (std::uint32_t r = 0; r < rows; ++r) {
        if (strings > 0) {
            for (std::uint16_t c = 0; c < columns; ++c) {
                s.U16(static_cast<std::uint16_t>(r)), s.U16(c), s.U16(0);
                s.U32((r * 7u + c * 13u) % strings);
                s.End(0x00FD); // LABELSST
            }
        } else {
            s.U16(static_cast<std::uint16_t>(r)), s.U16(0);
            for (std::uint16_t c = 0; c < columns; ++c)
                s.U16(0), s.U32(static_cast<std::uint32_t>(((r + c) % 100000) << 2 | 0x02));
            s.U16(static_cast<std::uint16_t>(columns - 1));
            s.End(0x00BD); // MULRK of whole numbers
        }
    }
    s.End(0x000A);
    return std::move(s.Out());
}

int Write(const QString& what, const QString& path, int length, int columns) {
    const std::string stream =
        what == QLatin1String("texts")
            ? MakeWorkbook(65535, static_cast<std::uint16_t>(columns), 1000, static_cast<size_t>(length))
            : MakeWorkbook(65536, 256, 0, 0);
    gsf_init();
    GError* error = nullptr;
    GsfOutput* file = gsf_output_stdio_new(QFile::encodeName(path).constData(), &error);
    if (!file) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    GsfOutfile* ole = gsf_outfile_msole_new(file);
    GsfOutput* book = gsf_outfile_new_child(ole, "Workbook", FALSE);
    gsf_output_write(book, stream.size(), reinterpret_cast<const guint8*>(stream.data()));
    gsf_output_close(book);
    g_object_unref(book);
    gsf_output_close(GSF_OUTPUT(ole)); // closes the file too
    g_object_unref(ole);
    g_object_unref(file);
    return 0;
}

// The processor time taken so far, in seconds: by the program itself, or by its children that
// have ended.
double CpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The process's peak resident size so far, in KB.
long long PeakKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

int Load(const QString& path, const QString& table) {
    QElapsedTimer timer;
    timer.start();
    const long long before = PeakKb();
    try {
        db::Connection conn;
        conn.OpenFile(QStringLiteral(":memory:"));
        importsrc::SourceFile file(path);
        const double opened = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        file.Load(table, conn);
        const double loaded = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        const long long loadPeak = PeakKb();
        const int rows =
            importsrc::SelectLoaded(conn, table).RecordCount();
        // The temporary database attached as "source" holds the loaded table.
        const double copy =
            static_cast<double>(conn.Execute(QStringLiteral("PRAGMA source.page_count")).Field(0).ToInt64() *
                                conn.Execute(QStringLiteral("PRAGMA source.page_size")).Field(0).ToInt64());
        std::printf("%d rows in %.2f s (opened in %.2f s, loaded in %.2f s more); program peak %lld MB (%lld MB before, %lld MB "
                    "once loaded, the rest the record set), reading child peak %llu MB; temporary copy "
                    "%.2f MB (%.1f× the file); processor time %.2f s in the program, %.2f s in the "
                    "children\n",
                    rows, static_cast<double>(timer.nsecsElapsed()) / 1e9, opened, loaded - opened,
                    PeakKb() / 1024,
                    before / 1024, loadPeak / 1024, importsrc::CountsOfChildren().peakKb / 1024,
                    copy / 1048576.0,
                    copy / static_cast<double>(std::max<qint64>(QFileInfo(path).size(), 1)),
                    CpuSeconds(RUSAGE_SELF), CpuSeconds(RUSAGE_CHILDREN));
    } catch (const db::DbError& e) {
        std::printf("error after %.2f s, program peak %lld MB: %s\n",
                    static_cast<double>(timer.nsecsElapsed()) / 1e9, PeakKb() / 1024,
                    qPrintable(e.Message()));
        return 1;
    } catch (const std::bad_alloc&) {
        std::printf("out of memory after %.2f s\n", static_cast<double>(timer.nsecsElapsed()) / 1e9);
        return 1;
    }
    return 0;
}

// The table loaded once, then read back as the import reads it, `runs` times.
int Select(const QString& path, const QString& table, int runs) {
    try {
        db::Connection conn;
        conn.OpenFile(QStringLiteral(":memory:"));
        importsrc::SourceFile file(path);
        file.Load(table, conn);
        int rows = 0;
        const double ms = Median([&] { rows = importsrc::SelectLoaded(conn, table).RecordCount(); }, runs);
        std::printf("%d rows read back in %.1f ms (median of %d)\n", rows, ms, runs);
    } catch (const db::DbError& e) {
        std::printf("error: %s\n", qPrintable(e.Message()));
        return 1;
    }
    return 0;
}

int Memory(const QString& self) {
    QTemporaryDir dir;
    for (const char* what : {"texts", "numbers"}) {
        const QString path = dir.filePath(QLatin1String(what) + QStringLiteral(".xls"));
        if (QProcess::execute(self, {QStringLiteral("write"), QLatin1String(what), path}) != 0)
            return 1;
        std::printf("workbook of %s, %.1f MB: ", what,
                    static_cast<double>(QFileInfo(path).size()) / 1048576.0);
        std::fflush(stdout);
        QProcess::execute(self, {QStringLiteral("load"), path, QStringLiteral("Sheet1$")});
        QFile::remove(path);
    }
    std::printf("goals: the text workbook within 300 MB and under 2 s; no source over 1 GB\n");
    return 0;
}

int Copies(const QString& self) {
    QTemporaryDir dir;
    if (QProcess::execute(QStringLiteral(VELTORA_PYTHON3),
                          {QStringLiteral(VELTORA_TEST_DATA "/import/make_sources.py"), dir.path(),
                           QStringLiteral("repeated.xls"), QStringLiteral("far.xls")}) != 0) {
        std::fprintf(stderr, "the generator failed (python3-xlwt and python3-dbf installed?)\n");
        return 1;
    }
    const QString texts = dir.filePath(QStringLiteral("texts.xls"));
    if (QProcess::execute(self, {QStringLiteral("write"), QStringLiteral("texts"), texts}) != 0)
        return 1;
    const std::pair<const char*, const char*> books[] = {
        {"repeated.xls", "one 30,000-character text in 500 × 4 cells"},
        {"texts.xls", "65,535 × 30 texts of 300 characters, 1,000 distinct"},
        {"far.xls", "ten rows and one number in IV65536"}};
    for (const auto& [name, what] : books) {
        const QString path = dir.filePath(QLatin1String(name));
        std::printf("%s, %.0f KB: ", what, static_cast<double>(QFileInfo(path).size()) / 1024.0);
        std::fflush(stdout);
        QProcess::execute(self, {QStringLiteral("load"), path, QStringLiteral("Sheet1$")});
    }
    std::printf("goals: every temporary copy within 10× its file (the first under 1 MB); the text "
                "workbook under 2 s and 300 MB; the far cell under 200 MB\n");
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
    if (args.size() == 2 && args.at(1) == QLatin1String("memory"))
        return Memory(app.applicationFilePath());
    if (args.size() == 2 && args.at(1) == QLatin1String("copies"))
        return Copies(app.applicationFilePath());
    if (args.size() >= 4 && args.size() <= 6 && args.at(1) == QLatin1String("write"))
        return Write(args.at(2), args.at(3), args.size() >= 5 ? args.at(4).toInt() : 300,
                     args.size() >= 6 ? std::clamp(args.at(5).toInt(), 1, 256) : 30);
    if (args.size() == 4 && args.at(1) == QLatin1String("load"))
        return Load(args.at(2), args.at(3));
    if ((args.size() == 4 || args.size() == 5) && args.at(1) == QLatin1String("select"))
        return Select(args.at(2), args.at(3), args.size() == 5 ? std::max(args.at(4).toInt(), 1) : kRuns);
    std::fprintf(stderr, "usage: importbench [dump FILE [TABLE] | memory | copies | write texts|numbers FILE "
                         "[LENGTH [COLUMNS]] | "
                         "load FILE TABLE | select FILE TABLE [RUNS]]\n");
    return 2;
}
