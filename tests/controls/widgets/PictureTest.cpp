#include "controls/Picture.h"
#include "controls/BitmapDialog.h"
#include "controls/FontEx.h"
#include "platform/gdi/Dc.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/ModalRunner.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QComboBox>
#include <QFile>
#include <QFontDatabase>
#include <QFontDialog>
#include <QPainter>
#include <QTemporaryDir>

namespace {

QByteArray Encode(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

} // namespace

TEST(Picture, MissingResourceSaysSoAndHoldsNothing) {
    ui::ScriptedMessageBoxes boxes;
    CPicture picture;
    EXPECT_FALSE(picture.LoadFromResource(9999, QStringLiteral("GIF")));
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, QStringLiteral("FindResource() Failed\t"));
    EXPECT_EQ(boxes.Boxes()[0].caption, QStringLiteral("CPicture Error"));
    EXPECT_EQ(boxes.Boxes()[0].type, ui::MB_ICONERROR);
    EXPECT_FALSE(picture.IsLoaded());
    QImage target(4, 4, QImage::Format_RGB32);
    QPainter painter(&target);
    EXPECT_FALSE(picture.Render(&painter, QRect(0, 0, 4, 4)));
}

TEST(Picture, ProgramPicturesAreCompiledIn) {
    ui::ScriptedMessageBoxes boxes;
    CPicture splash;
    ASSERT_TRUE(splash.LoadFromResource(180, QStringLiteral("GIF")));
    EXPECT_GT(splash.m_Width, 300);
    EXPECT_GT(splash.m_Height, 280); // the version is written 262 pixels above the bottom
    EXPECT_TRUE(FindPictureResource(176, QStringLiteral("GIF"), nullptr));
    EXPECT_TRUE(FindPictureResource(102, QStringLiteral("BITMAP"), nullptr));
    EXPECT_TRUE(FindPictureResource(128, QStringLiteral("ICON"), nullptr));
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(Picture, JpegSavedUnderABmpNameStaysJpegAndRendersStretched) {
    QImage image(8, 4, QImage::Format_RGB32);
    image.fill(QColor(0, 0, 200));
    const QByteArray jpeg = Encode(image, "JPEG");
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("in.jpg"));
    QFile out(source);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(jpeg);
    out.close();

    CPicture picture;
    ASSERT_TRUE(picture.LoadFromFile(source));
    EXPECT_EQ(picture.m_Width, 8);
    EXPECT_EQ(picture.m_Height, 4);
    EXPECT_EQ(picture.m_Size, jpeg.size());

    const QString saved = dir.filePath(QStringLiteral("copy.bmp"));
    ASSERT_TRUE(picture.SaveToFile(saved));
    QFile in(saved);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    EXPECT_EQ(in.readAll(), jpeg);

    QImage target(16, 16, QImage::Format_RGB32);
    target.fill(Qt::white);
    QPainter painter(&target);
    ASSERT_TRUE(picture.Render(&painter, QRect(0, 0, 16, 16)));
    painter.end();
    EXPECT_GT(qBlue(target.pixel(15, 15)), 150); // stretched over the whole rectangle
}

TEST(Picture, UnreadableFileIsReported) {
    ui::ScriptedMessageBoxes boxes;
    CPicture picture;
    EXPECT_FALSE(picture.LoadFromFile(QStringLiteral("/nonexistent/picture.gif")));
    EXPECT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_TRUE(picture.LoadFromMemory(QByteArray("not a picture")));
    EXPECT_FALSE(picture.IsLoaded());
}

