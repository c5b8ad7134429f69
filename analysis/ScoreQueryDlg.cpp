#include "analysis/ScoreQueryDlg.h"

#include "platform/ui/NoticeForm.h"

CScoreQueryDlg::CScoreQueryDlg(QWidget* parent) : CBitmapDialog(IDD, parent) {
    setWindowTitle(QStringLiteral("成绩查询"));
    ui::BuildNoticeForm(*this, QStringLiteral("此功能将在后续版本中提供。"));
}
