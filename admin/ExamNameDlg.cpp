#include "admin/ExamNameDlg.h"

#include "platform/ui/NoticeForm.h"

CExamNameDlg::CExamNameDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("常用考试名称"));
    ui::BuildNoticeForm(*this, QStringLiteral("此功能将在后续版本中提供。"));
}
