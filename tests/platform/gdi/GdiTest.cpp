#include "platform/gdi/Dc.h"
#include "platform/gdi/ImageList.h"
#include "platform/gdi/Recorder.h"
#include "platform/gdi/System.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QPainter>

using namespace gdi;

namespace {

constexpr COLORREF kWhite = Rgb(255, 255, 255);
constexpr COLORREF kRed = Rgb(255, 0, 0);
constexpr COLORREF kBlue = Rgb(0, 0, 255);

COLORREF Pixel(const BitmapDc& dc, int x, int y) {
    return FromQColor(dc.Image().pixelColor(x, y));
}

QFontMetrics MessageMetrics() {
    return Font().Metrics();
}

} // namespace

TEST(GdiColour, KeepsGdiByteOrderAndSentinels) {
    EXPECT_EQ(Rgb(0x12, 0x34, 0x56), 0x00563412u);
    EXPECT_EQ(GetRValue(0x00563412u), 0x12);
    EXPECT_EQ(GetBValue(0x00563412u), 0x56);
    EXPECT_EQ(ToQColor(Rgb(1, 2, 3)), QColor(1, 2, 3));
    EXPECT_FALSE(ToQColor(CLR_DEFAULT).isValid());
    EXPECT_EQ(FromQColor(QColor()), CLR_NONE);
    EXPECT_EQ(ResolveColour(CLR_DEFAULT, kRed), kRed);
    EXPECT_EQ(ResolveColour(kBlue, kRed), kBlue);
}

TEST(GdiSystem, ColoursAreFixedAndReplaceable) {
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), kWhite);
    EXPECT_EQ(GetSysColor(COLOR_3DFACE), Rgb(212, 208, 200));
    EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), 16);
    EXPECT_EQ(GetSystemMetrics(9999), 0);
    EXPECT_EQ(SetSysColor(COLOR_WINDOW, kRed), kWhite);
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), kRed);
    ResetSysColors();
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), kWhite);
}

TEST(GdiFont, LogFontHeightsFollowGdi) {
    LOGFONT lf;
    lf.lfHeight = -12;
    lf.lfWeight = FW_BOLD;
    lf.lfItalic = 1;
    lf.lfFaceName = QStringLiteral("宋体");
    const QFont f = ToQFont(lf);
    EXPECT_EQ(f.pixelSize(), 12);
    EXPECT_TRUE(f.bold());
    EXPECT_TRUE(f.italic());

    // A positive height is the cell height: the em size chosen keeps ascent + descent within it.
    lf.lfHeight = 20;
    const QFontMetrics fm(ToQFont(lf));
    EXPECT_LE(fm.ascent() + fm.descent(), 20);
    EXPECT_GE(fm.ascent() + fm.descent(), 16);

    const LOGFONT back = FromQFont(f);
    EXPECT_EQ(back.lfHeight, -12);
    EXPECT_EQ(back.lfWeight, FW_BOLD);
    EXPECT_EQ(back.lfItalic, 1);
}

TEST(GdiDc, FillsLeaveRightAndBottomEdgesOut) {
    BitmapDc dc(10, 10, kWhite);
    dc.FillSolidRect(Rect(2, 2, 5, 6), kRed);
    EXPECT_EQ(Pixel(dc, 2, 2), kRed);
    EXPECT_EQ(Pixel(dc, 4, 5), kRed);
    EXPECT_EQ(Pixel(dc, 5, 5), kWhite);
    EXPECT_EQ(Pixel(dc, 4, 6), kWhite);
    // As the framework's FillSolidRect, the fill colour stays as the background colour.
    EXPECT_EQ(dc.GetBkColor(), kRed);
}

