#include "app/MainFrm.h"

#include "app/Base64.h"
#include "app/SplashWnd.h"
#include "app/VeltoraApp.h"
#include "app/VeltoraView.h"
#include "controls/Picture.h"
#include "data/AppContext.h"
#include "data/ShippedFiles.h"
#include "platform/help/Help.h"
#include "platform/ui/Dialog.h"
#include "platform/net/Page.h"
#include "platform/res/PromptTable.h"
#include "platform/res/StringTable.h"
#include "platform/res/Toolbar.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Shell.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>

namespace {

QIcon IconFrom(const QImage& image) {
    return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}

class OverrideCursor {
public:
    OverrideCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~OverrideCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent) {
    resize(1024, 700);
    BuildCommandMap();
    // F1 in a dialog: its page (0x20000 + template id), or the contents for a dialog without one.
    ui::SetHelpKeyHandler([this](ui::Dialog& dialog) {
        WinHelp(&dialog, 0x20000 + static_cast<quint32>(dialog.TemplateId()), help::HELP_CONTEXT);
    });
}

CMainFrame::~CMainFrame() {
    ui::SetHelpKeyHandler({});
}

bool CMainFrame::LoadFrame(CVeltoraDoc* document) {
    PreCreateWindow();
    if (const auto table = res::LoadAccelerators(128))
        m_accelerators = *table;
    return OnCreate(document) != -1;
}

void CMainFrame::PreCreateWindow() {
    // The program's title alone: no document name after it.
    setWindowTitle(res::LoadString(57344));
    QByteArray icon;
    if (FindPictureResource(128, QStringLiteral("ICON"), &icon)) {
        QImage image;
        if (image.loadFromData(icon))
            setWindowIcon(QIcon(QPixmap::fromImage(image)));
    }
}

int CMainFrame::OnCreate(CVeltoraDoc* document) {
    // The client: the view.
    m_pView = new CVeltoraView(document, this);
    setCentralWidget(m_pView);

    // Toolbar 128.
    const auto toolbar = res::LoadToolbar(128);
    if (!toolbar)
        return -1;
    m_wndToolBar = new QToolBar(this);
    m_wndToolBar->setObjectName(QStringLiteral("toolbar"));
    m_wndToolBar->setWindowTitle(QStringLiteral("工具栏"));
    m_wndToolBar->setIconSize(toolbar->buttonSize);
    m_wndToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    m_wndToolBar->setMovable(true);
    int image = 0;
    for (const int id : toolbar->items) {
        if (id == 0) {
            m_wndToolBar->addSeparator();
            continue;
        }
        const QString tip = res::LoadPrompt(id).toolTip;
        QAction* action = MakeCommandAction(id, tip, m_wndToolBar);
        action->setIcon(IconFrom(toolbar->ButtonImage(image++)));
        action->setToolTip(tip);
        m_wndToolBar->addAction(action);
    }
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);

    // Status bar: the message pane and the three lock indicators.
    m_wndStatusBar = new QStatusBar(this);
    m_wndStatusBar->setObjectName(QStringLiteral("statusbar"));
    m_wndStatusBar->addWidget(new QLabel(res::LoadString(ui::AFX_IDS_IDLEMESSAGE), m_wndStatusBar), 1);
    for (const int indicator : {59137, 59138, 59139}) {
        auto* label = new QLabel(res::LoadString(indicator), m_wndStatusBar);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setAlignment(Qt::AlignCenter);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(label->text()) + 12);
        label->setEnabled(false);
        m_wndStatusBar->addPermanentWidget(label);
    }
    setStatusBar(m_wndStatusBar);
    UpdateActions(m_wndToolBar->actions());

    CSplashWindow::ShowSplashScreen(this);
    return 0;
}

QAction* CMainFrame::MakeCommandAction(int id, const QString& text, QObject* parent) {
    auto* action = new QAction(text, parent);
    action->setData(id);
    action->setStatusTip(res::LoadPrompt(id).statusText);
    connect(action, &QAction::triggered, this, [this, id] { OnCmdMsg(id); });
    return action;
}

