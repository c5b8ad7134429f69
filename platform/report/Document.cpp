#include "platform/report/Document.h"

#include "platform/db/FileGuard.h"
#include "platform/report/Macros.h"
#include "platform/report/Output.h"
#include "platform/text/NumberText.h"
#include "platform/ui/FileDialog.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QLineF>
#include <QPageLayout>
#include <QPageSize>
#include <QPaintEngine>
#include <QPainter>
#include <QPrinter>
#include <QTextLayout>
#include <QVarLengthArray>

#include <algorithm>
#include <cmath>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace report {

namespace {

constexpr double kCellPadding = 0.08; // cm on each side of a cell's text
constexpr double kLineWidth = 0.02;   // cm
constexpr double kMinFontSize = 4;
constexpr double kCmPerPoint = 2.54 / 72;
// Texts are measured once, large, and scaled to the size they print at; the margin covers the
// rounding of the printer's font metrics.
constexpr int kMeasurePixels = 1000;
constexpr double kMeasureMargin = 1.05;
constexpr double kEpsilon = 1e-9;
const QColor kCaptionFill(232, 232, 232);

double NonNegative(double v) {
    return std::isfinite(v) && v > 0 ? v : 0;
}

// A section given boxes but no height still gets a line's room.
constexpr double kAutoSectionHeight = 0.8;
double SectionHeight(const Section& s) {
    if (!s.present)
        return 0;
    const double h = NonNegative(s.height);
    return h > 0 || s.boxes.empty() ? h : kAutoSectionHeight;
}

Qt::Alignment ToQt(int align) {
    Qt::Alignment a;
    if (align & AlignCenter)
        a |= Qt::AlignHCenter;
    else if (align & AlignRight)
        a |= Qt::AlignRight;
    else
        a |= Qt::AlignLeft;
    if (align & AlignTop)
        a |= Qt::AlignTop;
    else if (align & AlignBottom)
        a |= Qt::AlignBottom;
    else
        a |= Qt::AlignVCenter;
    return a;
}

QRectF Scaled(double x, double y, double w, double h, double dpc) {
    return QRectF(x * dpc, y * dpc, w * dpc, h * dpc);
}

// Whether the field's values make a column of numbers, by the rule the grids follow. The answer
// depends only on which kinds of cell the column has (numbers, texts, no values), so each
// distinct value is looked at once, and the rule is told one cell of each kind.
bool HoldsNumbers(const Recordset& records, int field, QHash<QString, char>& kinds) {
    enum : char { NoValue, Number, Text };
    text::NumberColumn column;
    bool number = false;
    for (int r = 0; r < records.RecordCount() && !column.Decided(); ++r) {
        const QStringList& record = records.Record(r);
        const QString& value = field < record.size() ? record.at(field) : QString();
        auto it = kinds.constFind(value);
        if (it == kinds.cend()) {
            text::NumberColumn one;
            one.Add(value);
            it = kinds.insert(value, one.Decided() ? Text : one.HoldsNumbers() ? Number : NoValue);
        }
        if (*it == Text || (*it == Number && !number))
            column.Add(value);
        number = number || *it == Number;
    }
    return column.HoldsNumbers();
}

} // namespace

Document::Document(ReportDefinition definition, Recordset records)
    : m_def(std::move(definition)), m_records(std::move(records)), m_family(FontFamily()) {
    QHash<QString, char> kinds; // of the values seen, for every column alike
    for (const Column& c : m_def.detail.columns) {
        const Field* f = m_records.FindField(c.field);
        m_columnField.push_back(f ? f->Index() : -1);
        int align = c.contentAlign;
        const bool numbers =
            m_def.detail.alignNumbersRight && f && HoldsNumbers(m_records, f->Index(), kinds);
        if (numbers)
            align = AlignRight | (align & (AlignTop | AlignMiddle | AlignBottom));
        m_contentAlign.push_back(align);
        m_numberColumn.push_back(numbers);
    }
    m_tableFontSize = m_def.fontSize > 0 ? m_def.fontSize : 9;
}

