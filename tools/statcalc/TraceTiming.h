#pragma once
// What the tracking benchmarks share: the sample school they run on (a file given on the command
// line, else a large one made in a temporary folder), the grade and class they trace, and the
// timing of a computation beside its traced SQL replayed bare through sqlite3.

#include "fixtures/SchoolFixture.h"
#include "platform/db/Connection.h"
#include "reports/ReportQueries.h"
#include "tools/statcalc/BareRunner.h"

#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <limits>
#include <vector>

struct Timing {
    double unitMs = std::numeric_limits<double>::max();
    double bareMs = std::numeric_limits<double>::max();
    int statements = 0;
};

inline double Ms(const std::function<void()>& run) {
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The best of `runs` of the computation and of its traced statements replayed bare, taken in turn
// so that both meet the same load and the same cache.
inline Timing Measure(int runs, BareRunner& bare, const std::function<void()>& run) {
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

// The school file and the number of runs from `[school.mdb] [runs]`; without an existing file a
// large school is made (in `dir` when no name was given).
inline QString BenchSchool(int argc, char** argv, const QTemporaryDir& dir, int& runs) {
    QString path;
    runs = 5;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg.endsWith(QLatin1String(".mdb")))
            path = arg;
        else
            runs = std::max(1, arg.toInt());
    }
    if (path.isEmpty() || !QFile::exists(path)) {
        if (path.isEmpty())
            path = dir.filePath(QStringLiteral("veltora.mdb"));
        QElapsedTimer timer;
        timer.start();
        const fixtures::SchoolInfo school = fixtures::MakeSchool(path, fixtures::LargeSchool());
        std::printf("made %s: %d score rows in %.1f s\n", qPrintable(path), school.scoreRows,
                    timer.elapsed() / 1000.0);
    }
    return path;
}

struct TracedClass {
    QString grade;
    int cls = 0;
};

// The grade with the most exams and its largest class.
inline TracedClass BusiestClass(db::Connection& conn) {
    TracedClass out;
    db::Recordset g = conn.Execute(QStringLiteral(
        "select grade, count(*) as n from tavrinKSLB group by grade order by n desc, grade limit 1"));
    out.grade = g.Field(0).ToString();
    db::Recordset c = conn.Execute(QStringLiteral("select class, count(*) as n from tavrinName where grade=? "
                                                  "group by class order by n desc, class limit 1"),
                                   out.grade);
    out.cls = c.Field(0).ToInt();
    return out;
}
