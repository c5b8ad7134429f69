#include "platform/com/Dispatch.h"

#include <map>
#include <mutex>
#include <tuple>

namespace com {

namespace {
// One reference-counting pattern for the two description classes.
template <typename T> HRESULT QueryOwn(T* self, const Guid& own, const Guid& iid, void** out) {
    if (!out)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == own) {
        *out = static_cast<IUnknown*>(self);
        self->AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

struct LibKey {
    Guid libid;
    std::uint16_t major;
    std::uint16_t minor;
    bool operator<(const LibKey& o) const {
        const auto a = std::tie(libid.data1, libid.data2, libid.data3, libid.data4, major, minor);
        const auto b = std::tie(o.libid.data1, o.libid.data2, o.libid.data3, o.libid.data4, o.major, o.minor);
        return a < b;
    }
};

std::mutex& RegistryMutex() {
    static std::mutex m;
    return m;
}
std::map<LibKey, ComPtr<TypeLib>>& Registry() {
    static std::map<LibKey, ComPtr<TypeLib>> r;
    return r;
}
} // namespace

TypeInfo::TypeInfo(const Guid& iid, QString name, std::vector<FuncDesc> funcs)
    : m_iid(iid), m_name(std::move(name)), m_funcs(std::move(funcs)) {}

ComPtr<TypeInfo> TypeInfo::Create(const Guid& iid, QString name, std::vector<FuncDesc> funcs) {
    return ComPtr<TypeInfo>(new TypeInfo(iid, std::move(name), std::move(funcs)));
}

HRESULT TypeInfo::QueryInterface(const Guid& iid, void** out) {
    return QueryOwn(this, IID_ITypeInfo, iid, out);
}
std::uint32_t TypeInfo::AddRef() {
    return ++m_refs;
}
std::uint32_t TypeInfo::Release() {
    const std::uint32_t n = --m_refs;
    if (n == 0)
        delete this;
    return n;
}

const FuncDesc* TypeInfo::FindFunc(DispId memid) const {
    for (const FuncDesc& f : m_funcs)
        if (f.memid == memid)
            return &f;
    return nullptr;
}

HRESULT TypeInfo::GetIDsOfNames(const QString* names, std::uint32_t count, DispId* ids) const {
    if (count > 0 && (!names || !ids))
        return E_POINTER;
    HRESULT hr = S_OK;
    for (std::uint32_t i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        for (const FuncDesc& f : m_funcs)
            if (f.name.compare(names[i], Qt::CaseInsensitive) == 0)
                ids[i] = f.memid;
        if (ids[i] == DISPID_UNKNOWN)
            hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

TypeLib::TypeLib(const Guid& libid, std::uint16_t major, std::uint16_t minor,
                 std::vector<ComPtr<TypeInfo>> infos)
    : m_libid(libid), m_major(major), m_minor(minor), m_infos(std::move(infos)) {}

ComPtr<TypeLib> TypeLib::Create(const Guid& libid, std::uint16_t major, std::uint16_t minor,
                                std::vector<ComPtr<TypeInfo>> infos) {
    return ComPtr<TypeLib>(new TypeLib(libid, major, minor, std::move(infos)));
}

HRESULT TypeLib::QueryInterface(const Guid& iid, void** out) {
    return QueryOwn(this, IID_ITypeLib, iid, out);
}
std::uint32_t TypeLib::AddRef() {
    return ++m_refs;
}
std::uint32_t TypeLib::Release() {
    const std::uint32_t n = --m_refs;
    if (n == 0)
        delete this;
    return n;
}

HRESULT TypeLib::GetTypeInfoOfGuid(const Guid& iid, TypeInfo** out) const {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    for (const auto& info : m_infos)
        if (info->Iid() == iid) {
            *out = info.Get();
            info->AddRef();
            return S_OK;
        }
    return TYPE_E_ELEMENTNOTFOUND;
}

HRESULT RegisterTypeLib(TypeLib* lib) {
    if (!lib)
        return E_POINTER;
    std::lock_guard lock(RegistryMutex());
    Registry()[LibKey{lib->LibId(), lib->Major(), lib->Minor()}] = ComPtr<TypeLib>(lib);
    return S_OK;
}

HRESULT UnregisterTypeLib(const Guid& libid, std::uint16_t major, std::uint16_t minor) {
    std::lock_guard lock(RegistryMutex());
    return Registry().erase(LibKey{libid, major, minor}) ? S_OK : TYPE_E_LIBNOTREGISTERED;
}

HRESULT LoadRegTypeLib(const Guid& libid, std::uint16_t major, std::uint16_t minor, TypeLib** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    std::lock_guard lock(RegistryMutex());
    TypeLib* best = nullptr;
    for (const auto& [key, lib] : Registry())
        if (key.libid == libid && key.major == major && key.minor >= minor &&
            (!best || key.minor > best->Minor()))
            best = lib.Get();
    if (!best)
        return TYPE_E_LIBNOTREGISTERED;
    best->AddRef();
    *out = best;
    return S_OK;
}

} // namespace com
