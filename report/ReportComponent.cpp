#include "report/ReportComponent.h"

#include "platform/com/ComError.h"
#include "platform/com/Registry.h"

report::IReport& CReportComponent::Report() const {
    if (!m_pReport)
        throw com::ComError(com::E_POINTER, report::IID_IReport);
    return *m_pReport;
}

void CReportComponent::CreateComponent() {
    report::RegisterComponent();
    com::ComPtr<com::IUnknown> unknown;
    if (com::Failed(com::CoCreateInstance(report::CLSID_Report, nullptr,
                                          com::CLSCTX_INPROC_SERVER | com::CLSCTX_INPROC_HANDLER |
                                              com::CLSCTX_LOCAL_SERVER,
                                          com::IID_IUnknown, unknown.ReleaseAndGetVoidAddressOf())))
        return;
    if (com::Failed(com::OleRun(unknown.Get())))
        return;
    m_pReport = unknown.As<report::IReport>(report::IID_IReport);
}

void CReportComponent::Attach(CReportEventSink* sink, QWidget* dialog) {
    m_pSink = com::ComPtr<CReportEventSink>(sink);
    m_pSink->SetReport(m_pReport.Get());
    m_pSink->SetDialog(dialog);
    if (m_pReport)
        m_pSink->Connect(); // a refused connection only means no records later
}

void CReportComponent::Release() {
    if (m_pSink)
        m_pSink->Disconnect();
    m_pSink.Reset();
    m_pReport.Reset();
}
