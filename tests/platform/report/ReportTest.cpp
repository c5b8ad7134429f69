#include "platform/report/Report.h"
#include "platform/com/ComError.h"
#include "platform/com/Registry.h"
#include "platform/db/Connection.h"
#include "platform/db/FileGuard.h"
#include "platform/report/Document.h"
#include "platform/report/LabelTemplate.h"
#include "platform/report/Output.h"
#include "platform/text/Gbk.h"
#include "platform/ui/MessageBox.h"

#include "tests/common/OtherProcess.h"
#include "tests/common/Warnings.h"
#include "tests/platform/report/PdfText.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <numeric>
#include <vector>

using namespace report;
using testing_pdf::HavePdfToText;
using testing_pdf::PdfText;

namespace {

// An event sink that records the events and runs `fetch` on the record-fetch event.
class Sink final : public com::IDispatch {
public:
    com::HRESULT QueryInterface(const com::Guid& iid, void** out) override {
        if (iid == com::IID_IUnknown || iid == com::IID_IDispatch || iid == DIID_IReportEvents) {
            *out = static_cast<com::IDispatch*>(this);
            AddRef();
            return com::S_OK;
        }
        *out = nullptr;
        return com::E_NOINTERFACE;
    }
    std::uint32_t AddRef() override { return ++refs; }
    std::uint32_t Release() override { return --refs; }
    com::HRESULT GetTypeInfoCount(std::uint32_t*) override { return com::E_NOTIMPL; }
    com::HRESULT GetTypeInfo(std::uint32_t, std::uint32_t, com::TypeInfo**) override {
        return com::E_NOTIMPL;
    }
    com::HRESULT GetIDsOfNames(const com::Guid&, const QString*, std::uint32_t, std::uint32_t,
                               com::DispId*) override {
        return com::E_NOTIMPL;
    }
    com::HRESULT Invoke(com::DispId id, const com::Guid&, std::uint32_t, std::uint16_t,
                        com::DispParams* params, com::Variant*, com::ExcepInfo*, std::uint32_t*) override {
        events.push_back(id);
        if (id == event::FetchRecord) {
            EXPECT_EQ(params->args.size(), 1u);
            EXPECT_EQ(params->args[0].Type(), com::VT_BYREF | com::VT_BOOL);
            if (fetch)
                fetch();
        }
        return com::S_OK;
    }

    std::uint32_t refs = 0;
    std::vector<com::DispId> events;
    std::function<void()> fetch;
};

// Connects a sink through the component's connection point, as a dialog does.
std::uint32_t Connect(IReport& report, Sink& sink) {
    com::ComPtr<com::IConnectionPointContainer> cpc;
    EXPECT_EQ(report.QueryInterface(com::IID_IConnectionPointContainer, cpc.ReleaseAndGetVoidAddressOf()),
              com::S_OK);
    com::ComPtr<com::IConnectionPoint> cp;
    EXPECT_EQ(cpc->FindConnectionPoint(DIID_IReportEvents, cp.ReleaseAndGetAddressOf()), com::S_OK);
    std::uint32_t cookie = 0;
    EXPECT_EQ(cp->Advise(&sink, &cookie), com::S_OK);
    return cookie;
}

// A table report: title box, n columns "fldNN" captioned "列N", the page footer with page numbers.
void Define(IReport& r, const QStringList& captions) {
    r.Reset();
    r.SetTitle("各班成绩报表");
    Section& header = r.PageHeader();
    header.height = 1.58;
    TextBox& title = header.AddTextBox(ItemStaticBox);
    title.text = "各班成绩报表(1)";
    title.fontSize = 12;
    title.bold = true;
    title.dock = DockFill;
    title.textAlign = AlignCenter | AlignMiddle;
    for (int c = 0; c < captions.size(); ++c) {
        const QString name = QString::asprintf("fld%02d", c);
        r.Records().AddField(name, FieldString);
        r.Detail().AddColumn(name, captions[c], name, 20);
    }
    Section& footer = r.PageFooter();
    footer.height = 0.8;
    TextBox& pages = footer.AddTextBox(ItemMemoBox);
    pages.text = "第[#SystemVar(PageNumber)#]页 共[#SystemVar(PageCount)#]页";
    pages.textAlign = AlignCenter | AlignTop;
}

void Feed(IReport& r, int rows, int columns) {
    for (int i = 0; i < rows; ++i) {
        r.Records().Append();
        for (int c = 0; c < columns; ++c)
            r.FieldByName(QString::asprintf("fld%02d", c))
                .SetAsString(QStringLiteral("r%1c%2").arg(i + 1).arg(c));
        r.Records().Post();
    }
}

} // namespace

