#include "reports/BasicStatDlg.h"

#include "platform/ui/NoticeForm.h"

CBasicStatDlg::CBasicStatDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("各班各科基本统计量报表"));
    ui::BuildNoticeForm(*this, QStringLiteral("此功能将在后续版本中提供。"));
}
