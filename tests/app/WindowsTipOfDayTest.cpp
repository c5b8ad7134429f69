#include "app/TipOfDayDlg.h"
#include "platform/profile/Profile.h"
#include "platform/res/StringTable.h"
#include "platform/text/Gbk.h"
#include "platform/ui/MessageBox.h"
#include "tests/common/Fifo.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>

#include <memory>

namespace {

class TipOfDayTest : public ::testing::Test {
protected:
    void SetUp() override {
        profile::UseMemoryStore();
        m_oldHome = qgetenv("VELTORA_HOME");
        qputenv("VELTORA_HOME", m_dir.path().toLocal8Bit());
    }
    void TearDown() override { qputenv("VELTORA_HOME", m_oldHome); }

    // Writes the tips file in the code page the program reads, with a chosen modification time.
    void WriteTips(const QString& text, int minutesAgo = 60) {
        QFile f(m_dir.filePath(QStringLiteral("tavrintips.txt")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text::ToGbk(text));
        f.close();
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.setFileTime(QDateTime::currentDateTime().addSecs(-60 * minutesAgo),
                      QFileDevice::FileModificationTime);
    }

    // One showing: construct (reads a tip), destroy (stores the position behind it).
    QString NextShowing() { return CTipOfDayDlg().m_strTip; }

    QTemporaryDir m_dir;
    QByteArray m_oldHome;
};

} // namespace

TEST_F(TipOfDayTest, SkipsCommentsAndBlankLinesAndBreaksParagraphs) {
    WriteTips(QStringLiteral("; 注释\n\n \t缩进的行\n\t制表符\n第一条\\n第二段\n第二条\n"));
    EXPECT_EQ(NextShowing(), QStringLiteral("第一条\n\n第二段\n"));
    EXPECT_EQ(NextShowing(), QStringLiteral("第二条\n"));
    // After the last tip comes the first again.
    EXPECT_EQ(NextShowing(), QStringLiteral("第一条\n\n第二段\n"));

    CTipOfDayDlg dlg;
    dlg.OnInitDialog();
    EXPECT_TRUE(dlg.GetDlgItem(1002)->isEnabled());
    dlg.OnNextTip();
    EXPECT_EQ(dlg.m_strTip, QStringLiteral("第一条\n\n第二段\n"));
}

TEST_F(TipOfDayTest, WindowsLineEndsAndOverlongLines) {
    const QString longTip = QString(600, u'长'); // 1200 GBK bytes: read as 999 bytes, then the rest
    WriteTips(QStringLiteral("甲\r\n\r\n") + longTip + QStringLiteral("\n"));
    EXPECT_EQ(NextShowing(), QStringLiteral("甲\n"));
    const QString first = NextShowing();
    EXPECT_EQ(first.left(499), QString(499, u'长'));
    EXPECT_EQ(first.size(), 500); // 999 bytes end inside the 500th character
}

TEST_F(TipOfDayTest, ChangedFileStartsOverFromTheFirstTip) {
    WriteTips(QStringLiteral("一\n二\n三\n"), 60);
    EXPECT_EQ(NextShowing(), QStringLiteral("一\n"));
    EXPECT_EQ(NextShowing(), QStringLiteral("二\n"));
    const QString stamp = profile::GetProfileString(QStringLiteral("Tip"), QStringLiteral("TimeStamp"));
    EXPECT_FALSE(stamp.isEmpty());
    EXPECT_FALSE(stamp.endsWith(u'\n'));

    WriteTips(QStringLiteral("一\n二\n三\n"), 30);
    EXPECT_EQ(NextShowing(), QStringLiteral("一\n"));
    EXPECT_NE(profile::GetProfileString(QStringLiteral("Tip"), QStringLiteral("TimeStamp")), stamp);
}

TEST_F(TipOfDayTest, MissingFileSaysSoAndStoresNothing) {
    profile::WriteProfileInt(QStringLiteral("Tip"), QStringLiteral("FilePos"), 77);
    {
        CTipOfDayDlg dlg;
        EXPECT_FALSE(dlg.HasTipsFile());
        EXPECT_EQ(dlg.m_strTip, res::LoadString(107));
        EXPECT_EQ(dlg.m_strTip, QStringLiteral("贴子文件不存在或被删除"));
        dlg.OnInitDialog();
        EXPECT_FALSE(dlg.GetDlgItem(1002)->isEnabled());
    }
    EXPECT_EQ(profile::GetProfileInt(QStringLiteral("Tip"), QStringLiteral("FilePos"), 0), 77);
}

TEST_F(TipOfDayTest, FileWithoutATipEndsTheSearch) {
    WriteTips(QString());
    EXPECT_TRUE(NextShowing().isEmpty());
    WriteTips(QStringLiteral("; 只有注释\n\n  \n"), 10);
    EXPECT_TRUE(NextShowing().isEmpty());
    // Also when the search starts in the middle of the file (after the first line).
    profile::WriteProfileInt(QStringLiteral("Tip"), QStringLiteral("FilePos"), 11);
    CTipOfDayDlg dlg;
    EXPECT_TRUE(dlg.m_strTip.isEmpty());
    dlg.OnNextTip();
    EXPECT_TRUE(dlg.m_strTip.isEmpty());
}

TEST_F(TipOfDayTest, NegativePositionStartsOverWithoutBlamingTheFile) {
    WriteTips(QStringLiteral("一\n二\n"));
    NextShowing(); // stores the time stamp
    profile::WriteProfileInt(QStringLiteral("Tip"), QStringLiteral("FilePos"), -5);
    ui::ScriptedMessageBoxes boxes;
    {
        CTipOfDayDlg dlg;
        EXPECT_TRUE(boxes.Texts().isEmpty());
        EXPECT_EQ(dlg.m_strTip, QStringLiteral("一\n"));
    }
    EXPECT_EQ(profile::GetProfileInt(QStringLiteral("Tip"), QStringLiteral("FilePos"), -1), 3);
}

TEST_F(TipOfDayTest, CloseStoresTheStartUpChoiceEscapeDoesNot) {
    WriteTips(QStringLiteral("一\n"));
    {
        CTipOfDayDlg dlg;
        EXPECT_TRUE(dlg.m_bStartup); // nothing stored yet: show at start-up
        dlg.OnInitDialog();
        dlg.GetDlgItem<QAbstractButton>(1001)->setChecked(false);
        dlg.OnCancel();
    }
    EXPECT_EQ(profile::GetProfileInt(QStringLiteral("Tip"), QStringLiteral("StartUp"), 0), 0);
    {
        CTipOfDayDlg dlg;
        dlg.OnInitDialog();
        dlg.GetDlgItem<QAbstractButton>(1001)->setChecked(false);
        dlg.OnOK();
        EXPECT_EQ(dlg.result(), ui::IDOK);
    }
    EXPECT_EQ(profile::GetProfileInt(QStringLiteral("Tip"), QStringLiteral("StartUp"), 0), 1);
    EXPECT_FALSE(CTipOfDayDlg().m_bStartup);
}

TEST_F(TipOfDayTest, AFifoADeviceOrAnOversizedFileIsNoTipsFile) {
    const QString path = m_dir.filePath(QStringLiteral("tavrintips.txt"));
    const auto expectNone = [](const char* what) {
        CTipOfDayDlg dlg;
        EXPECT_FALSE(dlg.HasTipsFile()) << what;
        EXPECT_EQ(dlg.m_strTip, res::LoadString(107)) << what;
    };
    {
        FifoGuard fifo(path);
        ASSERT_TRUE(fifo.Made());
        expectNone("FIFO");
        EXPECT_FALSE(fifo.Released());
    }
    QFile::remove(path);
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), path));
    expectNone("link to /dev/zero");
    QFile::remove(path);
    QFile big(path);
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(CTipOfDayDlg::kMaxTipsBytes + 1));
    big.close();
    expectNone("oversized file");
    // As with a missing file, nothing of it is kept.
    EXPECT_EQ(profile::GetProfileInt(QStringLiteral("Tip"), QStringLiteral("FilePos"), -1), -1);
    EXPECT_TRUE(profile::GetProfileString(QStringLiteral("Tip"), QStringLiteral("TimeStamp")).isEmpty());

    // A link to a regular tips file is read as the file itself.
    QFile::remove(path);
    const QString real = m_dir.filePath(QStringLiteral("real.txt"));
    QFile f(real);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text::ToGbk(QStringLiteral("一\n二\n")));
    f.close();
    ASSERT_TRUE(QFile::link(real, path));
    EXPECT_EQ(NextShowing(), QStringLiteral("一\n"));
    EXPECT_EQ(NextShowing(), QStringLiteral("二\n"));
}
