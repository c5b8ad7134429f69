#include "analysis/StudentTrackReportDlg.h"

#include "platform/ui/NoticeForm.h"

CStudentTrackReportDlg::CStudentTrackReportDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("学生个体成绩跟踪报表"));
    ui::BuildNoticeForm(*this, QStringLiteral("此功能将在后续版本中提供。"));
}
