#include "TrackDialogSchool.h"

#include "analysis/ScoreHistory.h"
#include "analysis/ScoreQueryDlg.h"
#include "controls/FontEx.h"
#include "controls/grid/GridNotify.h"
#include "platform/ui/ModalRunner.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

namespace {

class ScoreQueryDlgTest : public TrackDialogSchool {
protected:
    std::unique_ptr<CScoreQueryDlg> Open() {
        auto dlg = std::make_unique<CScoreQueryDlg>();
        dlg->OnInitDialog();
        return dlg;
    }
    static void Click(CScoreQueryDlg& dlg, int id) {
        QTest::mouseClick(dlg.GetDlgItem<QAbstractButton>(id), Qt::LeftButton);
    }
    static void Type(CScoreQueryDlg& dlg, int id, const QString& text) {
        auto* edit = dlg.GetDlgItem<QLineEdit>(id);
        edit->clear();
        // Key by key, Chinese characters included.
        for (const QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(edit, &press);
        }
    }
};

TEST_F(ScoreQueryDlgTest, SearchNeedsAGradeAndANamePart) {
    auto dlg = Open();
    EXPECT_EQ(dlg->GradeList()->currentText(), QStringLiteral("高2008级"));
    EXPECT_EQ(GridRow(dlg->Grid(), 0), QStringList({"学号", "姓名", "班级", "考试"}));

    Click(*dlg, CScoreQueryDlg::IDC_SEARCH);
    Type(*dlg, CScoreQueryDlg::IDC_NAME, QStringLiteral("张"));
    dlg->GradeList()->setEditText(QStringLiteral("高2009级"));
    Click(*dlg, CScoreQueryDlg::IDC_SEARCH);
    EXPECT_EQ(boxes->Texts(), QStringList({analysis::EmptyKeyMessage(), analysis::EmptyKeyMessage()}));
    EXPECT_EQ(dlg->Grid().GetRowCount(), 1);

    boxes->Clear();
    dlg->GradeList()->setCurrentIndex(0);
    Type(*dlg, CScoreQueryDlg::IDC_NAME, QStringLiteral(" 赵 "));
    Click(*dlg, CScoreQueryDlg::IDC_SEARCH);
    EXPECT_EQ(boxes->Texts(), QStringList({analysis::NotFoundMessage()}));
    EXPECT_EQ(dlg->m_nRowCount, 1);

    // The name field holds at most 8 bytes, cut at a character boundary; the first cut says so.
    boxes->Clear();
    Type(*dlg, CScoreQueryDlg::IDC_NAME, QStringLiteral("一二三四五"));
    EXPECT_EQ(dlg->GetDlgItem<QLineEdit>(CScoreQueryDlg::IDC_NAME)->text(), QStringLiteral("一二三四"));
    Type(*dlg, CScoreQueryDlg::IDC_NAME, QStringLiteral("一二三四五六"));
    EXPECT_EQ(boxes->Texts(), QStringList{QStringLiteral("姓名最长8个字节（4个汉字），多出的部分已去掉。")});
    Type(*dlg, CScoreQueryDlg::IDC_STUDENT_ID, QStringLiteral("1200801019"));
    EXPECT_EQ(dlg->GetDlgItem<QLineEdit>(CScoreQueryDlg::IDC_STUDENT_ID)->text(),
              QStringLiteral("120080101"));
    EXPECT_EQ(boxes->Texts().size(), 2);
    EXPECT_EQ(boxes->Texts().back(), QStringLiteral("学号最长9个字节，多出的部分已去掉。"));
}

TEST_F(ScoreQueryDlgTest, SearchResultsSortByTheClickedTitleAndExportFourColumns) {
    auto dlg = Open();
    dlg->show();
    Click(*dlg, CScoreQueryDlg::IDC_EXPORT); // the header only: nothing, and it says so
    EXPECT_TRUE(handedOn.isEmpty());
    EXPECT_EQ(boxes->Texts(), QStringList{"列表中没有数据，没有可以导出到电子表格的内容。"});
    boxes->Clear();

    Type(*dlg, CScoreQueryDlg::IDC_NAME, QStringLiteral("a"));
    Click(*dlg, CScoreQueryDlg::IDC_SEARCH);
    ASSERT_EQ(dlg->m_nRowCount, 3);
    EXPECT_EQ(GridColumn(dlg->Grid(), 0), QStringList({"120080103", "120080102"}));
    ClickHeader(dlg->Grid(), 0);
    EXPECT_EQ(GridColumn(dlg->Grid(), 0), QStringList({"120080102", "120080103"}));
    ClickHeader(dlg->Grid(), 0);
    EXPECT_EQ(GridColumn(dlg->Grid(), 0), QStringList({"120080103", "120080102"}));

    Click(*dlg, CScoreQueryDlg::IDC_EXPORT);
    const QList<QStringList> lines = Exported();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[2], QStringList({"120080102", "abcd", "1", "", ""}));

