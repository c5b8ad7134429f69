// Measures the icon menu: building the main menu (menu 128 with the images of toolbars 128 and
// 177), and showing the 统计分析 popup: laying it out and painting it once. Times are the medians
// of the thread's CPU time.
//
//   menubench [repeats]     (offscreen: QT_QPA_PLATFORM=offscreen)

#include "controls/KestMenu.h"

#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <vector>

namespace {

double NowMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    std::vector<double> builds;
    std::vector<double> shows;
    for (int i = 0; i < repeats; ++i) {
        KestMenu::ClearSharedImages();
        auto menu = std::make_unique<KestMenu>();
        double t0 = NowMs();
        menu->LoadMenu(128);
        menu->AddToolbarImages(128);
        menu->AddToolbarImages(177);
        builds.push_back(NowMs() - t0);

        QMenu* stats = menu->FindPopupByText(QStringLiteral("统计分析(&T)"))->GetMenu();
        t0 = NowMs();
        // A fresh layout (each action's size from the icon menu) and one paint of every item.
        stats->ensurePolished();
        stats->adjustSize();
        QImage target(stats->size(), QImage::Format_RGB32);
        stats->render(&target);
        shows.push_back(NowMs() - t0);
    }
    std::printf("shared images: %d\n",
                KestMenu::SharedImages() ? KestMenu::SharedImages()->GetImageCount() : 0);
    std::printf("build menu 128 with toolbar images: %.2f ms (median of %d)\n", Median(builds), repeats);
    std::printf("lay out and paint the 统计分析 popup: %.2f ms (median of %d)\n", Median(shows), repeats);
    return 0;
}
