#include "admin/GradeSetDlg.h"

#include "platform/ui/NoticeForm.h"

CGradeSetDlg::CGradeSetDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("年级设置"));
    ui::BuildNoticeForm(*this, QStringLiteral("此功能将在后续版本中提供。"));
}