int Document::ContentAlign(int column) const {
    return column >= 0 && column < static_cast<int>(m_contentAlign.size()) ? m_contentAlign[column]
                                                                           : AlignLeft | AlignMiddle;
}

QString Document::FontFamily() {
    static const QString family = [] {
        const QStringList available = QFontDatabase::families();
        for (const char* name : {"WenQuanYi Micro Hei", "Noto Sans CJK SC", "Noto Sans SC",
                                 "WenQuanYi Zen Hei", "AR PL UMing CN", "Droid Sans Fallback"})
            if (available.contains(QLatin1String(name)))
                return QString::fromLatin1(name);
        return QFont().defaultFamily();
    }();
    return family;
}

QFont Document::MakeFont(double points, bool bold, bool italic) const {
    QFont f(m_family);
    f.setPointSizeF(points > 0 ? points : (m_def.fontSize > 0 ? m_def.fontSize : 9));
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

int Document::Layout(double printableWidth, double printableHeight) {
    m_width = NonNegative(printableWidth);
    m_height = NonNegative(printableHeight);
    if (IsLabelReport())
        LayoutLabels(m_width, m_height);
    else
        LayoutTable(m_width, m_height);
    return PageCount();
}

int Document::PageCount() const {
    if (IsLabelReport())
        return m_labelPages;
    return std::max<int>(1, static_cast<int>(m_pages.size())) * static_cast<int>(m_bands.size());
}

const std::vector<double>& Document::TextEms() const {
    const std::vector<Column>& columns = m_def.detail.columns;
    if (m_textEms.size() == columns.size())
        return m_textEms;
    QFont regular(m_family);
    regular.setPixelSize(kMeasurePixels);
    QFont bold = regular;
    bold.setBold(true);
    const QFontMetricsF regularMetrics(regular);
    const QFontMetricsF boldMetrics(bold);
    m_textEms.assign(columns.size(), 0.0);
    // A long list repeats its values (marks, ranks, classes) many times over: each distinct text
    // is measured once.
    QHash<QString, double> measured;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        double widest = boldMetrics.horizontalAdvance(columns[c].caption);
        if (const int field = m_columnField[c]; field >= 0)
            for (int r = 0; r < m_records.RecordCount(); ++r) {
                const QStringList& record = m_records.Record(r);
                if (field >= record.size())
                    continue; // an empty value, no wider than the caption's room
                const QString& value = record.at(field);
                auto it = measured.constFind(value);
                if (it == measured.cend())
                    it = measured.insert(value, regularMetrics.horizontalAdvance(value));
                widest = std::max(widest, *it);
            }
        m_textEms[c] = widest / kMeasurePixels;
    }
    return m_textEms;
}

double Document::NeededWidth(int c, double points) const {
    return TextEms()[c] * points * kCmPerPoint * kMeasureMargin + 2 * kCellPadding + kLineWidth;
}

bool Document::Shown(int c) const {
    double total = 0;
    for (const Column& column : m_def.detail.columns)
        total += NonNegative(column.width);
    return total <= 0 || NonNegative(m_def.detail.columns[c].width) > 0;
}

double Document::MinimumTableWidth() const {
    double width = 0;
    for (int c = 0; c < static_cast<int>(m_def.detail.columns.size()); ++c)
        if (Shown(c))
            width += NeededWidth(c, kMinTableFontSize);
    return width;
}

PageSetup Document::EffectivePage() const {
    PageSetup page = m_def.page;
    if (IsLabelReport() || page.landscape || !m_def.detail.present || m_def.detail.columns.empty())
        return page;
    const double sides = NonNegative(page.leftMargin) + NonNegative(page.rightMargin);
    const double portrait = NonNegative(page.paperWidth) - sides;
    const double landscape = NonNegative(page.paperHeight) - sides;
    if (landscape > portrait && MinimumTableWidth() > portrait + kEpsilon)
        page.landscape = true;
    return page;
}

