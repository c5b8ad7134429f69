#include "platform/text/DisplayText.h"

#include <gtest/gtest.h>

namespace {

using text::ForDisplay;
using text::kDisplayLength;

TEST(DisplayText, ALongTextIsCutWithAnEllipsisAndNeverSplitsACharacter) {
    const QString fits(kDisplayLength, u'长');
    EXPECT_EQ(ForDisplay(fits), fits);
    EXPECT_FALSE(text::IsCutForDisplay(fits));

    const QString longer = fits + u'x';
    const QString cut = ForDisplay(longer);
    EXPECT_TRUE(text::IsCutForDisplay(longer));
    EXPECT_EQ(cut, QString(kDisplayLength - 1, u'长') + QChar(0x2026));

    // A character outside the basic plane that the cut would halve goes as a whole.
    const QString emoji = QString::fromUcs4(U"\U0001F600");
    const QString mixed = QString(kDisplayLength - 2, u'a') + emoji + QString(10, u'b');
    EXPECT_EQ(ForDisplay(mixed), QString(kDisplayLength - 2, u'a') + QChar(0x2026));
    EXPECT_EQ(ForDisplay(QStringLiteral("abcdef"), 4), QStringLiteral("abc") + QChar(0x2026));
}

} // namespace
