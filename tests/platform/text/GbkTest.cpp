#include "platform/text/Gbk.h"

#include <gtest/gtest.h>

namespace {

using text::CompareGbk;
using text::CutToGbkBytes;
using text::FromGbk;
using text::GbkLength;
using text::ToGbk;

const QString kAh = QStringLiteral("阿");    // B0A2
const QString kBa = QStringLiteral("把");    // B0D1
const QString kChang = QStringLiteral("长"); // B3A4
const QString kEmoji = QString::fromUcs4(U"\U0001F600");

TEST(Gbk, ConvertsBothWays) {
    const QString s = QStringLiteral("学号 A01：") + kAh + kBa + kChang;
    const QByteArray g = ToGbk(s);
    EXPECT_EQ(g.right(6), QByteArray("\xB0\xA2\xB0\xD1\xB3\xA4"));
    EXPECT_EQ(FromGbk(g), s);
    EXPECT_TRUE(ToGbk(QString()).isEmpty());
    EXPECT_TRUE(FromGbk(QByteArray()).isEmpty());
}

TEST(Gbk, WritesQuestionMarkForCharactersItLacks) {
    EXPECT_EQ(ToGbk(QStringLiteral("a") + kEmoji + QStringLiteral("b") + kAh), QByteArray("a?b\xB0\xA2"));
}

TEST(Gbk, MarksBadBytesWithoutDroppingTheirNeighbours) {
    const QString bad(QChar(0xFFFD));
    // A lead byte whose second byte is no trail byte: the ASCII byte after it survives.
    EXPECT_EQ(FromGbk(QByteArray("\x81\nx")), bad + QStringLiteral("\nx"));
    EXPECT_EQ(FromGbk(QByteArray("ab\xB0")), QStringLiteral("ab") + bad); // cut off at the end
    EXPECT_EQ(FromGbk(QByteArray("\xFF"
                                 "a")),
              bad + QStringLiteral("a"));
}

TEST(Gbk, LengthCountsChineseAsTwoBytes) {
    EXPECT_EQ(GbkLength(QStringLiteral("abc")), 3);
    EXPECT_EQ(GbkLength(QStringLiteral("a") + kAh + kEmoji), 4); // the emoji becomes '?'
    EXPECT_EQ(GbkLength(QString()), 0);
}

TEST(Gbk, NamesTheCharactersItLacksOnceEach) {
    using text::CharactersOutsideGbk;
    EXPECT_EQ(CharactersOutsideGbk(QStringLiteral("한국어")), QStringLiteral("한국어"));
    EXPECT_EQ(CharactersOutsideGbk(QStringLiteral("数学") + kEmoji + kEmoji), kEmoji);
    EXPECT_EQ(CharactersOutsideGbk(QStringLiteral("가a가?") + kAh), QStringLiteral("가"));
    // What GBK holds: ASCII (a '?' too), Chinese, full-width forms, Greek and Cyrillic, the euro.
    EXPECT_EQ(CharactersOutsideGbk(QStringLiteral("a?1 高一（３）αЖ€") + kAh), QString());
    EXPECT_EQ(CharactersOutsideGbk(QString()), QString());
    // A lone half of a surrogate pair is no character at all.
    EXPECT_EQ(CharactersOutsideGbk(QStringLiteral("x") + kEmoji.at(0)), QString(kEmoji.at(0)));
}

TEST(Gbk, CutsOnCharacterBoundaries) {
    const QString s = kAh + kBa + QStringLiteral("c");
    EXPECT_EQ(CutToGbkBytes(s, 0), QString());
    EXPECT_EQ(CutToGbkBytes(s, 1), QString());
    EXPECT_EQ(CutToGbkBytes(s, 3), kAh);
    EXPECT_EQ(CutToGbkBytes(s, 4), kAh + kBa);
    EXPECT_EQ(CutToGbkBytes(s, 5), s);
    EXPECT_EQ(CutToGbkBytes(s, 50), s);
    EXPECT_EQ(CutToGbkBytes(QStringLiteral("a") + kAh, 2), QStringLiteral("a"));
    // A surrogate pair is one character (one '?' byte): kept whole or not at all.
    EXPECT_EQ(CutToGbkBytes(kEmoji + QStringLiteral("x"), 1), kEmoji);
}

TEST(Gbk, OrdersAsciiFirstThenPinyin) {
    EXPECT_LT(CompareGbk(QStringLiteral("zz"), kAh), 0);
    EXPECT_LT(CompareGbk(kAh, kBa), 0);
    EXPECT_LT(CompareGbk(kBa, kChang), 0);
    EXPECT_GT(CompareGbk(kChang, kAh), 0);
    EXPECT_EQ(CompareGbk(kAh + kBa, kAh + kBa), 0);
    EXPECT_LT(CompareGbk(kAh, kAh + kBa), 0);
    EXPECT_LT(CompareGbk(QString(), QStringLiteral("a")), 0);
}

} // namespace
