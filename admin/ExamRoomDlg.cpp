#include "admin/ExamRoomDlg.h"

#include "platform/ui/NoticeForm.h"

CExamRoomDlg::CExamRoomDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("考场安排"));
    ui::BuildNoticeForm(*this, QStringLiteral("此功能将在后续版本中提供。"));
}
