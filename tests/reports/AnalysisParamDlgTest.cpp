#include "DialogSchool.h"

#include "controls/grid/GridCellCheck.h"
#include "reports/AnalysisParamDlg.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>

namespace {

class ParamDlgTest : public DialogSchool {
protected:
    std::unique_ptr<CAnalysisParamDlg> Open(int mode) {
        auto dlg = std::make_unique<CAnalysisParamDlg>();
        dlg->SetParamMode(mode);
        dlg->OnInitDialog();
        return dlg;
    }
    static void Click(CAnalysisParamDlg& dlg, int id) {
        QTest::mouseClick(dlg.GetDlgItem<QPushButton>(id), Qt::LeftButton);
    }
    // The grid's own way of telling a click on a cell.
    static void Toggle(CAnalysisParamDlg& dlg, int row) {
        dlg.SetSubjectCheck(row, !dlg.GetSubjectCheck(row));
        dlg.Grid().SendMessageToParent(row, 1, NM_CLICK);
    }
    QStringList Texts() const { return boxes->Texts(); }
};

} // namespace

TEST_F(ParamDlgTest, OpensWithTheExamsTheSubjectsAndTheSavedChecks) {
    frame->m_aSubjectSelected[1] = 1; // from an earlier save
    frame->m_nSelectedSubjects = 1;
    frame->m_strAnalysisExam = QStringLiteral("高2008级|期中考试");
    auto dlg = Open(0);
    QComboBox* exams = dlg->ExamBox();
    ASSERT_EQ(exams->count(), 2);
    EXPECT_EQ(exams->itemText(0), QStringLiteral("19999|期末考试")); // no grade row: the code
    EXPECT_EQ(exams->itemText(1), QStringLiteral("高2008级|期中考试"));
    EXPECT_EQ(exams->currentText(), QStringLiteral("高2008级|期中考试"));

    CGridCtrl& g = dlg->Grid();
    ASSERT_EQ(g.GetRowCount(), 5);
    EXPECT_EQ(dlg->m_nRows, 5);
    EXPECT_EQ(g.GetItemText(0, 1), QStringLiteral("是否参与数据分析"));
    EXPECT_EQ(g.GetItemText(4, 0), QStringLiteral("物理"));
    EXPECT_EQ(g.GetItemText(4, 1), QStringLiteral("是"));
    EXPECT_FALSE(g.IsEditable());
    EXPECT_EQ(g.GetRowHeight(2), 32);
    EXPECT_FALSE(dlg->GetSubjectCheck(1));
    EXPECT_TRUE(dlg->GetSubjectCheck(2));
    EXPECT_TRUE(dlg->TotalTypeBox()->isHidden());
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("成绩分析参数设定"));
}

TEST_F(ParamDlgTest, SaveWritesTheFramesContextAndStaysOpen) {
    frame->m_aSubjectSelected[20] = 1; // past the listed rows: kept
    auto dlg = Open(0);
    dlg->ExamBox()->setCurrentIndex(1);
    Toggle(*dlg, 1);
    Toggle(*dlg, 3);
    Click(*dlg, ui::IDOK);
    EXPECT_EQ(frame->m_strAnalysisExam, QStringLiteral("高2008级|期中考试"));
    EXPECT_EQ(frame->m_nAnalysisExamId, 1);
    EXPECT_EQ(frame->m_nSelectedSubjects, 2);
    EXPECT_EQ(frame->ParticipatingSubjects(), (std::vector<int>{1, 3}));
    EXPECT_EQ(frame->m_aSubjectSelected[20], 1);
    ASSERT_EQ(boxes->Boxes().size(), 1u);
    EXPECT_EQ(boxes->Boxes()[0].text, QStringLiteral("成绩分析参数已经设置完毕！"));
    EXPECT_EQ(boxes->Boxes()[0].caption, QStringLiteral("信息提示【1秒后自动关闭】"));
    EXPECT_EQ(dlg->result(), 0); // still open

    // 均否 and save again: no subject takes part, and the statistics commands will refuse.
    Click(*dlg, CAnalysisParamDlg::IDC_SELECT_NONE);
    Click(*dlg, ui::IDOK);
    EXPECT_EQ(frame->m_nSelectedSubjects, 0);
    Click(*dlg, CAnalysisParamDlg::IDC_SELECT_ALL);
    for (int r = 1; r <= 4; ++r)
        EXPECT_TRUE(dlg->GetSubjectCheck(r));
}

TEST_F(ParamDlgTest, AClickOnABoxTogglesItThoughTheGridIsReadOnly) {
    auto dlg = Open(0);
    CGridCtrl& g = dlg->Grid();
    g.grab(); // lays the cells out where the user sees them
    auto* cell = dynamic_cast<CGridCellCheck*>(g.GetCell(2, 1));
    ASSERT_NE(cell, nullptr);
    const QPoint box = g.ClientToWidget(cell->GetCheckPlacement().CenterPoint());
    QTest::mouseClick(&g, Qt::LeftButton, {}, box);
    EXPECT_TRUE(dlg->GetSubjectCheck(2));
    QTest::mouseClick(&g, Qt::LeftButton, {}, box);
    EXPECT_FALSE(dlg->GetSubjectCheck(2));
    EXPECT_EQ(g.GetItemText(2, 1), QStringLiteral("是"));
}

