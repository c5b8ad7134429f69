#include "platform/report/Paginate.h"
#include "platform/report/Definition.h"
#include "platform/report/Macros.h"

#include <gtest/gtest.h>

using namespace report;

namespace {

// A4 body of 26.7 cm with a 1.58 title and a 0.8 footer: 24.32 cm, 40 rows of 0.58 under a caption row.
TableMetrics Standard(int records) {
    TableMetrics m;
    m.pageHeight = 26.7;
    m.pageHeaderHeight = 1.58;
    m.pageFooterHeight = 0.8;
    m.captionHeight = 0.58;
    m.captionStyle = CaptionsOnEveryPage;
    m.rowHeight = 0.58;
    m.recordCount = records;
    return m;
}

int Count(const Page& p, BandKind kind) {
    return static_cast<int>(
        std::count_if(p.bands.begin(), p.bands.end(), [&](const Band& b) { return b.kind == kind; }));
}

std::vector<int> Records(const Page& p) {
    std::vector<int> r;
    for (const Band& b : p.bands)
        if (b.kind == BandKind::Record)
            r.push_back(b.record);
    return r;
}

} // namespace

TEST(PaginateTable, FillsPagesAndRepeatsCaptionsAndFooters) {
    const auto pages = PaginateTable(Standard(100));
    ASSERT_EQ(pages.size(), 3u); // 40 + 40 + 20
    for (const Page& p : pages) {
        EXPECT_EQ(Count(p, BandKind::PageHeader), 1);
        EXPECT_EQ(Count(p, BandKind::Captions), 1);
        EXPECT_EQ(Count(p, BandKind::PageFooter), 1);
        EXPECT_EQ(p.bands.front().kind, BandKind::PageHeader);
        EXPECT_EQ(p.bands.back().kind, BandKind::PageFooter);
        EXPECT_DOUBLE_EQ(p.bands.back().top, 26.7 - 0.8);
        // Nothing overlaps the footer.
        for (const Band& b : p.bands) {
            if (b.kind != BandKind::PageFooter) {
                EXPECT_LE(b.top + b.height, 26.7 - 0.8 + 1e-9);
            }
        }
    }
    EXPECT_EQ(Records(pages[0]).size(), 40u);
    EXPECT_EQ(Records(pages[1]).front(), 40);
    EXPECT_EQ(Records(pages[2]).back(), 99);
    // Captions come right before the first record of each page.
    EXPECT_EQ(pages[1].bands[1].kind, BandKind::Captions);
    EXPECT_EQ(pages[1].bands[2].record, 40);
}

TEST(PaginateTable, CaptionStyles) {
    TableMetrics m = Standard(100);
    m.captionStyle = CaptionsAtReportStart;
    auto pages = PaginateTable(m);
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(Count(pages[0], BandKind::Captions), 1);
    EXPECT_EQ(Count(pages[1], BandKind::Captions), 0);
    EXPECT_EQ(Records(pages[1]).size(), 41u); // the caption's room holds one more row

    m.captionStyle = 0;
    pages = PaginateTable(m);
    for (const Page& p : pages)
        EXPECT_EQ(Count(p, BandKind::Captions), 0);
}

TEST(PaginateTable, AReportWithoutRecordsStillHasItsCaptionsAndFooter) {
    const auto pages = PaginateTable(Standard(0));
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(Count(pages[0], BandKind::Captions), 1);
    EXPECT_EQ(Count(pages[0], BandKind::Record), 0);
    EXPECT_EQ(Count(pages[0], BandKind::PageFooter), 1);
}

