// Exam registration: the proposed school year and term, registering, duplicates, refusals.
#include "AdminBSupport.h"

#include "admin/ExamRegisterDlg.h"
#include "admin/ExamSetup.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QFocusEvent>
#include <QLineEdit>

namespace adminb {
namespace {

TEST(AdminBSchoolYear, YearAndTermFollowTheDate) {
    using examsetup::DefaultSchoolYear;
    EXPECT_EQ(DefaultSchoolYear(QDate(2008, 1, 15)).termIndex, 0);
    EXPECT_EQ(DefaultSchoolYear(QDate(2008, 2, 1)).termIndex, 1);
    EXPECT_EQ(DefaultSchoolYear(QDate(2008, 2, 1)).startYear, 2007);
    EXPECT_EQ(DefaultSchoolYear(QDate(2008, 8, 31)).termIndex, 1);
    EXPECT_EQ(DefaultSchoolYear(QDate(2008, 8, 31)).startYear, 2007);
}

class AdminBRegister : public AdminBTest {
protected:
    void OpenOn(const QDate& today) {
        dlg = std::make_unique<CExamRegisterDlg>();
        dlg->SetToday(today);
        Open(*dlg);
    }
    QComboBox* Combo(int id) { return dlg->GetDlgItem<QComboBox>(id); }
    // Fills the form as a user would and presses 注册.
    void Register(const QString& examName, const QString& grade, const QDate& date) {
        ASSERT_TRUE(Choose(Combo(CExamRegisterDlg::IDC_EXAM_NAME), examName));
        ASSERT_TRUE(Choose(Combo(CExamRegisterDlg::IDC_GRADE), grade));
        dlg->GetDlgItem<QDateEdit>(CExamRegisterDlg::IDC_DATE)->setDate(date);
        Click(*dlg, CExamRegisterDlg::IDC_REGISTER);
    }
    int Registered(const QString& description, const QString& grade) {
        return Count("SELECT count(*) FROM tavrinKSLB WHERE mydesc=? AND grade=?",
                     {Encode(description), grade});
    }

