#include "reports/ScoreReportDlg.h"

#include "platform/ui/NoticeForm.h"

CScoreReportDlg::CScoreReportDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("成绩报表"));
    ui::BuildNoticeForm(*this, QStringLiteral("此功能将在后续版本中提供。"));
}
