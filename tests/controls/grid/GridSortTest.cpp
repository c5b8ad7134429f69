#include "GridTestSupport.h"

#include "platform/text/Gbk.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QStringList>

namespace {

// A grid with one header row and the given texts in column 0; column 1 keeps each row's
// original index so that moves can be traced.
void Load(CGridCtrl& grid, const QStringList& texts) {
    grid.SetRowCount(static_cast<int>(texts.size()) + 1);
    grid.SetColumnCount(2);
    grid.SetFixedRowCount(1);
    grid.SetItemText(0, 0, QStringLiteral("head"));
    for (int i = 0; i < texts.size(); ++i) {
        grid.SetItemText(i + 1, 0, texts[i]);
        grid.SetItemText(i + 1, 1, QString::number(i));
    }
}

QStringList Column(const CGridCtrl& grid, int col) {
    QStringList out;
    for (int r = grid.GetFixedRowCount(); r < grid.GetRowCount(); ++r)
        out << grid.GetItemText(r, col);
    return out;
}

QStringList Sorted(QStringList list) {
    list.sort();
    return list;
}

} // namespace

TEST(GridSort, TextSortsInPinyinOrderThroughGbkBytes) {
    CGridCtrl grid;
    Load(grid, {QStringLiteral("张三"), QStringLiteral("李四"), QStringLiteral("王五"), QStringLiteral("Zoe"),
                QStringLiteral("阿"), QStringLiteral(""), QStringLiteral("赵"), QStringLiteral("abc")});
    ASSERT_TRUE(grid.SortTextItems(0, true));
    // ASCII first (upper case before lower), then 阿 (a), 李 (l), 王 (w), 张 (zh), 赵 (zh, ao).
    EXPECT_EQ(Column(grid, 0), QStringList({"", "Zoe", "abc", "阿", "李四", "王五", "张三", "赵"}));
    EXPECT_EQ(grid.GetSortColumn(), 0);
    ASSERT_TRUE(grid.SortTextItems(0, false));
    EXPECT_EQ(Column(grid, 0).front(), QStringLiteral("赵"));
    EXPECT_EQ(grid.GetItemText(0, 0), QStringLiteral("head")); // headers never move
}

TEST(GridSort, TextCompareAgreesWithWholeStringGbkComparison) {
    // Common Chinese, ASCII, a character GBK lacks (written '?') and a surrogate pair.
    const QStringList alphabet = {"a", "B", "?", "阿", "把", "长", "中", "文", "€", "😀", "1", " "};
    QRandomGenerator rng(7);
    CGridCell a, b;
    for (int i = 0; i < 3000; ++i) {
        QString s, t;
        for (int n = rng.bounded(5); n > 0; --n)
            s += alphabet[rng.bounded(alphabet.size())];
        for (int n = rng.bounded(5); n > 0; --n)
            t += alphabet[rng.bounded(alphabet.size())];
        a.SetText(s);
        b.SetText(t);
        const int expected = text::CompareGbk(s, t);
        const int got = CGridCtrl::CompareTextItems(&a, &b, 0);
        ASSERT_EQ((expected > 0) - (expected < 0), (got > 0) - (got < 0))
            << s.toStdString() << " / " << t.toStdString();
    }
    EXPECT_EQ(CGridCtrl::CompareTextItems(nullptr, &b, 0), 0);
}

TEST(GridSort, NumbersReadAsSaturatingLongIntegers) {
    CGridCtrl grid;
    Load(grid, {"12", "1e3", "", "  -5", "abc", "9999999999", "-9999999999", "7kg", "+3", "2147483647"});
    grid.SetCompareFunction(CGridCtrl::CompareNumericItems);
    ASSERT_TRUE(grid.SortItems(0, true));
    // "1e3" is 1, blanks and letters are 0, out-of-range values saturate (so 9999999999 equals
    // 2147483647, and the sort may leave either first).
    const QStringList sorted = Column(grid, 0);
    EXPECT_EQ(sorted.mid(0, 2), QStringList({"-9999999999", "  -5"}));
    EXPECT_EQ(Sorted(sorted.mid(2, 2)), QStringList({"", "abc"}));
    EXPECT_EQ(sorted.mid(4, 4), QStringList({"1e3", "+3", "7kg", "12"}));
    EXPECT_EQ(Sorted(sorted.mid(8, 2)), QStringList({"2147483647", "9999999999"}));

    CGridCell x, y;
    x.SetText("2147483648");
    y.SetText("2147483647");
    EXPECT_EQ(CGridCtrl::CompareNumericItems(&x, &y, 0), 0);
    x.SetText("-2147483649");
    y.SetText("-2147483648");
    EXPECT_EQ(CGridCtrl::CompareNumericItems(&x, &y, 0), 0);
}

TEST(GridSort, EqualKeysMetInOnePassStayInPlace) {
    CGridCtrl grid;
    Load(grid, {"5", "5", "5", "5", "5", "5", "5"});
    grid.SetCompareFunction(CGridCtrl::CompareNumericItems);
    ASSERT_TRUE(grid.SortItems(0, true));
    EXPECT_EQ(Column(grid, 1), QStringList({"0", "1", "2", "3", "4", "5", "6"}));
}

