#include "GridTestSupport.h"

#include "controls/grid/ViewPrintPreview.h"
#include "platform/report/Output.h"
#include "platform/text/Gbk.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/ModalRunner.h"
#include "report/GridPrint.h"

#include <QFile>
#include <QMainWindow>
#include <QPageSize>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// PDF output of a grid; the text of each page through pdftotext.
class PdfOut {
public:
    PdfOut() : printer(QPrinter::HighResolution) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setOutputFileName(dir.filePath("out.pdf"));
    }
    static bool HaveTool() { return !QStandardPaths::findExecutable("pdftotext").isEmpty(); }
    QStringList Pages() const {
        QProcess p;
        p.start("pdftotext", {"-layout", dir.filePath("out.pdf"), "-"});
        p.waitForFinished(30000);
        QStringList pages = QString::fromUtf8(p.readAllStandardOutput()).split('\f');
        if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
            pages.removeLast();
        return pages;
    }

    QTemporaryDir dir;
    QPrinter printer;
};

std::unique_ptr<CGridCtrl> MakeGrid(int rows, int cols, QWidget* parent) {
    auto grid = std::make_unique<CGridCtrl>(rows, cols, 1, 1, parent);
    FillTexts(*grid);
    return grid;
}

class CommandWindow : public QMainWindow, public ui::CommandTarget {
public:
    std::vector<int> ids;
    bool OnCmdMsg(int id) override {
        ids.push_back(id);
        return true;
    }
    bool OnUpdateCmdUI(int, ui::CmdUI&) override { return false; }
};

} // namespace

TEST(GridPrint, OnePageGridPrintsHeaderFooterAndEveryCell) {
    if (!PdfOut::HaveTool())
        GTEST_SKIP() << "pdftotext not installed";
    QWidget parent;
    parent.setWindowTitle("Roster");
    auto grid = MakeGrid(5, 3, &parent);
    PdfOut pdf;
    ASSERT_TRUE(grid->Print(&pdf.printer));
    EXPECT_EQ(grid->GetPrintPageCount(), 1);
    const QStringList pages = pdf.Pages();
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(pages[0].contains("Page 1 of 1"));
    EXPECT_TRUE(pages[0].contains("Roster"));
    for (const char* text : {"0,0", "0,2", "4,0", "4,2"})
        EXPECT_TRUE(pages[0].contains(text)) << text;
}

namespace {

// What a print tells the program's progress: the pages, each page made, the end.
class ProgressLog : public report::PageProgress {
public:
    ProgressLog() { report::SetPageProgress(this); }
    ~ProgressLog() override { report::SetPageProgress(nullptr); }
    void Begin(int pages) override { told << QStringLiteral("begin %1").arg(pages); }
    void PageMade(int made) override { told << QString::number(made); }
    void End() override { told << QStringLiteral("end"); }
    QStringList told;
};

} // namespace

TEST(GridPrint, HeadingsRepeatOnEveryPageAndRowsAreNotLostBetweenPages) {
    if (!PdfOut::HaveTool())
        GTEST_SKIP() << "pdftotext not installed";
    QWidget parent;
    auto grid = MakeGrid(200, 3, &parent);
    PdfOut pdf;
    ProgressLog progress;
    ASSERT_TRUE(grid->Print(&pdf.printer));
    const QStringList pages = pdf.Pages();
    ASSERT_GT(pages.size(), 1);
    ASSERT_EQ(pages.size(), grid->GetPrintPageCount());
    // The progress counted every page as it was made.
    QStringList expected{QStringLiteral("begin %1").arg(pages.size())};
    for (int i = 1; i <= pages.size(); ++i)
        expected << QString::number(i);
    expected << QStringLiteral("end");
    EXPECT_EQ(progress.told, expected);
    QString all;
    for (int i = 0; i < pages.size(); ++i) {
        EXPECT_TRUE(pages[i].contains("0,1")) << "column headings on page " << i + 1;
        EXPECT_TRUE(pages[i].contains(QStringLiteral("Page %1 of %2").arg(i + 1).arg(pages.size())));
        all += pages[i];
    }
    // Each data row once, with its row heading.
    for (int r = 1; r < 200; ++r) {
        EXPECT_EQ(all.count(QRegularExpression(QStringLiteral("\\b%1,0\\b").arg(r))), 1) << r;
        EXPECT_EQ(all.count(QRegularExpression(QStringLiteral("\\b%1,2\\b").arg(r))), 1) << r;
    }
}

