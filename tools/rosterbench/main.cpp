// rosterbench [--rows N]   times the roster import and the score imports on N rows (10,000)
//
// Figures: a roster of N rows imported from a workbook and from a FoxPro table (the source opened
// and loaded, every row checked and inserted); N marks imported by student number and by name and
// class into an exam of an N-student grade, with the whole exam's totals recomputed; the largest
// roster a workbook holds (65,535 rows under its header), with the peak memory of the program and
// of the reader's child process. Each figure is the median of five runs and names the rows it is
// for; the goals are set for 10,000 rows and are given only at that count.
#include "admin/ImportSource.h"
#include "admin/ScoreImport.h"
#include "admin/StudentRoster.h"
#include "fixtures/SchoolFixture.h"
#include "platform/db/Transaction.h"
#include "platform/import/Child.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <sqlite3.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

namespace {

constexpr int kGoalRows = 10000;
constexpr int kRuns = 5;
// A workbook holds 65,536 rows, the header among them.
constexpr int kLargestRows = 65535;

// The row count of the command line, or nothing when it is not a whole number in 1..kLargestRows.
std::optional<int> RowsOption(int argc, char** argv) {
    if (argc == 1)
        return kGoalRows;
    if (argc != 3 || QString::fromLocal8Bit(argv[1]) != QLatin1String("--rows"))
        return std::nullopt;
    bool ok = false;
    const int rows = QString::fromLocal8Bit(argv[2]).toInt(&ok);
    if (!ok || rows < 1 || rows > kLargestRows)
        return std::nullopt;
    return rows;
}

// " (goal < 2000 ms)" at the row count the goal is set for, nothing at any other.
QByteArray Goal(int rows, const char* goal) {
    return rows == kGoalRows ? QByteArray(" (goal ") + goal + ')' : QByteArray();
}

// The peak resident size of this process, in MB.
double PeakMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

double Median(const std::function<void()>& prepare, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Inserts the source's rows (first three columns: number, name, class) with one statement.
void BareInsert(db::Connection& conn, db::Recordset& rows, const QString& grade) {
    sqlite3* db = conn.Handle();
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO tavrinName(grade,studentid,name,class) VALUES(?,?,?,?)", -1, &insert,
                       nullptr);
    const QByteArray gradeText = grade.toUtf8();
    for (rows.MoveFirst(); !rows.IsEOF(); rows.MoveNext()) {
        const QByteArray id = rows.Field(0).ToString().toUtf8();
        const QByteArray name = rows.Field(1).ToString().toUtf8();
        sqlite3_bind_text(insert, 1, gradeText.constData(), int(gradeText.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, id.constData(), int(id.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(insert, 4, rows.Field(2).ToInt64());
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
}

int Bench(int rows) {
    QTemporaryDir dir;
    const QString n = QString::number(rows);
    if (QProcess::execute(QStringLiteral(VELTORA_PYTHON3),
                          {QStringLiteral(VELTORA_TEST_DATA "/import/make_sources.py"), dir.path(),
                           QStringLiteral("rows.xls:") + n, QStringLiteral("rows.dbf:") + n,
                           QStringLiteral("largest.xls:") + QString::number(kLargestRows)}) != 0) {
        std::fprintf(stderr, "the generator failed (python3-xlwt and python3-dbf installed?)\n");
        return 1;
    }
    try {
        fixtures::SchoolOptions options;
        options.grades = 1;
        options.classesPerGrade = 2;
        options.minStudents = options.maxStudents = 10;
        options.subjects = 3;
        options.examsPerGrade = 1;
        options.includeEdgeCases = false;
        const fixtures::SchoolInfo school =
            fixtures::MakeSchool(dir.filePath(QStringLiteral("veltora.mdb")), options);
        db::Connection conn;
        conn.OpenFile(school.path, fixtures::DatabasePassword());
        const QString grade = school.grades[0].code;

        const QStringList rosterMap{QStringLiteral("XH"), QStringLiteral("XM"), QString(),
                                    QStringLiteral("BJ")};
        const struct {
            const char* label;
            QString file;
            QString table;
        } sources[] = {
            {"workbook", dir.filePath(QStringLiteral("rows.xls")), QStringLiteral("Sheet1$")},
            {"FoxPro table", dir.filePath(QStringLiteral("rows.dbf")), QStringLiteral("rows.dbf")}};
        for (const auto& s : sources) {
            roster::ImportCount count;
            const double ms = Median([&] { conn.Execute(QStringLiteral("DELETE FROM tavrinName")); },
                                     [&] {
                                         admin::CImportSource source;
                                         source.Open(s.file);
                                         source.SelectTable(s.table);
                                         count =
                                             roster::ImportRoster(conn, source.Records(), rosterMap, grade);
                                     });
            // The least the import can cost: the same file read, and its rows inserted by one
            // statement prepared once, in one transaction, with no checks.
            const double bare = Median([&] { conn.Execute(QStringLiteral("DELETE FROM tavrinName")); },
                                       [&] {
                                           admin::CImportSource source;
                                           source.Open(s.file);
                                           source.SelectTable(s.table);
                                           BareInsert(conn, source.Records(), grade);
                                       });
            std::printf("roster import of %d rows from a %s: %d written, %d failed, %.1f ms%s; "
                        "reading it with a bare insert %.1f ms: %.2f times that%s\n",
                        rows, s.label, count.written, count.failed, ms, Goal(rows, "< 2000 ms").constData(),
                        bare, ms / bare, Goal(rows, "<= 3").constData());
        }

        {
            const double selfBefore = PeakMb();
            roster::ImportCount count;
            std::vector<double> reads;
            const double ms = Median([&] { conn.Execute(QStringLiteral("DELETE FROM tavrinName")); },
                                     [&] {
                                         QElapsedTimer read;
                                         read.start();
                                         admin::CImportSource source;
                                         source.Open(dir.filePath(QStringLiteral("largest.xls")));
                                         source.SelectTable(QStringLiteral("Sheet1$"));
                                         reads.push_back(static_cast<double>(read.nsecsElapsed()) / 1e6);
                                         count =
                                             roster::ImportRoster(conn, source.Records(), rosterMap, grade);
                                     });
            std::sort(reads.begin(), reads.end());
            std::printf(
                "roster import of the largest workbook (%d rows): %d written, %d failed, %.1f ms (goal < "
                "1000 ms), of which reading the file %.1f ms; peak memory of the program %.0f MB "
                "(%.0f MB before), of the reader %.0f MB\n",
                kLargestRows, count.written, count.failed, ms, reads[reads.size() / 2], PeakMb(), selfBefore,
                static_cast<double>(importsrc::CountsOfChildren().peakKb) / 1024.0);
        }

        // An exam of a grade of `rows` students whose numbers and names are the workbook's.
        const int exam = school.exams[0].id;
        conn.Execute(QStringLiteral("DELETE FROM tavrinKSK"));
        scoreimport::Target target;
        {
            db::Transaction t(conn);
            for (int i = 0; i < rows; ++i) {
                const QString id = QString::asprintf("0200%05d", i);
                const QString name = QStringLiteral("学生%1").arg(i);
                const int cls = i % 20 + 1;
                conn.Execute(
                    QStringLiteral("INSERT INTO tavrinKSK(id,grade,studentid,name,class) VALUES(?,?,?,?,?)"),
                    exam, grade, id, name, cls);
                target.students.push_back({conn.LastInsertId(), id, name, QString::asprintf("%2d", cls)});
            }
            t.Commit();
        }
        target.examId = exam;
        target.field = QStringLiteral("s01");
        target.papers = {100, 60, 1.0f, 0.5f};
        target.cls = 0;
        admin::CImportSource source;
        source.Open(dir.filePath(QStringLiteral("rows.xls")));
        source.SelectTable(QStringLiteral("Sheet1$"));
        const struct {
            const char* label;
            int mode;
            QStringList texts;
        } imports[] = {
            {"by student number",
             admin::IMPORT_SCORES_BY_NUMBER,
             {QStringLiteral("XH[C]"), QStringLiteral("P1[N]"), QStringLiteral("P2[N]")}},
            {"by name and class",
             admin::IMPORT_SCORES_BY_NAME,
             {QStringLiteral("XM[C]"), QStringLiteral("BJ[N]"), QStringLiteral("P1[N]"),
              QStringLiteral("P2[N]")}},
        };
        for (const auto& im : imports) {
            scoreimport::ImportCount count;
            const double ms = Median([] {},
                                     [&] {
                                         count = scoreimport::ImportScores(conn, source.Records(), im.mode,
                                                                           im.texts, target);
                                     });
            std::printf("score import of %d rows %s into %d students: %d written, %d failed, %.1f ms%s\n",
                        rows, im.label, rows, count.written, count.failed, ms,
                        Goal(rows, "< 2000 ms").constData());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "error: %s\n", e.what());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::optional<int> rows = RowsOption(argc, argv);
    if (!rows) {
        std::fprintf(stderr,
                     "usage: rosterbench [--rows N]   N: rows of the roster and the marks, 1..%d (%d)\n",
                     kLargestRows, kGoalRows);
        return 2;
    }
    return Bench(*rows);
}
