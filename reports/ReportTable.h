#pragma once
// The table a report dialog shows: cell texts with their alignment and background, the fixed title
// row and columns, and which rows are block titles or separators. The computations fill it; the
// dialog copies it into its grid, and the print feed and the export read it.

#include <QColor>
#include <QString>
#include <QStringList>

#include <vector>

// Alignment of a cell's text; Default is the grid's own format.
enum class CellAlign { Default, Left, Center, Right };

// Row 0 is always the column-title row. In the block layouts a block starts with a repeated title
// row and is followed by two separator rows; neither becomes a printed record.
enum class RowKind { Data, Summary, BlockTitle, Separator };

struct CReportCell {
    QString text;
    CellAlign align = CellAlign::Default;
    QColor background; // invalid: the grid's default
};

class CReportTable {
public:
    CReportTable() = default;
    CReportTable(int rows, int cols) { Resize(rows, cols); }

    int RowCount() const { return int(m_rows.size()); }
    int ColumnCount() const { return m_cols; }
    // Cells inside the new bounds keep their contents; new rows are data rows of empty cells.
    void SetRowCount(int rows);
    void SetColumnCount(int cols);
    void Resize(int rows, int cols);

    int FixedRowCount() const { return m_fixedRows; }
    int FixedColumnCount() const { return m_fixedCols; }
    void SetFixedRowCount(int n) { m_fixedRows = n; }
    void SetFixedColumnCount(int n) { m_fixedCols = n; }

    // Outside the table: Text() is empty, the setters do nothing and answer false.
    QString Text(int row, int col) const;
    const CReportCell* Cell(int row, int col) const;
    bool SetText(int row, int col, const QString& text);
    bool SetText(int row, int col, const QString& text, CellAlign align);
    bool SetAlign(int row, int col, CellAlign align);
    bool SetBackground(int row, int col, const QColor& colour);

    RowKind Kind(int row) const;
    void SetKind(int row, RowKind kind);

    void DeleteRow(int row);
    void DeleteColumn(int col);

    // The window title the computation gives the dialog; empty when it leaves the title alone.
    QString caption;

    // Rows from 1 that become report records: every row but block titles and separators.
    std::vector<int> FedRows() const;
    // The records fed to the report component: one text per column, exactly as the cells hold them.
    std::vector<QStringList> Records() const;

    // Every cell followed by a tab, every row by a line feed (the spreadsheet export's layout).
    QString ToTabSeparated() const;

private:
    struct Row {
        std::vector<CReportCell> cells;
        RowKind kind = RowKind::Data;
    };
    bool Inside(int row, int col) const { return row >= 0 && row < RowCount() && col >= 0 && col < m_cols; }

    std::vector<Row> m_rows;
    int m_cols = 0;
    int m_fixedRows = 0;
    int m_fixedCols = 0;
};
