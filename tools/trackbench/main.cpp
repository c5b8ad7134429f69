// Times the score history and the student tracking table on the large sample school: one
// student's search and history, and the tracking table of a whole class over all its grade's exams
// for each rank target; each beside the same SQL replayed bare through sqlite3.
//
//   trackbench [school.mdb] [runs]
// Without a school file a large one is made in a temporary folder first (this takes a while).

#include "analysis/ScoreHistory.h"
#include "analysis/TrackQueries.h"
#include "data/TextCipher.h"
#include "fixtures/SchoolFixture.h"
#include "platform/db/Connection.h"
#include "reports/ReportQueries.h"
#include "tools/statcalc/BareRunner.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <limits>

namespace {

struct Timing {
    double unitMs = std::numeric_limits<double>::max();
    double bareMs = std::numeric_limits<double>::max();
    int statements = 0;
};

double Ms(const std::function<void()>& run) {
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The best of `runs` of the computation and of its traced statements replayed bare, taken in turn
// so that both meet the same load and the same cache.
Timing Measure(int runs, BareRunner& bare, const std::function<void()>& run) {
    Timing t;
    for (int i = 0; i < runs; ++i) {
        std::vector<reports::TracedStatement> statements;
        {
            reports::CSqlTrace trace;
            t.unitMs = std::min(t.unitMs, Ms(run));
            statements = trace.Statements();
        }
        t.statements = int(statements.size());
        t.bareMs = std::min(t.bareMs, Ms([&] {
                                for (const auto& s : statements)
                                    bare.Run(s);
                            }));
    }
    return t;
}

void Print(const char* name, const Timing& t) {
    std::printf("%-28s %8.2f ms   sqlite3 %8.2f ms   ratio %.2f   %d statements\n", name, t.unitMs, t.bareMs,
                t.bareMs > 0 ? t.unitMs / t.bareMs : 0.0, t.statements);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString path;
    int runs = 5;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg.endsWith(QLatin1String(".mdb")))
            path = arg;
        else
            runs = std::max(1, arg.toInt());
    }
    QTemporaryDir dir;
    if (path.isEmpty() || !QFile::exists(path)) {
        if (path.isEmpty())
            path = dir.filePath(QStringLiteral("veltora.mdb"));
        QElapsedTimer timer;
        timer.start();
        const fixtures::SchoolInfo school = fixtures::MakeSchool(path, fixtures::LargeSchool());
        std::printf("made %s: %d score rows in %.1f s\n", qPrintable(path), school.scoreRows,
                    timer.elapsed() / 1000.0);
    }

    try {
        db::Connection conn;
        conn.OpenFile(path, fixtures::DatabasePassword());
        db::Connection bareConn;
        bareConn.OpenFile(path, fixtures::DatabasePassword());
        BareRunner bare(bareConn.Handle());
        CTextCipher cipher;

        // The grade with the most exams, its largest class and a student of it.
        db::Recordset g = conn.Execute(QStringLiteral(
            "select grade, count(*) as n from tavrinKSLB group by grade order by n desc, grade limit 1"));
        const QString grade = g.Field(0).ToString();
        db::Recordset c =
            conn.Execute(QStringLiteral("select class, count(*) as n from tavrinName where grade=? "
                                        "group by class order by n desc, class limit 1"),
                         grade);
        const int cls = c.Field(0).ToInt();
        const std::vector<analysis::TrackStudent> students = analysis::ClassStudents(conn, grade, cls);
        const std::vector<analysis::TrackExam> exams = analysis::GradeExams(conn, cipher, grade);
        if (students.empty() || exams.empty())
            throw std::runtime_error("the school has no class with exams");
        db::Recordset n = conn.Execute(QStringLiteral("select name from tavrinName where studentid=?"),
                                       students.front().studentId);
        const QString name = n.Field(0).ToString();
        db::Recordset gn =
            conn.Execute(QStringLiteral("select mydesc from tavrinGrade where gradeno=?"), grade);
        const QString gradeName = gn.Field(0).ToString();
        std::printf("grade %s, class %d: %zu students, %zu exams; student %s\n", qPrintable(grade), cls,
                    students.size(), exams.size(), qPrintable(students.front().studentId));

        int rows = 0;
        Print("search and history", Measure(runs, bare, [&] {
                  const QString code = analysis::FindGradeCode(conn, gradeName);
                  analysis::SearchStudents(conn, code, name.left(2));
                  rows =
                      analysis::ScoreHistory(conn, cipher, students.front().studentId, true).RowCount() - 1;
              }));
        std::printf("  (%d exam rows)\n", rows);

        std::vector<analysis::TrackedExam> tracked;
        for (std::size_t i = 0; i < exams.size(); ++i)
            if (exams[i].id && exams[i].name)
                tracked.push_back({int(i) + 1, *exams[i].id, QStringLiteral("1.0")});
        const QStringList targets = analysis::TrackTargetItems();
        for (int target = 0; target < targets.size(); ++target) {
            const QByteArray label = (QStringLiteral("tracking table ") + targets[target]).toUtf8();
            Print(label.constData(), Measure(runs, bare, [&] {
                      analysis::TrackTable(conn, students, tracked, QStringLiteral("sum3"), target);
                  }));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "trackbench: %s\n", e.what());
        return 1;
    }
    return 0;
}
