#include "DialogSchool.h"

#include "platform/report/Output.h"
#include "platform/report/PageChoice.h"
#include "platform/text/Gbk.h"
#include "platform/ui/Messages.h"
#include "platform/ui/ModalRunner.h"
#include "report/ExportToXls.h"
#include "report/GridPrint.h"
#include "reports/BasicStatDlg.h"
#include "reports/BasicStats.h"
#include "reports/ReportDialogSupport.h"
#include "tests/platform/report/PdfText.h"

#include "tests/common/Warnings.h"
#include <QComboBox>
#include <QFile>

#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace reports;

namespace {

class BasicStatDlgTest : public DialogSchool {
protected:
    void SetUp() override {
        DialogSchool::SetUp();
        SetContext();
    }

    std::unique_ptr<CBasicStatDlg> Open(int mode) {
        auto dlg = std::make_unique<CBasicStatDlg>();
        dlg->SetStatMode(mode);
        dlg->OnInitDialog();
        return dlg;
    }
    static void Click(CBasicStatDlg& dlg, int id) {
        QTest::mouseClick(dlg.GetDlgItem<QAbstractButton>(id), Qt::LeftButton);
    }
    static bool Hidden(CBasicStatDlg& dlg, int id) { return dlg.GetDlgItem(id)->isHidden(); }

    // The grid shows exactly the table, with the counts the dialog keeps beside it.
    static void ExpectGridShows(CBasicStatDlg& dlg, const CReportTable& t) {
        CGridCtrl& g = dlg.Grid();
        ASSERT_EQ(g.GetRowCount(), t.RowCount());
        ASSERT_EQ(g.GetColumnCount(), t.ColumnCount());
        EXPECT_EQ(dlg.m_nRows, t.RowCount());
        EXPECT_EQ(dlg.m_nCols, t.ColumnCount());
        EXPECT_EQ(g.GetFixedColumnCount(), t.FixedColumnCount());
        for (int r = 0; r < t.RowCount(); ++r)
            for (int c = 0; c < t.ColumnCount(); ++c) {
                EXPECT_EQ(g.GetItemText(r, c), t.Text(r, c)) << r << "," << c;
                if (t.Cell(r, c)->align != CellAlign::Default) {
                    EXPECT_EQ(g.GetItemFormat(r, c), CellFormat(t.Cell(r, c)->align)) << r << "," << c;
                }
            }
    }

    CReportTable Expected(int mode, const GradeStatOptions& options = {}) {
        CReportTable t = InitialBasicStatTable();
        ComputeBasicStat(mode, m_db, m_cipher, Context(), options, t);
        return t;
    }
};

} // namespace

TEST_F(BasicStatDlgTest, StandardScoresOpenWithTheirFixedChoices) {
    auto dlg = Open(kClassStandardScores);
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("各班各科标准分报表"));
    EXPECT_EQ(dlg->m_cbStatistic->currentText(), QStringLiteral("标准分"));
    EXPECT_FALSE(dlg->m_cbStatistic->isEnabled());
    EXPECT_TRUE(dlg->GetDlgItem<QRadioButton>(CBasicStatDlg::IDC_ACCUM_GRADE)->isChecked());
    EXPECT_FALSE(dlg->GetDlgItem(CBasicStatDlg::IDC_ACCUM_STREAMS)->isEnabled());
    EXPECT_TRUE(Hidden(*dlg, CBasicStatDlg::IDC_RANK));
    EXPECT_EQ(dlg->Grid().GetItemFormat(0, 0), 0x26u);
}

TEST_F(BasicStatDlgTest, ComputeShowsEachModesTable) {
    for (int mode : {kClassSubjectTable, kSubjectClassTable, kClassStandardScores}) {
        auto dlg = Open(mode);
        Click(*dlg, ui::IDOK);
        const CReportTable t = Expected(mode);
        ExpectGridShows(*dlg, t);
        EXPECT_EQ(dlg->windowTitle(), t.caption);
        EXPECT_EQ(dlg->result(), 0); // still open
    }
    EXPECT_TRUE(boxes->Boxes().empty());
}

