#include "controls/GifStatic.h"
#include "controls/Picture.h"
#include "tests/controls/widgets/GifWriter.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageReader>
#include <QTest>

#include <random>

namespace {

const std::vector<std::uint32_t> kPalette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
const QRgb kBlack = qRgb(0, 0, 0), kRed = qRgb(255, 0, 0), kGreen = qRgb(0, 255, 0), kBlue = qRgb(0, 0, 255);

QRgb Pixel(const QImage& image, int x, int y) {
    return image.pixel(x, y) | 0xFF000000;
}
QRgb Face(const CGifStatic& control) {
    return control.palette().color(QPalette::Window).rgb();
}

// Three frames on an 8 × 6 screen: a full red frame that restores to the background, a green
// 2 × 2 frame at (1, 1) that restores to what was under it, and a blue 3 × 1 frame at (4, 4)
// without a graphic control block (it stays until the control stops).
QByteArray ThreeFrames() {
    GifWriter gif(8, 6, kPalette);
    gif.AddLoopExtension();
    TestFrame red = SolidFrame(0, 0, 8, 6, 1);
    red.delay = 5, red.disposal = 2;
    gif.AddFrame(red);
    gif.AddComment("between frames");
    TestFrame green = SolidFrame(1, 1, 2, 2, 2);
    green.delay = 0, green.disposal = 3;
    gif.AddFrame(green);
    TestFrame blue = SolidFrame(4, 4, 3, 1, 3);
    blue.control = false;
    gif.AddFrame(blue);
    return gif.Bytes();
}

} // namespace

TEST(GifDecoder, FirstImageMatchesAnIndependentReaderIncludingInterlaceAndTransparency) {
    GifWriter gif(5, 11, kPalette);
    TestFrame f;
    f.left = 1, f.top = 2, f.width = 3, f.height = 9;
    for (int i = 0; i < 27; ++i)
        f.pixels.push_back(static_cast<std::uint8_t>((i * 7 + i / 3) % 4));
    f.interlaced = true;
    f.transparent = 0;
    gif.AddFrame(f);
    const QByteArray data = gif.Bytes();

    const QImage ours = LoadPictureData(data);
    ASSERT_EQ(ours.size(), QSize(5, 11));
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 3; ++x) {
            const int index = f.pixels[y * 3 + x];
            const QRgb got = ours.pixel(1 + x, 2 + y);
            if (index == 0)
                EXPECT_EQ(qAlpha(got), 0) << x << "," << y;
            else
                EXPECT_EQ(got | 0xFF000000,
                          qRgb(kPalette[index] >> 16, (kPalette[index] >> 8) & 0xFF, kPalette[index] & 0xFF))
                    << x << "," << y;
        }
    }
    EXPECT_EQ(qAlpha(ours.pixel(0, 0)), 0); // outside the image: nothing drawn

    if (!QImageReader::supportedImageFormats().contains("gif"))
        GTEST_SKIP() << "no second GIF reader to compare with";
    QBuffer buffer;
    buffer.setData(data);
    QImageReader reader(&buffer, "gif");
    const QImage theirs = reader.read().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(theirs.size(), ours.size());
    for (int y = 0; y < 11; ++y) {
        for (int x = 0; x < 5; ++x) {
            if (qAlpha(theirs.pixel(x, y)) != 0) {
                EXPECT_EQ(ours.pixel(x, y), theirs.pixel(x, y)) << x << "," << y;
            }
        }
    }
}

TEST(GifDecoder, ProgramPicturesDecodeAsAnIndependentReaderDoes) {
    // Written by an outside encoder: full LZW with growing code sizes.
    QByteArray splash;
    ASSERT_TRUE(FindPictureResource(180, QStringLiteral("GIF"), &splash));
    const QImage ours = LoadPictureData(splash);
    ASSERT_FALSE(ours.isNull());
    CGifStatic about;
    ASSERT_TRUE(about.LoadFromResource(176, QStringLiteral("GIF")));
    EXPECT_EQ(about.GetFrameCount(), 8);

    if (!QImageReader::supportedImageFormats().contains("gif"))
        GTEST_SKIP() << "no second GIF reader to compare with";
    QBuffer buffer;
    buffer.setData(splash);
    QImageReader reader(&buffer, "gif");
    const QImage theirs = reader.read().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(theirs.size(), ours.size());
    int differing = 0;
    for (int y = 0; y < theirs.height(); ++y)
        for (int x = 0; x < theirs.width(); ++x)
            differing += ours.pixel(x, y) != theirs.pixel(x, y);
    EXPECT_EQ(differing, 0);
}

TEST(GifStatic, OneFrameIsAStillPictureWithoutAnimation) {
    GifWriter gif(4, 3, kPalette);
    TestFrame f = SolidFrame(0, 0, 4, 3, 3);
    f.delay = 10;
    gif.AddFrame(f);
    CGifStatic control;
    ASSERT_TRUE(control.Load(gif.Bytes()));
    EXPECT_FALSE(control.IsAnimatedGIF());
    EXPECT_EQ(control.GetFrameCount(), 0);
    EXPECT_EQ(control.GetSize(), gdi::Size(4, 3));
    EXPECT_EQ(control.size(), QSize(4, 3));
    EXPECT_TRUE(control.Draw());
    EXPECT_FALSE(control.IsPlaying());
    EXPECT_EQ(Pixel(control.GetSurface(), 3, 2), kBlue);
}

