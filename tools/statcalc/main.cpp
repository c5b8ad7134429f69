// Runs the report computations on a database file for one exam and its subjects, prints each table
// as tab-separated text with its time, and times the same SQL run bare through sqlite3.
//   statcalc <database> [--exam ID] [--subjects 1,2,...] [--runs N] [--no-tables] [--password TEXT]
//            [--exit-exam ID] [--only TEXT] [--no-cell-reference]
// Every figure is against a reference, which its line names: the bare SQL of the same statements,
// and for the class and grade score lists also the per-cell count replay, the list and one count
// query per rank cell as the designed dialogs fetch them. That replay grows with the square of the
// list (minutes for a grade of ten thousand); --no-cell-reference leaves it out. It runs with the
// lists it serves, so --only leaves it out with them.
// The exam defaults to the lowest id, the subjects to all (at most 50). It writes the exam's valid
// totals: sum1, sum2 and sum3 each become the total of the chosen subjects. With --exit-exam it
// also evaluates the teaching effect from the exam to the exit exam, by both methods, for the
// first chosen subject. The normality and significance tests run on the first chosen subject, the
// qualifying lines on every chosen subject for each range and object. With --only it runs only the
// computations whose name holds TEXT (the valid totals are written all the same, untimed).

#include "analysis/NormalityTests.h"
#include "analysis/QualifyLines.h"
#include "analysis/TeachEval.h"
#include "data/ExamChooser.h"
#include "data/TextCipher.h"
#include "platform/db/Connection.h"
#include "platform/res/StringTable.h"
#include "reports/AnalysisParams.h"
#include "reports/BasicStats.h"
#include "reports/ClassStandardScores.h"
#include "reports/ClassSubjectTables.h"
#include "reports/ExcellentRates.h"
#include "reports/Format.h"
#include "reports/ReportDialogSupport.h"
#include "reports/ReportQueries.h"
#include "reports/ScoreBands.h"
#include "reports/ScorePrint.h"
#include "reports/ScoreReport.h"
#include "reports/ValidTotals.h"
#include "tools/statcalc/BareRunner.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <functional>
#include <limits>

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: statcalc <database> [--exam ID] [--subjects 1,2,...] [--runs N] [--no-tables] "
                 "[--password TEXT] [--exit-exam ID] [--only TEXT] [--no-cell-reference]\n");
    return 2;
}