TEST_F(ParamDlgTest, RefusesWithoutAnExam) {
    SetContext({2});
    auto dlg = Open(0);
    Click(*dlg, CAnalysisParamDlg::IDC_SELECT_ALL);
    // An empty text, a typed name and a stale grade part all name no registered exam.
    for (const QString& text : {QString(), QStringLiteral("期中考试"), QStringLiteral("高2009级|期中考试")}) {
        boxes->Clear();
        dlg->ExamBox()->setEditText(text);
        Click(*dlg, ui::IDOK);
        ASSERT_EQ(boxes->Boxes().size(), 1u) << text.toStdString();
        EXPECT_EQ(boxes->Boxes()[0].text, QStringLiteral("对不起，必须选择考试名称！"));
        EXPECT_EQ(boxes->Boxes()[0].caption, QStringLiteral("信息提示"));
        EXPECT_EQ(boxes->Boxes()[0].type, ui::MB_OK | ui::MB_ICONINFORMATION);
    }
    EXPECT_EQ(frame->m_strAnalysisExam, QStringLiteral("2008|期中考试"));
    EXPECT_EQ(frame->m_nSelectedSubjects, 1);
    EXPECT_EQ(frame->ParticipatingSubjects(), std::vector<int>{2});
}

TEST_F(ParamDlgTest, TotalsModeComputesTheChosenTotalFromTheTicks) {
    SetContext({2});
    auto dlg = Open(1);
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("计算各科总分"));
    EXPECT_EQ(dlg->GetDlgItem<QPushButton>(ui::IDOK)->text(), QStringLiteral("计算"));
    EXPECT_FALSE(dlg->ExamBox()->isEnabled());
    EXPECT_EQ(dlg->ExamBox()->currentText(), QStringLiteral("2008|期中考试"));
    EXPECT_FALSE(dlg->TotalTypeBox()->isEditable());
    EXPECT_EQ(dlg->TotalTypeBox()->currentIndex(), 2);
    EXPECT_EQ(dlg->Grid().GetItemText(0, 1), QStringLiteral("是否计入总分"));

    dlg->TotalTypeBox()->setCurrentIndex(0);
    emit dlg->TotalTypeBox()->activated(0);
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("计算文总"));
    EXPECT_EQ(dlg->Grid().GetItemText(0, 1), QStringLiteral("是否计入文科总分"));

    Toggle(*dlg, 2); // off
    Toggle(*dlg, 1);
    Toggle(*dlg, 3);
    Click(*dlg, ui::IDOK);
    EXPECT_EQ(Total(1, "A"), 160.0);
    EXPECT_EQ(Total(1, "B"), 80.0); // no 英语: the others still count
    EXPECT_EQ(Total(1, "E"), std::nullopt);
    EXPECT_EQ(Total(3, "A"), 280.0); // untouched
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("计算任务已经完成！")});
    EXPECT_EQ(frame->ParticipatingSubjects(), std::vector<int>{2}); // mode 1 never writes the context
}

TEST_F(ParamDlgTest, TotalsOnAReadOnlyFileSayThatItIsReadOnly) {
    SetContext();
    data::Database().Execute(QStringLiteral("PRAGMA query_only=1"));
    ExpectWarning refused(QStringLiteral("readonly database"));
    auto dlg = Open(1);
    Click(*dlg, CAnalysisParamDlg::IDC_SELECT_NONE);
    Toggle(*dlg, 1);
    Click(*dlg, ui::IDOK);
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("错误信息:数据库文件是只读的。")});
    EXPECT_EQ(Total(3, "A"), 280.0);
}

TEST_F(ParamDlgTest, AFailingTotalChangesNothingAndSaysWhy) {
    SetContext();
    m_db.Execute(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE OF sum3 ON tavrinKSK "
                                "WHEN NEW.studentid='G' BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    ExpectWarning refused(QStringLiteral("refused"));
    auto dlg = Open(1);
    Click(*dlg, CAnalysisParamDlg::IDC_SELECT_NONE);
    Toggle(*dlg, 1);
    Click(*dlg, ui::IDOK);
    ASSERT_EQ(boxes->Boxes().size(), 1u);
    EXPECT_TRUE(boxes->Boxes()[0].text.startsWith(QStringLiteral("错误信息:")))
        << Texts().join("").toStdString();
    EXPECT_TRUE(boxes->Boxes()[0].text.contains("refused"));
    EXPECT_EQ(boxes->Boxes()[0].caption, QStringLiteral("信息提示"));
    EXPECT_EQ(Total(3, "A"), 280.0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // Without an exam the button does nothing at all.
    frame->m_nAnalysisExamId = -1;
    boxes->Clear();
    Click(*dlg, ui::IDOK);
    EXPECT_TRUE(boxes->Boxes().empty());
}

TEST_F(ParamDlgTest, TwoGradesOfOneNameEachFindTheirOwnExams) {
    // A second grade named like the first, with an exam of the same name and one of its own.
    m_db.Execute(
        QStringLiteral("INSERT INTO tavrinGrade (id, mydesc, gradeno) VALUES (2, '高2008级', '12009')"));
    AddExam(QStringLiteral("12009"), QStringLiteral("期中考试")); // 3
    AddExam(QStringLiteral("12009"), QStringLiteral("期末补考")); // 4
    auto dlg = Open(0);
    QComboBox* exams = dlg->ExamBox();
    ASSERT_EQ(exams->findData(1), exams->findData(3) + 1); // equal texts, the newest first
    EXPECT_EQ(exams->itemText(exams->findData(3)), QStringLiteral("高2008级|期中考试"));

    for (int exam : {3, 1}) {
        exams->setCurrentIndex(exams->findData(exam));
        Click(*dlg, ui::IDOK);
        EXPECT_EQ(frame->m_nAnalysisExamId, exam);
    }
    // Typed, the name is looked up in every grade that carries it.
    exams->setEditText(QStringLiteral("高2008级|期末补考"));
    Click(*dlg, ui::IDOK);
    EXPECT_EQ(frame->m_nAnalysisExamId, 4);
    EXPECT_EQ(frame->m_strAnalysisExam, QStringLiteral("高2008级|期末补考"));
}
