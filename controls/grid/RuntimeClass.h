#pragma once
// Run-time classes with dynamic creation: a class is named by a CRuntimeClass record that knows
// its base and can make a new object of it, so a caller can hand the grid "the class of check-box
// cells" and the grid makes the cells.
//
// A class takes part by declaring
//     static constexpr const char* ClassName = "CMyCell";
//     using BaseClass = CGridCell;
//     const CRuntimeClass* GetRuntimeClass() const override { return RuntimeClass<CMyCell>(); }
// and RuntimeClass<CMyCell>() is its record. Abstract classes get a record that cannot create.

#include <cstring>
#include <memory>
#include <type_traits>

class CObject;

struct CRuntimeClass {
    const char* m_lpszClassName;
    const CRuntimeClass* m_pBaseClass;
    std::unique_ptr<CObject> (*m_pfnCreateObject)();

    // A new object of the class; null for an abstract class.
    std::unique_ptr<CObject> CreateObject() const {
        return m_pfnCreateObject ? m_pfnCreateObject() : nullptr;
    }
    // True when this class is `base` or derives from it.
    bool IsDerivedFrom(const CRuntimeClass* base) const {
        for (const CRuntimeClass* c = this; c; c = c->m_pBaseClass)
            if (c == base)
                return true;
        return false;
    }
};

class CObject {
public:
    static constexpr const char* ClassName = "CObject";
    virtual ~CObject() = default;
    virtual const CRuntimeClass* GetRuntimeClass() const;
    bool IsKindOf(const CRuntimeClass* c) const { return GetRuntimeClass()->IsDerivedFrom(c); }
};

namespace runtime_detail {
template <typename T> std::unique_ptr<CObject> Create() {
    return std::make_unique<T>();
}

template <typename T> const CRuntimeClass* BaseOf();

template <typename T> constexpr auto CreatorOf() {
    using Fn = std::unique_ptr<CObject> (*)();
    if constexpr (std::is_abstract_v<T> || !std::is_default_constructible_v<T>)
        return Fn{nullptr};
    else
        return Fn{&Create<T>};
}
} // namespace runtime_detail

template <typename T> const CRuntimeClass* RuntimeClass() {
    static const CRuntimeClass record{T::ClassName, runtime_detail::BaseOf<T>(),
                                      runtime_detail::CreatorOf<T>()};
    return &record;
}

template <> inline const CRuntimeClass* RuntimeClass<CObject>() {
    static const CRuntimeClass record{CObject::ClassName, nullptr, nullptr};
    return &record;
}

inline const CRuntimeClass* CObject::GetRuntimeClass() const {
    return RuntimeClass<CObject>();
}

namespace runtime_detail {
template <typename T> const CRuntimeClass* BaseOf() {
    return RuntimeClass<typename T::BaseClass>();
}
} // namespace runtime_detail
