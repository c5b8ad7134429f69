#include "platform/report/PreviewDialog.h"
#include "platform/report/Document.h"
#include "platform/report/Output.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/ModalRunner.h"

#include "tests/common/Warnings.h"
#include "tests/platform/report/PdfText.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

using namespace report;

namespace {

// Rows of three columns under a page header, page numbers in the footer: five A4 pages within the
// margins, one row on the last (laid out on the whole paper they would take four).
constexpr int kRows = 4 * 41 + 1; // 41 rows a page

Document MakeDocument() {
    ReportDefinition def;
    def.title = QStringLiteral("预览");
    def.pageHeader.height = 1.0;
    def.pageHeader.AddTextBox(ItemStaticBox).text = QStringLiteral("预览表");
    def.pageFooter.height = 0.8;
    def.pageFooter.AddTextBox(ItemMemoBox).text = QStringLiteral("第[#SystemVar(PageNumber)#]页");
    Recordset records;
    for (int c = 0; c < 3; ++c) {
        records.AddField(QStringLiteral("f%1").arg(c), FieldString);
        def.detail.AddColumn(QStringLiteral("f%1").arg(c), QStringLiteral("列%1").arg(c), QStringLiteral("f%1").arg(c), 10);
    }
    for (int r = 1; r <= kRows; ++r) {
        records.Append();
        for (int c = 0; c < 3; ++c)
            records.FindField(QStringLiteral("f%1").arg(c))->SetAsString(QStringLiteral("行%1-%2").arg(r).arg(c));
        records.Post();
    }
    return Document(def, records);
}

// A PDF printer (nothing asks the machine's printers) and the dialog on it, 800 x 600.
struct Fixture {
    QTemporaryDir dir;
    Document document = MakeDocument();
    QPrinter printer{QPrinter::HighResolution};
    std::unique_ptr<PreviewDialog> dialog;

    explicit Fixture(bool fitWidth = true) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("print.pdf")));
        document.SetupPrinter(printer);
        dialog = std::make_unique<PreviewDialog>(document, printer, fitWidth);
        dialog->resize(800, 600);
    }
    QAction* Tool(const QString& text) const {
        for (QAction* a : dialog->findChildren<QAction*>())
            if (a->text() == text)
                return a;
        ADD_FAILURE() << "no tool " << text.toStdString();
        return nullptr;
    }
    QAbstractScrollArea& View() const { return *dialog->findChild<QAbstractScrollArea*>(); }
    // Shows and paints the dialog; answers the pages drawn for it.
    std::vector<int> Paint() const {
        const std::size_t before = dialog->DrawnPages().size();
        dialog->show();
        QApplication::processEvents();
        dialog->grab();
        return std::vector<int>(dialog->DrawnPages().begin() + long(before), dialog->DrawnPages().end());
    }
};

} // namespace

