#include "admin/PrepareScoreSheetDlg.h"

#include "platform/ui/NoticeForm.h"

CPrepareScoreSheetDlg::CPrepareScoreSheetDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("准备登分表"));
    ui::BuildNoticeForm(*this, QStringLiteral("此功能将在后续版本中提供。"));
}
