// The percentage-method, rate and score-band dialogs driven as a user drives them.

#include "DialogSchool.h"

#include "controls/ChartCtrl.h"
#include "controls/GifStatic.h"
#include "platform/report/Output.h"
#include "platform/ui/FileDialog.h"
#include "report/ExportToXls.h"
#include "report/PrintOrExcelDlg.h"
#include "reports/ExcellentRateDlg.h"
#include "reports/ExcellentRates.h"
#include "reports/PercentModeDlg.h"
#include "reports/ReportQueries.h"
#include "reports/ScoreBandReportDlg.h"
#include "reports/ScoreBands.h"

#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace reports;

namespace {

class RateBandDlgTest : public DialogSchool {
protected:
    void SetUp() override {
        DialogSchool::SetUp();
        SetContext();
    }
    void TearDown() override {
        ui::SetDialogRunner({});
        DialogSchool::TearDown();
    }
    static void Click(ui::Dialog& dlg, int id) {
        QTest::mouseClick(dlg.GetDlgItem<QAbstractButton>(id), Qt::LeftButton);
    }
    static void Type(QLineEdit* edit, const QString& text) {
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
    // The teacher moves on to another control.
    static void Leave(QLineEdit* edit) {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(edit, &out);
    }
    static void TypeAndLeave(QLineEdit* edit, const QString& text) {
        Type(edit, text);
        Leave(edit);
    }
    static void ExpectGridShows(CGridCtrl& g, const CReportTable& t) {
        ASSERT_EQ(g.GetRowCount(), t.RowCount());
        ASSERT_EQ(g.GetColumnCount(), t.ColumnCount());
        for (int r = 0; r < t.RowCount(); ++r)
            for (int c = 0; c < t.ColumnCount(); ++c)
                EXPECT_EQ(g.GetItemText(r, c), t.Text(r, c)) << r << "," << c;
    }
    std::unique_ptr<CExcellentRateDlg> OpenRates(int mode, int method) {
        auto dlg = std::make_unique<CExcellentRateDlg>();
        dlg->SetMode(mode, method);
        dlg->OnInitDialog();
        return dlg;
    }
    std::unique_ptr<CScoreBandReportDlg> OpenBands() {
        auto dlg = std::make_unique<CScoreBandReportDlg>();
        dlg->OnInitDialog();
        return dlg;
    }
    CReportTable Grade(int subject, const QString& text, int width) {
        CReportTable t;
        ComputeGradeBands(m_db, Context(), {subject, text, 0, 0, width}, t);
        return t;
    }
};

} // namespace

TEST_F(RateBandDlgTest, PercentModeAsksForTheCutOfItsMode) {
    for (int mode : {0, 1}) {
        CPercentModeDlg dlg;
        dlg.SetMode(mode);
        dlg.OnInitDialog();
        EXPECT_EQ(dlg.GetDlgItem<QGroupBox>(CPercentModeDlg::IDC_GROUP)->title(),
                  mode ? QStringLiteral("给定优秀标准") : QStringLiteral("给定计算标准"));
        EXPECT_TRUE(dlg.GetDlgItem<QRadioButton>(CPercentModeDlg::IDC_BY_PROPORTION)->isChecked());
        EXPECT_TRUE(dlg.Picture()->IsAnimatedGIF()); // GIF 250
        dlg.GetDlgItem<QRadioButton>(CPercentModeDlg::IDC_BY_SCORE)->setChecked(true);
        Click(dlg, ui::IDOK);
        EXPECT_EQ(dlg.m_nMethod, 0);
        EXPECT_EQ(dlg.result(), ui::IDOK);
    }
}

TEST_F(RateBandDlgTest, RateDialogLabelsDefaultsAndHelpFollowModeAndMethod) {
    auto byProportion = OpenRates(kExcellentRate, kCutByProportion);
    EXPECT_EQ(byProportion->windowTitle(), QStringLiteral("2008级期中考试优生率报表"));
    EXPECT_EQ(byProportion->GetDlgItem<QLabel>(CExcellentRateDlg::IDC_CUT_LEAD)->text(),
              QStringLiteral("全年级前"));
    EXPECT_EQ(byProportion->GetDlgItem<QLabel>(CExcellentRateDlg::IDC_CUT_TAIL)->text(),
              QStringLiteral("%为优秀"));
    EXPECT_EQ(byProportion->CutEdit()->text(), QStringLiteral("20"));
    EXPECT_TRUE(byProportion->GetDlgItem(CExcellentRateDlg::IDC_HELP)->isEnabled());
    Click(*byProportion, CExcellentRateDlg::IDC_HELP);
    EXPECT_EQ(boxes->Texts(), QStringList{QStringLiteral("另，最后一行是分数标准。")});

    auto pass = OpenRates(kPassRate, kCutByScore);
    EXPECT_EQ(pass->windowTitle(), QStringLiteral("2008级期中考试及格率报表"));
    EXPECT_EQ(pass->GetDlgItem<QLabel>(CExcellentRateDlg::IDC_CUT_LEAD)->text(),
              QStringLiteral("分数不低于"));
    EXPECT_EQ(pass->GetDlgItem<QLabel>(CExcellentRateDlg::IDC_CUT_TAIL)->text(), QStringLiteral("分为及格"));
    EXPECT_EQ(pass->CutEdit()->text(), QStringLiteral("60"));
    EXPECT_FALSE(pass->GetDlgItem(CExcellentRateDlg::IDC_HELP)->isEnabled());

    auto averages = OpenRates(kTopAverage, kCutByProportion);
    EXPECT_EQ(averages->CutEdit()->text(), QStringLiteral("100"));
    EXPECT_FALSE(averages->GetDlgItem(CExcellentRateDlg::IDC_HELP)->isEnabled());
}

TEST_F(RateBandDlgTest, RatesAreCalculatedFromWhatIsTyped) {
    // By score the averages open with 0 and refuse it.
    auto dlg = OpenRates(kTopAverage, kCutByScore);
    EXPECT_EQ(dlg->CutEdit()->text(), QStringLiteral("0"));
    Click(*dlg, ui::IDOK);
    EXPECT_EQ(boxes->Texts(),
              QStringList{QStringLiteral("看来您并不需要此项功能，请使用基本统计量报表功能！")});
    EXPECT_EQ(boxes->Boxes()[0].caption, QStringLiteral("信息提示"));
    EXPECT_EQ(dlg->Grid().GetRowCount(), 1);

    boxes->Clear();
    Type(dlg->CutEdit(), QStringLiteral("80"));
    dlg->GetDlgItem<QRadioButton>(CExcellentRateDlg::IDC_ARTS)->setChecked(true);
    Click(*dlg, ui::IDOK);
    EXPECT_TRUE(boxes->Boxes().empty());
    CReportTable expected;
    ComputeExcellentRates(m_db, m_cipher, Context(), {kTopAverage, kCutByScore, kArtsStudents, "80"},
                          expected);
    ExpectGridShows(dlg->Grid(), expected);
    EXPECT_EQ(dlg->Grid().GetItemText(2, 1),
              QStringLiteral("85.01")); // D, the only 文 student at 80 or above
    EXPECT_EQ(dlg->Grid().GetItemFormat(0, 1), 0x26u);
    EXPECT_EQ(dlg->result(), 0); // still open

    // Not a number: the user is told, nothing changes and the box shows the cut in force again.
    Type(dlg->CutEdit(), QStringLiteral("abc"));
    Click(*dlg, ui::IDOK);
    EXPECT_EQ(boxes->Texts(), QStringList{QStringLiteral("请输入一个数字。")});
    ExpectGridShows(dlg->Grid(), expected);
    EXPECT_EQ(dlg->CutEdit()->text(), QStringLiteral("80"));
}

TEST_F(RateBandDlgTest, AProportionAbove100IsRefusedAndTheTableStays) {
    auto dlg = OpenRates(kExcellentRate, kCutByProportion);
    Click(*dlg, ui::IDOK);
    const CReportTable shown = dlg->Table();
    ASSERT_GT(shown.RowCount(), 1);
    for (const char* typed : {"150", "-3"}) {
        Type(dlg->CutEdit(), QString::fromUtf8(typed));
        Click(*dlg, ui::IDOK);
        EXPECT_EQ(boxes->Texts(), QStringList{CutRefusal(kCutByProportion, QString::fromUtf8(typed))});
        EXPECT_EQ(dlg->CutEdit()->text(), QStringLiteral("20"));
        ExpectGridShows(dlg->Grid(), shown);
        boxes->Clear();
    }
}

TEST_F(RateBandDlgTest, RatesArePreviewedOrExported) {
    QTemporaryDir out;
    report::PdfOutput pdf(out.path());
    int choice = 0;
    ui::SetDialogRunner([&](ui::Dialog& d) {
        if (auto* c = dynamic_cast<CPrintOrExcelDlg*>(&d)) {
            c->m_nChoice = choice;
            return ui::IDOK;
        }
        return ui::IDCANCEL;
    });
    auto dlg = OpenRates(kExcellentRate, kCutByProportion);
    Click(*dlg, ui::IDOK);
    Click(*dlg, CExcellentRateDlg::IDC_PRINT);
    report::IReport& r = dlg->ReportComponent().Report();
    const std::vector<QStringList> expected = dlg->Table().Records();
    ASSERT_EQ(r.Records().RecordCount(), int(expected.size()));
    EXPECT_EQ(r.Records().Record(r.Records().RecordCount() - 1), expected.back()); // the 年级 row
    EXPECT_EQ(r.Definition().pageHeader.boxes[0].text, dlg->windowTitle());
    EXPECT_EQ(pdf.PreviewCount(), 1);

    choice = 1;
    SetExportClock([] { return std::time_t(1136073600); });
    Click(*dlg, CExcellentRateDlg::IDC_PRINT);
    SetExportClock({});
    EXPECT_EQ(handedOn, QStringList{m_dir.filePath(QStringLiteral("1136073600.xls"))});
    EXPECT_TRUE(boxes->Boxes().empty());
}

TEST_F(RateBandDlgTest, BandDialogListsSubjectsByNumberAndComputesOnEveryChange) {
    // Two subjects of one name: the number, not the name, picks the column.
    m_db.Execute(
        QStringLiteral("UPDATE tavrinKMK SET mydesc=(SELECT mydesc FROM tavrinKMK WHERE id=1) WHERE id=2"));
    auto dlg = OpenBands();
    QComboBox* subjects = dlg->SubjectBox();
    ASSERT_EQ(subjects->count(), 6);
    EXPECT_EQ(subjects->itemText(1), QStringLiteral("语文"));
    EXPECT_EQ(subjects->itemData(1).toInt(), 2);
    EXPECT_EQ(subjects->itemText(3), QStringLiteral("总分"));
    EXPECT_EQ(subjects->itemText(5), QStringLiteral("理总"));
    EXPECT_EQ(dlg->ClassBox()->count(), 4);
    EXPECT_FALSE(dlg->ClassBox()->isEnabled());
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("2008级期中考试各班各科分数段报表"));
    EXPECT_TRUE(dlg->Chart().m_bNormalCurve);

