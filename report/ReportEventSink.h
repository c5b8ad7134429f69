#pragma once
// The base of every report dialog's event sink: a COM object implementing the report
// component's event interface by dispatch. Invoke maps each event to a virtual handler; the base
// handlers do nothing, and a dialog's sink overrides the record-fetch handler to feed the
// component one record per grid row.

#include "platform/com/Dispatch.h"
#include "platform/report/Report.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <new>
#include <type_traits>
#include <utility>

class QWidget;

class CReportEventSink : public com::IDispatch {
public:
    static constexpr std::uint32_t kNoCookie = 0xFEFEFEFE;

    // Makes a sink of a concrete class with a reference count of 0 (the caller takes the first
    // reference); a null object and E_OUTOFMEMORY when it cannot be allocated.
    template <typename T, typename... Args> static com::HRESULT CreateInstance(T** out, Args&&... args) {
        static_assert(std::is_base_of_v<CReportEventSink, T>);
        if (!out)
            return com::E_POINTER;
        *out = new (std::nothrow) T(std::forward<Args>(args)...);
        return *out ? com::S_OK : com::E_OUTOFMEMORY;
    }

    // Accepts the event interface, IUnknown and IDispatch.
    com::HRESULT QueryInterface(const com::Guid& iid, void** out) override;
    std::uint32_t AddRef() override;
    // Deletes the sink when the count reaches 0; answers the new count.
    std::uint32_t Release() override;
    // One type info: the event interface's, from the component's registered type library.
    com::HRESULT GetTypeInfoCount(std::uint32_t* count) override;
    com::HRESULT GetTypeInfo(std::uint32_t index, std::uint32_t lcid, com::TypeInfo** out) override;
    com::HRESULT GetIDsOfNames(const com::Guid& riid, const QString* names, std::uint32_t count,
                               std::uint32_t lcid, com::DispId* ids) override;
    // Calls the handler of the event `id`. An id outside the event table, or one whose
    // description cannot be found, answers S_OK without calling anything; arguments that do not
    // match the description answer DISP_E_BADPARAMCOUNT or DISP_E_TYPEMISMATCH, uncalled.
    // Exceptions of a handler pass through to the component's caller.
    com::HRESULT Invoke(com::DispId id, const com::Guid& riid, std::uint32_t lcid, std::uint16_t flags,
                        com::DispParams* params, com::Variant* result, com::ExcepInfo* excepInfo,
                        std::uint32_t* argErr) override;

    // The description of event `id` from the type library.
    virtual com::HRESULT GetFuncInfoFromId(const com::Guid& iid, com::DispId id, std::uint32_t lcid,
                                           com::FuncDesc& info);
    // IUnknown only: the object's own identity.
    virtual com::HRESULT InternalQueryInterface(const com::Guid& iid, void** out);

    // The events, in the order of their dispatch ids.
    virtual void OnInitialize() {}                           // 1
    virtual void OnFetchRecord(com::VariantBool* eof) {}     // 2
    virtual void OnBeforePostRecord() {}                     // 3
    virtual void OnOutputError(const QString& message) {}    // 4
    virtual void OnSectionFormat(com::IUnknown* section) {}  // 20
    virtual void OnGroupBegin(com::IUnknown* group) {}       // 30
    virtual void OnPrintBegin() {}                           // 40
    virtual void OnPrintEnd() {}                             // 41
    virtual void OnFieldDisplayText(com::IUnknown* field) {} // 50
    virtual void OnControlDraw(com::IUnknown* control) {}    // 51
    virtual void OnPageBegin() {}                            // 52
    virtual void OnPageEnd() {}                              // 53
    virtual void OnPreviewOpen() {}                          // 54
    virtual void OnPreviewClose() {}                         // 55

    std::uint32_t Cookie() const { return m_cookie; }
    QWidget* GetDialog() const { return m_pDialog; }
    void SetDialog(QWidget* dialog) { m_pDialog = dialog; }
    report::IReport* GetReport() const { return m_pReport.Get(); }
    // Takes a reference to the new report and releases the former one.
    void SetReport(report::IReport* report);

    // Advises the sink on the report's event connection point and keeps the cookie; the
    // failing step's result otherwise (the sink stays unconnected).
    com::HRESULT Connect();
    // Undoes Connect and drops the report and dialog, which breaks the reference cycle between
    // the component and its sink. Harmless when not connected.
    void Disconnect();

protected:
    CReportEventSink();
    virtual ~CReportEventSink();

    // The report for a handler's calls; com::ComError (E_POINTER) when none is set.
    report::IReport& RequireReport() const;

private:
    com::HRESULT LoadTypeInfo(com::TypeInfo** out);

    const com::Guid m_libid = report::LIBID_Report;
    const std::uint16_t m_wMajor = report::ReportLibMajor;
    const std::uint16_t m_wMinor = report::ReportLibMinor;
    const com::Guid m_iid = report::DIID_IReportEvents;
    std::uint32_t m_cookie = kNoCookie;
    std::atomic<std::int32_t> m_refs{0};
    std::mutex m_section; // guards the type info loaded on first use
    com::ComPtr<com::TypeInfo> m_typeInfo;
    QWidget* m_pDialog = nullptr;
    com::ComPtr<report::IReport> m_pReport;
};
