#include "admin/ExamMaintainDlg.h"

#include "platform/ui/NoticeForm.h"

CExamMaintainDlg::CExamMaintainDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("考试维护"));
    ui::BuildNoticeForm(*this, QStringLiteral("此功能将在后续版本中提供。"));
}