    // A click on a student puts the number into the field.
    dlg->Grid().SendMessageToParent(2, 1, NM_CLICK);
    EXPECT_EQ(dlg->GetDlgItem<QLineEdit>(CScoreQueryDlg::IDC_STUDENT_ID)->text(),
              QStringLiteral("120080102"));
}

TEST_F(ScoreQueryDlgTest, HistoryAsksForStreamsAndSortsNamesAsText) {
    auto dlg = Open();
    dlg->show();
    Click(*dlg, ui::IDOK);
    EXPECT_EQ(boxes->Texts(), QStringList({analysis::EmptyKeyMessage()}));

    boxes->Clear();
    Type(*dlg, CScoreQueryDlg::IDC_STUDENT_ID, QStringLiteral("120080101"));
    boxes->SetNextAnswer(ui::IDNO);
    Click(*dlg, ui::IDOK);
    EXPECT_EQ(boxes->Texts(), QStringList({QStringLiteral("请问，需要分文理科吗？")}));
    EXPECT_EQ(GridRow(dlg->Grid(), 0), QStringList({"学号", "姓名", "班级", "考试", "总分", "语文", "数学"}));
    EXPECT_EQ(dlg->m_nColCount, 7);
    EXPECT_EQ(dlg->m_nRowCount, 5);

    boxes->SetNextAnswer(ui::IDYES);
    Click(*dlg, ui::IDOK);
    EXPECT_EQ(dlg->m_nColCount, 10);
    EXPECT_EQ(GridColumn(dlg->Grid(), 3), QStringList({"月考", "期中考试", "期末考试", "Error"}));
    // The sorting set by a search: 考试 as GBK text, 总分 as numbers with decimals.
    Type(*dlg, CScoreQueryDlg::IDC_NAME, QStringLiteral("张"));
    Click(*dlg, CScoreQueryDlg::IDC_SEARCH);
    Type(*dlg, CScoreQueryDlg::IDC_STUDENT_ID, QStringLiteral("120080101"));
    boxes->SetNextAnswer(ui::IDYES);
    Click(*dlg, ui::IDOK);
    ClickHeader(dlg->Grid(), 3);
    EXPECT_EQ(GridColumn(dlg->Grid(), 3), QStringList({"Error", "期末考试", "期中考试", "月考"}));
    ClickHeader(dlg->Grid(), 5);
    EXPECT_EQ(GridColumn(dlg->Grid(), 5), QStringList({"1.00", "70.25", "85.50", "90.00"}));

    boxes->Clear();
    Type(*dlg, CScoreQueryDlg::IDC_STUDENT_ID, QStringLiteral("12008010"));
    Click(*dlg, ui::IDOK);
    EXPECT_EQ(boxes->Texts().last(), analysis::NotFoundMessage());
    EXPECT_EQ(dlg->m_nRowCount, 1);
}

} // namespace

namespace {

TEST_F(ScoreQueryDlgTest, FontDialogStartsOnTheGridFont) {
    auto dlg = Open();
    ASSERT_TRUE(dlg->Grid().GetFont());
    EXPECT_EQ(dlg->Grid().GetFont()->GetLogFont().lfHeight, -16);
    QString offered;
    ui::SetQtDialogRunner([&](QDialog& d) {
        offered = static_cast<CFontColourDialog&>(d).SelectedFont().family();
        return int(QDialog::Accepted);
    });
    Click(*dlg, CScoreQueryDlg::IDC_FONT);
    ui::SetQtDialogRunner({});
    EXPECT_EQ(offered, gdi::ToQFont(dlg->Grid().GetFont()->GetLogFont()).family());
    EXPECT_TRUE(boxes->Texts().isEmpty());
}

} // namespace