    subjects->setCurrentIndex(1);
    emit subjects->activated(1);
    ExpectGridShows(dlg->Grid(), Grade(2, QStringLiteral("语文"), 10));
    EXPECT_EQ(dlg->m_nHigh, 0); // the whole range of each subject
    EXPECT_EQ(dlg->m_nRowCount, 17);

    // A typed width computes when the teacher leaves the box, not while typing.
    Type(dlg->WidthEdit(), QStringLiteral("8"));
    EXPECT_EQ(dlg->m_nRowCount, 17);
    Leave(dlg->WidthEdit());
    EXPECT_EQ(dlg->m_nRowCount, 21);
    EXPECT_EQ(dlg->m_nBandWidth, 8);
    EXPECT_EQ(dlg->result(), 0);
    // Leaving it again, untouched, computes nothing more; the spin arrows compute at once.
    dlg->Grid().SetRowCount(1);
    Leave(dlg->WidthEdit());
    EXPECT_EQ(dlg->Grid().GetRowCount(), 1);
    dlg->WidthEdit()->setText(QStringLiteral("10"));
    EXPECT_EQ(dlg->m_nRowCount, 17);
}

TEST_F(RateBandDlgTest, AWidthIsJudgedWhenTheTeacherIsDone) {
    auto dlg = OpenBands(); // 语文, full mark 100, width 10
    Click(*dlg, ui::IDOK);
    const CReportTable shown = dlg->Table();
    ASSERT_GT(shown.RowCount(), 1);
    const int rows = dlg->m_nRowCount;
    // Typing 300 passes 3 and 30: neither computes nor does the range box show before the end.
    Type(dlg->WidthEdit(), QStringLiteral("300"));
    EXPECT_TRUE(boxes->Boxes().empty());
    EXPECT_EQ(dlg->m_nBandWidth, 10);
    EXPECT_EQ(dlg->m_nRowCount, rows);
    Leave(dlg->WidthEdit());
    EXPECT_EQ(boxes->Texts(), QStringList{QStringLiteral("请输入一个介于 1 和 100 之间的整数。")});
    EXPECT_EQ(dlg->WidthEdit()->text(), QStringLiteral("10"));
    EXPECT_EQ(dlg->m_nBandWidth, 10);
    ExpectGridShows(dlg->Grid(), shown);
    boxes->Clear();
    // 统计 right after typing judges it just the same.
    Type(dlg->WidthEdit(), QStringLiteral("25"));
    EXPECT_EQ(dlg->m_nBandWidth, 10);
    Click(*dlg, ui::IDOK);
    EXPECT_TRUE(boxes->Boxes().empty());
    EXPECT_EQ(dlg->m_nBandWidth, 25);
    ExpectGridShows(dlg->Grid(), Grade(dlg->SubjectBox()->currentData().toInt(), QStringLiteral("语文"), 25));
}

