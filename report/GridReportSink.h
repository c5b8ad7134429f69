#pragma once
// The record feed of the report dialogs: on the record-fetch event, one record per grid data row
// (rows 1 to count - 1), field "fld%02d" of each grid column set to the cell's text exactly as
// the grid holds it. The model sink feeds every row; the variants leave rows out as some dialogs
// need, and a column filter serves reports that print only some columns.

#include "report/ReportEventSink.h"
#include "report/ReportRowSource.h"

#include <functional>

class CGridReportSink : public CReportEventSink {
public:
    // The rows to feed; the dialog owns them and keeps them alive while connected.
    void SetRowSource(const IReportRowSource* rows) { m_pRows = rows; }
    const IReportRowSource* GetRowSource() const { return m_pRows; }
    // Which grid columns are fed (each to the field of its own index); empty: all.
    void SetColumnFilter(std::function<bool(int column)> filter) { m_columnFilter = std::move(filter); }

    // Appends, fills and posts the records, all in this one event; never writes `eof`.
    // com::ComError when the report or the rows are missing or a field is unknown.
    void OnFetchRecord(com::VariantBool* eof) override;

    // "fld%02d" of the column.
    static QString FieldName(int column);

protected:
    friend class CReportEventSink;
    explicit CGridReportSink(const IReportRowSource* rows = nullptr) : m_pRows(rows) {}

    // The first row at or after `row` that is fed; the rows before it are skipped.
    virtual int NextFedRow(int row) const { return row; }

    const IReportRowSource* m_pRows;

private:
    std::function<bool(int)> m_columnFilter;
};

// Tables made of blocks (one per class or per subject): a row whose first cell is empty once
// trailing blanks are removed separates two blocks; it, the second separator row and the next
// block's repeated title row are skipped.
class CBlockReportSink : public CGridReportSink {
protected:
    friend class CReportEventSink;
    using CGridReportSink::CGridReportSink;
    int NextFedRow(int row) const override;
};

// Every `stride`-th row from row 1 (1, 4, 7, ... for 3): score slips, where each student's row
// comes with a title row and a blank row.
class CStrideReportSink : public CGridReportSink {
public:
    int Stride() const { return m_stride; }

protected:
    friend class CReportEventSink;
    explicit CStrideReportSink(int stride = 3, const IReportRowSource* rows = nullptr)
        : CGridReportSink(rows), m_stride(stride > 0 ? stride : 1) {}
    int NextFedRow(int row) const override;

private:
    int m_stride;
};