TEST(GdiDc, LinesStopOnePixelShortOfTheirEnd) {
    BitmapDc dc(12, 12, kWhite);
    dc.SelectPen(Pen{PS_SOLID, 1, kBlue});
    dc.MoveTo(1, 1);
    dc.LineTo(6, 1);
    EXPECT_EQ(Pixel(dc, 1, 1), kBlue);
    EXPECT_EQ(Pixel(dc, 5, 1), kBlue);
    EXPECT_EQ(Pixel(dc, 6, 1), kWhite);
    EXPECT_EQ(dc.GetCurrentPosition(), Point(6, 1));

    dc.MoveTo(3, 9);
    dc.LineTo(3, 4); // upwards
    EXPECT_EQ(Pixel(dc, 3, 9), kBlue);
    EXPECT_EQ(Pixel(dc, 3, 5), kBlue);
    EXPECT_EQ(Pixel(dc, 3, 4), kWhite);

    dc.MoveTo(6, 6);
    dc.LineTo(10, 10); // diagonal
    EXPECT_EQ(Pixel(dc, 6, 6), kBlue);
    EXPECT_EQ(Pixel(dc, 9, 9), kBlue);
    EXPECT_EQ(Pixel(dc, 10, 10), kWhite);
}

TEST(GdiDc, EdgesUseTheThreeDColours) {
    BitmapDc dc(10, 10, kWhite);
    Rect r(0, 0, 10, 10);
    dc.DrawEdge(r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    EXPECT_EQ(r, Rect(2, 2, 8, 8));
    EXPECT_EQ(Pixel(dc, 0, 0), GetSysColor(COLOR_3DSHADOW));    // outer top-left
    EXPECT_EQ(Pixel(dc, 9, 9), GetSysColor(COLOR_3DHIGHLIGHT)); // outer bottom-right
    EXPECT_EQ(Pixel(dc, 1, 1), GetSysColor(COLOR_3DDKSHADOW));  // inner top-left
    EXPECT_EQ(Pixel(dc, 8, 8), GetSysColor(COLOR_3DLIGHT));     // inner bottom-right
    EXPECT_EQ(Pixel(dc, 5, 5), kWhite);

    BitmapDc raised(6, 6, kWhite);
    Rect rr(0, 0, 6, 6);
    raised.DrawEdge(rr, EDGE_RAISED, BF_RECT | BF_MIDDLE);
    EXPECT_EQ(Pixel(raised, 0, 2), GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(Pixel(raised, 5, 2), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(Pixel(raised, 1, 2), GetSysColor(COLOR_3DHIGHLIGHT));
    EXPECT_EQ(Pixel(raised, 2, 2), GetSysColor(COLOR_3DFACE));
}

TEST(GdiDc, DrawTextAlignsByTheFlagIntegers) {
    Recorder rec;
    Dc dc(&rec);
    const QFontMetrics fm = MessageMetrics();
    const QString text = QStringLiteral("成绩 95");
    const int w = fm.horizontalAdvance(text);
    const int h = fm.ascent() + fm.descent();
    const Rect box(10, 20, 210, 60);

    dc.DrawText(text, box, DT_SINGLELINE | DT_RIGHT | DT_VCENTER);  // 0x26
    dc.DrawText(text, box, DT_SINGLELINE | DT_CENTER | DT_VCENTER); // 0x25
    dc.DrawText(text, box, DT_SINGLELINE | DT_BOTTOM);
    dc.DrawText(text, box, DT_TOP | DT_LEFT);
    const auto texts = rec.Of(DrawOp::Text);
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0].textOrigin, Point(210 - w, 20 + (40 - h) / 2));
    EXPECT_EQ(texts[1].textOrigin, Point(10 + (200 - w) / 2, 20 + (40 - h) / 2));
    EXPECT_EQ(texts[2].textOrigin, Point(10, 60 - h));
    EXPECT_EQ(texts[3].textOrigin, Point(10, 20));
    EXPECT_EQ(texts[0].textSize, Size(w, h));
    EXPECT_EQ(texts[0].format, 0x26u);
}

TEST(GdiDc, DrawTextMeasuresShortensAndTakesPrefixesOut) {
    Recorder rec;
    Dc dc(&rec);
    const QFontMetrics fm = MessageMetrics();
    const int h = fm.ascent() + fm.descent();

    Rect calc(5, 5, 5, 5);
    EXPECT_EQ(dc.DrawText(QStringLiteral("Hello"), calc, DT_CALCRECT | DT_SINGLELINE), h);
    EXPECT_EQ(calc, Rect(5, 5, 5 + fm.horizontalAdvance(QStringLiteral("Hello")), 5 + h));
    EXPECT_TRUE(rec.Calls().empty()); // measuring draws nothing

    // Ellipsis: as many characters as fit before "...".
    const QString longText = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    const int width = fm.horizontalAdvance(QStringLiteral("ABCDE..."));
    dc.DrawText(longText, Rect(0, 0, width, 20), DT_SINGLELINE | DT_END_ELLIPSIS);
    EXPECT_EQ(rec.Calls().back().text, QStringLiteral("ABCDE..."));

    dc.DrawText(QStringLiteral("&File && more"), Rect(0, 0, 300, 20), DT_SINGLELINE);
    EXPECT_EQ(rec.Calls().back().text, QStringLiteral("File & more"));
    dc.DrawText(QStringLiteral("&File"), Rect(0, 0, 300, 20), DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_EQ(rec.Calls().back().text, QStringLiteral("&File"));

    // Word breaking at blanks, and line feeds without it.
    const int three = fm.horizontalAdvance(QStringLiteral("aaa bbb"));
    Rect wrap(0, 0, three, 0);
    EXPECT_EQ(dc.DrawText(QStringLiteral("aaa bbb ccc"), wrap, DT_WORDBREAK | DT_CALCRECT), 2 * h);
    dc.DrawText(QStringLiteral("one\r\ntwo"), Rect(0, 0, 300, 100), DT_LEFT);
    EXPECT_EQ(rec.Calls().back().text, QStringLiteral("one\ntwo"));
    EXPECT_EQ(rec.Calls().back().textSize.cy, 2 * h);
}

TEST(GdiDc, SaveAndRestoreBringBackTheState) {
    Recorder rec;
    Dc dc(&rec);
    dc.SetTextColor(kRed);
    const int level = dc.SaveDC();
    dc.SetTextColor(kBlue);
    dc.SetBkMode(TRANSPARENT);
    LOGFONT big;
    big.lfHeight = -30;
    dc.SelectFont(Font(big));
    dc.IntersectClipRect(Rect(0, 0, 10, 10));
    EXPECT_EQ(dc.GetTextExtent(QStringLiteral("X")).cy, QFontMetrics(ToQFont(big)).height());
    EXPECT_TRUE(dc.RestoreDC(level));
    EXPECT_EQ(dc.GetTextColor(), kRed);
    EXPECT_EQ(dc.GetBkMode(), OPAQUE);
    EXPECT_EQ(dc.GetTextExtent(QStringLiteral("X")).cy, MessageMetrics().height());
    Rect clip;
    dc.GetClipBox(&clip);
    EXPECT_GT(clip.Width(), 10);
    EXPECT_FALSE(dc.RestoreDC(level)); // already popped
}

TEST(GdiDc, MapsLogicalUnitsIncludingTwipsUpwards) {
    Recorder rec;
    Dc dc(&rec);
    dc.SetDeviceInfo(96, 96, 800, 600);
    dc.SetWindowOrg(10, 20);
    EXPECT_EQ(dc.LPtoDP(Point(15, 25)), Point(5, 5));
    dc.SetWindowOrg(0, 0);

    dc.SetMapMode(MM_TWIPS);
    EXPECT_EQ(dc.LPtoDP(Point(1440, -1440)), Point(96, 96)); // one inch right and down
    EXPECT_EQ(dc.DPtoLP(Point(96, 96)), Point(1440, -1440));
    dc.FillSolidRect(Rect(0, 0, 1440, -720), kRed);
    EXPECT_EQ(rec.Calls().back().rect, Rect(0, 0, 96, 48));

    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt(100, 100);
    dc.SetViewportExt(200, 50);
    EXPECT_EQ(dc.LPtoDP(Point(10, 10)), Point(20, 5));
}

TEST(GdiDc, ClippingStopsPainting) {
    BitmapDc dc(10, 10, kWhite);
    dc.IntersectClipRect(Rect(0, 0, 5, 5));
    dc.FillSolidRect(Rect(0, 0, 10, 10), kRed);
    EXPECT_EQ(Pixel(dc, 4, 4), kRed);
    EXPECT_EQ(Pixel(dc, 5, 5), kWhite);
    Rect box;
    EXPECT_EQ(dc.GetClipBox(&box), SIMPLEREGION);
    EXPECT_EQ(box, Rect(0, 0, 5, 5));
    EXPECT_FALSE(dc.PtVisible(Point(7, 7)));
}

TEST(GdiDc, RasterOperationsActOnImages) {
    BitmapDc dst(4, 4, Rgb(0xF0, 0x0F, 0xFF));
    dst.PatBlt(0, 0, 2, 2, DSTINVERT);
    EXPECT_EQ(Pixel(dst, 0, 0), Rgb(0x0F, 0xF0, 0x00));
    EXPECT_EQ(Pixel(dst, 3, 3), Rgb(0xF0, 0x0F, 0xFF));

    BitmapDc src(4, 4, Rgb(0x0F, 0xFF, 0x00));
    dst.BitBlt(2, 2, 2, 2, &src, 0, 0, SRCAND);
    EXPECT_EQ(Pixel(dst, 3, 3), Rgb(0x00, 0x0F, 0x00));
    dst.BitBlt(2, 0, 2, 2, &src, 0, 0, SRCCOPY);
    EXPECT_EQ(Pixel(dst, 2, 0), Rgb(0x0F, 0xFF, 0x00));
    EXPECT_EQ(dst.GetPixel(2, 0), Rgb(0x0F, 0xFF, 0x00));
}

TEST(GdiImageList, SplitsStripsAndDrawsWithTheMaskTransparent) {
    QImage strip(8, 4, QImage::Format_RGB32);
    strip.fill(QColor(255, 0, 255));
    strip.setPixelColor(1, 1, QColor(0, 0, 255));
    strip.setPixelColor(5, 1, QColor(255, 0, 0));
    ImageList list(4, 4);
    EXPECT_EQ(list.Add(strip, Rgb(255, 0, 255)), 0);
    EXPECT_EQ(list.GetImageCount(), 2);
    IMAGEINFO info;
    ASSERT_TRUE(list.GetImageInfo(1, &info));
    EXPECT_EQ(info.rcImage, Rect(0, 0, 4, 4));
    EXPECT_FALSE(list.GetImageInfo(2, &info));

    BitmapDc dc(8, 8, kWhite);
    list.Draw(&dc, 1, Point(2, 2));
    EXPECT_EQ(Pixel(dc, 3, 3), kRed);
    EXPECT_EQ(Pixel(dc, 2, 2), kWhite); // mask colour stays transparent
}

TEST(GdiDc, TextOutAnchorsByTheTextAlignment) {
    Recorder rec;
    Dc dc(&rec);
    const QFontMetrics fm = MessageMetrics();
    const int w = fm.horizontalAdvance(QStringLiteral("页 1"));
    dc.SetTextAlign(TA_RIGHT | TA_BOTTOM);
    dc.TextOut(100, 50, QStringLiteral("页 1"));
    dc.SetTextAlign(TA_CENTER | TA_BASELINE);
    dc.TextOut(100, 50, QStringLiteral("页 1"));
    const auto texts = rec.Of(DrawOp::Text);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].textOrigin, Point(100 - w, 50 - (fm.ascent() + fm.descent())));
    EXPECT_EQ(texts[1].textOrigin, Point(100 - w / 2, 50 - fm.ascent()));
}

