#pragma once
// The report component: a COM object, created by its class id, that keeps a report definition,
// asks its event sinks for the records when it is shown (the record-fetch event), and lays the
// report out into pages for the preview, the printer or a PDF file.
//
// Calls that fail throw com::ComError with the result and IID_IReport, as the raising wrappers
// of a COM server's interface do.

#include "platform/com/ConnectionPoint.h"
#include "platform/com/Dispatch.h"
#include "platform/report/Definition.h"
#include "platform/report/Recordset.h"

#include <QString>

namespace report {

inline constexpr com::Guid CLSID_Report = com::MakeGuid("{13C28AD0-F195-4319-B7D7-A1BDAA329FB5}");
inline constexpr com::Guid IID_IReport = com::MakeGuid("{4FA44042-1421-46DE-9ACA-A44753FF06C6}");
inline constexpr com::Guid DIID_IReportEvents = com::MakeGuid("{330F80F5-4568-4F70-BFCB-683D3B90FEBB}");
inline constexpr com::Guid LIBID_Report = com::MakeGuid("{715CBE0F-4F50-46EF-B009-CACED3A5C865}");
inline constexpr std::uint16_t ReportLibMajor = 3;
inline constexpr std::uint16_t ReportLibMinor = 0;

// Dispatch ids of the events (the event interface's members).
namespace event {
inline constexpr com::DispId Initialize = 1;        // no argument; Show starts
inline constexpr com::DispId FetchRecord = 2;       // VARIANT_BOOL* eof; the sink appends the records
inline constexpr com::DispId BeforePostRecord = 3;  // no argument
inline constexpr com::DispId OutputError = 4;       // BSTR: why the output failed
inline constexpr com::DispId SectionFormat = 20;    // IUnknown*
inline constexpr com::DispId GroupBegin = 30;       // IUnknown*
inline constexpr com::DispId PrintBegin = 40;       // no argument
inline constexpr com::DispId PrintEnd = 41;         // no argument
inline constexpr com::DispId FieldDisplayText = 50; // IUnknown*
inline constexpr com::DispId ControlDraw = 51;      // IUnknown*
inline constexpr com::DispId PageBegin = 52;
inline constexpr com::DispId PageEnd = 53;
inline constexpr com::DispId PreviewOpen = 54;
inline constexpr com::DispId PreviewClose = 55;
} // namespace event

class IReport : public com::IUnknown {
public:
    // Forgets the definition, the fields and the records (a new report); the page becomes the
    // one chosen with 报表打印设置.
    virtual void Reset() = 0;
    virtual void SetFontSize(double points) = 0;
    // The title of the print job (and of the preview window).
    virtual void SetTitle(const QString& title) = 0;
    virtual QString Title() const = 0;

    virtual PageSetup& Page() = 0;
    // The sections; asking for one creates it.
    virtual Section& PageHeader() = 0;
    virtual Section& PageFooter() = 0;
    virtual Section& ReportHeader() = 0;
    virtual Section& ReportFooter() = 0;
    // The detail table; asking for it creates it.
    virtual DetailGrid& Detail() = 0;
    // The record set: its fields are declared while the report is defined, its records are
    // appended by the sinks during Show.
    virtual Recordset& Records() = 0;
    // A declared field by name; throws com::ComError (DISP_E_UNKNOWNNAME) for an unknown one.
    virtual Field& FieldByName(const QString& name) = 0;

    // Replaces the definition by the template file's (our own text format). When the file is
    // missing or malformed the report takes the default label layout and the answer is false.
    virtual bool LoadFromFile(const QString& path) = 0;

    // Fetches the records from the sinks and shows the preview, from which the user can print.
    // `fitWidth` opens it zoomed to the page width instead of the whole page.
    virtual void Show(bool fitWidth) = 0;
    // Fetches the records and prints, after the print dialog when `showPrintDialog`.
    virtual void Print(bool showPrintDialog) = 0;
    // Fetches the records and writes the report to a PDF file; false when it cannot be written.
    virtual bool ExportPdf(const QString& path) = 0;

    virtual const ReportDefinition& Definition() const = 0;

protected:
    ~IReport() = default;
};

// Registers the component's class and its event type library (once; later calls do nothing).
void RegisterComponent();

// Creates a component directly (registering it first), for tools and tests.
com::ComPtr<IReport> CreateReport();

} // namespace report