TEST(GifStatic, FramesCarryTheirPlaceDelayAndDisposal) {
    CGifStatic control;
    ASSERT_TRUE(control.Load(ThreeFrames()));
    ASSERT_TRUE(control.IsAnimatedGIF());
    ASSERT_EQ(control.GetFrameCount(), 3);
    const auto& frames = control.GetFrames();
    EXPECT_EQ(frames[0].delay, 5);
    EXPECT_EQ(frames[0].disposal, 2);
    EXPECT_EQ(frames[1].left, 1);
    EXPECT_EQ(frames[1].top, 1);
    EXPECT_EQ(frames[1].width, 2);
    EXPECT_EQ(frames[1].height, 2);
    EXPECT_EQ(frames[1].disposal, 3);
    EXPECT_EQ(frames[2].delay, -1);
    EXPECT_EQ(frames[2].disposal, 0);
    EXPECT_EQ(frames[2].picture.size(), QSize(3, 1));

    EXPECT_EQ(CGifStatic::FrameDelayMs(0), 100);
    EXPECT_EQ(CGifStatic::FrameDelayMs(4), 100);
    EXPECT_EQ(CGifStatic::FrameDelayMs(5), 50);
    EXPECT_EQ(CGifStatic::FrameDelayMs(20), 200);
    EXPECT_EQ(CGifStatic::FrameDelayMs(-1), -1);
}

TEST(GifStatic, AnimationAppliesDisposalBetweenFramesAndStops) {
    CGifStatic control;
    ASSERT_TRUE(control.Load(ThreeFrames()));
    ASSERT_TRUE(control.Draw());
    EXPECT_TRUE(control.IsPlaying());
    EXPECT_EQ(Pixel(control.GetSurface(), 0, 0), kRed); // frame 0 shows at once

    ASSERT_TRUE(QTest::qWaitFor([&] { return control.GetCurrentFrame() == 1; }, 2000));
    // Frame 0 restored its area to the background before frame 1 was drawn.
    EXPECT_EQ(Pixel(control.GetSurface(), 0, 0), Face(control));
    EXPECT_EQ(Pixel(control.GetSurface(), 1, 1), kGreen);

    ASSERT_TRUE(QTest::qWaitFor([&] { return control.GetCurrentFrame() == 2; }, 2000));
    // Frame 1 put back what was under it; frame 2 is drawn and stays.
    EXPECT_EQ(Pixel(control.GetSurface(), 1, 1), Face(control));
    EXPECT_EQ(Pixel(control.GetSurface(), 4, 4), kBlue);
    QTest::qWait(300);
    EXPECT_EQ(control.GetCurrentFrame(), 2);
    EXPECT_TRUE(control.IsPlaying());

    control.Stop();
    EXPECT_FALSE(control.IsPlaying());
    control.UnLoad();
    EXPECT_EQ(control.GetSize(), gdi::Size(0, 0));
    EXPECT_FALSE(control.Draw());
}

TEST(GifStatic, StopOnAControlThatNeverStartedReturnsAtOnce) {
    CGifStatic control;
    control.Stop();
    EXPECT_FALSE(control.IsPlaying());
    EXPECT_FALSE(control.Draw());
}

TEST(GifStatic, NoImageOrOnlyUndecodableFramesLoadsNothing) {
    GifWriter empty(4, 4, kPalette);
    empty.AddComment("no picture here");
    CGifStatic control;
    EXPECT_FALSE(control.Load(empty.Bytes()));
    EXPECT_TRUE(control.GetSurface().isNull());

    // Two frames whose first code is not a literal: neither can be decoded.
    GifWriter bad(4, 4, kPalette);
    const QByteArray frame("\x2C\0\0\0\0\x04\0\x04\0\0\x02\x01\x07\0", 14);
    bad.AddRaw(frame);
    bad.AddRaw(frame);
    EXPECT_FALSE(control.Load(bad.Bytes()));
}

TEST(GifStatic, DamagedDataNeverCrashes) {
    const QByteArray good = ThreeFrames();
    CGifStatic control;
    // Every truncation: blocks that would run past the end stop the walk.
    for (qsizetype n = 0; n < good.size(); ++n) {
        control.Load(good.left(n));
        control.Draw();
    }
    // The whole image gone: nothing loads.
    EXPECT_FALSE(control.Load(good.left(20)));

    std::mt19937 random(1234);
    for (int round = 0; round < 400; ++round) {
        QByteArray damaged = good;
        const int flips = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < flips; ++i)
            damaged[static_cast<qsizetype>(random() % damaged.size())] = static_cast<char>(random() % 256);
        control.Load(damaged);
        control.Draw();
        control.Stop();
        LoadPictureData(damaged);
    }
    // A screen of 65535 × 65535 is refused rather than allocated.
    QByteArray huge = good;
    huge[6] = huge[7] = huge[8] = huge[9] = '\xFF';
    EXPECT_TRUE(LoadPictureData(huge).isNull());
}

TEST(GifStatic, OtherPicturesLoadAsStills) {
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(kGreen);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    CGifStatic control;
    ASSERT_TRUE(control.Load(png));
    EXPECT_FALSE(control.IsAnimatedGIF());
    EXPECT_TRUE(control.Draw());
    EXPECT_EQ(Pixel(control.GetSurface(), 2, 1), kGreen);
}