TEST_F(RateBandDlgTest, LeavingWithAWidthTypedJudgesNothing) {
    // 退出, Esc and the close box, each with 300 typed and not yet judged.
    for (int way = 0; way < 3; ++way) {
        auto dlg = OpenBands();
        dlg->show();
        dlg->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
        dlg->WidthEdit()->setFocus();
        Type(dlg->WidthEdit(), QStringLiteral("300"));
        if (way == 0)
            Click(*dlg, ui::IDCANCEL);
        else if (way == 1)
            QTest::keyClick(dlg->WidthEdit(), Qt::Key_Escape);
        else
            dlg->close();
        QApplication::processEvents();
        EXPECT_FALSE(dlg->isVisible()) << way;
        EXPECT_TRUE(boxes->Boxes().empty()) << way;
        EXPECT_EQ(dlg->m_nBandWidth, 10) << way;
    }
}

TEST_F(RateBandDlgTest, ADialogDestroyedWhileAWidthIsTypedAnswersNothing) {
    auto dlg = OpenBands();
    dlg->show();
    dlg->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
    dlg->WidthEdit()->setFocus();
    Type(dlg->WidthEdit(), QStringLiteral("300"));
    dlg.reset();
    QApplication::processEvents();
    EXPECT_TRUE(boxes->Boxes().empty());
}

