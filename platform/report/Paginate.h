#pragma once
// Pagination as a pure function: from the heights of the bands and the group structure of the
// records to the bands of every page with their positions. Knowing every page before anything
// is drawn is what lets footers print the page count.

#include <vector>

namespace report {

enum class BandKind {
    PageHeader,
    ReportHeader,
    Captions,
    GroupHeader,
    Record,
    GroupFooter,
    ReportFooter,
    PageFooter
};

struct Band {
    BandKind kind;
    int record = -1; // Record: its index; GroupHeader/GroupFooter: the group's first record
    int level = -1;  // GroupHeader/GroupFooter: the group level, outermost 0
    double top = 0;
    double height = 0;
};

struct Page {
    std::vector<Band> bands;
};

struct GroupMetrics {
    // Indices of the records that start a group of this level, ascending; a group of an outer
    // level starting also starts one of every inner level.
    std::vector<int> starts;
    double headerHeight = 0;
    double footerHeight = 0;
    int headerStyle = 0; // GroupKeepWithDetail / GroupKeepTogether bits
    int footerStyle = 0;
    bool pageBreakBefore = false;
};

struct TableMetrics {
    double pageHeight = 0; // between the top and bottom margins
    double pageHeaderHeight = 0;
    double pageFooterHeight = 0;
    double reportHeaderHeight = 0;
    double reportFooterHeight = 0;
    double captionHeight = 0; // 0: no captions
    int captionStyle = 0;     // CaptionsAt... bits
    double rowHeight = 0;
    int recordCount = 0;
    std::vector<GroupMetrics> groups; // outermost first
};

// Always at least one page (a report without records still shows its captions and footers).
// A band taller than the room a page has is put alone on a page, so pagination always ends.
std::vector<Page> PaginateTable(const TableMetrics& metrics);

struct LabelGrid {
    int columns = 1;
    int rows = 1;
    int PerPage() const { return columns * rows; }
};

// How many labels fit across and down the printable area (at least one each way); a layout's
// own non-zero counts are kept when they fit, and cut down to what fits otherwise.
LabelGrid FitLabels(double printableWidth, double printableHeight, double labelWidth, double labelHeight,
                    double horizontalGap, double verticalGap, int columns, int rows);

// Number of pages for `records` labels (at least one).
int LabelPageCount(int records, const LabelGrid& grid);

} // namespace report
