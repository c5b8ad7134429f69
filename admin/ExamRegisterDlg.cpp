#include "admin/ExamRegisterDlg.h"

#include "platform/ui/NoticeForm.h"

CExamRegisterDlg::CExamRegisterDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("注册考试名称"));
    ui::BuildNoticeForm(*this, QStringLiteral("此功能将在后续版本中提供。"));
}