TEST(PreviewDialog, DrawsOnlyThePagesInViewAndMovesBetweenThem) {
    Fixture f;
    PreviewDialog& dialog = *f.dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("预览"));
    EXPECT_EQ(dialog.PageCount(), 5); // as printed: laid out on the printable area
    EXPECT_TRUE(dialog.DrawnPages().empty());
    // At the page's width only the top of the first page is in view.
    EXPECT_EQ(f.Paint(), std::vector<int>{0});
    auto* box = dialog.findChild<QSpinBox*>();
    EXPECT_EQ(box->text(), QStringLiteral("第 1 页，共 5 页"));
    EXPECT_FALSE(f.Tool("上一页")->isEnabled() || f.Tool("首页")->isEnabled());

    const std::vector<std::pair<std::function<void()>, int>> steps{
        {[&] { f.Tool("下一页")->trigger(); }, 1},
        {[&] { f.Tool("末页")->trigger(); }, 4},
        {[&] { box->setValue(3); }, 2}, // typed into the page box
        {[&] { f.Tool("上一页")->trigger(); }, 1},
        {[&] { f.Tool("首页")->trigger(); }, 0},
    };
    for (const auto& [step, page] : steps) {
        step();
        EXPECT_EQ(dialog.CurrentPage(), page);
        EXPECT_EQ(box->value(), page + 1);
        const std::vector<int> drawn = f.Paint();
        EXPECT_TRUE(drawn.empty() || drawn == std::vector<int>{page}) << page; // kept, or drawn now
    }
    EXPECT_EQ(box->text(), QStringLiteral("第 1 页，共 5 页"));

    // Scrolled by hand (the wheel) down to the next page, the page box follows.
    const QPointF at(100, 100);
    for (int turn = 0; turn < 40 && dialog.CurrentPage() == 0; ++turn) {
        QWheelEvent down(at, at, QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(f.View().viewport(), &down);
    }
    EXPECT_EQ(dialog.CurrentPage(), 1);
    EXPECT_EQ(box->value(), 2);
    // ... once the second page is across the middle of the view.
    EXPECT_GE(f.View().verticalScrollBar()->value() + f.View().viewport()->height() / 2,
              dialog.PageSize().height() + 12);
}

TEST(PreviewDialog, DrawsEachPageOnItsPaperInsideTheMargins) {
    Fixture f;
    f.Paint();
    const QImage first = f.dialog->PageImage(0);
    ASSERT_EQ(first.size(), f.dialog->PageSize());
    EXPECT_NE(first, f.dialog->PageImage(1)); // other rows, another page number

    // The table's left edge is the printable area's, the header at its top: the margins stay blank.
    const QRectF printable = f.printer.pageLayout().paintRect(QPageLayout::Millimeter);
    const double pixelsPerMm = f.dialog->Zoom() / 10;
    int left = first.width(), top = first.height();
    for (int y = 0; y < first.height(); ++y)
        for (int x = 0; x < first.width(); ++x)
            if (qGray(first.pixel(x, y)) < 128) {
                left = std::min(left, x);
                top = std::min(top, y);
            }
    EXPECT_NEAR(left, printable.left() * pixelsPerMm, 2);
    EXPECT_GE(top, printable.top() * pixelsPerMm - 1);
    EXPECT_LT(top, (printable.top() + 10) * pixelsPerMm);
}

