// The on-screen message box: as wide as its title, and no minimise or maximise button.
#include "platform/ui/MessageBox.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QMessageBox>

TEST(MessageBoxOnScreen, IsAsWideAsItsTitleAndOnlyCloses) {
    const QString titles[] = {QStringLiteral("信息提示"),
                              QStringLiteral("信息提示 — 成绩录入已经完成，请关闭窗口")};
    for (const QString& title : titles) {
        for (unsigned type : {ui::MB_OK, ui::MB_YESNOCANCEL | ui::MB_ICONQUESTION}) {
            SCOPED_TRACE(title.toStdString());
            QMessageBox box;
            ui::SetUpMessageBox(box, QStringLiteral("好"), title, type);
            box.show();
            EXPECT_EQ(box.windowTitle(), title);
            const QFontMetrics metrics(box.font());
            // The title, the window's icon and its close button.
            EXPECT_GE(box.width(), metrics.horizontalAdvance(title) + 2 * metrics.height());
            EXPECT_GE(box.width(), ui::MessageBoxTitleWidth(box));
            EXPECT_FALSE(box.windowFlags() & Qt::WindowMinimizeButtonHint);
            EXPECT_FALSE(box.windowFlags() & Qt::WindowMaximizeButtonHint);
            EXPECT_TRUE(box.windowFlags() & Qt::WindowCloseButtonHint);
            box.hide();
        }
    }
}