TEST_F(RateBandDlgTest, ARefusedWidthComputesNothingAndTheBoxShowsTheWidthInForce) {
    auto dlg = OpenBands(); // 语文, full mark 100
    TypeAndLeave(dlg->WidthEdit(), QStringLiteral("8"));
    const CReportTable shown = dlg->Table();
    const QString range = QStringLiteral("请输入一个介于 1 和 100 之间的整数。");
    const struct {
        const char* typed;
        QString message;
    } cases[] = {{"0.5", QStringLiteral("请输入一个整数。")},
                 {"abc", QStringLiteral("请输入一个整数。")},
                 {"0", range},
                 {"-5", range}};
    for (const auto& c : cases) {
        Type(dlg->WidthEdit(), QString::fromUtf8(c.typed));
        EXPECT_EQ(dlg->WidthEdit()->text(), QString::fromUtf8(c.typed)); // never "5.5" while typing
        EXPECT_TRUE(boxes->Boxes().empty()) << c.typed;
        Click(*dlg, ui::IDOK);
        EXPECT_EQ(boxes->Texts(), QStringList{c.message}) << c.typed;
        EXPECT_EQ(dlg->WidthEdit()->text(), QStringLiteral("8"));
        EXPECT_EQ(dlg->m_nBandWidth, 8);
        ExpectGridShows(dlg->Grid(), shown);
        boxes->Clear();
    }
    // Wider than the full mark is refused when the teacher leaves the box; the width in force stays.
    TypeAndLeave(dlg->WidthEdit(), QStringLiteral("200"));
    EXPECT_EQ(boxes->Texts(), QStringList{range});
    EXPECT_EQ(dlg->WidthEdit()->text(), QStringLiteral("8"));
    ExpectGridShows(dlg->Grid(), shown);
}

