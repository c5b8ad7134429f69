#pragma once
// The real program, started offscreen in its smoke mode on a scratch program directory and
// profile: message boxes and dialogs are written to stderr.

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
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
        Launch(p, QStringLiteral(VELTORA_EXECUTABLE), programDir, smokeMode, std::move(childSetup));
    }

    // The same with the program at `program`.
    void Launch(QProcess& p, const QString& program, const QString& programDir, int smokeMode,
                std::function<void()> childSetup) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("VELTORA_HOME", programDir);
        env.insert("XDG_CONFIG_HOME", config.path());
        env.insert("VELTORA_SMOKE_TEST", QString::number(smokeMode));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        p.setProcessEnvironment(env);
        if (childSetup)
            p.setChildProcessModifier(childSetup);
        p.start(program, {});
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
        return StartProgram(QStringLiteral(VELTORA_EXECUTABLE), programDir, std::move(childSetup));
    }

    RunResult StartProgram(const QString& program, const QString& programDir,
                           std::function<void()> childSetup = {}) {
        QProcess p;
        Launch(p, program, programDir, 1, std::move(childSetup));
        return Finish(p);
    }

    // A copy of the program, its libraries and the files beside it (not its subfolders) in
    // `dir`, which every user may then enter and read: the program finds its libraries beside
    // itself. For a test that runs the program as another user, who may not reach the build (a
    // clone in a private home folder). Returns the copied program; empty when a file could not be
    // copied.
    static QString CopyOfProgram(const QString& dir) {
        const QFileInfo program(QStringLiteral(VELTORA_EXECUTABLE));
        const auto readable = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
        const auto runnable = readable | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
        if (!QFile::setPermissions(dir, runnable))
            return {};
        for (const QFileInfo& f : program.dir().entryInfoList(QDir::Files)) {
            // The other programs built beside it are not needed.
            const bool library = f.fileName().contains(QStringLiteral(".so"));
            if (f.isExecutable() && !library && f.fileName() != program.fileName())
                continue;
            const QString target = QDir(dir).filePath(f.fileName());
            if (!QFile::copy(f.absoluteFilePath(), target) ||
                !QFile::setPermissions(target, f.isExecutable() ? runnable : readable))
                return {};
        }
        return QDir(dir).filePath(program.fileName());
    }

    QString StoredVersion() {
        QSettings s(config.filePath("tavrin studio/Veltora.conf"), QSettings::IniFormat);
        return s.value("Settings/Ver").toString();
    }
};
