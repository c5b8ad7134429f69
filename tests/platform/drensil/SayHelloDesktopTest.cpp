// SayHello on desktops of stand-in commands found first on PATH: one that names no application
// for .xls files, one whose opener fails, one whose opener opens the file and one whose
// application stays open with it.

#include "platform/drensil/Drensil.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

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
    bool Hello() { return drensil::SayHello(exported, 1, 1, QStringLiteral("报表"), QStringLiteral("$")); }

    QTemporaryDir bin, files;
    QByteArray savedPath;
    QString exported;
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

TEST_F(StandInDesktop, AnOpenerThatFailsIsNoSuccess) {
    Handler("org.gnome.gnumeric.desktop");
    Opener("xdg-open", "echo 'xdg-open: no method available for opening' >&2\nexit 3\n");
    EXPECT_FALSE(Hello());
    EXPECT_EQ(Calls(), QStringList{exported});
    // LibreOffice named but failing to start the same.
    Handler("libreoffice-calc.desktop");
    Opener("soffice", "exit 1\n");
    EXPECT_FALSE(Hello());
    EXPECT_EQ(Calls().value(1), QStringLiteral("--infilter=Text - txt - csv (StarCalc):9,34,85 ") + exported);
}

TEST_F(StandInDesktop, AnOpenerThatHandsTheFileOnOrStaysOpenWithItIsSuccess) {
    Handler("org.gnome.gnumeric.desktop");
    Opener("xdg-open", "exit 0\n");
    EXPECT_TRUE(Hello());
    EXPECT_EQ(Calls(), QStringList{exported});

    // The application itself, open with the file until it is closed (or its folder is gone):
    // SayHello does not wait for it to close.
    const QByteArray closed = files.filePath("closed").toUtf8();
    Script("xdg-open", "while [ -d '" + files.path().toUtf8() + "' ] && [ ! -e '" + closed +
                           "' ]; do sleep 0.05; done\n");
    EXPECT_TRUE(Hello());
    QFile close(QString::fromUtf8(closed));
    ASSERT_TRUE(close.open(QIODevice::WriteOnly));
}
