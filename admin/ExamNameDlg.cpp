#include "admin/ExamNameDlg.h"

#include "platform/res/StringTable.h"

namespace {

CLookupTableDlg::Table ExamNameTable() {
    CLookupTableDlg::Table t;
    t.caption = QStringLiteral("常用考试名称");
    t.table = QStringLiteral("tavrinKSMC");
    t.columns = {{QStringLiteral("序号"), {}}, {QStringLiteral("考试名称"), QStringLiteral("mydesc"), 16}};
    t.addId = CExamNameDlg::IDC_ADD;
    t.helpId = CExamNameDlg::IDC_HELP;
    t.deleteQuestion = res::LoadString(57691);
    t.help = admin::FormatString(admin::IDS_MAX_LENGTH, 16);
    return t;
}

} // namespace

CExamNameDlg::CExamNameDlg(QWidget* parent) : CLookupTableDlg(IDD, ExamNameTable(), parent) {}
