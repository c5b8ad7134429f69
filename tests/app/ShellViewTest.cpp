// The view's background and bottom line, the two background commands, the document, and Base64.

#include "ShellSupport.h"

#include "app/Base64.h"
#include "app/VeltoraDoc.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/Random.h"
#include "tests/common/Fifo.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPainter>

namespace {

TEST(BackgroundRect, StretchedOrScaledToFill) {
    // Built-in picture 0 is stretched over the client.
    EXPECT_EQ(CVeltoraView::BackgroundRect(0, 800, 600, 100, 50), QRect(0, 0, 800, 600));
    // Others keep their proportions: full height when relatively wider, full width otherwise.
    EXPECT_EQ(CVeltoraView::BackgroundRect(1, 800, 600, 1600, 600), QRect(0, 0, 1600, 600));
    EXPECT_EQ(CVeltoraView::BackgroundRect(-1, 800, 600, 400, 600), QRect(0, 0, 800, 1200));
    EXPECT_EQ(CVeltoraView::BackgroundRect(-1, 800, 600, 4, 3), QRect(0, 0, 800, 600));   // same shape
    EXPECT_EQ(CVeltoraView::BackgroundRect(2, 1001, 700, 3, 7), QRect(0, 0, 1001, 2335)); // truncated
    // No picture size or no client: nothing to draw, and no division by zero.
    EXPECT_TRUE(CVeltoraView::BackgroundRect(-1, 800, 600, 0, 0).isEmpty());
    EXPECT_TRUE(CVeltoraView::BackgroundRect(3, 800, 600, 10, 0).isEmpty());
    EXPECT_TRUE(CVeltoraView::BackgroundRect(0, 800, 0, 10, 10).isEmpty());
    // Products beyond int.
    EXPECT_EQ(CVeltoraView::BackgroundRect(1, 30000, 20000, 90000, 20000), QRect(0, 0, 90000, 20000));
}

// A picture whose left half is red and right half blue.
QByteArray TwoColourPng(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::blue);
    QPainter(&img).fillRect(0, 0, w / 2, h, Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "PNG");
    return bytes;
}

QImage Paint(CVeltoraView& v, int W, int H) {
    v.resize(W, H);
    QImage out(W, H, QImage::Format_RGB32);
    out.fill(Qt::black);
    QPainter p(&out);
    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setPixelSize(24);
    p.setFont(font);
    v.OnDraw(p);
    return out;
}

int GreenPixels(const QImage& img, const QRect& area) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = img.pixelColor(x, y);
            n += c.green() > 200 && c.red() < 80 && c.blue() < 80;
        }
    return n;
}

TEST_F(ShellTest, CustomBackgroundKeepsItsProportions) {
    WriteFile("tavrinbg.bmp", TwoColourPng(100, 50));
    CVeltoraView custom;
    EXPECT_EQ(custom.GetBackground(), -1);
    // 100 × 50 into 300 × 300: full height, 600 wide, so only the red half is in view.
    const QImage img = Paint(custom, 300, 300);
    EXPECT_EQ(img.pixelColor(10, 10), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(290, 100), QColor(Qt::red));
    // The bottom line: green text at the bottom left, nothing green above it.
    const QFontMetrics metrics(QFont(QStringLiteral("WenQuanYi Micro Hei")));
    EXPECT_GT(GreenPixels(img, QRect(0, 300 - 40, 300, 40)), 20);
    EXPECT_EQ(GreenPixels(img, QRect(0, 0, 300, 300 - 40)), 0);
}

TEST_F(ShellTest, BuiltInPictureIsStretchedAndADamagedCustomFileFallsBackToIt) {
    EXPECT_EQ(view->GetBackground(), 0);
    EXPECT_TRUE(view->GetPicture().IsLoaded());
    Paint(*view, 200, 100); // stretched; nothing to check beyond not failing

    // A damaged custom file falls back to the built-in background, without a word.
    WriteFile("tavrinbg.bmp", "this is no picture");
    CVeltoraView broken;
    EXPECT_EQ(broken.GetBackground(), 0);
    EXPECT_TRUE(broken.GetPicture().IsLoaded());
    EXPECT_EQ(broken.GetPicture().m_Width, view->GetPicture().m_Width);
    EXPECT_TRUE(boxes->Texts().isEmpty());
    const QImage img = Paint(broken, 300, 200);
    EXPECT_NE(img.pixelColor(150, 50), QColor(Qt::black)); // the background was painted
    EXPECT_GT(GreenPixels(img, QRect(0, 160, 300, 40)), 20);
}

