#include "reports/PercentModeDlg.h"

#include "platform/ui/NoticeForm.h"

CPercentModeDlg::CPercentModeDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("如何计算百分比"));
    ui::BuildNoticeForm(*this, QStringLiteral("此功能将在后续版本中提供。"));
}