void Document::FitColumns(double width) {
    const std::vector<Column>& columns = m_def.detail.columns;
    const int n = static_cast<int>(columns.size());
    const double base = m_def.fontSize > 0 ? m_def.fontSize : 9;
    m_tableFontSize = base;
    m_bands.clear();
    std::vector<int> all(n);
    for (int c = 0; c < n; ++c)
        all[c] = c;

    double totalWeight = 0;
    for (const Column& c : columns)
        totalWeight += NonNegative(c.width);
    // All-zero weights share the width equally.
    const auto weight = [&](int c) { return totalWeight > 0 ? NonNegative(columns[c].width) : 1.0; };

    // The columns of a band at the table's font: each as wide as its texts need, and what is
    // left of the width shared by weight. When even the needs exceed the width, they shrink alike.
    const auto spread = [&](const std::vector<int>& band) {
        ColumnBand b{band, {0.0}};
        std::vector<double> widths;
        double used = 0, weights = 0;
        for (int c : band) {
            widths.push_back(Shown(c) ? NeededWidth(c, m_tableFontSize) : 0.0);
            used += widths.back();
            weights += Shown(c) ? weight(c) : 0.0;
        }
        const double slack = width - used;
        for (std::size_t k = 0; k < band.size(); ++k) {
            if (!Shown(band[k]))
                continue;
            if (slack >= 0)
                widths[k] += weights > 0 ? slack * weight(band[k]) / weights : 0.0;
            else if (used > 0)
                widths[k] *= width / used;
        }
        for (double w : widths)
            b.edges.push_back(b.edges.back() + w);
        return b;
    };

    // 1. The weights alone, as long as every text fits its column.
    bool fits = true;
    ColumnBand weighted{all, {0.0}};
    for (int c = 0; c < n; ++c) {
        const double w = weight(c) / (totalWeight > 0 ? totalWeight : n) * width;
        weighted.edges.push_back(weighted.edges.back() + w);
        if (Shown(c) && w + kEpsilon < NeededWidth(c, base))
            fits = false;
    }
    if (fits) {
        m_bands.push_back(std::move(weighted));
        return;
    }

    // 2. The widths the texts need, at the largest font size (in tenths of a point) that fits.
    double perPoint = 0, fixed = 0; // total need = perPoint × points + fixed
    for (int c = 0; c < n; ++c)
        if (Shown(c)) {
            perPoint += TextEms()[c] * kCmPerPoint * kMeasureMargin;
            fixed += 2 * kCellPadding + kLineWidth;
        }
    double points = base;
    if (perPoint * base + fixed > width + kEpsilon)
        points = perPoint > 0 ? std::floor((width - fixed) / perPoint * 10) / 10 : base;
    if (points >= kMinTableFontSize) {
        m_tableFontSize = std::min(points, base);
        m_bands.push_back(spread(all));
        return;
    }

    // 3. The smallest font, the columns in bands that each repeat the first column.
    m_tableFontSize = kMinTableFontSize;
    std::vector<int> shown;
    for (int c = 0; c < n; ++c)
        if (Shown(c))
            shown.push_back(c);
    const int first = shown.front();
    const double firstWidth = NeededWidth(first, m_tableFontSize);
    std::size_t k = 1;
    while (k < shown.size()) {
        std::vector<int> band{first};
        double used = firstWidth;
        do {
            used += NeededWidth(shown[k], m_tableFontSize);
            band.push_back(shown[k++]);
        } while (k < shown.size() && used + NeededWidth(shown[k], m_tableFontSize) <= width + kEpsilon);
        m_bands.push_back(spread(band));
    }
    if (m_bands.empty())
        m_bands.push_back(spread({first}));
}

double Document::CaptionHeight() const {
    return NonNegative(m_def.detail.titleRow.height) * (m_def.detail.columnGroups.empty() ? 1 : 2);
}

