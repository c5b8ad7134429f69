// SayHello on desktops of stand-in commands found first on PATH: one that names no application
// for .xls files, one whose opener fails, one whose opener opens the file and one whose
// application stays open with it. SayHello returns without waiting for the opener; its outcome
// comes later, from the event loop.

#include "platform/drensil/Drensil.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <optional>

namespace {

class StandInDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(bin.isValid());
        ASSERT_TRUE(files.isValid());
        drensil::SetFileOpener({});
        savedPath = qgetenv("PATH");
        qputenv("PATH", bin.path().toUtf8() + ':' + savedPath);
        exported = files.filePath("1136073600.xls");
        QFile f(exported);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("a\t\n");
    }
    void TearDown() override { qputenv("PATH", savedPath); }

    void Script(const QString& name, const QByteArray& body) {
        QFile f(bin.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n" + body);
        f.close();
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    }
    // xdg-mime naming `entry` for the export's type only; an empty entry names nothing.
    void Handler(const QByteArray& entry) {
        Script("xdg-mime",
               "[ \"$*\" = 'query default application/vnd.ms-excel' ] && echo '" + entry + "'\nexit 0\n");
    }
    // An opener that adds its arguments to Calls(), then runs `rest`.
    void Opener(const QString& name, const QByteArray& rest) {
        Script(name, "echo \"$*\" >> '" + CallsPath().toUtf8() + "'\n" + rest);
    }
    QString CallsPath() const { return files.filePath("calls"); }
    QStringList Calls() const {
        QFile f(CallsPath());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts)
                                           : QStringList();
    }
    bool Hello() {
        answer.reset();
        const bool started = drensil::SayHello(exported, 1, 1, QStringLiteral("报表"), QStringLiteral("$"),
                                               [this](bool opened) { answer = opened; });
        // Nothing is answered before the event loop runs again: SayHello did not wait.
        EXPECT_FALSE(answer.has_value());
        return started;
    }
    // The opener's outcome, once the event loop has delivered it (nullopt after 10 s).
    std::optional<bool> Answer() {
        QElapsedTimer waited;
        waited.start();
        while (!answer && waited.elapsed() < 10000) {
            QEventLoop loop;
            QTimer::singleShot(20, &loop, &QEventLoop::quit);
            loop.exec();
        }
        return answer;
    }

    QTemporaryDir bin, files;
    QByteArray savedPath;
    QString exported;
    std::optional<bool> answer;
};

} // namespace

TEST_F(StandInDesktop, NoApplicationNamedForTheFileIsNoSuccessAndNothingIsStarted) {
    Opener("xdg-open", "exit 0\n");
    Handler("");
    EXPECT_FALSE(Hello());
    // A desktop whose xdg-mime itself fails cannot name one either.
    Script("xdg-mime", "echo 'xdg-mime: no method available' >&2\nexit 3\n");
    EXPECT_FALSE(Hello());
    EXPECT_TRUE(Calls().isEmpty());
}

TEST_F(StandInDesktop, AnyApplicationButLibreOfficeIsStartedButTheUserIsToldWhereTheFileIs) {
    // Another spreadsheet program takes the code-page-936 text for Western text whether its opener
    // succeeds or fails: it is given the file, and SayHello says the file is not read as written.
    Handler("org.gnome.gnumeric.desktop");
    Opener("xdg-open", "exit 0\n");
    EXPECT_FALSE(Hello());
    Opener("xdg-open", "echo 'xdg-open: no method available for opening' >&2\nexit 3\n");
    EXPECT_FALSE(Hello());
    // It was started both times; no answer is given for it.
    for (int i = 0; i < 250 && Calls().size() < 2; ++i)
        QThread::msleep(20);
    EXPECT_EQ(Calls(), (QStringList{exported, exported}));
    EXPECT_FALSE(answer.has_value());
}

TEST_F(StandInDesktop, LibreOfficeThatFailsAnswersNo) {
    Handler("libreoffice-calc.desktop");
    Opener("soffice", "exit 1\n");
    EXPECT_TRUE(Hello());
    EXPECT_EQ(Answer(), std::optional<bool>(false));
    EXPECT_EQ(Calls(),
              QStringList{QStringLiteral("--infilter=Text - txt - csv (StarCalc):9,34,85 ") + exported});
}

TEST_F(StandInDesktop, LibreOfficeThatHandsTheFileOnOrStaysOpenWithItAnswersYes) {
    Handler("libreoffice-calc.desktop");
    Opener("soffice", "exit 0\n");
    EXPECT_TRUE(Hello());
    EXPECT_EQ(Answer(), std::optional<bool>(true));

    // The application itself, open with the file until it is closed (or its folder is gone):
    // its still running after the answer time is the answer, and it is left running.
    const QByteArray closed = files.filePath("closed").toUtf8();
    Script("soffice", "while [ -d '" + files.path().toUtf8() + "' ] && [ ! -e '" + closed +
                          "' ]; do sleep 0.05; done\n");
    EXPECT_TRUE(Hello());
    EXPECT_EQ(Answer(), std::optional<bool>(true));
    QFile close(QString::fromUtf8(closed));
    ASSERT_TRUE(close.open(QIODevice::WriteOnly));
}
