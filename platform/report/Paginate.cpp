#include "platform/report/Paginate.h"

#include "platform/report/Definition.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace report {

namespace {

constexpr double kEpsilon = 1e-9;

class TablePaginator {
public:
    explicit TablePaginator(const TableMetrics& m) : m_m(m) {
        m_bodyBottom = m.pageHeight - m.pageFooterHeight;
        m_captionsOnNewPage = (m.captionStyle & (CaptionsOnEveryPage | CaptionsAtEveryGroup)) != 0;
        m_captionsAtGroup = (m.captionStyle & CaptionsAtEveryGroup) != 0;
        // For every record, the outermost group level that starts at it (-1: none).
        m_firstLevel.assign(std::max(0, m.recordCount), -1);
        for (int level = static_cast<int>(m.groups.size()) - 1; level >= 0; --level)
            for (int r : m.groups[level].starts)
                if (r >= 0 && r < m.recordCount)
                    m_firstLevel[r] = level;
        if (m.recordCount > 0 && !m.groups.empty())
            m_firstLevel[0] = 0;
        // An outer start is a start of every inner level too.
        for (int r = 0; r < m.recordCount; ++r)
            if (m_firstLevel[r] >= 0)
                for (int level = m_firstLevel[r]; level < static_cast<int>(m.groups.size()); ++level)
                    m_groupStart[level].push_back(r);
    }

    std::vector<Page> Run() {
        StartPage();
        if (m_m.reportHeaderHeight > 0)
            Place(BandKind::ReportHeader, m_m.reportHeaderHeight);
        m_captionsPending = m_m.captionHeight > 0 && m_m.captionStyle != 0;
        const int levels = static_cast<int>(m_m.groups.size());
        for (int r = 0; r < m_m.recordCount; ++r) {
            const int first = m_firstLevel[r];
            if (first >= 0) {
                if (r > 0)
                    for (int level = levels - 1; level >= first; --level)
                        PlaceGroupFooter(level, r - 1);
                for (int level = first; level < levels; ++level)
                    PlaceGroupHeader(level, r);
                if (m_captionsAtGroup && m_m.captionHeight > 0)
                    m_captionsPending = true;
            }
            PlaceRecord(r);
        }
        if (m_m.recordCount > 0)
            for (int level = levels - 1; level >= 0; --level)
                PlaceGroupFooter(level, m_m.recordCount - 1);
        FlushCaptions();
        if (m_m.reportFooterHeight > 0)
            Place(BandKind::ReportFooter, m_m.reportFooterHeight);
        FinishPage();
        return std::move(m_pages);
    }

private:
    double Room() const { return m_bodyBottom - m_y; }
    bool BodyEmpty() const { return m_y <= m_bodyTop + kEpsilon; }
    bool Fits(double h) const { return h <= Room() + kEpsilon; }

    void StartPage() {
        m_pages.emplace_back();
        m_y = 0;
        if (m_m.pageHeaderHeight > 0) {
            m_pages.back().bands.push_back(Band{BandKind::PageHeader, -1, -1, 0, m_m.pageHeaderHeight});
            m_y = m_m.pageHeaderHeight;
        }
        m_bodyTop = m_y;
    }

    void FinishPage() {
        if (m_m.pageFooterHeight > 0)
            m_pages.back().bands.push_back(Band{BandKind::PageFooter, -1, -1,
                                                m_m.pageHeight - m_m.pageFooterHeight, m_m.pageFooterHeight});
    }

    void NewPage() {
        FinishPage();
        StartPage();
        if (m_captionsOnNewPage && m_m.captionHeight > 0)
            m_captionsPending = true;
    }

    // Starts a new page unless `h` fits on this one or the page has nothing yet.
    void Ensure(double h) {
        if (!Fits(h) && !BodyEmpty())
            NewPage();
    }

    void Place(BandKind kind, double h, int record = -1, int level = -1) {
        Ensure(h);
        m_pages.back().bands.push_back(Band{kind, record, level, m_y, h});
        m_y += h;
    }

    double PendingCaptions() const { return m_captionsPending ? m_m.captionHeight : 0; }

    void FlushCaptions() {
        if (!m_captionsPending)
            return;
        m_captionsPending = false;
        m_pages.back().bands.push_back(Band{BandKind::Captions, -1, -1, m_y, m_m.captionHeight});
        m_y += m_m.captionHeight;
    }