TEST_F(RateBandDlgTest, ABandReportOnAnExamWithoutWeightsSaysSo) {
    m_db.Execute(QStringLiteral("DELETE FROM tavrinKMWGT"));
    auto dlg = OpenBands();
    Click(*dlg, ui::IDOK);
    EXPECT_EQ(boxes->Texts(), QStringList{NoFullMarksMessage()});
    EXPECT_EQ(dlg->Grid().GetRowCount(), 1);
}

TEST_F(RateBandDlgTest, TheRangeDialogSetsTheBoundsOnlyOnOk) {
    auto dlg = OpenBands();
    int high = -1;
    ui::SetDialogRunner([&](ui::Dialog& d) {
        auto* range = dynamic_cast<CScoreBandRangeDlg*>(&d);
        if (!range)
            return ui::IDCANCEL;
        high = range->m_nHigh;
        return ui::IDCANCEL;
    });
    Click(*dlg, CScoreBandReportDlg::IDC_RANGE);
    EXPECT_EQ(high, 150); // proposed
    EXPECT_EQ(dlg->m_nHigh, 0);
    // Without a range of the user's, 总分 (full mark 250) has its own whole range, which the range
    // dialog then proposes.
    dlg->SubjectBox()->setCurrentIndex(3);
    emit dlg->SubjectBox()->activated(3);
    EXPECT_EQ(dlg->m_nShownHigh, 250);
    Click(*dlg, CScoreBandReportDlg::IDC_RANGE);
    EXPECT_EQ(high, 250);
    dlg->SubjectBox()->setCurrentIndex(0);
    // A low bound at or above the high one is refused and the range dialog stays open; OK with
    // 60..150 takes them.
    QStringList results;
    ui::SetDialogRunner([&](ui::Dialog& d) {
        auto& range = dynamic_cast<CScoreBandRangeDlg&>(d);
        range.OnInitDialog();
        for (const auto& [low, high] : {std::pair{"100", "10"}, {"100", "100"}, {"60", "150"}}) {
            range.GetDlgItem<QLineEdit>(CScoreBandRangeDlg::IDC_LOW)->setText(QString::fromUtf8(low));
            range.GetDlgItem<QLineEdit>(CScoreBandRangeDlg::IDC_HIGH)->setText(QString::fromUtf8(high));
            range.OnOK();
            results << QString::number(range.result());
        }
        return range.result();
    });
    Click(*dlg, CScoreBandReportDlg::IDC_RANGE);
    EXPECT_EQ(results, QStringList({"0", "0", QString::number(ui::IDOK)}));
    EXPECT_EQ(boxes->Texts(), QStringList(2, QStringLiteral("最低分必须低于最高分，请重新输入！")));
    boxes->Clear();
    EXPECT_EQ(dlg->m_nLow, 60);
    EXPECT_EQ(dlg->m_nHigh, 150);
    Click(*dlg, ui::IDOK);
    EXPECT_EQ(dlg->m_nShownHigh, 100); // 语文 from 60 to 100
    EXPECT_EQ(dlg->m_nRowCount, 6);
    // 总分 (full mark 250) next: the user's range holds.
    dlg->SubjectBox()->setCurrentIndex(3);
    emit dlg->SubjectBox()->activated(3);
    EXPECT_EQ(dlg->m_nShownHigh, 150);

    // A low bound at the full mark: a message and the header only.
    dlg->m_nLow = 250;
    dlg->m_nHigh = 300;
    Click(*dlg, ui::IDOK);
    ASSERT_EQ(boxes->Texts().size(), 1);
    EXPECT_EQ(boxes->Boxes()[0].caption, QStringLiteral("信息提示"));
    EXPECT_EQ(dlg->Grid().GetRowCount(), 1);
    EXPECT_EQ(dlg->m_nRowCount, 1);
}

