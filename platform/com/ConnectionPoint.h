#pragma once
// Connection points: how an event source finds the sinks that want its events. The container
// hands out one connection point per event interface; Advise keeps a counted reference to the
// sink and answers a cookie, Unadvise drops it again.

#include "platform/com/Dispatch.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

namespace com {

inline constexpr Guid IID_IConnectionPointContainer = MakeGuid("{B196B284-BAB4-101A-B69C-00AA00341D07}");
inline constexpr Guid IID_IConnectionPoint = MakeGuid("{B196B286-BAB4-101A-B69C-00AA00341D07}");

class IConnectionPoint : public IUnknown {
public:
    virtual HRESULT GetConnectionInterface(Guid* iid) = 0;
    virtual HRESULT Advise(IUnknown* sink, std::uint32_t* cookie) = 0;
    virtual HRESULT Unadvise(std::uint32_t cookie) = 0;
};

class IConnectionPointContainer : public IUnknown {
public:
    // The connection point of event interface `iid` (one reference); CONNECT_E_NOCONNECTION when
    // the object raises no such events.
    virtual HRESULT FindConnectionPoint(const Guid& iid, IConnectionPoint** out) = 0;
};

// A connection point living inside its event source: its references are the source's, so it
// stays valid as long as anyone holds either.
class ConnectionPoint final : public IConnectionPoint {
public:
    ConnectionPoint(IUnknown& owner, const Guid& eventIid) : m_owner(owner), m_eventIid(eventIid) {}
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;
    ~ConnectionPoint() = default;

    HRESULT QueryInterface(const Guid& iid, void** out) override;
    std::uint32_t AddRef() override { return m_owner.AddRef(); }
    std::uint32_t Release() override { return m_owner.Release(); }

    HRESULT GetConnectionInterface(Guid* iid) override;
    // The sink must answer the event interface or IDispatch (CONNECT_E_CANNOTCONNECT otherwise).
    HRESULT Advise(IUnknown* sink, std::uint32_t* cookie) override;
    HRESULT Unadvise(std::uint32_t cookie) override;

    // Calls `fn` for each connected sink. The list is copied first, so a sink may unadvise
    // during its event.
    void ForEachSink(const std::function<void(IDispatch&)>& fn) const;
    std::size_t SinkCount() const;
    // Drops every connection (the source is going away).
    void UnadviseAll();

private:
    IUnknown& m_owner;
    Guid m_eventIid;
    mutable std::mutex m_mutex;
    std::vector<std::pair<std::uint32_t, ComPtr<IDispatch>>> m_sinks;
    std::uint32_t m_nextCookie = 1;
};

} // namespace com
