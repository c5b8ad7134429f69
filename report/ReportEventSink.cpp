#include "report/ReportEventSink.h"

#include "platform/com/ComError.h"
#include "platform/com/ConnectionPoint.h"
#include "platform/com/Registry.h"

#include <optional>
#include <variant>
#include <vector>

namespace {

using NoArg = void (CReportEventSink::*)();
using BoolRefArg = void (CReportEventSink::*)(com::VariantBool*);
using StringArg = void (CReportEventSink::*)(const QString&);
using UnknownArg = void (CReportEventSink::*)(com::IUnknown*);
using Handler = std::variant<NoArg, BoolRefArg, StringArg, UnknownArg>;

struct SinkEntry {
    com::Guid iid;
    com::DispId id;
    Handler handler;
    std::optional<com::FuncDesc> info; // fixed description; otherwise looked up in the type library
};

std::optional<com::FuncDesc> OneArg(com::DispId id, com::VarType vt) {
    return com::FuncDesc{id, QString(), com::CallConv::StdCall, com::VT_EMPTY, {vt}};
}

const std::vector<SinkEntry>& SinkMap() {
    namespace ev = report::event;
    const com::Guid& iid = report::DIID_IReportEvents;
    static const std::vector<SinkEntry> map{
        {iid, ev::Initialize, &CReportEventSink::OnInitialize, std::nullopt},
        {iid, ev::FetchRecord, &CReportEventSink::OnFetchRecord,
         OneArg(ev::FetchRecord, com::VT_BYREF | com::VT_BOOL)},
        {iid, ev::BeforePostRecord, &CReportEventSink::OnBeforePostRecord, std::nullopt},
        {iid, ev::OutputError, &CReportEventSink::OnOutputError, OneArg(ev::OutputError, com::VT_BSTR)},
        {iid, ev::SectionFormat, &CReportEventSink::OnSectionFormat,
         OneArg(ev::SectionFormat, com::VT_UNKNOWN)},
        {iid, ev::GroupBegin, &CReportEventSink::OnGroupBegin, OneArg(ev::GroupBegin, com::VT_UNKNOWN)},
        {iid, ev::PrintBegin, &CReportEventSink::OnPrintBegin, std::nullopt},
        {iid, ev::PrintEnd, &CReportEventSink::OnPrintEnd, std::nullopt},
        {iid, ev::FieldDisplayText, &CReportEventSink::OnFieldDisplayText,
         OneArg(ev::FieldDisplayText, com::VT_UNKNOWN)},
        {iid, ev::ControlDraw, &CReportEventSink::OnControlDraw, OneArg(ev::ControlDraw, com::VT_UNKNOWN)},
        {iid, ev::PageBegin, &CReportEventSink::OnPageBegin, std::nullopt},
        {iid, ev::PageEnd, &CReportEventSink::OnPageEnd, std::nullopt},
        {iid, ev::PreviewOpen, &CReportEventSink::OnPreviewOpen, std::nullopt},
        {iid, ev::PreviewClose, &CReportEventSink::OnPreviewClose, std::nullopt},
    };
    return map;
}

// The argument types each handler takes.
std::vector<com::VarType> HandlerParams(const Handler& h) {
    switch (h.index()) {
    case 1:
        return {com::VT_BYREF | com::VT_BOOL};
    case 2:
        return {com::VT_BSTR};
    case 3:
        return {com::VT_UNKNOWN};
    default:
        return {};
    }
}

bool SameType(com::VarType described, com::VarType given) {
    if (described == given)
        return true;
    // An interface is an interface: a dispatch pointer serves where IUnknown is described.
    return described == com::VT_UNKNOWN && given == com::VT_DISPATCH;
}

} // namespace

CReportEventSink::CReportEventSink() {
    com::LockModule();
}

CReportEventSink::~CReportEventSink() {
    // A Release of our own from the members' destruction must not come back here.
    m_refs = 1;
    com::UnlockModule();
    m_pReport.Reset();
}

com::HRESULT CReportEventSink::QueryInterface(const com::Guid& iid, void** out) {
    if (!out)
        return com::E_POINTER;
    if (iid == m_iid || iid == com::IID_IDispatch) {
        *out = static_cast<com::IDispatch*>(this);
        AddRef();
        return com::S_OK;
    }
    return InternalQueryInterface(iid, out);
}

com::HRESULT CReportEventSink::InternalQueryInterface(const com::Guid& iid, void** out) {
    if (!out)
        return com::E_POINTER;
    if (iid == com::IID_IUnknown) {
        *out = static_cast<com::IUnknown*>(this);
        AddRef();
        return com::S_OK;
    }
    *out = nullptr;
    return com::E_NOINTERFACE;
}

std::uint32_t CReportEventSink::AddRef() {
    return static_cast<std::uint32_t>(++m_refs);
}

std::uint32_t CReportEventSink::Release() {
    const std::int32_t n = --m_refs;
    if (n == 0)
        delete this;
    return static_cast<std::uint32_t>(n);
}

com::HRESULT CReportEventSink::LoadTypeInfo(com::TypeInfo** out) {
    std::lock_guard lock(m_section);
    if (!m_typeInfo) {
        com::ComPtr<com::TypeLib> lib;
        const com::HRESULT hr =
            com::LoadRegTypeLib(m_libid, m_wMajor, m_wMinor, lib.ReleaseAndGetAddressOf());
        if (com::Failed(hr))
            return hr;
        const com::HRESULT hr2 = lib->GetTypeInfoOfGuid(m_iid, m_typeInfo.ReleaseAndGetAddressOf());
        if (com::Failed(hr2))
            return hr2;
    }
    *out = m_typeInfo.Get();
    m_typeInfo->AddRef();
    return com::S_OK;
}

