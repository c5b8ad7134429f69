#pragma once
// The rows a report dialog hands to its report: the dialog's own row and column counts (row 0
// holds the column titles), the cell texts and the column widths in pixels. A dialog adapts its
// grid with CGridRowSource, or passes functions with CCallbackRowSource.

#include <QString>

#include <functional>
#include <utility>

class IReportRowSource {
public:
    virtual ~IReportRowSource() = default;
    virtual int GetRowCount() const = 0;
    virtual int GetColumnCount() const = 0;
    virtual QString GetItemText(int row, int column) const = 0;
    virtual int GetColumnWidth(int column) const = 0;
};

// Any grid with GetItemText(row, column) and GetColumnWidth(column), with the counts the dialog
// keeps beside it (read at each use, so they follow the dialog's changes).
template <typename Grid> class CGridRowSource final : public IReportRowSource {
public:
    CGridRowSource(const Grid& grid, const int& rows, const int& columns)
        : m_grid(grid), m_rows(rows), m_columns(columns) {}

    int GetRowCount() const override { return m_rows; }
    int GetColumnCount() const override { return m_columns; }
    QString GetItemText(int row, int column) const override { return m_grid.GetItemText(row, column); }
    int GetColumnWidth(int column) const override { return m_grid.GetColumnWidth(column); }

private:
    const Grid& m_grid;
    const int& m_rows;
    const int& m_columns;
};

class CCallbackRowSource final : public IReportRowSource {
public:
    using Count = std::function<int()>;
    using Text = std::function<QString(int, int)>;
    using Width = std::function<int(int)>;

    CCallbackRowSource(Count rows, Count columns, Text text, Width width = {})
        : m_rows(std::move(rows)), m_columns(std::move(columns)), m_text(std::move(text)),
          m_width(std::move(width)) {}

    int GetRowCount() const override { return m_rows ? m_rows() : 0; }
    int GetColumnCount() const override { return m_columns ? m_columns() : 0; }
    QString GetItemText(int row, int column) const override {
        return m_text ? m_text(row, column) : QString();
    }
    int GetColumnWidth(int column) const override { return m_width ? m_width(column) : 0; }

private:
    Count m_rows;
    Count m_columns;
    Text m_text;
    Width m_width;
};
