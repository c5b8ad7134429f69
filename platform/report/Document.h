#pragma once
// A report ready for output: its definition and records, laid out into pages for a printable
// area, drawn page by page with QPainter onto a printer, a PDF file or the preview.

#include "platform/report/Definition.h"
#include "platform/report/Paginate.h"
#include "platform/report/Recordset.h"

#include <QFont>
#include <QString>

#include <vector>

class QPainter;
class QPrinter;
class QRectF;

namespace report {

class Document {
public:
    Document(ReportDefinition definition, Recordset records);

    const ReportDefinition& Definition() const { return m_def; }
    const Recordset& Records() const { return m_records; }
    bool IsLabelReport() const { return m_def.labels.has_value(); }

    // Lays the records out for a printable area of that size (cm); answers the page count.
    int Layout(double printableWidth, double printableHeight);
    int PageCount() const;
    // The table's pages (empty for a label report).
    const std::vector<Page>& Pages() const { return m_pages; }
    const LabelGrid& Labels() const { return m_labelGrid; }
    // Left edges of the columns and the right edge of the last, in cm (Layout fits them).
    const std::vector<double>& ColumnEdges() const { return m_columnEdges; }

    // Draws page `index` (0-based) of the last layout. The painter's origin is the top-left of
    // the printable area; `dotsPerCm` is the device's scale.
    void RenderPage(QPainter& painter, int index, double dotsPerCm) const;

    // Gives the printer the definition's paper, orientation and margins.
    void SetupPrinter(QPrinter& printer) const;
    // Lays out for the printer's printable area and prints every page, or the printer's page
    // range when it has one. False when the printer cannot be painted on.
    bool Print(QPrinter& printer);
    // Writes the report as a PDF file; false when the file cannot be written.
    bool WritePdf(const QString& path);

    // The family reports print in: a CJK family when the machine has one.
    static QString FontFamily();

private:
    void LayoutTable(double width, double height);
    void LayoutLabels(double width, double height);
    std::vector<std::vector<int>> GroupStarts() const;
    double CaptionHeight() const;

    void DrawSection(QPainter& p, const Section& s, double top, double width, double dpc, int page,
                     int record) const;
    void DrawBox(QPainter& p, const TextBox& box, double originX, double originY, double areaWidth,
                 double areaHeight, double dpc, int page, int record) const;
    void DrawCaptions(QPainter& p, double top, double dpc) const;
    void DrawRecord(QPainter& p, int record, double top, double dpc) const;
    void DrawLabelPage(QPainter& p, int index, double dpc) const;
    QFont MakeFont(double points, bool bold = false, bool italic = false) const;

    ReportDefinition m_def;
    Recordset m_records;
    std::vector<int> m_columnField; // record field of each column, -1 when unbound
    double m_width = 0;
    double m_height = 0;
    std::vector<Page> m_pages;
    std::vector<double> m_columnEdges;
    LabelGrid m_labelGrid;
    int m_labelPages = 1;
    QString m_family;
};

} // namespace report
