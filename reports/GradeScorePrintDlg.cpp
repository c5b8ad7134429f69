#include "reports/GradeScorePrintDlg.h"

#include "platform/ui/NoticeForm.h"

CGradeScorePrintDlg::CGradeScorePrintDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("年级成绩打印"));
    ui::BuildNoticeForm(*this, QStringLiteral("此功能将在后续版本中提供。"));
}
