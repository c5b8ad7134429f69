#include "report/GridReport.h"
#include "report/GridReportSink.h"
#include "report/ReportComponent.h"
#include "tests/report/TableSource.h"

#include "platform/com/ComError.h"
#include "platform/report/Document.h"
#include "platform/report/Output.h"
#include "platform/ui/MessageBox.h"
#include "tests/platform/report/PdfText.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The dialog side of a report: its rows, the component with a connected sink of class T, and a
// headless output that catches every preview.
template <typename T> struct Dialog {
    template <typename... Args>
    explicit Dialog(std::vector<QStringList> rows, Args&&... args)
        : table(std::move(rows)), output(dir.path()) {
        sink = component.Create<T>(nullptr, std::forward<Args>(args)...);
        sink->SetRowSource(&table);
    }
    Dialog(std::initializer_list<QStringList> rows) : Dialog(std::vector<QStringList>(rows)) {}
    report::IReport& Report() { return component.Report(); }
    // Builds the standard definition and shows it; answers the records the component got.
    std::vector<QStringList> Show(GridReportLayout layout = {}) {
        BuildGridReport(Report(), table, layout);
        Report().Show(false);
        std::vector<QStringList> records;
        for (int i = 0; i < Report().Records().RecordCount(); ++i)
            records.push_back(Report().Records().Record(i));
        return records;
    }

    TableSource table;
    QTemporaryDir dir;
    report::PdfOutput output;
    CReportComponent component;
    T* sink = nullptr;
};

} // namespace

TEST(GridReportSink, AHeaderOnlyGridFeedsNoRecords) {
    Dialog<CGridReportSink> d({{"班级", "人数"}});
    EXPECT_TRUE(d.Show().empty());
    EXPECT_EQ(d.output.PreviewCount(), 1);
    EXPECT_EQ(d.Report().Records().FieldCount(), 2);

    Dialog<CGridReportSink> empty(std::vector<QStringList>{});
    EXPECT_TRUE(empty.Show().empty());
}

TEST(GridReportSink, FeedsEveryDataRowUntrimmed) {
    Dialog<CGridReportSink> d(
        {{"班级", "人数", "平均分"}, {"1", " 45", "78.50 "}, {"2", "", "80.00"}, {"3", "44", ""}});
    const auto records = d.Show();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0], (QStringList{"1", " 45", "78.50 "}));
    EXPECT_EQ(records[1], (QStringList{"2", "", "80.00"}));
    EXPECT_EQ(records[2], (QStringList{"3", "44", ""}));
}

TEST(GridReportSink, BlockSinkSkipsSeparatorsAndRepeatedTitles) {
    const QStringList title{"科目", "班级"};
    Dialog<CBlockReportSink> d({title,
                                {"语文", "1"},
                                {"语文", "2"},
                                {"语文", "3"},
                                {"语文", "4"},
                                {"  ", ""},
                                {"", ""},
                                title,
                                {"数学", "1"},
                                {"数学", "2"}});
    const auto records = d.Show({"", "", 0.26, report::CaptionsAtEveryGroup, true});
    ASSERT_EQ(records.size(), 6u);
    EXPECT_EQ(records[3], (QStringList{"语文", "4"}));
    EXPECT_EQ(records[4], (QStringList{"数学", "1"}));
    for (const QStringList& r : records)
        EXPECT_NE(r, title);
}

TEST(GridReportSink, StrideSinkFeedsEveryThirdRow) {
    std::vector<QStringList> rows{{"学号", "姓名"}};
    for (int s = 1; s <= 3; ++s) {
        rows.push_back({QString::number(s), QStringLiteral("学生%1").arg(s)});
        rows.push_back({"学号", "姓名"});
        rows.push_back({"", ""});
    }
    Dialog<CStrideReportSink> d(rows, 3);
    const auto records = d.Show();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[2], (QStringList{"3", "学生3"}));
}

TEST(GridReportSink, ColumnFilterFeedsOnlyTheChosenColumns) {
    Dialog<CGridReportSink> d({{"学号", "班级", "姓名", "性别", "文理", "考场", "考号"},
                               {"120080101", "1", "甲", "男", "理", "01", "0101"}});
    d.sink->SetColumnFilter([](int c) { return c <= 2 || c == 6; });
    // Only the printed columns are declared, as the class lists declare them.
    report::IReport& r = d.Report();
    r.Reset();
    for (int c : {0, 1, 2, 6})
        r.Records().AddField(CGridReportSink::FieldName(c), report::FieldString);
    r.Show(false);
    ASSERT_EQ(r.Records().RecordCount(), 1);
    EXPECT_EQ(r.Records().Record(0), (QStringList{"120080101", "1", "甲", "0101"}));
}

TEST(GridReportSink, FailsWithoutAReportOrWithAnUndeclaredField) {
    Dialog<CGridReportSink> d({{"a"}, {"1"}});
    d.Report().Reset(); // no fields declared
    EXPECT_THROW(d.Report().Show(false), com::ComError);
    EXPECT_EQ(d.output.PreviewCount(), 0);

    d.sink->Disconnect();
    try {
        d.sink->OnFetchRecord(nullptr);
        FAIL();
    } catch (const com::ComError& e) {
        EXPECT_EQ(e.Error(), com::E_POINTER);
    }
}

