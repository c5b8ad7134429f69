// Every command of the main menu and the tracking menu reaches its handler: the dialog it opens,
// in which mode, and whether it first checks the analysis parameters.

#include "ShellSupport.h"

#include "app/Base64.h"
#include "data/AppContext.h"
#include "data/DataFiles.h"
#include "platform/help/Help.h"
#include "platform/net/Page.h"
#include "platform/res/Menu.h"
#include "platform/res/PromptTable.h"
#include "platform/res/StringTable.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Shell.h"
#include "reports/PercentModeDlg.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include <map>
#include <set>

namespace {

struct Row {
    int id;
    const char* dialog;
    int templateId;
    int mode;     // -1: no mode
    bool checked; // runs only while analysis parameters are set
};

// Commands that open one dialog.
const Row kDialogCommands[] = {
    {32771, "CGradeSetDlg", 136, -1, false},
    {32772, "CSubjectSetDlg", 135, -1, false},
    {32773, "CExamNameDlg", 137, -1, false},
    {32774, "CGradeValueDlg", 138, -1, false},
    {32855, "CStudentTypeDlg", 258, -1, false},
    {32775, "CStudentListDlg", 132, -1, false},
    {32776, "CExamRoomDlg", 244, -1, false},
    {32778, "CExamRegisterDlg", 130, -1, false},
    {32781, "CWeightCoefDlg", 142, -1, false},
    {32840, "CExamMaintainDlg", 243, -1, false},
    {32780, "CPrepareScoreSheetDlg", 140, 0, false},
    {32779, "CScoreEntryDlg", 141, 0, false},
    {32841, "CScoreEntryDlg", 141, 1, false},
    {32850, "CScoreEntryDlg", 141, 0, false},
    {32849, "CScoreEntryDlg", 141, 2, false},
    {32837, "CPrepareScoreSheetDlg", 140, 1, false},
    {32784, "CAnalysisParamDlg", 144, 0, false},
    {32794, "CAnalysisParamDlg", 144, 1, true},
    {32783, "CBasicStatDlg", 143, 0, true},
    {32782, "CBasicStatDlg", 143, 1, true},
    {32857, "CBasicStatDlg", 143, 2, true},
    {32848, "CBasicStatDlg", 143, 3, true},
    {32789, "CScoreBandReportDlg", 145, -1, true},
    {32791, "CScoreReportDlg", 149, 0, true},
    {32792, "CScoreReportDlg", 149, 1, true},
    {32793, "CScoreReportDlg", 149, 2, true},
    {32818, "CScoreReportDlg", 149, 3, true},
    {32834, "CScorePrintDlg", 175, 1, true},
    {32797, "CScorePrintDlg", 175, 0, true},
    {32820, "CGradeScorePrintDlg", 179, -1, true},
    {32825, "CScoreTrackDlg", 155, 0, false},
    {32821, "CScoreTrackDlg", 155, 0, false},
    {32826, "CScoreTrackDlg", 155, 1, false},
    {32822, "CScoreTrackDlg", 155, 1, false},
    {32830, "CStudentTrackReportDlg", 156, -1, false},
    {32831, "CStudentTrackReportDlg", 156, -1, false},
    {32854, "CTeachEvalDlg", 255, -1, false},
    {32853, "CTeachEvalDlg", 255, -1, false},
    {32827, "CLunarDlg", 237, -1, false},
    {32847, "CQualifyLineDlg", 246, -1, true},
    {32852, "CSignificanceTestDlg", 252, 0, true},
    {32851, "CSignificanceTestDlg", 252, 1, true},
    {32836, "CScoreQueryDlg", 242, -1, false},
    {104, "CTipOfDayDlg", 103, -1, false},
    {57664, "CAboutDlg", 100, -1, false},
};

// The percentage commands: the method dialog first, then the rate dialog.
const int kPercentCommands[] = {32843, 32844, 32845};

// Commands that open no dialog of ours; each has its own test below.
const std::set<int> kOtherCommands = {32842, 32856, 32798, 32799, 57606, 57665, 59392,
                                      59393, 32807, 1027,  32808, 32809, 32810};

const QString kRefusal = QStringLiteral("在开始分析之前，请先设置分析参数！");

TEST_F(ShellTest, EveryMenuCommandIsCovered) {
    std::set<int> known(kOtherCommands);
    for (const Row& r : kDialogCommands)
        known.insert(r.id);
    known.insert(std::begin(kPercentCommands), std::end(kPercentCommands));
    for (int menuId : {128, 183}) {
        const auto menu = res::LoadMenu(menuId);
        ASSERT_TRUE(menu);
        for (int id : menu->CommandIds())
            EXPECT_TRUE(known.count(id)) << "command " << id << " of menu " << menuId;
    }
}

TEST_F(ShellTest, EachCommandOpensItsDialogInItsMode) {
    frame->m_nSelectedSubjects = 2;
    for (const Row& r : kDialogCommands) {
        opened.clear();
        EXPECT_TRUE(frame->OnCmdMsg(r.id)) << r.id;
        ASSERT_EQ(opened.size(), 1u) << r.id;
        EXPECT_EQ(opened[0].className, QLatin1String(r.dialog)) << r.id;
        EXPECT_EQ(opened[0].templateId, r.templateId) << r.id;
        EXPECT_EQ(opened[0].mode, r.mode) << r.id;
    }
    EXPECT_TRUE(boxes->Boxes().empty());
}

TEST_F(ShellTest, StatisticsCommandsRefuseUntilParametersAreSet) {
    // A fresh frame has no analysis context.
    EXPECT_EQ(frame->m_nAnalysisExamId, -1);
    EXPECT_TRUE(frame->m_strAnalysisExam.isEmpty());
    EXPECT_EQ(frame->m_nSelectedSubjects, 0);
    for (int flag : frame->m_aSubjectSelected)
        EXPECT_EQ(flag, 0);

    std::vector<int> checked(std::begin(kPercentCommands), std::end(kPercentCommands));
    for (const Row& r : kDialogCommands) {
        opened.clear();
        boxes->Clear();
        frame->OnCmdMsg(r.id);
        if (!r.checked) {
            EXPECT_EQ(opened.size(), 1u) << r.id;
            continue;
        }
        checked.push_back(r.id);
    }
    for (int id : checked) {
        opened.clear();
        boxes->Clear();
        frame->OnCmdMsg(id);
        EXPECT_TRUE(opened.empty()) << id;
        ASSERT_EQ(boxes->Boxes().size(), 1u) << id;
        EXPECT_EQ(boxes->Boxes()[0].text, kRefusal);
        EXPECT_EQ(boxes->Boxes()[0].caption, QStringLiteral("信息提示"));
        EXPECT_EQ(boxes->Boxes()[0].type, ui::MB_ICONERROR);
    }
}

TEST_F(ShellTest, PercentageCommandsAskForTheMethodFirst) {
    frame->m_nSelectedSubjects = 1;
    // OK with "by score": the rate dialog gets the command's mode and that method.
    answer = [](ui::Dialog& d) {
        if (auto* percent = dynamic_cast<CPercentModeDlg*>(&d)) {
            percent->m_nMethod = 0;
            return ui::IDOK;
        }
        return ui::IDCANCEL;
    };
    for (int i = 0; i < 3; ++i) {
        opened.clear();
        frame->OnCmdMsg(kPercentCommands[i]);
        ASSERT_EQ(opened.size(), 2u);
        EXPECT_EQ(opened[0].className, "CPercentModeDlg");
        EXPECT_EQ(opened[0].templateId, 248);
        EXPECT_EQ(opened[0].mode, i == 2 ? 1 : 0); // the top-student averages ask for the excellence cut
        EXPECT_EQ(opened[1].className, "CExcellentRateDlg");
        EXPECT_EQ(opened[1].templateId, 245);
        EXPECT_EQ(opened[1].mode, i);
        EXPECT_EQ(opened[1].method, 0);
    }
    // Cancel ends the command; the default method is by proportion.
    answer = {};
    opened.clear();
    frame->OnCmdMsg(32843);
    EXPECT_EQ(opened.size(), 1u);
    CPercentModeDlg fresh(nullptr);
    EXPECT_EQ(fresh.m_nMethod, 1);
}

TEST_F(ShellTest, UpgradeCommandReportsWhatHappened) {
    // No connection: the upgrade cannot run, and the user is told so.
    frame->OnCmdMsg(32842);
    ASSERT_EQ(boxes->Texts(), QStringList{QStringLiteral("对不起，数据库操作失败！")});

    ASSERT_TRUE(QFile::copy(VELTORA_SHIPPED_DATABASE, home.filePath("veltora.mdb")));
    auto connection = std::make_unique<db::Connection>();
    connection->Open(
        data::BuildConnectionString(res::LoadString(57616), data::AppDirectory(),
                                    frame->DecodeText(res::LoadString(106), res::LoadString(61000))));
    data::SetDatabase(std::move(connection));
    boxes->Clear();
    frame->OnCmdMsg(32842);
    ASSERT_EQ(boxes->Texts(), QStringList{QStringLiteral("成功升级成绩分析系统数据库！")});
    EXPECT_EQ(boxes->Boxes()[0].type, ui::MB_ICONINFORMATION);

    // A file the upgrade cannot write: the failure says why.
    data::Database().Execute(QStringLiteral("PRAGMA query_only=1"));
    boxes->Clear();
    frame->OnCmdMsg(32842);
    ASSERT_EQ(boxes->Texts(), QStringList{QStringLiteral("对不起，数据库操作失败！\n数据库文件是只读的。")});
}

TEST_F(ShellTest, MenuShowsCommandsWithoutHandlerDisabledAndBarsChecked) {
    frame->LoadMainMenu();
    std::map<int, QAction*> actions;
    std::function<void(QMenu*)> walk = [&](QMenu* menu) {
        emit menu->aboutToShow();
        for (QAction* a : menu->actions()) {
            if (a->menu())
                walk(a->menu());
            else if (a->data().isValid())
                actions[a->data().toInt()] = a;
        }
    };
    for (QAction* top : frame->menuBar()->actions())
        walk(top->menu());
    EXPECT_EQ(actions.size(), 57u);
    EXPECT_FALSE(actions.at(32856)->isEnabled()); // 数据库服务器: no handler
    EXPECT_TRUE(actions.at(32842)->isEnabled());
    EXPECT_TRUE(actions.at(104)->isEnabled());
    EXPECT_EQ(actions.at(32799)->statusTip(), QStringLiteral("设置成系统内置背景"));
    EXPECT_FALSE(frame->OnCmdMsg(32856));

    frame->show();
    EXPECT_TRUE(actions.at(59392)->isChecked());
    frame->OnCmdMsg(59392);
    frame->OnCmdMsg(59393);
    EXPECT_FALSE(frame->GetToolBar()->isVisible());
    EXPECT_FALSE(frame->GetStatusBar()->isVisible());
    walk(qobject_cast<QMenu*>(actions.at(59392)->parent()));
    EXPECT_FALSE(actions.at(59392)->isChecked());
    EXPECT_FALSE(actions.at(59393)->isChecked());
    frame->OnCmdMsg(59392);
    EXPECT_TRUE(frame->GetToolBar()->isVisible());

    // 退出系统 closes the frame.
    frame->OnCmdMsg(57665);
    EXPECT_FALSE(frame->isVisible());
}

TEST_F(ShellTest, StatusBarShowsCommandPromptsApartFromStringsOfTheSameNumber) {
    QAction* help = frame->MakeCommandAction(ui::ID_HELP, QStringLiteral("帮助"), frame);
    help->showStatusText(frame);
    EXPECT_EQ(frame->GetStatusBar()->currentMessage(), QStringLiteral("显示帮助"));
    EXPECT_EQ(res::LoadString(ui::ID_HELP), QStringLiteral("计算各科总分"));

    // A command without a prompt shows nothing, though a string has its number.
    QAction* unprompted = frame->MakeCommandAction(32829, QStringLiteral("打印"), frame);
    unprompted->showStatusText(frame);
    EXPECT_TRUE(frame->GetStatusBar()->currentMessage().isEmpty());
    EXPECT_FALSE(res::LoadString(32829).isEmpty());

    const QList<QAction*> buttons = frame->GetToolBar()->actions();
    buttons[1]->showStatusText(frame); // 科目设置
    EXPECT_EQ(frame->GetStatusBar()->currentMessage(), QStringLiteral("科目设置"));
    EXPECT_EQ(buttons[1]->toolTip(), QStringLiteral("科目设置"));
}

TEST_F(ShellTest, ToolbarHasTwentySlots) {
    const QList<QAction*> slots_ = frame->GetToolBar()->actions();
    ASSERT_EQ(slots_.size(), 20);
    EXPECT_TRUE(slots_[3]->isSeparator());
    EXPECT_EQ(slots_[0]->data().toInt(), 57665);
    EXPECT_EQ(slots_[19]->data().toInt(), 57664);
    EXPECT_EQ(slots_[19]->toolTip(), QStringLiteral("关于"));
    EXPECT_FALSE(slots_[19]->icon().isNull());
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Veltora"));
    frame->ShowWindow();
    EXPECT_TRUE(frame->windowState() & Qt::WindowMaximized);
}

TEST_F(ShellTest, AcceleratorsRunTheirCommands) {
    QKeyEvent ctrlR(QEvent::KeyPress, Qt::Key_R, Qt::ControlModifier);
    EXPECT_TRUE(frame->TranslateAccelerator(ctrlR));
    QKeyEvent ctrlO(QEvent::KeyPress, Qt::Key_O, Qt::ControlModifier);
    EXPECT_TRUE(frame->TranslateAccelerator(ctrlO));
    QKeyEvent plainR(QEvent::KeyPress, Qt::Key_R, Qt::NoModifier);
    EXPECT_FALSE(frame->TranslateAccelerator(plainR));
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0].className, "CExamRegisterDlg");
    EXPECT_EQ(opened[1].className, "CAnalysisParamDlg");

    // Keys typed in another window are not the frame's.
    QWidget other;
    opened.clear();
    EXPECT_FALSE(app->PreTranslateMessage(&other, &ctrlR));
    EXPECT_TRUE(opened.empty());
}

