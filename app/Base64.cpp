#include "app/Base64.h"

#include <array>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr unsigned char kSkip = 0xFF;

const std::array<unsigned char, 256>& ReverseTable() {
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> t{};
        t.fill(kSkip);
        for (unsigned char i = 0; i < 64; ++i)
            t[static_cast<unsigned char>(kAlphabet[i])] = i;
        t[static_cast<unsigned char>(' ')] = 62; // a "+" that became a blank
        return t;
    }();
    return table;
}

} // namespace

std::unique_ptr<unsigned char[]> CBase64::Decode(const char* text, std::size_t length, std::size_t& count) {
    count = 0;
    const auto& table = ReverseTable();
    auto out = std::make_unique<unsigned char[]>(length + 1);
    unsigned group[4] = {};
    std::size_t inGroup = 0;
    bool padded = false;
    for (std::size_t i = 0; i < length; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '=') {
            padded = true;
            break;
        }
        const unsigned char v = table[c];
        if (v == kSkip)
            continue;
        group[inGroup++] = v;
        if (inGroup == 4) {
            out[count++] = static_cast<unsigned char>(group[0] << 2 | group[1] >> 4);
            out[count++] = static_cast<unsigned char>((group[1] & 0x0F) << 4 | group[2] >> 2);
            out[count++] = static_cast<unsigned char>((group[2] & 0x03) << 6 | group[3]);
            inGroup = 0;
        }
    }
    if (padded && inGroup < 2) {
        count = 0;
        return nullptr;
    }
    if (inGroup >= 2)
        out[count++] = static_cast<unsigned char>(group[0] << 2 | group[1] >> 4);
    if (inGroup == 3)
        out[count++] = static_cast<unsigned char>((group[1] & 0x0F) << 4 | group[2] >> 2);
    out[count] = 0;
    return out;
}

std::unique_ptr<char[]> CBase64::Encode(const unsigned char* bytes, std::size_t length, std::size_t& count) {
    count = (length + 2) / 3 * 4;
    auto out = std::make_unique<char[]>(count + 1);
    std::size_t o = 0;
    for (std::size_t i = 0; i < length; i += 3) {
        const unsigned b0 = bytes[i];
        const unsigned b1 = i + 1 < length ? bytes[i + 1] : 0;
        const unsigned b2 = i + 2 < length ? bytes[i + 2] : 0;
        out[o++] = kAlphabet[b0 >> 2];
        out[o++] = kAlphabet[(b0 & 0x03) << 4 | b1 >> 4];
        out[o++] = i + 1 < length ? kAlphabet[(b1 & 0x0F) << 2 | b2 >> 6] : '=';
        out[o++] = i + 2 < length ? kAlphabet[b2 & 0x3F] : '=';
    }
    out[o] = 0;
    return out;
}

std::optional<QByteArray> CBase64::Decode(const QByteArray& text) {
    std::size_t count = 0;
    const auto buffer = Decode(text.constData(), static_cast<std::size_t>(text.size()), count);
    if (!buffer)
        return std::nullopt;
    return QByteArray(reinterpret_cast<const char*>(buffer.get()), static_cast<qsizetype>(count));
}

QByteArray CBase64::Encode(const QByteArray& bytes) {
    std::size_t count = 0;
    const auto buffer = Encode(reinterpret_cast<const unsigned char*>(bytes.constData()),
                               static_cast<std::size_t>(bytes.size()), count);
    return QByteArray(buffer.get(), static_cast<qsizetype>(count));
}