TEST_F(BasicStatDlgTest, GradeStatisticsFollowTheChoicesAndRank) {
    auto dlg = Open(kGradeStats);
    dlg->m_cbStatistic->setCurrentIndex(int(Statistic::StDev));
    dlg->GetDlgItem<QRadioButton>(CBasicStatDlg::IDC_ACCUM_GRADE)->setChecked(true);
    Click(*dlg, ui::IDOK);
    const CReportTable t = Expected(kGradeStats, {Statistic::StDev, kGradeRow, false});
    ExpectGridShows(*dlg, t);
    EXPECT_EQ(dlg->m_nCols, 5); // the "人数" columns went
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("2008级期中考试标准差报表"));
    EXPECT_EQ(dlg->Grid().GetItemBkColour(5, 1), gdi::Rgb(153, 204, 255));

    // Ranking keeps the count columns as "名次", and the radio now says "打印".
    Click(*dlg, CBasicStatDlg::IDC_RANK);
    CReportTable ranked = InitialBasicStatTable();
    ComputeGradeRanks(m_db, m_cipher, Context(), {Statistic::StDev, kGradeRow, false}, ranked);
    ExpectGridShows(*dlg, ranked);
    EXPECT_EQ(dlg->Grid().GetItemText(0, 2), QStringLiteral("名次"));
    EXPECT_TRUE(dlg->GetDlgItem<QRadioButton>(CBasicStatDlg::IDC_COUNT_KEEP)->isChecked());
    EXPECT_FALSE(dlg->m_bRankPending);
}

TEST_F(BasicStatDlgTest, TotalsNeverComputedAreNamedBeforeAnythingIsComputed) {
    // The school's 总分 is computed, its 文总 and 理总 are not.
    auto dlg = Open(kGradeStats);
    ASSERT_EQ(dlg->m_nAccumType, kStreamRows);
    const QString title = dlg->windowTitle();
    Click(*dlg, ui::IDOK);
    // It names the items to compute, and the grade row that needs 总分 only.
    ASSERT_EQ(boxes->Texts(),
              QStringList{QStringLiteral("本次考试的学生有效总分（文总、理总）还没有计算。\n"
                                         "请先运行“统计分析→算学生有效总分”，在“计算”框中依次选"
                                         "“文总”、“理总”，每次勾选计入的科目后计算一次！\n"
                                         "或者把“累计类型”选为“年级”，不分文理科统计。")});
    EXPECT_EQ(boxes->Boxes()[0].caption, QStringLiteral("信息提示"));
    ExpectGridShows(*dlg, InitialBasicStatTable());
    EXPECT_EQ(dlg->windowTitle(), title);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // Ranking stops the same way and stays unasked for.
    boxes->Clear();
    Click(*dlg, CBasicStatDlg::IDC_RANK);
    EXPECT_EQ(boxes->Texts().size(), 1);
    EXPECT_FALSE(dlg->m_bRankPending);

    // Once computed, the same choice computes.
    ComputeValidTotals(m_db, 1, 0, {1, 3});
    ComputeValidTotals(m_db, 1, 1, {2});
    boxes->Clear();
    Click(*dlg, ui::IDOK);
    EXPECT_TRUE(boxes->Boxes().empty());
    ExpectGridShows(*dlg, Expected(kGradeStats));

    // The standard scores read 总分 alone; the block tables read no total.
    m_db.Execute(QStringLiteral("UPDATE tavrinKSK SET sum3=NULL"));
    auto standard = Open(kClassStandardScores);
    Click(*standard, ui::IDOK);
    EXPECT_EQ(boxes->Texts().size(), 1);
    EXPECT_TRUE(boxes->Texts().value(0).contains(QStringLiteral("（总分）")));
    boxes->Clear();
    auto blocks = Open(kClassSubjectTable);
    Click(*blocks, ui::IDOK);
    EXPECT_TRUE(boxes->Boxes().empty());
}

