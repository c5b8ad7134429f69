// The records' texts drawn from the glyphs and layouts made once per text: they stand where the
// same texts drawn as text stand, and a new font or device never draws the glyphs of the last.

#include "platform/report/Document.h"

#include "tests/platform/report/PdfText.h"

#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace report;

namespace {

// A name column and a column of marks; the names of rows 1 and 3 are drawn from the shaped text,
// that of row 2 ends in a blank, which is drawn as text.
const QString kName = QStringLiteral("甲乙85");

ReportDefinition NamesAndMarks(int columns, Recordset& records, const QStringList& names) {
    ReportDefinition def;
    def.pageHeader.height = 1.0;
    def.pageHeader.AddTextBox(ItemStaticBox).text = "名单";
    def.detail.alignNumbersRight = true;
    for (int c = 0; c < columns; ++c) {
        const QString field = QString::asprintf("fld%02d", c);
        records.AddField(field, FieldString);
        def.detail.AddColumn(field, c == 0 ? QStringLiteral("姓名") : QStringLiteral("科%1").arg(c), field, 10);
    }
    for (int r = 0; r < names.size(); ++r) {
        records.Append();
        for (int c = 0; c < columns; ++c)
            records.FindField(QString::asprintf("fld%02d", c))
                ->SetAsString(c == 0 ? names[r] : QString::number(60 + (r % 2 + c) % 3 * 10.5, 'f', 2));
        records.Post();
    }
    return def;
}

QImage Render(const Document& doc, double dpi) {
    const double dpc = dpi / 2.54;
    QImage image(int(42 * dpc), int(27 * dpc), QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    image.fill(Qt::white);
    QPainter p(&image);
    doc.RenderPage(p, 0, dpc);
    return image;
}

// The columns of dark pixels inside a cell, away from its frame: first and last, -1 when none.
std::pair<int, int> InkColumns(const QImage& image, const QRectF& cell) {
    const QRect inner = cell.toAlignedRect().adjusted(4, 4, -4, -4);
    int first = -1, last = -1;
    for (int x = inner.left(); x <= inner.right(); ++x)
        for (int y = inner.top(); y <= inner.bottom(); ++y)
            if (qGray(image.pixel(x, y)) < 128) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
    return {first, last};
}

// The tops of the page's record bands, in cm.
std::vector<double> RecordTops(const Document& doc) {
    std::vector<double> tops;
    for (const Band& b : doc.Pages().front().bands)
        if (b.kind == BandKind::Record)
            tops.push_back(b.top);
    return tops;
}

// The left and right edges (points) of every occurrence of `word` on the first page.
std::vector<std::pair<double, double>> WordEdges(const QString& pdf, const QString& word) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {"-bbox", "-f", "1", "-l", "1", pdf, "-"});
    p.waitForFinished(30000);
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    std::vector<std::pair<double, double>> edges;
    const QRegularExpression re(QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"[0-9.]+\" xMax=\"([0-9.]+)\"[^>]*>") +
                                QRegularExpression::escape(word) + QStringLiteral("</word>"));
    for (auto it = re.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        edges.emplace_back(m.captured(1).toDouble(), m.captured(2).toDouble());
    }
    return edges;
}

} // namespace

TEST(RecordTexts, StandWhereTheSameTextsDrawnAsTextStand) {
    Recordset records;
    const ReportDefinition def = NamesAndMarks(3, records, {kName, kName + u' ', kName});
    Document doc(def, records);
    doc.Layout(18, 26.7);
    ASSERT_EQ(doc.ContentAlign(0) & AlignLeft, AlignLeft);
    ASSERT_EQ(doc.ContentAlign(1) & AlignRight, AlignRight);

    // On an image (the preview's kind of page): the same ink, row after row.
    const double dpi = 200, dpc = dpi / 2.54;
    const QImage image = Render(doc, dpi);
    const std::vector<double> tops = RecordTops(doc);
    ASSERT_EQ(tops.size(), 3u);
    const double h = def.detail.contentRow.height;
    const auto cell = [&](int row, int column) {
        const std::vector<double>& e = doc.ColumnEdges();
        return QRectF(e[column] * dpc, tops[row] * dpc, (e[column + 1] - e[column]) * dpc, h * dpc);
    };
    const auto drawnAsText = InkColumns(image, cell(1, 0));
    ASSERT_GE(drawnAsText.first, 0);
    EXPECT_EQ(InkColumns(image, cell(0, 0)), drawnAsText);
    EXPECT_EQ(InkColumns(image, cell(2, 0)), drawnAsText);
    // Rows 1 and 3 have the same marks, drawn from one layout each.
    EXPECT_EQ(InkColumns(image, cell(2, 1)).second, InkColumns(image, cell(0, 1)).second);

    // On a PDF page, where a row's texts go out as one run of glyphs.
    if (!testing_pdf::HavePdfToText())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    QTemporaryDir dir;
    const QString path = dir.filePath("names.pdf");
    ASSERT_TRUE(doc.WritePdf(path));
    const std::vector<std::pair<double, double>> names = WordEdges(path, kName);
    ASSERT_EQ(names.size(), 3u);
    for (const auto& [left, right] : names) {
        EXPECT_NEAR(left, names[1].first, 0.01);
        EXPECT_NEAR(right, names[1].second, 0.01);
    }
    EXPECT_FALSE(testing_pdf::PdfText(path).contains(QStringLiteral("…")));
}

TEST(RecordTexts, AfterAnotherFontOrDeviceAPageIsThatOfAFreshDocument) {
    Recordset records;
    QStringList names;
    for (int r = 0; r < 12; ++r)
        names << QStringLiteral("学生%1").arg(r % 4);
    const ReportDefinition def = NamesAndMarks(22, records, names);

    // Drawn at a font shrunk to fit the width, then laid out again wider, at the table's own font.
    Document used(def, records);
    used.Layout(18, 26.7);
    const double narrowFont = used.TableFontSize();
    Render(used, 150);
    used.Layout(40, 26.7);
    ASSERT_GT(used.TableFontSize(), narrowFont);
    Document fresh(def, records);
    fresh.Layout(40, 26.7);
    EXPECT_TRUE(Render(used, 150) == Render(fresh, 150));

    // The same font on a device of another resolution.
    Document other(def, records);
    other.Layout(40, 26.7);
    EXPECT_TRUE(Render(used, 300) == Render(other, 300));
}
