// The import result opens wide enough to read every listed reason without scrolling sideways.

#include "admin/ImportResultDlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QScrollBar>

TEST(ImportResultWidth, ALongReasonIsShownWhole) {
    roster::ImportCount count;
    count.written = 3;
    const QString reason = QStringLiteral("班级为空：请在学生名单中填写班级，否则不能准备登分表");
    count.notes = {{3, QStringLiteral("120089992"), QStringLiteral("无班"), reason},
                   {4, QStringLiteral("120089993"), QStringLiteral("字班"), reason}};
    CImportResultDlg dlg(count);
    dlg.show();
    QApplication::processEvents();
    auto* text = dlg.findChild<QPlainTextEdit*>();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->horizontalScrollBar()->maximum(), 0);
}