    std::unique_ptr<CExamRegisterDlg> dlg;
};

TEST_F(AdminBRegister, OpensWithTheSchoolYearOfTheDayAndTheLists) {
    OpenOn(QDate(2008, 1, 15));
    QComboBox* years = Combo(CExamRegisterDlg::IDC_YEAR);
    ASSERT_EQ(years->count(), 20);
    EXPECT_EQ(years->itemText(0), "1998");
    EXPECT_EQ(years->itemText(19), "2017");
    EXPECT_EQ(years->currentText(), "2007");
    EXPECT_EQ(dlg->GetDlgItemText(CExamRegisterDlg::IDC_SECOND_YEAR), "2008");
    EXPECT_EQ(Combo(CExamRegisterDlg::IDC_TERM)->currentText(), "上学期");
    EXPECT_EQ(Combo(CExamRegisterDlg::IDC_EXAM_NAME)->itemText(0), "第一次月考");
    EXPECT_EQ(Combo(CExamRegisterDlg::IDC_GRADE)->count(), 2);
    EXPECT_EQ(Combo(CExamRegisterDlg::IDC_GRADE)->itemText(0), school.grades[0].name);

    OpenOn(QDate(2008, 9, 1));
    EXPECT_EQ(Combo(CExamRegisterDlg::IDC_YEAR)->currentText(), "2008");
    EXPECT_EQ(dlg->GetDlgItemText(CExamRegisterDlg::IDC_SECOND_YEAR), "2009");
    EXPECT_EQ(Combo(CExamRegisterDlg::IDC_TERM)->currentText(), "上学期");

    Type(Combo(CExamRegisterDlg::IDC_YEAR), "2010");
    QFocusEvent out(QEvent::FocusOut);
    QCoreApplication::sendEvent(Combo(CExamRegisterDlg::IDC_YEAR)->lineEdit(), &out);
    EXPECT_EQ(dlg->GetDlgItemText(CExamRegisterDlg::IDC_SECOND_YEAR), "2011");
}

TEST_F(AdminBRegister, RegistersOncePerGradeWhateverTheDate) {
    OpenOn(QDate(2008, 2, 1));
    const fixtures::GradeInfo& g1 = school.grades[0];
    const fixtures::GradeInfo& g2 = school.grades[1];
    const QString description = "2007至2008学年下学期第一次月考";

    Register("第一次月考", g1.name, QDate(2008, 3, 7));
    EXPECT_EQ(BoxTexts().back(), "祝贺您，考试名称已经成功注册！\n如果要修改考试日期，请到考试维护处修改！");
    ASSERT_EQ(Registered(description, g1.code), 1);
    // The date is stored so that exams sort by it.
    EXPECT_EQ(Scalar("SELECT ksrq FROM tavrinKSLB WHERE mydesc=?", {Encode(description)}), "2008-03-07");

    Register("第一次月考", g1.name, QDate(2008, 4, 1));
    EXPECT_EQ(BoxTexts().back(), "注意：该名称的考试已经注册，不能重复登记！");
    EXPECT_EQ(Registered(description, g1.code), 1);

    Register("第一次月考", g2.name, QDate(2008, 4, 1));
    EXPECT_EQ(Registered(description, g2.code), 1);
    EXPECT_TRUE(dlg->isVisible());
}

TEST_F(AdminBRegister, NameAndGradeMustComeFromTheLists) {
    OpenOn(QDate(2008, 2, 1));
    const int before = Count("SELECT count(*) FROM tavrinKSLB");
    ASSERT_TRUE(Choose(Combo(CExamRegisterDlg::IDC_EXAM_NAME), "期中考试"));
    Click(*dlg, CExamRegisterDlg::IDC_REGISTER);
    Type(Combo(CExamRegisterDlg::IDC_GRADE), "G3");
    Click(*dlg, CExamRegisterDlg::IDC_REGISTER);
    EXPECT_EQ(BoxTexts(),
              QStringList({"注意：以上各项必须在列表中选择！", "注意：以上各项必须在列表中选择！"}));
    EXPECT_EQ(boxes->Boxes()[0].type, ui::MB_ICONERROR);
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinKSLB"), before);
}

TEST_F(AdminBRegister, NameWithQuoteIsStoredAndFoundAsTyped) {
    Db().Execute("INSERT INTO tavrinKSMC (id, mydesc) VALUES (9, ?)", {QStringLiteral("期中'考试")});
    OpenOn(QDate(2008, 2, 1));
    Register("期中'考试", school.grades[0].name, QDate(2008, 4, 20));
    EXPECT_EQ(Registered("2007至2008学年下学期期中'考试", school.grades[0].code), 1);
}

TEST_F(AdminBRegister, ADescriptionOutsideTheCodePageIsRefused) {
    // An exam name an older file holds, or a typed year, that the enciphered description cannot keep.
    Db().Execute("INSERT INTO tavrinKSMC (id, mydesc) VALUES (9, ?)", {QStringLiteral("중간고사")});
    OpenOn(QDate(2008, 2, 1));
    const int before = Count("SELECT count(*) FROM tavrinKSLB");
    Register("중간고사", school.grades[0].name, QDate(2008, 4, 20));
    Combo(CExamRegisterDlg::IDC_YEAR)->setEditText("한국"); // typed through the input method
    Register("期中考试", school.grades[0].name, QDate(2008, 4, 20));
    ASSERT_EQ(BoxTexts(), QStringList({"对不起，“중간고사”不在本系统使用的中文字符集（GBK）内，不能保存！",
                                       "对不起，“한국”不在本系统使用的中文字符集（GBK）内，不能保存！"}));
    EXPECT_EQ(boxes->Boxes()[0].type, ui::MB_ICONERROR);
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinKSLB"), before);
}

TEST_F(AdminBRegister, DatabaseFailureIsReportedAndNothingEscapes) {
    FailOn("INSERT", "tavrinKSLB");
    OpenOn(QDate(2008, 2, 1));
    Register("期中考试", school.grades[0].name, QDate(2008, 4, 20));
    EXPECT_EQ(BoxTexts(), QStringList{"对不起，数据库操作失败！\n原因：refused"});
}

} // namespace
} // namespace adminb
