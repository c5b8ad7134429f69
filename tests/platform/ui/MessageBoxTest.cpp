// The on-screen message box: as wide as its title, no minimise or maximise button, and F1 for the
// help of its dialog.
#include "platform/ui/MessageBox.h"

#include "platform/ui/Dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <vector>

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

// F1 in a box opens the help of the dialog that shows it, through the help key's handler, also
// for a box of a window of the dialog's own; a box of no dialog asks for no help.
TEST(MessageBoxOnScreen, F1OpensTheHelpOfTheDialogItBelongsTo) {
    std::vector<int> helped;
    ui::SetHelpKeyHandler([&helped](ui::Dialog& dialog) { helped.push_back(dialog.TemplateId()); });
    ui::Dialog dialog(136);
    QWidget hidden(&dialog);
    QWidget alone;
    const auto pressF1 = [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        box->activateWindow();
        if (QTest::qWaitForWindowActive(box))
            QTest::keyClick(box, Qt::Key_F1);
        box->done(QMessageBox::Ok);
    };
    for (QWidget* owner : {static_cast<QWidget*>(&dialog), &hidden, &alone}) {
        QTimer::singleShot(0, pressF1);
        EXPECT_EQ(ui::MessageBox(owner, QStringLiteral("年级代码必须是五位数字，请按F1获取帮助。"),
                                 QStringLiteral("信息提示"), ui::MB_ICONERROR),
                  ui::IDOK);
    }
    EXPECT_EQ(helped, (std::vector<int>{136, 136}));
    ui::SetHelpKeyHandler({});
}