TEST(GridSort, SortsRangesAndRefusesEmptyOnes) {
    CGridCtrl grid;
    Load(grid, {"d", "c", "b", "a"});
    EXPECT_FALSE(grid.SortRange(CGridCtrl::CompareTextItems, 0, true, 0, 2, 2));  // one row
    EXPECT_FALSE(grid.SortRange(CGridCtrl::CompareTextItems, 5, true, 0, 1, -1)); // no such column
    EXPECT_FALSE(grid.SortRange(CGridCtrl::CompareTextItems, 0, true, 0, 1, 99)); // past the end
    ASSERT_TRUE(grid.SortRange(CGridCtrl::CompareTextItems, 0, true, 0, 2, 4));
    EXPECT_EQ(Column(grid, 0), QStringList({"d", "a", "b", "c"}));
}

TEST(GridSort, RowsMoveWholeWithTheirHeights) {
    CGridCtrl grid;
    Load(grid, {"b", "a"});
    grid.SetRowHeight(1, 40);
    grid.SetItemBkColour(1, 1, gdi::Rgb(1, 1, 1));
    ASSERT_TRUE(grid.SortItems(0, true));
    EXPECT_EQ(grid.GetItemText(2, 0), QStringLiteral("b"));
    EXPECT_EQ(grid.GetItemText(2, 1), QStringLiteral("0"));
    EXPECT_EQ(grid.GetItemBkColour(2, 1), gdi::Rgb(1, 1, 1));
    EXPECT_EQ(grid.GetRowHeight(2), 40);
}

TEST(GridSort, HeaderClickSortsAndAgainReverses) {
    CGridCtrl grid;
    Load(grid, {"2", "10", "1"});
    grid.SetCompareFunction(CGridCtrl::CompareNumericItems);
    grid.SetFocusCell(2, 1);
    CGridCellId header(0, 0);
    grid.OnFixedRowClick(header); // sorting on click is off by default
    EXPECT_EQ(grid.GetSortColumn(), -1);

    grid.SetSortOnClick(true);
    grid.OnFixedRowClick(header);
    EXPECT_EQ(Column(grid, 0), QStringList({"1", "2", "10"}));
    EXPECT_TRUE(grid.GetSortAscending());
    EXPECT_EQ(grid.GetFocusCell(), CGridCellId(-1, -1));
    grid.OnFixedRowClick(header);
    EXPECT_EQ(Column(grid, 0), QStringList({"10", "2", "1"}));
    EXPECT_FALSE(grid.GetSortAscending());

    // Data changed in the sort column takes the sort mark away.
    grid.SetItemText(1, 0, QStringLiteral("3"));
    EXPECT_EQ(grid.GetSortColumn(), -1);
}

TEST(GridSort, AHeaderClickSortsWithTheClickedColumnsOwnComparison) {
    CGridCtrl grid;
    Load(grid, {"2", "10", "1"}); // column 1 holds "0", "1", "2"
    grid.SetItemText(2, 1, QStringLiteral("b"));
    grid.SetSortOnClick(true);
    grid.SetCompareFunction(CGridCtrl::CompareTextItems);
    grid.SetColumnCompareChooser(
        [](int col) { return col == 0 ? CGridCtrl::CompareNumericItems : CGridCtrl::CompareTextItems; });
    CGridCellId first(0, 0);
    grid.OnFixedRowClick(first); // numbers at once, not the text order "1", "10", "2"
    EXPECT_EQ(Column(grid, 0), QStringList({"1", "2", "10"}));
    CGridCellId second(0, 1);
    grid.OnFixedRowClick(second);
    EXPECT_EQ(Column(grid, 1), QStringList({"0", "2", "b"}));
    EXPECT_EQ(grid.GetCompareFunction(), &CGridCtrl::CompareTextItems);
}

namespace {
int WrappedNumeric(CGridCellBase* a, CGridCellBase* b, LPARAM d) {
    return CGridCtrl::CompareNumericItems(a, b, d);
}
int WrappedText(CGridCellBase* a, CGridCellBase* b, LPARAM d) {
    return CGridCtrl::CompareTextItems(a, b, d);
}
} // namespace

// The built-in compare functions take a faster road; it must reach exactly the order that calling
// them on the cells reaches, equal keys and all.
TEST(GridSort, BuiltInComparesGiveTheOrderOfCallingThemOnCells) {
    const QStringList fragments = {"3", "12", "", "x", "-4", "张", "李", "阿", "7a", " 5", "😀"};
    QRandomGenerator rng(11);
    for (int round = 0; round < 20; ++round) {
        QStringList texts;
        for (int i = 0; i < 300; ++i)
            texts << fragments[rng.bounded(fragments.size())] +
                         (rng.bounded(3) == 0 ? fragments[rng.bounded(fragments.size())] : QString());
        const bool ascending = round % 2 == 0;
        const std::pair<PFNLVCOMPARE, PFNLVCOMPARE> roads[] = {
            {CGridCtrl::CompareNumericItems, WrappedNumeric}, {CGridCtrl::CompareTextItems, WrappedText}};
        for (auto [fast, slow] : roads) {
            CGridCtrl a, b;
            Load(a, texts);
            Load(b, texts);
            ASSERT_TRUE(a.SortItemsByFunction(fast, 0, ascending));
            ASSERT_TRUE(b.SortItemsByFunction(slow, 0, ascending));
            ASSERT_EQ(Column(a, 1), Column(b, 1));
        }
    }
}
