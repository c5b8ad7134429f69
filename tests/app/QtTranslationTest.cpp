// Qt's own dialogs speak the program's language once the start-up has loaded Qt's translation.

#include "app/QtTranslation.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QPrintPreviewDialog>
#include <QPushButton>
#include <QTranslator>

#include <gtest/gtest.h>

TEST(QtTranslation, QtsOwnDialogsSpeakChinese) {
    QTranslator* translator = LoadQtTranslation(*QCoreApplication::instance());
    ASSERT_NE(translator, nullptr) << "Qt's translations (qt6-translations-l10n) are not installed";
    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
    EXPECT_EQ(QCoreApplication::translate("QPrintPreviewDialog", "Print Preview"),
              QStringLiteral("打印预览"));
    EXPECT_EQ(QCoreApplication::translate("QPageSetupWidget", "Landscape"), QStringLiteral("横向"));

    // The other tests see Qt's own texts.
    QCoreApplication::removeTranslator(translator);
    delete translator;
    QDialogButtonBox english(QDialogButtonBox::Cancel);
    EXPECT_EQ(english.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Cancel"));
}
