#include "admin/AdminCommon.h"

#include "app/VeltoraApp.h"
#include "controls/grid/GridFont.h"
#include "platform/res/StringTable.h"
#include "platform/text/Gbk.h"

#include <QPushButton>

namespace admin {

db::Connection& Database() {
    CVeltoraApp* app = GetVeltoraApp();
    if (!app || !app->m_pConnection || !app->m_pConnection->IsOpen())
        throw db::DbError(db::DbError::kNotOpen, QStringLiteral("no database connection"));
    return *app->m_pConnection;
}

QString InfoCaption() {
    return res::LoadString(IDS_INFO_CAPTION);
}

QString DescriptionKey() {
    return res::LoadString(IDS_DESCRIPTION_KEY);
}

QString FormatText(const QString& pattern, int value) {
    return QString::asprintf(pattern.toUtf8().constData(), value);
}

QString FormatText(const QString& pattern, const QString& value) {
    return QString::asprintf(pattern.toUtf8().constData(), value.toUtf8().constData());
}

QString FormatString(int id, int value) {
    return FormatText(res::LoadString(id), value);
}

QString FormatString(int id, const QString& value) {
    return FormatText(res::LoadString(id), value);
}

int TextToInt(const QString& text) {
    int i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    long long value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i].unicode() - u'0');
        if (value > 0x7FFFFFFF)
            return negative ? -0x7FFFFFFF - 1 : 0x7FFFFFFF;
    }
    return static_cast<int>(negative ? -value : value);
}

bool ExceedsBytes(const QString& text, int limit) {
    return text::GbkLength(text) > limit;
}

int ShowMessage(QWidget* parent, const QString& text, unsigned type) {
    return ui::MessageBox(parent, text, InfoCaption(), type);
}

void ApplySettingsFont(CGridCtrl& grid) {
    SetDialogGridFont(grid);
}

CAdminGridDlg::CAdminGridDlg(int templateId, QWidget* parent) : ui::Dialog(templateId, parent) {
    m_Grid.setParent(this);
    m_Grid.SetDlgCtrlID(IDC_GRID);
    m_Grid.setMinimumSize(240, 160);
}

CAdminGridDlg::~CAdminGridDlg() = default;

bool CAdminGridDlg::event(QEvent* event) {
    NMHDR* hdr = NotifyHeader(event);
    if (!hdr || hdr->idFrom != static_cast<std::uintptr_t>(IDC_GRID))
        return ui::Dialog::event(event);

    const auto* item = reinterpret_cast<const NMGRIDCELL*>(hdr);
    LRESULT result = 0;
    // Each handler reports its own database failures; this only keeps an unforeseen one from
    // leaving the event loop.
    try {
        switch (hdr->code) {
        case GVN_BEGINLABELEDIT:
            m_strOldText = m_Grid.GetItemText(item->row, item->col);
            OnGridBeginEdit(item->row, item->col);
            break;
        case GVN_ENDLABELEDIT:
            result = OnGridEndEdit(item->row, item->col) ? 0 : -1;
            break;
        case NM_CLICK:
            OnGridClick(item->row, item->col);
            break;
        default:
            break;
        }
    } catch (const db::DbError&) {
        Message(res::LoadString(IDS_DB_FAILED), ui::MB_ICONWARNING);
    }
    ui::AsWindowMessage(event)->SetResult(result);
    return true;
}

void CAdminGridDlg::OnGridBeginEdit(int, int) {}

bool CAdminGridDlg::OnGridEndEdit(int, int) {
    return true;
}

void CAdminGridDlg::OnGridClick(int, int) {}

QString CAdminGridDlg::EditedText(int row, int col) const {
    return m_Grid.GetItemText(row, col).trimmed();
}

void CAdminGridDlg::RestoreOldText(int row, int col) {
    m_Grid.SetItemText(row, col, m_strOldText);
    m_Grid.InvalidateRect();
}

void CAdminGridDlg::RefuseEdit(int row, int col, const QString& message, unsigned type) {
    RestoreOldText(row, col);
    Message(message, type);
}

void CAdminGridDlg::ReportUpdateFailure(int row, int col) {
    RefuseEdit(row, col, res::LoadString(IDS_UPDATE_FAILED), ui::MB_ICONWARNING);
}

QPushButton* CAdminGridDlg::AddButton(int id, const QString& text, std::function<void()> handler) {
    auto* button = new QPushButton(text, this);
    SetDlgCtrlId(button, id);
    connect(button, &QPushButton::clicked, this, [this, handler = std::move(handler)] {
        try {
            handler();
        } catch (const db::DbError&) {
            Message(res::LoadString(IDS_DB_FAILED), ui::MB_ICONWARNING);
        }
    });
    return button;
}

} // namespace admin
