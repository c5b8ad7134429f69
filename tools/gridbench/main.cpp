// Measures the grid's two figures: the paint time of a large grid scrolled to its middle, which
// must not depend on the row count, and the sort of 20,000 rows by a numeric column. Times are
// the medians of the thread's CPU time.
//
//   gridbench [rows] [repeats]     (offscreen: QT_QPA_PLATFORM=offscreen)

#include "controls/grid/GridCtrl.h"
#include "platform/ui/ScrollInfo.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QScrollBar>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <utility>
#include <vector>

namespace {

// The thread's CPU time: the figures should not move with whatever else the machine runs.
struct Clock {
    using duration = std::chrono::nanoseconds;
    static std::chrono::nanoseconds now() {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec);
    }
};

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void Fill(CGridCtrl& grid, int rows, int cols, QRandomGenerator& rng) {
    grid.SetRedraw(false);
    grid.SetRowCount(rows);
    grid.SetColumnCount(cols);
    grid.SetFixedRowCount(1);
    grid.SetFixedColumnCount(1);
    for (int c = 0; c < cols; ++c)
        grid.SetItemText(0, c, QStringLiteral("科目%1").arg(c));
    for (int r = 1; r < rows; ++r) {
        grid.SetItemText(r, 0, QString::number(r));
        for (int c = 1; c < cols; ++c)
            grid.SetItemText(r, c, QString::number(rng.bounded(0, 15000) / 100.0, 'f', 2));
    }
    grid.SetRedraw(true, true);
}

struct PaintFigures {
    double paint;          // repaint, scroll position unchanged
    double scrollAndPaint; // a line scroll, then the repaint it causes
};

// A 12-column grid of `rows` rows in an 800 × 600 client, scrolled to its middle.
std::unique_ptr<CGridCtrl> MakeScrolledGrid(int rows) {
    QRandomGenerator rng(1);
    auto grid = std::make_unique<CGridCtrl>();
    grid->resize(804, 604);
    grid->OnSize();
    Fill(*grid, rows, 12, rng);
    grid->ResetScrollBars();
    grid->SetScrollPos32(ui::SB_VERT, grid->VerticalScrollBar()->maximum() / 2);
    return grid;
}

// Both grids are measured in turns, so that machine noise falls on both alike.
std::pair<PaintFigures, PaintFigures> MeasurePaint(int rows, int repeats) {
    auto big = MakeScrolledGrid(rows);
    auto small = MakeScrolledGrid(200);
    QImage target(big->size(), QImage::Format_RGB32);
    std::vector<double> paint[2], scroll[2];
    for (int i = 0; i < repeats; ++i) {
        for (int k = 0; k < 2; ++k) {
            CGridCtrl& grid = k == 0 ? *big : *small;
            auto t0 = Clock::now();
            grid.render(&target);
            paint[k].push_back(Ms(Clock::now() - t0));

            t0 = Clock::now();
            grid.OnVScroll(i % 2 ? ui::SB_LINEUP : ui::SB_LINEDOWN);
            grid.render(&target);
            scroll[k].push_back(Ms(Clock::now() - t0));
        }
    }
    return {{Median(paint[0]), Median(scroll[0])}, {Median(paint[1]), Median(scroll[1])}};
}

// A dialog's own compare function: the sort calls it on the cells themselves.
int OwnNumericCompare(CGridCellBase* a, CGridCellBase* b, LPARAM data) {
    return CGridCtrl::CompareNumericItems(a, b, data);
}

double MeasureSort(int rows, int repeats, bool numeric, bool ownFunction = false) {
    std::vector<double> times;
    for (int i = 0; i < repeats; ++i) {
        QRandomGenerator rng(100 + i);
        CGridCtrl grid;
        Fill(grid, rows + 1, 12, rng);
        grid.SetCompareFunction(ownFunction ? OwnNumericCompare
                                : numeric   ? CGridCtrl::CompareNumericItems
                                            : CGridCtrl::CompareTextItems);
        if (!numeric)
            for (int r = 1; r <= rows; ++r)
                grid.SetItemText(r, 3, QStringLiteral("学生%1").arg(rng.bounded(100000)));
        const auto t0 = Clock::now();
        grid.SortItems(numeric ? 2 : 3, true);
        times.push_back(Ms(Clock::now() - t0));
    }
    return Median(times);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(2, std::atoi(argv[1])) : 20000;
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 201;

    const auto [big, small] = MeasurePaint(rows, repeats);
    std::printf("paint, %d x 12 scrolled to the middle: %.3f ms (scroll + paint %.3f ms)\n", rows, big.paint,
                big.scrollAndPaint);
    std::printf("paint, 200 x 12 scrolled to the middle: %.3f ms (scroll + paint %.3f ms)\n", small.paint,
                small.scrollAndPaint);
    std::printf("ratio %d rows / 200 rows: paint %.2fx, scroll + paint %.2fx (goal within 1.2x)\n", rows,
                big.paint / small.paint, big.scrollAndPaint / small.scrollAndPaint);
    std::printf("sort %d rows by a numeric column: %.2f ms (goal < 50 ms)\n", rows,
                MeasureSort(rows, 5, true));
    std::printf("sort %d rows by a Chinese text column: %.2f ms\n", rows, MeasureSort(rows, 5, false));
    std::printf("sort %d rows by a numeric column through a dialog's own compare function: %.2f ms\n", rows,
                MeasureSort(rows, 5, true, true));
    return 0;
}
