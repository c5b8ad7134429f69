// quorrel: the elimination's pivot and pin rules, the stationary shares the teaching evaluation asks
// for, the normal table, and the names the program binds.
#include "statlib/quorrel.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <array>
#include <climits>
#include <limits>

namespace {

using Row = std::array<double, 5>;
constexpr Row kUntouched{-99, -99, -99, -99, -99};

struct System {
    std::array<double, 30> a{};
    Row fixed{-1, -1, -1, -1, -1};
    Row x = kUntouched;

    void SetRow(int r, const Row& values) {
        for (int c = 0; c < 5; ++c)
            a[5 * r + c] = values[c];
    }
    Row RowOf(int r) const { return {a[5 * r], a[5 * r + 1], a[5 * r + 2], a[5 * r + 3], a[5 * r + 4]}; }
    bool Solve() { return Matrix(a.data(), x.data(), fixed.data()); }
};

void ExpectNear(const Row& got, const Row& want, double tolerance) {
    for (int i = 0; i < 5; ++i)
        EXPECT_NEAR(got[i], want[i], tolerance) << "x[" << i << "]";
}

using Counts = std::array<std::array<double, 5>, 5>;

// Rows 0-4 and the pins as the teaching evaluation builds them from one class's level transitions:
// (I - P) transposed, an empty level pinned to 0, a level whose students all stayed pinned to its share.
System FromCounts(const Counts& t) {
    System s;
    double n = 0;
    std::array<double, 5> rowSum{};
    for (int i = 0; i < 5; ++i) {
        for (int j = 0; j < 5; ++j)
            rowSum[i] += t[i][j];
        n += rowSum[i];
    }
    for (int i = 0; i < 5; ++i) {
        for (int j = 0; j < 5; ++j) {
            const double p = rowSum[i] > 0 ? t[i][j] / rowSum[i] : 0.0;
            s.a[5 * j + i] = (i == j ? 1.0 : 0.0) - p;
        }
        if (rowSum[i] == 0)
            s.fixed[i] = 0;
        else if (rowSum[i] == t[i][i])
            s.fixed[i] = rowSum[i] / n;
    }
    return s;
}

const Counts kClass = {
    {{8, 3, 1, 0, 0}, {2, 9, 4, 1, 0}, {1, 3, 10, 4, 1}, {0, 1, 3, 7, 2}, {0, 0, 1, 2, 5}}};

TEST(QuorrelMatrix, SolvesStationarySharesOfATransitionTable) {
    // Reference values from a 40-digit solution of the same chain.
    System s = FromCounts(kClass);
    ASSERT_TRUE(s.Solve());
    const Row expected{0.1265732484076433121, 0.21686624203821656051, 0.2865732484076433121,
                       0.23383439490445859873, 0.13615286624203821656};
    ExpectNear(s.x, expected, 1e-14);

    // Nobody stays at level A: the diagonal 1 ties with the normalising row and keeps its place.
    Counts noneStay = kClass;
    noneStay[0][0] = 0;
    System t = FromCounts(noneStay);
    ASSERT_EQ(t.a[0], 1.0);
    ASSERT_TRUE(t.Solve());
    const Row expected2{0.046079358895876231287, 0.23685235683677444488, 0.31298347153430908787,
                        0.25538427291446379876, 0.1487005398185764372};
    ExpectNear(t.x, expected2, 1e-14);
}

TEST(QuorrelMatrix, HonoursTheTeachingEvaluationsPins) {
    Counts emptyE = kClass;
    emptyE[4] = {0, 0, 0, 0, 0};
    System s = FromCounts(emptyE);
    ASSERT_TRUE(s.Solve());
    EXPECT_EQ(s.x[4], 0.0);
    EXPECT_NEAR(s.x[0] + s.x[1] + s.x[2] + s.x[3], 1.0, 1e-14);

    Counts stayC = kClass;
    stayC[2] = {0, 0, 6, 0, 0};
    System t = FromCounts(stayC);
    ASSERT_TRUE(t.Solve());
    EXPECT_EQ(t.x[2], 6.0 / 55.0);
}

TEST(QuorrelMatrix, IgnoresWhatTheCallerLeavesInRowFive) {
    System clean = FromCounts(kClass);
    System dirty = clean;
    dirty.SetRow(5, {7, -3, std::numeric_limits<double>::quiet_NaN(), 1e300, 0});
    ASSERT_TRUE(clean.Solve());
    ASSERT_TRUE(dirty.Solve());
    EXPECT_EQ(clean.x, dirty.x);
}

// Row 0 is final once column 0 is done, so it shows which row became the first pivot.
TEST(QuorrelMatrix, FirstPivotIsTheUpperRowWithTheLargestTruncatedMagnitude) {
    struct Case {
        Row column0;
        int expectedRow; // 5: the normalising row of ones
    };
    const Case cases[] = {
        {{0.5, -0.7, 0.2, 0.9, 0.3}, 5},  // nothing reaches 1: the ones win
        {{1.0, 0.5, 0.2, 0.9, 0.3}, 0},   // a tie with the ones keeps the upper row
        {{0.5, 0.3, -1.2, 1.7, 1.0}, 2},  // keys 1, 1, 1 and 1: the upper one
        {{0.5, 1.99, -2.0, 0.3, -1.5}, 2} // 1.99 truncates to 1, below |-2.0|
    };
    for (const Case& c : cases) {
        System s;
        for (int r = 0; r < 5; ++r)
            s.SetRow(r, {c.column0[r], 0.1 * (r + 1), 0.2 * (r + 1), 0.3 * (r + 1), 0.4 * (r + 1)});
        const Row expected = c.expectedRow == 5 ? Row{1, 1, 1, 1, 1} : s.RowOf(c.expectedRow);
        s.Solve();
        EXPECT_EQ(s.RowOf(0), expected) << "expected row " << c.expectedRow;
    }
}

// Column 0 is done by row 0 = (2, 2, 0, 0, 0), leaving the ones row as (0, 0, 1, 1, 1); rows 1 and 2
// then compete for column 1 with the entries given.
System SecondColumn(double diagonal, double below) {
    System s;
    s.SetRow(0, {2, 2, 0, 0, 0});
    s.SetRow(1, {0, diagonal, 1, 0, -1});
    s.SetRow(2, {0, below, 0, 0, 0});
    s.SetRow(3, {0, 0, 0, 1, -1});
    return s;
}

TEST(QuorrelMatrix, ExchangesNoRowsBelowMagnitudeOne) {
    System small = SecondColumn(0.1, 0.9);
    const Row row1 = small.RowOf(1);
    ASSERT_TRUE(small.Solve());
    EXPECT_EQ(small.RowOf(1), row1);
    const Row shares{0, 0, 1.0 / 3, 1.0 / 3, 1.0 / 3};
    ExpectNear(small.x, shares, 1e-15);

    // An exact zero on the diagonal is not rescued by 0.9 below it, but is by 1.0.
    System stuck = SecondColumn(0.0, 0.9);
    EXPECT_FALSE(stuck.Solve());
    System moved = SecondColumn(0.0, 1.0);
    ASSERT_TRUE(moved.Solve());
    ExpectNear(moved.x, shares, 1e-15);
}

// Column 1 is zero on the diagonal once row 0 = (1, 1, 0, 0, -1) has cleared the ones row; below it
// only row 2 may hold an entry, too small to be exchanged up.
System ZeroSecondPivot(double below) {
    System s;
    s.SetRow(0, {1, 1, 0, 0, -1});
    s.SetRow(1, {0, 0, 1, -1, 0});
    s.SetRow(2, {0, below, 1, 0, -1});
    s.SetRow(3, {0, 0, 0, 1, -1});
    return s;
}

TEST(QuorrelMatrix, ZeroPivotNeedsAPin) {
    for (double below : {0.0, 0.5}) {
        System unpinned = ZeroSecondPivot(below);
        EXPECT_FALSE(unpinned.Solve()) << below;
        EXPECT_EQ(unpinned.x, kUntouched);
    }

    // The pin replaces row 1 and is carried into the rows below it; rows 0, 2, 3 and the sum give the
    // rest.
    System zeroColumn = ZeroSecondPivot(0.0);
    zeroColumn.fixed[1] = 0.375;
    ASSERT_TRUE(zeroColumn.Solve());
    EXPECT_EQ(zeroColumn.x, (Row{-0.125, 0.375, 0.25, 0.25, 0.25}));

    System smallBelow = ZeroSecondPivot(0.5);
    smallBelow.fixed[1] = 0.375;
    ASSERT_TRUE(smallBelow.Solve());
    EXPECT_EQ(smallBelow.x, (Row{-0.078125, 0.375, 0.109375, 0.296875, 0.296875}));
}

TEST(QuorrelMatrix, PinsHoldAtEveryIndexAndFeedTheRowsAbove) {
    // x0..x3 each equal x4, and the caller's row 4 is empty: only the normalising row fixes the scale.
    auto make = [] {
        System s;
        for (int r = 0; r < 4; ++r) {
            Row row{0, 0, 0, 0, -2};
            row[r] = 2;
            s.SetRow(r, row);
        }
        return s;
    };
    for (int pin = -1; pin < 5; ++pin) {
        System s = make();
        Row expected{0.2, 0.2, 0.2, 0.2, 0.2};
        if (pin == 4)
            expected.fill(0.5);
        if (pin >= 0)
            s.fixed[pin] = expected[pin] = 0.5;
        ASSERT_TRUE(s.Solve()) << pin;
        EXPECT_EQ(s.x, expected) << "pin at " << pin;
    }
}

struct NormalRow {
    int index;
    int ordinate;
    int area;
};

NormalRow Lookup(int index) {
    NormalRow row{index, -1, -1};
    EXPECT_EQ(Normal(&row.index, &row.ordinate, &row.area), 0);
    return row;
}

TEST(QuorrelNormal, GivesTheTabulatedRows) {
    // The last five round up only through the seven-decimal step: areas 0.34849499..., 0.42785496...,
    // 0.49896499..., ordinates 0.01888497..., 0.00470495...
    const NormalRow rows[] = {{0, 39894, 0},     {1, 39892, 399},    {50, 35207, 19146},  {196, 5844, 47500},
                              {300, 443, 49865}, {399, 14, 49997},   {103, 23471, 34850}, {146, 13742, 42786},
                              {308, 348, 49897}, {247, 1889, 49324}, {298, 471, 49856}};
    for (const NormalRow& expected : rows) {
        const NormalRow got = Lookup(expected.index);
        EXPECT_EQ(got.ordinate, expected.ordinate) << expected.index;
        EXPECT_EQ(got.area, expected.area) << expected.index;
    }
}

TEST(QuorrelNormal, IndexesOutsideTheTableAnswerWithItsEnds) {
    for (int index : {400, 1000, INT_MAX}) {
        const NormalRow got = Lookup(index);
        EXPECT_EQ(got.ordinate, 14) << index;
        EXPECT_EQ(got.area, 49997) << index;
        EXPECT_EQ(got.index, index); // the caller's index is only read
    }
    for (int index : {-1, INT_MIN}) {
        const NormalRow got = Lookup(index);
        EXPECT_EQ(got.ordinate, 39894) << index;
        EXPECT_EQ(got.area, 0) << index;
    }
}

TEST(QuorrelExports, BothRoutinesAreFoundUndecoratedByName) {
    void* library = dlopen(QUORREL_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    void* matrix = dlsym(library, "Matrix");
    void* normal = dlsym(library, "Normal");
    // The very functions this test was bound to when it loaded.
    EXPECT_EQ(matrix, reinterpret_cast<void*>(&Matrix));
    EXPECT_EQ(normal, reinterpret_cast<void*>(&Normal));
    EXPECT_EQ(dlsym(library, "_Z6MatrixPdS_S_"), nullptr);
    dlclose(library);
}

} // namespace