class PrintTarget : public QWidget {
public:
    bool event(QEvent* e) override {
        if (ui::WindowMessage* m = ui::AsWindowMessage(e); m && m->Message() == WM_PRINTGRID) {
            ++requests;
            return true;
        }
        return QWidget::event(e);
    }
    int requests = 0;
};

TEST_F(ShellTest, PrintRequestReachesTheRegisteredTargetOnly) {
    EXPECT_EQ(frame->GetPrintTarget(), nullptr);
    frame->OnCmdMsg(57607); // nobody registered: nothing happens
    QCoreApplication::processEvents();

    auto target = std::make_unique<PrintTarget>();
    frame->SetPrintTarget(target.get());
    frame->OnCmdMsg(57607); // the view posts to the frame, the frame posts on
    EXPECT_EQ(target->requests, 0);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(target->requests, 1);

    target.reset();
    EXPECT_EQ(frame->GetPrintTarget(), nullptr);
    EXPECT_EQ(ui::SendMessage(frame, WM_PRINTGRID), 0);
    QCoreApplication::processEvents();
}

TEST_F(ShellTest, VersionCheck) {
    net::ScriptedPages pages;
    pages.AddPage("Other 1.0\r\nVeltora 3.10\r\nVeltora 9.99\r\n");
    frame->OnCmdMsg(32808);
    ASSERT_EQ(pages.Urls().size(), 1u);
    EXPECT_EQ(pages.Urls()[0], QUrl("http://www.veltora.example.org/version.txt"));
    EXPECT_EQ(pages.Timeouts()[0], 10000);
    ASSERT_EQ(boxes->Boxes().size(), 1u);
    EXPECT_EQ(boxes->Boxes()[0].text, QStringLiteral("目前最新版本是V3.10版。"));
    EXPECT_EQ(boxes->Boxes()[0].caption, QStringLiteral("信息提示"));
    EXPECT_EQ(boxes->Boxes()[0].type, ui::MB_ICONINFORMATION);

    const QString failed = QStringLiteral("没有成功获取最新版本信息！");
    pages.AddPage("nothing about us\n");
    pages.AddFailure();
    boxes->Clear();
    frame->OnCmdMsg(32808);
    frame->OnCmdMsg(32808);
    EXPECT_EQ(boxes->Texts(), (QStringList{failed, failed}));
    EXPECT_EQ(boxes->Boxes()[0].type, ui::MB_ICONWARNING);

    // Every occurrence of the name goes, then the leading blanks.
    EXPECT_EQ(CMainFrame::VersionMessage("  VeltoraVeltora \t4.0.1 (Veltora)"),
              QStringLiteral("目前最新版本是V4.0.1 ()版。"));
}

