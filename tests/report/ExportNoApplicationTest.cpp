// The export on desktops of stand-in commands first on PATH: one where nothing opens .xls files,
// one whose spreadsheet program is not LibreOffice and one whose LibreOffice fails. In each the
// user is told where the file is and how to open it.
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

class StandInDesktopExport : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(bin.isValid() && dir.isValid()); }

    // A stand-in command `name` that runs `body`.
    void Script(const char* name, const QByteArray& body) {
        QFile f(bin.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n" + body);
        f.close();
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    }
    // Exports a small table with the stand-ins first on PATH: the file written.
    QString Export() {
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", bin.path().toUtf8() + ':' + path);
        drensil::SetFileOpener({});
        SetExportClock([] { return std::time_t(1136073600); });
        const QString file = ExportToXls(nullptr, TableSource({{"班级"}, {"1班"}}), "", dir.path());
        SetExportClock({});
        qputenv("PATH", path);
        return file;
    }
    QString WhereTheFileIs(const QString& file) const {
        return QStringLiteral("已导出到：") + file + u'\n' + ExportedFileKind();
    }

    QTemporaryDir bin, dir;
    ui::ScriptedMessageBoxes boxes;
};

} // namespace

TEST_F(StandInDesktopExport, WithNothingToOpenTheFileTheBoxSaysWhereItIsAndHowToOpenIt) {
    Script("xdg-mime", "exit 0\n");
    // xdg-open, were it asked, would fail as it does on such a desktop.
    Script("xdg-open", "exit 3\n");
    const QString file = Export();
    EXPECT_EQ(file, dir.filePath("1136073600.xls"));
    EXPECT_EQ(boxes.Texts(), QStringList{WhereTheFileIs(file)});
}

// Any application but LibreOffice reads the export without its encoding: the box says where the
// file is as when nothing opens it, and the application is started all the same.
TEST_F(StandInDesktopExport, AnotherSpreadsheetProgramIsStartedAndTheBoxSaysWhereTheFileIs) {
    const QString started = dir.filePath("started");
    Script("xdg-mime", "echo org.gnome.gnumeric.desktop\n");
    Script("xdg-open", "echo \"$1\" > '" + started.toUtf8() + "'\n");
    const QString file = Export();
    EXPECT_EQ(boxes.Texts(), QStringList{WhereTheFileIs(file)});
    for (int i = 0; i < 250 && !QFile::exists(started); ++i)
        QThread::msleep(20);
    QFile f(started);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(f.readAll()).trimmed(), file);
}

// LibreOffice, started with the file's encoding, shows no box; should it fail, the box comes
// when its failure is known, from the event loop, after the export has returned.
TEST_F(StandInDesktopExport, LibreOfficeThatFailsIsToldAfterTheExportHasReturned) {
    Script("xdg-mime", "echo libreoffice-calc.desktop\n");
    Script("soffice", "exit 1\n");
    const QString file = Export();
    EXPECT_TRUE(boxes.Texts().isEmpty());
    for (int i = 0; i < 500 && boxes.Texts().isEmpty(); ++i) {
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
    EXPECT_EQ(boxes.Texts(), QStringList{WhereTheFileIs(file)});
}
