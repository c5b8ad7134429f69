#include "reports/ScoreBandReportDlg.h"

#include "platform/ui/NoticeForm.h"

CScoreBandReportDlg::CScoreBandReportDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("各班各科分数段报表"));
    ui::BuildNoticeForm(*this, QStringLiteral("此功能将在后续版本中提供。"));
}
