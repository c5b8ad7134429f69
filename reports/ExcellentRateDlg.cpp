#include "reports/ExcellentRateDlg.h"

#include "platform/ui/NoticeForm.h"

CExcellentRateDlg::CExcellentRateDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("优生率分析"));
    ui::BuildNoticeForm(*this, QStringLiteral("此功能将在后续版本中提供。"));
}