void CMainFrame::LoadMainMenu() {
    if (!m_menu.LoadMenu(128))
        return;
    // A command on both toolbars shows the image of toolbar 177, loaded last.
    m_menu.AddToolbarImages(128);
    m_menu.AddToolbarImages(177);
    QMenuBar* bar = menuBar();
    bar->clear();
    m_hMenuTop.reset(m_menu.Detach());
    for (QAction* entry : m_hMenuTop->actions()) {
        bar->addAction(entry);
        if (entry->menu())
            WirePopup(entry->menu());
    }
}

// Commands run through the frame's routing; a popup about to show first brings its records in
// step and then has its items enabled and checked.
void CMainFrame::WirePopup(QMenu* popup) {
    popup->installEventFilter(this);
    connect(popup, &QMenu::aboutToShow, this, [this, popup] {
        KestMenu::ResyncMenu(KestMenu::FromHandle(popup));
        UpdateActions(popup->actions());
    });
    for (QAction* action : popup->actions()) {
        if (action->menu()) {
            WirePopup(action->menu());
            continue;
        }
        bool ok = false;
        const int id = action->data().toInt(&ok);
        if (!ok || id == 0)
            continue;
        action->setStatusTip(res::LoadPrompt(id).statusText);
        connect(action, &QAction::triggered, this, [this, id] { OnCmdMsg(id); });
    }
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    auto* popup = qobject_cast<QMenu*>(watched);
    if (!popup || event->type() != QEvent::KeyPress)
        return QMainWindow::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    if (text.size() != 1 || !text.at(0).isPrint() || text.at(0).isSpace() ||
        (key->modifiers() & ~Qt::ShiftModifier) || !KestMenu::FromHandle(popup))
        return false;
    const int answer = KestMenu::FindMnemonicItem(text.at(0), MF_POPUP, popup);
    if ((answer >> 16) != MNC_EXECUTE)
        return false;
    QAction* action = popup->actions().value(answer & 0xFFFF);
    if (!action)
        return false;
    // The found item runs as if chosen: a command is carried out, a submenu opens.
    popup->setActiveAction(action);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(popup, &enter);
    return true;
}

void CMainFrame::UpdateActions(const QList<QAction*>& actions) {
    for (QAction* action : actions) {
        bool ok = false;
        const int id = action->data().toInt(&ok);
        if (!ok || id == 0)
            continue;
        ui::CmdUI state;
        if (!OnUpdateCmdUI(id, state))
            state.enabled = false; // no handler anywhere: shown disabled
        action->setEnabled(state.enabled);
        action->setCheckable(state.checkable);
        if (state.checkable)
            action->setChecked(state.checked);
    }
}

void CMainFrame::ShowWindow() {
    // Where no window manager maximises windows the frame still covers the screen.
    if (const QScreen* s = screen())
        setGeometry(s->availableGeometry());
    showMaximized();
    update();
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!(windowState() & Qt::WindowMaximized))
        setWindowState(windowState() | Qt::WindowMaximized);
}

// ---- commands

void CMainFrame::BuildCommandMap() {
    m_commands.On(32808, [this] { OnCheckForUpdates(); });
    m_commands.On(32809, [this] { OnHelpFeedback(); });
    m_commands.On(32810, [this] { OnHelpHomePage(); });
    // The help commands of the framework: the topics open the default page, help the frame's own.
    m_commands.On(1027, [this] { WinHelp(0, help::HELP_FINDER); });
    m_commands.On(ui::ID_HELP, [this] { WinHelp(0x20000 + 128, help::HELP_CONTEXT); });
    m_commands.On(ui::ID_VIEW_TOOLBAR, [this] {
        if (m_wndToolBar)
            m_wndToolBar->setVisible(!m_wndToolBar->isVisible());
    });
    m_commands.OnUpdate(ui::ID_VIEW_TOOLBAR, [this](ui::CmdUI& ui) {
        ui.SetCheck(m_wndToolBar && m_wndToolBar->isVisibleTo(this));
    });
    m_commands.On(ui::ID_VIEW_STATUS_BAR, [this] {
        if (m_wndStatusBar)
            m_wndStatusBar->setVisible(!m_wndStatusBar->isVisible());
    });
    m_commands.OnUpdate(ui::ID_VIEW_STATUS_BAR, [this](ui::CmdUI& ui) {
        ui.SetCheck(m_wndStatusBar && m_wndStatusBar->isVisibleTo(this));
    });
}

