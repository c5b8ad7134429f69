// The tip of the day at start-up, run by the real program in its smoke mode (modal dialogs are
// reported on stderr and cancelled unseen).

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

namespace {

class ShellStartup : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(QFile::copy(VELTORA_SHIPPED_DATABASE, home.filePath("veltora.mdb"))); }

    QString Run(const QStringList& arguments) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("VELTORA_HOME", home.path());
        env.insert("XDG_CONFIG_HOME", config.path());
        env.insert("VELTORA_SMOKE_TEST", "1");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        p.setProcessEnvironment(env);
        p.start(VELTORA_EXECUTABLE, arguments);
        EXPECT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitCode(), 0);
        return QString::fromUtf8(p.readAllStandardError());
    }

    QTemporaryDir home;
    QTemporaryDir config;
};

TEST_F(ShellStartup, TipOfTheDayUnlessSwitchedOffOrEmbedded) {
    EXPECT_TRUE(Run({}).contains(QStringLiteral("dialog: 103 每日一贴")));
    EXPECT_FALSE(Run({"-Embedding"}).contains("dialog:"));
    {
        QSettings s(config.filePath("tavrin studio/Veltora.conf"), QSettings::IniFormat);
        s.setValue("Tip/StartUp", 1);
    }
    EXPECT_FALSE(Run({}).contains("dialog:"));
}

} // namespace
