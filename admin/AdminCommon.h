#pragma once
// What the settings dialogs share: the texts every one of them shows, byte limits in code page 936,
// and the grid dialog base that turns the grid's WM_NOTIFY messages into begin-edit and end-edit
// handlers. The connection comes from the shared home (data/AppContext.h).

#include "controls/grid/GridCtrl.h"
#include "controls/grid/GridNotifyAdapter.h"
#include "data/AppContext.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/MessageBox.h"

#include <QString>

#include <functional>

class QPushButton;

namespace admin {

inline constexpr int IDC_GRID = 1007;

// String-table ids shared by the settings dialogs.
inline constexpr int IDS_INFO_CAPTION = 57618;  // 信息提示
inline constexpr int IDS_UPDATE_FAILED = 57619; // 对不起，数据更新失败！
inline constexpr int IDS_DB_FAILED = 57621;     // 对不起，数据库操作失败！
inline constexpr int IDS_MAX_LENGTH = 57629;    // 长度最大不得超过%1d字节！

QString InfoCaption();

// A printf-style text, or the string-table text `id`, with its one argument ("%1d", "%s") filled in.
QString FormatText(const QString& pattern, int value);
QString FormatText(const QString& pattern, const QString& value);
QString FormatString(int id, int value);
QString FormatString(int id, const QString& value);

// Whether the text takes more than `limit` bytes in code page 936.
bool ExceedsBytes(const QString& text, int limit);

// For a text stored through code page 936 that holds a control character (a NUL, a tab, a line
// break: a grid shows the text cut or broken at it) or characters the code page lacks (Korean,
// emoji, …): the refusal, naming the latter; empty when the text may be stored. Every editor of
// such a text asks this before anything is stored (and before counting bytes).
QString CodePageRefusal(const QString& text);

// A message box with the caption 信息提示.
int ShowMessage(QWidget* parent, const QString& text, unsigned type);

// The grid font of the settings dialogs: the grid's own font with face 宋体, height -16,
// weight 400 and the GDI creation fields these dialogs have always used.
void ApplySettingsFont(CGridCtrl& grid);

// A dialog that owns grid IDC_GRID and edits a table in it. The grid's begin-edit notification
// keeps the cell's text as the old text and then reaches OnGridBeginEdit; its end-edit
// notification reaches OnGridEndEdit, whose false answer makes the grid put the old text back. A
// database failure that an edit handler lets through puts the old text back and shows
// 对不起，数据更新失败！; one out of another handler shows 对不起，数据库操作失败！.
class CAdminGridDlg : public ui::Dialog {
    Q_OBJECT
public:
    CAdminGridDlg(int templateId, QWidget* parent);
    ~CAdminGridDlg() override;

    CGridCtrl& GetGrid() { return m_Grid; }

protected:
    bool event(QEvent* event) override;

    virtual void OnGridBeginEdit(int row, int col);
    virtual bool OnGridEndEdit(int row, int col);
    virtual void OnGridClick(int row, int col);

    // The cell's new text, trimmed.
    QString EditedText(int row, int col) const;
    // The cell's text at the start of the edit.
    const QString& OldText() const { return m_notify.OldText(); }
    // Puts the old text back into the cell and repaints the grid.
    void RestoreOldText(int row, int col) { m_notify.RestoreOldText(row, col); }
    // A refused or failed edit: the old text back, then the message with the caption.
    void RefuseEdit(int row, int col, const QString& message, unsigned type);
    // A text stored through the code page: what CodePageRefusal refuses, then more than `maxBytes`
    // bytes (none: no limit) are refused, the old text back and the message shown.
    // True when the text may be stored.
    bool AcceptStoredText(int row, int col, const QString& text, int maxBytes = -1);
    // A database failure of an edit: the old text back and 对不起，数据更新失败！.
    void ReportUpdateFailure(int row, int col);
    // A database failure of `what`: logged, then 对不起，数据库操作失败！ with the reason.
    void ReportDbFailure(const char* what, const db::DbError& error);
    int Message(const QString& text, unsigned type) { return ShowMessage(this, text, type); }

    // A push button with a control id whose click runs `handler`.
    QPushButton* AddButton(int id, const QString& text, std::function<void()> handler);

    CGridCtrl m_Grid;

private:
    CGridNotifyAdapter m_notify{m_Grid};
};

} // namespace admin
