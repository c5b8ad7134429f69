// Times the score-tracking chart on the large sample school: a class traced over its grade's exams
// for each target (the subject's column, the roster's classes and the bars), and a student traced
// the same way (the column and the bars); each beside the same SQL replayed bare through sqlite3.
//
//   tracechartbench [school.mdb] [runs]
// Without a school file a large one is made in a temporary folder first (this takes a while).

#include "analysis/TrackQueries.h"
#include "data/TextCipher.h"
#include "fixtures/SchoolFixture.h"
#include "platform/db/Connection.h"
#include "reports/ReportQueries.h"
#include "tools/statcalc/TraceTiming.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <limits>
#include <optional>

namespace {

void Print(const QString& name, const Timing& t, int bars) {
    std::printf("%-30s %8.2f ms   sqlite3 %8.2f ms   ratio %.2f   %d statements, %d bars\n", qPrintable(name),
                t.unitMs, t.bareMs, t.bareMs > 0 ? t.unitMs / t.bareMs : 0.0, t.statements, bars);
}

int CountBars(const std::vector<std::optional<double>>& bars) {
    return int(std::count_if(bars.begin(), bars.end(), [](const auto& b) { return b.has_value(); }));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    int runs = 5;
    const QString path = BenchSchool(argc, argv, dir, runs);

    try {
        db::Connection conn;
        conn.OpenFile(path, fixtures::DatabasePassword());
        db::Connection bareConn;
        bareConn.OpenFile(path, fixtures::DatabasePassword());
        BareRunner bare(bareConn.Handle());
        CTextCipher cipher;

        // The grade with the most exams, its largest class and that class's first student.
        const TracedClass traced = BusiestClass(conn);
        const QString grade = traced.grade;
        const int cls = traced.cls;
        const std::vector<analysis::RosterStudent> roster = analysis::ClassRoster(conn, grade, cls);
        std::vector<int> examIds;
        for (const analysis::TrackExam& e : analysis::GradeExams(conn, cipher, grade))
            if (e.id && e.name)
                examIds.push_back(*e.id);
        if (roster.empty() || !roster.front().studentId || examIds.empty())
            throw std::runtime_error("the school has no class with exams");
        const QString student = *roster.front().studentId;
        // The first subject after the three totals.
        const QStringList subjects = analysis::TrackSubjects(conn, cipher);
        if (subjects.size() < 4)
            throw std::runtime_error("the school has no subject");
        const QString subject = subjects[3];
        std::printf("grade %s, class %d, student %s, subject %s: %zu exams\n", qPrintable(grade), cls,
                    qPrintable(student), qPrintable(subject), examIds.size());

        const QStringList targets = analysis::TraceTargetItems();
        for (int target = 0; target < targets.size(); ++target) {
            int bars = 0;
            const Timing t = Measure(runs, bare, [&] {
                const std::optional<QString> column = analysis::SubjectColumn(conn, cipher, subject);
                const std::vector<int> classes = analysis::RosterClasses(conn, grade, target);
                if (!column || std::find(classes.begin(), classes.end(), cls) == classes.end())
                    throw std::runtime_error("the class is refused");
                bars = CountBars(analysis::ClassTrace(conn, examIds, *column, cls, target));
            });
            Print(QStringLiteral("class ") + targets[target], t, bars);
        }
        for (int target = 0; target < targets.size(); ++target) {
            int bars = 0;
            const Timing t = Measure(runs, bare, [&] {
                const std::optional<QString> column = analysis::SubjectColumn(conn, cipher, subject);
                if (!column)
                    throw std::runtime_error("the subject names no column");
                bars = CountBars(analysis::StudentTrace(conn, examIds, *column, student, target));
            });
            Print(QStringLiteral("student ") + targets[target], t, bars);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tracechartbench: %s\n", e.what());
        return 1;
    }
    return 0;
}
