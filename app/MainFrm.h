#pragma once
// The program's only top-level window: menu, toolbar, status bar and the view. It keeps the
// analysis context for the whole run, relays the grid's print request to the window that asked
// for it, shows the help pages and carries the Help menu's web commands. Its cipher holder and the
// print target are kept in the shared home (data/AppContext.h), where dialogs reach them.

#include "controls/KestMenu.h"
#include "data/AnalysisContext.h"
#include "data/AppContext.h"
#include "platform/res/Accelerators.h"
#include "platform/res/Menu.h"
#include "platform/ui/Commands.h"
#include "report/GridPrint.h"

#include <QIcon>
#include <QMainWindow>

#include <map>
#include <memory>

class CVeltoraDoc;
class CVeltoraView;
class QAction;
class QKeyEvent;
class QLabel;
class QMenu;
class QStatusBar;
class QToolBar;

namespace help {
class HelpBook;
}

// The frame is the analysis context (m_strAnalysisExam, m_nAnalysisExamId, m_nSelectedSubjects,
// m_aSubjectSelected), written only by the analysis-parameter dialog and never stored.
class CMainFrame : public QMainWindow, public ui::CommandTarget, public CAnalysisContext {
    Q_OBJECT
public:
    static constexpr int kSubjectFlags = CAnalysisContext::kMaxSubjects;
    static constexpr const char* kSupportMail = "support@veltora.example.org";
    static constexpr const char* kHomePage = "http://www.veltora.example.org";
    // The version page's address, kept Base64-encoded.
    static constexpr const char* kVersionPage = "aHR0cDovL3d3dy52ZWx0b3JhLmV4YW1wbGUub3JnL3ZlcnNpb24udHh0";

    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Creates the frame's windows (the view for `document`, toolbar, status bar, splash); false
    // when one cannot be made.
    bool LoadFrame(CVeltoraDoc* document);
    // Puts the main menu (menu 128) in place, with the images of toolbars 128 and 177; its
    // popups are drawn by the icon menu m_menu.
    void LoadMainMenu();
    KestMenu& GetMainMenu() { return m_menu; }
    // Shows the frame; it always comes up maximised.
    void ShowWindow();

    CVeltoraView* GetActiveView() const { return m_pView; }
    QToolBar* GetToolBar() const { return m_wndToolBar; }
    QStatusBar* GetStatusBar() const { return m_wndStatusBar; }

    // Command routing: the view, then the frame, then the application.
    bool OnCmdMsg(int id) override;
    bool OnUpdateCmdUI(int id, ui::CmdUI& ui) override;
    // The accelerators of table 128: runs the command of a matching key; true when it did.
    bool TranslateAccelerator(const QKeyEvent& event);
    // An action that runs command `id`, showing `text`; the status bar shows the command's prompt
    // while it is pointed at (nothing for a command without one).
    QAction* MakeCommandAction(int id, const QString& text, QObject* parent);

    // The text cipher on the frame's cipher holder.
    QString DecodeText(const QString& key, const QString& hexText) {
        return data::NameCipher().DecodeText(key, hexText);
    }
    QString EncodeText(const QString& key, const QString& text) {
        return data::NameCipher().EncodeText(key, text);
    }

    // The window that gets the next WM_PRINTGRID; forgotten when it is destroyed.
    void SetPrintTarget(QWidget* target) { data::SetPrintTarget(target); }
    QWidget* GetPrintTarget() const { return qobject_cast<QWidget*>(data::PrintTarget()); }
    // Posts WM_PRINTGRID on to the print target; does nothing without a live one.
    std::intptr_t OnPrintGrid(std::uintptr_t wParam, std::intptr_t lParam);

    // Shows the help page of `data` for HELP_CONTEXT, the default page otherwise.
    void WinHelp(quint32 data, unsigned command);
    // The same, the help shown above `owner` (a modal dialog lets no other window take input).
    void WinHelp(QWidget* owner, quint32 data, unsigned command);

    void OnHelpFeedback();
    void OnHelpHomePage();
    void OnCheckForUpdates();
    // The message the version page gives: "目前最新版本是V…版。", or the failure text when no line
    // names the program.
    static QString VersionMessage(const QByteArray& page, bool* found = nullptr);

protected:
    bool event(QEvent* event) override;
    // A character typed in an open popup of the main menu runs the first item with that mnemonic.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void PreCreateWindow();
    int OnCreate(CVeltoraDoc* document);
    void BuildCommandMap();
    void WirePopup(QMenu* popup);
    void UpdateActions(const QList<QAction*>& actions);

    QToolBar* m_wndToolBar = nullptr;
    QStatusBar* m_wndStatusBar = nullptr;
    CVeltoraView* m_pView = nullptr;
    res::AcceleratorTable m_accelerators;
    ui::CommandMap m_commands;
    std::unique_ptr<help::HelpBook> m_help;
    KestMenu m_menu;
    // The top level of m_menu, whose entries fill the menu bar; it goes before m_menu.
    std::unique_ptr<QMenu> m_hMenuTop;
};