TEST(PreviewDialog, ZoomsByTheToolsAndTheControlWheel) {
    Fixture f;
    PreviewDialog& dialog = *f.dialog;
    f.Paint();
    const QSize room = f.View().viewport()->size();
    const QSize wide = dialog.PageSize();
    EXPECT_TRUE(wide.width() <= room.width() && wide.width() > room.width() - 40);
    f.Tool("整页")->trigger();
    EXPECT_LE(dialog.PageSize().height(), room.height());
    f.Tool("适合宽度")->trigger();
    EXPECT_EQ(dialog.PageSize(), wide);

    const std::size_t drawn = dialog.DrawnPages().size();
    f.Tool("放大")->trigger();
    EXPECT_NEAR(dialog.PageSize().width(), wide.width() * 1.25, 1);
    EXPECT_EQ(f.Paint(), std::vector<int>{0}); // drawn again at the new zoom
    EXPECT_EQ(dialog.PageImage(0).size(), dialog.PageSize());
    f.Tool("缩小")->trigger();
    EXPECT_EQ(dialog.PageSize(), wide);

    // A touchpad's half steps with Ctrl held make one step of the zoom together.
    const double zoom = dialog.Zoom();
    for (int k = 0; k < 2; ++k) {
        QWheelEvent half(QPointF(100, 100), QPointF(100, 100), QPoint(), QPoint(0, 60), Qt::NoButton,
                         Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(f.View().viewport(), &half);
        EXPECT_NEAR(dialog.Zoom(), k == 0 ? zoom : zoom * 1.25, 1e-9);
    }
    EXPECT_EQ(dialog.DrawnPages().size(), drawn + 1);
}

TEST(PreviewDialog, PrintsEveryPageThroughThePrintDialogAndCloses) {
    struct Progress final : PageProgress {
        int pages = -1, made = 0, ends = 0;
        void Begin(int n) override { pages = n; }
        void PageMade(int n) override { made = n; }
        void End() override { ++ends; }
    } progress;
    SetPageProgress(&progress);
    int asked = 0;
    ui::SetQtDialogRunner([&](QDialog& d) {
        asked += qobject_cast<QPrintDialog*>(&d) != nullptr;
        return int(QDialog::Accepted);
    });
    Fixture f(false);
    f.dialog->show();
    f.Tool("打印…")->trigger();
    ui::SetQtDialogRunner({});
    SetPageProgress(nullptr);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(f.dialog->result(), int(QDialog::Accepted));
    EXPECT_FALSE(f.dialog->isVisible());
    EXPECT_TRUE(progress.pages == 5 && progress.made == 5 && progress.ends == 1);
    if (!testing_pdf::HavePdfToText())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    EXPECT_EQ(testing_pdf::PdfPageCount(f.printer.outputFileName()), 5);
    EXPECT_TRUE(testing_pdf::PdfText(f.printer.outputFileName(), 5).contains(QStringLiteral("行%1-2").arg(kRows)));
}

TEST(PreviewDialog, APrintThatCannotBeWrittenSaysWhyAndTheDialogStaysOpen) {
    ui::SetQtDialogRunner([](QDialog&) { return int(QDialog::Accepted); });
    ui::ScriptedMessageBoxes boxes;
    const testwarnings::ExpectWarning refused(QStringLiteral("QPainter::begin(): Returned false"));
    Fixture f;
    f.dialog->show();
    const QString missing = f.dir.filePath(QStringLiteral("无此文件夹"));
    const std::vector<std::pair<QString, QString>> unwritable{
        {missing + QStringLiteral("/print.pdf"),
         QStringLiteral("文件夹“%1”不存在。").arg(QDir::toNativeSeparators(missing))},
        {f.dir.path(), QStringLiteral("这是一个文件夹的名字。")},
    };
    for (const auto& [path, reason] : unwritable) {
        boxes.Clear();
        f.printer.setOutputFileName(path);
        f.Tool("打印…")->trigger();
        EXPECT_EQ(boxes.Texts(), QStringList{QStringLiteral("打印没有完成：无法写入文件“%1”：%2")
                                                 .arg(QDir::toNativeSeparators(path), reason)});
        EXPECT_TRUE(f.dialog->isVisible());
        EXPECT_EQ(f.dialog->PageCount(), 5);
    }
    EXPECT_FALSE(QFileInfo::exists(missing));
    EXPECT_EQ(QDir(f.dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{});
    // Another file prints, and the preview closes.
    boxes.Clear();
    f.printer.setOutputFileName(f.dir.filePath(QStringLiteral("print.pdf")));
    f.Tool("打印…")->trigger();
    ui::SetQtDialogRunner({});
    EXPECT_TRUE(boxes.Texts().isEmpty());
    EXPECT_FALSE(f.dialog->isVisible());
    EXPECT_TRUE(QFileInfo::exists(f.printer.outputFileName()));

    // A printer that cannot print says so; the PDF output (the headless print) says as much for
    // its file and writes nothing.
    QPrinter printer;
    EXPECT_EQ(PrintFailureText(printer), QStringLiteral("打印机无法打印。"));
    boxes.Clear();
    PdfOutput pdf(missing + QStringLiteral("/report.pdf"));
    EXPECT_FALSE(CurrentOutput().Print(f.document, false));
    EXPECT_TRUE(pdf.Written().isEmpty());
    ASSERT_EQ(boxes.Texts().size(), 1);
    EXPECT_TRUE(boxes.Texts()[0].startsWith(
        QStringLiteral("打印没有完成：无法写入文件“%1")
            .arg(QDir::toNativeSeparators(missing + QStringLiteral("/report.pdf")))));
}

namespace {

// The viewport as painted now.
QImage Shown(const Fixture& f) {
    return f.View().viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

TEST(PreviewDialog, ZoomedInDrawsThePartInViewAsThePageDrawnWholeAndKeepsWithinItsBound) {
    Fixture f;
    PreviewDialog& dialog = *f.dialog;
    f.Paint();
    // Pieces at a zoom where a page drawn whole would be over 32 MB; scrolled into the page both
    // ways, the view shows what the page drawn whole shows there.
    dialog.SetZoom(120);
    dialog.GoToPage(1);
    QScrollBar* v = f.View().verticalScrollBar();
    QScrollBar* h = f.View().horizontalScrollBar();
    v->setValue(v->value() + 1337);
    h->setValue(777);
    f.Paint();
    const QImage shown = Shown(f);
    const QImage whole = dialog.PageImage(1);
    ASSERT_EQ(whole.size(), dialog.PageSize());
    const QPoint page(12 - h->value(), dialog.PageSize().height() + 2 * 12 - v->value());
    int differ = 0, dark = 0;
    const QRect inView = QRect(page, whole.size()) & shown.rect();
    ASSERT_EQ(inView, shown.rect()); // the page fills the view
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            const QRgb pixel = shown.pixel(x, y);
            differ += pixel != whole.pixel(x - page.x(), y - page.y());
            dark += qGray(pixel) < 128;
        }
    EXPECT_EQ(differ, 0);
    EXPECT_GT(dark, 100); // rows of the table are in view

    // At the largest zoom, scrolled down every page: the kept images stay within their bound
    // while each step draws only what comes into view.
    dialog.SetZoom(1e9);
    h->setValue(0);
    std::size_t drawn = dialog.DrawnPages().size();
    qint64 most = 0;
    for (int index = 0; index < dialog.PageCount(); ++index) {
        dialog.GoToPage(index);
        for (int step = 0; step * f.View().viewport()->height() < dialog.PageSize().height(); ++step) {
            v->setValue(v->value() + (step ? f.View().viewport()->height() : 0));
            f.Paint();
            most = std::max(most, dialog.KeptBytes());
            EXPECT_LE(dialog.KeptBytes(), PreviewDialog::kKeptBytesBound);
        }
        EXPECT_GT(dialog.DrawnPages().size(), drawn);
        drawn = dialog.DrawnPages().size();
    }
    EXPECT_GT(most, PreviewDialog::kKeptBytesBound / 2); // the bound was reached, not just approached
    EXPECT_EQ(dialog.CurrentPage(), dialog.PageCount() - 1);
}

TEST(PreviewDialog, APageWhoseImageCannotBeMadeSaysSoOnThePaper) {
    Fixture f;
    PreviewDialog& dialog = *f.dialog;
    dialog.SetImageMaker([](const QSize&, QImage::Format) { return QImage(); });
    EXPECT_TRUE(f.Paint().empty());
    const QImage shown = Shown(f);
    const QSize page = dialog.PageSize();
    const QRect paper(QPoint((shown.width() - page.width()) / 2, 12), page);
    int white = 0, dark = 0, ground = 0;
    for (int y = paper.top(); y < std::min(shown.height(), paper.bottom()); ++y)
        for (int x = paper.left(); x < paper.right(); ++x) {
            const int gray = qGray(shown.pixel(x, y));
            white += gray == 255;
            dark += gray < 100;
            ground += gray == 128;
        }
    EXPECT_GT(white, paper.width() * 100); // the paper, not the grey ground
    EXPECT_GT(dark, 20);                   // and the words on it
    EXPECT_LT(ground, paper.width());      // none shows through but for a stray pixel of the words

    // With memory again the page is drawn.
    dialog.SetImageMaker({});
    dialog.update();
    EXPECT_EQ(f.Paint(), std::vector<int>{0});
    EXPECT_FALSE(dialog.PageImage(0).isNull());
}