bool CMainFrame::OnCmdMsg(int id) {
    ui::CmdUI state;
    if (OnUpdateCmdUI(id, state) && !state.enabled)
        return false;
    if (m_pView && m_pView->OnCmdMsg(id))
        return true;
    if (m_commands.Dispatch(id))
        return true;
    CVeltoraApp* app = GetVeltoraApp();
    return app && app->OnCmdMsg(id);
}

bool CMainFrame::OnUpdateCmdUI(int id, ui::CmdUI& ui) {
    if (m_pView && m_pView->OnUpdateCmdUI(id, ui))
        return true;
    if (m_commands.Update(id, ui))
        return true;
    CVeltoraApp* app = GetVeltoraApp();
    return app && app->OnUpdateCmdUI(id, ui);
}

bool CMainFrame::TranslateAccelerator(const QKeyEvent& event) {
    const int command = res::FindAccelerator(m_accelerators, event.keyCombination());
    if (command == 0)
        return false;
    // A key of the table is used up even when its command has no handler, as Windows translates
    // accelerators: the key never reaches the focused control.
    OnCmdMsg(command);
    return true;
}

// ---- print relay

bool CMainFrame::event(QEvent* event) {
    if (ui::WindowMessage* message = ui::AsWindowMessage(event);
        message && message->Message() == WM_PRINTGRID) {
        message->SetResult(OnPrintGrid(message->WParam(), message->LParam()));
        return true;
    }
    return QMainWindow::event(event);
}

std::intptr_t CMainFrame::OnPrintGrid(std::uintptr_t, std::intptr_t) {
    ui::PostMessage(data::PrintTarget(), WM_PRINTGRID, 0, 0);
    return 0;
}

// ---- help and web

void CMainFrame::WinHelp(quint32 data, unsigned command) {
    WinHelp(this, data, command);
}

void CMainFrame::WinHelp(QWidget* owner, quint32 data, unsigned command) {
    if (!m_help) {
        // The program directory's help pages, or those shipped beside the executable.
        m_help = std::make_unique<help::HelpBook>(
            data::ShippedFilePath(data::AppDirectory(), QStringLiteral("help")));
    }
    m_help->Request(owner, command, data);
}

void CMainFrame::OnHelpFeedback() {
    ui::ShellOpen(QUrl(QStringLiteral("mailto:") + QString::fromLatin1(kSupportMail)));
}

void CMainFrame::OnHelpHomePage() {
    ui::ShellOpen(QUrl(QString::fromLatin1(kHomePage)));
}

QString CMainFrame::VersionMessage(const QByteArray& page, bool* found) {
    const QString name = res::LoadString(57344);
    for (QString line : QString::fromUtf8(page).split(u'\n')) {
        line.remove(u'\r');
        if (!line.contains(name))
            continue;
        line.remove(name);
        qsizetype start = 0;
        while (start < line.size() && line.at(start).isSpace())
            ++start;
        if (found)
            *found = true;
        return res::LoadString(57693).replace(QStringLiteral("%s"), line.mid(start));
    }
    if (found)
        *found = false;
    return res::LoadString(57692);
}

void CMainFrame::OnCheckForUpdates() {
    const QString caption = res::LoadString(57656);
    const auto address = CBase64::Decode(QByteArray(kVersionPage));
    net::PageResult page;
    if (address) {
        OverrideCursor wait;
        page = net::FetchPage(QUrl(QString::fromLatin1(*address)), net::kDefaultTimeoutMs);
    }
    if (!page.ok) {
        ui::MessageBox(this, res::LoadString(57692), caption, ui::MB_ICONWARNING);
        return;
    }
    bool found = false;
    const QString message = VersionMessage(page.body, &found);
    ui::MessageBox(this, message, caption, found ? ui::MB_ICONINFORMATION : ui::MB_ICONWARNING);
}
