#include "analysis/QualifyLineDlg.h"

#include "platform/ui/NoticeForm.h"

CQualifyLineDlg::CQualifyLineDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("上线情况"));
    ui::BuildNoticeForm(*this, QStringLiteral("此功能将在后续版本中提供。"));
}