TEST_F(BasicStatDlgTest, PreviewFeedsTheBlockTablesByPosition) {
    QTemporaryDir out;
    report::PdfOutput pdf(out.path());
    for (int mode : {kClassSubjectTable, kSubjectClassTable}) {
        auto dlg = Open(mode);
        Click(*dlg, ui::IDOK);
        Click(*dlg, CBasicStatDlg::IDC_PRINT_PREVIEW);
        report::IReport& r = dlg->ReportComponent().Report();
        const std::vector<QStringList> expected = Expected(mode).Records();
        ASSERT_EQ(r.Records().RecordCount(), int(expected.size())) << mode;
        for (int i = 0; i < r.Records().RecordCount(); ++i)
            EXPECT_EQ(r.Records().Record(i), expected[i]) << mode << " record " << i;
        EXPECT_EQ(r.Definition().pageHeader.boxes[0].text,
                  dlg->windowTitle() + QStringLiteral("(%1)").arg(mode + 1));
        ASSERT_EQ(r.Definition().detail.groups.size(), 1u);
    }
    // Mode 1 loses the empty class 3 block; mode 2 keeps class 3's empty row in every block.
    EXPECT_EQ(Expected(kClassSubjectTable).Records().size(), 9u);
    EXPECT_EQ(Expected(kSubjectClassTable).Records().size(), 12u);
    // The printout makes a table of each run of one first-column value: one per subject, the
    // empty class a row of its subject's table with nothing but its names.
    const auto tables = [](const std::vector<QStringList>& records) {
        int runs = 0;
        for (std::size_t i = 0; i < records.size(); ++i)
            if (i == 0 || records[i].value(0) != records[i - 1].value(0))
                ++runs;
        return runs;
    };
    const std::vector<QStringList> bySubject = Expected(kSubjectClassTable).Records();
    EXPECT_EQ(tables(bySubject), 3);
    for (std::size_t i = 2; i < bySubject.size(); i += 4) { // class 3 in each block
        EXPECT_FALSE(bySubject[i].value(0).trimmed().isEmpty()) << i;
        EXPECT_TRUE(bySubject[i].value(3).trimmed().isEmpty()) << i;
    }
    EXPECT_EQ(pdf.PreviewCount(), 2);
    EXPECT_TRUE(boxes->Boxes().empty());
}

TEST_F(BasicStatDlgTest, ExportWritesTheGridAndHandsItOn) {
    SetExportClock([] { return std::time_t(1136073600); });
    auto dlg = Open(kClassStandardScores);
    Click(*dlg, ui::IDOK);
    Click(*dlg, CBasicStatDlg::IDC_EXPORT);
    SetExportClock({});
    const QString path = m_dir.filePath(QStringLiteral("1136073600.xls"));
    ASSERT_EQ(handedOn, QStringList{path});
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    // The table's texts without the blanks that pad them in the grid.
    QString expected;
    const CReportTable t = Expected(kClassStandardScores);
    for (int r = 0; r < t.RowCount(); ++r) {
        for (int c = 0; c < t.ColumnCount(); ++c)
            expected += t.Text(r, c).trimmed() + u'\t';
        expected += u'\n';
    }
    EXPECT_TRUE(expected.contains(QStringLiteral("\n1班\t"))); // " 1班" on screen
    EXPECT_EQ(f.readAll(), text::ToGbk(expected));
    EXPECT_TRUE(boxes->Boxes().empty()); // the file was opened
}

TEST_F(BasicStatDlgTest, ThePrintRequestReachesTheOpenDialogsGrid) {
    std::vector<CGridCtrl*> printed;
    SetDefaultPrinterQuery([] { return QStringLiteral("Laser"); });
    SetGridPrinter([&](CGridCtrl& g, QPrinter&) { printed.push_back(&g); });
    ui::SetQtDialogRunner([](QDialog&) { return int(QDialog::Accepted); });
    {
        auto dlg = Open(kGradeStats);
        EXPECT_EQ(frame->GetPrintTarget(), dlg.get());
        frame->OnPrintGrid(0, 0);
        QCoreApplication::processEvents();
        ASSERT_EQ(printed.size(), 1u);
        EXPECT_EQ(printed[0], &dlg->Grid());
    }
    EXPECT_EQ(frame->GetPrintTarget(), nullptr); // forgotten with the dialog
    ui::SetQtDialogRunner({});
    SetGridPrinter({});
    SetDefaultPrinterQuery({});
}