TEST(GdiDc, FrameControlsDrawTheirStates) {
    BitmapDc unchecked(13, 13, kRed);
    BitmapDc checked(13, 13, kRed);
    unchecked.DrawFrameControl(Rect(0, 0, 13, 13), DFC_BUTTON, DFCS_BUTTONCHECK);
    checked.DrawFrameControl(Rect(0, 0, 13, 13), DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
    EXPECT_EQ(Pixel(unchecked, 0, 0), GetSysColor(COLOR_3DSHADOW)); // sunken box
    EXPECT_EQ(Pixel(unchecked, 6, 6), kWhite);                      // window-coloured inside
    int ink = 0;
    for (int y = 2; y < 11; ++y)
        for (int x = 2; x < 11; ++x)
            ink += Pixel(checked, x, y) == GetSysColor(COLOR_BTNTEXT);
    EXPECT_GT(ink, 5); // a tick

    Recorder rec;
    Dc dc(&rec);
    dc.DrawFrameControl(Rect(0, 0, 16, 16), DFC_SCROLL, DFCS_SCROLLDOWN | DFCS_INACTIVE);
    ASSERT_EQ(rec.Calls().size(), 1u);
    EXPECT_EQ(rec.Calls()[0].format, DFC_SCROLL);
    EXPECT_EQ(rec.Calls()[0].flags, DFCS_SCROLLDOWN | DFCS_INACTIVE);
}

TEST(GdiColour, ShadesAndGreysTruncateChannelByChannel) {
    EXPECT_EQ(Grey(Rgb(200, 100, 50)), Rgb(124, 124, 124));
    EXPECT_EQ(Grey(kWhite), kWhite);
    EXPECT_EQ(Grey(0), 0u);
    EXPECT_EQ(Darken(Rgb(200, 100, 50), 0.25), Rgb(150, 75, 37));
    EXPECT_EQ(Lighten(Rgb(200, 100, 50), 0.5), Rgb(227, 177, 152));
    // Outside 0 < f <= 1 the colour comes back unchanged.
    EXPECT_EQ(Lighten(Rgb(1, 2, 3), 0), Rgb(1, 2, 3));
    EXPECT_EQ(Darken(Rgb(1, 2, 3), 1.5), Rgb(1, 2, 3));
    EXPECT_EQ(Darken(Rgb(10, 20, 30), 1), 0u);
    // The disabled tint follows the pixel's brightness as a fraction, not a whole-number quotient
    // that would be 0 for every pixel but white.
    const COLORREF shadow = Rgb(128, 128, 128);
    EXPECT_EQ(DisabledTint(Rgb(102, 102, 102), shadow), Rgb(178, 178, 178));
    EXPECT_EQ(DisabledTint(0, shadow), shadow);
    EXPECT_EQ(DisabledTint(kWhite, shadow), kWhite);
}

TEST(GdiSystem, AnswersWindowsXpWithoutTheClassicTheme) {
    EXPECT_EQ(GetWindowsVersionCode(), 7);
    EXPECT_FALSE(IsClassicThemeActive());
    EXPECT_TRUE(IsThemedLook());
    EXPECT_TRUE(
        IsClassicThemeActive(QStringLiteral("C:\\WINDOWS\\Resources\\Themes\\windows classic.THEME")));
    EXPECT_TRUE(IsClassicThemeActive(QStringLiteral("Windows Classic.theme")));
    EXPECT_FALSE(IsClassicThemeActive(QStringLiteral("Classic.theme")));
    EXPECT_FALSE(IsClassicThemeActive(QStringLiteral("C:\\Themes\\Luna.theme")));
    EXPECT_FALSE(IsClassicThemeActive(QString()));
}

TEST(GdiDc, EllipseStaysInsideItsRectangle) {
    Recorder rec;
    BitmapDc dc(20, 20, kWhite, &rec);
    dc.SelectPen(Pen{PS_SOLID, 1, kBlue});
    dc.SelectBrush(Brush::Solid(kRed));
    dc.Ellipse(Rect(2, 4, 12, 14));
    ASSERT_EQ(rec.Of(DrawOp::Ellipse).size(), 1u);
    const DrawCall call = rec.Of(DrawOp::Ellipse)[0];
    EXPECT_EQ(call.rect, Rect(2, 4, 12, 14));
    EXPECT_EQ(call.colour, kBlue);
    EXPECT_EQ(call.bkColour, kRed);
    EXPECT_EQ(Pixel(dc, 7, 9), kRed);   // inside
    EXPECT_EQ(Pixel(dc, 2, 9), kBlue);  // left edge of the outline
    EXPECT_EQ(Pixel(dc, 11, 9), kBlue); // right edge: one pixel inside the rectangle's right
    EXPECT_EQ(Pixel(dc, 12, 9), kWhite);
    EXPECT_EQ(Pixel(dc, 7, 14), kWhite);
    EXPECT_EQ(Pixel(dc, 2, 4), kWhite); // corners are outside the ellipse
}

TEST(GdiDc, PieRunsCounterClockwiseFromTheFirstRay) {
    const COLORREF green = Rgb(0, 255, 0);
    Recorder rec;
    BitmapDc dc(40, 40, kWhite, &rec);
    dc.SelectPen(Pen{PS_NULL, 1, 0});
    dc.SelectBrush(Brush::Solid(green));
    // From three o'clock to twelve o'clock: the upper right quarter.
    dc.Pie(Rect(0, 0, 41, 41), Point(40, 20), Point(20, 0));
    const auto pies = rec.Of(DrawOp::Pie);
    ASSERT_EQ(pies.size(), 1u);
    EXPECT_EQ(pies[0].from, Point(40, 20));
    EXPECT_EQ(pies[0].to, Point(20, 0));
    EXPECT_TRUE(pies[0].penStyle == PS_NULL);
    EXPECT_EQ(Pixel(dc, 28, 12), green);
    EXPECT_EQ(Pixel(dc, 12, 12), kWhite);
    EXPECT_EQ(Pixel(dc, 12, 28), kWhite);
    EXPECT_EQ(Pixel(dc, 28, 28), kWhite);

    // The same rays the other way round: the three other quarters.
    BitmapDc rest(40, 40, kWhite);
    rest.SelectPen(Pen{PS_NULL, 1, 0});
    rest.SelectBrush(Brush::Solid(green));
    rest.Pie(Rect(0, 0, 41, 41), Point(20, 0), Point(40, 20));
    EXPECT_EQ(Pixel(rest, 28, 12), kWhite);
    EXPECT_EQ(Pixel(rest, 12, 12), green);
    EXPECT_EQ(Pixel(rest, 12, 28), green);
    EXPECT_EQ(Pixel(rest, 28, 28), green);

    // Equal rays: the whole ellipse.
    BitmapDc whole(40, 40, kWhite);
    whole.SelectPen(Pen{PS_NULL, 1, 0});
    whole.SelectBrush(Brush::Solid(green));
    whole.Pie(Rect(0, 0, 41, 41), Point(40, 20), Point(40, 20));
    EXPECT_EQ(Pixel(whole, 28, 12), green);
    EXPECT_EQ(Pixel(whole, 12, 28), green);
}

TEST(GdiDc, DrawStateEmbossesADisabledImage) {
    QImage icon(4, 4, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    icon.setPixelColor(1, 1, QColor(200, 0, 0));
    Recorder rec;
    BitmapDc normal(8, 8, kWhite, &rec);
    normal.DrawState(icon, Point(2, 2), DST_ICON);
    EXPECT_EQ(Pixel(normal, 3, 3), Rgb(200, 0, 0));
    EXPECT_EQ(Pixel(normal, 2, 2), kWhite); // transparent stays transparent
    ASSERT_EQ(rec.Of(DrawOp::Image).size(), 1u);
    EXPECT_EQ(rec.Of(DrawOp::Image)[0].rect, Rect(2, 2, 6, 6));
    EXPECT_EQ(rec.Of(DrawOp::Image)[0].imageKey, icon.cacheKey());

    BitmapDc disabled(8, 8, kRed);
    disabled.DrawState(icon, Point(2, 2), DST_ICON | DSS_DISABLED);
    EXPECT_EQ(Pixel(disabled, 3, 3), GetSysColor(COLOR_3DSHADOW));
    EXPECT_EQ(Pixel(disabled, 4, 4), GetSysColor(COLOR_3DHIGHLIGHT));
    EXPECT_EQ(Pixel(disabled, 2, 2), kRed);
}

TEST(GdiDc, TextIsDrawnInTheSelectedFontWhateverThePainterHeld) {
    QImage image(40, 20, QImage::Format_RGB32);
    QPainter painter(&image);
    Dc dc(&painter);
    LOGFONT big = GetMessageFont();
    big.lfHeight = -20;
    dc.SelectFont(Font(big));
    dc.TextOut(0, 0, QStringLiteral("a"));
    EXPECT_EQ(painter.font().pixelSize(), 20);
    // Someone else changes the painter's font between two texts of the context.
    QFont other = painter.font();
    other.setPixelSize(7);
    painter.setFont(other);
    dc.DrawText(QStringLiteral("a"), Rect(0, 0, 40, 20), DT_SINGLELINE);
    EXPECT_EQ(painter.font().pixelSize(), 20);
    dc.SelectFont(Font());
    dc.DrawText(QStringLiteral("a"), Rect(0, 0, 40, 20), DT_SINGLELINE);
    EXPECT_EQ(painter.font().pixelSize(), 12);
}