TEST_F(ShellTest, VersionTextFromTheNetworkIsShownAsPlainText) {
    net::ScriptedPages pages;
    pages.AddPage("Veltora <a href='http://elsewhere.example'>3.0</a><img src=x>\n");
    // The real message box this time: it must not read the page's text as markup.
    ui::SetMessageBoxService(nullptr);
    Qt::TextFormat format = Qt::RichText;
    QString shown;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                format = box->textFormat();
                shown = box->text();
                closer.stop();
                box->buttons().first()->click();
            }
    });
    closer.start(10);
    frame->OnCmdMsg(32808);
    ui::SetMessageBoxService(boxes.get());
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_EQ(shown,
              QStringLiteral("目前最新版本是V<a href='http://elsewhere.example'>3.0</a><img src=x>版。"));
}

TEST_F(ShellTest, WebCommandsGoToOurAddresses) {
    ui::RecordingShell shell;
    frame->OnCmdMsg(32809);
    frame->OnCmdMsg(32810);
    ASSERT_EQ(shell.Opened().size(), 2);
    EXPECT_EQ(shell.Opened()[0], QUrl("mailto:support@veltora.example.org"));
    EXPECT_EQ(shell.Opened()[1], QUrl("http://www.veltora.example.org"));
    EXPECT_EQ(res::LoadPrompt(32809).statusText, QStringLiteral("电子邮件：support@veltora.example.org"));
}