TEST_F(BasicStatDlgTest, ThePageChosenInPrintSetupReachesReportsAndGridPrints) {
    if (!testing_pdf::HavePdfToText())
        GTEST_SKIP() << "poppler-utils is not installed";
    report::ForgetChosenPage();
    QStringList shown;
    ui::SetQtDialogRunner([&](QDialog& d) {
        shown << QString::fromLatin1(d.metaObject()->className());
        auto* setup = qobject_cast<QPageSetupDialog*>(&d);
        if (!setup)
            return int(QDialog::Rejected);
        setup->printer()->setPageOrientation(QPageLayout::Landscape); // the user turns the page
        return int(QDialog::Accepted);
    });
    {
        // Without a printer the setup runs on the PDF writer, which Qt warns of.
        testwarnings::AllowWarning noPrinter(
            QStringLiteral("QPageSetupDialog: Cannot be used on non-native printers"));
        frame->OnCmdMsg(ui::ID_FILE_PRINT_SETUP); // 报表打印设置
    }
    ASSERT_EQ(shown, QStringList{"QPageSetupDialog"});
    EXPECT_EQ(profile::GetProfileInt(QStringLiteral("PageSetup"), QStringLiteral("Orientation"), -1), 1);

    // A narrow report previews on the chosen page.
    QTemporaryDir out;
    report::PdfOutput pdf(out.path());
    auto dlg = Open(kClassStandardScores);
    Click(*dlg, ui::IDOK);
    Click(*dlg, CBasicStatDlg::IDC_PRINT_PREVIEW);
    ASSERT_EQ(pdf.Written().size(), 1);
    const QSizeF reportPage = testing_pdf::PdfPageSize(pdf.Written().front());
    EXPECT_NEAR(reportPage.width(), 842, 1);
    EXPECT_NEAR(reportPage.height(), 595, 1);

    // The grid's print request opens the print dialog on it too.
    const QString gridPdf = out.filePath(QStringLiteral("grid.pdf"));
    SetDefaultPrinterQuery([] { return QStringLiteral("Laser"); });
    ui::SetQtDialogRunner([&](QDialog& d) {
        auto* dialog = qobject_cast<QPrintDialog*>(&d);
        if (!dialog)
            return int(QDialog::Rejected);
        EXPECT_EQ(dialog->printer()->pageLayout().orientation(), QPageLayout::Landscape);
        dialog->printer()->setOutputFormat(QPrinter::PdfFormat);
        dialog->printer()->setOutputFileName(gridPdf);
        return int(QDialog::Accepted);
    });
    frame->OnPrintGrid(0, 0);
    QCoreApplication::processEvents();
    ui::SetQtDialogRunner({});
    SetDefaultPrinterQuery({});
    const QSizeF gridPage = testing_pdf::PdfPageSize(gridPdf);
    EXPECT_GT(gridPage.width(), gridPage.height());
    report::ForgetChosenPage();
}

TEST_F(BasicStatDlgTest, ADatabaseErrorIsShownAndTheRowsSoFarStay) {
    m_db.Execute(QStringLiteral("ALTER TABLE tavrinKMWGT RENAME TO weights"));
    ExpectWarning renamed(QStringLiteral("no such table: tavrinKMWGT"));
    auto dlg = Open(kClassSubjectTable);
    Click(*dlg, ui::IDOK);
    ASSERT_EQ(boxes->Boxes().size(), 1u);
    EXPECT_TRUE(boxes->Boxes()[0].text.startsWith(QStringLiteral("错误信息:")));
    EXPECT_EQ(boxes->Boxes()[0].caption, QStringLiteral("信息提示"));
    EXPECT_EQ(dlg->Grid().GetItemText(0, 0), QStringLiteral("班级"));
    EXPECT_EQ(dlg->m_nRows, dlg->Grid().GetRowCount());
    EXPECT_GT(dlg->m_nRows, 1); // the blocks were laid out before the failing query
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // The dialog stays usable.
    m_db.Execute(QStringLiteral("ALTER TABLE weights RENAME TO tavrinKMWGT"));
    boxes->Clear();
    Click(*dlg, ui::IDOK);
    EXPECT_TRUE(boxes->Boxes().empty());
    ExpectGridShows(*dlg, Expected(kClassSubjectTable));
}
