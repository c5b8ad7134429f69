#include "admin/GradeValueDlg.h"

#include "platform/ui/NoticeForm.h"

CGradeValueDlg::CGradeValueDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("等级分值设定"));
    ui::BuildNoticeForm(*this, QStringLiteral("此功能将在后续版本中提供。"));
}