com::HRESULT CReportEventSink::GetTypeInfoCount(std::uint32_t* count) {
    if (!count)
        return com::E_POINTER;
    *count = 1;
    return com::S_OK;
}

com::HRESULT CReportEventSink::GetTypeInfo(std::uint32_t index, std::uint32_t, com::TypeInfo** out) {
    if (!out)
        return com::E_POINTER;
    *out = nullptr;
    if (index != 0)
        return com::DISP_E_BADINDEX;
    return LoadTypeInfo(out);
}

com::HRESULT CReportEventSink::GetIDsOfNames(const com::Guid&, const QString* names, std::uint32_t count,
                                             std::uint32_t, com::DispId* ids) {
    com::ComPtr<com::TypeInfo> info;
    const com::HRESULT hr = LoadTypeInfo(info.ReleaseAndGetAddressOf());
    if (com::Failed(hr))
        return hr;
    return info->GetIDsOfNames(names, count, ids);
}

com::HRESULT CReportEventSink::GetFuncInfoFromId(const com::Guid& iid, com::DispId id, std::uint32_t,
                                                 com::FuncDesc& info) {
    if (iid != m_iid)
        return com::E_FAIL;
    com::ComPtr<com::TypeInfo> typeInfo;
    const com::HRESULT hr = LoadTypeInfo(typeInfo.ReleaseAndGetAddressOf());
    if (com::Failed(hr))
        return hr;
    const com::FuncDesc* f = typeInfo->FindFunc(id);
    if (!f)
        return com::DISP_E_MEMBERNOTFOUND;
    info = *f;
    return com::S_OK;
}

com::HRESULT CReportEventSink::Invoke(com::DispId id, const com::Guid&, std::uint32_t lcid, std::uint16_t,
                                      com::DispParams* params, com::Variant*, com::ExcepInfo*,
                                      std::uint32_t* argErr) {
    const SinkEntry* entry = nullptr;
    for (const SinkEntry& e : SinkMap())
        if (e.iid == m_iid && e.id == id) {
            entry = &e;
            break;
        }
    if (!entry)
        return com::S_OK;

    com::FuncDesc info;
    if (entry->info)
        info = *entry->info;
    else if (com::Failed(GetFuncInfoFromId(m_iid, id, lcid, info)))
        return com::S_OK;

    // The description must be the handler's own, and the arguments must be the described ones.
    const std::vector<com::Variant> none;
    const std::vector<com::Variant>& args = params ? params->args : none;
    if (info.params != HandlerParams(entry->handler) || args.size() != info.params.size())
        return com::DISP_E_BADPARAMCOUNT;
    for (std::size_t i = 0; i < args.size(); ++i)
        if (!SameType(info.params[args.size() - 1 - i], args[i].Type())) {
            if (argErr)
                *argErr = static_cast<std::uint32_t>(i);
            return com::DISP_E_TYPEMISMATCH;
        }

    // Keeps the sink alive through its handler, which may drop the last outside reference.
    const com::ComPtr<CReportEventSink> self(this);
    std::visit(
        [&](auto handler) {
            using H = decltype(handler);
            if constexpr (std::is_same_v<H, NoArg>)
                (this->*handler)();
            else if constexpr (std::is_same_v<H, BoolRefArg>)
                (this->*handler)(args[0].ToBoolRef());
            else if constexpr (std::is_same_v<H, StringArg>)
                (this->*handler)(args[0].ToString());
            else
                (this->*handler)(args[0].ToUnknown());
        },
        entry->handler);
    return com::S_OK;
}

void CReportEventSink::SetReport(report::IReport* report) {
    m_pReport = com::ComPtr<report::IReport>(report);
}

report::IReport& CReportEventSink::RequireReport() const {
    if (!m_pReport)
        throw com::ComError(com::E_POINTER, report::IID_IReport);
    return *m_pReport;
}

com::HRESULT CReportEventSink::Connect() {
    if (!m_pReport)
        return com::E_POINTER;
    auto container = m_pReport.As<com::IConnectionPointContainer>(com::IID_IConnectionPointContainer);
    if (!container)
        return com::E_NOINTERFACE;
    com::ComPtr<com::IConnectionPoint> point;
    com::HRESULT hr = container->FindConnectionPoint(m_iid, point.ReleaseAndGetAddressOf());
    if (com::Failed(hr))
        return hr;
    std::uint32_t cookie = 0;
    hr = point->Advise(static_cast<com::IDispatch*>(this), &cookie);
    if (com::Succeeded(hr))
        m_cookie = cookie;
    return hr;
}

void CReportEventSink::Disconnect() {
    // Our own reference: the connection point may hold the last outside one.
    const com::ComPtr<CReportEventSink> self(this);
    if (m_pReport && m_cookie != kNoCookie) {
        if (auto container =
                m_pReport.As<com::IConnectionPointContainer>(com::IID_IConnectionPointContainer)) {
            com::ComPtr<com::IConnectionPoint> point;
            if (com::Succeeded(container->FindConnectionPoint(m_iid, point.ReleaseAndGetAddressOf())))
                point->Unadvise(m_cookie);
        }
    }
    m_cookie = kNoCookie;
    m_pDialog = nullptr;
    m_pReport.Reset();
}
