#include "platform/com/Variant.h"

namespace com {

namespace {
template <typename T, typename V> T Get(const V& v, T fallback) {
    if (const T* p = std::get_if<T>(&v))
        return *p;
    return fallback;
}
} // namespace

std::int32_t Variant::ToInt() const {
    return m_vt == VT_I4 ? Get<std::int32_t>(m_value, 0) : 0;
}
double Variant::ToDouble() const {
    return m_vt == VT_R8 ? Get<double>(m_value, 0.0) : 0.0;
}
QString Variant::ToString() const {
    return m_vt == VT_BSTR ? Get<QString>(m_value, {}) : QString();
}
bool Variant::ToBool() const {
    return m_vt == VT_BOOL && Get<VariantBool>(m_value, VARIANT_FALSE) != VARIANT_FALSE;
}

IUnknown* Variant::ToUnknown() const {
    if (m_vt != VT_UNKNOWN)
        return nullptr;
    const auto* p = std::get_if<ComPtr<IUnknown>>(&m_value);
    return p ? p->Get() : nullptr;
}

VariantBool* Variant::ToBoolRef() const {
    return m_vt == (VT_BYREF | VT_BOOL) ? Get<VariantBool*>(m_value, nullptr) : nullptr;
}

} // namespace com
