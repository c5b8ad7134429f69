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

namespace {

void Print(const char* name, const Timing& t) {
    std::printf("%-28s %8.2f ms   sqlite3 %8.2f ms   ratio %.2f   %d statements\n", name, t.unitMs, t.bareMs,
                t.bareMs > 0 ? t.unitMs / t.bareMs : 0.0, t.statements);
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

        // The grade with the most exams, its largest class and a student of it.
        const TracedClass traced = BusiestClass(conn);
        const QString grade = traced.grade;
        const int cls = traced.cls;
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
