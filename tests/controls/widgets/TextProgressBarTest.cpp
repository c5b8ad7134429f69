// The text progress bar: its filled width and text, the two-colour split, and when it repaints.

#include "controls/TextProgressBar.h"
#include "platform/gdi/Dc.h"
#include "platform/gdi/Recorder.h"
#include "platform/gdi/System.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

using gdi::DrawOp;
using gdi::Rect;

namespace {

gdi::Recorder Draw(const CTextProgressBar& bar) {
    gdi::Recorder rec;
    gdi::Dc dc(&rec);
    bar.Draw(dc, Rect(0, 0, 300, 20));
    return rec;
}

// Counts the paints a widget receives.
class PaintCounter : public QObject {
public:
    bool eventFilter(QObject*, QEvent* e) override {
        paints += e->type() == QEvent::Paint;
        return false;
    }
    int paints = 0;
};

} // namespace

TEST(TextProgressBar, PercentageAndFilledWidth) {
    EXPECT_EQ(progress::FilledWidth(37, 0, 100, 300), 111);
    EXPECT_EQ(progress::PercentText(37, 0, 100), QStringLiteral("37%"));
    // The fraction's truncation, not that of its rounded floating-point image (0.57 × 100 < 57).
    EXPECT_EQ(progress::PercentText(57, 0, 100), QStringLiteral("57%"));
    EXPECT_EQ(progress::PercentText(3, 2, 5), QStringLiteral("33%"));
    // Nothing clamps the position.
    EXPECT_EQ(progress::FilledWidth(150, 0, 100, 300), 450);
    EXPECT_EQ(progress::PercentText(150, 0, 100), QStringLiteral("150%"));
    EXPECT_EQ(progress::FilledWidth(-10, 0, 100, 300), -30);
    // Bounds without a range fill nothing.
    EXPECT_EQ(progress::FilledWidth(5, 5, 5, 300), 0);
    EXPECT_EQ(progress::FilledWidth(5, 9, 5, 300), 0);
}

TEST(TextProgressBar, TextSplitsInTwoColoursWhereTheFillEnds) {
    CTextProgressBar bar;
    bar.SetPos(37);
    gdi::Recorder rec = Draw(bar);
    const auto fills = rec.Of(DrawOp::Fill);
    ASSERT_EQ(fills.size(), 2u);
    EXPECT_EQ(fills[0].rect, Rect(0, 0, 111, 20));
    EXPECT_EQ(fills[0].colour, gdi::GetSysColor(gdi::COLOR_HIGHLIGHT));
    EXPECT_EQ(fills[1].rect, Rect(111, 0, 300, 20));
    EXPECT_EQ(fills[1].colour, gdi::GetSysColor(gdi::COLOR_WINDOW));
    auto texts = rec.Of(DrawOp::Text);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].text, QStringLiteral("37%"));
    EXPECT_EQ(texts[0].colour, gdi::GetSysColor(gdi::COLOR_WINDOW)); // over the fill
    EXPECT_EQ(texts[1].colour, gdi::GetSysColor(gdi::COLOR_HIGHLIGHT));
    EXPECT_EQ(texts[0].rect, Rect(0, 0, 300, 20));

    bar.SetWindowText(QStringLiteral("正在计算第 3 班"));
    EXPECT_EQ(bar.GetWindowText(), QStringLiteral("正在计算第 3 班"));
    texts = Draw(bar).Of(DrawOp::Text);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1].text, QStringLiteral("正在计算第 3 班"));
    bar.SetShowText(false);
    EXPECT_TRUE(Draw(bar).Of(DrawOp::Text).empty());

    // The pixels: the text colours swap at the split.
    bar.SetShowText(true);
    bar.SetWindowText(QString());
    bar.resize(300, 20);
    bar.SetRange(0, 2);
    bar.SetPos(1);
    const QImage image = bar.grab().toImage();
    EXPECT_EQ(gdi::FromQColor(image.pixelColor(5, 10)), gdi::GetSysColor(gdi::COLOR_HIGHLIGHT));
    EXPECT_EQ(gdi::FromQColor(image.pixelColor(295, 10)), gdi::GetSysColor(gdi::COLOR_WINDOW));
    // Text pixels on either side of the split, each in its own colour over its own ground.
    int inkOnBar = 0, inkOnRest = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 120; x < 180; ++x) {
            const QColor c = image.pixelColor(x, y);
            inkOnBar += x < 150 && c.lightness() > 128;
            inkOnRest += x >= 150 && c.lightness() < 128;
        }
    EXPECT_GT(inkOnBar, 0);
    EXPECT_GT(inkOnRest, 0);
}

TEST(TextProgressBar, EqualBoundsDrawNothing) {
    CTextProgressBar bar;
    bar.SetRange(50, 50);
    bar.SetPos(50);
    EXPECT_TRUE(Draw(bar).Calls().empty());
    int lower = 0, upper = 0;
    bar.GetRange(&lower, &upper);
    EXPECT_EQ(lower, 50);
    EXPECT_EQ(upper, 50);
}

TEST(TextProgressBar, RepaintsOnlyWhenTheFilledWidthChanges) {
    QWidget window;
    auto* bar = new CTextProgressBar(&window);
    bar->setGeometry(0, 0, 300, 20);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QApplication::processEvents();
    PaintCounter counter;
    bar->installEventFilter(&counter);
    bar->SetRange(0, 1000);

    EXPECT_EQ(bar->SetPos(370), 0);
    EXPECT_EQ(bar->GetBarWidth(), 111);
    EXPECT_EQ(counter.paints, 1);     // at once, not queued
    EXPECT_EQ(bar->SetPos(371), 370); // still 111 pixels
    EXPECT_EQ(counter.paints, 1);
    bar->SetStep(10);
    EXPECT_EQ(bar->SetStep(5), 10);
    bar->StepIt();
    EXPECT_EQ(bar->GetPos(), 376);
    EXPECT_EQ(counter.paints, 2);
    bar->OffsetPos(-6);
    EXPECT_EQ(bar->GetPos(), 370);

    // After a resize the next position repaints whatever its width.
    bar->resize(300, 24);
    EXPECT_EQ(bar->GetBarWidth(), -1);
    const int before = counter.paints;
    bar->SetPos(370);
    EXPECT_EQ(counter.paints, before + 1);
}
