// Makes a sample school database for trying the program and for benchmarks.
//   mkschool <path> [--large] [--seed N] [--totals] [--no-edge-cases]

#include "fixtures/SchoolFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <exception>

namespace {

int Usage() {
    std::fprintf(stderr, "usage: mkschool <path> [--large] [--seed N] [--totals] [--no-edge-cases]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    fixtures::SchoolOptions options;
    QString path;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QStringLiteral("--large")) {
            const unsigned seed = options.seed;
            options = fixtures::LargeSchool();
            options.seed = seed;
        } else if (a == QStringLiteral("--seed") && i + 1 < args.size()) {
            bool ok = false;
            options.seed = args[++i].toUInt(&ok);
            if (!ok)
                return Usage();
        } else if (a == QStringLiteral("--totals")) {
            options.fillTotals = true;
        } else if (a == QStringLiteral("--no-edge-cases")) {
            options.includeEdgeCases = false;
        } else if (a.startsWith(u'-') || !path.isEmpty()) {
            return Usage();
        } else {
            path = a;
        }
    }
    if (path.isEmpty())
        return Usage();

    QElapsedTimer timer;
    timer.start();
    try {
        const fixtures::SchoolInfo info = fixtures::MakeSchool(path, options);
        const double seconds = timer.elapsed() / 1000.0;
        int classes = 0;
        for (const fixtures::GradeInfo& g : info.grades)
            classes += int(g.classes.size());
        std::printf("mkschool: wrote %s (seed %u)\n", qPrintable(path), options.seed);
        std::printf("  %d grades, %d classes, %d students, %d subjects, %d exams, %d score rows\n",
                    int(info.grades.size()), classes, info.students, int(info.subjects.size()),
                    int(info.exams.size()), info.scoreRows);
        for (const fixtures::GradeInfo& g : info.grades)
            std::printf("  grade %s %s: %d classes, %d students\n", qPrintable(g.code), qPrintable(g.name),
                        int(g.classes.size()), g.students);
        std::printf("  time: %.2f s\n", seconds);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mkschool: %s\n", e.what());
        return 1;
    }
    return 0;
}
