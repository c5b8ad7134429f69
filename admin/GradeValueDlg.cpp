#include "admin/GradeValueDlg.h"

namespace {

CLookupTableDlg::Table GradeValueTable() {
    CLookupTableDlg::Table t;
    t.caption = QStringLiteral("等级分值设定");
    t.table = QStringLiteral("tavrinDJZ");
    t.columns = {{QStringLiteral("序号"), {}}, {QStringLiteral("等级成绩值"), QStringLiteral("mydesc"), 6}};
    t.listMode = true;
    t.addId = CGradeValueDlg::IDC_ADD;
    t.helpId = CGradeValueDlg::IDC_HELP;
    t.deleteQuestion = QStringLiteral("真的要删除等级成绩值[%s]吗？");
    t.help = admin::FormatString(admin::IDS_MAX_LENGTH, 6);
    return t;
}

} // namespace

CGradeValueDlg::CGradeValueDlg(QWidget* parent) : CLookupTableDlg(IDD, GradeValueTable(), parent) {}
