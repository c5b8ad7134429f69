#include "app/AboutDlg.h"
#include "app/CaptionStatic.h"
#include "app/VersionInfo.h"
#include "controls/GifStatic.h"
#include "platform/gdi/BitmapWriter.h"
#include "platform/ui/MessageBox.h"
#include "report/PrintOrExcelDlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QTemporaryDir>

#include <cstdint>

namespace {

std::uint32_t U32(const QByteArray& b, int at) {
    return static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8 |
           static_cast<std::uint8_t>(b[at + 2]) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 3])) << 24;
}
int U16(const QByteArray& b, int at) {
    return static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8;
}

class VersionGuard {
public:
    VersionGuard() : m_old(QCoreApplication::applicationVersion()) {}
    ~VersionGuard() { QCoreApplication::setApplicationVersion(m_old); }

private:
    QString m_old;
};

} // namespace

TEST(WindowsVersion, FourNumbersAfterTheLabelOrTheWholeFallback) {
    VersionGuard guard;
    QCoreApplication::setApplicationVersion(QStringLiteral("4.0.0.1"));
    EXPECT_EQ(GetFileVersionString(), QStringLiteral("版本 4.0.0.1"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.2"));
    EXPECT_EQ(GetFileVersionString(), QStringLiteral("版本 1.2.0.0"));
    QCoreApplication::setApplicationVersion(QString());
    EXPECT_EQ(GetFileVersionString(), QStringLiteral("版本 4.00 Build 20080101"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.70000.0.0"));
    EXPECT_EQ(GetFileVersionString(), QStringLiteral("版本 4.00 Build 20080101"));
}

TEST(WindowsBitmapWriter, HeadersRowsAndPalettes) {
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setPixel(0, 1, qRgb(10, 20, 30)); // bottom row, first pixel

    const QByteArray b24 = EncodeDeviceIndependentBitmap(image, 32);
    ASSERT_EQ(b24.size(), 54 + 2 * 12); // rows of 12 bytes
    EXPECT_EQ(b24.left(2), QByteArray("BM"));
    EXPECT_EQ(U32(b24, 2), 78u);
    EXPECT_EQ(U32(b24, 6), 0u);
    EXPECT_EQ(U32(b24, 10), 54u);
    EXPECT_EQ(U32(b24, 14), 40u);
    EXPECT_EQ(U32(b24, 18), 3u);
    EXPECT_EQ(U32(b24, 22), 2u);
    EXPECT_EQ(U16(b24, 26), 1);
    EXPECT_EQ(U16(b24, 28), 24);
    for (int at = 30; at < 54; at += 4)
        EXPECT_EQ(U32(b24, at), 0u) << at;
    // The bottom row comes first, blue-green-red.
    EXPECT_EQ(static_cast<std::uint8_t>(b24[54]), 30);
    EXPECT_EQ(static_cast<std::uint8_t>(b24[55]), 20);
    EXPECT_EQ(static_cast<std::uint8_t>(b24[56]), 10);
    EXPECT_EQ(static_cast<std::uint8_t>(b24[54 + 12]), 255);

    const QByteArray b8 = EncodeDeviceIndependentBitmap(image, 8);
    EXPECT_EQ(U32(b8, 10), 1078u);
    EXPECT_EQ(U16(b8, 28), 8);
    EXPECT_EQ(b8.size(), 1078 + 2 * 4);
    const QByteArray b4 = EncodeDeviceIndependentBitmap(image, 4);
    EXPECT_EQ(U32(b4, 10), 54u + 64u);
    const QByteArray b1 = EncodeDeviceIndependentBitmap(image, 1);
    EXPECT_EQ(U32(b1, 10), 62u);
    EXPECT_EQ(b1.size(), 62 + 2 * 4);
    // Top row, three white pixels: palette index 1 in the three high bits.
    EXPECT_EQ(static_cast<std::uint8_t>(b1[62 + 4]), 0xE0);
    EXPECT_EQ(static_cast<std::uint8_t>(b1[62]), 0x60); // the dark first pixel of the bottom row
}

TEST(WindowsBitmapWriter, FailureLeavesNoFileAndKeepsTheOldOne) {
    QTemporaryDir dir;
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(Qt::red);
    EXPECT_FALSE(SaveBitmapToFile(image, dir.filePath(QStringLiteral("missing/chart.bmp"))));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("missing/chart.bmp"))));

    const QString path = dir.filePath(QStringLiteral("chart.bmp"));
    ASSERT_TRUE(SaveBitmapToFile(image, path));
    const QImage back(path);
    EXPECT_EQ(back.size(), QSize(2, 2));
    EXPECT_EQ(back.pixel(1, 1), qRgb(255, 0, 0));
    EXPECT_FALSE(SaveBitmapToFile(QImage(), path));
    EXPECT_EQ(QImage(path).size(), QSize(2, 2));
}

TEST(WindowsCaptionStatic, GradientCoversEveryRowOnce) {
    CCaptionStatic strip;
    strip.resize(50, 100); // fewer rows than bands
    QImage image(50, 100, QImage::Format_RGB32);
    image.fill(qRgb(1, 2, 3));
    {
        QPainter dc(&image);
        strip.FillGradient(dc);
    }
    for (int y = 0; y < 100; ++y) {
        EXPECT_NE(image.pixel(49, y), qRgb(1, 2, 3)) << y;
        if (y > 0) {
            EXPECT_LE(qRed(image.pixel(49, y)), qRed(image.pixel(49, y - 1)));
        }
    }
    // Bands thinner than a row are empty, so the top row shows the first band that has one.
    EXPECT_GE(qRed(image.pixel(0, 0)), 250);
    EXPECT_EQ(qRed(image.pixel(0, 0)), qBlue(image.pixel(0, 0)));
    EXPECT_LT(qRed(image.pixel(0, 99)), 5);

    strip.SetRed(false);
    strip.SetGreen(false);
    strip.SetBlue(false);
    QPainter dc(&image);
    strip.FillGradient(dc);
    dc.end();
    EXPECT_EQ(image.pixel(10, 0), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(10, 50), qRgb(0, 0, 0));
}

TEST(WindowsAbout, ShowsVersionGreenStripAndAnimationAndClosesOnAClick) {
    VersionGuard guard;
    QCoreApplication::setApplicationVersion(QStringLiteral("4.0.0.1"));
    ui::ScriptedMessageBoxes boxes;
    CAboutDlg dlg;
    EXPECT_TRUE(dlg.OnInitDialog());
    EXPECT_EQ(dlg.GetDlgItemText(1132), QStringLiteral("版本 4.0.0.1"));
    EXPECT_FALSE(dlg.m_stCaption->GetRed());
    EXPECT_TRUE(dlg.m_stCaption->GetGreen());
    EXPECT_FALSE(dlg.m_stCaption->GetBlue());
    EXPECT_EQ(dlg.GetDlgItem(1131), dlg.m_stCaption);
    EXPECT_EQ(dlg.GetDlgItem(1077), dlg.m_gifAnimation);
    EXPECT_TRUE(dlg.m_gifAnimation->IsPlaying());
    EXPECT_GT(dlg.m_gifAnimation->GetFrameCount(), 1);

    dlg.show();
    // A click on a static text reaches the dialog.
    QWidget* label = dlg.GetDlgItem(1132);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), label->mapToGlobal(QPointF(2, 2)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(label, &press);
    EXPECT_EQ(dlg.result(), ui::IDOK);
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(WindowsPrintOrExcel, PreviewFirstAndTheChoiceOnlyOnOk) {
    {
        CPrintOrExcelDlg dlg;
        dlg.OnInitDialog();
        EXPECT_TRUE(dlg.GetDlgItem<QRadioButton>(1137)->isChecked());
        dlg.GetDlgItem<QRadioButton>(1064)->setChecked(true);
        dlg.OnOK();
        EXPECT_EQ(dlg.result(), ui::IDOK);
        EXPECT_EQ(dlg.m_nChoice, 1);
    }
    CPrintOrExcelDlg dlg;
    dlg.OnInitDialog();
    dlg.GetDlgItem<QRadioButton>(1064)->setChecked(true);
    dlg.OnCancel();
    EXPECT_EQ(dlg.result(), ui::IDCANCEL);
    EXPECT_EQ(dlg.m_nChoice, 0);
}