TEST_F(ShellTest, ABackgroundFileThatIsNoRegularFileOrTooLargeIsLeftAlone) {
    const QString path = CVeltoraView::CustomBackgroundPath();
    const auto expectBuiltIn = [&](const char* what) {
        CVeltoraView v;
        EXPECT_EQ(v.GetBackground(), 0) << what;
        EXPECT_EQ(v.GetPicture().m_Width, view->GetPicture().m_Width) << what;
    };
    {
        FifoGuard fifo(path);
        ASSERT_TRUE(fifo.Made());
        expectBuiltIn("FIFO");
        EXPECT_FALSE(fifo.Released());

        // Nor is a FIFO read when it is the picture chosen.
        ui::ScriptedFileDialogs files;
        files.SetNextAnswer(path);
        view->OnCmdMsg(32798);
        EXPECT_FALSE(fifo.Released());
        EXPECT_EQ(view->GetBackground(), 0);
        ASSERT_EQ(boxes->Boxes().size(), 1u);
        EXPECT_TRUE(boxes->Boxes()[0].text.startsWith(QStringLiteral("对不起，无法读取图片文件 ")));
        EXPECT_TRUE(boxes->Boxes()[0].text.contains(QStringLiteral("不是普通文件"))) << boxes->Boxes()[0].text.toStdString();
    }
    {
        // A device is no regular file either; a text file is no picture.
        ui::ScriptedFileDialogs files;
        files.SetNextAnswer(QStringLiteral("/dev/zero"));
        view->OnCmdMsg(32798);
        ASSERT_EQ(boxes->Boxes().size(), 2u);
        EXPECT_TRUE(boxes->Boxes()[1].text.contains(QStringLiteral("不是普通文件"))) << boxes->Boxes()[1].text.toStdString();
        WriteFile("note.png", "not a picture");
        files.SetNextAnswer(home.filePath("note.png"));
        view->OnCmdMsg(32798);
        ASSERT_EQ(boxes->Boxes().size(), 3u);
        EXPECT_TRUE(boxes->Boxes()[2].text.endsWith(QStringLiteral("它不是本程序能读取的图片，或者文件已损坏。")));
    }
    QFile::remove(path);
    // Sparse, so that it costs no disk space.
    QFile big(path);
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(64LL * 1024 * 1024 + 1));
    big.close();
    expectBuiltIn("oversized file");
    {
        ui::ScriptedFileDialogs files;
        files.SetNextAnswer(path);
        view->OnCmdMsg(32798);
        ASSERT_EQ(boxes->Boxes().size(), 4u);
        EXPECT_TRUE(boxes->Boxes()[3].text.contains(QStringLiteral("文件太大：图片文件不能超过64 MB。")))
            << boxes->Boxes()[3].text.toStdString();
    }

    // A link to a picture is the picture.
    QFile::remove(path);
    WriteFile("mine.png", TwoColourPng(20, 10));
    ASSERT_TRUE(QFile::link(home.filePath("mine.png"), path));
    CVeltoraView linked;
    EXPECT_EQ(linked.GetBackground(), -1);
    EXPECT_EQ(linked.GetPicture().m_Width, 20);
}

TEST_F(ShellTest, BuiltInBackgroundNeverRepeatsAndDropsTheCustomFile) {
    WriteFile("tavrinbg.bmp", TwoColourPng(8, 8));
    // A generator that keeps proposing the picture on screen.
    int calls = 0;
    ui::SetRandomSource([&] {
        ++calls;
        return calls < 6 ? 2 : calls;
    });
    view->OnCmdMsg(32799);
    EXPECT_FALSE(QFile::exists(CVeltoraView::CustomBackgroundPath()));
    EXPECT_EQ(view->GetBackground(), 2);
    view->OnCmdMsg(32799);
    EXPECT_NE(view->GetBackground(), 2);
    EXPECT_TRUE(view->GetPicture().IsLoaded());
    ui::SetRandomSource({});
    for (int i = 0; i < 20; ++i) {
        const int before = view->GetBackground();
        view->OnCmdMsg(32799);
        EXPECT_NE(view->GetBackground(), before);
        EXPECT_GE(view->GetBackground(), 0);
        EXPECT_LE(view->GetBackground(), 3);
    }
}