    void PlaceRecord(int r) {
        Ensure(PendingCaptions() + m_m.rowHeight);
        FlushCaptions();
        m_pages.back().bands.push_back(Band{BandKind::Record, r, -1, m_y, m_m.rowHeight});
        m_y += m_m.rowHeight;
    }

    int GroupEnd(int level, int r) const {
        const auto& starts = m_groupStart.at(level);
        const auto it = std::upper_bound(starts.begin(), starts.end(), r);
        return it == starts.end() ? m_m.recordCount : *it;
    }

    void PlaceGroupHeader(int level, int r) {
        const GroupMetrics& g = m_m.groups[level];
        if (g.pageBreakBefore && r > 0 && !BodyEmpty())
            NewPage();
        const double captions = m_captionsAtGroup ? m_m.captionHeight : PendingCaptions();
        if (g.headerStyle & GroupKeepTogether) {
            // Everything down to the group's footer.
            const int n = GroupEnd(level, r) - r;
            double whole = g.headerHeight + captions + n * m_m.rowHeight + g.footerHeight;
            for (int inner = level + 1; inner < static_cast<int>(m_m.groups.size()); ++inner) {
                const auto& starts = m_groupStart.at(inner);
                const auto count =
                    std::count_if(starts.begin(), starts.end(), [&](int s) { return s >= r && s < r + n; });
                whole += count * (m_m.groups[inner].headerHeight + m_m.groups[inner].footerHeight +
                                  (m_captionsAtGroup ? m_m.captionHeight : 0));
            }
            if (!Fits(whole) && whole <= m_bodyBottom - HeaderTop() + kEpsilon && !BodyEmpty())
                NewPage();
        }
        if (g.headerStyle & GroupKeepWithDetail)
            Ensure(g.headerHeight + captions + m_m.rowHeight);
        if (g.headerHeight > 0)
            Place(BandKind::GroupHeader, g.headerHeight, r, level);
    }

    void PlaceGroupFooter(int level, int lastRecord) {
        const GroupMetrics& g = m_m.groups[level];
        if (g.footerHeight <= 0)
            return;
        // Find the group's first record for the band.
        const auto& starts = m_groupStart.at(level);
        auto it = std::upper_bound(starts.begin(), starts.end(), lastRecord);
        const int first = it == starts.begin() ? 0 : *std::prev(it);
        if ((g.footerStyle & GroupKeepWithDetail) && !Fits(g.footerHeight)) {
            // Take the last record over with the footer, when the page keeps a record of its own.
            auto& bands = m_pages.back().bands;
            const std::size_t n = bands.size();
            if (n >= 2 && bands[n - 1].kind == BandKind::Record && bands[n - 2].kind == BandKind::Record) {
                const int record = bands[n - 1].record;
                bands.pop_back();
                NewPage();
                FlushCaptions();
                m_pages.back().bands.push_back(Band{BandKind::Record, record, -1, m_y, m_m.rowHeight});
                m_y += m_m.rowHeight;
            }
        }
        Place(BandKind::GroupFooter, g.footerHeight, first, level);
    }

    double HeaderTop() const { return m_m.pageHeaderHeight; }

    const TableMetrics& m_m;
    std::vector<Page> m_pages;
    std::vector<int> m_firstLevel;
    std::map<int, std::vector<int>> m_groupStart;
    double m_y = 0;
    double m_bodyTop = 0;
    double m_bodyBottom = 0;
    bool m_captionsPending = false;
    bool m_captionsOnNewPage = false;
    bool m_captionsAtGroup = false;
};

} // namespace

std::vector<Page> PaginateTable(const TableMetrics& metrics) {
    return TablePaginator(metrics).Run();
}

LabelGrid FitLabels(double printableWidth, double printableHeight, double labelWidth, double labelHeight,
                    double horizontalGap, double verticalGap, int columns, int rows) {
    auto fit = [](double room, double size, double gap) {
        if (size <= 0)
            return 1;
        const double n = std::floor((room + std::max(0.0, gap) + kEpsilon) / (size + std::max(0.0, gap)));
        return std::max(1, static_cast<int>(std::min(n, 1000.0)));
    };
    const int across = fit(printableWidth, labelWidth, horizontalGap);
    const int down = fit(printableHeight, labelHeight, verticalGap);
    LabelGrid grid;
    grid.columns = columns > 0 ? std::min(columns, across) : across;
    grid.rows = rows > 0 ? std::min(rows, down) : down;
    return grid;
}

int LabelPageCount(int records, const LabelGrid& grid) {
    const int per = std::max(1, grid.PerPage());
    return std::max(1, (records + per - 1) / per);
}

} // namespace report
