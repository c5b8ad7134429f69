#include "controls/LunarDlg.h"

#include "platform/ui/NoticeForm.h"

CLunarDlg::CLunarDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("中国农历"));
    ui::BuildNoticeForm(*this, QStringLiteral("此功能将在后续版本中提供。"));
}
