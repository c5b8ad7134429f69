// The export on a desktop where nothing opens .xls files (a stand-in xdg-mime first on PATH that
// names no application): the user is told where the file is and how to open it.
#include "report/ExportToXls.h"
#include "tests/report/TableSource.h"

#include "platform/drensil/Drensil.h"
#include "platform/ui/MessageBox.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
