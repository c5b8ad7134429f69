#include "platform/text/NumberText.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace {

bool Holds(std::initializer_list<const char*> cells) {
    text::NumberColumn column;
    for (const char* cell : cells)
        column.Add(QString::fromUtf8(cell));
    return column.HoldsNumbers();
}

TEST(NumberText, TellsTheValuesReportsWriteFromTexts) {
    for (const char* number : {"85", " 9", "-3.25", "100.00 ", "85.50%", " 7.00%", "%12.50", "% 0.00",
                               "  3/ 5", "1/45"})
        EXPECT_TRUE(text::IsNumberText(QString::fromUtf8(number))) << number;
    for (const char* other : {"", "  ", "%", "/", "3/", "1/2/3", "缺考", "01班", "年级", "inf", "nan",
                              "85%%", "--", "12 34"})
        EXPECT_FALSE(text::IsNumberText(QString::fromUtf8(other))) << other;
    for (const char* none : {"", " ", "-", "--", "—", " -- "})
        EXPECT_TRUE(text::IsNoValueText(QString::fromUtf8(none))) << none;
    EXPECT_FALSE(text::IsNoValueText(QStringLiteral("0")));
}

TEST(NumberText, AColumnHoldsNumbersWhenNoRealTextIsAmongThem) {
    EXPECT_TRUE(Holds({" 9", "10", "", "--", "85.50%"}));
    EXPECT_FALSE(Holds({" 9", "缺考", "10"})); // one real text
    EXPECT_FALSE(Holds({"", "--", " "}));     // nothing to line up
    EXPECT_FALSE(Holds({}));

    text::NumberColumn column;
    column.Add(QStringLiteral("张三"));
    EXPECT_TRUE(column.Decided());
    column.Add(QStringLiteral("12"));
    EXPECT_FALSE(column.HoldsNumbers());
}

} // namespace
