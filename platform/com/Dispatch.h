#pragma once
// Late-bound calls by dispatch id (IDispatch) and the type information that describes them: a type
// library holds one type info per interface, each a list of function descriptions. Libraries are
// registered by id and version and loaded from that registry, as COM loads registered ones.

#include "platform/com/Unknown.h"
#include "platform/com/Variant.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <vector>

namespace com {

inline constexpr Guid IID_IDispatch = MakeGuid("{00020400-0000-0000-C000-000000000046}");
inline constexpr Guid IID_ITypeInfo = MakeGuid("{00020401-0000-0000-C000-000000000046}");
inline constexpr Guid IID_ITypeLib = MakeGuid("{00020402-0000-0000-C000-000000000046}");

using DispId = std::int32_t;
inline constexpr DispId DISPID_UNKNOWN = -1;

inline constexpr std::uint16_t DISPATCH_METHOD = 1;
inline constexpr std::uint16_t DISPATCH_PROPERTYGET = 2;
inline constexpr std::uint16_t DISPATCH_PROPERTYPUT = 4;

enum class CallConv { Cdecl = 1, StdCall = 4 };

// Arguments in reverse order, last argument first, as automation passes them.
struct DispParams {
    std::vector<Variant> args;
    std::vector<DispId> namedArgs;
};

struct ExcepInfo {
    std::uint16_t code = 0;
    QString source;
    QString description;
    HRESULT scode = S_OK;
};

struct FuncDesc {
    DispId memid = DISPID_UNKNOWN;
    QString name;
    CallConv callConv = CallConv::StdCall;
    VarType result = VT_EMPTY; // VT_EMPTY: no result
    std::vector<VarType> params;
};

// The description of one interface.
class TypeInfo final : public IUnknown {
public:
    static ComPtr<TypeInfo> Create(const Guid& iid, QString name, std::vector<FuncDesc> funcs);

    HRESULT QueryInterface(const Guid& iid, void** out) override;
    std::uint32_t AddRef() override;
    std::uint32_t Release() override;

    const Guid& Iid() const { return m_iid; }
    const QString& Name() const { return m_name; }
    std::size_t FuncCount() const { return m_funcs.size(); }
    const FuncDesc& Func(std::size_t index) const { return m_funcs[index]; }

    // The description of member `memid`, or nullptr.
    const FuncDesc* FindFunc(DispId memid) const;
    // Dispatch ids of member names (case-insensitive, as automation matches them); DISPID_UNKNOWN
    // and DISP_E_UNKNOWNNAME for a name the interface lacks.
    HRESULT GetIDsOfNames(const QString* names, std::uint32_t count, DispId* ids) const;

private:
    TypeInfo(const Guid& iid, QString name, std::vector<FuncDesc> funcs);
    ~TypeInfo() = default;

    std::atomic<std::uint32_t> m_refs{0};
    Guid m_iid;
    QString m_name;
    std::vector<FuncDesc> m_funcs;
};

class TypeLib final : public IUnknown {
public:
    static ComPtr<TypeLib> Create(const Guid& libid, std::uint16_t major, std::uint16_t minor,
                                  std::vector<ComPtr<TypeInfo>> infos);

    HRESULT QueryInterface(const Guid& iid, void** out) override;
    std::uint32_t AddRef() override;
    std::uint32_t Release() override;

    const Guid& LibId() const { return m_libid; }
    std::uint16_t Major() const { return m_major; }
    std::uint16_t Minor() const { return m_minor; }

    // The type info of interface `iid` with a new reference; TYPE_E_ELEMENTNOTFOUND when absent.
    HRESULT GetTypeInfoOfGuid(const Guid& iid, TypeInfo** out) const;

private:
    TypeLib(const Guid& libid, std::uint16_t major, std::uint16_t minor, std::vector<ComPtr<TypeInfo>> infos);
    ~TypeLib() = default;

    std::atomic<std::uint32_t> m_refs{0};
    Guid m_libid;
    std::uint16_t m_major;
    std::uint16_t m_minor;
    std::vector<ComPtr<TypeInfo>> m_infos;
};

// Registers a library (replacing one of the same id and version); null gives E_POINTER.
HRESULT RegisterTypeLib(TypeLib* lib);
HRESULT UnregisterTypeLib(const Guid& libid, std::uint16_t major, std::uint16_t minor);
// The registered library of that id with the same major version and at least that minor one
// (the highest such); TYPE_E_LIBNOTREGISTERED when there is none.
HRESULT LoadRegTypeLib(const Guid& libid, std::uint16_t major, std::uint16_t minor, TypeLib** out);

class IDispatch : public IUnknown {
public:
    virtual HRESULT GetTypeInfoCount(std::uint32_t* count) = 0;
    virtual HRESULT GetTypeInfo(std::uint32_t index, std::uint32_t lcid, TypeInfo** out) = 0;
    virtual HRESULT GetIDsOfNames(const Guid& riid, const QString* names, std::uint32_t count,
                                  std::uint32_t lcid, DispId* ids) = 0;
    virtual HRESULT Invoke(DispId id, const Guid& riid, std::uint32_t lcid, std::uint16_t flags,
                           DispParams* params, Variant* result, ExcepInfo* excepInfo,
                           std::uint32_t* argErr) = 0;
};

} // namespace com
