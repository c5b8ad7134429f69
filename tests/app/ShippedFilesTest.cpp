// A program directory (VELTORA_HOME) that holds only the database still has the tips and help
// pages shipped beside the executable.

#include "ShellSupport.h"

#include "app/TipOfDayDlg.h"
#include "data/AppContext.h"
#include "data/ShippedFiles.h"
#include "platform/help/Help.h"
#include "platform/ui/Dialog.h"

#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QUrl>

namespace {

const QString kShippedDir = QFileInfo(QStringLiteral(VELTORA_EXECUTABLE)).absolutePath();

TEST(ShippedFiles, AHomeHoldingOnlyTheDatabaseStartsWithTheShippedTips) {
    QTemporaryDir home;
    QTemporaryDir config;
    ASSERT_TRUE(QFile::copy(VELTORA_SHIPPED_DATABASE, home.filePath("veltora.mdb")));
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("VELTORA_HOME", home.path());
    env.insert("XDG_CONFIG_HOME", config.path());
    env.insert("VELTORA_SMOKE_TEST", "1");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(VELTORA_EXECUTABLE, {});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    EXPECT_EQ(p.exitCode(), 0) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("dialog: 103 每日一贴"))) << err.toStdString();
    EXPECT_FALSE(err.contains("message:")) << err.toStdString();

    // The tip came from the shipped tips file: its place in the file and the file's time were kept.
    QSettings s(config.filePath("tavrin studio/Veltora.conf"), QSettings::IniFormat);
    EXPECT_GT(s.value("Tip/FilePos").toInt(), 0);
    EXPECT_FALSE(s.value("Tip/TimeStamp").toString().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(home.filePath("tavrintips.txt"))); // nothing was copied in
}

class ShippedFilesShell : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        data::SetShippedFilesDirectory(kShippedDir);
    }
    void TearDown() override {
        data::SetShippedFilesDirectory({});
        ShellTest::TearDown();
    }
};

class PageRecorder : public help::HelpPresenter {
public:
    PageRecorder() { help::SetHelpPresenter(this); }
    ~PageRecorder() override { help::SetHelpPresenter(nullptr); }
    void Show(QWidget*, const QUrl& page) override { pages << page.toLocalFile(); }
    QStringList pages;
};

TEST_F(ShippedFilesShell, HelpAndTipsComeFromBesideTheExecutableUnlessTheHomeHasItsOwn) {
    PageRecorder help;
    frame->OnCmdMsg(1027); // 帮助主题
    ASSERT_EQ(help.pages.size(), 1);
    EXPECT_EQ(QFileInfo(help.pages[0]).canonicalFilePath(),
              QFileInfo(QDir(kShippedDir).filePath("help/index.html")).canonicalFilePath());
    EXPECT_EQ(CTipOfDayDlg::TipsFilePath(), QDir(kShippedDir).filePath("tavrintips.txt"));
    CTipOfDayDlg tip(nullptr);
    EXPECT_TRUE(tip.HasTipsFile());

    // A home with its own tips file keeps it.
    WriteFile("tavrintips.txt", "自己的提示\n");
    EXPECT_EQ(CTipOfDayDlg::TipsFilePath(), home.filePath("tavrintips.txt"));
    // A file found nowhere is named in the home, where a message about it should point.
    EXPECT_EQ(data::ShippedFilePath(data::AppDirectory(), "missing.txt"), home.filePath("missing.txt"));
}

TEST_F(ShippedFilesShell, F1ShowsTheHelpOfTheDialogInFrontOrTheFrames) {
    PageRecorder help;
    const auto shown = [&help] { return help.pages.isEmpty() ? QString() : QFileInfo(help.pages.last()).fileName(); };
    // The frame's F1 is its own help.
    const QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    EXPECT_TRUE(frame->TranslateAccelerator(f1));
    EXPECT_EQ(shown(), QStringLiteral("index.html"));

    // In a dialog, with the focus in any control: the dialog's page (考场安排's is prepare.html),
    // the contents for a dialog that has none.
    for (const auto& [templateId, page] : {std::pair{244, "prepare.html"}, {9999, "index.html"}}) {
        help.pages.clear();
        ui::Dialog dlg(templateId, frame);
        auto* edit = new QLineEdit(&dlg);
        dlg.show();
        dlg.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_F1);
        EXPECT_EQ(shown(), QString::fromLatin1(page)) << templateId;
        EXPECT_EQ(help.pages.size(), 1) << templateId;
    }
}

} // namespace

// The program directory is the program as shipped: the program, its libraries and its data, and
// none of the developers' tools.
TEST(ShippedFiles, TheProgramDirectoryHoldsOnlyTheProgram) {
    QStringList programs;
    for (const QFileInfo& file : QDir(kShippedDir).entryInfoList(QDir::Files | QDir::Executable))
        if (!file.fileName().endsWith(QStringLiteral(".so")))
            programs << file.fileName();
    EXPECT_EQ(programs, QStringList{QStringLiteral("Veltora")});
}
