#pragma once
// The variant of automation calls, reduced to the types event arguments use: empty, 32-bit
// integer, double, string, boolean, an interface, and a boolean passed by reference.

#include "platform/com/Unknown.h"

#include <QString>

#include <cstdint>
#include <variant>

namespace com {

using VariantBool = std::int16_t;
inline constexpr VariantBool VARIANT_TRUE = -1;
inline constexpr VariantBool VARIANT_FALSE = 0;

using VarType = std::uint16_t;
inline constexpr VarType VT_EMPTY = 0;
inline constexpr VarType VT_NULL = 1;
inline constexpr VarType VT_I4 = 3;
inline constexpr VarType VT_R8 = 5;
inline constexpr VarType VT_BSTR = 8;
inline constexpr VarType VT_DISPATCH = 9;
inline constexpr VarType VT_BOOL = 11;
inline constexpr VarType VT_VARIANT = 12;
inline constexpr VarType VT_UNKNOWN = 13;
inline constexpr VarType VT_BYREF = 0x4000;

class Variant {
public:
    Variant() = default;
    static Variant Int(std::int32_t v) { return Variant(VT_I4, v); }
    static Variant Double(double v) { return Variant(VT_R8, v); }
    static Variant String(const QString& v) { return Variant(VT_BSTR, v); }
    static Variant Bool(bool v) { return Variant(VT_BOOL, v ? VARIANT_TRUE : VARIANT_FALSE); }
    static Variant Unknown(IUnknown* v) { return Variant(VT_UNKNOWN, ComPtr<IUnknown>(v)); }
    // The caller keeps `v` alive for the variant's use.
    static Variant BoolRef(VariantBool* v) { return Variant(VT_BYREF | VT_BOOL, v); }

    VarType Type() const { return m_vt; }

    // The value when the variant has that type; a default value otherwise.
    std::int32_t ToInt() const;
    double ToDouble() const;
    QString ToString() const;
    bool ToBool() const;
    IUnknown* ToUnknown() const;
    VariantBool* ToBoolRef() const;

private:
    using Value = std::variant<std::monostate, std::int32_t, double, QString, VariantBool, ComPtr<IUnknown>,
                               VariantBool*>;
    template <typename T> Variant(VarType vt, T v) : m_vt(vt), m_value(std::move(v)) {}

    VarType m_vt = VT_EMPTY;
    Value m_value;
};

} // namespace com
