// The score-tracking chart of a student or a class, driven as a person drives it.
//
// Beside the tracking school of TrackSchool.h (grade 12008), with one more named exam 5 of 12008
// (2009-06-01, 第5次, after the nameless exam 4): abcd sum3 95 s01 7; 王五 sum3 60 s01 1.
// Grade 12009 "高2009级", exams by date 11 一模 (第1次), 12 二模 (第2次), 13 三模 (第3次); s01 (语文):
//   student      class stream  exam 11  exam 12  exam 13
//   120090101    1     文      80       90       50
//   120090102    1     理      60       80       NULL
//   120090201    2     文      70       NULL     61
//   120090202    2     文      70       NULL     61
//   120090401    4     理      90       -        61.004
//   120090402    4     理      NULL     -        60.996
// Class averages: class 1 70, 85, 50; class 2 70, none (all NULL), 61; class 4 90, -, 61.00.
// Roster classes 1, 2, 4; arts classes 1, 2; science classes 1, 4.
// Grade 12010 "高2010级" has one student in class 1 and no exam.

#include "TrackDialogSchool.h"

#include "analysis/ScoreTrackDlg.h"
#include "analysis/TrackQueries.h"
#include "controls/ChartCtrl.h"
#include "controls/grid/GridCellCheck.h"
#include "platform/ui/FileDialog.h"

#include <QComboBox>
#include <QImage>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>

namespace {

class ScoreTrackDlgTest : public TrackDialogSchool {
protected:
    void SetUp() override {
        TrackDialogSchool::SetUp();
        using S = std::optional<double>;
        AddExam(5, "期末二", "2009-06-01");
        Score(5, "120080102", "abcd", 1, "文", 95, 7, 8);
        Score(5, "120080201", "王五", 2, "文", 60, 1, 2);

        m_db.Execute(
            QStringLiteral("INSERT INTO tavrinGrade (id, mydesc, gradeno) VALUES (2, '高2009级', '12009')"));
        m_db.Execute(
            QStringLiteral("INSERT INTO tavrinGrade (id, mydesc, gradeno) VALUES (3, '高2010级', '12010')"));
        Exam(11, "一模", "12009", "2010-03-01");
        Exam(12, "二模", "12009", "2010-04-01");
        Exam(13, "三模", "12009", "2010-05-01");
        const struct {
            const char* id;
            int cls;
            const char* worl;
            S s01[3];
            bool present[3];
        } rows[] = {
            {"120090101", 1, "文", {80, 90, 50}, {true, true, true}},
            {"120090102", 1, "理", {60, 80, S()}, {true, true, true}},
            {"120090201", 2, "文", {70, S(), 61}, {true, true, true}},
            {"120090202", 2, "文", {70, S(), 61}, {true, true, true}},
            {"120090401", 4, "理", {90, S(), 61.004}, {true, false, true}},
            {"120090402", 4, "理", {S(), S(), 60.996}, {true, false, true}},
        };
        for (const auto& r : rows) {
            Roster("12009", r.id, r.cls, r.worl);
            for (int e = 0; e < 3; ++e)
                if (r.present[e])
                    Score(11 + e, r.id, "某", r.cls, r.worl, S(), r.s01[e], S());
        }
        Roster("12010", "120100101", 1, "文");
    }

    void Exam(int id, const char* name, const char* grade, const char* date) {
        m_db.Execute(QStringLiteral("INSERT INTO tavrinKSLB (id, mydesc, grade, ksrq) VALUES (?, ?, ?, ?)"),
                     id, Enc(name), grade, date);
    }
    void Roster(const char* grade, const char* id, int cls, const char* worl) {
        m_db.Execute(QStringLiteral("INSERT INTO tavrinName (grade, studentid, name, class, worl) "
                                    "VALUES (?, ?, '某', ?, ?)"),
                     grade, id, cls, worl);
    }