TEST(PaginateTable, GroupsGetCaptionsHeadersAndFooters) {
    TableMetrics m = Standard(12);
    m.captionStyle = CaptionsAtEveryGroup;
    m.groups.push_back(
        GroupMetrics{{0, 4, 8}, 0.01, 0.87, GroupKeepWithDetail | GroupKeepTogether, 0, false});
    const auto pages = PaginateTable(m);
    ASSERT_EQ(pages.size(), 1u);
    const Page& p = pages[0];
    EXPECT_EQ(Count(p, BandKind::GroupHeader), 3);
    EXPECT_EQ(Count(p, BandKind::GroupFooter), 3);
    EXPECT_EQ(Count(p, BandKind::Captions), 3); // once per group, not twice for the first
    // header, captions, four records, footer — per group, in order.
    std::vector<BandKind> kinds;
    for (const Band& b : p.bands)
        kinds.push_back(b.kind);
    const std::vector<BandKind> group{BandKind::GroupHeader, BandKind::Captions, BandKind::Record,
                                      BandKind::Record,      BandKind::Record,   BandKind::Record,
                                      BandKind::GroupFooter};
    ASSERT_EQ(kinds.size(), 2 + 3 * group.size());
    EXPECT_TRUE(std::equal(group.begin(), group.end(), kinds.begin() + 1));
}

TEST(PaginateTable, AGroupThatFitsOnAPageIsKeptTogether) {
    TableMetrics m = Standard(60);
    m.groups.push_back(GroupMetrics{{0, 35}, 0.01, 0.87, GroupKeepTogether, 0, false});
    auto pages = PaginateTable(m);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(Records(pages[1]).front(), 35); // moved whole rather than split after record 40

    m.groups[0].headerStyle = 0;
    pages = PaginateTable(m);
    EXPECT_EQ(Records(pages[1]).front(), 39); // split where the page is full
}

TEST(PaginateTable, PageBreakBeforeEveryGroupButTheFirst) {
    TableMetrics m = Standard(9);
    m.groups.push_back(GroupMetrics{{0, 3, 6}, 0, 0, 0, 0, true});
    const auto pages = PaginateTable(m);
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(Records(pages[0]), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(Records(pages[2]), (std::vector<int>{6, 7, 8}));
}

TEST(PaginateTable, BandsTallerThanThePageStillEnd) {
    TableMetrics m = Standard(5);
    m.pageHeight = 2.0;
    m.rowHeight = 3.0;
    const auto pages = PaginateTable(m);
    EXPECT_EQ(pages.size(), 5u); // one per page, overflowing, but no endless loop
}

TEST(FitLabels, CountsWhatFitsAndKeepsSmallerRequests) {
    // 19 x 27.7 printable, labels 9.2 x 5.2 with gaps 0.6 / 0.4.
    LabelGrid g = FitLabels(19, 27.7, 9.2, 5.2, 0.6, 0.4, 0, 0);
    EXPECT_EQ(g.columns, 2);
    EXPECT_EQ(g.rows, 5);
    g = FitLabels(19, 27.7, 9.2, 5.2, 0.6, 0.4, 1, 9);
    EXPECT_EQ(g.columns, 1);
    EXPECT_EQ(g.rows, 5); // cut down to what fits
    g = FitLabels(5, 5, 9.2, 5.2, 0.6, 0.4, 0, 0);
    EXPECT_EQ(g.PerPage(), 1); // at least one
    EXPECT_EQ(LabelPageCount(0, {2, 5}), 1);
    EXPECT_EQ(LabelPageCount(21, {2, 5}), 3);
}

TEST(Macros, FillsPageNumbersAndFields) {
    MacroContext c;
    c.pageNumber = 2;
    c.pageCount = 7;
    c.field = [](const QString& name, QString& v) {
        if (name != "fld02")
            return false;
        v = "张三";
        return true;
    };
    EXPECT_EQ(ExpandMacros("第[#SystemVar(PageNumber)#]页 共[#SystemVar(PageCount)#]页", c), "第2页 共7页");
    EXPECT_EQ(ExpandMacros("[#fld02#]/[#fld09#]/[#SystemVar(Nothing)#]", c),
              "张三/[#fld09#]/[#SystemVar(Nothing)#]");
    EXPECT_EQ(ExpandMacros("open [# only", c), "open [# only");
}
