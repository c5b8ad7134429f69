#pragma once
// What a report dialog keeps of the report component: the component itself and its connected
// event sink. Created in the dialog's initialisation; the destructor disconnects the sink and
// releases both, so nothing outlives the dialog.

#include "report/ReportEventSink.h"

#include "platform/com/Unknown.h"
#include "platform/report/Report.h"

#include <utility>

class QWidget;

class CReportComponent {
public:
    CReportComponent() = default;
    CReportComponent(const CReportComponent&) = delete;
    CReportComponent& operator=(const CReportComponent&) = delete;
    ~CReportComponent() { Release(); }

    // Creates the component by its class id, runs it and keeps its report interface, then makes a
    // sink of class T (constructed with `args`), gives it the report and the dialog and connects
    // it. A component that cannot be created leaves the report empty, silently (printing then
    // fails at Report()); a connection that fails leaves the sink unconnected. Answers the sink
    // (null when it could not be made).
    template <typename T, typename... Args> T* Create(QWidget* dialog, Args&&... args) {
        Release();
        CreateComponent();
        T* sink = nullptr;
        if (com::Failed(CReportEventSink::CreateInstance(&sink, std::forward<Args>(args)...)))
            return nullptr;
        Attach(sink, dialog);
        return sink;
    }

    // The report interface, or nullptr when the component could not be created.
    report::IReport* Get() const { return m_pReport.Get(); }
    // The report interface; com::ComError (E_POINTER) when there is none.
    report::IReport& Report() const;
    CReportEventSink* Sink() const { return m_pSink.Get(); }

    // Disconnects the sink and releases the sink and the component.
    void Release();

private:
    void CreateComponent();
    void Attach(CReportEventSink* sink, QWidget* dialog);

    com::ComPtr<report::IReport> m_pReport;
    com::ComPtr<CReportEventSink> m_pSink;
};