TEST_F(RateBandDlgTest, ChartsShowTheChosenClassAndAreSavedAsBitmaps) {
    auto dlg = OpenBands(); // 语文 first
    dlg->ClassBox()->setCurrentIndex(0);
    Click(*dlg, CScoreBandReportDlg::IDC_STYLE_HISTOGRAM);
    EXPECT_TRUE(dlg->Grid().isHidden());
    EXPECT_FALSE(dlg->Chart().isHidden());
    EXPECT_TRUE(dlg->ClassBox()->isEnabled());
    EXPECT_EQ(dlg->GetDlgItem<QPushButton>(CScoreBandReportDlg::IDC_PRINT)->text(),
              QStringLiteral("保存图像"));
    EXPECT_EQ(dlg->Chart().GetChartStyle(), 1);
    // Class 1's 语文: 69.988, 80, 90, one in each of (60,70], (70,80] and (80,90].
    CChartCtrl& chart = dlg->Chart();
    ASSERT_EQ(chart.GetCount(), 3);
    EXPECT_EQ(chart.GetItem(0).m_strLabel, QStringLiteral("(60,70]"));
    EXPECT_EQ(chart.GetItem(0).m_dValue, 1);
    EXPECT_EQ(chart.GetItem(1).m_dValue, 1);
    EXPECT_EQ(chart.GetItem(2).m_strLabel, QStringLiteral("(80,90]"));
    EXPECT_EQ(chart.GetItem(2).m_dValue, 1);
    EXPECT_EQ(chart.GetWindowText(), QStringLiteral("1班语文"));
    EXPECT_NEAR(dlg->m_dMean, 79.996, 1e-9);

    // Class 2 as a pie.
    Click(*dlg, CScoreBandReportDlg::IDC_STYLE_PIE);
    dlg->ClassBox()->setCurrentIndex(1);
    emit dlg->ClassBox()->activated(1);
    EXPECT_EQ(chart.GetChartStyle(), 2);
    EXPECT_EQ(chart.GetWindowText(), QStringLiteral("2班语文"));
    EXPECT_EQ(chart.GetCount(), 2); // 75 and 85.008

    ui::ScriptedFileDialogs files;
    const QString path = m_dir.filePath(QStringLiteral("chart.bmp"));
    files.SetNextSaveAnswer(path);
    Click(*dlg, CScoreBandReportDlg::IDC_PRINT);
    EXPECT_EQ(files.ProposedNames(), QStringList{QStringLiteral("2班语文.bmp")});
    EXPECT_EQ(files.Filters(), QStringList{QStringLiteral("位图文件 (*.bmp)|*.bmp||")});
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.read(2), QByteArray("BM"));
    EXPECT_TRUE(boxes->Boxes().empty());

    // A picture that cannot be written is reported.
    files.SetNextSaveAnswer(m_dir.filePath(QStringLiteral("missing/chart.bmp")));
    ExpectWarning failed(QStringLiteral("chart not saved"));
    Click(*dlg, CScoreBandReportDlg::IDC_PRINT);
    EXPECT_EQ(boxes->Texts(), QStringList{QStringLiteral("对不起，图像保存失败！")});
}