std::vector<std::vector<int>> Document::GroupStarts() const {
    std::vector<std::vector<int>> starts;
    for (const Group& g : m_def.detail.groups) {
        const Field* f = m_records.FindField(g.field);
        std::vector<int> s;
        for (int r = 0; r < m_records.RecordCount(); ++r)
            if (r == 0 || (f && m_records.Value(r, f->Index()) != m_records.Value(r - 1, f->Index())))
                s.push_back(r);
        starts.push_back(std::move(s));
    }
    return starts;
}

void Document::LayoutTable(double width, double height) {
    const DetailGrid& d = m_def.detail;
    FitColumns(width);

    const bool table = d.present && !d.columns.empty();
    TableMetrics m;
    m.pageHeight = height;
    m.pageHeaderHeight = SectionHeight(m_def.pageHeader);
    m.pageFooterHeight = SectionHeight(m_def.pageFooter);
    m.reportHeaderHeight = SectionHeight(m_def.reportHeader);
    m.reportFooterHeight = SectionHeight(m_def.reportFooter);
    m.captionHeight = table ? CaptionHeight() : 0;
    m.captionStyle = d.titleRow.style;
    m.rowHeight = std::max(0.1, NonNegative(d.contentRow.height));
    m.recordCount = table ? m_records.RecordCount() : 0;
    if (table) {
        const auto starts = GroupStarts();
        for (std::size_t i = 0; i < d.groups.size(); ++i) {
            const Group& g = d.groups[i];
            m.groups.push_back(GroupMetrics{starts[i], NonNegative(g.header.height),
                                            NonNegative(g.footer.height), g.header.style, g.footer.style,
                                            g.pageBreakBefore});
        }
    }
    m_pages = PaginateTable(m);
}

void Document::LayoutLabels(double width, double height) {
    const LabelLayout& l = *m_def.labels;
    const double header = SectionHeight(m_def.pageHeader);
    const double footer = SectionHeight(m_def.pageFooter);
    m_labelGrid = FitLabels(width, std::max(0.0, height - header - footer), l.width, l.height,
                            l.horizontalGap, l.verticalGap, l.columns, l.rows);
    m_labelPages = LabelPageCount(m_records.RecordCount(), m_labelGrid);
    m_pages.clear();
}

void Document::RenderPage(QPainter& p, int index, double dpc) const {
    if (index < 0 || index >= PageCount())
        return;
    p.save();
    if (IsLabelReport()) {
        DrawLabelPage(p, index, dpc);
        p.restore();
        return;
    }
    // Across, then down: every band of columns of a page of rows before the next page of rows.
    const int bands = static_cast<int>(m_bands.size());
    const int rows = index / bands;
    const ColumnBand& columns = m_bands[index % bands];
    if (rows < static_cast<int>(m_pages.size())) {
        const std::vector<Band>& page = m_pages[rows].bands;
        const double rowHeight = NonNegative(m_def.detail.contentRow.height);
        // The records one under the other without a gap share their frame: it is drawn once,
        // before the first of them.
        std::size_t framedUpTo = 0;
        for (std::size_t n = 0; n < page.size(); ++n) {
            const Band& b = page[n];
            if (b.kind == BandKind::Record && n >= framedUpTo && m_def.detail.gridLines) {
                std::vector<double> tops{b.top};
                framedUpTo = n + 1;
                while (rowHeight > 0 && framedUpTo < page.size() &&
                       page[framedUpTo].kind == BandKind::Record &&
                       std::abs(page[framedUpTo].top - (tops.back() + rowHeight)) <= kEpsilon)
                    tops.push_back(page[framedUpTo++].top);
                DrawRecordFrames(p, columns, tops, dpc);
            }
            switch (b.kind) {
            case BandKind::PageHeader:
                DrawSection(p, m_def.pageHeader, b.top, m_width, dpc, index, -1);
                break;
            case BandKind::ReportHeader:
                DrawSection(p, m_def.reportHeader, b.top, m_width, dpc, index, -1);
                break;
            case BandKind::Captions:
                DrawCaptions(p, columns, b.top, dpc);
                break;
            case BandKind::Record:
                DrawRecord(p, columns, b.record, b.top, dpc);
                break;
            case BandKind::GroupHeader:
            case BandKind::GroupFooter:
                break; // spacing only
            case BandKind::ReportFooter:
                DrawSection(p, m_def.reportFooter, b.top, m_width, dpc, index, -1);
                break;
            case BandKind::PageFooter:
                DrawSection(p, m_def.pageFooter, b.top, m_width, dpc, index, -1);
                break;
            }
        }
    }
    p.restore();
}

