#pragma once
// Globally unique identifiers as COM writes them: {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}.

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace com {

struct Guid {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::array<std::uint8_t, 8> data4{};

    friend constexpr bool operator==(const Guid&, const Guid&) = default;

    // The registry form, upper-case, with braces.
    QString ToString() const;

    // Parses the registry form, braces optional; nullopt for anything else.
    static std::optional<Guid> Parse(std::string_view text);
};

namespace detail {
constexpr int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

constexpr std::optional<Guid> ParseGuid(std::string_view s) {
    if (s.size() == 38 && s.front() == '{' && s.back() == '}')
        s = s.substr(1, 36);
    if (s.size() != 36 || s[8] != '-' || s[13] != '-' || s[18] != '-' || s[23] != '-')
        return std::nullopt;
    std::array<std::uint8_t, 16> bytes{};
    int n = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (i == 8 || i == 13 || i == 18 || i == 23)
            continue;
        const int hi = HexDigit(s[i]);
        const int lo = HexDigit(s[i + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        bytes[n++] = static_cast<std::uint8_t>(hi * 16 + lo);
        ++i;
    }
    Guid g;
    g.data1 = (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
              (std::uint32_t{bytes[2]} << 8) | bytes[3];
    g.data2 = static_cast<std::uint16_t>((bytes[4] << 8) | bytes[5]);
    g.data3 = static_cast<std::uint16_t>((bytes[6] << 8) | bytes[7]);
    for (int i = 0; i < 8; ++i)
        g.data4[i] = bytes[8 + i];
    return g;
}
} // namespace detail

// A GUID from a literal, checked at compile time when used in a constant expression.
consteval Guid MakeGuid(std::string_view text) {
    const auto g = detail::ParseGuid(text);
    if (!g)
        throw "malformed GUID literal";
    return *g;
}

inline constexpr Guid GUID_NULL{};

} // namespace com
