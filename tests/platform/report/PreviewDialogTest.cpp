#include "platform/report/PreviewDialog.h"
#include "platform/report/Document.h"
#include "platform/report/Output.h"
#include "platform/ui/ModalRunner.h"

#include "tests/platform/report/PdfText.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <algorithm>

using namespace report;

namespace {

// Rows of three columns under a page header, with page numbers in the footer: five A4 pages
// within the margins, one row on the last (a page laid out on the whole paper would hold them on
// four).
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
        const QString name = QStringLiteral("f%1").arg(c);
        records.AddField(name, FieldString);
        def.detail.AddColumn(name, QStringLiteral("列%1").arg(c), name, 10);
    }
    for (int r = 1; r <= kRows; ++r) {
        records.Append();
        for (int c = 0; c < 3; ++c)
            records.FindField(QStringLiteral("f%1").arg(c))->SetAsString(QStringLiteral("行%1-%2").arg(r).arg(c));
        records.Post();
    }
    return Document(def, records);
}

// A PDF printer, so that nothing asks the machine's printers.
struct Fixture {
    QTemporaryDir dir;
    Document document = MakeDocument();
    QPrinter printer{QPrinter::HighResolution};
    int printedPages = 0; // what the same document makes on the same printer

    Fixture() {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("print.pdf")));
        document.SetupPrinter(printer);
        Document twin = MakeDocument();
        twin.WritePdf(dir.filePath(QStringLiteral("twin.pdf")));
        printedPages = twin.PageCount();
    }
};

QAction* Tool(QWidget& dialog, const QString& text) {
    for (QAction* a : dialog.findChildren<QAction*>())
        if (a->text() == text)
            return a;
    ADD_FAILURE() << "no tool " << text.toStdString();
    return nullptr;
}

// Shows the dialog at a given size and paints it; answers the pages it drew for that.
std::vector<int> Paint(PreviewDialog& dialog, std::size_t drawnBefore) {
    dialog.show();
    QApplication::processEvents();
    dialog.grab();
    const std::vector<int>& drawn = dialog.DrawnPages();
    return std::vector<int>(drawn.begin() + long(std::min(drawnBefore, drawn.size())), drawn.end());
}

bool Dark(QRgb p) {
    return qGray(p) < 128;
}

} // namespace

TEST(PreviewDialog, OpensOnTheFirstPageDrawingOnlyThePagesInViewAndMovesBetweenPages) {
    Fixture f;
    ASSERT_EQ(f.printedPages, 5);
    PreviewDialog dialog(f.document, f.printer, true);
    dialog.resize(800, 600);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("预览"));
    EXPECT_EQ(dialog.PageCount(), f.printedPages);
    EXPECT_TRUE(dialog.DrawnPages().empty()); // nothing drawn before it is shown

    // At the page's width only the top of the first page is in view.
    EXPECT_EQ(Paint(dialog, 0), std::vector<int>{0});
    auto* box = dialog.findChild<QSpinBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("第 1 页，共 %1 页").arg(f.printedPages));
    EXPECT_FALSE(Tool(dialog, "上一页")->isEnabled());
    EXPECT_FALSE(Tool(dialog, "首页")->isEnabled());

    std::size_t seen = dialog.DrawnPages().size();
    Tool(dialog, "下一页")->trigger();
    EXPECT_EQ(dialog.CurrentPage(), 1);
    EXPECT_EQ(Paint(dialog, seen), std::vector<int>{1});

    seen = dialog.DrawnPages().size();
    Tool(dialog, "末页")->trigger();
    const int last = f.printedPages - 1;
    EXPECT_EQ(dialog.CurrentPage(), last);
    EXPECT_EQ(Paint(dialog, seen), std::vector<int>{last});
    EXPECT_EQ(box->text(), QStringLiteral("第 %1 页，共 %1 页").arg(f.printedPages));
    EXPECT_FALSE(Tool(dialog, "下一页")->isEnabled());

    seen = dialog.DrawnPages().size();
    box->setValue(3); // typed into the page box
    EXPECT_EQ(dialog.CurrentPage(), 2);
    EXPECT_EQ(Paint(dialog, seen), std::vector<int>{2});
    Tool(dialog, "上一页")->trigger();
    EXPECT_EQ(dialog.CurrentPage(), 1);
    EXPECT_EQ(box->value(), 2);

    // Scrolled by hand down to the fourth page, the page box follows.
    auto* view = dialog.findChild<QAbstractScrollArea*>();
    view->verticalScrollBar()->setValue(3 * (dialog.PageSize().height() + 12) + 20);
    EXPECT_EQ(dialog.CurrentPage(), 3);
    EXPECT_EQ(box->value(), 4);
}