    std::unique_ptr<CScoreTrackDlg> Open(int mode) {
        auto dlg = std::make_unique<CScoreTrackDlg>();
        dlg->SetMode(mode);
        dlg->OnInitDialog();
        return dlg;
    }
    static void PickGrade(CScoreTrackDlg& dlg, int index) {
        dlg.GradeList()->setCurrentIndex(index);
        emit dlg.GradeList()->activated(index);
    }
    static void Pick(QComboBox* list, const QString& text) {
        const int index = list->findText(text);
        ASSERT_GE(index, 0) << qPrintable(text);
        list->setCurrentIndex(index);
        emit list->activated(index);
    }
    static void PickStudent(CScoreTrackDlg& dlg, const QString& id) {
        QTreeWidgetItem* root = dlg.StudentTree()->topLevelItem(0);
        for (int i = 0; i < root->childCount(); ++i)
            if (root->child(i)->text(0).startsWith(u'[' + id + u']'))
                dlg.StudentTree()->setCurrentItem(root->child(i));
    }
    static void Click(CScoreTrackDlg& dlg, int id) {
        QTest::mouseClick(dlg.GetDlgItem<QAbstractButton>(id), Qt::LeftButton);
    }
    static void Untick(CScoreTrackDlg& dlg, int row) {
        dynamic_cast<CGridCellCheck*>(dlg.Exams().GetCell(row, 3))->SetCheck(false);
    }
    // The chart's bars as "label:value" with the value at two decimals.
    static QStringList Bars(CScoreTrackDlg& dlg) {
        QStringList bars;
        for (int i = 0; i < dlg.Chart().GetCount(); ++i)
            bars << dlg.Chart().GetItem(i).m_strLabel + u':' +
                        QString::asprintf("%.2f", dlg.Chart().GetItem(i).m_dValue);
        return bars;
    }
    static QStringList TreeTexts(CScoreTrackDlg& dlg) {
        QStringList texts;
        QTreeWidgetItem* root = dlg.StudentTree()->topLevelItem(0);
        texts << root->text(0);
        for (int i = 0; i < root->childCount(); ++i)
            texts << root->child(i)->text(0);
        return texts;
    }
};

TEST_F(ScoreTrackDlgTest, AStudentsScoresOneBarPerTickedExamWithARow) {
    // A grade row that never got its code (an older file's unfinished 增加) is no grade to offer.
    m_db.Execute(QStringLiteral("INSERT INTO tavrinGrade (id, mydesc, gradeno) VALUES (9, NULL, '*****')"));
    auto dlg = Open(0);
    // At opening: the first grade's class 1 and exams, the first student's trace drawn.
    EXPECT_EQ(dlg->GradeList()->findText(QString()), -1);
    EXPECT_EQ(dlg->GradeList()->currentText(), QStringLiteral("高2008级"));
    EXPECT_EQ(dlg->SubjectList()->currentText(), QStringLiteral("语文"));
    EXPECT_EQ(dlg->TargetList()->currentText(), QStringLiteral("原始分数"));
    EXPECT_EQ(TreeTexts(*dlg), QStringList({"高2008级[1]", "[120080100]李小明", "[120080101]张三",
                                            "[120080102]abcd  ", "[120080103]a张b"}));
    EXPECT_EQ(dlg->m_strStudentId, QStringLiteral("120080100"));
    EXPECT_EQ(dlg->m_strGradeCode, QStringLiteral("12008"));
    EXPECT_EQ(dlg->m_nExamRows, 6);
    EXPECT_EQ(dlg->Chart().GetWindowText(), QStringLiteral("[120080100]李小明"));
    EXPECT_EQ(Bars(*dlg), QStringList({"2:1.00", "3:3.00"}));
    EXPECT_TRUE(dlg->PictureFrame()->isHidden());
    EXPECT_TRUE(boxes->Texts().isEmpty());

    // A class without students tracks nobody: the last class's student is not drawn on.
    dlg->ClassBox()->setValue(98);
    EXPECT_EQ(TreeTexts(*dlg), QStringList({"高2008级[98]"}));
    EXPECT_TRUE(dlg->m_strStudentId.isEmpty());
    EXPECT_EQ(dlg->Chart().GetCount(), 0);
    EXPECT_TRUE(dlg->Chart().GetWindowText().isEmpty());
    dlg->ClassBox()->setValue(1);
    EXPECT_EQ(Bars(*dlg), QStringList({"2:1.00", "3:3.00"}));

    PickGrade(*dlg, 0);
    ASSERT_EQ(dlg->m_nExamRows, 6);
    EXPECT_EQ(GridRow(dlg->Exams(), 1), QStringList({"3", "第1次", "月考", ""}));
    EXPECT_EQ(GridRow(dlg->Exams(), 4), QStringList({"4", "第4次", "", ""})); // no name: never tracked
    EXPECT_FALSE(dynamic_cast<CGridCellCheck*>(dlg->Exams().GetCell(4, 3)));
    EXPECT_EQ(dlg->Exams().GetColumnWidth(0), 0);
    // The tracking boxes take no typed text, ticked or not.
    for (const int row : {1, 4}) {
        dlg->Exams().OnEditCell(row, 3, gdi::Point(-1, -1), 'x');
        EXPECT_FALSE(dlg->Exams().IsItemEditing(row, 3)) << row;
        dlg->Exams().EndEditing();
        EXPECT_FALSE(dlg->Exams().IsCellEditable(row, 3)) << row;
    }
    // The first student listed is traced: no row in exam 3.
    EXPECT_EQ(dlg->Chart().GetWindowText(), QStringLiteral("[120080100]李小明"));
    EXPECT_EQ(Bars(*dlg), QStringList({"2:1.00", "3:3.00"}));

    // A NULL score gives no bar, as no row does.
    PickStudent(*dlg, QStringLiteral("120080102"));
    EXPECT_EQ(dlg->m_strStudentId, QStringLiteral("120080102"));
    EXPECT_EQ(dlg->Chart().GetWindowText(), QStringLiteral("[120080102]abcd  "));
    EXPECT_EQ(Bars(*dlg), QStringList({"1:10.00", "3:5.00", "5:7.00"}));
    Pick(dlg->SubjectList(), QStringLiteral("总分"));
    EXPECT_EQ(Bars(*dlg), QStringList({"1:90.00", "3:80.13", "5:95.00"}));

    // Unticking changes nothing until 确定.
    Untick(*dlg, 3);
    EXPECT_EQ(Bars(*dlg).size(), 3);
    Click(*dlg, ui::IDOK);
    EXPECT_EQ(Bars(*dlg), QStringList({"1:90.00", "5:95.00"}));

    // A typed text that names no subject draws no bars.
    dlg->SubjectList()->setEditText(QStringLiteral("物理"));
    Click(*dlg, ui::IDOK);
    EXPECT_EQ(dlg->Chart().GetCount(), 0);
    EXPECT_TRUE(boxes->Texts().isEmpty());
}

TEST_F(ScoreTrackDlgTest, AStudentsRanksInEachScope) {
    auto dlg = Open(0);
    PickGrade(*dlg, 0);
    Pick(dlg->SubjectList(), QStringLiteral("总分"));
    const auto ranks = [&](const char* target) {
        Pick(dlg->TargetList(), QString::fromUtf8(target));
        return Bars(*dlg);
    };
    // abcd (文): 90 tied with 张三; NULL in exam 2, no rank there; 80.126 ties 王五's 80.13 at two
    // decimals; no science rank.
    PickStudent(*dlg, QStringLiteral("120080102"));
    EXPECT_EQ(ranks("班级名次"), QStringList({"1:1.00", "3:2.00", "5:1.00"}));
    EXPECT_EQ(ranks("年级名次"), QStringList({"1:1.00", "3:2.00", "5:1.00"}));
    EXPECT_EQ(ranks("文科名次"), QStringList({"1:1.00", "3:2.00", "5:1.00"}));
    EXPECT_EQ(ranks("理科名次"), QStringList());
    // a张b: 80 after two 90s; in exam 2 ranked in class 2, where that exam put it; no row in exam 5.
    PickStudent(*dlg, QStringLiteral("120080103"));
    EXPECT_EQ(ranks("班级名次"), QStringList({"1:3.00", "2:2.00", "3:4.00"}));
    EXPECT_EQ(ranks("年级名次"), QStringList({"1:3.00", "2:4.00", "3:5.00"}));
    PickStudent(*dlg, QStringLiteral("120080101"));
    EXPECT_EQ(ranks("班级名次").value(0), QStringLiteral("1:1.00"));
    // No row in exam 3: no rank bar either.
    PickStudent(*dlg, QStringLiteral("120080100"));
    EXPECT_EQ(ranks("年级名次"), QStringList({"2:3.00", "3:1.00"}));

    // The grade's best student in every exam it sat: bars of 1 (61.004 ties 61 at two decimals).
    PickGrade(*dlg, 1);
    Pick(dlg->SubjectList(), QStringLiteral("语文"));
    dlg->ClassBox()->setValue(4);
    EXPECT_EQ(TreeTexts(*dlg), QStringList({"高2009级[4]", "[120090401]某", "[120090402]某"}));
    EXPECT_EQ(dlg->Chart().GetWindowText(), QStringLiteral("[120090401]某"));
    EXPECT_EQ(Bars(*dlg), QStringList({"1:1.00", "3:1.00"}));
}

TEST_F(ScoreTrackDlgTest, AClassesAveragesAndRanks) {
    auto dlg = Open(1);
    EXPECT_TRUE(dlg->StudentTree()->isHidden());
    EXPECT_FALSE(dlg->PictureFrame()->isHidden());
    EXPECT_TRUE(dlg->Picture().IsLoaded());

    PickGrade(*dlg, 1);
    dlg->ClassBox()->setValue(4);
    EXPECT_EQ(dlg->Chart().GetWindowText(), QStringLiteral("The trace for class 4"));
    // Absent from exam 12: no bar there.
    EXPECT_EQ(Bars(*dlg), QStringList({"1:90.00", "3:61.00"}));
    const auto bars = [&](const char* target, int cls) {
        dlg->ClassBox()->setValue(cls);
        Pick(dlg->TargetList(), QString::fromUtf8(target));
        return Bars(*dlg);
    };
    EXPECT_EQ(bars("班级名次", 4), QStringList({"1:1.00", "3:1.00"}));
    EXPECT_EQ(dlg->Chart().GetWindowText(), QStringLiteral("Total Class:3"));
    EXPECT_EQ(bars("班级名次", 1), QStringList({"1:1.00", "2:1.00", "3:1.00"}));
    // Tied averages share a rank; a class whose scores are all NULL has no rank and ranks nobody.
    EXPECT_EQ(bars("年级名次", 1), QStringList({"1:2.00", "2:1.00", "3:3.00"}));
    EXPECT_EQ(bars("年级名次", 2), QStringList({"1:2.00", "3:1.00"}));
    EXPECT_EQ(bars("年级名次", 4), QStringList({"1:1.00", "3:1.00"}));
    EXPECT_EQ(bars("文科名次", 1), QStringList({"1:1.00", "2:1.00", "3:2.00"}));
    EXPECT_EQ(dlg->Chart().GetWindowText(), QStringLiteral("Total Class:2"));
    // Class 1's science student has no score in exam 13.
    EXPECT_EQ(bars("理科名次", 1), QStringList({"1:2.00", "2:1.00"}));
    EXPECT_TRUE(boxes->Texts().isEmpty());
    // Class 2's scores of exam 12 are all NULL: no average.
    EXPECT_EQ(bars("原始分数", 2), QStringList({"1:70.00", "3:61.00"}));

    // Only a class that no roster student of the grade (or stream) has is refused.
    const QString refusal = QStringLiteral("有那么多班级吗？");
    for (const auto& [target, cls] :
         {std::pair{"原始分数", 3}, {"原始分数", 5}, {"文科名次", 4}, {"理科名次", 2}}) {
        boxes->Clear();
        dlg->ClassBox()->setValue(1);
        Pick(dlg->TargetList(), QString::fromUtf8(target));
        const QString title = dlg->Chart().GetWindowText();
        dlg->ClassBox()->setValue(cls);
        EXPECT_EQ(boxes->Texts(), QStringList{refusal}) << target << cls;
        EXPECT_EQ(dlg->Chart().GetCount(), 0) << target << cls;
        EXPECT_EQ(dlg->Chart().GetWindowText(), title) << target << cls;
    }
}

TEST_F(ScoreTrackDlgTest, EveryChoiceRedrawsAndTheClassWraps) {
    auto dlg = Open(1);
    // At opening: the first grade's exams and its class 1 drawn, without a word.
    EXPECT_EQ(dlg->m_strGradeCode, QStringLiteral("12008"));
    EXPECT_EQ(dlg->m_nExamRows, 6);
    EXPECT_EQ(dlg->Chart().GetWindowText(), QStringLiteral("The trace for class 1"));
    EXPECT_EQ(Bars(*dlg), QStringList({"1:13.33", "2:0.50", "3:3.75", "5:7.00"}));
    EXPECT_TRUE(boxes->Texts().isEmpty());

    PickGrade(*dlg, 1);
    EXPECT_EQ(Bars(*dlg), QStringList({"1:70.00", "2:85.00", "3:50.00"}));
    dlg->ClassBox()->stepBy(-1); // 1 wraps to 99, which the grade has not
    EXPECT_EQ(dlg->ClassBox()->value(), 99);
    EXPECT_EQ(boxes->Texts(), QStringList{QStringLiteral("有那么多班级吗？")});
    dlg->ClassBox()->stepBy(1);
    EXPECT_EQ(dlg->m_nClass, 1);
    EXPECT_EQ(Bars(*dlg), QStringList({"1:70.00", "2:85.00", "3:50.00"}));
    Pick(dlg->SubjectList(), QStringLiteral("数学")); // no class has a 数学 score: no bar at all
    EXPECT_EQ(dlg->Chart().GetCount(), 0);
    EXPECT_EQ(dlg->Chart().GetWindowText(), QStringLiteral("The trace for class 1"));
    Pick(dlg->SubjectList(), QStringLiteral("语文"));
    Pick(dlg->TargetList(), QStringLiteral("年级名次"));
    EXPECT_EQ(Bars(*dlg), QStringList({"1:2.00", "2:1.00", "3:3.00"}));

    // A grade without exams: an empty grid and no bars.
    PickGrade(*dlg, 2);
    EXPECT_EQ(dlg->m_strGradeCode, QStringLiteral("12010"));
    EXPECT_EQ(dlg->Exams().GetRowCount(), 1);
    EXPECT_EQ(dlg->Chart().GetCount(), 0);
    EXPECT_EQ(dlg->Chart().GetWindowText(), QStringLiteral("Total Class:1"));

    // A subject whose column the score table lacks: the failed queries give no bars.
    m_db.Execute(QStringLiteral("INSERT INTO tavrinKMK (id, fldname, mydesc) VALUES (9, 's09', ?)"),
                 Enc("物理"));
    PickGrade(*dlg, 1);
    dlg->SubjectList()->setEditText(QStringLiteral("物理"));
    ExpectWarning missing(QStringLiteral("no such column: s09"));
    Click(*dlg, ui::IDOK);
    EXPECT_EQ(dlg->Chart().GetCount(), 0);
}

TEST_F(ScoreTrackDlgTest, WithoutGradesNothingHappens) {
    m_db.Execute(QStringLiteral("DELETE FROM tavrinGrade"));
    for (int mode : {0, 1}) {
        auto dlg = Open(mode);
        EXPECT_EQ(dlg->GradeList()->count(), 0);
        dlg->ClassBox()->setValue(2);
        Click(*dlg, ui::IDOK);
        Pick(dlg->TargetList(), QStringLiteral("年级名次"));
        EXPECT_EQ(Bars(*dlg), QStringList({"One:150.00"}));
        EXPECT_EQ(dlg->Exams().GetRowCount(), 1);
    }
    EXPECT_TRUE(boxes->Texts().isEmpty());
}

TEST_F(ScoreTrackDlgTest, SaveWritesTheChartAsABitmap) {
    ui::ScriptedFileDialogs files;
    auto dlg = Open(0);
    dlg->show();
    PickGrade(*dlg, 0);
    PickStudent(*dlg, QStringLiteral("120080102"));
    Pick(dlg->SubjectList(), QStringLiteral("总分"));
    const QString path = m_dir.filePath(QStringLiteral("chart.bmp"));
    files.SetNextSaveAnswer(path);
    Click(*dlg, CScoreTrackDlg::IDC_SAVE);
    EXPECT_EQ(files.ProposedNames(), QStringList{QStringLiteral("总分120080102.bmp")});
    EXPECT_EQ(files.Filters(), QStringList{QStringLiteral("位图文件 (*.bmp)|*.bmp||")});
    QImage written;
    ASSERT_TRUE(written.load(path, "BMP"));
    EXPECT_EQ(written.size(), dlg->Chart().size());
    // The chart's white background, not an empty picture.
    EXPECT_EQ(written.pixelColor(written.width() - 2, written.height() - 2), QColor(Qt::white));
    EXPECT_TRUE(boxes->Texts().isEmpty());

    // Cancelled: nothing written.
    Click(*dlg, CScoreTrackDlg::IDC_SAVE);
    EXPECT_EQ(files.ProposedNames().size(), 2);

    files.SetNextSaveAnswer(m_dir.filePath(QStringLiteral("missing/chart.bmp")));
    ExpectWarning failed(QStringLiteral("chart not saved"));
    Click(*dlg, CScoreTrackDlg::IDC_SAVE);
    EXPECT_EQ(boxes->Texts(), QStringList{QStringLiteral("对不起，图片保存失败！")});
    EXPECT_EQ(boxes->Boxes().at(0).caption, QStringLiteral("信息提示"));

    auto classDlg = Open(1);
    classDlg->show();
    PickGrade(*classDlg, 1);
    classDlg->ClassBox()->setValue(4);
    Pick(classDlg->TargetList(), QStringLiteral("年级名次"));
    Click(*classDlg, CScoreTrackDlg::IDC_SAVE);
    EXPECT_EQ(files.ProposedNames().value(3), QStringLiteral("高2009级语文04班年级名次.bmp"));
}

} // namespace
