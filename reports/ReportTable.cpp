#include "reports/ReportTable.h"

#include <algorithm>

void CReportTable::SetRowCount(int rows) {
    rows = std::max(0, rows);
    const int old = RowCount();
    m_rows.resize(rows);
    for (int r = old; r < rows; ++r)
        m_rows[r].cells.assign(m_cols, CReportCell{});
}

void CReportTable::SetColumnCount(int cols) {
    m_cols = std::max(0, cols);
    for (Row& row : m_rows)
        row.cells.resize(m_cols);
}

void CReportTable::Resize(int rows, int cols) {
    SetColumnCount(cols);
    SetRowCount(rows);
}

QString CReportTable::Text(int row, int col) const {
    return Inside(row, col) ? m_rows[row].cells[col].text : QString();
}

const CReportCell* CReportTable::Cell(int row, int col) const {
    return Inside(row, col) ? &m_rows[row].cells[col] : nullptr;
}

bool CReportTable::SetText(int row, int col, const QString& text) {
    if (!Inside(row, col))
        return false;
    m_rows[row].cells[col].text = text;
    return true;
}

bool CReportTable::SetText(int row, int col, const QString& text, CellAlign align) {
    if (!Inside(row, col))
        return false;
    m_rows[row].cells[col].text = text;
    m_rows[row].cells[col].align = align;
    return true;
}

bool CReportTable::SetAlign(int row, int col, CellAlign align) {
    if (!Inside(row, col))
        return false;
    m_rows[row].cells[col].align = align;
    return true;
}

bool CReportTable::SetBackground(int row, int col, const QColor& colour) {
    if (!Inside(row, col))
        return false;
    m_rows[row].cells[col].background = colour;
    return true;
}

RowKind CReportTable::Kind(int row) const {
    return row >= 0 && row < RowCount() ? m_rows[row].kind : RowKind::Data;
}

void CReportTable::SetKind(int row, RowKind kind) {
    if (row >= 0 && row < RowCount())
        m_rows[row].kind = kind;
}

void CReportTable::DeleteRow(int row) {
    if (row >= 0 && row < RowCount())
        m_rows.erase(m_rows.begin() + row);
}

void CReportTable::DeleteColumn(int col) {
    if (col < 0 || col >= m_cols)
        return;
    for (Row& row : m_rows)
        row.cells.erase(row.cells.begin() + col);
    --m_cols;
}

std::vector<int> CReportTable::FedRows() const {
    std::vector<int> rows;
    for (int r = 1; r < RowCount(); ++r)
        if (m_rows[r].kind != RowKind::BlockTitle && m_rows[r].kind != RowKind::Separator)
            rows.push_back(r);
    return rows;
}

std::vector<QStringList> CReportTable::Records() const {
    std::vector<QStringList> records;
    for (const int r : FedRows()) {
        QStringList fields;
        for (const CReportCell& cell : m_rows[r].cells)
            fields << cell.text;
        records.push_back(fields);
    }
    return records;
}

QString CReportTable::ToTabSeparated() const {
    QString out;
    for (const Row& row : m_rows) {
        for (const CReportCell& cell : row.cells) {
            out += cell.text;
            out += u'\t';
        }
        out += u'\n';
    }
    return out;
}
