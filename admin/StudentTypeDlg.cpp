#include "admin/StudentTypeDlg.h"

#include "platform/ui/NoticeForm.h"

CStudentTypeDlg::CStudentTypeDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("学生常用类别设置"));
    ui::BuildNoticeForm(*this, QStringLiteral("此功能将在后续版本中提供。"));
}
