#include "admin/WeightCoefDlg.h"

#include "platform/ui/NoticeForm.h"

CWeightCoefDlg::CWeightCoefDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("单科I卷与II卷加权系数"));
    ui::BuildNoticeForm(*this, QStringLiteral("此功能将在后续版本中提供。"));
}
