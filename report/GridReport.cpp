#include "report/GridReport.h"

#include "report/GridReportSink.h"
#include "report/ReportProgress.h"

#include "platform/com/ComError.h"
#include "platform/res/StringTable.h"
#include "platform/ui/MessageBox.h"

#include <algorithm>
#include <exception>

namespace {
constexpr int IDS_REPORT_FAILED = 61500;
constexpr int IDS_INFO_CAPTION = 57656;
} // namespace

void BuildGridReport(report::IReport& rpt, const IReportRowSource& rows, const GridReportLayout& layout) {
    const int columns = rows.GetColumnCount();

    rpt.Reset();
    rpt.SetFontSize(9);
    rpt.SetTitle(layout.caption);

    report::Section& header = rpt.PageHeader();
    header.height = 1.58;
    report::TextBox& title = header.AddTextBox(report::ItemStaticBox);
    title.text = layout.caption + layout.titleSuffix;
    title.fontSize = 12;
    title.bold = true;
    title.left = 0;
    title.top = 0;
    title.dock = report::DockFill;
    title.anchor = report::AnchorLeft | report::AnchorRight;
    title.textAlign = report::AlignCenter | report::AlignMiddle;

    report::DetailGrid& detail = rpt.Detail();
    detail.titleRow.height = 0.58;
    detail.contentRow.height = 0.58;

    for (int c = 0; c < columns; ++c)
        rpt.Records().AddField(CGridReportSink::FieldName(c), report::FieldString);
    for (int c = 0; c < columns; ++c) {
        const QString name = CGridReportSink::FieldName(c);
        const QString header = rows.GetItemText(0, c);
        report::Column& column =
            detail.AddColumn(name, layout.columnCaption ? layout.columnCaption(c, header) : header, name,
                             static_cast<float>(rows.GetColumnWidth(c) * layout.widthFactor));
        if (layout.columnAlign != 0) {
            column.titleAlign = layout.columnAlign;
            column.contentAlign = layout.columnAlign;
        }
    }
    for (const GridColumnGroup& g : layout.columnGroups) {
        report::ColumnGroup& group = detail.AddColumnGroup(QStringLiteral("ProductTitleGroup"), g.title);
        for (int c = std::max(g.firstColumn, 0); c <= g.lastColumn && c < columns; ++c)
            group.columns << CGridReportSink::FieldName(c);
    }
    detail.shrinkToFit = false;
    // As the grid shows them, so that the values line up by their last digit; a layout's own
    // column alignment holds for the captions and the text columns.
    detail.alignNumbersRight = true;
    detail.titleRow.style = layout.captionStyle;

    report::Section& footer = rpt.PageFooter();
    footer.height = 0.8;
    report::TextBox& pages = footer.AddTextBox(report::ItemMemoBox);
    pages.text = QString::fromUtf8(kPageFooterText);
    pages.anchor = report::AnchorLeft | report::AnchorTop;
    pages.textAlign = report::AlignCenter | report::AlignTop;

    if (layout.groupByFirstColumn) {
        report::Group& group = detail.AddGroup(CGridReportSink::FieldName(0));
        group.header.height = 0.01;
        group.header.style = report::GroupKeepWithDetail | report::GroupKeepTogether;
        group.footer.style = 0;
        group.footer.height = 0.87;
    }
}

bool RunReportCommand(QWidget* parent, const std::function<void()>& command) {
    QString reason;
    try {
        const CReportProgress progress(parent);
        command();
        return true;
    } catch (const com::ComError& e) {
        reason = e.ErrorMessage();
    } catch (const std::exception& e) {
        reason = QString::fromLocal8Bit(e.what());
    }
    ui::MessageBox(parent, res::LoadString(IDS_REPORT_FAILED).arg(reason), res::LoadString(IDS_INFO_CAPTION),
                   ui::MB_OK | ui::MB_ICONERROR);
    return false;
}
