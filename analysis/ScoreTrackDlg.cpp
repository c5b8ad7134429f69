#include "analysis/ScoreTrackDlg.h"

#include "platform/ui/NoticeForm.h"

CScoreTrackDlg::CScoreTrackDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("成绩跟踪"));
    ui::BuildNoticeForm(*this, QStringLiteral("此功能将在后续版本中提供。"));
}
