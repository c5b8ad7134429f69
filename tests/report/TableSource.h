#pragma once
// A grid stand-in for the report tests: rows of texts, row 0 the column titles.

#include "report/ReportRowSource.h"

#include <QStringList>

#include <vector>

class TableSource final : public IReportRowSource {
public:
    explicit TableSource(std::vector<QStringList> rows, std::vector<int> widths = {})
        : m_rows(std::move(rows)), m_widths(std::move(widths)) {}
    int GetRowCount() const override { return static_cast<int>(m_rows.size()); }
    int GetColumnCount() const override { return m_rows.empty() ? 0 : static_cast<int>(m_rows[0].size()); }
    QString GetItemText(int r, int c) const override { return m_rows.at(r).value(c); }
    int GetColumnWidth(int c) const override {
        return c < static_cast<int>(m_widths.size()) ? m_widths[c] : 80;
    }

    std::vector<QStringList> m_rows;
    std::vector<int> m_widths;
};
