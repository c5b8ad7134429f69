#include "admin/ScoreEntryDlg.h"

#include "platform/ui/NoticeForm.h"

CScoreEntryDlg::CScoreEntryDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("成绩录入"));
    ui::BuildNoticeForm(*this, QStringLiteral("此功能将在后续版本中提供。"));
}
