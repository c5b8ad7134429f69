#include "app/VeltoraApp.h"

#include "app/AboutDlg.h"
#include "app/MainFrm.h"
#include "app/SplashWnd.h"
#include "app/TipOfDayDlg.h"
#include "app/VeltoraDoc.h"
#include "data/AppContext.h"
#include "data/DataFiles.h"
#include "data/GradeLookup.h"
#include "data/Schema.h"
#include "data/Upgrade.h"
#include "platform/log/Log.h"
#include "platform/profile/Profile.h"
#include "platform/report/PageChoice.h"
#include "platform/res/StringTable.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/ModalRunner.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QKeyEvent>
#include <QPrinter>

#include <cstdlib>

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

// A database file must never be left paired with a journal its session did not close: when
// something ends the process through exit() instead of returning from main(), the connection is
// closed on the way out all the same.
void CloseConnectionAtExit() {
    if (data::HasDatabase())
        data::Database().Close();
}

// The messages of the data files and the connection: the first line says what failed, the
// second why.
QString TwoLines(const QString& what, const QString& why) {
    return why.isEmpty() ? what : what + u'\n' + why;
}

// Why an upgrade did not complete, by the database rule; empty when it did.
QString UpgradeFailureReason(const data::UpgradeOutcome& outcome, const QString& path) {
    if (outcome.error)
        return data::DatabaseFailureReason(*outcome.error, path);
    if (!outcome.missingTables.isEmpty())
        return QStringLiteral("数据库中没有数据表 %1。")
            .arg(outcome.missingTables.join(QStringLiteral("、")));
    return {};
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
    // The home is made first, so that it outlives the exit hook that closes its connection.
    data::HasDatabase();
    static const bool closeAtExit = std::atexit(CloseConnectionAtExit) == 0;
    Q_UNUSED(closeAtExit);
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

    // 11. Upgrade an older database; the version moves forward only when it is complete.
    if (m_bUpgradeDatabase && UpgradeAtStartup())
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
    // A foreign or damaged file is refused before anything is written to it.
    connection->SetFileCheck(data::CheckDatabaseFile);
    const QString path = data::DatabasePath(data::AppDirectory());
    if (m_openUnderAnotherName) {
        ui::MessageBox(m_pMainWnd.get(),
                       TwoLines(res::LoadString(57604),
                                QStringLiteral("数据库文件正被另一个程序通过另一个文件夹中的链接使用。")),
                       res::LoadString(57344), ui::MB_OK);
        return false;
    }
    try {
        const QString password = m_pMainWnd->DecodeText(res::LoadString(106), res::LoadString(61000));
        connection->Open(data::BuildConnectionString(res::LoadString(57616), data::AppDirectory(), password));
    } catch (const std::exception& e) {
        QString reason;
        if (const auto* error = dynamic_cast<const db::DbError*>(&e))
            reason = data::DatabaseFailureReason(*error, path);
        qCInfo(vlog::db) << "cannot open" << path << ":" << e.what();
        ui::MessageBox(m_pMainWnd.get(), TwoLines(res::LoadString(57604), reason), res::LoadString(57344),
                       ui::MB_OK);
        return false;
    }
    data::SetDatabase(std::move(connection));
    return true;
}

void CVeltoraApp::EnsureDataFiles() {
    const data::DataFilesReport report = data::EnsureDataFiles(data::AppDirectory(), m_sessionLock);
    m_openUnderAnotherName = report.openUnderAnotherName;
    if (report.lockUnavailable) {
        ui::MessageBox(
            m_pMainWnd.get(),
            QStringLiteral("无法确认是否另有程序正在使用数据库，本次启动没有检查上次运行留下的日志文件。"),
            res::LoadString(57656), ui::MB_ICONWARNING);
        return;
    }
    if (report.setAside.isEmpty())
        return;
    QStringList names;
    for (const QString& file : report.setAside)
        names << QFileInfo(file).fileName();
    ui::MessageBox(
        m_pMainWnd.get(),
        QStringLiteral("上次运行没有正常结束，而数据库文件此后已被替换。上次留下的日志文件不属于现在的"
                       "数据库，没有使用，已另存为：\n") +
            names.join(u'\n'),
        res::LoadString(57656), ui::MB_ICONWARNING);
}

bool CVeltoraApp::UpgradeAtStartup() {
    if (!data::HasDatabase())
        return false;
    db::Connection& connection = data::Database();
    const data::UpgradeOutcome outcome = data::RunUpgrade(connection);
    if (const QString reason = UpgradeFailureReason(outcome, connection.Path()); !reason.isEmpty())
        ui::MessageBox(m_pMainWnd.get(), TwoLines(QStringLiteral("对不起，数据库升级失败！"), reason),
                       res::LoadString(57656), ui::MB_ICONWARNING);
    return outcome.complete;
}

bool CVeltoraApp::UpgradeDatabase(QString* reason) {
    if (!data::HasDatabase())
        return false;
    db::Connection& connection = data::Database();
    const data::UpgradeOutcome outcome = data::RunUpgrade(connection);
    if (reason)
        *reason = UpgradeFailureReason(outcome, connection.Path());
    return outcome.complete;
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

void CVeltoraApp::EndRun() {
    // Open dialogs are cancelled, then the frame closes as on 退出; quitting also leaves every
    // modal loop that is still running, and keeps new ones from starting.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible())
            dialog->reject();
    }
    OnAppExit();
    QCoreApplication::quit();
}

bool CVeltoraApp::OnCmdMsg(int id) {
    return m_commands.Dispatch(id);
}

bool CVeltoraApp::OnUpdateCmdUI(int id, ui::CmdUI& ui) {
    return m_commands.Update(id, ui);
}