class HelpRecorder : public help::HelpPresenter {
public:
    HelpRecorder() { help::SetHelpPresenter(this); }
    ~HelpRecorder() override { help::SetHelpPresenter(nullptr); }
    void Show(QWidget*, const QUrl& page) override { pages << page.fileName(); }
    QStringList pages;
};

TEST_F(ShellTest, HelpCommandsOpenPagesOfTheProgramDirectory) {
    ASSERT_TRUE(QDir(home.path()).mkdir("help"));
    WriteFile("help/index.html", "<p>目录</p>");
    WriteFile("help/contexts.txt", "0x20080\tmain.html\n");
    HelpRecorder help;
    frame->OnCmdMsg(1027);  // 帮助主题: the default page
    frame->OnCmdMsg(57670); // help: the frame's own topic
    frame->WinHelp(0x20090, help::HELP_CONTEXT);
    EXPECT_EQ(help.pages, (QStringList{"index.html", "main.html", "index.html"}));
}

TEST_F(ShellTest, MissingHelpFolderSaysSo) {
    HelpRecorder help;
    frame->OnCmdMsg(1027);
    frame->OnCmdMsg(57670);
    EXPECT_TRUE(help.pages.isEmpty());
    const QString text = QStringLiteral("找不到帮助文件：%1help/index.html").arg(data::AppDirectory());
    EXPECT_EQ(boxes->Texts(), (QStringList{text, text}));
    EXPECT_EQ(boxes->Boxes()[0].caption, QStringLiteral("信息提示"));
}

TEST_F(ShellTest, QuickStartPrintSetupAndTheVersionAddress) {
    frame->OnCmdMsg(32807);
    ASSERT_EQ(boxes->Boxes().size(), 1u);
    EXPECT_EQ(boxes->Boxes()[0].text,
              QStringLiteral("1.设置年级、考试科目和常用考试名称；\n2.录入学生名单或导入学生名单；\n"
                             "3.为考试注册，设置加权系数，安排考室；\n"
                             "4.准备登分表（名单或考室改动后再次“载入数据”）、输入考试成绩；\n"
                             "5.对考试成绩进行统计分析！"));
    EXPECT_EQ(boxes->Boxes()[0].type, ui::MB_ICONINFORMATION);

    {
        // Qt's page set-up warns on a machine without a native printer.
        AllowWarning noPrinter(QStringLiteral("QPageSetupDialog: Cannot be used on non-native printers"));
        frame->OnCmdMsg(57606);
    }
    EXPECT_EQ(qtDialogs, QStringList{"QPageSetupDialog"});

    EXPECT_EQ(CBase64::Decode(QByteArray(CMainFrame::kVersionPage)).value_or(""),
              "http://www.veltora.example.org/version.txt");
}

} // namespace
