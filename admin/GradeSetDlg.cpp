#include "admin/GradeSetDlg.h"

#include "platform/res/StringTable.h"

namespace {

CLookupTableDlg::Table GradeTable() {
    CLookupTableDlg::Table t;
    t.caption = QStringLiteral("年级设置");
    t.table = QStringLiteral("tavrinGrade");
    t.columns = {{QStringLiteral("序号"), {}},
                 {QStringLiteral("年级"), QStringLiteral("mydesc"), 8},
                 {QStringLiteral("年级代码"), QStringLiteral("gradeno"), 5, true}};
    t.listMode = false;
    t.singleColSelection = true;
    t.autoSizeAfterUpdate = false;
    t.addId = CGradeSetDlg::IDC_ADD;
    t.helpId = CGradeSetDlg::IDC_HELP;
    t.placeholderColumn = 2;
    t.questionColumn = 2;
    t.deleteQuestion = res::LoadString(57625);
    t.help = res::LoadString(57626);
    t.note = QStringLiteral("注意：\n　　一旦删除已经有成绩在案的年级，将会影响以后成绩分析。\n"
                            "　　建议不要删除已经有考试的年级。");
    return t;
}

} // namespace

CGradeSetDlg::CGradeSetDlg(QWidget* parent) : CLookupTableDlg(IDD, GradeTable(), parent) {}
