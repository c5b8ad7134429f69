#pragma once
// The exam-room printouts: class lists, room lists and desk labels, laid out on the report
// component from the exam-room grid and fed from it by the room report sink.

#include "report/GridReportSink.h"
#include "report/ReportRowSource.h"

#include "platform/report/Report.h"

#include <QString>

namespace examroom {

// The output choices of 功能选择.
enum Output { kClassLists = 0, kRoomLists = 1, kDeskLabels = 2 };

// Grid columns of the exam-room dialog.
enum Column {
    kColStudentId = 0,
    kColClass = 1,
    kColName = 2,
    kColGender = 3,
    kColStream = 4,
    kColRoom = 5,
    kColExamNumber = 6
};

// Whether grid column `column` is printed for `choice`: student number, class, name and exam
// number always, the room too for the room lists and the labels.
bool IsPrintedColumn(int choice, int column);

inline constexpr const char* kRoomNote = "备注：考号前两位是考场号，后两位是考场内编号。";
inline constexpr const char* kLabelTemplateFile = "roomtt.grf";

// The report's title: "班级名单【grade】", "考场名单【grade】" or "桌面标签".
QString RoomReportTitle(int choice, const QString& gradeText);

// Lays out the report for `choice` (nothing is shown). The lists: an A4 page, the title box, the
// columns 学号, 班级, 姓名 and 考号 as wide as the grid shows them, one group per class or room
// that starts its own page, the note at the end and the page numbers at the foot of every page.
// The labels: the template file "roomtt.grf" of `programDirectory` (ending in '/'), the built-in
// layout when it is missing or malformed. Throws com::ComError from the component.
void BuildRoomReport(report::IReport& report, const IReportRowSource& rows, int choice,
                     const QString& gradeText, const QString& programDirectory);

} // namespace examroom

// The exam-room dialog's sink: one record per grid row, with the columns the output choice prints.
class CRoomReportSink : public CGridReportSink {
public:
    // The dialog's output choice, read at every feed.
    void SetOutputChoice(const int* choice);

protected:
    friend class CReportEventSink;
    CRoomReportSink() = default;
};