TEST(GridPrint, RowTallerThanBodyPrintsClippedOnAPageOfItsOwn) {
    if (!PdfOut::HaveTool())
        GTEST_SKIP() << "pdftotext not installed";
    QWidget parent;
    auto grid = MakeGrid(4, 2, &parent);
    grid->SetRowHeight(2, 5000);
    // Top-aligned, so that the text of the tall row falls inside the part that is printed.
    grid->SetItemFormat(2, 0, gdi::DT_LEFT | gdi::DT_TOP | gdi::DT_SINGLELINE);
    grid->SetItemFormat(2, 1, gdi::DT_LEFT | gdi::DT_TOP | gdi::DT_SINGLELINE);
    PdfOut pdf;
    ASSERT_TRUE(grid->Print(&pdf.printer));
    const QStringList pages = pdf.Pages();
    ASSERT_EQ(pages.size(), 3);
    EXPECT_TRUE(pages[0].contains("1,1"));
    EXPECT_FALSE(pages[0].contains("2,1"));
    // The tall row is printed with its heading, under the column headings, alone on its page.
    EXPECT_TRUE(pages[1].contains("2,0"));
    EXPECT_TRUE(pages[1].contains("2,1"));
    EXPECT_TRUE(pages[1].contains("0,1"));
    EXPECT_FALSE(pages[1].contains("1,1"));
    EXPECT_FALSE(pages[1].contains("3,1"));
    EXPECT_TRUE(pages[2].contains("3,1"));
    EXPECT_EQ(grid->GetPrintPageStarts(), (std::vector<int>{1, 2, 3}));

    // A tall first row does not leave an empty page before it.
    auto first = MakeGrid(3, 2, &parent);
    first->SetRowHeight(1, 5000);
    first->SetItemFormat(1, 1, gdi::DT_LEFT | gdi::DT_TOP | gdi::DT_SINGLELINE);
    PdfOut pdf2;
    ASSERT_TRUE(first->Print(&pdf2.printer));
    const QStringList pages2 = pdf2.Pages();
    ASSERT_EQ(pages2.size(), 2);
    EXPECT_TRUE(pages2[0].contains("1,1")); // top-aligned text of the tall row shows
    EXPECT_TRUE(pages2[1].contains("2,1"));
}

TEST(GridPrint, MarginsAndPageShape) {
    CGridCtrl grid(3, 3, 1, 1);
    grid.SetPrintMarginInfo(-1, -1, 10, -1, -1, -1, -1);
    int h, f, l, r, t, b, g;
    grid.GetPrintMarginInfo(h, f, l, r, t, b, g);
    EXPECT_EQ((std::vector<int>{h, f, l, r, t, b, g}), (std::vector<int>{2, 2, 10, 4, 1, 1, 1}));

    // The page is as wide as the grid plus margins and keeps the paper's proportions.
    QImage paper(1000, 2000, QImage::Format_RGB32);
    QPainter painter(&paper);
    gdi::Dc dc(&painter);
    CPrintInfo info;
    grid.BeginPrintJob(&dc, &info);
    const gdi::Size page = grid.GetPrintPageSize();
    EXPECT_GT(page.cx, grid.GetVirtualWidth());
    EXPECT_EQ(page.cy, page.cx * 2);
    EXPECT_EQ(info.nMaxPage, 1);
    grid.EndPrintJob(&dc, &info);
}

TEST(GridPrint, CancelledDialogPrintsNothing) {
    CGridCtrl grid(3, 3, 1, 1);
    int shown = 0;
    ui::SetQtDialogRunner([&](QDialog&) {
        ++shown;
        return int(QDialog::Rejected);
    });
    EXPECT_FALSE(grid.Print(nullptr));
    ui::SetQtDialogRunner({});
    EXPECT_EQ(shown, 1);
}

TEST(GridPrint, PrintRequestPrintsTheGridOnTheChosenPrinter) {
    if (!PdfOut::HaveTool())
        GTEST_SKIP() << "pdftotext not installed";
    QWidget parent;
    auto grid = MakeGrid(4, 2, &parent);
    PdfOut pdf;
    SetDefaultPrinterQuery([] { return QStringLiteral("Office"); });
    ui::SetQtDialogRunner([&](QDialog& d) {
        auto* dialog = qobject_cast<QPrintDialog*>(&d);
        EXPECT_NE(dialog, nullptr);
        if (!dialog)
            return int(QDialog::Rejected);
        dialog->printer()->setOutputFormat(QPrinter::PdfFormat);
        dialog->printer()->setOutputFileName(pdf.dir.filePath("out.pdf"));
        return int(QDialog::Accepted);
    });
    PrintGridOnRequest(*grid);
    ui::SetQtDialogRunner({});
    SetDefaultPrinterQuery({});
    const QStringList pages = pdf.Pages();
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(pages[0].contains("3,1"));
}

