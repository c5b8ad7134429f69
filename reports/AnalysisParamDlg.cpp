#include "reports/AnalysisParamDlg.h"

#include "platform/ui/NoticeForm.h"

CAnalysisParamDlg::CAnalysisParamDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("成绩分析参数设定"));
    ui::BuildNoticeForm(*this, QStringLiteral("此功能将在后续版本中提供。"));
}
