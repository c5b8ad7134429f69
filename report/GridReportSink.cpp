#include "report/GridReportSink.h"

#include "platform/com/ComError.h"

#include <vector>

QString CGridReportSink::FieldName(int column) {
    return QString::asprintf("fld%02d", column);
}

void CGridReportSink::OnFetchRecord(com::VariantBool*) {
    report::IReport& report = RequireReport();
    if (!m_pRows)
        throw com::ComError(com::E_POINTER, report::IID_IReport);
    const int n = m_pRows->GetRowCount();
    const int m = m_pRows->GetColumnCount();
    if (n <= 1)
        return;

    // The fields do not change during the event: look each up once.
    std::vector<std::pair<int, report::Field*>> fields;
    for (int c = 0; c < m; ++c)
        if (!m_columnFilter || m_columnFilter(c))
            fields.emplace_back(c, &report.FieldByName(FieldName(c)));

    report::Recordset& records = report.Records();
    for (int r = NextFedRow(1); r < n; r = NextFedRow(r + 1)) {
        records.Append();
        for (const auto& [c, field] : fields)
            field->SetAsString(m_pRows->GetItemText(r, c));
        records.Post();
    }
}

namespace {
bool EmptyAfterTrim(const QString& s) {
    for (const QChar ch : s)
        if (!ch.isSpace())
            return false;
    return true;
}
} // namespace

int CBlockReportSink::NextFedRow(int row) const {
    const int n = m_pRows->GetRowCount();
    while (row < n && EmptyAfterTrim(m_pRows->GetItemText(row, 0)))
        row += 3;
    return row;
}

int CStrideReportSink::NextFedRow(int row) const {
    if (row <= 1)
        return 1;
    return 1 + ((row - 1 + m_stride - 1) / m_stride) * m_stride;
}
