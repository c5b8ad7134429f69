#include "analysis/TeachEvalDlg.h"

#include "platform/ui/NoticeForm.h"

CTeachEvalDlg::CTeachEvalDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("教师教学效果评价"));
    ui::BuildNoticeForm(*this, QStringLiteral("此功能将在后续版本中提供。"));
}
