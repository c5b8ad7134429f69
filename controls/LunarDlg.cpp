#include "controls/LunarDlg.h"

#include "controls/Picture.h"
#include "platform/drensil/Drensil.h"

#include <QIcon>
#include <QPixmap>

namespace {
constexpr int kMargin = 5;
} // namespace

CLunarDlg::CLunarDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("中国农历"));
    m_datePicker.Create(gdi::Rect(kMargin, kMargin, kMargin, kMargin), this, IDC_DATEPICKER);
    setFixedSize(CLunarDatePicker::kWidth + 2 * kMargin, CLunarDatePicker::kHeight + 2 * kMargin);
}

CLunarDlg::~CLunarDlg() = default;

bool CLunarDlg::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    // The icon comes from the resource library.
    const QImage icon = LoadPictureData(drensil::LoadResource(IDI_LUNAR, QStringLiteral("ICON")));
    if (!icon.isNull())
        setWindowIcon(QIcon(QPixmap::fromImage(icon)));
    return true;
}
