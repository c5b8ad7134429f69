#pragma once
// IUnknown and a counted reference to it. Objects count their references themselves and delete
// themselves on the last Release, as COM objects do; ComPtr is the owner's side of that contract.

#include "platform/com/Guid.h"
#include "platform/com/HResult.h"

#include <cstdint>
#include <utility>

namespace com {

inline constexpr Guid IID_IUnknown = MakeGuid("{00000000-0000-0000-C000-000000000046}");

class IUnknown {
public:
    // Writes the object's interface `iid` to *out with one more reference and answers S_OK;
    // E_NOINTERFACE (with *out null) for an interface it lacks, E_POINTER for a null `out`.
    virtual HRESULT QueryInterface(const Guid& iid, void** out) = 0;
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;

protected:
    ~IUnknown() = default; // only Release destroys
};

// A counted reference: adds one on copy, releases on destruction.
template <typename T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes a new reference to `p`.
    explicit ComPtr(T* p) : m_p(p) {
        if (m_p)
            m_p->AddRef();
    }
    ComPtr(const ComPtr& o) : ComPtr(o.m_p) {}
    ComPtr(ComPtr&& o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
    ~ComPtr() { Reset(); }

    ComPtr& operator=(const ComPtr& o) {
        ComPtr(o).Swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& o) noexcept {
        ComPtr(std::move(o)).Swap(*this);
        return *this;
    }
    ComPtr& operator=(std::nullptr_t) {
        Reset();
        return *this;
    }

    // Adopts a reference the caller already owns (as QueryInterface and creators hand them out).
    static ComPtr Adopt(T* p) {
        ComPtr c;
        c.m_p = p;
        return c;
    }
    // Gives up the reference without releasing it.
    T* Detach() { return std::exchange(m_p, nullptr); }

    void Reset() {
        if (T* p = std::exchange(m_p, nullptr))
            p->Release();
    }
    void Swap(ComPtr& o) noexcept { std::swap(m_p, o.m_p); }

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    T& operator*() const { return *m_p; }
    explicit operator bool() const { return m_p != nullptr; }

    // For out parameters: releases what is held and answers the slot to fill.
    T** ReleaseAndGetAddressOf() {
        Reset();
        return &m_p;
    }
    void** ReleaseAndGetVoidAddressOf() { return reinterpret_cast<void**>(ReleaseAndGetAddressOf()); }

    // Asks the object for another interface; an empty pointer when it lacks it.
    template <typename U> ComPtr<U> As(const Guid& iid) const {
        ComPtr<U> u;
        if (m_p)
            m_p->QueryInterface(iid, u.ReleaseAndGetVoidAddressOf());
        return u;
    }

private:
    T* m_p = nullptr;
};

} // namespace com