TEST_F(ShellTest, CustomBackgroundIsKeptForLaterRuns) {
    ui::ScriptedFileDialogs files;
    // Cancel: nothing happens.
    view->OnCmdMsg(32798);
    EXPECT_EQ(view->GetBackground(), 0);
    ASSERT_EQ(files.Filters().size(), 1);
    EXPECT_TRUE(files.Filters()[0].startsWith("JPEG Files (*.jpg)|*.jpg|Bitmap Files (*.bmp)|*.bmp|"));

    // A file that is no picture, or cannot be read, leaves everything as it was and says so.
    WriteFile("notes.txt", "plain text");
    files.SetNextAnswer(home.filePath("notes.txt"));
    files.SetNextAnswer(home.filePath("missing.jpg"));
    view->OnCmdMsg(32798);
    view->OnCmdMsg(32798);
    EXPECT_EQ(view->GetBackground(), 0);
    EXPECT_FALSE(QFile::exists(CVeltoraView::CustomBackgroundPath()));
    ASSERT_EQ(boxes->Boxes().size(), 2u);
    for (const auto& box : boxes->Boxes()) {
        EXPECT_TRUE(box.text.startsWith(QStringLiteral("对不起，无法读取图片文件 ")))
            << box.text.toStdString();
        EXPECT_EQ(box.caption, QStringLiteral("信息提示"));
        EXPECT_EQ(box.type, ui::MB_ICONWARNING);
    }
    EXPECT_TRUE(boxes->Boxes()[0].text.contains("notes.txt"));
    boxes->Clear();

    const QByteArray png = TwoColourPng(40, 30);
    WriteFile("chosen.png", png);
    files.SetNextAnswer(home.filePath("chosen.png"));
    view->OnCmdMsg(32798);
    EXPECT_EQ(view->GetBackground(), -1);
    QFile saved(CVeltoraView::CustomBackgroundPath());
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), png);
    // The next start shows it.
    CVeltoraView next;
    EXPECT_EQ(next.GetBackground(), -1);
    EXPECT_EQ(next.GetPicture().m_Width, 40);
}

TEST(BackgroundFilter, OffersOnlyFormatsTheProgramReads) {
    const QString filter = CVeltoraView::BackgroundFilter();
    EXPECT_FALSE(filter.contains("*.*") || filter.contains("wmf", Qt::CaseInsensitive));
    EXPECT_TRUE(filter.contains("Gif Files (*.gif)|*.gif|")); // the program's own reader
    // Every other pattern offered is a format the picture loader decodes.
    const QStringList parts = filter.chopped(2).split(u'|');
    for (int i = 1; i < parts.size(); i += 2)
        for (const QString& pattern : parts[i].split(u';')) {
            if (pattern == "*.gif")
                continue;
            QImage img(4, 4, QImage::Format_RGB32);
            img.fill(Qt::green);
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            ASSERT_TRUE(img.save(&buffer, pattern.mid(2).toLatin1().constData())) << pattern.toStdString();
            EXPECT_FALSE(LoadPictureData(bytes).isNull()) << pattern.toStdString();
        }
}

TEST(VeltoraDoc, TemplateStringAndNewDocument) {
    CVeltoraDoc doc;
    EXPECT_TRUE(doc.OnNewDocument());
    EXPECT_EQ(doc.GetTitle(), "Veltora");
    EXPECT_EQ(CVeltoraDoc::GetDocString(2), "Tavrin");
    EXPECT_EQ(CVeltoraDoc::GetDocString(3), "");
    EXPECT_EQ(CVeltoraDoc::GetDocString(6), "Tavrin Document");
}

std::optional<QByteArray> Decode(const char* text) {
    return CBase64::Decode(QByteArray(text));
}

TEST(Base64, Decoding) {
    EXPECT_EQ(Decode("TWFu"), "Man");
    EXPECT_EQ(Decode("TWE="), "Ma");
    EXPECT_EQ(Decode("TQ=="), "M");
    EXPECT_EQ(Decode("TWE"), "Ma"); // a last group of three without padding
    EXPECT_EQ(Decode("T"), "");     // a single character gives nothing
    EXPECT_EQ(Decode(""), "");
    // A blank is a "+"; other bytes outside the alphabet are skipped.
    EXPECT_EQ(Decode("a b/"), Decode("a+b/"));
    EXPECT_EQ(Decode("T\r\nW-F*u"), "Man");
    // Decoding stops at the first "=".
    EXPECT_EQ(Decode("TWE=TWFu"), "Ma");
    // An "=" where no byte can end fails.
    EXPECT_FALSE(Decode("TWFu="));
    EXPECT_FALSE(Decode("TWFuT="));
    EXPECT_FALSE(Decode("="));

    std::size_t count = 99;
    const auto buffer = CBase64::Decode("TWFu", 4, count);
    ASSERT_TRUE(buffer);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(buffer[3], 0); // zero byte after the data
    EXPECT_FALSE(CBase64::Decode("QQ=", 3, count) == nullptr);
}

TEST(Base64, EncodingRoundTrip) {
    EXPECT_EQ(CBase64::Encode("Man"), "TWFu");
    EXPECT_EQ(CBase64::Encode("Ma"), "TWE=");
    EXPECT_EQ(CBase64::Encode("M"), "TQ==");
    EXPECT_EQ(CBase64::Encode(""), "");
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(static_cast<char>(i));
    for (int n = 0; n <= 256; n += 17)
        EXPECT_EQ(Decode(CBase64::Encode(all.left(n)).constData()), all.left(n)) << n;
    EXPECT_EQ(CBase64::Encode(all), all.toBase64());
}

} // namespace
