#include "admin/RoomReport.h"

#include "report/GridReport.h"

#include "platform/log/Log.h"

namespace examroom {

namespace {
// Grid pixels to the report's relative column widths.
constexpr double kWidthFactor = 0.16;
constexpr int kListedColumns[] = {kColStudentId, kColClass, kColName, kColExamNumber};
} // namespace

bool IsPrintedColumn(int choice, int column) {
    if (column <= kColName || column == kColExamNumber)
        return true;
    return column == kColRoom && choice != kClassLists;
}

QString RoomReportTitle(int choice, const QString& gradeText) {
    if (choice == kDeskLabels)
        return QStringLiteral("桌面标签");
    return (choice == kClassLists ? QStringLiteral("班级名单") : QStringLiteral("考场名单")) + u'【' +
           gradeText + u'】';
}

namespace {

void BuildLabels(report::IReport& rpt, const QString& programDirectory) {
    const QString path = programDirectory + QString::fromLatin1(kLabelTemplateFile);
    if (!rpt.LoadFromFile(path))
        qCWarning(vlog::report) << "desk label template" << path << "unreadable: the built-in layout is used";
    rpt.SetTitle(RoomReportTitle(kDeskLabels, QString()));
}

void BuildLists(report::IReport& rpt, const IReportRowSource& rows, int choice, const QString& gradeText) {
    rpt.Reset();
    report::PageSetup& page = rpt.Page();
    page.paperWidth = 21.0; // A4, in the chosen orientation and margins
    page.paperHeight = 29.7;

    const QString title = RoomReportTitle(choice, gradeText);
    rpt.SetTitle(title);

    report::Section& header = rpt.PageHeader();
    header.height = 1.58;
    report::TextBox& titleBox = header.AddTextBox(report::ItemStaticBox);
    titleBox.text = title;
    titleBox.fontSize = 12;
    titleBox.bold = true;
    titleBox.left = 0;
    titleBox.top = 0;
    titleBox.width = 0;
    titleBox.height = 0;
    titleBox.dock = report::DockFill;
    titleBox.anchor = report::AnchorLeft | report::AnchorRight;
    titleBox.textAlign = report::AlignCenter | report::AlignMiddle;

    report::DetailGrid& detail = rpt.Detail();
    detail.titleRow.height = 0.58;
    detail.contentRow.height = 0.58;

    for (int c = 0; c < rows.GetColumnCount(); ++c)
        if (IsPrintedColumn(choice, c))
            rpt.Records().AddField(CGridReportSink::FieldName(c), report::FieldString);
    for (const int c : kListedColumns) {
        const QString field = CGridReportSink::FieldName(c);
        detail.AddColumn(field, rows.GetItemText(0, c), field, rows.GetColumnWidth(c) * kWidthFactor);
    }

    // Each class's or room's list on pages of its own, so that it can be handed out or posted.
    report::Group& group =
        detail.AddGroup(CGridReportSink::FieldName(choice == kClassLists ? kColClass : kColRoom));
    group.header.height = 0.001;
    group.header.style = report::GroupKeepWithDetail | report::GroupKeepTogether;
    group.footer.height = 0.001;
    group.pageBreakBefore = true;

    report::TextBox& note = rpt.ReportFooter().AddTextBox(report::ItemStaticBox);
    note.text = QString::fromUtf8(kRoomNote);
    note.color = QColor(0, 0, 255);
    note.left = 0;
    note.top = 0;
    note.width = 8.2;
    note.height = 0.58;
    rpt.ReportFooter().height = 0.58;

    report::Section& footer = rpt.PageFooter();
    footer.height = 0.8;
    report::TextBox& pages = footer.AddTextBox(report::ItemMemoBox);
    pages.text = QString::fromUtf8(kPageFooterText);
    pages.anchor = report::AnchorLeft | report::AnchorTop;
    pages.textAlign = report::AlignCenter | report::AlignTop;
}

} // namespace

void BuildRoomReport(report::IReport& rpt, const IReportRowSource& rows, int choice, const QString& gradeText,
                     const QString& programDirectory) {
    if (choice == kDeskLabels)
        BuildLabels(rpt, programDirectory);
    else
        BuildLists(rpt, rows, choice, gradeText);
}

} // namespace examroom

void CRoomReportSink::SetOutputChoice(const int* choice) {
    SetColumnFilter([choice](int column) { return examroom::IsPrintedColumn(choice ? *choice : 0, column); });
}