TEST(GridPrintPreview, PrintClosesPreviewAndSendsPrintCommandToMainWindow) {
    CommandWindow main;
    auto grid = MakeGrid(3, 3, &main);
    int opened = 0;
    ui::SetQtDialogRunner([&](QDialog& dialog) {
        ++opened;
        EXPECT_TRUE(grid->IsPrintPreviewRunning());
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Veltora打印预览"));
        grid->PrintPreview(); // only focuses the open preview
        dialog.findChild<QPushButton*>("print")->click();
        return dialog.result();
    });
    grid->PrintPreview();
    ui::SetQtDialogRunner({});
    EXPECT_EQ(opened, 1);
    EXPECT_FALSE(grid->IsPrintPreviewRunning());
    EXPECT_EQ(main.ids, std::vector<int>{ui::ID_FILE_PRINT});
}

TEST(GridPrintPreview, ClosingSendsNothing) {
    CommandWindow main;
    auto grid = MakeGrid(3, 3, &main);
    ui::SetQtDialogRunner([&](QDialog& dialog) {
        dialog.findChild<QPushButton*>("close")->click();
        return dialog.result();
    });
    grid->PrintPreview();
    ui::SetQtDialogRunner({});
    EXPECT_TRUE(main.ids.empty());
}

TEST(GridTextFile, SaveThenLoadRoundTripsAndSplitsOnSeparator) {
    QTemporaryDir dir;
    const QString path = dir.filePath("grid.txt");
    CGridCtrl grid(3, 3, 1, 1);
    FillTexts(grid); // "r,c": the comma splits on loading with ','
    ASSERT_TRUE(grid.Save(path, '\t'));

    CGridCtrl loaded(1, 1, 0, 0);
    ASSERT_TRUE(loaded.Load(path, '\t'));
    ASSERT_EQ(loaded.GetRowCount(), 3);
    ASSERT_EQ(loaded.GetColumnCount(), 3);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(loaded.GetItemText(r, c), grid.GetItemText(r, c));

    ASSERT_TRUE(grid.Save(path, ','));
    ASSERT_TRUE(loaded.Load(path, ','));
    EXPECT_EQ(loaded.GetColumnCount(), 6);
    EXPECT_EQ(loaded.GetItemText(2, 0), "2");
    EXPECT_EQ(loaded.GetItemText(2, 1), "0");
}

TEST(GridTextFile, LongLinesStayOneRowAndEmptyCellsKeepTheirPlace) {
    QTemporaryDir dir;
    const QString path = dir.filePath("grid.txt");
    CGridCtrl grid(3, 3, 1, 0);
    const QString longText(3000, QChar('x'));
    grid.SetItemText(0, 0, QStringLiteral("姓名"));
    grid.SetItemText(1, 1, longText);
    grid.SetItemText(1, 2, "end");
    grid.SetItemText(2, 0, "");
    ASSERT_TRUE(grid.Save(path, ';'));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith(text::ToGbk(QStringLiteral("姓名;"))));
    file.close();
    CGridCtrl loaded(1, 1, 0, 0);
    ASSERT_TRUE(loaded.Load(path, ';'));
    ASSERT_EQ(loaded.GetRowCount(), 3);
    ASSERT_EQ(loaded.GetColumnCount(), 3);
    EXPECT_EQ(loaded.GetItemText(0, 0), QStringLiteral("姓名"));
    EXPECT_EQ(loaded.GetItemText(1, 1), longText);
    EXPECT_EQ(loaded.GetItemText(1, 2), "end");
}

TEST(GridTextFile, FailuresReportAndLeaveTheGrid) {
    ui::ScriptedMessageBoxes boxes;
    CGridCtrl grid(3, 2, 1, 0);
    FillTexts(grid);
    EXPECT_FALSE(grid.Load("/nonexistent/dir/grid.txt", ','));
    EXPECT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_FALSE(grid.Save("/nonexistent/dir/grid.txt", ','));
    EXPECT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(grid.GetRowCount(), 3);

    QTemporaryDir dir;
    const QString path = dir.filePath("grid.txt");
    ASSERT_TRUE(grid.Save(path, ','));
    CGridCtrl virt(2, 2, 1, 0);
    virt.SetVirtualMode(true);
    const int rows = virt.GetRowCount();
    EXPECT_FALSE(virt.Load(path, ','));
    EXPECT_EQ(virt.GetRowCount(), rows);
}
