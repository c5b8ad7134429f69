// Times the report output of a large table: a 2,000-row, 12-column grid fed through the event
// sink, paginated, and rendered to a PDF file, as a report dialog's print command does it.
//
//   reportbench [rows] [columns] [runs]
//   reportbench grade [classes] [students] [runs]
//   reportbench zoom [pages] [width] [height]
//
// The second form makes a sample grade (98 classes of 99 students by default: 9,700 score rows)
// and times the grade score printing dialog with every rank column: its 确定, and its 打印 from
// the click to the pages made. Without a display the pages go to a PDF file; on a display (run it
// under xvfb-run with QT_QPA_PLATFORM=xcb) the preview opens, and it is closed as soon as its
// first page has been painted in its window: the figure is the time from the click to the first
// page on screen. The memory the process holds is shown before the print and after the preview
// is closed. With VELTORA_REPORT_PDF set to a file path, the last PDF made stays in that file.
//
// The third form opens the preview of a 30-page report in a window of 1920 x 1080 (by default),
// zooms in as far as it goes and pages through every page, each painted in the window: it shows
// the time of the first page at the page's width and of each page at the largest zoom, the memory
// the preview's page images hold, and the most memory the process held. Run it with
// QT_SCALE_FACTOR=2 for a screen scaled 2x.

#include "report/GridReport.h"
#include "report/GridReportSink.h"
#include "report/ReportComponent.h"

#include "data/AppContext.h"
#include "fixtures/SchoolFixture.h"
#include "platform/profile/Profile.h"
#include "platform/report/Document.h"
#include "platform/report/Output.h"
#include "platform/report/PageChoice.h"
#include "platform/report/PreviewDialog.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/ModalRunner.h"
#include "reports/GradeScorePrintDlg.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPrinter>
#include <QTemporaryDir>

#include <unistd.h>

#include <fstream>
#include <string>
#include <memory>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

class Table final : public IReportRowSource {
public:
    Table(int rows, int columns) : m_rows(rows), m_columns(columns) {}
    int GetRowCount() const override { return m_rows; }
    int GetColumnCount() const override { return m_columns; }
    QString GetItemText(int r, int c) const override {
        if (r == 0)
            return c == 0 ? QStringLiteral("学号") : QStringLiteral("科目%1").arg(c);
        if (c == 0)
            return QStringLiteral("1200%1").arg(r, 5, 10, QChar('0'));
        return QString::number(40 + (r * 37 + c * 11) % 60 + 0.5, 'f', 2);
    }
    int GetColumnWidth(int c) const override { return c == 0 ? 90 : 60; }

private:
    int m_rows;
    int m_columns;
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The resident memory of the process, in MB.
double ResidentMb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// The most memory the process has held, in MB.
double PeakMb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atof(line.c_str() + 6) / 1024.0;
    return 0;
}

