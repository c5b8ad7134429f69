// Draws every graph type of the plotting chart in both orientations to PNG (900 × 600 each),
// prints the same charts through the print road to one PDF (two charts to a page), and times
// the drawing: every type but the pies with 10,000 points on a 1200 × 800 image (100 series of
// 100 keys; the scatter 10,000 one-point series), the pies with 10 series of 10 keys, and the
// print road. For looking at the charts and for the timing figures:
//     plotbench [output directory]

#include "plotchart/PlotChart.h"

#include "platform/gdi/Dc.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

struct GraphType {
    int type;
    const char* name;
};

constexpr GraphType kTypes[] = {
    {GT_BAR, "bar"},
    {GT_LINE, "line"},
    {GT_PIE, "pie"},
    {GT_SCATTER, "scatter"},
    {GT_DISTRIBUTION, "distribution"},
    {GT_STACKED_BAR, "stacked_bar"},
    {GT_XY_LINE, "xy_line"},
    {GT_BAR_3D, "bar_3d"},
    {GT_LINE_3D, "line_3d"},
    {GT_PIE_3D, "pie_3d"},
    {GT_STACKED_BAR_3D, "stacked_bar_3d"},
};

const QStringList kSubjects = {QStringLiteral("语文"), QStringLiteral("数学"), QStringLiteral("英语"),
                               QStringLiteral("物理")};

// A small pseudo-random sequence, the same on every run.
class Sequence {
public:
    int Next(int lo, int hi) {
        m_state = m_state * 1103515245u + 12345u;
        return lo + static_cast<int>((m_state >> 16) % static_cast<unsigned>(hi - lo + 1));
    }

private:
    unsigned m_state = 20240601u;
};

void AddPalette(CPlotChart& chart) {
    for (int i = 0; i < static_cast<int>(chart.m_crDefaultColors.size()); ++i)
        chart.AddColor(i, chart.m_crDefaultColors[static_cast<std::size_t>(i)]);
}

// Class averages of four subjects in five classes; for the box plot thirty marks per class; for
// the scatter forty students' two marks.
std::unique_ptr<CPlotChart> SampleChart(int type, bool vertical) {
    auto chart = std::make_unique<CPlotChart>(type);
    Sequence seq;
    chart->SetVertical(vertical ? 1 : 0);
    chart->SetGrid(1);
    AddPalette(*chart);
    if (type == GT_SCATTER) {
        chart->SetTitle(QStringLiteral("数学与物理成绩"));
        chart->SetXTitle(QStringLiteral("数学"));
        chart->SetYTitle(QStringLiteral("物理"));
        for (int i = 0; i < 40; ++i) {
            auto s = std::make_unique<CPlotSeries>();
            const int math = seq.Next(40, 100);
            s->AddPoint(math, std::clamp(math + seq.Next(-20, 15), 0, 100));
            chart->AddSeries(std::move(s));
        }
        return chart;
    }
    chart->SetTitle(QStringLiteral("期中考试各班平均分"));
    chart->SetXTitle(QStringLiteral("班级"));
    chart->SetYTitle(QStringLiteral("平均分"));
    if (type == GT_DISTRIBUTION) {
        chart->SetTitle(QStringLiteral("期中考试各班数学成绩分布"));
        for (int c = 1; c <= 5; ++c) {
            auto s = std::make_unique<CPlotSeries>();
            s->SetName(QStringLiteral("%1班").arg(c));
            for (int i = 0; i < 30; ++i)
                s->AddPoint(i, seq.Next(35 + 3 * c, 98));
            chart->AddSeries(std::move(s));
        }
        return chart;
    }
    const bool stacked = type == GT_STACKED_BAR || type == GT_STACKED_BAR_3D;
    if (stacked)
        chart->SetRange(0, 400, 40);
    for (int c = 1; c <= 5; ++c) {
        auto s = std::make_unique<CPlotSeries>();
        s->SetName(QStringLiteral("%1班").arg(c));
        for (int j = 0; j < kSubjects.size(); ++j)
            s->AddPoint(j, seq.Next(58, 95));
        chart->AddSeries(std::move(s));
    }
    for (int j = 0; j < kSubjects.size(); ++j)
        chart->AddLegendEntry(j, kSubjects[j]);
    if (type == GT_PIE || type == GT_PIE_3D) {
        chart->SetTitle(QStringLiteral("各班各科成绩构成"));
        chart->SetDepthRatio(0.15);
        while (chart->GetSeriesCount() > 3)
            chart->RemoveSeries(QStringLiteral("%1班").arg(chart->GetSeriesCount()));
    }
    return chart;
}

