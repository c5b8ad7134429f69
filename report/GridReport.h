#pragma once
// The report definition every report dialog builds from its grid: a title box in the page
// header, one text field "fld%02d" and one table column per grid column (captioned with the
// column's title-row text, as wide as the grid column times the dialog's width factor), and the
// page footer with the page number and count. The dialogs differ only in the values of
// GridReportLayout.

#include "report/ReportRowSource.h"

#include "platform/report/Report.h"

#include <QString>

#include <functional>
#include <vector>

class QWidget;

// A caption printed over the captions of the grid columns first … last.
struct GridColumnGroup {
    QString title;
    int firstColumn = 0;
    int lastColumn = 0;
};

struct GridReportLayout {
    QString caption;     // the report's title: the dialog's caption
    QString titleSuffix; // appended in the title box, e.g. "(1)"
    double widthFactor = 0.26;
    int captionStyle = report::CaptionsOnEveryPage; // style code of the caption row (2, 3 or 4)
    bool groupByFirstColumn = false;                // one group per value of "fld00"
    std::vector<GridColumnGroup> columnGroups;      // captions over runs of columns
    // The caption of a column from its title-row text; empty: that text as it stands.
    std::function<QString(int column, const QString& header)> columnCaption;
    // Non-zero: every column's caption and contents take this alignment (report::Align bits);
    // the values of a number column still print right-aligned.
    int columnAlign = 0;
};

inline constexpr const char* kPageFooterText = "第[#SystemVar(PageNumber)#]页 共[#SystemVar(PageCount)#]页";

// Rebuilds the report's definition from the rows (it does not show the report).
void BuildGridReport(report::IReport& report, const IReportRowSource& rows, const GridReportLayout& layout);

// Runs a report command of a dialog's button: a com::ComError (or other failure) thrown by the
// report is shown once in a message box and the dialog goes on. False when it failed.
bool RunReportCommand(QWidget* parent, const std::function<void()>& command);
