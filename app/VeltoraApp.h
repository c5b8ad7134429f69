#pragma once
// The application object: the program's start-up in its fixed order and the process-wide state
// every dialog reaches (the program directory and the one database connection).

#include "platform/db/Connection.h"

#include <QString>
#include <QStringList>

#include <memory>

class CMainFrame;

// What the command line asks for.
struct CCommandLineInfo {
    // Set unless the program was started for embedding or automation.
    bool m_bShowSplash = true;

    void ParseCommandLine(const QStringList& arguments);
};

class CVeltoraApp {
public:
    CVeltoraApp();
    ~CVeltoraApp();
    CVeltoraApp(const CVeltoraApp&) = delete;
    CVeltoraApp& operator=(const CVeltoraApp&) = delete;

    // The start-up; false ends the program before the message loop.
    bool InitInstance(const QStringList& arguments);

    void EnsureDataFiles();
    // Returns false when a step of the upgrade failed.
    bool UpgradeDatabase();
    void GetGradeNo(QString& grade);
    void ShowTipAtStartup();

    CMainFrame* GetMainWnd() const { return m_pMainWnd.get(); }

    bool m_bUpgradeDatabase = false;
    // The program directory, always ending in '/': the executable's directory, or $VELTORA_HOME.
    QString m_strAppDir;
    std::unique_ptr<db::Connection> m_pConnection;

private:
    bool OpenConnection();

    QStringList m_arguments;
    std::unique_ptr<CMainFrame> m_pMainWnd;
};

// The running application object (null before it is constructed and after it is destroyed).
CVeltoraApp* GetVeltoraApp();

// Profile place of the data version.
inline constexpr const char* kVersionSection = "Settings";
inline constexpr const char* kVersionEntry = "Ver";
