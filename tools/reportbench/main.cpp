// Times the report output of a large table: a 2,000-row, 12-column grid fed through the event
// sink, paginated, and rendered to a PDF file, as a report dialog's print command does it.
//
//   reportbench [rows] [columns] [runs]

#include "report/GridReport.h"
#include "report/GridReportSink.h"
#include "report/ReportComponent.h"

#include "platform/report/Document.h"
#include "platform/report/Output.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

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

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
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
        if (!doc.WritePdf(dir.filePath(QStringLiteral("bench.pdf")))) {
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
