#include "app/VeltoraApp.h"

#include "app/MainFrm.h"
#include "data/DataFiles.h"
#include "data/GradeLookup.h"
#include "data/Upgrade.h"
#include "platform/profile/Profile.h"
#include "platform/res/StringTable.h"
#include "platform/ui/MessageBox.h"

#include <QCoreApplication>
#include <QDir>

namespace {
CVeltoraApp* g_app = nullptr;

QString ProgramDirectory() {
    QString dir = qEnvironmentVariable("VELTORA_HOME");
    if (dir.isEmpty())
        dir = QCoreApplication::applicationDirPath();
    dir = QDir::cleanPath(QDir(dir).absolutePath());
    if (!dir.endsWith(u'/'))
        dir += u'/';
    return dir;
}
} // namespace

CVeltoraApp* GetVeltoraApp() {
    return g_app;
}

void CCommandLineInfo::ParseCommandLine(const QStringList& arguments) {
    for (const QString& a : arguments.mid(1)) {
        const QString flag = a.startsWith(u'/') || a.startsWith(u'-')
                                 ? a.mid(a.startsWith(QStringLiteral("--")) ? 2 : 1)
                                 : QString();
        if (flag.compare(QStringLiteral("Embedding"), Qt::CaseInsensitive) == 0 ||
            flag.compare(QStringLiteral("Automation"), Qt::CaseInsensitive) == 0)
            m_bShowSplash = false;
    }
}

CVeltoraApp::CVeltoraApp() {
    g_app = this;
}

CVeltoraApp::~CVeltoraApp() {
    // The frame goes first: its windows may still reach the connection while they close.
    m_pMainWnd.reset();
    m_pConnection.reset();
    if (g_app == this)
        g_app = nullptr;
}

bool CVeltoraApp::InitInstance(const QStringList& arguments) {
    m_arguments = arguments;

    // 1. Command line; the splash window arrives with the main frame's splash support.
    CCommandLineInfo cmdInfo;
    cmdInfo.ParseCommandLine(arguments);

    // 3. Profile under the company key.
    profile::SetRegistryKey(QStringLiteral("tavrin studio"), res::LoadString(57344));

    // 4-5. The main frame (document and view come with the frame's own issue of work).
    m_pMainWnd = std::make_unique<CMainFrame>();

    // 6. Main menu: the icon menu is built here once it exists. The data version is read now.
    const QString storedVersion =
        profile::GetProfileString(QLatin1String(kVersionSection), QLatin1String(kVersionEntry));
    if (data::NeedsUpgrade(storedVersion))
        m_bUpgradeDatabase = true;

    // 7. Program directory.
    m_strAppDir = ProgramDirectory();

    // 8. The main window on screen (the frame maximises itself).
    m_pMainWnd->ShowWindow();

    // 9-10. Data files and the connection.
    EnsureDataFiles();
    if (!OpenConnection())
        return false;

    // 11. Upgrade an older database; the version moves forward only when every step succeeded.
    if (m_bUpgradeDatabase && UpgradeDatabase())
        profile::WriteProfileString(QLatin1String(kVersionSection), QLatin1String(kVersionEntry),
                                    res::LoadString(57716));

    // 12. Tip of the day.
    ShowTipAtStartup();
    return true;
}

bool CVeltoraApp::OpenConnection() {
    m_pConnection.reset();
    auto connection = std::make_unique<db::Connection>();
    try {
        const QString password = m_pMainWnd->DecodeText(res::LoadString(106), res::LoadString(61000));
        connection->Open(data::BuildConnectionString(res::LoadString(57616), m_strAppDir, password));
    } catch (const std::exception&) {
        ui::MessageBox(m_pMainWnd.get(), res::LoadString(57604), res::LoadString(57344), ui::MB_OK);
        return false;
    }
    m_pConnection = std::move(connection);
    return true;
}

void CVeltoraApp::EnsureDataFiles() {
    data::EnsureDataFiles(m_strAppDir);
}

bool CVeltoraApp::UpgradeDatabase() {
    return m_pConnection && data::UpgradeDatabase(*m_pConnection);
}

void CVeltoraApp::GetGradeNo(QString& grade) {
    if (m_pConnection)
        data::GetGradeNo(*m_pConnection, grade);
}

void CVeltoraApp::ShowTipAtStartup() {
    CCommandLineInfo cmdInfo;
    cmdInfo.ParseCommandLine(m_arguments);
    if (!cmdInfo.m_bShowSplash)
        return;
    // The tip-of-the-day dialog is shown from here when its start-up flag is set.
}