int GradeBench(int argc, char** argv) {
    const int classes = argc > 2 ? std::max(1, atoi(argv[2])) : 98;
    const int students = argc > 3 ? std::max(1, atoi(argv[3])) : 99;
    const int runs = argc > 4 ? std::max(1, atoi(argv[4])) : 5;

    QTemporaryDir dir;
    fixtures::SchoolOptions options;
    options.grades = 1;
    options.classesPerGrade = classes;
    options.minStudents = students;
    options.maxStudents = students;
    options.examsPerGrade = 1;
    options.fillTotals = true;
    const fixtures::SchoolInfo school =
        fixtures::MakeSchool(dir.filePath(QStringLiteral("veltora.mdb")), options);
    profile::UseMemoryStore();
    report::ForgetChosenPage();
    data::SetAppDirectory(dir.path() + u'/');
    auto connection = std::make_unique<db::Connection>();
    connection->OpenFile(school.path, fixtures::DatabasePassword());
    data::SetDatabase(std::move(connection));
    CAnalysisContext context;
    context.m_nAnalysisExamId = school.exams.front().id;
    context.m_strAnalysisExam = school.grades.front().name + u'|' + school.exams.front().name;
    context.m_nSelectedSubjects = int(school.subjects.size());
    for (int k = 0; k < context.m_nSelectedSubjects; ++k)
        context.m_aSubjectSelected[k] = 1;
    data::SetAnalysisContext(&context);
    ui::ScriptedMessageBoxes boxes;

    // On a display the preview closes once its first page is painted.
    const bool headless = QGuiApplication::platformName() == QLatin1String("offscreen") ||
                          QGuiApplication::platformName() == QLatin1String("minimal");
    std::unique_ptr<report::PdfOutput> pdf;
    // VELTORA_REPORT_PDF names a file that keeps the last PDF, to look at its pages.
    const QString kept = qEnvironmentVariable("VELTORA_REPORT_PDF");
    if (headless)
        pdf = std::make_unique<report::PdfOutput>(kept.isEmpty() ? dir.filePath(QStringLiteral("grade.pdf"))
                                                                 : kept);
    ui::SetQtDialogRunner([](QDialog& dialog) {
        dialog.show();
        QCoreApplication::processEvents();
        if (auto* preview = qobject_cast<report::PreviewDialog*>(&dialog)) {
            QElapsedTimer waited;
            waited.start();
            while (preview->PagesPainted() == 0 && waited.elapsed() < 10000)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        }
        dialog.close();
        return int(QDialog::Rejected);
    });

    std::vector<double> ok, print;
    double before = 0, after = 0;
    {
        CGradeScorePrintDlg dlg;
        dlg.OnInitDialog();
        dlg.GetDlgItem<QAbstractButton>(1074)->setChecked(true); // 总分名次 按年级
        dlg.GetDlgItem<QAbstractButton>(1075)->setChecked(true); // 单科名次 年名次
        dlg.StreamTotalBox()->setCurrentIndex(5);                // 文理年级名次
        for (int run = 0; run < runs; ++run) {
            QElapsedTimer t;
            t.start();
            dlg.OnOK();
            ok.push_back(t.nsecsElapsed() / 1e6);
        }
        before = ResidentMb();
        for (int run = 0; run < runs; ++run) {
            QElapsedTimer t;
            t.start();
            RunReportCommand(&dlg, [&] {
                dlg.BuildReport();
                dlg.ReportComponent().Report().Show(true);
            });
            print.push_back(t.nsecsElapsed() / 1e6);
        }
        after = ResidentMb();
        std::printf("grade of %d students, %d x %d grid with every rank column, median of %d runs:\n",
                    school.grades.front().students, dlg.m_nRows, dlg.m_nCols, runs);
    }
    std::printf("  确定                    %8.1f ms\n", Median(ok));
    std::printf("  打印 (%s)       %8.1f ms%s\n", headless ? "PDF file" : "preview ", Median(print),
                pdf ? qPrintable(QStringLiteral(", %1 pages").arg(pdf->LastPageCount())) : "");
    std::printf("  memory held before the print %6.0f MB, after it %6.0f MB, at most %6.0f MB\n", before,
                after, PeakMb());
    for (const QString& text : boxes.Texts())
        std::printf("  message: %s\n", qPrintable(text));
    return 0;
}