void Document::DrawSection(QPainter& p, const Section& s, double top, double width, double dpc, int page,
                           int record) const {
    for (const TextBox& box : s.boxes)
        DrawBox(p, box, 0, top, width, SectionHeight(s), dpc, page, record);
}

void Document::DrawBox(QPainter& p, const TextBox& box, double ox, double oy, double areaW, double areaH,
                       double dpc, int page, int record) const {
    double x = box.left, y = box.top, w = NonNegative(box.width), h = NonNegative(box.height);
    switch (box.dock) {
    case DockFill:
        x = 0, y = 0, w = areaW, h = areaH;
        break;
    case DockTop:
        x = 0, y = 0, w = areaW, h = h > 0 ? h : areaH;
        break;
    case DockBottom:
        x = 0, w = areaW, h = h > 0 ? h : areaH, y = areaH - h;
        break;
    case DockLeft:
        x = 0, y = 0, h = areaH, w = w > 0 ? w : areaW;
        break;
    case DockRight:
        y = 0, h = areaH, w = w > 0 ? w : areaW, x = areaW - w;
        break;
    default:
        if (w <= 0 || ((box.anchor & AnchorLeft) && (box.anchor & AnchorRight)))
            w = areaW - x;
        if (h <= 0 || ((box.anchor & AnchorTop) && (box.anchor & AnchorBottom)))
            h = areaH - y;
        break;
    }
    if (w <= 0 || h <= 0)
        return;
    const QRectF rect = Scaled(ox + x, oy + y, w, h, dpc);
    if (box.border) {
        p.setPen(QPen(Qt::black, kLineWidth * dpc));
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect);
    }
    QString text = box.text;
    if (box.kind == ItemMemoBox && HasMacros(text)) {
        MacroContext c;
        c.pageNumber = page + 1;
        c.pageCount = PageCount();
        c.recordCount = m_records.RecordCount();
        c.title = m_def.title;
        c.field = [&](const QString& name, QString& value) {
            const Field* f = m_records.FindField(name);
            if (!f)
                return false;
            value = m_records.Value(record, f->Index());
            return true;
        };
        text = ExpandMacros(text, c);
    }
    if (text.isEmpty())
        return;
    p.setFont(MakeFont(box.fontSize, box.bold, box.italic));
    p.setPen(box.color.isValid() ? box.color : QColor(Qt::black));
    const double pad = kCellPadding * dpc;
    p.drawText(rect.adjusted(pad, 0, -pad, 0), ToQt(box.textAlign) | Qt::TextWordWrap, text);
}

