#pragma once
// The real program, started offscreen in its smoke mode on a scratch program directory and
// profile: message boxes and dialogs are written to stderr.

#include <gtest/gtest.h>

#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <functional>

inline const char* const kConnectFailed = "对不起，数据库连接失败！";

struct RunResult {
    int exitCode = -1;
    QString out;
    QString err;
};

class Startup : public ::testing::Test {
protected:
    QTemporaryDir home;   // VELTORA_HOME
    QTemporaryDir config; // the profile's place

    QString Db() const { return home.filePath("veltora.mdb"); }

    RunResult Start() { return Start(home.path()); }

    // Starts the program on `programDir`; `childSetup` runs in the child before the program.
    void Launch(QProcess& p, const QString& programDir, int smokeMode = 1,
                std::function<void()> childSetup = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("VELTORA_HOME", programDir);
        env.insert("XDG_CONFIG_HOME", config.path());
        env.insert("VELTORA_SMOKE_TEST", QString::number(smokeMode));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        p.setProcessEnvironment(env);
        if (childSetup)
            p.setChildProcessModifier(childSetup);
        p.start(VELTORA_EXECUTABLE, {});
    }

    static RunResult Finish(QProcess& p) {
        RunResult r;
        if (!p.waitForFinished(30000)) {
            p.kill();
            p.waitForFinished();
            return r;
        }
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    RunResult Start(const QString& programDir, std::function<void()> childSetup = {}) {
        QProcess p;
        Launch(p, programDir, 1, std::move(childSetup));
        return Finish(p);
    }

    QString StoredVersion() {
        QSettings s(config.filePath("tavrin studio/Veltora.conf"), QSettings::IniFormat);
        return s.value("Settings/Ver").toString();
    }
};