TEST(FontEx, TextFormRoundTripsEveryField) {
    CFontEx font;
    EXPECT_EQ(font.ToString(), QStringLiteral("-12,0,0,0,400,0,0,0,0,0,0,2,18,Times New Roman,0"));

    font.SetHeight(-21);
    font.SetWidth(7);
    font.SetEscapement(900);
    font.SetOrientation(450);
    EXPECT_EQ(font.GetOrientation(), 450);
    EXPECT_EQ(font.GetEscapement(), 900);
    EXPECT_FALSE(font.SetBold(true));
    EXPECT_TRUE(font.SetBold(false));
    font.SetWeight(600);
    font.SetItalic(1);
    font.SetUnderline(1);
    font.SetStrikeOut(1);
    font.SetCharSet(134);
    font.SetOutPrecision(4);
    font.SetClipPrecision(2);
    font.SetQuality(1);
    font.SetPitchAndFamily(49);
    font.SetFaceName(QStringLiteral("仿宋体"));
    font.SetColour(0x00FF8040);
    const QString text = font.ToString();

    CFontEx copy;
    EXPECT_EQ(copy.FromString(text), 0x00FF8040u);
    EXPECT_EQ(copy.GetLogFont(), font.GetLogFont());
    EXPECT_EQ(copy.ToString(), text);
    EXPECT_TRUE(copy.IsBold());
}

TEST(FontEx, PointSizeAndShortTexts) {
    CFontEx font;
    EXPECT_EQ(font.SetPointSize(9), -12);
    EXPECT_EQ(font.GetHeight(), -12);
    font.SetPointSize(-10);
    EXPECT_EQ(font.GetHeight(), -13);
    EXPECT_EQ(font.SetFaceName(QString(40, u'x')).size(), 31);

    // Missing fields read as empty: zero numbers, an empty face and colour 0.
    EXPECT_EQ(font.FromString(QStringLiteral("-15,0,0,0,700")), 0u);
    EXPECT_EQ(font.GetHeight(), -15);
    EXPECT_EQ(font.GetWeight(), 700);
    EXPECT_EQ(font.GetQuality(), 0);
    EXPECT_TRUE(font.GetFaceName().isEmpty());
    EXPECT_TRUE(font.SetStockFont(17));
    EXPECT_FALSE(font.SetStockFont(15));
}

TEST(FontEx, TheFontDialogOffersTheTextColour) {
    // A family with a bold face of its own: the dialog offers only the styles a family has.
    QString family;
    for (const QString& f : QFontDatabase::families()) {
        for (const QString& style : QFontDatabase::styles(f))
            if (QFontDatabase::bold(f, style))
                family = f;
        if (!family.isEmpty())
            break;
    }
    ASSERT_FALSE(family.isEmpty());
    CFontEx font;
    font.SetColour(gdi::Rgb(0, 0, 128));
    QImage image(4, 4, QImage::Format_RGB32);
    QPainter painter(&image);
    gdi::Dc dc(&painter);
    font.SetColourDC(&dc);

    ui::SetQtDialogRunner([&](QDialog& d) {
        auto* dialog = dynamic_cast<CFontColourDialog*>(&d);
        EXPECT_NE(dialog, nullptr);
        if (!dialog)
            return int(QDialog::Rejected);
        // The sixteen colours, the font's own chosen.
        EXPECT_EQ(dialog->ColourBox()->count(), 16);
        EXPECT_EQ(dialog->ColourBox()->currentText(), QStringLiteral("深蓝色"));
        EXPECT_TRUE(dialog->FontDialog()->isVisibleTo(dialog));
        dialog->FontDialog()->setCurrentFont(QFont(family, 14, QFont::Bold));
        dialog->ColourBox()->setCurrentIndex(dialog->ColourBox()->findText(QStringLiteral("红色")));
        return int(QDialog::Accepted);
    });
    EXPECT_TRUE(font.ChooseFont());
    EXPECT_EQ(font.GetColour(), gdi::Rgb(255, 0, 0));
    EXPECT_EQ(dc.GetTextColor(), gdi::Rgb(255, 0, 0)); // the colour's device context follows
    EXPECT_TRUE(font.IsBold());
    EXPECT_EQ(font.GetFaceName(), family);

    // A colour outside the sixteen is offered as it is; cancelling changes nothing.
    font.SetColour(gdi::Rgb(1, 2, 3));
    ui::SetQtDialogRunner([&](QDialog& d) {
        auto* dialog = dynamic_cast<CFontColourDialog*>(&d);
        EXPECT_EQ(dialog->ColourBox()->count(), 17);
        EXPECT_EQ(dialog->ColourBox()->currentText(), QStringLiteral("自定义"));
        EXPECT_EQ(dialog->SelectedColour(), gdi::Rgb(1, 2, 3));
        dialog->ColourBox()->setCurrentIndex(0);
        return int(QDialog::Rejected);
    });
    const QString before = font.ToString();
    EXPECT_FALSE(font.ChooseFont());
    EXPECT_EQ(font.ToString(), before);
    ui::SetQtDialogRunner({});
}