namespace {
// A text that prints as it stands on one line: no line breaks, tabs or other control characters.
bool PlainLine(const QString& text) {
    for (const QChar ch : text)
        if (ch.unicode() < 0x20 || (ch.unicode() >= 0x7f && ch.unicode() <= 0x9f))
            return false;
    return true;
}

// Where a text that fits its cell on one line starts, at its baseline, as the cell's alignment
// puts it; false when it does not fit so (it is then laid out in the rectangle, cut or shrunk).
// `r` is the cell within its padding, `textWidth` the text's width in the font on the device.
bool OneLineOrigin(const QRectF& r, const QString& text, double textWidth, const QFontMetricsF& fm, int align,
                   QPointF& origin) {
    const double height = fm.ascent() + fm.descent();
    if (textWidth > r.width() || height > r.height() || !PlainLine(text))
        return false;
    double x = r.x(), y = r.y();
    if (align & AlignCenter)
        x += (r.width() - textWidth) / 2;
    else if (align & AlignRight)
        x += r.width() - textWidth;
    if (align & AlignBottom)
        y += r.height() - height;
    else if (!(align & AlignTop))
        y += (r.height() - height) / 2;
    origin = QPointF(x, y + fm.ascent());
    return true;
}

QRectF Padded(const QRectF& cell, double dpc) {
    return cell.adjusted(kCellPadding * dpc, 0, -kCellPadding * dpc, 0);
}

// One cell's text, cut with "…" or shrunk when it is wider than the cell. `advance` is the
// text's width in the font on the painter's device, when known.
void DrawCellText(QPainter& p, const QRectF& cell, const QString& text, int align, const QFont& font,
                  const QFontMetricsF& fm, bool shrink, double dpc, const double* advance = nullptr) {
    if (text.isEmpty() || cell.width() <= 0)
        return;
    const QRectF r = Padded(cell, dpc);
    if (r.width() <= 0)
        return;
    const double textWidth = advance ? *advance : fm.horizontalAdvance(text);
    if (textWidth <= r.width()) {
        // Placed where the rectangle's alignment puts one line, without laying it out again.
        if (QPointF origin; advance && OneLineOrigin(r, text, textWidth, fm, align, origin)) {
            p.drawText(origin, text);
            return;
        }
        p.drawText(r, ToQt(align) | Qt::TextSingleLine, text);
        return;
    }
    if (shrink) {
        QFont smaller = font;
        smaller.setPointSizeF(std::max(kMinFontSize, font.pointSizeF() * r.width() / textWidth));
        p.setFont(smaller);
        const QFontMetricsF sfm(smaller, p.device());
        p.drawText(r, ToQt(align) | Qt::TextSingleLine, sfm.elidedText(text, Qt::ElideRight, r.width()));
        p.setFont(font);
        return;
    }
    p.drawText(r, ToQt(align) | Qt::TextSingleLine, fm.elidedText(text, Qt::ElideRight, r.width()));
}

// One cell's text from its shapes, made once in `texts`: on a PDF page (`batched`) its glyphs
// join the row's batch, elsewhere its one-line layout is drawn; a text that does not fit its cell
// on one line, or has no shapes, is drawn as text (cut or shrunk).
void DrawShapedText(QPainter& p, ShapedTexts& texts, GlyphBatch& batch, bool batched, const QRectF& cell,
                    const QString& text, int align, const QFont& font, const QFontMetricsF& fm, bool shrink,
                    double dpc) {
    const ShapedTexts::Text& shaped =
        texts.Find(text, batched ? ShapedTexts::Make::Glyphs : ShapedTexts::Make::Layout);
    if (QPointF origin; OneLineOrigin(Padded(cell, dpc), text, shaped.advance, fm, align, origin)) {
        if (batched && !shaped.glyphs.empty()) {
            batch.Add(shaped.glyphs, QPointF(GlyphBatch::PlacedCoordinate(origin.x()),
                                             GlyphBatch::PlacedCoordinate(origin.y())));
            return;
        }
        if (shaped.layout) {
            shaped.layout->draw(&p, origin - QPointF(0, shaped.layout->lineAt(0).ascent()));
            return;
        }
    }
    const double advance = shaped.advance;
    DrawCellText(p, cell, text, align, font, fm, shrink, dpc, &advance);
}
} // namespace

