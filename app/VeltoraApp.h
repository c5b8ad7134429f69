#pragma once
// The application object: the program's start-up in its fixed order. It fills the shared home of
// data/AppContext.h (the program directory, the one database connection, the frame's analysis
// context), which every dialog reaches.

#include "data/SessionLock.h"
#include "platform/ui/Commands.h"

#include <QString>
#include <QStringList>

#include <memory>

class CMainFrame;
class CVeltoraDoc;
class QEvent;
class QObject;
class QPrinter;

// What the command line asks for.
struct CCommandLineInfo {
    // Set unless the program was started for embedding or automation.
    bool m_bShowSplash = true;

    void ParseCommandLine(const QStringList& arguments);
};

class CVeltoraApp : public ui::CommandTarget {
public:
    CVeltoraApp();
    ~CVeltoraApp() override;
    CVeltoraApp(const CVeltoraApp&) = delete;
    CVeltoraApp& operator=(const CVeltoraApp&) = delete;

    // The start-up; false ends the program before the message loop.
    bool InitInstance(const QStringList& arguments);

    // The single-document template's new file: the document, the main frame with its bars and the
    // view. False when the frame cannot be created.
    bool ProcessShellCommand();

    // The first look at every event: the splash window, then the frame's accelerators. True when
    // the event is used up.
    bool PreTranslateMessage(QObject* receiver, QEvent* event);

    // The twin rule and the journals; a journal set aside is told to the user.
    void EnsureDataFiles();
    // Returns false when the upgrade failed or could not be completed; `reason` then says why where
    // the program knows it (the database rule, or the tables the file lacks).
    bool UpgradeDatabase(QString* reason = nullptr);
    void GetGradeNo(QString& grade);
    void ShowTipAtStartup();

    void OnTipOfTheDay();
    void OnAppAbout();
    void OnFilePrintSetup();
    void OnAppExit();

    bool OnCmdMsg(int id) override;
    bool OnUpdateCmdUI(int id, ui::CmdUI& ui) override;

    CMainFrame* GetMainWnd() const { return m_pMainWnd.get(); }
    CVeltoraDoc* GetDocument() const { return m_pDocument.get(); }
    // The application's printer settings, made on first use.
    QPrinter& GetPrinter();

    bool m_bUpgradeDatabase = false;

    // Ends the run as the exit command does, also from within a modal dialog: used for the
    // system's termination requests.
    void EndRun();

private:
    bool OpenConnection();
    // The start-up's upgrade: a failure, or a file that lacks a table, is told with its reason.
    bool UpgradeAtStartup();

    QStringList m_arguments;
    std::unique_ptr<CVeltoraDoc> m_pDocument;
    std::unique_ptr<CMainFrame> m_pMainWnd;
    std::unique_ptr<QObject> m_messageFilter;
    std::unique_ptr<QPrinter> m_printer;
    // Held from the start-up reconciliation until the process ends (after the connection closes).
    data::SessionLock m_sessionLock;
    // Another session has the database file open under another name: it is not opened here.
    bool m_openUnderAnotherName = false;
    ui::CommandMap m_commands;
};

// The running application object (null before it is constructed and after it is destroyed).
CVeltoraApp* GetVeltoraApp();

// Profile place of the data version.
inline constexpr const char* kVersionSection = "Settings";
inline constexpr const char* kVersionEntry = "Ver";