// The chart for timing: n series of `keys` keys each (the scatter n one-point series).
std::unique_ptr<CPlotChart> BigChart(int type, int series, int keys) {
    auto chart = std::make_unique<CPlotChart>(type);
    Sequence seq;
    AddPalette(*chart);
    chart->SetGrid(1);
    chart->SetTitle(QStringLiteral("Timing"));
    for (int k = 0; k < series; ++k) {
        auto s = std::make_unique<CPlotSeries>();
        s->SetName(QString::number(k + 1));
        if (type == GT_SCATTER)
            s->AddPoint(seq.Next(0, 100), seq.Next(0, 100));
        else
            for (int j = 0; j < keys; ++j)
                s->AddPoint(j, seq.Next(1, 100));
        chart->AddSeries(std::move(s));
    }
    for (int j = 0; j < keys && type != GT_SCATTER; ++j)
        chart->AddLegendEntry(j, QStringLiteral("K%1").arg(j));
    return chart;
}

double TimeDrawing(CPlotChart& chart, int width, int height, int runs) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        gdi::BitmapDc dc(width, height);
        QElapsedTimer timer;
        timer.start();
        chart.DrawChart(&dc);
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Prints the sample charts two to a page; returns the milliseconds the printing took.
double PrintAll(const QString& path) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    QElapsedTimer timer;
    timer.start();
    QPainter painter(&printer);
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    const int dpi = printer.resolution();
    const int pageWidth = page.width() * 1440 / dpi;
    const int pageBottom = -(page.height() * 1440 / dpi);
    gdi::LOGFONT labelFont;
    labelFont.lfHeight = -200;
    labelFont.lfFaceName = QStringLiteral("Arial");
    int onPage = 0;
    for (const bool vertical : {true, false}) {
        for (const GraphType& t : kTypes) {
            if (onPage == 2) {
                printer.newPage();
                onPage = 0;
            }
            // A fresh context per page keeps the state of one chart from leaking into the next.
            gdi::Dc dc(&painter);
            dc.SetPrinting(true);
            dc.SelectFont(gdi::Font(labelFont));
            auto chart = SampleChart(t.type, vertical);
            const int top = onPage == 0 ? -1000 : -1000 - 5760 - 1200;
            chart->SetPrintArea(0, pageBottom, 1000, pageWidth - 1000, top);
            chart->PrintChart(&dc);
            ++onPage;
        }
    }
    painter.end();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out);

    for (const bool vertical : {true, false}) {
        for (const GraphType& t : kTypes) {
            auto chart = SampleChart(t.type, vertical);
            gdi::BitmapDc dc(900, 600);
            chart->DrawChart(&dc);
            const QString file =
                QStringLiteral("%1/%2_%3.png").arg(out, QString::fromLatin1(t.name), vertical ? "v" : "h");
            dc.Image().save(file);
        }
    }
    const QString pdf = out + QStringLiteral("/plotchart_print.pdf");
    const double printMs = PrintAll(pdf);
    std::printf("pictures and %s written\n\n", qPrintable(pdf));

    std::printf("DrawChart on 1200 x 800, median of 5 runs:\n");
    for (const GraphType& t : kTypes) {
        const bool pie = t.type == GT_PIE || t.type == GT_PIE_3D;
        const int series = pie ? 10 : (t.type == GT_SCATTER ? 10000 : 100);
        const int keys = pie ? 10 : (t.type == GT_SCATTER ? 1 : 100);
        auto chart = BigChart(t.type, series, keys);
        const double ms = TimeDrawing(*chart, 1200, 800, 5);
        std::printf("  %-15s %5d series x %3d keys  %8.2f ms%s\n", t.name, series, keys, ms,
                    !pie && ms >= 50 ? "  (over 50 ms)" : "");
    }
    // On 1200 × 800 ten pies in a row leave a radius of a few pixels; a wide image shows the
    // cost of large ones.
    for (const GraphType& t : kTypes) {
        if (t.type != GT_PIE && t.type != GT_PIE_3D)
            continue;
        auto chart = BigChart(t.type, 10, 10);
        std::printf("  %-15s %5d series x %3d keys  %8.2f ms on 4000 x 1000\n", t.name, 10, 10,
                    TimeDrawing(*chart, 4000, 1000, 5));
    }
    std::printf("\nprint road: 22 charts (11 types, both orientations) to PDF in %.1f ms (%.2f ms a chart)\n",
                printMs, printMs / 22);
    return 0;
}
