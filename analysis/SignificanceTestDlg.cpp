#include "analysis/SignificanceTestDlg.h"

#include "platform/ui/NoticeForm.h"

CSignificanceTestDlg::CSignificanceTestDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("成绩显著性差异检验"));
    ui::BuildNoticeForm(*this, QStringLiteral("此功能将在后续版本中提供。"));
}