double Ms(const std::function<void()>& run) {
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

struct Figure {
    QString name;
    double unitMs = 0;
    double bareMs = 0; // the bare SQL of the same statements
    int statements = 0;
    double cellMs = -1; // the per-cell count replay, when it ran
    int cellStatements = 0;
};

const char* const kBareReference = "bare SQL of the same statements";
const char* const kCellReference = "per-cell count replay";

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QString path;
    QString password;
    bool havePassword = false;
    int examId = -1;
    int exitExamId = -1;
    std::vector<int> subjects;
    int runs = 5;
    bool tables = true;
    bool cellReference = true;
    QString only;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        bool ok = true;
        if (a == QStringLiteral("--exam") && hasValue) {
            examId = args[++i].toInt(&ok);
        } else if (a == QStringLiteral("--exit-exam") && hasValue) {
            exitExamId = args[++i].toInt(&ok);
        } else if (a == QStringLiteral("--subjects") && hasValue) {
            for (const QString& s : args[++i].split(u',', Qt::SkipEmptyParts)) {
                const int no = s.toInt(&ok);
                if (!ok || no < 1 || no > CAnalysisContext::kMaxSubjects)
                    return Usage();
                subjects.push_back(no);
            }
        } else if (a == QStringLiteral("--runs") && hasValue) {
            runs = args[++i].toInt(&ok);
            ok = ok && runs >= 1;
        } else if (a == QStringLiteral("--password") && hasValue) {
            password = args[++i];
            havePassword = true;
        } else if (a == QStringLiteral("--only") && hasValue) {
            only = args[++i];
        } else if (a == QStringLiteral("--no-tables")) {
            tables = false;
        } else if (a == QStringLiteral("--no-cell-reference")) {
            cellReference = false;
        } else if (a.startsWith(u'-') || !path.isEmpty()) {
            return Usage();
        } else {
            path = a;
        }
        if (!ok)
            return Usage();
    }
    if (path.isEmpty())
        return Usage();

    try {
        CTextCipher cipher;
        if (!havePassword)
            password = cipher.DecodeText(res::LoadString(106), res::LoadString(61000));
        db::Connection conn;
        conn.OpenFile(path, password);
        db::Connection bareConn; // a second connection for the bare runs: same file, same SQL functions
        bareConn.OpenFile(path, password);
        BareRunner bare(bareConn.Handle());

        CAnalysisContext context;
        const std::vector<data::ExamEntry> exams = data::ExamEntries(conn, cipher);
        if (exams.empty())
            throw std::runtime_error("the database has no exam");
        if (examId == -1)
            examId = std::min_element(exams.begin(), exams.end(), [](const auto& a, const auto& b) {
                         return a.id < b.id;
                     })->id;
        const auto exam = std::find_if(exams.begin(), exams.end(),
                                       [&](const data::ExamEntry& e) { return e.id == examId; });
        if (exam == exams.end())
            throw std::runtime_error("no exam with id " + std::to_string(examId));
        context.m_nAnalysisExamId = examId;
        context.m_strAnalysisExam = exam->text;
        if (subjects.empty())
            for (const reports::SubjectRow& row : reports::SubjectRows(conn, cipher, context))
                subjects.push_back(row.number);
        for (const int no : subjects)
            context.m_aSubjectSelected[no - 1] = 1;
        context.m_nSelectedSubjects =
            int(std::count(context.m_aSubjectSelected.begin(), context.m_aSubjectSelected.end(), 1));
        subjects = context.ParticipatingSubjects();
        std::printf("exam %d %s, %d subjects, best of %d runs\n", examId, qPrintable(exam->text),
                    int(subjects.size()), runs);

        std::deque<Figure> figures; // the lists' figures take their second reference later
        // Each computation: once traced (its table printed), then timed against its SQL run bare.
        // Returns the figure, or nothing when --only leaves the computation out.
        const auto measure = [&](const QString& name, const std::function<void(CReportTable&)>& compute,
                                 bool writes, const std::function<CReportTable()>& summary = {}) -> Figure* {
            if (!only.isEmpty() && !name.contains(only)) {
                CReportTable scratch;
                if (writes) // what the others read, written once untimed
                    compute(scratch);
                return nullptr;
            }
            CReportTable table;
            std::vector<reports::TracedStatement> statements;
            {
                reports::CSqlTrace trace;
                compute(table);
                statements = trace.Statements();
            }
            if (summary)
                table = summary();
            Figure f{name, std::numeric_limits<double>::max(), std::numeric_limits<double>::max(),
                     int(statements.size())};
            const auto runBare = [&] {
                if (writes)
                    bare.Exec("BEGIN");
                for (const reports::TracedStatement& s : statements)
                    bare.Run(s);
                if (writes)
                    bare.Exec("COMMIT");
            };
            for (int i = 0; i < runs; ++i) { // alternating keeps a busy machine from favouring either
                CReportTable scratch;
                f.unitMs = std::min(f.unitMs, Ms([&] { compute(scratch); }));
                f.bareMs = std::min(f.bareMs, Ms(runBare));
            }
            std::printf("\n== %s\n", qPrintable(name));
            if (tables) {
                if (!table.caption.isEmpty())
                    std::printf("%s\n", qPrintable(table.caption));
                std::fputs(table.ToTabSeparated().toUtf8().constData(), stdout);
            }
            std::printf("time: %.2f ms; reference, %s (%d through sqlite3): %.2f ms; ratio %.2f\n", f.unitMs,
                        kBareReference, f.statements, f.bareMs, f.unitMs / f.bareMs);
            figures.push_back(f);
            return &figures.back();
        };

        const QStringList totalNames = reports::TotalTypeItems();
        for (int type = 0; type < 3; ++type) {
            const QString sum = reports::TotalColumn(type + 1);
            const auto summary = [&] {
                db::Recordset rs = conn.Execute(
                    QStringLiteral("SELECT count(%1), min(%1), max(%1), avg(%1) FROM tavrinKSK WHERE id=?")
                        .arg(sum),
                    examId);
                CReportTable t(2, 4);
                const char* titles[] = {"count", "min", "max", "avg"};
                for (int c = 0; c < 4; ++c) {
                    t.SetText(0, c, QString::fromLatin1(titles[c]));
                    t.SetText(1, c, rs.Field(c).ToString());
                }
                return t;
            };
            measure(
                QStringLiteral("valid totals %1 (%2)").arg(totalNames[type], sum),
                [&](CReportTable&) { reports::ComputeValidTotals(conn, examId, type, subjects); }, true,
                summary);
        }
        const QStringList statistics = reports::StatisticItems(reports::kGradeStats);
        for (int accum : {reports::kStreamRows, reports::kGradeRow})
            for (int s = 0; s < 5; ++s)
                measure(
                    QStringLiteral("basic statistics %1, %2").arg(statistics[s], accum ? "文理" : "年级"),
                    [&](CReportTable& t) {
                        reports::ComputeGradeStats(conn, cipher, context,
                                                   {reports::Statistic(s), accum, true}, t);
                    },
                    false);
        measure(
            QStringLiteral("class ranks 平均分, 文理"),
            [&](CReportTable& t) {
                reports::ComputeGradeRanks(conn, cipher, context,
                                           {reports::Statistic::Avg, reports::kStreamRows}, t);
            },
            false);
        measure(
            QStringLiteral("class-by-subject table"),
            [&](CReportTable& t) { reports::ComputeClassSubjectTable(conn, cipher, context, t); }, false);
        measure(
            QStringLiteral("subject-by-class table"),
            [&](CReportTable& t) { reports::ComputeSubjectClassTable(conn, cipher, context, t); }, false);
        measure(
            QStringLiteral("class standard scores"),
            [&](CReportTable& t) { reports::ComputeClassStandardScores(conn, cipher, context, t); }, false);

        // The score lists: one class of about 60 students in each score-report mode, the same class
        // with every rank column and as slips, and the whole grade with every rank column.
        int listClass = 1;
        {
            db::Recordset rs = conn.Execute(
                QStringLiteral("SELECT class FROM tavrinKSK WHERE id=? and class is not null GROUP BY class "
                               "ORDER BY abs(count(*)-60), class LIMIT 1"),
                examId);
            if (!rs.IsEOF())
                listClass = rs.Field(0).ToInt();
        }
        const QStringList modeNames = {QStringLiteral("单科成绩单"), QStringLiteral("标准分"),
                                       QStringLiteral("T分数"), QStringLiteral("标准化")};
        for (int mode = 0; mode < 4; ++mode)
            measure(
                QStringLiteral("score report %1, class %2").arg(modeNames[mode]).arg(listClass),
                [&](CReportTable& t) {
                    reports::ScoreReportOptions o;
                    o.mode = mode;
                    o.subject = subjects.front();
                    o.subjectName = QStringLiteral("s%1").arg(subjects.front());
                    o.classNo = listClass;
                    t = reports::InitialScoreReportTable();
                    reports::ListScoreReport(conn, context, o, t);
                },
                false);
        std::vector<Figure*> classLists;
        for (int mode = 0; mode < 2; ++mode)
            classLists.push_back(measure(
                QStringLiteral("class score list%1, class %2, every rank column")
                    .arg(mode ? QStringLiteral(" as slips") : QString())
                    .arg(listClass),
                [&](CReportTable& t) {
                    reports::ListScorePrint(conn, cipher, context,
                                            reports::ClassScorePrintOptions(listClass, 2, 3, 5, 0, 0, mode),
                                            t);
                },
                false));
        // The per-cell count replay: the same lists as the designed dialogs query them, the list,
        // then one count per rank cell; a second reference for the lists' figures.
        const auto countQueries = [&](int classNo, bool classRanks, const std::vector<Figure*>& lists) {
            if (!cellReference || std::count(lists.begin(), lists.end(), nullptr) == int(lists.size()))
                return;
            std::vector<reports::TracedStatement> statements;
            QString list = QStringLiteral("select * FROM tavrinKSK WHERE id=?");
            std::vector<db::Variant> listParams{examId};
            if (classNo >= 0) {
                list += QStringLiteral(" and class=?");
                listParams.emplace_back(classNo);
            }
            list += QStringLiteral(" order by sum3 desc");
            statements.push_back({list, listParams});
            const auto count = [&](const QString& column, const db::Variant& value, bool inClass) {
                if (value.IsNull())
                    return;
                QString sql = QStringLiteral("select count(*) as rank FROM tavrinKSK WHERE id=?");
                std::vector<db::Variant> params{examId};
                if (inClass) {
                    sql += QStringLiteral(" and class=?");
                    params.emplace_back(classNo);
                }
                sql += QStringLiteral(" and %1>%2").arg(column, reports::Format62(value.ToDouble()));
                statements.push_back({sql, params});
            };
            for (db::Recordset rs = conn.Execute(list, listParams); !rs.IsEOF(); rs.MoveNext()) {
                count(QStringLiteral("sum3"), rs.Field(QStringLiteral("sum3")), false);
                if (classRanks)
                    count(QStringLiteral("sum3"), rs.Field(QStringLiteral("sum3")), true);
                count(QStringLiteral("sum1"), rs.Field(QStringLiteral("sum1")), false);
                count(QStringLiteral("sum2"), rs.Field(QStringLiteral("sum2")), false);
                for (const int no : subjects)
                    count(reports::ScoreColumn(no), rs.Field(reports::ScoreColumn(no)), classRanks);
            }
            double best = std::numeric_limits<double>::max();
            for (int i = 0; i < runs; ++i)
                best = std::min(best, Ms([&] {
                                    for (const reports::TracedStatement& st : statements)
                                        bare.Run(st);
                                }));
            const QString whose =
                classNo >= 0 ? QStringLiteral("class %1").arg(classNo) : QStringLiteral("grade");
            std::printf("reference, %s (%d statements through sqlite3) of the %s list above: %.2f ms\n",
                        kCellReference, int(statements.size()), qPrintable(whose), best);
            for (Figure* f : lists)
                if (f) {
                    f->cellMs = best;
                    f->cellStatements = int(statements.size());
                    std::printf("  %s: %.2f ms; ratio %.2f\n", qPrintable(f->name), f->unitMs,
                                f->unitMs / best);
                }
        };
        countQueries(listClass, true, classLists);
        Figure* gradeList = measure(
            QStringLiteral("grade score list, every rank column"),
            [&](CReportTable& t) {
                reports::ListScorePrint(conn, cipher, context, reports::GradeScorePrintOptions(1, 1, 5, 0, 0),
                                        t);
            },
            false);

        countQueries(-1, false, {gradeList});

        // Excellent and pass rates and the top students' averages, by score and by proportion.
        const QStringList rateModes = {QStringLiteral("优生率"), QStringLiteral("及格率"),
                                       QStringLiteral("优生平均分")};
        for (int mode = 0; mode < 3; ++mode)
            for (int method = 0; method < 2; ++method) {
                reports::ExcellentRateOptions o;
                o.mode = mode;
                o.method = method;
                o.cut = reports::FloatEditText(reports::DefaultCut(mode, method));
                if (mode == reports::kTopAverage && method == reports::kCutByScore)
                    o.cut = QStringLiteral("80");
                measure(
                    QStringLiteral("%1 %2 %3")
                        .arg(rateModes[mode], method ? "按人数比例" : "按分数划定", o.cut),
                    [&](CReportTable& t) { reports::ComputeExcellentRates(conn, cipher, context, o, t); },
                    false);
            }

        // The score bands: the grade table of the first subject and of 总分, one class's table.
        const auto bands = [&](int subject, const QString& name) {
            measure(
                QStringLiteral("score bands %1, grade table").arg(name),
                [&](CReportTable& t) {
                    reports::ComputeGradeBands(conn, context, {subject, name, 0, 0, 10}, t);
                },
                false);
        };
        bands(subjects.front(), QStringLiteral("s%1").arg(subjects.front()));
        bands(-3, res::LoadString(57677));
        measure(
            QStringLiteral("score bands s%1, class %2").arg(subjects.front()).arg(listClass),
            [&](CReportTable& t) {
                reports::ComputeClassBands(conn, context, {subjects.front(), QString(), 0, 0, 10}, listClass,
                                           t);
            },
            false);

        // The normality and significance tests of the first subject, every class and every pair.
        const int highest = reports::HighestClass(conn, examId);
        for (const int mode : {normality::kNormality, normality::kSignificance})
            measure(
                QStringLiteral("%1 s%2, %3 classes%4")
                    .arg(normality::TestTitle(mode))
                    .arg(subjects.front())
                    .arg(highest)
                    .arg(mode == normality::kSignificance
                             ? QStringLiteral(", %1 pairs").arg(highest * (highest - 1) / 2)
                             : QString()),
                [&](CReportTable& t) {
                    t = normality::TestTable(mode, highest);
                    normality::RunTest(conn, mode, examId, subjects.front(), QString(), t);
                },
                false);

        // The qualifying lines: every range with both objects, X 30 (60 % for the share of the
        // full mark).
        const QStringList lineRanges = qualify::RangeItems();
        const QStringList objects = qualify::ObjectItems();
        for (int range = qualify::kGradeTop; range <= qualify::kPercentOfFull; ++range)
            for (const int object : {qualify::kCountByClass, qualify::kAverageByClass}) {
                const int x = range == qualify::kPercentOfFull ? 60 : 30;
                measure(
                    qualify::QualifyTitle(QString(), lineRanges[range], x, objects[object]),
                    [&](CReportTable& t) {
                        qualify::ComputeQualifyLines(conn, cipher, context, {range, object, x}, t);
                    },
                    false);
            }

        if (exitExamId != -1 && !subjects.empty()) {
            const int rows = reports::HighestClass(conn, exitExamId) + 1;
            const QStringList ranges = {QStringLiteral("全年级"), QStringLiteral("文科班"),
                                        QStringLiteral("理科班")};
            for (int range = teacheval::kWholeGrade; range <= teacheval::kScience; ++range)
                measure(
                    QStringLiteral("teaching evaluation M, exams %1 → %2, subject %3, %4")
                        .arg(examId)
                        .arg(exitExamId)
                        .arg(subjects.front())
                        .arg(ranges[range]),
                    [&](CReportTable& t) {
                        t = teacheval::EmptyTable(teacheval::kMethodM, rows);
                        teacheval::RunMAnalysis(conn, {examId, exitExamId, subjects.front(), range}, t);
                    },
                    false);
            measure(
                QStringLiteral("teaching evaluation F, exams %1 → %2, subject %3")
                    .arg(examId)
                    .arg(exitExamId)
                    .arg(subjects.front()),
                [&](CReportTable& t) {
                    t = teacheval::EmptyTable(teacheval::kMethodF, rows);
                    teacheval::RunFAnalysis(
                        conn, {examId, exitExamId, subjects.front(), teacheval::kWholeGrade}, t);
                },
                false);
        }

        // One line per figure and reference.
        std::printf(
            "\n== figures (best of %d)\ncomputation\tms\treference\treference ms\tratio\tstatements\n", runs);
        for (const Figure& f : figures) {
            std::printf("%s\t%.2f\t%s\t%.2f\t%.2f\t%d\n", qPrintable(f.name), f.unitMs, kBareReference,
                        f.bareMs, f.unitMs / f.bareMs, f.statements);
            if (f.cellMs >= 0)
                std::printf("%s\t%.2f\t%s\t%.2f\t%.2f\t%d\n", qPrintable(f.name), f.unitMs, kCellReference,
                            f.cellMs, f.unitMs / f.cellMs, f.cellStatements);
        }
    } catch (const db::DbError& e) {
        std::fprintf(stderr, "statcalc: %s\n", qPrintable(e.Message()));
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "statcalc: %s\n", e.what());
        return 1;
    }
    return 0;
}
