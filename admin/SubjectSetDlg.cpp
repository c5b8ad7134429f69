#include "admin/SubjectSetDlg.h"

#include "platform/ui/NoticeForm.h"

CSubjectSetDlg::CSubjectSetDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("科目设置"));
    ui::BuildNoticeForm(*this, QStringLiteral("此功能将在后续版本中提供。"));
}
