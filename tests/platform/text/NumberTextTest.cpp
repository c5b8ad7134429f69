#include "platform/text/NumberText.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

TEST(NumberText, OnlyNumbersPercentagesAndCountsMakeANumberColumn) {
    for (const char* number : {" 9", "-3.25", "85.50%", "% 0.00", "  3/ 5"})
        EXPECT_TRUE(text::IsNumberText(QString::fromUtf8(number))) << number;
    for (const char* other : {"%", "3/", "1/2/3", "inf", "nan", "85%%", "12 34", "01班"})
        EXPECT_FALSE(text::IsNumberText(QString::fromUtf8(other))) << other;

    const auto holds = [](QStringList cells) {
        text::NumberColumn column;
        for (const QString& cell : cells)
            column.Add(cell);
        return column.HoldsNumbers();
    };
    EXPECT_TRUE(holds({"", "—", "10"}));
    EXPECT_FALSE(holds({"", "--", " "})); // nothing to line up
    EXPECT_FALSE(holds({"10", "缺考", "9"}));
}

} // namespace