int ZoomBench(int argc, char** argv) {
    const int wanted = argc > 2 ? std::max(1, atoi(argv[2])) : 30;
    const int width = argc > 3 ? std::max(100, atoi(argv[3])) : 1920;
    const int height = argc > 4 ? std::max(100, atoi(argv[4])) : 1080;

    QTemporaryDir dir;
    CReportComponent component;
    CGridReportSink* sink = component.Create<CGridReportSink>(nullptr);
    report::IReport& rpt = component.Report();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("zoom.pdf")));
    // A first layout tells the rows a page holds.
    auto make = [&](const Table& table) {
        BuildGridReport(rpt, table,
                        {QStringLiteral("成绩单"), QString(), 0.26, report::CaptionsOnEveryPage, false});
        sink->SetRowSource(&table);
        rpt.Records().ClearRecords();
        sink->OnFetchRecord(nullptr);
        auto doc = std::make_unique<report::Document>(rpt.Definition(), rpt.Records());
        doc->SetupPrinter(printer);
        return doc;
    };
    const Table probe(1001, 12);
    int pages = make(probe)->Layout(18.0, 26.7);
    const Table table(1 + std::max(1, 1000 * wanted / std::max(1, pages)), 12);
    std::unique_ptr<report::Document> doc = make(table);

    const double before = ResidentMb();
    report::PreviewDialog dialog(*doc, printer, true);
    dialog.resize(width, height);
    auto* view = dialog.findChild<QAbstractScrollArea*>();
    QElapsedTimer t;
    t.start();
    dialog.show();
    QCoreApplication::processEvents();
    view->viewport()->repaint();
    const double first = t.nsecsElapsed() / 1e6;
    pages = dialog.PageCount();

    dialog.SetZoom(1e9); // as far as it goes
    std::vector<double> paging;
    for (int page = 0; page < pages; ++page) {
        t.restart();
        dialog.GoToPage(page);
        view->viewport()->repaint();
        paging.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("preview of %d pages in %d x %d at a pixel ratio of %.2f:\n", pages, width, height,
                view->devicePixelRatioF());
    std::printf("  first page at the page's width  %8.1f ms\n", first);
    std::printf("  a page at the largest zoom      %8.1f ms (median), %.1f ms at most\n", Median(paging),
                *std::max_element(paging.begin(), paging.end()));
    std::printf("  pages painted %d, page images drawn %zu\n", dialog.PagesPainted(),
                dialog.DrawnPages().size());
    std::printf("  memory held before the preview %6.0f MB, at the last page %6.0f MB, at most %6.0f MB\n",
                before, ResidentMb(), PeakMb());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "grade") == 0)
        return GradeBench(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "zoom") == 0)
        return ZoomBench(argc, argv);
    const int rows = argc > 1 ? std::max(1, atoi(argv[1])) : 2000;
    const int columns = argc > 2 ? std::max(1, atoi(argv[2])) : 12;
    const int runs = argc > 3 ? std::max(1, atoi(argv[3])) : 5;

    QTemporaryDir dir;
    const Table table(rows + 1, columns); // plus the title row
    CReportComponent component;
    CGridReportSink* sink = component.Create<CGridReportSink>(nullptr);
    sink->SetRowSource(&table);
    report::IReport& rpt = component.Report();

    std::vector<double> feed, paginate, render, total;
    int pages = 0;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer all;
        all.start();
        BuildGridReport(rpt, table,
                        {QStringLiteral("成绩单"), QString(), 0.26, report::CaptionsOnEveryPage, false});
        // Feed as Show does: the record-fetch event through the connected sink.
        QElapsedTimer t;
        t.start();
        rpt.Records().ClearRecords();
        sink->OnFetchRecord(nullptr);
        feed.push_back(t.nsecsElapsed() / 1e6);

        report::Document doc(rpt.Definition(), rpt.Records());
        t.restart();
        pages = doc.Layout(18.0, 26.7); // A4 within 1.5 cm margins
        paginate.push_back(t.nsecsElapsed() / 1e6);

        t.restart();
        const QString kept = qEnvironmentVariable("VELTORA_REPORT_PDF");
        if (!doc.WritePdf(kept.isEmpty() ? dir.filePath(QStringLiteral("bench.pdf")) : kept)) {
            std::fprintf(stderr, "cannot write the PDF file\n");
            return 1;
        }
        render.push_back(t.nsecsElapsed() / 1e6);
        total.push_back(all.nsecsElapsed() / 1e6);
    }
    std::printf("%d rows x %d columns, %d pages, median of %d runs:\n", rows, columns, pages, runs);
    std::printf("  feed through the sink   %8.1f ms\n", Median(feed));
    std::printf("  paginate                %8.2f ms\n", Median(paginate));
    std::printf("  paginate + render PDF   %8.1f ms\n", Median(render)); // WritePdf lays out again
    std::printf("  whole print command     %8.1f ms\n", Median(total));
    return 0;
}
