#include "app/VeltoraApp.h"

#include "app/AboutDlg.h"
#include "app/MainFrm.h"
#include "app/SplashWnd.h"
#include "app/TipOfDayDlg.h"
#include "app/VeltoraDoc.h"
#include "data/AppContext.h"
#include "data/DataFiles.h"
#include "data/GradeLookup.h"
#include "data/Upgrade.h"
#include "platform/profile/Profile.h"
#include "platform/report/PageChoice.h"
#include "platform/res/StringTable.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/ModalRunner.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPrinter>

namespace {
CVeltoraApp* g_app = nullptr;

// Gives the application the first look at every event of the process.
class AppMessageFilter : public QObject {
public:
    explicit AppMessageFilter(CVeltoraApp& app) : m_app(app) {}
    bool eventFilter(QObject* receiver, QEvent* event) override {
        return m_app.PreTranslateMessage(receiver, event);
    }

private:
    CVeltoraApp& m_app;
};

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
    m_commands.On(104, [this] { OnTipOfTheDay(); });
    m_commands.On(ui::ID_APP_ABOUT, [this] { OnAppAbout(); });
    m_commands.On(ui::ID_FILE_PRINT_SETUP, [this] { OnFilePrintSetup(); });
    m_commands.On(ui::ID_APP_EXIT, [this] { OnAppExit(); });
}

CVeltoraApp::~CVeltoraApp() {
    if (m_messageFilter && qApp)
        qApp->removeEventFilter(m_messageFilter.get());
    // The frame goes first: its windows may still reach the connection while they close.
    data::SetAnalysisContext(nullptr);
    m_pMainWnd.reset();
    m_pDocument.reset();
    data::ResetAppContext();
    if (g_app == this)
        g_app = nullptr;
}

bool CVeltoraApp::InitInstance(const QStringList& arguments) {
    m_arguments = arguments;

    // 1. Command line and splash window; from now on the application sees every event first.
    CCommandLineInfo cmdInfo;
    cmdInfo.ParseCommandLine(arguments);
    CSplashWindow::EnableSplashScreen(cmdInfo.m_bShowSplash);
    if (!m_messageFilter && qApp) {
        m_messageFilter = std::make_unique<AppMessageFilter>(*this);
        qApp->installEventFilter(m_messageFilter.get());
    }

    // 3. Profile under the company key.
    profile::SetRegistryKey(QStringLiteral("tavrin studio"), res::LoadString(57344));

    // The program directory is known before the view is made: the view looks for the custom
    // background picture there as it is constructed.
    data::SetAppDirectory(data::ProgramDirectory());

    // 4-5. The document template: document, main frame and view.
    if (!ProcessShellCommand())
        return false;

    // 6. Main menu. The data version is read at this point.
    m_pMainWnd->LoadMainMenu();
    const QString storedVersion =
        profile::GetProfileString(QLatin1String(kVersionSection), QLatin1String(kVersionEntry));
    if (data::NeedsUpgrade(storedVersion))
        m_bUpgradeDatabase = true;

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

bool CVeltoraApp::ProcessShellCommand() {
    data::SetAnalysisContext(nullptr);
    m_pMainWnd.reset();
    m_pDocument = std::make_unique<CVeltoraDoc>();
    auto frame = std::make_unique<CMainFrame>();
    if (!frame->LoadFrame(m_pDocument.get()))
        return false;
    m_pMainWnd = std::move(frame);
    // The frame keeps the analysis context for the whole run.
    data::SetAnalysisContext(m_pMainWnd.get());
    return m_pDocument->OnNewDocument();
}

bool CVeltoraApp::PreTranslateMessage(QObject* receiver, QEvent* event) {
    if (CSplashWindow::PreTranslateAppMessage(event))
        return true;
    if (event->type() != QEvent::KeyPress || !m_pMainWnd)
        return false;
    // Accelerators belong to the frame: only keys typed in the frame itself, not in a dialog.
    auto* widget = qobject_cast<QWidget*>(receiver);
    if (!widget || widget->window() != m_pMainWnd.get() || !m_pMainWnd->isActiveWindow())
        return false;
    return m_pMainWnd->TranslateAccelerator(static_cast<const QKeyEvent&>(*event));
}

bool CVeltoraApp::OpenConnection() {
    data::SetDatabase(nullptr);
    auto connection = std::make_unique<db::Connection>();
    try {
        const QString password = m_pMainWnd->DecodeText(res::LoadString(106), res::LoadString(61000));
        connection->Open(data::BuildConnectionString(res::LoadString(57616), data::AppDirectory(), password));
    } catch (const std::exception&) {
        ui::MessageBox(m_pMainWnd.get(), res::LoadString(57604), res::LoadString(57344), ui::MB_OK);
        return false;
    }
    data::SetDatabase(std::move(connection));
    return true;
}

void CVeltoraApp::EnsureDataFiles() {
    data::EnsureDataFiles(data::AppDirectory());
}

bool CVeltoraApp::UpgradeDatabase() {
    return data::HasDatabase() && data::UpgradeDatabase(data::Database());
}

void CVeltoraApp::GetGradeNo(QString& grade) {
    if (data::HasDatabase())
        data::GetGradeNo(data::Database(), grade);
}

void CVeltoraApp::ShowTipAtStartup() {
    CCommandLineInfo cmdInfo;
    cmdInfo.ParseCommandLine(m_arguments);
    if (!cmdInfo.m_bShowSplash)
        return;
    // Constructing reads a tip and destroying stores the place after it, shown or not.
    CTipOfDayDlg dlg(nullptr);
    if (dlg.m_bStartup)
        dlg.DoModal();
}

void CVeltoraApp::OnTipOfTheDay() {
    CTipOfDayDlg dlg(nullptr);
    dlg.DoModal();
}

void CVeltoraApp::OnAppAbout() {
    CAboutDlg dlg(m_pMainWnd.get());
    dlg.DoModal();
}

QPrinter& CVeltoraApp::GetPrinter() {
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>();
    return *m_printer;
}

void CVeltoraApp::OnFilePrintSetup() {
    // The page chosen here is kept and used by every report and grid printout.
    report::RunPageSetup(m_pMainWnd.get());
}

void CVeltoraApp::OnAppExit() {
    if (m_pMainWnd)
        m_pMainWnd->close();
}

bool CVeltoraApp::OnCmdMsg(int id) {
    return m_commands.Dispatch(id);
}

bool CVeltoraApp::OnUpdateCmdUI(int id, ui::CmdUI& ui) {
    return m_commands.Update(id, ui);
}
