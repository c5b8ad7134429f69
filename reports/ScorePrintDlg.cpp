#include "reports/ScorePrintDlg.h"

#include "platform/ui/NoticeForm.h"

CScorePrintDlg::CScorePrintDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("成绩打印"));
    ui::BuildNoticeForm(*this, QStringLiteral("此功能将在后续版本中提供。"));
}
