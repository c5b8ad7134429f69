#include "platform/com/ConnectionPoint.h"

#include <algorithm>

namespace com {

HRESULT ConnectionPoint::QueryInterface(const Guid& iid, void** out) {
    if (!out)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
        *out = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT ConnectionPoint::GetConnectionInterface(Guid* iid) {
    if (!iid)
        return E_POINTER;
    *iid = m_eventIid;
    return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, std::uint32_t* cookie) {
    if (!sink || !cookie)
        return E_POINTER;
    *cookie = 0;
    ComPtr<IDispatch> dispatch;
    if (Failed(sink->QueryInterface(m_eventIid, dispatch.ReleaseAndGetVoidAddressOf())) &&
        Failed(sink->QueryInterface(IID_IDispatch, dispatch.ReleaseAndGetVoidAddressOf())))
        return CONNECT_E_CANNOTCONNECT;
    std::lock_guard lock(m_mutex);
    *cookie = m_nextCookie++;
    m_sinks.emplace_back(*cookie, std::move(dispatch));
    return S_OK;
}

HRESULT ConnectionPoint::Unadvise(std::uint32_t cookie) {
    ComPtr<IDispatch> dropped; // released outside the lock: the sink's destructor may call back
    {
        std::lock_guard lock(m_mutex);
        const auto it =
            std::find_if(m_sinks.begin(), m_sinks.end(), [&](const auto& s) { return s.first == cookie; });
        if (it == m_sinks.end())
            return CONNECT_E_NOCONNECTION;
        dropped = std::move(it->second);
        m_sinks.erase(it);
    }
    return S_OK;
}

void ConnectionPoint::ForEachSink(const std::function<void(IDispatch&)>& fn) const {
    std::vector<ComPtr<IDispatch>> sinks;
    {
        std::lock_guard lock(m_mutex);
        for (const auto& s : m_sinks)
            sinks.push_back(s.second);
    }
    for (const auto& s : sinks)
        fn(*s);
}

std::size_t ConnectionPoint::SinkCount() const {
    std::lock_guard lock(m_mutex);
    return m_sinks.size();
}

void ConnectionPoint::UnadviseAll() {
    std::vector<std::pair<std::uint32_t, ComPtr<IDispatch>>> dropped;
    std::lock_guard lock(m_mutex);
    dropped.swap(m_sinks);
}

} // namespace com