TEST(BuildGridReport, DefinesTitleColumnsFooterAndGroup) {
    Dialog<CGridReportSink> d({{"班级", "语文", "数学"}, {"1", "80", "90"}});
    d.table.m_widths = {40, 100, 0};
    BuildGridReport(d.Report(), d.table, {"2008级期中平均分报表", "(2)", 0.26, 4, true});
    const report::ReportDefinition& def = d.Report().Definition();
    EXPECT_EQ(def.title, "2008级期中平均分报表");
    EXPECT_EQ(def.fontSize, 9);
    ASSERT_EQ(def.pageHeader.boxes.size(), 1u);
    EXPECT_EQ(def.pageHeader.boxes[0].text, "2008级期中平均分报表(2)");
    EXPECT_TRUE(def.pageHeader.boxes[0].bold);
    ASSERT_EQ(def.detail.columns.size(), 3u);
    EXPECT_EQ(def.detail.columns[1].caption, "语文");
    EXPECT_EQ(def.detail.columns[1].field, "fld01");
    EXPECT_FLOAT_EQ(def.detail.columns[1].width, 26.0f);
    EXPECT_EQ(def.detail.columns[2].width, 0); // a zero-width grid column stays zero
    EXPECT_EQ(def.detail.titleRow.style, 4);
    ASSERT_EQ(def.pageFooter.boxes.size(), 1u);
    EXPECT_EQ(def.pageFooter.boxes[0].text, "第[#SystemVar(PageNumber)#]页 共[#SystemVar(PageCount)#]页");
    EXPECT_EQ(def.pageFooter.boxes[0].kind, report::ItemMemoBox);
    ASSERT_EQ(def.detail.groups.size(), 1u);
    EXPECT_EQ(def.detail.groups[0].field, "fld00");
    EXPECT_DOUBLE_EQ(def.detail.groups[0].footer.height, 0.87);

    BuildGridReport(d.Report(), d.table, {"成绩", "", 0.05, 2, false});
    EXPECT_TRUE(d.Report().Definition().detail.groups.empty()); // each build starts afresh
    EXPECT_EQ(d.Report().Records().FieldCount(), 3);
}

TEST(BuildGridReport, PrintsTheGridAsPagedReport) {
    if (!testing_pdf::HavePdfToText())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    std::vector<QStringList> rows{{"班级", "人数", "平均分"}};
    for (int i = 1; i <= 50; ++i)
        rows.push_back({QStringLiteral("%1班").arg(i), "45", "78.50"});
    Dialog<CGridReportSink> d(rows);
    d.Show({"各班各科基本统计量报表", "(1)"});
    ASSERT_EQ(d.output.Written().size(), 1);
    const QString path = d.output.Written().front();
    EXPECT_EQ(d.output.LastPageCount(), 2);
    const QString second = testing_pdf::PdfText(path, 2);
    EXPECT_TRUE(second.contains("各班各科基本统计量报表(1)"));
    EXPECT_TRUE(second.contains("平均分")); // captions on every page
    EXPECT_TRUE(second.contains("50班"));
    EXPECT_TRUE(second.contains("第2页 共2页"));
}

TEST(BuildGridReport, NumberColumnsPrintRightAlignedAsAWholeAndTextColumnsKeepTheirAlignment) {
    // Takes the document the report would preview.
    struct Capture final : report::OutputService {
        void Preview(report::Document& document, bool) override {
            aligns.clear();
            titles.clear();
            for (int c = 0; c < int(document.Definition().detail.columns.size()); ++c) {
                aligns.push_back(document.ContentAlign(c));
                titles.push_back(document.Definition().detail.columns[std::size_t(c)].titleAlign);
            }
        }
        bool Print(report::Document&, bool) override { return true; }
        std::vector<int> aligns;
        std::vector<int> titles;
    } capture;
    // Empty and padded cells, percentages before and after the number, counts over a running
    // total and a dash for no value; a remark column with one real text among numbers.
    Dialog<CGridReportSink> d({{"班级", "人数", "平均分", "优秀率", "比例", "人数/累计", "备注", "空"},
                               {" 1班", " 45", " 78.50", "85.50%", "%12.50", "  3/ 3", "缺考2人", ""},
                               {" 2班", "", " -1.25", "  0.00%", "% 0.00", "", "", ""},
                               {" 3班", "  7", "100.00", "--", "%100.00", " 12/15", "12", ""}});
    report::SetOutputService(&capture);
    d.Show();
    const int right = report::AlignRight | report::AlignMiddle;
    const int left = report::AlignLeft | report::AlignMiddle;
    EXPECT_EQ(capture.aligns, (std::vector<int>{left, right, right, right, right, right, left, left}));

    // A centred layout (the teaching evaluation's) keeps its captions and text columns centred;
    // its numbers still line up on the right.
    GridReportLayout centred;
    centred.columnAlign = report::AlignCenter | report::AlignMiddle;
    d.Show(centred);
    report::SetOutputService(nullptr);
    const int centre = report::AlignCenter | report::AlignMiddle;
    EXPECT_EQ(capture.aligns,
              (std::vector<int>{centre, right, right, right, right, right, centre, centre}));
    EXPECT_EQ(capture.titles, std::vector<int>(8, centre));
}

TEST(RunReportCommand, ShowsAFailureOnceAndCarriesOn) {
    ui::ScriptedMessageBoxes boxes;
    CReportComponent none; // the component could not be created
    EXPECT_FALSE(RunReportCommand(nullptr, [&] { none.Report().Show(false); }));
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_TRUE(boxes.Boxes()[0].text.startsWith("报表输出出现错误")) << boxes.Boxes()[0].text.toStdString();
    EXPECT_EQ(boxes.Boxes()[0].caption, "信息提示");
    EXPECT_EQ(boxes.Boxes()[0].type, ui::MB_OK | ui::MB_ICONERROR);

    EXPECT_TRUE(RunReportCommand(nullptr, [] {}));
    EXPECT_EQ(boxes.Boxes().size(), 1u);
}