TEST(BitmapDialog, PlacementsAndTiling) {
    CBitmapDialog dialog(1);
    EXPECT_EQ(dialog.SetPlacement(13), 2);
    EXPECT_EQ(dialog.SetPlacement(-1), 2);
    EXPECT_FALSE(dialog.GetDragByClient());

    QImage bitmap(30, 20, QImage::Format_RGB32);
    bitmap.fill(Qt::red);
    bitmap.setPixel(0, 0, qRgb(0, 0, 255));
    ASSERT_EQ(dialog.SetBitmap(bitmap), 0);

    // Placement 0 with a bitmap larger than the client area: one partial tile.
    ASSERT_EQ(dialog.SetPlacement(0, false), 0);
    QImage composed = dialog.ComposeBackground(QSize(25, 15));
    EXPECT_EQ(composed.pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(composed.pixel(24, 14), qRgb(255, 0, 0));

    // Placement 0 tiles from the top left; 11 sits in the bottom-right corner.
    composed = dialog.ComposeBackground(QSize(70, 50));
    EXPECT_EQ(composed.pixel(60, 40), qRgb(0, 0, 255));
    ASSERT_EQ(dialog.SetPlacement(11, false), 0);
    composed = dialog.ComposeBackground(QSize(70, 50));
    EXPECT_EQ(composed.pixel(40, 30), qRgb(0, 0, 255));
    EXPECT_NE(composed.pixel(0, 0), qRgb(255, 0, 0));
    ASSERT_EQ(dialog.SetPlacement(1, false), 0);
    composed = dialog.ComposeBackground(QSize(71, 51));
    EXPECT_EQ(composed.pixel(20, 15), qRgb(0, 0, 255)); // ((71 - 30) / 2, (51 - 20) / 2)
}

TEST(BitmapDialog, TransparentColourCutsTheWindowIncludingTheRightmostColumns) {
    QImage bitmap(7, 3, QImage::Format_RGB32);
    bitmap.fill(Qt::white);
    bitmap.setPixel(1, 1, qRgb(255, 0, 255));
    bitmap.setPixel(6, 2, qRgb(255, 0, 255)); // beyond the last multiple of 4
    const QRegion region = CBitmapDialog::BitmapToRegion(bitmap, 0x00FF00FF);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 7; ++x) {
            const bool cut = (x == 1 && y == 1) || (x == 6 && y == 2);
            EXPECT_EQ(region.contains(QPoint(x, y)), !cut) << x << "," << y;
        }

    CBitmapDialog dialog(1);
    EXPECT_EQ(dialog.SetBitmap(bitmap), 0);
    EXPECT_TRUE(dialog.GetRegion().isEmpty()); // CLR_NONE keeps the window rectangular
    EXPECT_EQ(dialog.SetBitmap(bitmap, 0x00FF00FF), 0);
    EXPECT_FALSE(dialog.GetRegion().contains(QPoint(6, 2)));
    EXPECT_EQ(dialog.SetBitmap(QImage()), 0);
    EXPECT_TRUE(dialog.GetBitmap().isNull());
    EXPECT_TRUE(dialog.GetRegion().isEmpty());
}
