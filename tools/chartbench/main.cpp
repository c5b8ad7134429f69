// Measures the chart control's paint: 10,000 values as bars and as a pie on an 800 × 600 control
// (goal < 50 ms each), and the score-band report's case of 20 bands, with the normal curve over
// the bars. A paint is the control's whole repaint: the off-screen picture and its copy to the
// target. Times are the medians of the thread's CPU time.
//
//   chartbench [values] [repeats]     (offscreen: QT_QPA_PLATFORM=offscreen)

#include "controls/ChartCtrl.h"
#include "controls/ChartLayout.h"

#include <QApplication>
#include <QImage>
#include <QRandomGenerator>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

// The thread's CPU time: the figures should not move with whatever else the machine runs.
double NowMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double MeasurePaint(CChartCtrl& chart, int repeats) {
    QImage target(chart.size(), QImage::Format_RGB32);
    chart.render(&target); // the first paint makes the picture
    std::vector<double> times;
    for (int i = 0; i < repeats; ++i) {
        const double t0 = NowMs();
        chart.render(&target);
        times.push_back(NowMs() - t0);
    }
    return Median(times);
}

// `count` values of 0 to 40 labelled as score bands.
void FillBands(CChartCtrl& chart, int count, QRandomGenerator& rng) {
    chart.RemoveAll();
    chart.SetColorScheme(2);
    const int width = 5;
    for (int i = 0; i < count; ++i) {
        const QString label = i == 0 ? QStringLiteral("%1").arg(0)
                                     : QStringLiteral("(%1,%2]").arg(i * width).arg(i * width + width);
        chart.AddValue(rng.bounded(41), label, false);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int values = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 21;

    QRandomGenerator rng(1);
    CChartCtrl chart;
    chart.resize(800, 600);
    chart.SetWindowText(QStringLiteral("高一(3)班 语文"));

    FillBands(chart, values, rng);
    chart.SetChartStyle(chart::kBars);
    std::printf("paint %d values as bars, 800 x 600: %.2f ms (goal < 50 ms)\n", values,
                MeasurePaint(chart, repeats));
    chart.SetChartStyle(chart::kPie);
    std::printf("paint %d values as a pie, 800 x 600: %.2f ms (goal < 50 ms)\n", values,
                MeasurePaint(chart, repeats));

    // The score-band report: 20 bands of one class, with its normal curve over the bars.
    FillBands(chart, 20, rng);
    chart.m_bNormalCurve = true;
    chart.SetMarker(52, 48.5, 14.2);
    chart.SetChartStyle(chart::kBars);
    std::printf("paint 20 score bands as bars with the normal curve, 800 x 600: %.3f ms\n",
                MeasurePaint(chart, repeats * 10));
    chart.SetChartStyle(chart::kPie);
    std::printf("paint 20 score bands as a pie, 800 x 600: %.3f ms\n", MeasurePaint(chart, repeats * 10));
    return 0;
}