void Document::DrawCaptions(QPainter& p, const ColumnBand& band, double top, double dpc) const {
    const DetailGrid& d = m_def.detail;
    const double rowH = NonNegative(d.titleRow.height);
    const double fullH = CaptionHeight();
    const QFont font = MakeFont(m_tableFontSize, true);
    p.setFont(font);
    const QFontMetricsF fm(font, p.device());
    const QPen line(Qt::black, kLineWidth * dpc);
    m_captionTexts.Use(font, p.device());
    const bool batched = p.paintEngine() && p.paintEngine()->type() == QPaintEngine::Pdf;

    auto cell = [&](double x0, double x1, double y, double h, const QString& text, int align) {
        if (x1 - x0 <= 0)
            return;
        const QRectF r = Scaled(x0, y, x1 - x0, h, dpc);
        p.fillRect(r, kCaptionFill);
        if (d.gridLines) {
            p.setPen(line);
            p.drawRect(r);
        }
        p.setPen(Qt::black);
        if (text.isEmpty())
            return;
        DrawShapedText(p, m_captionTexts, m_glyphs, batched, r, text, align, font, fm, d.shrinkToFit, dpc);
    };

    // The group a column belongs to, if any.
    auto groupOf = [&](const Column& c) -> const ColumnGroup* {
        for (const ColumnGroup& g : d.columnGroups)
            if (g.columns.contains(c.name, Qt::CaseInsensitive))
                return &g;
        return nullptr;
    };

    for (std::size_t k = 0; k < band.columns.size(); ++k) {
        const Column& c = d.columns[band.columns[k]];
        if (d.columnGroups.empty() || !groupOf(c))
            cell(band.edges[k], band.edges[k + 1], top, fullH, c.caption, c.titleAlign);
        else
            cell(band.edges[k], band.edges[k + 1], top + rowH, rowH, c.caption, c.titleAlign);
    }
    for (const ColumnGroup& g : d.columnGroups) {
        double x0 = -1, x1 = -1;
        for (std::size_t k = 0; k < band.columns.size(); ++k)
            if (g.columns.contains(d.columns[band.columns[k]].name, Qt::CaseInsensitive)) {
                if (x0 < 0)
                    x0 = band.edges[k];
                x1 = band.edges[k + 1];
            }
        if (x0 >= 0)
            cell(x0, x1, top, rowH, g.title, g.textAlign);
    }
    m_glyphs.Draw(p, m_captionTexts.Fonts());
}

void Document::DrawRecordFrames(QPainter& p, const ColumnBand& band, const std::vector<double>& tops,
                                double dpc) const {
    // The frames of the rows' cells: the outline of the rows, the lines between the rows and the
    // borders between the cells the height of them all, covering what each cell's own frame
    // would.
    const double h = NonNegative(m_def.detail.contentRow.height);
    double left = -1, right = -1;
    const double top = tops.front(), bottom = tops.back() + h;
    QVarLengthArray<QLineF, 128> lines;
    for (std::size_t k = 0; k < band.columns.size(); ++k) {
        const double x0 = band.edges[k], x1 = band.edges[k + 1];
        if (x1 - x0 <= 0)
            continue;
        if (left < 0)
            left = x0;
        else
            lines.append(QLineF(x0 * dpc, top * dpc, x0 * dpc, bottom * dpc));
        right = x1;
    }
    if (left < 0)
        return;
    for (std::size_t k = 1; k < tops.size(); ++k)
        lines.append(QLineF(left * dpc, tops[k] * dpc, right * dpc, tops[k] * dpc));
    p.setPen(QPen(Qt::black, kLineWidth * dpc));
    p.drawRect(Scaled(left, top, right - left, bottom - top, dpc));
    p.drawLines(lines.constData(), int(lines.size()));
}

void Document::DrawRecord(QPainter& p, const ColumnBand& band, int record, double top, double dpc) const {
    const DetailGrid& d = m_def.detail;
    const double h = NonNegative(d.contentRow.height);
    const QFont font = MakeFont(m_tableFontSize);
    p.setFont(font);
    const QFontMetricsF fm(font, p.device());
    m_shaped.Use(font, p.device());
    // On a PDF page the row's texts go out together, from glyphs made once for each text.
    const bool batched = p.paintEngine() && p.paintEngine()->type() == QPaintEngine::Pdf;
    p.setPen(Qt::black);
    for (std::size_t k = 0; k < band.columns.size(); ++k) {
        const int i = band.columns[k];
        const double x0 = band.edges[k], x1 = band.edges[k + 1];
        if (x1 - x0 <= 0)
            continue;
        const QRectF r = Scaled(x0, top, x1 - x0, h, dpc);
        // A number's padding would shift it off the column's right edge.
        const QString value = m_records.Value(record, m_columnField[i]);
        const QString text = m_numberColumn[i] ? value.trimmed() : value;
        if (text.isEmpty())
            continue;
        DrawShapedText(p, m_shaped, m_glyphs, batched, r, text, m_contentAlign[i], font, fm, d.shrinkToFit,
                       dpc);
    }
    m_glyphs.Draw(p, m_shaped.Fonts());
}