TEST(ReportComponent, IsCreatedByClassIdAndAnswersItsInterfaces) {
    RegisterComponent();
    const long locks = com::ModuleLockCount();
    {
        com::ComPtr<com::IUnknown> unknown;
        ASSERT_EQ(com::CoCreateInstance(CLSID_Report, nullptr, 7, com::IID_IUnknown,
                                        unknown.ReleaseAndGetVoidAddressOf()),
                  com::S_OK);
        EXPECT_EQ(com::ModuleLockCount(), locks + 1);
        auto report = unknown.As<IReport>(IID_IReport);
        ASSERT_TRUE(report);
        auto cpc = unknown.As<com::IConnectionPointContainer>(com::IID_IConnectionPointContainer);
        ASSERT_TRUE(cpc);
        // One identity whichever interface it is reached through.
        EXPECT_EQ(cpc.As<com::IUnknown>(com::IID_IUnknown).Get(), unknown.Get());
        void* out = reinterpret_cast<void*>(1);
        EXPECT_EQ(unknown->QueryInterface(com::IID_IDispatch, &out), com::E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
        com::ComPtr<com::IConnectionPoint> cp;
        EXPECT_EQ(cpc->FindConnectionPoint(com::IID_IDispatch, cp.ReleaseAndGetAddressOf()),
                  com::CONNECT_E_NOCONNECTION);
    }
    EXPECT_EQ(com::ModuleLockCount(), locks);
}

TEST(ReportComponent, ShowFetchesTheRecordsThroughTheSink) {
    QTemporaryDir dir;
    PdfOutput output(dir.path());
    auto report = CreateReport();
    Define(*report, {"班级", "人数"});
    Sink sink;
    const std::uint32_t cookie = Connect(*report, sink);
    EXPECT_EQ(sink.refs, 1u);
    sink.fetch = [&] { Feed(*report, 3, 2); };

    report->Show(true);
    EXPECT_EQ(sink.events, (std::vector<com::DispId>{event::Initialize, event::FetchRecord,
                                                     event::PreviewOpen, event::PreviewClose}));
    EXPECT_EQ(report->Records().RecordCount(), 3);
    EXPECT_EQ(output.PreviewCount(), 1);
    EXPECT_TRUE(output.LastFitWidth());
    ASSERT_EQ(output.Written().size(), 1);

    // Each show fetches afresh instead of adding to the last records.
    report->Show(false);
    EXPECT_EQ(report->Records().RecordCount(), 3);

    com::ComPtr<com::IConnectionPoint> cp;
    report.As<com::IConnectionPointContainer>(com::IID_IConnectionPointContainer)
        ->FindConnectionPoint(DIID_IReportEvents, cp.ReleaseAndGetAddressOf());
    EXPECT_EQ(cp->Unadvise(cookie), com::S_OK);
    EXPECT_EQ(sink.refs, 0u);
}

TEST(ReportComponent, AFailingSinkLeavesTheReportUsable) {
    QTemporaryDir dir;
    PdfOutput output(dir.path());
    Sink sink; // outlives the report, which holds it until the report goes
    auto report = CreateReport();
    Define(*report, {"班级"});
    Connect(*report, sink);
    sink.fetch = [&] {
        Feed(*report, 2, 1);
        report->FieldByName("fld07"); // not declared
    };
    try {
        report->Show(false);
        FAIL() << "no error";
    } catch (const com::ComError& e) {
        EXPECT_EQ(e.Error(), com::DISP_E_UNKNOWNNAME);
        EXPECT_EQ(e.Interface(), IID_IReport);
    }
    EXPECT_EQ(output.PreviewCount(), 0);
    EXPECT_EQ(report->Records().RecordCount(), 0); // no half-fed record set

    sink.fetch = [&] { Feed(*report, 2, 1); };
    report->Show(false);
    EXPECT_EQ(output.PreviewCount(), 1);
    EXPECT_EQ(report->Records().RecordCount(), 2);
}

TEST(Recordset, KeepsTextsUntrimmedAndRefusesValuesWithoutARecord) {
    Recordset rs;
    Field& a = rs.AddField("fld00", FieldString);
    Field& b = rs.AddField("fld01", FieldString);
    EXPECT_EQ(&rs.AddField("FLD00", FieldInteger), &a); // names match case-insensitively
    EXPECT_THROW(a.SetAsString("x"), com::ComError);
    EXPECT_THROW(rs.Post(), com::ComError);

    rs.Append();
    a.SetAsString("  一班  ");
    rs.Append(); // posts the first
    b.SetAsString("\t2 ");
    rs.Post();
    ASSERT_EQ(rs.RecordCount(), 2);
    EXPECT_EQ(rs.Value(0, 0), "  一班  ");
    EXPECT_EQ(rs.Value(0, 1), "");
    EXPECT_EQ(rs.Value(1, 1), "\t2 ");
    EXPECT_EQ(rs.Value(5, 0), "");
}

TEST(Document, FitsColumnWeightsToThePrintableWidth) {
    ReportDefinition def;
    def.detail.AddColumn("a", "A", "a", 10);
    def.detail.AddColumn("b", "B", "b", 0);
    def.detail.AddColumn("c", "C", "c", 20);
    def.detail.AddColumn("d", "D", "d", 30);
    Document doc(def, Recordset{});
    doc.Layout(18, 26.7);
    const std::vector<double> expected{0, 3, 3, 9, 18};
    ASSERT_EQ(doc.ColumnEdges().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(doc.ColumnEdges()[i], expected[i], 1e-9);

    for (Column& c : def.detail.columns)
        c.width = 0;
    Document equal(def, Recordset{});
    equal.Layout(18, 26.7);
    EXPECT_NEAR(equal.ColumnEdges()[1], 4.5, 1e-9);
}

namespace {

// A table of `columns` columns of equal weight: column 0 "行N", the others distinct numbers.
ReportDefinition WideTable(int columns, int rows, Recordset& records) {
    ReportDefinition def;
    def.pageHeader.height = 1.0;
    def.pageHeader.AddTextBox(ItemStaticBox).text = "宽表";
    def.pageFooter.height = 0.8;
    def.pageFooter.AddTextBox(ItemMemoBox).text =
        "第[#SystemVar(PageNumber)#]页 共[#SystemVar(PageCount)#]页";
    for (int c = 0; c < columns; ++c) {
        const QString name = QString::asprintf("fld%02d", c);
        records.AddField(name, FieldString);
        def.detail.AddColumn(name, c == 0 ? QStringLiteral("班级") : QStringLiteral("列%1").arg(c), name, 10);
    }
    def.detail.alignNumbersRight = true;
    for (int r = 1; r <= rows; ++r) {
        records.Append();
        for (int c = 0; c < columns; ++c)
            records.FindField(QString::asprintf("fld%02d", c))
                ->SetAsString(c == 0 ? QStringLiteral("行%1").arg(r)
                                     : QString::number(1000 + r * 100 + c, 'f', 2));
        records.Post();
    }
    return def;
}

// Every value of the table is in the PDF as a word of its own, and nothing is cut.
void ExpectEveryValue(const QString& pdf, const Recordset& records) {
    const QMap<QString, int> words = testing_pdf::PdfWords(pdf);
    for (int r = 0; r < records.RecordCount(); ++r)
        for (int c = 0; c < records.FieldCount(); ++c)
            EXPECT_GE(words.value(records.Value(r, c)), 1) << records.Value(r, c).toStdString();
    EXPECT_FALSE(PdfText(pdf).contains(QStringLiteral("…")));
}

} // namespace

TEST(Document, ColumnsTooNarrowForTheirTextsTakeTheWidthTheyNeed) {
    Recordset records;
    ReportDefinition def = WideTable(3, 2, records);
    def.detail.columns[0].width = 1; // 0.6 cm of 18 by weight: too narrow for "行1"
    def.detail.columns[1].width = 1;
    def.detail.columns[2].width = 28;
    Document doc(def, records);
    doc.Layout(18, 26.7);
    ASSERT_EQ(doc.ColumnBands().size(), 1u);
    EXPECT_EQ(doc.TableFontSize(), 9); // room enough: the font keeps its size
    const std::vector<double>& edges = doc.ColumnEdges();
    EXPECT_GT(edges[1] - edges[0], 18.0 / 30);
    EXPECT_GT(edges[2] - edges[1], 18.0 / 30);
    EXPECT_NEAR(edges[3], 18, 1e-9);
    EXPECT_GT(edges[3] - edges[2], edges[1] - edges[0]); // the rest still goes by weight
    EXPECT_FALSE(doc.EffectivePage().landscape);
}

TEST(Document, AWideTableShrinksItsFontBeforeAnythingElse) {
    if (!HavePdfToText())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    Recordset records;
    const ReportDefinition def = WideTable(16, 3, records);
    Document doc(def, records);
    EXPECT_FALSE(doc.EffectivePage().landscape);
    doc.Layout(18, 26.7);
    EXPECT_LT(doc.TableFontSize(), 9);
    EXPECT_GE(doc.TableFontSize(), Document::kMinTableFontSize);
    EXPECT_EQ(doc.ColumnBands().size(), 1u);
    EXPECT_EQ(doc.ContentAlign(1), AlignRight | AlignMiddle); // numbers line up on the right
    EXPECT_EQ(doc.ContentAlign(0), AlignLeft | AlignMiddle);

    QTemporaryDir dir;
    const QString path = dir.filePath("wide.pdf");
    ASSERT_TRUE(doc.WritePdf(path));
    EXPECT_EQ(testing_pdf::PdfPageCount(path), 1);
    ExpectEveryValue(path, records);
}

TEST(Document, NothingIsPrintedOverNorTemplatedFromTheOpenDatabase) {
    QTemporaryDir dir;
    const QString database = dir.filePath("veltora.mdb");
    db::Connection connection;
    connection.OpenFile(database, {}, true);
    connection.Execute("CREATE TABLE t (x INTEGER)");
    const QByteArray before = other_process::Bytes(database);
    ASSERT_TRUE(QFile::link(database, dir.filePath("report.pdf")));
    ui::ScriptedMessageBoxes boxes;
    Recordset records;
    Document doc(WideTable(2, 1, records), records);
    // A print to a file, as the print dialog may name one: the database by a link, the journal.
    EXPECT_FALSE(doc.WritePdf(dir.filePath("report.pdf")));
    EXPECT_FALSE(doc.WritePdf(database + "-journal"));
    QString error;
    EXPECT_FALSE(LoadTemplate(dir.filePath("report.pdf"), &error));
    EXPECT_EQ(error, db::DatabaseFileRefusal());
    EXPECT_EQ(boxes.Texts(), QStringList(2, db::DatabaseFileRefusal()));
    EXPECT_EQ(other_process::Bytes(database), before);
    EXPECT_FALSE(QFile::exists(database + "-journal"));
    EXPECT_TRUE(other_process::SessionReadLockHeld(database));
}

TEST(Document, ATooWideTableTurnsToLandscapeAndSplitsRepeatingTheFirstColumn) {
    if (!HavePdfToText())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    Recordset records;
    const ReportDefinition def = WideTable(60, 3, records);
    Document doc(def, records);
    EXPECT_TRUE(doc.EffectivePage().landscape);

    QTemporaryDir dir;
    const QString path = dir.filePath("split.pdf");
    ASSERT_TRUE(doc.WritePdf(path));
    EXPECT_EQ(doc.TableFontSize(), Document::kMinTableFontSize);
    const auto& bands = doc.ColumnBands();
    ASSERT_GT(bands.size(), 1u);
    std::vector<int> covered;
    for (const Document::ColumnBand& band : bands) {
        ASSERT_GE(band.columns.size(), 2u);
        EXPECT_EQ(band.columns.front(), 0); // the first column on every band
        covered.insert(covered.end(), band.columns.begin() + 1, band.columns.end());
        EXPECT_LE(band.edges.back(), 26.7 + 1e-9);
    }
    std::vector<int> all(59);
    std::iota(all.begin(), all.end(), 1);
    EXPECT_EQ(covered, all);

    const QSizeF size = testing_pdf::PdfPageSize(path);
    EXPECT_GT(size.width(), size.height());
    const int pages = testing_pdf::PdfPageCount(path);
    EXPECT_EQ(pages, int(bands.size()));
    for (int page = 1; page <= pages; ++page) {
        const QString text = PdfText(path, page);
        EXPECT_TRUE(text.contains("行3") && text.contains("班级")) << page;
        EXPECT_TRUE(text.contains(QStringLiteral("第%1页 共%2页").arg(page).arg(pages))) << page;
    }
    ExpectEveryValue(path, records);
}

TEST(ReportPdf, HoldsTitleCaptionsAndPageFooters) {
    if (!HavePdfToText())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    QTemporaryDir dir;
    Sink sink; // outlives the report, which holds it until the report goes
    auto report = CreateReport();
    Define(*report, {"班级", "语文平均分", "数学平均分"});
    Connect(*report, sink);
    sink.fetch = [&] { Feed(*report, 100, 3); }; // A4 with 1.5 cm margins: 40 rows a page
    const QString path = dir.filePath("r.pdf");
    ASSERT_TRUE(report->ExportPdf(path));

    EXPECT_EQ(testing_pdf::PdfPageCount(path), 3);
    for (int page = 1; page <= 3; ++page) {
        const QString text = PdfText(path, page);
        EXPECT_TRUE(text.contains("各班成绩报表(1)")) << page;
        EXPECT_TRUE(text.contains("语文平均分")) << page;
        EXPECT_TRUE(text.contains(QStringLiteral("第%1页 共3页").arg(page))) << text.toStdString();
    }
    EXPECT_TRUE(PdfText(path, 1).contains("r1c0"));
    EXPECT_TRUE(PdfText(path, 3).contains("r100c2"));
    ExpectWarning unwritable("QPainter::begin(): Returned false");
    EXPECT_FALSE(report->ExportPdf(dir.filePath("missing/dir/r.pdf")));
}

TEST(LabelTemplate, TheShippedTemplateIsTheDefaultLayout) {
    QFile f(QStringLiteral(VELTORA_SOURCE_DIR "/res/programdir/roomtt.grf"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QString error;
    const auto shipped = ParseTemplate(f.readAll(), &error);
    ASSERT_TRUE(shipped) << error.toStdString();
    const ReportTemplate def = DefaultLabelTemplate();
    QStringList names;
    for (const FieldDef& fd : shipped->fields)
        names << fd.name;
    EXPECT_EQ(names, (QStringList{"fld00", "fld01", "fld02", "fld05", "fld06"}));
    ASSERT_TRUE(shipped->definition.labels);
    EXPECT_EQ(shipped->definition.labels->boxes.size(), def.definition.labels->boxes.size());
    EXPECT_EQ(shipped->definition.labels->width, def.definition.labels->width);
    EXPECT_EQ(shipped->definition.title, "桌面标签");
}

TEST(LabelTemplate, ReportsTheLineOfAnError) {
    QString error;
    EXPECT_FALSE(ParseTemplate("[Report]\nFormat = VeltoraReport 1\n[Label]\nWidth = wide\n", &error));
    EXPECT_TRUE(error.startsWith("第4行")) << error.toStdString();
    EXPECT_FALSE(ParseTemplate("[Report]\nFormat = VeltoraReport 1\n[Labels]\n", &error));
    EXPECT_FALSE(ParseTemplate("[Report]\nFormat = VeltoraReport 1\n[Box]\nText = x\n", &error));
    EXPECT_FALSE(ParseTemplate("[Label]\nWidth = 5\n", &error)); // no format line
    EXPECT_FALSE(ParseTemplate("[Report]\nFormat = VeltoraReport 1\n[Label]\nColumns = -1\n", &error));
    // Code page 936 is read too.
    const auto gbk = ParseTemplate(
        text::ToGbk("[Report]\r\nFormat = VeltoraReport 1\r\nTitle = 桌面\r\n[Label]\r\n"), &error);
    ASSERT_TRUE(gbk) << error.toStdString();
    EXPECT_EQ(gbk->definition.title, "桌面");
}

TEST(LabelReport, LoadsTheTemplateOrFallsBackToTheDefault) {
    Sink sink; // outlives the report, which holds it until the report goes
    auto report = CreateReport();
    EXPECT_FALSE(report->LoadFromFile("/nonexistent/roomtt.grf"));
    ASSERT_TRUE(report->Definition().labels);
    EXPECT_NO_THROW(report->FieldByName("fld06"));

    if (!HavePdfToText())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    EXPECT_TRUE(report->LoadFromFile(QStringLiteral(VELTORA_SOURCE_DIR "/res/programdir/roomtt.grf")));
    report->SetTitle("桌面标签");
    Connect(*report, sink);
    sink.fetch = [&] {
        for (int i = 1; i <= 12; ++i) {
            report->Records().Append();
            report->FieldByName("fld00").SetAsString(QStringLiteral("1200801%1").arg(i, 2, 10, QChar('0')));
            report->FieldByName("fld01").SetAsString("3");
            report->FieldByName("fld02").SetAsString(QStringLiteral("学生%1").arg(i));
            report->FieldByName("fld05").SetAsString("01");
            report->FieldByName("fld06").SetAsString(QStringLiteral("01%1").arg(i, 2, 10, QChar('0')));
            report->Records().Post();
        }
    };
    QTemporaryDir dir;
    const QString path = dir.filePath("labels.pdf");
    ASSERT_TRUE(report->ExportPdf(path));
    EXPECT_EQ(testing_pdf::PdfPageCount(path), 2); // ten labels a page
    const QString first = PdfText(path, 1);
    EXPECT_TRUE(first.contains("学生1")) << first.toStdString();
    EXPECT_TRUE(first.contains("考号 0101"));
    EXPECT_TRUE(first.contains("第01考场"));
    EXPECT_TRUE(PdfText(path, 2).contains("学生12"));
}
