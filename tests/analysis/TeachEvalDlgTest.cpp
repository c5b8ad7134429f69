// The evaluation and parameter dialogs driven as a user drives them: choices in the lists, clicks
// on the buttons, the parameter dialog answered through the dialog runner.

#include "EvalSchool.h"

#include "analysis/EvalParamDlg.h"
#include "analysis/TeachEvalDlg.h"
#include "controls/SkinButton.h"
#include "controls/TextProgressBar.h"
#include "platform/report/Output.h"
#include "reports/ReportQueries.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

using namespace teacheval;

namespace {

void Choose(QComboBox* box, int index) {
    box->setCurrentIndex(index);
    emit box->activated(index);
}

// Typing into the box's edit field (QTest types ASCII only).
void Type(QComboBox* box, const QString& text) {
    box->lineEdit()->selectAll();
    box->lineEdit()->insert(text);
}

QStringList Items(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

QStringList Row(CGridCtrl& grid, int row, int first, int last) {
    QStringList texts;
    for (int c = first; c <= last; ++c)
        texts << grid.GetItemText(row, c);
    return texts;
}

void Ok(CEvalParamDlg& dlg) {
    QTest::mouseClick(dlg.GetDlgItem<QAbstractButton>(ui::IDOK), Qt::LeftButton);
}

QStringList Split(const char* texts) {
    return QString::fromUtf8(texts).split(u'|');
}

class EvalParamDlgTest : public EvalDialogSchool {
protected:
    std::unique_ptr<CEvalParamDlg> Open(int grade = -1, int range = 0) {
        auto dlg = std::make_unique<CEvalParamDlg>();
        dlg->m_nGradeIndex = grade;
        dlg->m_nRangeIndex = range;
        dlg->OnInitDialog();
        return dlg;
    }
};

class TeachEvalDlgTest : public EvalDialogSchool {
protected:
    std::unique_ptr<CTeachEvalDlg> Open() {
        auto dlg = std::make_unique<CTeachEvalDlg>();
        dlg->OnInitDialog();
        return dlg;
    }
    static void Click(CTeachEvalDlg& dlg, int id) {
        QTest::mouseClick(dlg.GetDlgItem<QAbstractButton>(id), Qt::LeftButton);
    }
    // 设置, answered with grade `grade` of the sorted list, the exams at those positions of the
    // exam lists and range `range` (−1 leaves what the grade's choice set).
    void Settings(CTeachEvalDlg& dlg, int grade, int first, int second, int range = -1) {
        ui::SetDialogRunner([=](ui::Dialog& d) {
            auto& p = dynamic_cast<CEvalParamDlg&>(d);
            p.OnInitDialog();
            Choose(p.GradeBox(), grade);
            Choose(p.FirstExamBox(), first);
            Choose(p.SecondExamBox(), second);
            if (range >= 0)
                Choose(p.RangeBox(), range);
            Ok(p);
            return p.result();
        });
        Click(dlg, CTeachEvalDlg::IDC_SETTINGS);
        ui::SetDialogRunner({});
    }
    // Grade 高2008级 (12008), from 期中考试 (exam 1, second in the sorted list) to 期末考试 (exam 2).
    void EntryToExit(CTeachEvalDlg& dlg, int range = -1) { Settings(dlg, 1, 1, 0, range); }
    static void ChooseSubject(CTeachEvalDlg& dlg, int index) { dlg.SubjectBox()->setCurrentIndex(index); }
    static void ExpectShading(CTeachEvalDlg& dlg, int first, int last) {
        CGridCtrl& g = dlg.Grid();
        for (int r = 1; r < g.GetRowCount(); ++r)
            for (int c = 1; c < g.GetColumnCount(); ++c)
                EXPECT_EQ(g.GetItemBkColour(r, c) == gdi::Rgb(231, 231, 231), c >= first && c <= last)
                    << r << "," << c;
    }
};

} // namespace

TEST_F(EvalParamDlgTest, OpensOnThePositionsHandedInWithTheGradesExamsListed) {
    auto dlg = Open(2, 1);
    // Sorted in GBK order (初 before 高); the two grades named 高2008级 keep their own codes.
    EXPECT_EQ(Items(dlg->GradeBox()), Split("初2010级|高2008级|高2008级"));
    EXPECT_EQ(dlg->GradeBox()->itemData(1).toString(), QStringLiteral("12008"));
    EXPECT_EQ(dlg->GradeBox()->itemData(2).toString(), QStringLiteral("12010"));
    EXPECT_EQ(dlg->GradeBox()->currentIndex(), 2);
    EXPECT_EQ(Items(dlg->RangeBox()), Split("全年级|文科班|理科班"));
    EXPECT_EQ(dlg->RangeBox()->currentIndex(), 1);
    // The grade's exams are listed, none chosen: no exam was handed in.
    EXPECT_GT(dlg->FirstExamBox()->count(), 0);
    EXPECT_EQ(Items(dlg->FirstExamBox()), Items(dlg->SecondExamBox()));
    for (const QString& entry : Items(dlg->FirstExamBox()))
        EXPECT_TRUE(entry.startsWith(QStringLiteral("高2008级|"))) << entry.toStdString();
    EXPECT_EQ(dlg->FirstExamBox()->currentIndex(), -1);
    EXPECT_EQ(dlg->SecondExamBox()->currentIndex(), -1);
    Ok(*dlg);
    EXPECT_EQ(dlg->result(), ui::IDOK);
    EXPECT_EQ(dlg->m_nFirstExamId, -1);
    EXPECT_EQ(dlg->m_nSecondExamId, -1);
    EXPECT_EQ(dlg->m_nGradeIndex, 2);
    EXPECT_EQ(dlg->m_nRangeIndex, 1);
}

TEST_F(EvalParamDlgTest, AGradeListsItsOwnExamsAndTheChosenEntriesGiveTheirIds) {
    auto dlg = Open();
    Choose(dlg->RangeBox(), 2);
    // The second grade of the shared name: its exams only, one of them named like the first
    // grade's, one with a bar in its name.
    Choose(dlg->GradeBox(), 2);
    EXPECT_EQ(dlg->RangeBox()->currentIndex(), 0);
    EXPECT_EQ(Items(dlg->FirstExamBox()), QStringList({"高2008级|期中考试", "高2008级|月考|二"}));
    EXPECT_EQ(Items(dlg->SecondExamBox()), Items(dlg->FirstExamBox()));
    Choose(dlg->FirstExamBox(), 1);
    Choose(dlg->SecondExamBox(), 0);
    Ok(*dlg);
    EXPECT_EQ(dlg->m_nFirstExamId, 4);
    EXPECT_EQ(dlg->m_nSecondExamId, 3);
    EXPECT_EQ(dlg->m_strGrade, QStringLiteral("高2008级"));
    EXPECT_EQ(dlg->m_nGradeIndex, 2);
    EXPECT_EQ(dlg->m_nRangeIndex, 0);

    // Another grade empties both choices; its exams come in text order (期末 before 期中).
    Choose(dlg->GradeBox(), 1);
    EXPECT_EQ(Items(dlg->FirstExamBox()), QStringList({"高2008级|期末考试", "高2008级|期中考试"}));
    EXPECT_TRUE(dlg->m_strFirstExam.isEmpty());
    Ok(*dlg);
    EXPECT_EQ(dlg->m_nFirstExamId, -1);
    EXPECT_EQ(dlg->m_nSecondExamId, -1);

    // Typed text is never an exam; a typed grade name is returned without a position.
    Choose(dlg->FirstExamBox(), 0);
    Type(dlg->SecondExamBox(), QStringLiteral("高2008级|期中考试"));
    Type(dlg->GradeBox(), QStringLiteral("高三"));
    Ok(*dlg);
    EXPECT_EQ(dlg->m_nFirstExamId, 2);
    EXPECT_EQ(dlg->m_nSecondExamId, -1);
    EXPECT_EQ(dlg->m_strGrade, QStringLiteral("高三"));
    EXPECT_EQ(dlg->m_nGradeIndex, -1);
}

TEST_F(TeachEvalDlgTest, OpensWithTheMLayoutAndTheSubjects) {
    auto dlg = Open();
    CGridCtrl& g = dlg->Grid();
    EXPECT_EQ(g.GetRowCount(), 1);
    EXPECT_EQ(g.GetColumnCount(), 18);
    EXPECT_EQ(dlg->m_nRowCount, 1);
    EXPECT_EQ(dlg->m_nColCount, 18);
    EXPECT_EQ(Row(g, 0, 0, 2), Split("班级|基A|基B"));
    EXPECT_EQ(g.GetItemFormat(0, 17), 0x26u);
    EXPECT_TRUE(dlg->GetDlgItem<QRadioButton>(CTeachEvalDlg::IDC_METHOD_M)->isChecked());
    EXPECT_EQ(Items(dlg->SubjectBox()), Split("语文|数学"));
    EXPECT_EQ(dlg->SubjectBox()->currentIndex(), -1);
    EXPECT_TRUE(dlg->ProgressBar()->isHidden());
    EXPECT_EQ(dlg->GetDlgItem<CSkinButton>(CTeachEvalDlg::IDC_SETTINGS)->GetTooltipText(),
              QStringLiteral("设置入口和出口考试"));
}

TEST_F(TeachEvalDlgTest, WithoutTwoDifferentExamsOnlyTheNoticeComes) {
    auto dlg = Open();
    ChooseSubject(*dlg, 0);
    for (int pass = 0; pass < 2; ++pass) {
        reports::CSqlTrace trace;
        Click(*dlg, ui::IDOK);
        EXPECT_TRUE(trace.Statements().empty());
        ASSERT_EQ(boxes->Boxes().size(), 1u);
        EXPECT_EQ(boxes->Boxes()[0].text, QStringLiteral("必须选择两次不同的考试才能进行下一步分析！"));
        EXPECT_EQ(boxes->Boxes()[0].caption, QStringLiteral("信息提示【1秒后自动关闭】"));
        EXPECT_EQ(dlg->Grid().GetRowCount(), pass == 0 ? 1 : 4);
        boxes->Clear();
        Settings(*dlg, 1, 0, 0); // the same exam twice
    }
}

TEST_F(TeachEvalDlgTest, ATypedExamMustBeChosenFromTheList) {
    auto dlg = Open();
    ChooseSubject(*dlg, 0);
    ui::SetDialogRunner([](ui::Dialog& d) {
        auto& p = dynamic_cast<CEvalParamDlg&>(d);
        p.OnInitDialog();
        Choose(p.GradeBox(), 1);
        Choose(p.FirstExamBox(), 1);
        Choose(p.SecondExamBox(), 0);
        Type(p.SecondExamBox(), QStringLiteral("高2008级|期末")); // chosen, then typed over
        Ok(p);
        return p.result();
    });
    Click(*dlg, CTeachEvalDlg::IDC_SETTINGS);
    ui::SetDialogRunner({});
    EXPECT_EQ(dlg->m_nSecondExamId, -1);
    reports::CSqlTrace trace;
    Click(*dlg, ui::IDOK);
    EXPECT_TRUE(trace.Statements().empty());
    EXPECT_EQ(boxes->Texts(), QStringList{QStringLiteral("对不起，考试只能在列表中选择！")});
}

TEST_F(TeachEvalDlgTest, AnExitExamBeforeTheEntryExamIsComputedOnlyWhenTheUserSaysSo) {
    m_db.Execute(QStringLiteral("UPDATE tavrinKSLB SET ksrq='2008-09-01' WHERE id=2"));
    auto dlg = Open();
    EntryToExit(*dlg);
    ChooseSubject(*dlg, 0);
    boxes->SetNextAnswer(ui::IDNO);
    Click(*dlg, ui::IDOK);
    ASSERT_EQ(boxes->Boxes().size(), 1u);
    EXPECT_EQ(boxes->Boxes()[0].type, ui::MB_YESNO | ui::MB_ICONQUESTION);
    EXPECT_TRUE(boxes->Boxes()[0].text.contains(QStringLiteral("早于第一次考试")));
    EXPECT_EQ(dlg->Grid().GetItemText(1, 6), QString());
    boxes->Clear();
    Click(*dlg, ui::IDOK); // yes
    EXPECT_EQ(boxes->Boxes().size(), 1u);
    EXPECT_EQ(dlg->Grid().GetItemText(1, 6), QStringLiteral("3"));
    // In date order nothing is asked.
    boxes->Clear();
    m_db.Execute(QStringLiteral("UPDATE tavrinKSLB SET ksrq='2009-01-20' WHERE id=2"));
    Click(*dlg, ui::IDOK);
    EXPECT_TRUE(boxes->Boxes().empty());
}

TEST_F(TeachEvalDlgTest, SettingsListEveryClassUpToTheExitExamsHighest) {
    auto dlg = Open();
    EntryToExit(*dlg);
    EXPECT_EQ(dlg->m_nFirstExamId, 1);
    EXPECT_EQ(dlg->m_nSecondExamId, 2);
    EXPECT_EQ(dlg->m_strGrade, QStringLiteral("高2008级"));
    EXPECT_EQ(dlg->m_nGradeIndex, 1);
    CGridCtrl& g = dlg->Grid();
    ASSERT_EQ(g.GetRowCount(), 4);
    EXPECT_EQ(dlg->m_nRowCount, 4);
    EXPECT_EQ(Row(g, 1, 0, 0) + Row(g, 2, 0, 0) + Row(g, 3, 0, 0), Split("01班|02班|03班"));
    EXPECT_EQ(g.GetItemFormat(2, 0), 0x26u);
    ExpectShading(*dlg, 6, 10);

    // F keeps the class rows, with its own columns and shading; M brings its own back.
    QTest::mouseClick(dlg->GetDlgItem<QRadioButton>(CTeachEvalDlg::IDC_METHOD_F), Qt::LeftButton);
    EXPECT_EQ(g.GetColumnCount(), 12);
    EXPECT_EQ(dlg->m_nColCount, 12);
    EXPECT_EQ(g.GetItemText(3, 0), QStringLiteral("03班"));
    EXPECT_EQ(g.GetItemText(0, 11), QStringLiteral("阶段F值"));
    ExpectShading(*dlg, 5, 8);

    // A cancelled 设置 changes nothing; an exit exam without rows leaves the header alone.
    ui::SetDialogRunner([](ui::Dialog&) { return ui::IDCANCEL; });
    Click(*dlg, CTeachEvalDlg::IDC_SETTINGS);
    EXPECT_EQ(g.GetRowCount(), 4);
    Settings(*dlg, 2, 0, 1);
    EXPECT_EQ(dlg->m_nSecondExamId, 4);
    EXPECT_EQ(g.GetRowCount(), 1);
    EXPECT_EQ(dlg->m_nRowCount, 1);
    EXPECT_EQ(g.GetColumnCount(), 12);
}

TEST_F(TeachEvalDlgTest, OkRunsTheChosenMethodTheSameEachTime) {
    auto dlg = Open();
    EntryToExit(*dlg);
    ChooseSubject(*dlg, 0);
    CGridCtrl& g = dlg->Grid();
    for (int pass = 0; pass < 2; ++pass) {
        Click(*dlg, ui::IDOK);
        EXPECT_EQ(Row(g, 1, 1, 17), Split("2|2|0|0|0|3|0|0|1|0|||||||该班的等级转移无法求出稳定分布"));
        EXPECT_EQ(Row(g, 2, 1, 17), QStringList(16, QString())
                                        << QStringLiteral("该班没有学生两次考试都有成绩"));
        EXPECT_EQ(Row(g, 3, 11, 17), Split("||||||该班的等级转移无法求出稳定分布"));
        EXPECT_EQ(g.GetItemFormat(3, 16), 0x26u);
        EXPECT_TRUE(dlg->ProgressBar()->isHidden());
        EXPECT_EQ(dlg->ProgressBar()->GetPos(), 7);
        EXPECT_EQ(dlg->result(), 0); // still open
    }
    ExpectShading(*dlg, 6, 10);

    // Switching drops the results, keeps the labels; F then fills its own columns.
    QTest::mouseClick(dlg->GetDlgItem<QRadioButton>(CTeachEvalDlg::IDC_METHOD_F), Qt::LeftButton);
    EXPECT_EQ(Row(g, 1, 0, 11), QStringList("01班") + QStringList(11, QString()));
    Click(*dlg, ui::IDOK);
    EXPECT_EQ(Row(g, 1, 1, 11), Split(" 3| 2| 0| 0| 3| 1| 0| 0|1.17|1.15|63.6"));
    EXPECT_EQ(Row(g, 2, 1, 11), Split(" 0| 0| 0| 0| 0| 0| 0| 0|||"));
    EXPECT_EQ(Row(g, 3, 9, 11), Split("0.83|0.90|66.4"));
    EXPECT_TRUE(dlg->ProgressBar()->isHidden());
    EXPECT_TRUE(boxes->Boxes().empty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(TeachEvalDlgTest, TheRangeChosenInTheSettingsNarrowsTheMMethod) {
    auto dlg = Open();
    ChooseSubject(*dlg, 0);
    EntryToExit(*dlg, 2);
    EXPECT_EQ(dlg->m_nRangeIndex, 2);
    Click(*dlg, ui::IDOK);
    EXPECT_EQ(Row(dlg->Grid(), 1, 16, 17), Split("80.00|1"));
    EXPECT_EQ(Row(dlg->Grid(), 3, 16, 17), Split("|该班的等级转移无法求出稳定分布"));

    // A typed range counts as the whole grade.
    ui::SetDialogRunner([](ui::Dialog& d) {
        auto& p = dynamic_cast<CEvalParamDlg&>(d);
        p.OnInitDialog();
        Choose(p.GradeBox(), 1);
        Choose(p.FirstExamBox(), 1);
        Choose(p.SecondExamBox(), 0);
        Type(p.RangeBox(), QStringLiteral("高一"));
        p.OnOK();
        return p.result();
    });
    Click(*dlg, CTeachEvalDlg::IDC_SETTINGS);
    EXPECT_EQ(dlg->m_nRangeIndex, -1);
    Click(*dlg, ui::IDOK);
    EXPECT_EQ(Row(dlg->Grid(), 1, 6, 6) + Row(dlg->Grid(), 1, 16, 16), Split("3|"));
}

TEST_F(TeachEvalDlgTest, SettingsReopenOnTheGradeAndExamsChosenBefore) {
    auto dlg = Open();
    ChooseSubject(*dlg, 0);
    EntryToExit(*dlg);
    Click(*dlg, ui::IDOK);
    const QStringList whole = Row(dlg->Grid(), 1, 16, 17) + Row(dlg->Grid(), 3, 16, 17);
    // Reopened: the grade with its exams listed and the two exams chosen; only the range changes.
    QStringList first;
    QStringList second;
    ui::SetDialogRunner([&](ui::Dialog& d) {
        auto& p = dynamic_cast<CEvalParamDlg&>(d);
        p.OnInitDialog();
        first = {p.GradeBox()->currentText(), p.FirstExamBox()->currentText(),
                 QString::number(p.FirstExamBox()->count())};
        second = {p.SecondExamBox()->currentText(), QString::number(p.SecondExamBox()->count())};
        Choose(p.RangeBox(), 2);
        Ok(p);
        return p.result();
    });
    Click(*dlg, CTeachEvalDlg::IDC_SETTINGS);
    ui::SetDialogRunner({});
    ASSERT_EQ(first.size(), 3);
    EXPECT_EQ(first[0], QStringLiteral("高2008级"));
    EXPECT_TRUE(first[1].endsWith(QStringLiteral("期中考试"))) << first[1].toStdString();
    EXPECT_NE(first[2], "0");
    EXPECT_TRUE(second[0].endsWith(QStringLiteral("期末考试"))) << second[0].toStdString();
    EXPECT_EQ(dlg->m_nFirstExamId, 1);
    EXPECT_EQ(dlg->m_nSecondExamId, 2);
    EXPECT_EQ(dlg->m_nRangeIndex, 2);
    boxes->Clear();
    Click(*dlg, ui::IDOK);
    EXPECT_TRUE(boxes->Texts().isEmpty()) << boxes->Texts().join('|').toStdString();
    EXPECT_EQ(Row(dlg->Grid(), 1, 16, 17) + Row(dlg->Grid(), 3, 16, 17),
              Split("80.00|1||该班的等级转移无法求出稳定分布"));
    EXPECT_NE(Row(dlg->Grid(), 1, 16, 17) + Row(dlg->Grid(), 3, 16, 17), whole);
}

TEST_F(TeachEvalDlgTest, TheSubjectMustComeFromTheList) {
    auto dlg = Open();
    EntryToExit(*dlg);
    for (const QString& typed : {QString(), QStringLiteral("物理")}) {
        Type(dlg->SubjectBox(), typed);
        reports::CSqlTrace trace;
        Click(*dlg, ui::IDOK);
        EXPECT_TRUE(trace.Statements().empty());
        ASSERT_EQ(boxes->Texts(), QStringList{"对不起，科目只能在列表中选择！"}) << typed.toStdString();
        EXPECT_EQ(boxes->Boxes()[0].caption, QStringLiteral("信息提示"));
        boxes->Clear();
    }
    // The name of an entry typed in full is that entry.
    Type(dlg->SubjectBox(), QStringLiteral("语文"));
    Click(*dlg, ui::IDOK);
    EXPECT_TRUE(boxes->Boxes().empty());
    EXPECT_EQ(dlg->Grid().GetItemText(1, 6), QStringLiteral("3"));
}

TEST_F(TeachEvalDlgTest, PrintingShowsTheGroupsAndOneRecordPerClassRow) {
    QTemporaryDir out;
    report::PdfOutput pdf(out.path());
    auto dlg = Open();
    // Only the header row: no records.
    Click(*dlg, CTeachEvalDlg::IDC_PRINT);
    report::IReport& r = dlg->ReportComponent().Report();
    EXPECT_EQ(r.Records().RecordCount(), 0);

    EntryToExit(*dlg);
    ChooseSubject(*dlg, 0);
    Click(*dlg, ui::IDOK);
    Click(*dlg, CTeachEvalDlg::IDC_PRINT);
    const report::ReportDefinition& m = r.Definition();
    EXPECT_EQ(m.pageHeader.boxes.at(0).text, QStringLiteral("教师教学效果评价 高2008级语文"));
    ASSERT_EQ(m.detail.columns.size(), 18u);
    EXPECT_EQ(m.detail.columns[0].caption, QStringLiteral("班级"));
    EXPECT_EQ(m.detail.columns[1].caption, QStringLiteral("A"));
    EXPECT_EQ(m.detail.columns[10].caption, QStringLiteral("E"));
    EXPECT_EQ(m.detail.columns[11].caption, QStringLiteral("等级A"));
    EXPECT_EQ(m.detail.columns[17].caption, QStringLiteral("名次"));
    EXPECT_EQ(m.detail.columns[16].contentAlign, report::AlignCenter | report::AlignMiddle);
    ASSERT_EQ(m.detail.columnGroups.size(), 3u);
    EXPECT_EQ(m.detail.columnGroups[1].name, QStringLiteral("ProductTitleGroup"));
    EXPECT_EQ(m.detail.columnGroups[1].title, QStringLiteral("第二次考试ABCDE人数"));
    EXPECT_EQ(m.detail.columnGroups[1].columns, Split("fld06|fld07|fld08|fld09|fld10"));
    EXPECT_EQ(m.detail.columnGroups[2].columns.last(), QStringLiteral("fld15"));
    ASSERT_EQ(r.Records().RecordCount(), 3);
    EXPECT_EQ(r.Records().Record(1), QStringList("02班") + QStringList(16, QString()) +
                                         QStringList(QStringLiteral("该班没有学生两次考试都有成绩")));
    EXPECT_EQ(r.Records().Record(2), Row(dlg->Grid(), 3, 0, 17));

    // F after switching: its groups, the counts untrimmed.
    QTest::mouseClick(dlg->GetDlgItem<QRadioButton>(CTeachEvalDlg::IDC_METHOD_F), Qt::LeftButton);
    Click(*dlg, ui::IDOK);
    Click(*dlg, CTeachEvalDlg::IDC_PRINT);
    const report::ReportDefinition& f = r.Definition();
    ASSERT_EQ(f.detail.columnGroups.size(), 2u);
    EXPECT_EQ(f.detail.columnGroups[0].title, QStringLiteral("第一次考试ABCD人数"));
    EXPECT_EQ(f.detail.columnGroups[1].columns, Split("fld05|fld06|fld07|fld08"));
    EXPECT_EQ(f.detail.columns[8].caption, QStringLiteral("D"));
    EXPECT_EQ(f.detail.columns[9].caption, QStringLiteral("均分率一"));
    ASSERT_EQ(r.Records().RecordCount(), 3);
    EXPECT_EQ(r.Records().Record(0).mid(1, 4), Split(" 3| 2| 0| 0"));
    EXPECT_EQ(pdf.PreviewCount(), 3);
    EXPECT_TRUE(boxes->Boxes().empty());
}

TEST_F(TeachEvalDlgTest, ADatabaseErrorIsShownAndTheDialogGoesOn) {
    auto dlg = Open();
    EntryToExit(*dlg);
    ChooseSubject(*dlg, 0);
    m_db.Execute(QStringLiteral("ALTER TABLE tavrinKSK RENAME TO scores"));
    {
        ExpectWarning gone(QStringLiteral("no such table: tavrinKSK"));
        Click(*dlg, ui::IDOK);
    }
    ASSERT_EQ(boxes->Boxes().size(), 1u);
    EXPECT_TRUE(boxes->Boxes()[0].text.startsWith(QStringLiteral("错误信息:")));
    EXPECT_EQ(boxes->Boxes()[0].caption, QStringLiteral("信息提示"));
    EXPECT_TRUE(dlg->ProgressBar()->isHidden());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(dlg->Grid().GetItemText(3, 0), QStringLiteral("03班"));

    // 设置 reports it too; with the table back everything works again.
    boxes->Clear();
    {
        ExpectWarning gone(QStringLiteral("no such table: tavrinKSK"));
        EntryToExit(*dlg);
    }
    EXPECT_EQ(boxes->Boxes().size(), 1u);
    EXPECT_EQ(dlg->Grid().GetRowCount(), 1);
    m_db.Execute(QStringLiteral("ALTER TABLE scores RENAME TO tavrinKSK"));
    boxes->Clear();
    EntryToExit(*dlg);
    Click(*dlg, ui::IDOK);
    EXPECT_TRUE(boxes->Boxes().empty());
    EXPECT_EQ(dlg->Grid().GetItemText(1, 6), QStringLiteral("3"));
}

TEST_F(TeachEvalDlgTest, AnExamWithoutScoresIsNamedAndNoTableOfZerosComes) {
    auto dlg = Open();
    ChooseSubject(*dlg, 0);
    // Before the 文理 split: no row of the entry exam has a stream.
    m_db.Execute(QStringLiteral("UPDATE tavrinKSK SET worl=NULL WHERE id=1"));
    EntryToExit(*dlg, 1);
    Click(*dlg, ui::IDOK);
    EXPECT_EQ(boxes->Texts(), QStringList{QStringLiteral("第一次考试没有文科学生的语文成绩。")});
    for (int r = 1; r < 4; ++r)
        EXPECT_EQ(Row(dlg->Grid(), r, 1, 17), QStringList(17, QString())) << r;
    EXPECT_TRUE(dlg->ProgressBar()->isHidden());

    // 语文 not set in the exit exam: F writes no counts; the range does not enter its notice.
    boxes->Clear();
    m_db.Execute(QStringLiteral("UPDATE tavrinKSK SET s01=NULL WHERE id=2"));
    QTest::mouseClick(dlg->GetDlgItem<QRadioButton>(CTeachEvalDlg::IDC_METHOD_F), Qt::LeftButton);
    Click(*dlg, ui::IDOK);
    ASSERT_EQ(boxes->Texts(), QStringList{QStringLiteral("第二次考试没有语文成绩。")});
    EXPECT_EQ(boxes->Boxes()[0].caption, QStringLiteral("信息提示"));
    for (int r = 1; r < 4; ++r)
        EXPECT_EQ(Row(dlg->Grid(), r, 1, 11), QStringList(11, QString())) << r;
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
