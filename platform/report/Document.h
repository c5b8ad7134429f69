#pragma once
// A report ready for output: its definition and records, laid out into pages for a printable
// area, drawn page by page with QPainter onto a printer, a PDF file or the preview.

#include "platform/report/Definition.h"
#include "platform/report/Paginate.h"
#include "platform/report/Recordset.h"
#include "platform/report/ShapedText.h"

#include <QFont>
#include <QHash>
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
    //
    // No number is cut: when the columns, fitted to the width by their weights, are too narrow
    // for their texts, they take the widths their texts need (the rest of the width shared by
    // weight); when that is still too wide, the table's font (captions and records) shrinks down
    // to kMinTableFontSize; beyond that the columns are split into bands, each printed on pages
    // of its own with the first column repeated (a band's pages follow each page of rows).
    int Layout(double printableWidth, double printableHeight);
    // Pages of rows times column bands (at least one).
    int PageCount() const;
    // The table's pages of rows (empty for a label report).
    const std::vector<Page>& Pages() const { return m_pages; }
    const LabelGrid& Labels() const { return m_labelGrid; }

    // Columns printed side by side: their indices and their left edges plus the right edge of the
    // last, in cm from the printable area's left.
    struct ColumnBand {
        std::vector<int> columns;
        std::vector<double> edges;
    };
    // One band of every column when they fit across a page.
    const std::vector<ColumnBand>& ColumnBands() const { return m_bands; }
    // The first band's edges: every column's when they fit across a page.
    const std::vector<double>& ColumnEdges() const { return m_bands.front().edges; }
    // The font size of the table's captions and records in the last layout.
    double TableFontSize() const { return m_tableFontSize; }
    // The alignment a column's values print with: its own, or right-aligned (its own vertical
    // alignment kept) when the definition aligns numbers right and its values are a column of
    // numbers by text::NumberColumn's rule, the one the grids follow.
    int ContentAlign(int column) const;

    // The smallest the table's font gets before its columns are split.
    static constexpr double kMinTableFontSize = 6;
    // The page the report prints on: the definition's, turned to landscape when the table is too
    // wide for a portrait page even at the smallest font.
    PageSetup EffectivePage() const;

    // Draws page `index` (0-based) of the last layout. The painter's origin is the top-left of
    // the printable area; `dotsPerCm` is the device's scale.
    void RenderPage(QPainter& painter, int index, double dotsPerCm) const;

    // Gives the printer the paper, orientation and margins of EffectivePage().
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
    void DrawCaptions(QPainter& p, const ColumnBand& band, double top, double dpc) const;
    // The frames of rows drawn one under the other from `tops`, then one row's texts.
    void DrawRecordFrames(QPainter& p, const ColumnBand& band, const std::vector<double>& tops,
                          double dpc) const;
    void DrawRecord(QPainter& p, const ColumnBand& band, int record, double top, double dpc) const;
    // Each column's widest text (caption or value) in ems of the report's font.
    const std::vector<double>& TextEms() const;
    // The width column `c` needs at font size `points`, in cm.
    double NeededWidth(int c, double points) const;
    // Whether column `c` takes part in the fitting (a column of weight 0 stays hidden).
    bool Shown(int c) const;
    double MinimumTableWidth() const;
    void FitColumns(double width);
    void DrawLabelPage(QPainter& p, int index, double dpc) const;
    QFont MakeFont(double points, bool bold = false, bool italic = false) const;

    ReportDefinition m_def;
    Recordset m_records;
    std::vector<int> m_columnField; // record field of each column, -1 when unbound
    double m_width = 0;
    double m_height = 0;
    std::vector<Page> m_pages;
    std::vector<ColumnBand> m_bands{ColumnBand{{}, {0.0}}};
    double m_tableFontSize = 9;
    mutable std::vector<double> m_textEms; // measured on first use
    // The records' texts drawn so far, measured and shaped for the records' font on the device
    // drawn on; dropped once the pages are made.
    mutable ShapedTexts m_shaped;
    mutable ShapedTexts m_captionTexts; // the same for the captions, in their bold font
    mutable GlyphBatch m_glyphs; // a row's texts, drawn together
    std::vector<int> m_contentAlign;
    std::vector<bool> m_numberColumn; // right-aligned as a column of numbers
    LabelGrid m_labelGrid;
    int m_labelPages = 1;
    QString m_family;
};

// Gives the memory the process holds free back to the system, as far as the heap allows: after a
// preview, which held every page it drew, is closed.
void ReturnFreedMemory();

} // namespace report
