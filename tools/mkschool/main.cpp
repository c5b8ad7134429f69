// Makes a sample school database for trying the program and for benchmarks.
//   mkschool <path> [--large] [--seed N] [--totals] [--no-edge-cases] [--grades N] [--classes N]
//            [--students N | --min-students N --max-students N] [--exams N]
// The sizes count classes per grade, students per class and exams per grade; they apply on top of
// --large wherever they stand.

#include "fixtures/SchoolFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <exception>
#include <optional>
#include <stdexcept>

namespace {

int Usage() {
    std::fprintf(stderr, "usage: mkschool <path> [--large] [--seed N] [--totals] [--no-edge-cases] "
                         "[--grades N] [--classes N] [--students N | --min-students N --max-students N] "
                         "[--exams N]\n");
    return 2;
}

struct Sizes {
    std::optional<int> grades, classes, minStudents, maxStudents, exams;

    void ApplyTo(fixtures::SchoolOptions& o) const {
        if (grades)
            o.grades = *grades;
        if (classes)
            o.classesPerGrade = *classes;
        if (minStudents)
            o.minStudents = *minStudents;
        if (maxStudents)
            o.maxStudents = *maxStudents;
        if (exams)
            o.examsPerGrade = *exams;
    }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    fixtures::SchoolOptions options;
    Sizes sizes;
    QString path;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        // A size: a whole number; its range is the fixture's to check.
        const auto size = [&](std::optional<int>& target) {
            if (i + 1 >= args.size())
                return false;
            bool ok = false;
            target = args[++i].toInt(&ok);
            return ok;
        };
        bool ok = true;
        if (a == QStringLiteral("--large")) {
            const unsigned seed = options.seed;
            options = fixtures::LargeSchool();
            options.seed = seed;
        } else if (a == QStringLiteral("--seed") && i + 1 < args.size()) {
            options.seed = args[++i].toUInt(&ok);
        } else if (a == QStringLiteral("--totals")) {
            options.fillTotals = true;
        } else if (a == QStringLiteral("--no-edge-cases")) {
            options.includeEdgeCases = false;
        } else if (a == QStringLiteral("--grades")) {
            ok = size(sizes.grades);
        } else if (a == QStringLiteral("--classes")) {
            ok = size(sizes.classes);
        } else if (a == QStringLiteral("--students")) {
            ok = size(sizes.minStudents);
            sizes.maxStudents = sizes.minStudents;
        } else if (a == QStringLiteral("--min-students")) {
            ok = size(sizes.minStudents);
        } else if (a == QStringLiteral("--max-students")) {
            ok = size(sizes.maxStudents);
        } else if (a == QStringLiteral("--exams")) {
            ok = size(sizes.exams);
        } else if (a.startsWith(u'-') || !path.isEmpty()) {
            ok = false;
        } else {
            path = a;
        }
        if (!ok)
            return Usage();
    }
    if (path.isEmpty())
        return Usage();
    sizes.ApplyTo(options);

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
    } catch (const std::invalid_argument& e) {
        // Sizes out of range: refused before any file is made.
        std::fprintf(stderr, "mkschool: %s\n", e.what());
        return Usage();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mkschool: %s\n", e.what());
        return 1;
    }
    return 0;
}
