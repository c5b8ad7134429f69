#include "admin/AdminCommon.h"

#include "controls/grid/GridFont.h"
#include "data/DataFiles.h"
#include "platform/log/Log.h"
#include "platform/res/StringTable.h"
#include "platform/text/Gbk.h"

#include <QPushButton>

namespace admin {

QString InfoCaption() {
    return res::LoadString(IDS_INFO_CAPTION);
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

bool ExceedsBytes(const QString& text, int limit) {
    return text::GbkLength(text) > limit;
}

QString CodePageRefusal(const QString& text) {
    if (text::HasControlCharacter(text))
        return QStringLiteral("对不起，文字中含有制表符、换行符等控制字符，不能保存！");
    const QString outside = text::CharactersOutsideGbk(text);
    if (outside.isEmpty())
        return {};
    return QStringLiteral("对不起，“%1”不在本系统使用的中文字符集（GBK）内，不能保存！").arg(outside);
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
    m_notify.OnBeginEdit([this](int row, int col) {
        OnGridBeginEdit(row, col);
        return true;
    });
    m_notify.OnEndEdit([this](int row, int col, const QString&) { return OnGridEndEdit(row, col); });
    m_notify.OnClick([this](int row, int col) { OnGridClick(row, col); });
    // A failed edit is a failed update; anything else a failed database operation.
    m_notify.OnDbError([this](CGridNotifyAdapter::Notice notice, int, int, const db::DbError& error) {
        const bool edit = notice == CGridNotifyAdapter::Notice::EndEdit;
        Message(
            data::DatabaseFailureMessage(res::LoadString(edit ? IDS_UPDATE_FAILED : IDS_DB_FAILED), error),
            ui::MB_ICONWARNING);
    });
}

CAdminGridDlg::~CAdminGridDlg() = default;

bool CAdminGridDlg::event(QEvent* event) {
    return m_notify.Handle(event) || ui::Dialog::event(event);
}

void CAdminGridDlg::OnGridBeginEdit(int, int) {}

bool CAdminGridDlg::OnGridEndEdit(int, int) {
    return true;
}

void CAdminGridDlg::OnGridClick(int, int) {}

QString CAdminGridDlg::EditedText(int row, int col) const {
    return m_Grid.GetItemText(row, col).trimmed();
}

void CAdminGridDlg::RefuseEdit(int row, int col, const QString& message, unsigned type) {
    RestoreOldText(row, col);
    Message(message, type);
}

bool CAdminGridDlg::AcceptStoredText(int row, int col, const QString& text, int maxBytes) {
    if (const QString refusal = CodePageRefusal(text); !refusal.isEmpty()) {
        RefuseEdit(row, col, refusal, ui::MB_ICONERROR);
        return false;
    }
    if (maxBytes >= 0 && ExceedsBytes(text, maxBytes)) {
        RefuseEdit(row, col, FormatString(IDS_MAX_LENGTH, maxBytes), ui::MB_ICONERROR);
        return false;
    }
    return true;
}

void CAdminGridDlg::ReportUpdateFailure(int row, int col) {
    RefuseEdit(row, col, res::LoadString(IDS_UPDATE_FAILED), ui::MB_ICONWARNING);
}

void CAdminGridDlg::ReportDbFailure(const char* what, const db::DbError& error) {
    qCWarning(vlog::db) << what << "failed:" << error.Message();
    Message(data::DatabaseFailureMessage(res::LoadString(IDS_DB_FAILED), error), ui::MB_ICONWARNING);
}

QPushButton* CAdminGridDlg::AddButton(int id, const QString& text, std::function<void()> handler) {
    auto* button = new QPushButton(text, this);
    SetDlgCtrlId(button, id);
    connect(button, &QPushButton::clicked, this, [this, id, handler = std::move(handler)] {
        try {
            handler();
        } catch (const db::DbError& e) {
            qCWarning(vlog::db) << "button" << id << "failed:" << e.Message();
            Message(data::DatabaseFailureMessage(res::LoadString(IDS_DB_FAILED), e), ui::MB_ICONWARNING);
        }
    });
    return button;
}

} // namespace admin