void Document::DrawLabelPage(QPainter& p, int index, double dpc) const {
    const LabelLayout& l = *m_def.labels;
    const double header = SectionHeight(m_def.pageHeader);
    const double footer = SectionHeight(m_def.pageFooter);
    if (header > 0)
        DrawSection(p, m_def.pageHeader, 0, m_width, dpc, index, -1);
    const int per = m_labelGrid.PerPage();
    for (int k = 0; k < per; ++k) {
        const int record = index * per + k;
        if (record >= m_records.RecordCount())
            break;
        const double x = (k % m_labelGrid.columns) * (l.width + std::max(0.0, l.horizontalGap));
        const double y = header + (k / m_labelGrid.columns) * (l.height + std::max(0.0, l.verticalGap));
        if (l.border) {
            p.setPen(QPen(Qt::black, kLineWidth * dpc));
            p.setBrush(Qt::NoBrush);
            p.drawRect(Scaled(x, y, l.width, l.height, dpc));
        }
        for (const TextBox& box : l.boxes)
            DrawBox(p, box, x, y, l.width, l.height, dpc, index, record);
    }
    if (footer > 0)
        DrawSection(p, m_def.pageFooter, m_height - footer, m_width, dpc, index, -1);
}

void Document::SetupPrinter(QPrinter& printer) const {
    const PageSetup s = EffectivePage();
    const QSizeF paper(NonNegative(s.paperWidth) * 10, NonNegative(s.paperHeight) * 10);
    if (!paper.isEmpty())
        printer.setPageSize(QPageSize(paper, QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch));
    printer.setPageOrientation(s.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setPageMargins(QMarginsF(NonNegative(s.leftMargin) * 10, NonNegative(s.topMargin) * 10,
                                     NonNegative(s.rightMargin) * 10, NonNegative(s.bottomMargin) * 10),
                           QPageLayout::Millimeter);
    if (!m_def.title.isEmpty())
        printer.setDocName(m_def.title);
    printer.setCreator(QStringLiteral("Veltora"));
}

void ReturnFreedMemory() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

bool Document::Print(QPrinter& printer) {
    // The print dialog may name a file to print to.
    if (db::IsDatabaseFile(printer.outputFileName(), db::FileUse::kWrite)) {
        ui::ShowDatabaseFileRefusal(QApplication::activeWindow());
        return false;
    }
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const double dpc = printer.resolution() / 2.54;
    const QRect area = printer.pageLayout().paintRectPixels(printer.resolution());
    const int pages = Layout(area.width() / dpc, area.height() / dpc);
    int first = 0, last = pages - 1;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = std::clamp(printer.fromPage() - 1, 0, pages - 1);
        last = std::clamp(printer.toPage() > 0 ? printer.toPage() - 1 : last, first, pages - 1);
    }
    // The progress hears of the end on every way out.
    struct Told {
        PageProgress* progress = CurrentPageProgress();
        ~Told() {
            if (progress)
                progress->End();
        }
    } told;
    if (told.progress)
        told.progress->Begin(last - first + 1);
    // The texts shaped for these pages are not kept after them, nor the memory they took.
    struct Dropped {
        ShapedTexts& texts;
        ShapedTexts& captions;
        ~Dropped() {
            texts.Clear();
            captions.Clear();
            ReturnFreedMemory();
        }
    } dropped{m_shaped, m_captionTexts};
    for (int i = first; i <= last; ++i) {
        if (i > first && !printer.newPage())
            return false;
        RenderPage(painter, i, dpc);
        if (told.progress)
            told.progress->PageMade(i - first + 1);
    }
    return painter.end();
}

bool Document::WritePdf(const QString& path) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    SetupPrinter(printer);
    return Print(printer);
}

} // namespace report