TEST_F(RateBandDlgTest, ClassBandsReturnToTheTableAndAskForTheClass) {
    auto dlg = OpenBands();
    Click(*dlg, CScoreBandReportDlg::IDC_STYLE_HISTOGRAM);
    ui::SetDialogRunner([](ui::Dialog& d) {
        auto* input = dynamic_cast<CClassInputDlg*>(&d);
        if (!input)
            return ui::IDCANCEL;
        input->m_nClass = 1;
        return ui::IDOK;
    });
    Click(*dlg, CScoreBandReportDlg::IDC_CLASS_BANDS);
    EXPECT_FALSE(dlg->Grid().isHidden());
    EXPECT_TRUE(dlg->Chart().isHidden());
    EXPECT_TRUE(dlg->GetDlgItem<QRadioButton>(CScoreBandReportDlg::IDC_STYLE_TABLE)->isChecked());
    EXPECT_EQ(dlg->GetDlgItem<QPushButton>(CScoreBandReportDlg::IDC_PRINT)->text(),
              QStringLiteral("打印报表"));
    CReportTable expected;
    ComputeClassBands(m_db, Context(), {1, QStringLiteral("语文"), 0, 150, 10}, 1, expected);
    ExpectGridShows(dlg->Grid(), expected);
    EXPECT_EQ(dlg->m_nColCount, 5);

    // Cancelled: the five titles alone.
    ui::SetDialogRunner([](ui::Dialog&) { return ui::IDCANCEL; });
    Click(*dlg, CScoreBandReportDlg::IDC_CLASS_BANDS);
    EXPECT_EQ(dlg->Grid().GetRowCount(), 1);
    EXPECT_EQ(dlg->Grid().GetItemText(0, 2), QStringLiteral("百分比"));

    // The grade table previews every band row and exports.
    QTemporaryDir out;
    report::PdfOutput pdf(out.path());
    Click(*dlg, ui::IDOK);
    Click(*dlg, CScoreBandReportDlg::IDC_PRINT);
    report::IReport& r = dlg->ReportComponent().Report();
    EXPECT_EQ(r.Records().RecordCount(), dlg->m_nRowCount - 1);
    EXPECT_EQ(pdf.PreviewCount(), 1);
    SetExportClock([] { return std::time_t(1136073601); });
    Click(*dlg, CScoreBandReportDlg::IDC_EXPORT);
    SetExportClock({});
    EXPECT_EQ(handedOn, QStringList{m_dir.filePath(QStringLiteral("1136073601.xls"))});
}

TEST_F(RateBandDlgTest, DatabaseFailuresAreToldAndKeepWhatWasFilled) {
    m_db.Execute(QStringLiteral("ALTER TABLE tavrinKMWGT RENAME TO weights"));
    {
        ExpectWarning renamed(QStringLiteral("no such table: tavrinKMWGT"));
        auto bands = OpenBands();
        Click(*bands, ui::IDOK);
        ASSERT_EQ(boxes->Boxes().size(), 1u);
        EXPECT_TRUE(boxes->Boxes()[0].text.startsWith(QStringLiteral("错误信息:")));
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
    m_db.Execute(QStringLiteral("ALTER TABLE weights RENAME TO tavrinKMWGT"));
    boxes->Clear();
    {
        // Failing while the bands are counted: the class titles written so far stay.
        m_db.Execute(QStringLiteral("ALTER TABLE tavrinKSK RENAME COLUMN s01 TO t01"));
        ExpectWarning gone(QStringLiteral("no such column: s01"));
        auto bands = OpenBands();
        Click(*bands, ui::IDOK);
        ASSERT_EQ(boxes->Boxes().size(), 1u);
        EXPECT_TRUE(boxes->Boxes()[0].text.startsWith(QStringLiteral("错误信息:")));
        EXPECT_EQ(bands->Grid().GetItemText(0, 4), QStringLiteral(" 4班"));
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        m_db.Execute(QStringLiteral("ALTER TABLE tavrinKSK RENAME COLUMN t01 TO s01"));
    }
    boxes->Clear();

    m_db.Execute(QStringLiteral("ALTER TABLE tavrinKSK RENAME TO scores"));
    ExpectWarning renamed(QStringLiteral("no such table: tavrinKSK"));
    auto rates = OpenRates(kExcellentRate, kCutByScore);
    Click(*rates, ui::IDOK);
    ASSERT_EQ(boxes->Boxes().size(), 1u);
    EXPECT_TRUE(boxes->Boxes()[0].text.startsWith(QStringLiteral("错误信息:")));
    EXPECT_EQ(rates->Grid().GetItemText(0, 3), QStringLiteral("英语")); // the subject titles stay
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