TEST(PreviewDialog, DrawsEachPageOnItsPaperInsideTheMargins) {
    Fixture f;
    PreviewDialog dialog(f.document, f.printer, true);
    dialog.resize(800, 600);
    dialog.show();
    QApplication::processEvents();
    const QImage first = dialog.PageImage(0);
    const QImage second = dialog.PageImage(1);
    ASSERT_EQ(first.size(), dialog.PageSize());
    EXPECT_NE(first, second); // other rows, another page number

    // The table's left edge is the printable area's: nothing is drawn on the margins.
    const QRectF printable = f.printer.pageLayout().paintRect(QPageLayout::Millimeter);
    const double pixelsPerMm = dialog.Zoom() / 10;
    int left = first.width(), top = first.height();
    for (int y = 0; y < first.height(); ++y)
        for (int x = 0; x < first.width(); ++x)
            if (Dark(first.pixel(x, y))) {
                left = std::min(left, x);
                top = std::min(top, y);
            }
    EXPECT_NEAR(left, printable.left() * pixelsPerMm, 2);
    EXPECT_GE(top, printable.top() * pixelsPerMm - 1);
    EXPECT_LT(top, (printable.top() + 10) * pixelsPerMm); // the header is at the top
}

TEST(PreviewDialog, ZoomsByTheToolsAndTheControlWheel) {
    Fixture f;
    PreviewDialog dialog(f.document, f.printer, true);
    dialog.resize(800, 600);
    dialog.show();
    QApplication::processEvents();
    auto* view = dialog.findChild<QAbstractScrollArea*>();
    const QSize room = view->viewport()->size();
    const QSize wide = dialog.PageSize();
    EXPECT_LE(wide.width(), room.width());
    EXPECT_GT(wide.width(), room.width() - 40);

    Tool(dialog, "整页")->trigger();
    EXPECT_LE(dialog.PageSize().height(), room.height());
    EXPECT_LT(dialog.PageSize().width(), wide.width());

    Tool(dialog, "适合宽度")->trigger();
    EXPECT_EQ(dialog.PageSize(), wide);
    dialog.PageImage(0);
    const std::size_t drawn = dialog.DrawnPages().size();
    Tool(dialog, "放大")->trigger();
    EXPECT_NEAR(dialog.PageSize().width(), wide.width() * 1.25, 1);
    EXPECT_EQ(dialog.PageImage(0).size(), dialog.PageSize()); // drawn again at the new zoom
    EXPECT_EQ(dialog.DrawnPages().size(), drawn + 1);
    Tool(dialog, "缩小")->trigger();
    EXPECT_NEAR(dialog.PageSize().width(), wide.width(), 1);

    const double zoom = dialog.Zoom();
    const QPointF at(100, 100);
    // A touchpad's half steps make one step of the zoom together.
    QWheelEvent half(at, view->viewport()->mapToGlobal(at), QPoint(), QPoint(0, 60), Qt::NoButton,
                     Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view->viewport(), &half);
    EXPECT_EQ(dialog.Zoom(), zoom);
    QApplication::sendEvent(view->viewport(), &half);
    EXPECT_NEAR(dialog.Zoom(), zoom * 1.25, 1e-9);
    const double zoomed = dialog.Zoom();
    const int scrolled = view->verticalScrollBar()->value();
    QWheelEvent down(at, view->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view->viewport(), &down);
    EXPECT_EQ(dialog.Zoom(), zoomed);
    EXPECT_GT(view->verticalScrollBar()->value(), scrolled);
}

namespace {

struct Progress final : PageProgress {
    int pages = -1, made = 0, ends = 0;
    void Begin(int n) override { pages = n; }
    void PageMade(int n) override { made = n; }
    void End() override { ++ends; }
};

} // namespace

TEST(PreviewDialog, PrintsEveryPageOnThePrinterThroughThePrintDialog) {
    Fixture f;
    Progress progress;
    SetPageProgress(&progress);
    int asked = 0;
    ui::SetQtDialogRunner([&](QDialog& d) {
        asked += qobject_cast<QPrintDialog*>(&d) != nullptr;
        return int(QDialog::Accepted);
    });
    {
        PreviewDialog dialog(f.document, f.printer, false);
        dialog.resize(800, 600);
        dialog.show();
        Tool(dialog, "打印…")->trigger();
        EXPECT_EQ(dialog.result(), int(QDialog::Accepted));
        EXPECT_FALSE(dialog.isVisible()); // closed once printed
    }
    ui::SetQtDialogRunner({});
    SetPageProgress(nullptr);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(progress.pages, f.printedPages);
    EXPECT_EQ(progress.made, f.printedPages);
    EXPECT_EQ(progress.ends, 1);
    if (!testing_pdf::HavePdfToText())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    const QString pdf = f.printer.outputFileName();
    EXPECT_EQ(testing_pdf::PdfPageCount(pdf), f.printedPages);
    EXPECT_TRUE(testing_pdf::PdfText(pdf, f.printedPages).contains(QStringLiteral("行%1-2").arg(kRows)));
}
