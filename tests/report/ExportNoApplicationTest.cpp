// The export on a desktop where nothing opens .xls files (a stand-in xdg-mime first on PATH that
// names no application): the user is told where the file is and how to open it.
#include "report/ExportToXls.h"
#include "tests/report/TableSource.h"

#include "platform/drensil/Drensil.h"
#include "platform/ui/MessageBox.h"

#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// A stand-in command `name` in `bin` that runs `body`.
void Script(const QTemporaryDir& bin, const char* name, const QByteArray& body) {
    QFile f(bin.filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\n" + body);
    f.close();
    f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
}

} // namespace

TEST(ExportWithoutApplication, TheBoxSaysWhereTheFileIsAndHowToOpenIt) {
    QTemporaryDir bin, dir;
    ASSERT_TRUE(bin.isValid() && dir.isValid());
    for (const char* name : {"xdg-mime", "xdg-open"}) {
        QFile f(bin.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        // xdg-open, were it asked, would fail as it does on such a desktop.
        f.write(QByteArray(name) == "xdg-mime" ? "#!/bin/sh\nexit 0\n" : "#!/bin/sh\nexit 3\n");
        f.close();
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    }
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toUtf8() + ':' + path);
    drensil::SetFileOpener({});
    SetExportClock([] { return std::time_t(1136073600); });
    ui::ScriptedMessageBoxes boxes;
    const QString file = ExportToXls(nullptr, TableSource({{"班级"}, {"1班"}}), "", dir.path());
    SetExportClock({});
    qputenv("PATH", path);
    EXPECT_EQ(file, dir.filePath("1136073600.xls"));
    ASSERT_EQ(boxes.Texts().size(), 1);
    EXPECT_EQ(boxes.Texts()[0], QStringLiteral("已导出到：") + file + u'\n' + ExportedFileKind());
}

// Any application but LibreOffice reads the export without its encoding: the box says where the
// file is as when nothing opens it, and the application is started all the same.
TEST(ExportWithoutApplication, AnotherSpreadsheetProgramIsStartedAndTheBoxSaysWhereTheFileIs) {
    QTemporaryDir bin, dir;
    ASSERT_TRUE(bin.isValid() && dir.isValid());
    const QString started = dir.filePath("started");
    Script(bin, "xdg-mime", "echo org.gnome.gnumeric.desktop\n");
    Script(bin, "xdg-open", "echo \"$1\" > '" + started.toUtf8() + "'\n");
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toUtf8() + ':' + path);
    drensil::SetFileOpener({});
    SetExportClock([] { return std::time_t(1136073600); });
    ui::ScriptedMessageBoxes boxes;
    const QString file = ExportToXls(nullptr, TableSource({{"班级"}, {"1班"}}), "", dir.path());
    SetExportClock({});
    qputenv("PATH", path);
    ASSERT_EQ(boxes.Texts().size(), 1);
    EXPECT_EQ(boxes.Texts()[0], QStringLiteral("已导出到：") + file + u'\n' + ExportedFileKind());
    for (int i = 0; i < 250 && !QFile::exists(started); ++i)
        QThread::msleep(20);
    QFile f(started);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(f.readAll()).trimmed(), file);
}

// LibreOffice, started with the file's encoding, shows no box; should it fail, the box comes
// when its failure is known, from the event loop, after the export has returned.
TEST(ExportWithoutApplication, LibreOfficeThatFailsIsToldAfterTheExportHasReturned) {
    QTemporaryDir bin, dir;
    ASSERT_TRUE(bin.isValid() && dir.isValid());
    Script(bin, "xdg-mime", "echo libreoffice-calc.desktop\n");
    Script(bin, "soffice", "exit 1\n");
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toUtf8() + ':' + path);
    drensil::SetFileOpener({});
    SetExportClock([] { return std::time_t(1136073600); });
    ui::ScriptedMessageBoxes boxes;
    const QString file = ExportToXls(nullptr, TableSource({{"班级"}, {"1班"}}), "", dir.path());
    SetExportClock({});
    qputenv("PATH", path);
    EXPECT_TRUE(boxes.Texts().isEmpty());
    for (int i = 0; i < 500 && boxes.Texts().isEmpty(); ++i) {
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
    ASSERT_EQ(boxes.Texts().size(), 1);
    EXPECT_EQ(boxes.Texts()[0], QStringLiteral("已导出到：") + file + u'\n' + ExportedFileKind());
}
