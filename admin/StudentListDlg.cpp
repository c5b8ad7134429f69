#include "admin/StudentListDlg.h"

#include "platform/ui/NoticeForm.h"

CStudentListDlg::CStudentListDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("学生名单编辑"));
    ui::BuildNoticeForm(*this, QStringLiteral("此功能将在后续版本中提供。"));
}
